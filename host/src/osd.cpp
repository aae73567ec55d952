#include <vdr/osd.h>

#include <stddef.h>

int cOsd::osds = 0;

cOsd::cOsd(void)
{
  osds++;
}

cOsd::cOsd(int Left, int Top, uint Level)
{
  (void)Left;
  (void)Top;
  (void)Level;
  osds++;
}

cOsd::~cOsd()
{
  osds--;
}

cOsdProvider *cOsdProvider::osdProvider = NULL;

cOsdProvider::cOsdProvider(void)
{
  delete osdProvider;
  osdProvider = this;
}

cOsdProvider::~cOsdProvider()
{
  if (osdProvider == this)
     osdProvider = NULL;
}

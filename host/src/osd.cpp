#include <vdr/osd.h>

int cOsd::osds = 0;

cOsd::cOsd(void)
{
  osds++;
}

cOsd::~cOsd()
{
  osds--;
}

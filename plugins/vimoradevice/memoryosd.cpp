#include "memoryosd.h"

#include <vdr/tools.h>

// Nothing shows the OSD, so the base class's bitmaps and pixmaps are all of it and a
// flush has nothing to commit. Opening and closing are logged (debug level): with no
// screen, the log is where one sees whether the recorder shows something.
class cMemoryOsd : public cOsd {
public:
  cMemoryOsd(int Left, int Top, uint Level) : cOsd(Left, Top, Level) { dsyslog("vimoradevice: OSD opened at %d,%d, level %u", Left, Top, Level); }
  virtual ~cMemoryOsd() { dsyslog("vimoradevice: OSD closed"); }
};

cOsd *cMemoryOsdProvider::CreateOsd(int Left, int Top, uint Level)
{
  return new cMemoryOsd(Left, Top, Level);
}

bool cMemoryOsdProvider::ProvidesTrueColor(void)
{
  return true;
}

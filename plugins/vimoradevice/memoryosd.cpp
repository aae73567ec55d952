#include "memoryosd.h"

// Nothing shows the OSD, so the base class's bitmaps and pixmaps are all of it and a
// flush has nothing to commit.
class cMemoryOsd : public cOsd {
public:
  cMemoryOsd(int Left, int Top, uint Level) : cOsd(Left, Top, Level) {}
};

cOsd *cMemoryOsdProvider::CreateOsd(int Left, int Top, uint Level)
{
  return new cMemoryOsd(Left, Top, Level);
}

bool cMemoryOsdProvider::ProvidesTrueColor(void)
{
  return true;
}

// The OSD of the vimoradevice plug-in: an OSD provider whose OSDs live in memory only.
// The recorder's menus, skins and messages draw into a real OSD (the bitmaps and pixmaps
// the recorder's cOsd keeps), which no screen shows. The recorder owns the provider from
// its construction on and each OSD it hands out.
#ifndef __VIMORADEVICE_MEMORYOSD_H
#define __VIMORADEVICE_MEMORYOSD_H

#include <vdr/osd.h>

class cMemoryOsdProvider : public cOsdProvider {
protected:
  // An OSD at Left, Top whose drawing stays in memory.
  virtual cOsd *CreateOsd(int Left, int Top, uint Level);
  // True: skins may draw in true colour with pixmaps.
  virtual bool ProvidesTrueColor(void);
};

#endif

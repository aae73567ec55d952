// The on-screen display as a whole: every open skin display is one OSD, so callers
// can tell whether something already covers the picture. A plug-in may bring an OSD
// provider as the recorder's device plug-ins do; the host's skins draw without one, so
// it only keeps the provider.
#ifndef __VDR_OSD_H
#define __VDR_OSD_H

#include <sys/types.h>

#define OSD_LEVEL_DEFAULT 0

enum eDvbFont {
  fontOsd, // the proportional font of menus and messages
  fontFix, // a fixed-width font
  fontSml, // the small font
};

class cOsd {
private:
  static int osds;

protected:
  // An OSD a provider hands out; it counts as open like any other.
  cOsd(int Left, int Top, uint Level);

public:
  cOsd(void);
  virtual ~cOsd();
  // The number of OSDs open now.
  static int Osds(void) { return osds; }
  static bool IsOpen(void) { return osds > 0; }
};

class cOsdProvider {
private:
  static cOsdProvider *osdProvider;

protected:
  virtual cOsd *CreateOsd(int Left, int Top, uint Level) = 0;
  virtual bool ProvidesTrueColor(void) { return false; }

public:
  // Replaces (deletes) the provider there was; the host keeps this one from now on.
  cOsdProvider(void);
  virtual ~cOsdProvider();
};

#endif

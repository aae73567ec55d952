// The on-screen display as a whole: every open skin display is one OSD, so callers
// can tell whether something already covers the picture.
#ifndef __VDR_OSD_H
#define __VDR_OSD_H

enum eDvbFont {
  fontOsd, // the proportional font of menus and messages
  fontFix, // a fixed-width font
  fontSml, // the small font
};

class cOsd {
private:
  static int osds;

public:
  cOsd(void);
  virtual ~cOsd();
  // The number of OSDs open now.
  static int Osds(void) { return osds; }
  static bool IsOpen(void) { return osds > 0; }
};

#endif

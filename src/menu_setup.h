// The setup page of the settings. The items edit working copies; only ok
// (Store) hands them to VimoraConfig and the host's setup file.
#ifndef __VIMORA_MENU_SETUP_H
#define __VIMORA_MENU_SETUP_H

#include <vdr/menuitems.h>

// The choices of the audio format item, translated each time the page opens.
extern const char *AudioFormats[2];
// The characters a clip-name pattern may hold, as a key of the translation table.
extern const char *AllowedChars;

class cMenuVimoraSetup : public cMenuSetupPage {
private:
  char format[256];
  int hidemainmenuentry;
  int offset;
  int avoidrepeats;
  int audioformat;
  int refinemarks;
  int refinewindow;
  int autoconvert;
  // A stored pattern too long for the item is shown shortened; unless the user
  // edits it, the whole pattern is kept.
  bool formatShortened;
  char shownFormat[256];

protected:
  virtual void Store(void);

public:
  cMenuVimoraSetup(void);
  virtual ~cMenuVimoraSetup();
};

#endif

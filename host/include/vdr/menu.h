// The host's own menus: the main menu with the plug-ins' entries and the Setup menu
// with the host's options and the plug-ins' setup pages.
#ifndef __VDR_MENU_H
#define __VDR_MENU_H

#include <vdr/menuitems.h>

class cMenuMain : public cOsdMenu {
private:
  cOsdObject *pluginOsdObject;
  eOSState OpenPlugin(void);

public:
  // One numbered line per plug-in that has a main menu entry, then "Setup".
  cMenuMain(void);
  virtual ~cMenuMain();
  // The plug-in object to show in place of this menu after osPlugin (the caller
  // owns it), or null.
  cOsdObject *PluginOsdObject(void);
  virtual eOSState ProcessKey(eKeys Key);
};

class cMenuSetup : public cOsdMenu {
public:
  cMenuSetup(void);
  virtual eOSState ProcessKey(eKeys Key);
};

#endif

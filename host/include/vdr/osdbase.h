// Menus: an OSD object takes keys and answers with a state; a menu is a list of
// items with a title, colour-key help, a current line and at most one open submenu.
#ifndef __VDR_OSDBASE_H
#define __VDR_OSDBASE_H

#include <string>
#include <vdr/keys.h>
#include <vdr/osd.h>
#include <vdr/tools.h>

// What an OSD object asks of its caller after a key.
enum eOSState {
  osUnknown = 0,    // the key was not handled
  osContinue = 1,   // handled, stay open
  osSchedule,
  osChannels,
  osTimers,
  osRecordings = 5, // close, end the replay and show the recordings
  osPlugin,         // open the plug-in object the main menu prepared
  osSetup,
  osCommands,
  osPause,
  osRecord,
  osReplay,
  osStopRecord,
  osStopReplay,
  osCancelEdit,
  osSwitchDvb,
  // 16..20 are states this host never uses; the following keep their numbers.
  osBack = 21,      // leave this menu, back to its parent
  osEnd = 22,       // close all menus
  osUser1, osUser2, osUser3, osUser4, osUser5, osUser6, osUser7, osUser8, osUser9, osUser10,
};

class cSkinDisplayMenu;

// Anything the host shows and hands keys to: a menu, an info page, a replay control.
class cOsdObject {
  friend class cOsdMenu;

private:
  bool isMenu;

public:
  cOsdObject(void) { isMenu = false; }
  virtual ~cOsdObject() {}
  bool IsMenu(void) const { return isMenu; }
  virtual void Show(void) {}
  virtual eOSState ProcessKey(eKeys Key) { (void)Key; return osUnknown; }
};

// One line of a menu. An item built with a state returns it on kOk.
class cOsdItem : public cListObject {
private:
  char *text;
  eOSState state;
  bool selectable;

protected:
  bool fresh; // just became current: the next digit starts a new value

public:
  cOsdItem(eOSState State = osUnknown);
  cOsdItem(const char *Text, eOSState State = osUnknown, bool Selectable = true);
  virtual ~cOsdItem();
  bool Selectable(void) const { return selectable; }
  void SetSelectable(bool Selectable) { selectable = Selectable; }
  // Copy false takes over a text allocated with malloc.
  void SetText(const char *Text, bool Copy = true);
  void SetFresh(bool Fresh) { fresh = Fresh; }
  const char *Text(void) const { return text; }
  // Rebuilds the text from what the item shows.
  virtual void Set(void) {}
  virtual eOSState ProcessKey(eKeys Key);
};

class cOsdMenu : public cOsdObject, public cList<cOsdItem> {
private:
  // All menus draw into one display, opened by the first that is shown and closed
  // with the last menu.
  static cSkinDisplayMenu *displayMenu;
  static int displayMenuCount;
  static int displayMenuItems;
  enum { MaxCols = 5 };
  std::string title;
  int cols[MaxCols];
  int first, current;
  int digit;
  bool hasHotkeys;
  cOsdMenu *subMenu;
  std::string help[4];
  void ClampFirst(void);
  void MoveCurrent(int Index);
  int SelectableFrom(int Index, int Direction);
  void CursorUp(void);
  void CursorDown(void);
  void PageUp(void);
  void PageDown(void);
  eOSState HotKey(eKeys Key);

protected:
  cSkinDisplayMenu *DisplayMenu(void) { return displayMenu; }
  void DisplayCurrent(bool Current);

public:
  cOsdMenu(const char *Title, int c0 = 0, int c1 = 0, int c2 = 0, int c3 = 0, int c4 = 0);
  virtual ~cOsdMenu();
  const char *Title(void) const { return title.c_str(); }
  void SetTitle(const char *Title);
  void SetCols(int c0, int c1 = 0, int c2 = 0, int c3 = 0, int c4 = 0);
  // The four colour keys; null for none. A "Context$" prefix is dropped.
  void SetHelp(const char *Red, const char *Green = NULL, const char *Yellow = NULL, const char *Blue = NULL);
  const char *Help(int Index) const { return Index >= 0 && Index < 4 && !help[Index].empty() ? help[Index].c_str() : NULL; }
  // With hotkeys, hk() numbers the texts "1 ...", "2 ..." and digit keys pick them.
  void SetHasHotkeys(bool HasHotkeys = true);
  const char *hk(const char *s);
  int Current(void) const { return current; }
  void SetCurrent(cOsdItem *Item);
  void Add(cOsdItem *Item, bool Current = false, cOsdItem *After = NULL);
  void Ins(cOsdItem *Item, bool Current = false, cOsdItem *Before = NULL);
  using cList<cOsdItem>::Del;
  virtual void Del(int Index);
  virtual void Clear(void);
  // Lets the current item rebuild its text.
  void RefreshCurrent(void);
  virtual void Display(void);
  virtual void Show(void) { Display(); }
  eOSState AddSubMenu(cOsdMenu *SubMenu);
  eOSState CloseSubMenu(void);
  bool HasSubMenu(void) const { return subMenu != NULL; }
  cOsdMenu *SubMenu(void) const { return subMenu; }
  virtual eOSState ProcessKey(eKeys Key);
};

#endif

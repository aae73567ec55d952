// Skins draw what the host shows: menus, the replay display and messages. Menus and
// controls talk only to the display interfaces here, so a skin can be swapped without
// touching them. The text skin keeps the last drawn screen as plain text.
#ifndef __VDR_SKINS_H
#define __VDR_SKINS_H

#include <deque>
#include <stdint.h>
#include <string>
#include <vector>
#include <vdr/keys.h>
#include <vdr/osd.h>
#include <vdr/thread.h>
#include <vdr/tools.h>

enum eMessageType { mtStatus = 0, mtInfo, mtWarning, mtError };

// "status", "info", "warning" or "error".
const char *MessageTypeName(eMessageType Type);

class cMarks;

// One open display; while it exists an OSD is open.
class cSkinDisplay {
private:
  cOsd osd;

public:
  virtual ~cSkinDisplay() {}
  virtual void SetMessage(eMessageType Type, const char *Text) { (void)Type; (void)Text; }
  virtual void Flush(void) {}
};

class cSkinDisplayMenu : public cSkinDisplay {
public:
  enum { MaxTabs = 6 };

private:
  int tabs[MaxTabs];

public:
  cSkinDisplayMenu(void);
  // Column widths in characters; a tab in an item's text moves to the next column.
  virtual void SetTabs(int Tab1, int Tab2 = 0, int Tab3 = 0, int Tab4 = 0, int Tab5 = 0);
  // Where column n begins (0 for the first), in characters.
  int Tab(int n) const { return n >= 0 && n < MaxTabs ? tabs[n] : 0; }
  // How many items fit on one page.
  virtual int MaxItems(void) = 0;
  virtual void Clear(void) = 0;
  virtual void SetTitle(const char *Title) = 0;
  virtual void SetButtons(const char *Red, const char *Green = NULL, const char *Yellow = NULL, const char *Blue = NULL) = 0;
  // Index counts from the top of the visible page.
  virtual void SetItem(const char *Text, int Index, bool Current, bool Selectable) = 0;
  // A page of text instead of items.
  virtual void SetText(const char *Text, bool FixedFont) = 0;
  // Scrolls a text page by a line or a page; false when it cannot move.
  virtual bool Scroll(bool Up, bool Page) { (void)Up; (void)Page; return false; }
};

// The progress display of a replay; ModeOnly displays show just the replay mode.
class cSkinDisplayReplay : public cSkinDisplay {
protected:
  const cMarks *marks;

public:
  cSkinDisplayReplay(void) { marks = NULL; }
  virtual void SetMarks(const cMarks *Marks) { marks = Marks; }
  virtual void SetTitle(const char *Title) = 0;
  // Speed -1 is normal play (or pause); 0 and above count the fast or slow steps.
  virtual void SetMode(bool Play, bool Forward, int Speed) = 0;
  virtual void SetProgress(int Current, int Total) = 0;
  virtual void SetCurrent(const char *Current) = 0;
  virtual void SetTotal(const char *Total) = 0;
  // The time-search text; null removes it.
  virtual void SetJump(const char *Jump) = 0;
};

class cSkinDisplayMessage : public cSkinDisplay {
public:
  virtual void SetMessage(eMessageType Type, const char *Text) = 0;
};

class cSkin : public cListObject {
private:
  char *name;

public:
  cSkin(const char *Name);
  virtual ~cSkin();
  const char *Name(void) const { return name; }
  virtual const char *Description(void) = 0;
  virtual cSkinDisplayMenu *DisplayMenu(void) = 0;
  virtual cSkinDisplayReplay *DisplayReplay(bool ModeOnly) = 0;
  virtual cSkinDisplayMessage *DisplayMessage(void) = 0;
};

// What the text skin drew last, as plain text.
class cTextScreen {
public:
  bool menu;                        // a menu display is open
  std::string title;
  std::vector<std::string> items;   // the visible lines, tabs kept
  int current;                      // index in items of the current line, -1 for none
  std::string buttons[4];           // red, green, yellow, blue; empty for none
  std::string text;                 // a text page
  int tabs[cSkinDisplayMenu::MaxTabs];
  bool replay;                      // a replay display is open
  bool modeOnly;
  std::string replayTitle, currentTime, totalTime, jump;
  int progressCurrent, progressTotal;
  bool play, forward;
  int speed;
  bool message;                     // a message is shown
  eMessageType messageType;
  std::string messageText;
  std::vector<std::string> messages; // every message shown, "type: text", oldest first
  cTextScreen(void);
  void ClearMenu(void);
  void ClearReplay(void);
  // An item's text with its tabs turned into blanks up to the column starts.
  std::string Expand(const std::string &Item) const;
  // The whole screen, one line per element, as vimora-host prints it.
  std::string Render(void) const;
};

class cSkinText : public cSkin {
private:
  cTextScreen screen;
  int maxItems;

public:
  cSkinText(int MaxItems = 12);
  virtual const char *Description(void) { return "Plain text"; }
  virtual cSkinDisplayMenu *DisplayMenu(void);
  virtual cSkinDisplayReplay *DisplayReplay(bool ModeOnly);
  virtual cSkinDisplayMessage *DisplayMessage(void);
  const cTextScreen &Screen(void) const { return screen; }
  void ForgetMessages(void) { screen.messages.clear(); }
};

class cSkins : public cList<cSkin> {
private:
  struct tMessage {
    eMessageType type;
    std::string text;
    int seconds;
  };
  cSkin *current;
  cSkinText *textSkin;
  cSkinDisplayMessage *displayMessage;
  uint64_t messageEndMs;
  cMutex queueMutex;
  std::deque<tMessage> queue;

public:
  // Starts with the text skin, which stays available as TextSkin().
  cSkins(void);
  virtual ~cSkins();
  bool SetCurrent(const char *Name);
  cSkin *Current(void) { return current; }
  cSkinText *TextSkin(void) { return textSkin; }
  // Shows Text for Seconds of host time (0: the setup's message time), or removes the
  // message when Text is null. Returns at once; the message stays until it expires or
  // the next key. Called from another thread it queues the message instead.
  eKeys Message(eMessageType Type, const char *Text, int Seconds = 0);
  // Hands a message to the main thread; safe from any thread.
  void QueueMessage(eMessageType Type, const char *Text, int Seconds = 0);
  bool IsMessageShown(void) const { return displayMessage != NULL; }
  // Whether messages wait in the queue for the main thread.
  bool HasQueuedMessages(void);
  // Main thread: removes an expired message and shows the next queued one.
  void ProcessQueuedMessages(void);
  // A key ends the message on screen.
  void KeyPressed(void);
};

extern cSkins Skins;

#endif

// The text skin of the vimoradevice plug-in: a skin that draws nothing but remembers,
// as text, what each of its displays was given (menu title, lines, current line, colour
// buttons, messages, the replay's title and mode, the channel, volume and tracks), so a
// machine without a screen can be read over SVDRP (cPluginVimoradevice's SCRN). Each
// display opens an OSD as a real skin does, so the recorder sees the OSD open while the
// display lives. The recorder draws from its main thread and answers SVDRP from another:
// the skin's mutex guards what the displays remember. The recorder owns the skin from
// its construction on; its displays never outlive it.
#ifndef __VIMORADEVICE_TEXTSKIN_H
#define __VIMORADEVICE_TEXTSKIN_H

#include <map>
#include <string>
#include <vector>

#include <vdr/skins.h>
#include <vdr/thread.h>

// What one kind of display shows. Lines are "Label: text".
struct tTextDisplay {
  bool open = false;
  std::string title;
  std::map<int, std::string> items;  // by index on the page
  int current = -1;                  // index of the current item, -1 for none
  std::string buttons[4];            // red, green, yellow, blue
  std::string text;                  // a text page, an event's or recording's details
  std::string message;               // "type: text", empty for none
  std::vector<std::string> details;  // further "Label: text" lines (mode, channel ...)
};

class cTextSkin : public cSkin {
public:
  enum eDisplay { dChannel, dMenu, dReplay, dVolume, dTracks, dMessage, dCount };

private:
  cMutex mutex; // guards displays and messages
  tTextDisplay displays[dCount];
  std::vector<std::string> messages; // every message shown, "type: text", oldest first

public:
  static const char *SkinName;
  cTextSkin(void);
  virtual const char *Description(void);
  virtual cSkinDisplayChannel *DisplayChannel(bool WithInfo);
  virtual cSkinDisplayMenu *DisplayMenu(void);
  virtual cSkinDisplayReplay *DisplayReplay(bool ModeOnly);
  virtual cSkinDisplayVolume *DisplayVolume(void);
  virtual cSkinDisplayTracks *DisplayTracks(const char *Title, int NumTracks, const char * const *Tracks);
  virtual cSkinDisplayMessage *DisplayMessage(void);
  // Changes what display Which remembers, under the mutex.
  template<class F> void Change(eDisplay Which, F Change) { cMutexLock lock(&mutex); Change(displays[Which]); }
  // Adds a message shown on any display to the history.
  void Said(eMessageType Type, const char *Text);
  // What the open displays show, one "Label: text" line each; "Screen: empty" when none
  // is open.
  std::string Screen(void);
  // Every message shown since the start, one "type: text" line each.
  std::string Messages(void);
  // "status", "info", "warning" or "error".
  static const char *TypeName(eMessageType Type);
};

#endif

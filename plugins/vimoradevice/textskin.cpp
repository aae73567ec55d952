#include "textskin.h"

#include <vdr/channels.h>
#include <vdr/epg.h>
#include <vdr/osd.h>
#include <vdr/recording.h>

const char *cTextSkin::SkinName = "vimoratext";

static std::string Text(const char *s)
{
  return s ? s : "";
}

// What every display of the skin does: opens an OSD for its life and tells its part of
// the skin's memory that it is open, then forgets it when it goes.
class cTextDisplayLink {
private:
  cOsd *osd;

public:
  cTextSkin *skin;
  cTextSkin::eDisplay which;
  cTextDisplayLink(cTextSkin *Skin, cTextSkin::eDisplay Which)
  : skin(Skin), which(Which)
  {
    osd = cOsdProvider::NewOsd(cOsd::OsdLeft(), cOsd::OsdTop());
    Change([](tTextDisplay &d) { d = tTextDisplay(); d.open = true; });
  }
  ~cTextDisplayLink()
  {
    Change([](tTextDisplay &d) { d = tTextDisplay(); });
    delete osd;
  }
  template<class F> void Change(F Change) { skin->Change(which, Change); }
  void SetMessage(eMessageType Type, const char *Text)
  {
    std::string m = Text ? std::string(cTextSkin::TypeName(Type)) + ": " + Text : "";
    Change([&](tTextDisplay &d) { d.message = m; });
    if (Text)
       skin->Said(Type, Text);
  }
  void SetButtons(const char *Red, const char *Green, const char *Yellow, const char *Blue)
  {
    Change([&](tTextDisplay &d) { d.buttons[0] = Text(Red); d.buttons[1] = Text(Green); d.buttons[2] = Text(Yellow); d.buttons[3] = Text(Blue); });
  }
  // Sets the detail line that starts with Label (Label and text), or adds it.
  void SetDetail(const std::string &Label, const std::string &Value)
  {
    Change([&](tTextDisplay &d) {
      std::string line = Label + ": " + Value;
      for (auto &l : d.details) {
          if (l.compare(0, Label.size() + 1, Label + ":") == 0) {
             l = line;
             return;
             }
          }
      d.details.push_back(line);
      });
  }
};

class cTextDisplayChannel : public cSkinDisplayChannel {
private:
  cTextDisplayLink link;

public:
  cTextDisplayChannel(cTextSkin *Skin) : link(Skin, cTextSkin::dChannel) {}
  virtual void SetChannel(const cChannel *Channel, int Number)
  {
    link.SetDetail("Channel", Channel ? std::string(*ChannelString(Channel, Number)) : std::to_string(Number));
  }
  virtual void SetEvents(const cEvent *Present, const cEvent *Following)
  {
    link.SetDetail("Present", Present ? Text(Present->Title()) : "");
    link.SetDetail("Following", Following ? Text(Following->Title()) : "");
  }
  virtual void SetMessage(eMessageType Type, const char *Text) { link.SetMessage(Type, Text); }
};

class cTextDisplayMenu : public cSkinDisplayMenu {
private:
  cTextDisplayLink link;
  void SetPage(const std::string &Text)
  {
    link.Change([&](tTextDisplay &d) { d.text = Text; });
  }

public:
  cTextDisplayMenu(cTextSkin *Skin) : link(Skin, cTextSkin::dMenu) {}
  virtual int MaxItems(void) { return 12; }
  virtual void Clear(void)
  {
    link.Change([](tTextDisplay &d) { d.items.clear(); d.current = -1; d.text.clear(); });
  }
  virtual void SetTitle(const char *Title)
  {
    link.Change([&](tTextDisplay &d) { d.title = Text(Title); });
  }
  virtual void SetButtons(const char *Red, const char *Green = NULL, const char *Yellow = NULL, const char *Blue = NULL)
  {
    link.SetButtons(Red, Green, Yellow, Blue);
  }
  virtual void SetMessage(eMessageType Type, const char *Text) { link.SetMessage(Type, Text); }
  virtual void SetItem(const char *Text, int Index, bool Current, bool Selectable)
  {
    (void)Selectable;
    link.Change([&](tTextDisplay &d) {
      d.items[Index] = ::Text(Text);
      if (Current)
         d.current = Index;
      else if (d.current == Index)
         d.current = -1;
      });
  }
  virtual void SetEvent(const cEvent *Event)
  {
    if (Event)
       SetPage(Text(Event->Title()) + "\n" + Text(Event->ShortText()) + "\n" + Text(Event->Description()));
  }
  virtual void SetRecording(const cRecording *Recording)
  {
    const cRecordingInfo *info = Recording ? Recording->Info() : NULL;
    if (info)
       SetPage(Text(info->Title()) + "\n" + Text(info->ShortText()) + "\n" + Text(info->Description()));
  }
  virtual void SetText(const char *Text, bool FixedFont)
  {
    (void)FixedFont;
    SetPage(::Text(Text));
  }
};

class cTextDisplayReplay : public cSkinDisplayReplay {
private:
  cTextDisplayLink link;
  std::string current, total;

public:
  cTextDisplayReplay(cTextSkin *Skin, bool ModeOnly) : link(Skin, cTextSkin::dReplay)
  {
    if (ModeOnly)
       link.SetDetail("Display", "mode only");
  }
  virtual void SetTitle(const char *Title)
  {
    link.Change([&](tTextDisplay &d) { d.title = Text(Title); });
  }
  virtual void SetMode(bool Play, bool Forward, int Speed)
  {
    link.SetDetail("Mode", std::string(Play ? "play" : "pause") + (Forward ? " forward" : " backward") + (Speed >= 0 ? " speed " + std::to_string(Speed) : ""));
  }
  virtual void SetProgress(int Current, int Total)
  {
    link.SetDetail("Frames", std::to_string(Current) + " / " + std::to_string(Total));
  }
  virtual void SetCurrent(const char *Current)
  {
    current = Text(Current);
    link.SetDetail("Position", current + " / " + total);
  }
  virtual void SetTotal(const char *Total)
  {
    total = Text(Total);
    link.SetDetail("Position", current + " / " + total);
  }
  virtual void SetJump(const char *Jump)
  {
    link.SetDetail("Jump", Text(Jump));
  }
  virtual void SetMessage(eMessageType Type, const char *Text) { link.SetMessage(Type, Text); }
};

class cTextDisplayVolume : public cSkinDisplayVolume {
private:
  cTextDisplayLink link;

public:
  cTextDisplayVolume(cTextSkin *Skin) : link(Skin, cTextSkin::dVolume) {}
  virtual void SetVolume(int Current, int Total, bool Mute)
  {
    link.SetDetail("Volume", Mute ? std::string("mute") : std::to_string(Current) + " / " + std::to_string(Total));
  }
};

class cTextDisplayTracks : public cSkinDisplayTracks {
private:
  cTextDisplayLink link;

public:
  cTextDisplayTracks(cTextSkin *Skin, const char *Title, int NumTracks, const char * const *Tracks)
  : link(Skin, cTextSkin::dTracks)
  {
    link.Change([&](tTextDisplay &d) {
      d.title = Text(Title);
      for (int i = 0; i < NumTracks; i++)
          d.items[i] = Text(Tracks[i]);
      });
  }
  virtual void SetTrack(int Index, const char * const *Tracks)
  {
    (void)Tracks;
    link.Change([&](tTextDisplay &d) { d.current = Index; });
  }
  virtual void SetAudioChannel(int AudioChannel)
  {
    link.SetDetail("Audio channel", std::to_string(AudioChannel));
  }
};

class cTextDisplayMessage : public cSkinDisplayMessage {
private:
  cTextDisplayLink link;

public:
  cTextDisplayMessage(cTextSkin *Skin) : link(Skin, cTextSkin::dMessage) {}
  virtual void SetMessage(eMessageType Type, const char *Text) { link.SetMessage(Type, Text); }
};

cTextSkin::cTextSkin(void)
: cSkin(SkinName)
{
}

const char *cTextSkin::Description(void)
{
  return "Text for SVDRP";
}

cSkinDisplayChannel *cTextSkin::DisplayChannel(bool WithInfo)
{
  (void)WithInfo;
  return new cTextDisplayChannel(this);
}

cSkinDisplayMenu *cTextSkin::DisplayMenu(void)
{
  return new cTextDisplayMenu(this);
}

cSkinDisplayReplay *cTextSkin::DisplayReplay(bool ModeOnly)
{
  return new cTextDisplayReplay(this, ModeOnly);
}

cSkinDisplayVolume *cTextSkin::DisplayVolume(void)
{
  return new cTextDisplayVolume(this);
}

cSkinDisplayTracks *cTextSkin::DisplayTracks(const char *Title, int NumTracks, const char * const *Tracks)
{
  return new cTextDisplayTracks(this, Title, NumTracks, Tracks);
}

cSkinDisplayMessage *cTextSkin::DisplayMessage(void)
{
  return new cTextDisplayMessage(this);
}

const char *cTextSkin::TypeName(eMessageType Type)
{
  switch (Type) {
    case mtInfo:    return "info";
    case mtWarning: return "warning";
    case mtError:   return "error";
    default:        return "status";
    }
}

void cTextSkin::Said(eMessageType Type, const char *Text)
{
  cMutexLock lock(&mutex);
  messages.push_back(std::string(TypeName(Type)) + ": " + Text);
}

// Adds "Label: text" for every line of Text (a page may hold several).
static void AddLines(std::string &Out, const char *Label, const std::string &Text)
{
  size_t start = 0;
  while (start < Text.size()) {
        size_t end = Text.find('\n', start);
        if (end == std::string::npos)
           end = Text.size();
        Out += std::string(Label) + ": " + Text.substr(start, end - start) + "\n";
        start = end + 1;
        }
}

std::string cTextSkin::Screen(void)
{
  static const char *const Names[dCount] = { "Channel display", "Menu", "Replay", "Volume display", "Tracks", "Message display" };
  static const char *const Buttons[4] = { "Red", "Green", "Yellow", "Blue" };
  cMutexLock lock(&mutex);
  std::string out;
  for (int i = 0; i < dCount; i++) {
      const tTextDisplay &d = displays[i];
      if (!d.open)
         continue;
      out += std::string(Names[i]) + ": " + d.title + "\n";
      for (const auto &l : d.details)
          out += l + "\n";
      for (const auto &item : d.items)
          AddLines(out, item.first == d.current ? "Current" : "Item", item.second);
      AddLines(out, "Text", d.text);
      for (int b = 0; b < 4; b++) {
          if (!d.buttons[b].empty())
             out += std::string(Buttons[b]) + ": " + d.buttons[b] + "\n";
          }
      if (!d.message.empty())
         out += "Message: " + d.message + "\n";
      }
  if (out.empty())
     return "Screen: empty";
  out.pop_back(); // the reply's last line ends without a line feed
  return out;
}

std::string cTextSkin::Messages(void)
{
  cMutexLock lock(&mutex);
  std::string out;
  for (const auto &m : messages)
      out += m + "\n";
  if (out.empty())
     return "Messages: none";
  out.pop_back();
  return out;
}

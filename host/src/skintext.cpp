// The text skin: every display writes into the skin's cTextScreen.
#include <vdr/skins.h>

#include <algorithm>

// --- cTextScreen -----------------------------------------------------------

cTextScreen::cTextScreen(void)
{
  ClearMenu();
  ClearReplay();
  message = false;
  messageType = mtStatus;
}

void cTextScreen::ClearMenu(void)
{
  menu = false;
  title.clear();
  items.clear();
  current = -1;
  for (auto &b : buttons)
      b.clear();
  text.clear();
  for (auto &t : tabs)
      t = 0;
}

void cTextScreen::ClearReplay(void)
{
  replay = false;
  modeOnly = false;
  replayTitle.clear();
  currentTime.clear();
  totalTime.clear();
  jump.clear();
  progressCurrent = progressTotal = 0;
  play = forward = false;
  speed = -1;
}

std::string cTextScreen::Expand(const std::string &Item) const
{
  // As the recorder's skins draw a column only up to the next tab stop, a text longer
  // than its column is cut there (on a character's boundary), so that the columns after
  // it stay where they belong.
  std::string line;
  int column = 0;
  int width = 0; // of line, in characters, not bytes
  for (size_t i = 0; i < Item.size(); ) {
      if (Item[i] == '\t') {
         column++;
         int start = column < cSkinDisplayMenu::MaxTabs ? tabs[column] : 0;
         int pad = start > 0 && start >= width ? start - width : 1;
         line.append(pad, ' ');
         width += pad;
         i++;
         continue;
      }
      size_t len = std::min(size_t(Utf8CharLen(Item.c_str() + i)), Item.size() - i);
      int stop = column + 1 < cSkinDisplayMenu::MaxTabs ? tabs[column + 1] : 0;
      if (stop <= 0 || width < stop) {
         line.append(Item, i, len);
         width++;
      }
      i += len;
  }
  return line;
}

static std::string ModeText(bool Play, bool Forward, int Speed)
{
  if (Speed < 0)
     return Play ? "play" : "pause";
  std::string s = Play ? "fast " : "slow ";
  s += Forward ? "forward" : "rewind";
  return s + " " + std::to_string(Speed);
}

static std::string ProgressBar(int Current, int Total)
{
  const int Width = 20;
  int filled = Total > 0 ? int(int64_t(Current) * Width / Total) : 0;
  filled = filled < 0 ? 0 : filled > Width ? Width : filled;
  return "[" + std::string(filled, '#') + std::string(Width - filled, '.') + "]";
}

std::string cTextScreen::Render(void) const
{
  static const char *colours[] = { "red", "green", "yellow", "blue" };
  std::string out;
  if (menu) {
     out += "== " + title + " ==\n";
     for (size_t i = 0; i < items.size(); i++)
         out += (int(i) == current ? "> " : "  ") + Expand(items[i]) + "\n";
     if (!text.empty())
        out += text + (text.back() == '\n' ? "" : "\n");
     std::string keys;
     for (int i = 0; i < 4; i++)
         if (!buttons[i].empty())
            keys += std::string(keys.empty() ? "" : "  ") + "(" + colours[i] + ") " + buttons[i];
     if (!keys.empty())
        out += keys + "\n";
  }
  if (replay) {
     if (!modeOnly) {
        out += "-- " + replayTitle + " --\n";
        out += currentTime + " / " + totalTime + " " + ProgressBar(progressCurrent, progressTotal) + "\n";
     }
     out += "mode: " + ModeText(play, forward, speed) + "\n";
     if (!jump.empty())
        out += jump + "\n";
  }
  if (message)
     out += std::string(MessageTypeName(messageType)) + ": " + messageText + "\n";
  return out;
}

// --- the displays ----------------------------------------------------------

namespace {

class cTextDisplayMenu : public cSkinDisplayMenu {
private:
  cTextScreen *screen;
  int maxItems;

public:
  cTextDisplayMenu(cTextScreen *Screen, int MaxItems)
  {
    screen = Screen;
    maxItems = MaxItems;
    screen->ClearMenu();
    screen->menu = true;
  }
  virtual ~cTextDisplayMenu() { screen->ClearMenu(); }
  virtual void SetTabs(int Tab1, int Tab2, int Tab3, int Tab4, int Tab5)
  {
    cSkinDisplayMenu::SetTabs(Tab1, Tab2, Tab3, Tab4, Tab5);
    for (int i = 0; i < MaxTabs; i++)
        screen->tabs[i] = Tab(i);
  }
  virtual int MaxItems(void) { return maxItems; }
  virtual void Clear(void)
  {
    screen->items.clear();
    screen->current = -1;
    screen->text.clear();
  }
  virtual void SetTitle(const char *Title) { screen->title = Title ? Title : ""; }
  virtual void SetButtons(const char *Red, const char *Green, const char *Yellow, const char *Blue)
  {
    const char *b[] = { Red, Green, Yellow, Blue };
    for (int i = 0; i < 4; i++)
        screen->buttons[i] = b[i] ? b[i] : "";
  }
  virtual void SetItem(const char *Text, int Index, bool Current, bool)
  {
    if (Index < 0 || Index >= maxItems)
       return;
    if (int(screen->items.size()) <= Index)
       screen->items.resize(Index + 1);
    screen->items[Index] = Text ? Text : "";
    if (Current)
       screen->current = Index;
    else if (screen->current == Index)
       screen->current = -1;
  }
  virtual void SetText(const char *Text, bool) { screen->text = Text ? Text : ""; }
};

class cTextDisplayReplay : public cSkinDisplayReplay {
private:
  cTextScreen *screen;

public:
  cTextDisplayReplay(cTextScreen *Screen, bool ModeOnly)
  {
    screen = Screen;
    screen->ClearReplay();
    screen->replay = true;
    screen->modeOnly = ModeOnly;
  }
  virtual ~cTextDisplayReplay() { screen->ClearReplay(); }
  virtual void SetTitle(const char *Title) { screen->replayTitle = Title ? Title : ""; }
  virtual void SetMode(bool Play, bool Forward, int Speed)
  {
    screen->play = Play;
    screen->forward = Forward;
    screen->speed = Speed;
  }
  virtual void SetProgress(int Current, int Total)
  {
    screen->progressCurrent = Current;
    screen->progressTotal = Total;
  }
  virtual void SetCurrent(const char *Current) { screen->currentTime = Current ? Current : ""; }
  virtual void SetTotal(const char *Total) { screen->totalTime = Total ? Total : ""; }
  virtual void SetJump(const char *Jump) { screen->jump = Jump ? Jump : ""; }
};

class cTextDisplayMessage : public cSkinDisplayMessage {
private:
  cTextScreen *screen;

public:
  cTextDisplayMessage(cTextScreen *Screen) { screen = Screen; }
  virtual ~cTextDisplayMessage()
  {
    screen->message = false;
    screen->messageText.clear();
  }
  virtual void SetMessage(eMessageType Type, const char *Text)
  {
    screen->message = Text != NULL;
    screen->messageType = Type;
    screen->messageText = Text ? Text : "";
    if (Text)
       screen->messages.push_back(std::string(MessageTypeName(Type)) + ": " + Text);
  }
};

} // namespace

// --- cSkinText -------------------------------------------------------------

cSkinText::cSkinText(int MaxItems)
  : cSkin("text")
{
  maxItems = MaxItems > 0 ? MaxItems : 1;
}

cSkinDisplayMenu *cSkinText::DisplayMenu(void)
{
  return new cTextDisplayMenu(&screen, maxItems);
}

cSkinDisplayReplay *cSkinText::DisplayReplay(bool ModeOnly)
{
  return new cTextDisplayReplay(&screen, ModeOnly);
}

cSkinDisplayMessage *cSkinText::DisplayMessage(void)
{
  return new cTextDisplayMessage(&screen);
}

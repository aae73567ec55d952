#include "ncursesskin.h"

#include <algorithm>
#include <curses.h>
#include <sstream>
#include <vdr/recording.h>

void InitCursesColours(void)
{
  if (!has_colors())
     return;
  start_color();
  use_default_colors();
  init_pair(ccTitle, COLOR_WHITE, COLOR_BLUE);
  init_pair(ccCurrent, COLOR_BLACK, COLOR_CYAN);
  init_pair(ccRed, COLOR_WHITE, COLOR_RED);
  init_pair(ccGreen, COLOR_BLACK, COLOR_GREEN);
  init_pair(ccYellow, COLOR_BLACK, COLOR_YELLOW);
  init_pair(ccBlue, COLOR_WHITE, COLOR_BLUE);
  init_pair(ccStatus, COLOR_BLACK, COLOR_WHITE);
  init_pair(ccInfo, COLOR_GREEN, -1);
  init_pair(ccWarning, COLOR_YELLOW, -1);
  init_pair(ccError, COLOR_RED, -1);
  init_pair(ccPlayed, COLOR_CYAN, -1);
  init_pair(ccMark, COLOR_YELLOW, -1);
}

std::string FitText(const std::string &Text, int Width)
{
  std::string out;
  int chars = 0;
  for (size_t i = 0; i < Text.size() && chars < Width; ) {
      int len = Utf8CharLen(Text.c_str() + i);
      unsigned char c = Text[i];
      out += c < ' ' ? std::string(1, ' ') : Text.substr(i, len);
      i += len;
      chars++;
  }
  return out + std::string(Width > chars ? Width - chars : 0, ' ');
}

static void Put(int Row, int Column, const std::string &Text, int Width, int Colour, attr_t Attributes = A_NORMAL)
{
  attr_t a = Attributes | (Colour ? COLOR_PAIR(Colour) : 0);
  attron(a);
  mvaddstr(Row, Column, FitText(Text, Width).c_str());
  attroff(a);
}

// --- the displays --------------------------------------------------------------

namespace {

// Every display passes what it is told on to the text skin's display of the same kind.
class cCursesDisplayMenu : public cSkinDisplayMenu {
private:
  cSkinDisplayMenu *text;

public:
  cCursesDisplayMenu(void) { text = Skins.TextSkin()->DisplayMenu(); }
  virtual ~cCursesDisplayMenu() { delete text; }
  virtual void SetTabs(int Tab1, int Tab2, int Tab3, int Tab4, int Tab5)
  {
    cSkinDisplayMenu::SetTabs(Tab1, Tab2, Tab3, Tab4, Tab5);
    text->SetTabs(Tab1, Tab2, Tab3, Tab4, Tab5);
  }
  virtual int MaxItems(void) { return text->MaxItems(); }
  virtual void Clear(void) { text->Clear(); }
  virtual void SetTitle(const char *Title) { text->SetTitle(Title); }
  virtual void SetButtons(const char *Red, const char *Green, const char *Yellow, const char *Blue) { text->SetButtons(Red, Green, Yellow, Blue); }
  virtual void SetItem(const char *Text, int Index, bool Current, bool Selectable) { text->SetItem(Text, Index, Current, Selectable); }
  virtual void SetText(const char *Text, bool FixedFont) { text->SetText(Text, FixedFont); }
  virtual bool Scroll(bool Up, bool Page) { return text->Scroll(Up, Page); }
  virtual void SetMessage(eMessageType Type, const char *Text) { text->SetMessage(Type, Text); }
};

class cCursesDisplayMessage : public cSkinDisplayMessage {
private:
  cSkinDisplayMessage *text;

public:
  cCursesDisplayMessage(void) { text = Skins.TextSkin()->DisplayMessage(); }
  virtual ~cCursesDisplayMessage() { delete text; }
  virtual void SetMessage(eMessageType Type, const char *Text) { text->SetMessage(Type, Text); }
};

} // namespace

class cCursesDisplayReplay : public cSkinDisplayReplay {
private:
  cSkinCurses *skin;
  cSkinDisplayReplay *text;

public:
  cCursesDisplayReplay(cSkinCurses *Skin, bool ModeOnly)
  {
    skin = Skin;
    text = Skins.TextSkin()->DisplayReplay(ModeOnly);
  }
  virtual ~cCursesDisplayReplay()
  {
    skin->marks = NULL;
    delete text;
  }
  virtual void SetMarks(const cMarks *Marks)
  {
    cSkinDisplayReplay::SetMarks(Marks);
    skin->marks = Marks;
    text->SetMarks(Marks);
  }
  virtual void SetTitle(const char *Title) { text->SetTitle(Title); }
  virtual void SetMode(bool Play, bool Forward, int Speed) { text->SetMode(Play, Forward, Speed); }
  virtual void SetProgress(int Current, int Total) { text->SetProgress(Current, Total); }
  virtual void SetCurrent(const char *Current) { text->SetCurrent(Current); }
  virtual void SetTotal(const char *Total) { text->SetTotal(Total); }
  virtual void SetJump(const char *Jump) { text->SetJump(Jump); }
  virtual void SetMessage(eMessageType Type, const char *Text) { text->SetMessage(Type, Text); }
};

// --- cSkinCurses ---------------------------------------------------------------

cSkinCurses::cSkinCurses(void)
  : cSkin("curses")
{
  marks = NULL;
}

cSkinDisplayMenu *cSkinCurses::DisplayMenu(void)
{
  return new cCursesDisplayMenu;
}

cSkinDisplayReplay *cSkinCurses::DisplayReplay(bool ModeOnly)
{
  return new cCursesDisplayReplay(this, ModeOnly);
}

cSkinDisplayMessage *cSkinCurses::DisplayMessage(void)
{
  return new cCursesDisplayMessage;
}

// A text page's lines, broken where they are wider than Width.
static std::vector<std::string> Wrap(const std::string &Text, int Width)
{
  std::vector<std::string> lines;
  std::istringstream in(Text);
  for (std::string line; std::getline(in, line); ) {
      do {
        size_t cut = 0;
        for (int chars = 0; cut < line.size() && chars < Width; chars++)
            cut += Utf8CharLen(line.c_str() + cut);
        if (cut < line.size()) {
           size_t blank = line.rfind(' ', cut);
           if (blank != std::string::npos && blank > 0)
              cut = blank + 1;
        }
        lines.push_back(line.substr(0, cut));
        line.erase(0, cut);
      } while (!line.empty());
  }
  return lines;
}

void cSkinCurses::DrawMenu(const cTextScreen &Screen, int Top, int Bottom, int Width)
{
  static const int buttonColours[] = { ccRed, ccGreen, ccYellow, ccBlue };
  int row = Top;
  Put(row++, 0, " " + Screen.title, Width, ccTitle, A_BOLD);
  for (size_t i = 0; i < Screen.items.size() && row < Bottom; i++) {
      bool current = int(i) == Screen.current;
      Put(row++, 0, (current ? " > " : "   ") + Screen.Expand(Screen.items[i]), Width, current ? ccCurrent : ccNormal, current ? A_BOLD : A_NORMAL);
  }
  for (const auto &line : Wrap(Screen.text, Width - 2)) {
      if (row >= Bottom)
         break;
      Put(row++, 0, " " + line, Width, ccNormal);
  }
  if (row < Bottom) {
     int w = Width / 4;
     for (int i = 0; i < 4; i++) {
         const std::string &b = Screen.buttons[i];
         int pad = b.empty() ? 0 : std::max(0, (w - 1 - int(b.size())) / 2);
         Put(Bottom, i * w, std::string(pad, ' ') + b, w - 1, b.empty() ? ccNormal : buttonColours[i]);
     }
  }
}

static std::string ModeSymbol(bool Play, bool Forward, int Speed)
{
  if (Speed < 0)
     return Play ? " >  play" : " || pause";
  std::string s = Play ? (Forward ? " >> " : " << ") : (Forward ? " |> " : " <| ");
  return s + (Play ? "fast " : "slow ") + (Speed > 0 ? std::to_string(Speed) : "");
}

std::string MarkRow(const cMarks &Marks, int Total, int Width)
{
  std::string row(Width > 0 ? Width : 0, ' ');
  if (Width <= 0)
     return row;
  if (Total <= 0)
     Total = 1;
  for (const cMark *m = Marks.First(); m; m = Marks.Next(m)) {
      int x = int(std::max(int64_t(0), std::min(int64_t(Width - 1), int64_t(m->Position()) * Width / Total)));
      char c = m->Index() % 2 ? ']' : '[';
      // a track's end and the next one's start usually share a column: show both
      row[x] = row[x] == ' ' || row[x] == c ? c : '|';
  }
  return row;
}

void cSkinCurses::DrawReplay(const cTextScreen &Screen, int Top, int Width)
{
  if (!Screen.modeOnly) {
     Put(Top, 0, " " + Screen.replayTitle, Width, ccTitle, A_BOLD);
     std::string left = " " + Screen.currentTime + " ";
     std::string right = " " + Screen.totalTime + " ";
     int barWidth = Width - int(left.size() + right.size());
     Put(Top + 1, 0, left, int(left.size()), ccNormal);
     Put(Top + 1, Width - int(right.size()), right, int(right.size()), ccNormal);
     if (barWidth > 2) {
        int total = Screen.progressTotal > 0 ? Screen.progressTotal : 1;
        int played = int(int64_t(Screen.progressCurrent) * barWidth / total);
        for (int x = 0; x < barWidth; x++)
            Put(Top + 1, int(left.size()) + x, x < played ? "=" : "-", 1, x < played ? ccPlayed : ccNormal);
        if (marks) {
           std::string row = MarkRow(*marks, total, barWidth);
           for (int x = 0; x < barWidth; x++) {
               if (row[x] != ' ')
                  Put(Top + 1, int(left.size()) + x, std::string(1, row[x]), 1, ccMark, A_BOLD);
           }
        }
     }
  }
  std::string mode = ModeSymbol(Screen.play, Screen.forward, Screen.speed);
  if (!Screen.jump.empty())
     mode += "   " + Screen.jump;
  Put(Top + 2, 0, mode, Width, ccNormal, A_BOLD);
}

void cSkinCurses::DrawMessage(const cTextScreen &Screen, int Row, int Width)
{
  if (!Screen.message) {
     Put(Row, 0, "", Width, ccNormal);
     return;
  }
  static const int colours[] = { ccNormal, ccInfo, ccWarning, ccError };
  Put(Row, 0, std::string(" ") + MessageTypeName(Screen.messageType) + ": " + Screen.messageText, Width, colours[Screen.messageType], A_BOLD);
}

void cSkinCurses::Draw(int Top, int Height, int Width)
{
  const cTextScreen &screen = Skins.TextSkin()->Screen();
  for (int r = Top; r < Top + Height; r++)
      Put(r, 0, "", Width, ccNormal);
  int messageRow = Top + Height - 1;
  int bottom = messageRow - 1; // the last row the menu may use
  if (screen.replay) {
     bottom -= 3;
     DrawReplay(screen, messageRow - 3, Width);
  }
  if (screen.menu)
     DrawMenu(screen, Top, bottom, Width);
  DrawMessage(screen, messageRow, Width);
}

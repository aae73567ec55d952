// The skin of interactive use. Its displays fill the text skin's screen, the one model
// of what the host shows (so scripts and the terminal never disagree), and the skin
// paints that model into a terminal with ncurses: menus with their colour keys, the
// replay display with its progress bar and marks, and messages in their colours.
#ifndef __VIMORA_NCURSESSKIN_H
#define __VIMORA_NCURSESSKIN_H

#include <string>
#include <vdr/skins.h>

// Colour pairs of the terminal; InitCursesColours() sets them up after start_color().
enum eCursesColour {
  ccNormal = 0,
  ccTitle = 1,
  ccCurrent,
  ccRed,
  ccGreen,
  ccYellow,
  ccBlue,
  ccStatus,
  ccInfo,
  ccWarning,
  ccError,
  ccPlayed,
  ccMark,
};

void InitCursesColours(void);

// Text cut or padded to Width characters (UTF-8 aware).
std::string FitText(const std::string &Text, int Width);

class cMarks;
// The row under the progress bar: '[' at each start mark, ']' at each end mark, '|' where
// an end and a start fall into one column; Total frames over Width columns.
std::string MarkRow(const cMarks &Marks, int Total, int Width);

class cSkinCurses : public cSkin {
  friend class cCursesDisplayReplay;

private:
  const cMarks *marks; // of the open replay display
  void DrawMenu(const cTextScreen &Screen, int Top, int Bottom, int Width);
  void DrawReplay(const cTextScreen &Screen, int Top, int Width);
  void DrawMessage(const cTextScreen &Screen, int Row, int Width);

public:
  cSkinCurses(void);
  virtual const char *Description(void) { return "Terminal (ncurses)"; }
  virtual cSkinDisplayMenu *DisplayMenu(void);
  virtual cSkinDisplayReplay *DisplayReplay(bool ModeOnly);
  virtual cSkinDisplayMessage *DisplayMessage(void);
  // Paints what the host shows into the terminal's rows Top to Top + Height - 1.
  void Draw(int Top, int Height, int Width);
};

#endif

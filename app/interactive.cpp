#include "interactive.h"

#include <chrono>
#include <curses.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/remote.h>
#include <vdr/skins.h>

#include "keyboard.h"
#include "ncursesskin.h"
#include "statusline.h"

static const double Speeds[] = { 1, 2, 5, 10, 30, 60, 120, 300, 600, 1200, 0 };
static const int PaintIntervalMs = 40;  // real time
static const int RoundRealMs = 40;       // a round of the main loop, real time
static const int MaxRoundMs = 1000;      // host time per round when the clock runs at max

static const char *HelpLine = " Enter=Ok Esc=Back F1-F4/rgyb=colours m=Menu i=Info space=Play/Pause </> s=Stop +/-=speed q=quit ?=keys";

double NextSpeed(double Speed, bool Faster)
{
  // max (0) is the fastest of all
  auto rank = [](double s) { return s > 0 ? s : 1e300; };
  double r = rank(Speed);
  if (Faster) {
     for (double s : Speeds)
         if (rank(s) > r)
            return s;
     return 0;
  }
  double slower = Speeds[0];
  for (double s : Speeds)
      if (rank(s) < r)
         slower = s;
  return slower;
}

namespace {

// The terminal in ncurses mode for as long as the object lives. What the host and the
// conversion scripts write to stderr goes to the host log meanwhile.
class cTerminal {
private:
  SCREEN *screen;
  int savedStderr;
  cSkinCurses *skin;
  bool showKeyMap;
  int rows, columns;
  void DrawKeyMap(int Top, int Height, int Width);

public:
  cTerminal(const char *LogFile);
  ~cTerminal();
  bool Ok(void) const { return screen != NULL; }
  void ToggleKeyMap(void) { showKeyMap = !showKeyMap; }
  void HideKeyMap(void) { showKeyMap = false; }
  void Redraw(void) { clearok(curscr, TRUE); }
  void Paint(void);
};

cTerminal::cTerminal(const char *LogFile)
{
  skin = NULL;
  savedStderr = -1;
  setlocale(LC_ALL, "");
  screen = newterm(NULL, stdout, stdin);
  if (!screen) {
     fprintf(stderr, "vimora-host: cannot use the terminal (TERM=%s)\n", getenv("TERM") ? getenv("TERM") : "");
     return;
  }
  savedStderr = dup(STDERR_FILENO);
  int log = open(LogFile, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (log >= 0) {
     dup2(log, STDERR_FILENO);
     close(log);
  }
  raw();
  noecho();
  nonl();
  curs_set(0);
  InitCursesColours();
  skin = new cSkinCurses;
  Skins.Add(skin);
  Skins.SetCurrent(skin->Name());
  showKeyMap = false;
  rows = columns = 0;
}

cTerminal::~cTerminal()
{
  if (!screen)
     return;
  // displays opened from now on are the text skin's; the curses skin stays listed
  Skins.SetCurrent("text");
  endwin();
  delscreen(screen);
  if (savedStderr >= 0) {
     dup2(savedStderr, STDERR_FILENO);
     close(savedStderr);
  }
}

void cTerminal::DrawKeyMap(int Top, int Height, int Width)
{
  attron(COLOR_PAIR(ccTitle) | A_BOLD);
  mvaddstr(Top, 0, FitText(" Keys", Width).c_str());
  attroff(COLOR_PAIR(ccTitle) | A_BOLD);
  int row = Top + 1;
  for (int i = 0; KeyMapText[i] && row < Top + Height; i++)
      mvaddstr(row++, 0, FitText(std::string("   ") + KeyMapText[i], Width).c_str());
  while (row < Top + Height)
    mvaddstr(row++, 0, FitText("", Width).c_str());
}

void cTerminal::Paint(void)
{
  int r, c;
  getmaxyx(stdscr, r, c);
  struct winsize ws;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0 && (ws.ws_row != r || ws.ws_col != c)) {
     resizeterm(ws.ws_row, ws.ws_col);
     r = ws.ws_row;
     c = ws.ws_col;
  }
  if (r != rows || c != columns) {
     rows = r;
     columns = c;
     clear();
  }
  if (columns < MinTerminalColumns || rows < MinTerminalRows) {
     erase();
     mvprintw(0, 0, "Terminal too small:");
     mvprintw(1, 0, "%dx%d, needs %dx%d", columns, rows, MinTerminalColumns, MinTerminalRows);
     mvprintw(2, 0, "q quits");
     refresh();
     return;
  }
  attron(COLOR_PAIR(ccStatus));
  mvaddstr(0, 0, FitText(" vimora-host  " + StatusLine(), columns).c_str());
  attroff(COLOR_PAIR(ccStatus));
  if (showKeyMap)
     DrawKeyMap(1, rows - 2, columns);
  else
     skin->Draw(1, rows - 2, columns);
  attron(A_DIM);
  mvaddstr(rows - 1, 0, FitText(HelpLine, columns).c_str());
  attroff(A_DIM);
  refresh();
}

uint64_t RealMs(void)
{
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

// Reads keys and paints the terminal until the user quits.
static void Interact(cSession &Session, cTerminal &Terminal)
{
  cKeyboard keyboard(STDIN_FILENO);
  keyboard.Start();
  cRemote::Put(kMenu);
  bool quit = false, warned = false;
  uint64_t lastPaint = 0;
  while (!quit) {
    bool changed = false;
    for (eTerminalCommand c : keyboard.Commands()) {
        changed = true;
        switch (c) {
          case tcKey:
            Terminal.HideKeyMap();
            warned = false;
            break;
          case tcHelp:
            Terminal.ToggleKeyMap();
            break;
          case tcFaster:
          case tcSlower:
            SetClockSpeed(NextSpeed(cClock::Manual() ? 0 : cClock::Speed(), c == tcFaster));
            break;
          case tcRedraw:
            Terminal.Redraw();
            break;
          case tcQuit: {
            cString busy = cPluginManager::Active();
            if (isempty(busy) || warned)
               quit = true;
            else {
               Skins.Message(mtWarning, cString::sprintf("%s - q again quits", *busy));
               warned = true;
            }
            break;
          }
        }
    }
    if (quit)
       break;
    int waitMs = cClock::Manual() ? MaxRoundMs : std::max(1, std::min(60000, int(RoundRealMs * cClock::Speed())));
    if (Session.Step(waitMs) != kNone)
       changed = true;
    uint64_t now = RealMs();
    if (changed || now - lastPaint >= uint64_t(PaintIntervalMs)) {
       Terminal.Paint();
       lastPaint = now;
    }
  }
  keyboard.Stop();
}

int RunInteractive(const tHostOptions &Options, double Speed)
{
  cSession session(Options);
  if (!session.Start())
     return 1;
  SetClockSpeed(Speed);
  bool ok;
  {
    cTerminal terminal(AddDirectory(Options.configDir.c_str(), "vimora-host.log"));
    ok = terminal.Ok();
    if (ok)
       Interact(session, terminal);
  }
  session.Stop();
  return ok ? 0 : 1;
}

// What the terminal skin paints that is not plain text: text cut to the terminal's width
// by characters, not bytes, the marks under the progress bar, and menu columns.
#include <curses.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <vdr/osdbase.h>
#include <vdr/recording.h>

#include "ncursesskin.h"
#include "testenv.h"

TEST(FitText, CutsAndPadsByCharacters)
{
  EXPECT_EQ(FitText("abc", 5), "abc  ");
  EXPECT_EQ(FitText("abcdef", 4), "abcd");
  // "Mötley" is seven bytes and six characters
  EXPECT_EQ(FitText("M\xc3\xb6tley Cr\xc3\xbc" "e", 6), "M\xc3\xb6tley");
  EXPECT_EQ(FitText("", 0), "");
}

TEST(MarkRow, StartsEndsAndSharedColumns)
{
  cMarks marks;
  for (int position : { 0, 100, 101, 200, 250, 399 })
      marks.Add(position);
  // 400 frames over 8 columns: 50 frames a column
  EXPECT_EQ(MarkRow(marks, 400, 8), "[ | ][ ]");
  // one column for everything: starts and ends meet
  EXPECT_EQ(MarkRow(marks, 400, 1), "|");
  // marks beyond the end (a recording still growing) stay on the last column
  cMarks late;
  late.Add(1000);
  EXPECT_EQ(MarkRow(late, 400, 4), "   [");
  EXPECT_EQ(MarkRow(late, 0, 3), "  [");
  EXPECT_EQ(MarkRow(late, 400, 0), "");
}

class cCursesSkin : public cTestEnv {};

TEST_F(cCursesSkin, MenuColumnsStayAtTheirTabStops)
{
  const int Columns = 60, Rows = 8;
  setenv("COLUMNS", std::to_string(Columns).c_str(), 1);
  setenv("LINES", std::to_string(Rows).c_str(), 1);
  FILE *out = fopen("/dev/null", "w");
  FILE *in = fopen("/dev/null", "r");
  ASSERT_TRUE(out && in);
  SCREEN *screen = newterm("xterm", out, in);
  ASSERT_TRUE(screen) << "no terminfo entry for xterm";
  // the tracks menu's columns: 2, 18 and 21 characters, then the year
  cOsdMenu m("Tracks", 2, 18, 21);
  m.Add(new cOsdItem(">\tHollow Pine Collective\tWeather Vane\t1979"));
  m.Add(new cOsdItem("\tDanny Brill & the Lowlights\tBack Roads, Slow Trains\t1972"));
  m.Display();
  cSkinCurses skin;
  skin.Draw(0, Rows, Columns);
  std::vector<std::string> rows;
  for (int r = 0; r < 3; r++) {
      char buf[Columns + 1] = "";
      mvinnstr(r, 0, buf, Columns);
      std::string row = buf;
      rows.push_back(row.substr(0, row.find_last_not_of(' ') + 1));
  }
  endwin();
  delscreen(screen);
  fclose(out);
  fclose(in);
  EXPECT_EQ(rows[0], " Tracks");
  EXPECT_EQ(rows[1], " > > Hollow Pine CollecWeather Vane         1979");
  EXPECT_EQ(rows[2], "     Danny Brill & the Back Roads, Slow Trai1972");
}

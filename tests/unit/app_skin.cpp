// What the terminal skin paints that is not plain text: text cut to the terminal's width
// by characters, not bytes, and the marks under the progress bar.
#include <gtest/gtest.h>
#include <vdr/recording.h>

#include "ncursesskin.h"

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

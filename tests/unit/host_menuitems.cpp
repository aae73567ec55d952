// The edit items, setup pages and text pages.
#include <vdr/config.h>
#include <vdr/menuitems.h>
#include <vdr/skins.h>

#include "testenv.h"

class cHostMenuItems : public cTestEnv {};

namespace {

eOSState Keys(cOsdItem &Item, std::initializer_list<eKeys> Keys)
{
  eOSState state = osUnknown;
  for (eKeys k : Keys)
      state = Item.ProcessKey(k);
  return state;
}

} // namespace

TEST_F(cHostMenuItems, IntItemTypesStepsAndWrapsWithinItsLimits)
{
  int v = 3;
  cMenuEditIntItem item("Offset", &v, -99, 99);
  EXPECT_STREQ(item.Text(), "Offset:\t3");
  Keys(item, { k4, k2 });
  EXPECT_EQ(v, 42); // the first digit starts a new number
  Keys(item, { k7 });
  EXPECT_EQ(v, 7); // 427 is too big: the digit starts over
  Keys(item, { kLeft });
  EXPECT_EQ(v, 6);
  v = -98;
  item.Set();
  Keys(item, { kLeft });
  EXPECT_EQ(v, -99);
  EXPECT_EQ(Keys(item, { kLeft }), osContinue);
  EXPECT_EQ(v, 99); // wraps round
  Keys(item, { kRight });
  EXPECT_EQ(v, -99);
  Keys(item, { eKeys(kLeft | k_Repeat) });
  EXPECT_EQ(v, -99); // a held key stops at the end
  Keys(item, { k5 });
  EXPECT_EQ(v, -5); // the sign stays
  EXPECT_STREQ(item.Text(), "Offset:\t-5");
  EXPECT_EQ(item.ProcessKey(kOk), osUnknown);
  EXPECT_EQ(item.ProcessKey(kUp), osUnknown);
}

TEST_F(cHostMenuItems, IntItemShowsExtremeTextsAndMendsStoredValuesOnlyWhenEdited)
{
  int v = 0;
  cMenuEditIntItem item("Wait", &v, 0, 10, "never", "always");
  EXPECT_STREQ(item.Text(), "Wait:\tnever");
  Keys(item, { kLeft });
  EXPECT_STREQ(item.Text(), "Wait:\talways");
  int stored = 500;
  cMenuEditIntItem big("Big", &stored, 0, 99);
  EXPECT_EQ(stored, 500); // shown as it is
  EXPECT_STREQ(big.Text(), "Big:\t500");
  Keys(big, { kLeft });
  EXPECT_EQ(stored, 99);
}

TEST_F(cHostMenuItems, BoolItemToggles)
{
  int v = 0;
  cMenuEditBoolItem item("Hide", &v);
  EXPECT_STREQ(item.Text(), "Hide:\tno");
  Keys(item, { kRight });
  EXPECT_EQ(v, 1);
  EXPECT_STREQ(item.Text(), "Hide:\tyes");
  Keys(item, { kRight });
  EXPECT_EQ(v, 0);
  Keys(item, { kLeft });
  EXPECT_EQ(v, 1);
  cMenuEditBoolItem own("Own", &v, "off", "on");
  EXPECT_STREQ(own.Text(), "Own:\ton");
}

TEST_F(cHostMenuItems, StraItemChoosesAmongItsTexts)
{
  const char *formats[] = { "MP3", "OGG" };
  int v = 0;
  cMenuEditStraItem item("Audio", &v, 2, formats);
  EXPECT_STREQ(item.Text(), "Audio:\tMP3");
  Keys(item, { kRight });
  EXPECT_EQ(v, 1);
  EXPECT_STREQ(item.Text(), "Audio:\tOGG");
  Keys(item, { kRight });
  EXPECT_EQ(v, 0);
  int stored = 7;
  cMenuEditStraItem odd("Audio", &stored, 2, formats);
  EXPECT_STREQ(odd.Text(), "Audio:\t7"); // never read past the choices
  Keys(odd, { kRight });
  EXPECT_EQ(stored, 0);
}

TEST_F(cHostMenuItems, StrItemEditsCharacterByCharacter)
{
  char s[8] = "ab";
  cMenuEditStrItem item("Name", s, sizeof(s), " abcä");
  EXPECT_EQ(item.ProcessKey(kOk), osUnknown); // not editing: ok is the menu's
  EXPECT_EQ(item.ProcessKey(kRight), osContinue);
  EXPECT_TRUE(item.InEditMode());
  EXPECT_STREQ(item.Text(), "Name:\t[a]b");
  Keys(item, { kUp, kUp, kUp });
  EXPECT_STREQ(s, "äb"); // UTF-8 characters step as one
  Keys(item, { kUp });
  EXPECT_STREQ(s, " b");
  Keys(item, { kDown, kRed });
  EXPECT_STREQ(s, "Äb");
  Keys(item, { kUp });
  EXPECT_STREQ(s, " b"); // wraps to the first
  Keys(item, { kDown, kDown, kRed });
  EXPECT_STREQ(s, "Cb"); // upper case stays while stepping
  Keys(item, { kRight, kRight, kUp, kUp });
  EXPECT_STREQ(s, "Cbb");
  Keys(item, { kLeft, kGreen });
  EXPECT_STREQ(s, "C bb");
  Keys(item, { kYellow, kYellow });
  EXPECT_STREQ(s, "Cb");
  Keys(item, { kRight, kRight });
  EXPECT_STREQ(item.Text(), "Name:\tCb[ ]");
  EXPECT_EQ(item.ProcessKey(kOk), osContinue);
  EXPECT_FALSE(item.InEditMode());
  EXPECT_STREQ(s, "Cb"); // trailing blanks go
  EXPECT_STREQ(item.Text(), "Name:\tCb");
}

TEST_F(cHostMenuItems, StrItemNeverOverrunsItsBuffer)
{
  char s[5] = "abc";
  cMenuEditStrItem item("Short", s, sizeof(s), "aä");
  Keys(item, { kRight, kRight, kRight, kRight, kRight, kRight });
  EXPECT_STREQ(s, "abc "); // 4 bytes and the terminator
  Keys(item, { kGreen });
  EXPECT_STREQ(s, "abc ");
  Keys(item, { kUp });
  EXPECT_STREQ(s, "abca");
  Keys(item, { kUp });
  EXPECT_STREQ(s, "abca"); // "ä" needs two bytes: no room, so it is skipped
  Keys(item, { kLeft, kLeft, kLeft, kUp });
  EXPECT_STREQ(s, "abca"); // nor in place of a one-byte character in a full buffer
  Keys(item, { kYellow, kDown });
  EXPECT_STREQ(s, "äca");
}

namespace {

int stored = -1;

class cTestPage : public cMenuSetupPage {
public:
  int value = 5;
  cTestPage(void) { Add(new cMenuEditIntItem("Value", &value, 0, 9)); }
  void Store(void) override { stored = value; }
};

} // namespace

TEST_F(cHostMenuItems, SetupPageStoresOnOkAndDiscardsOnBack)
{
  cTestPage kept;
  kept.ProcessKey(kRight);
  EXPECT_EQ(kept.ProcessKey(kBack), osBack);
  EXPECT_EQ(stored, -1);
  cTestPage page;
  page.ProcessKey(k8);
  EXPECT_EQ(page.ProcessKey(kOk), osBack);
  EXPECT_EQ(stored, 8);
}

TEST_F(cHostMenuItems, TextPageShowsItsTextAndClosesOnOk)
{
  cMenuText page("Info", "Line one\nLine two\n");
  page.Display();
  const cTextScreen &screen = Skins.TextSkin()->Screen();
  EXPECT_EQ(screen.title, "Info");
  EXPECT_EQ(screen.text, "Line one\nLine two\n");
  EXPECT_TRUE(screen.items.empty());
  EXPECT_EQ(page.ProcessKey(kDown), osContinue);
  EXPECT_EQ(page.ProcessKey(kOk), osBack);
  EXPECT_EQ(page.ProcessKey(kBack), osBack);
}

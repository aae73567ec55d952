// The host's menus: cursor, paging, hotkeys, submenus, help keys, and what the
// text skin makes of them.
#include <vdr/osdbase.h>
#include <vdr/skins.h>

#include "testenv.h"

class cHostMenus : public cTestEnv {
protected:
  const cTextScreen &Screen(void) { return Skins.TextSkin()->Screen(); }
  std::string CurrentText(void) { return Screen().current >= 0 ? Screen().items[Screen().current] : ""; }
};

namespace {

// Remembers on which line ok arrived.
class cOkMenu : public cOsdMenu {
public:
  int okOn = -1;
  cOkMenu(const char *Title) : cOsdMenu(Title) {}
  eOSState ProcessKey(eKeys Key) override
  {
    eOSState state = cOsdMenu::ProcessKey(Key);
    if (state == osUnknown && Key == kOk) {
       okOn = Current();
       return osEnd;
    }
    return state;
  }
};

cOsdMenu *NumberedMenu(int Count, int Unselectable = -1)
{
  cOsdMenu *m = new cOsdMenu("Numbers");
  for (int i = 0; i < Count; i++)
      m->Add(new cOsdItem(cString::sprintf("Item %d", i), osUnknown, i != Unselectable));
  return m;
}

} // namespace

TEST_F(cHostMenus, CursorSkipsUnselectableLinesAndStopsAtTheEnds)
{
  cOsdMenu *m = NumberedMenu(5, 2);
  m->Display();
  EXPECT_EQ(CurrentText(), "Item 0");
  EXPECT_EQ(m->ProcessKey(kUp), osContinue);
  EXPECT_EQ(m->Current(), 0);
  m->ProcessKey(kDown);
  m->ProcessKey(kDown);
  EXPECT_EQ(m->Current(), 3);
  EXPECT_EQ(CurrentText(), "Item 3");
  m->ProcessKey(eKeys(kDown | k_Repeat));
  m->ProcessKey(kDown);
  EXPECT_EQ(m->Current(), 4);
  m->ProcessKey(kUp);
  m->ProcessKey(kUp);
  EXPECT_EQ(m->Current(), 1);
  EXPECT_EQ(m->ProcessKey(kBack), osBack);
  EXPECT_EQ(m->ProcessKey(kRed), osUnknown);
  delete m;
  EXPECT_FALSE(Screen().menu);
}

TEST_F(cHostMenus, LeftAndRightTurnPages)
{
  // the text skin shows 12 lines
  cOsdMenu *m = NumberedMenu(30);
  m->Display();
  ASSERT_EQ(Screen().items.size(), 12u);
  m->ProcessKey(kRight);
  EXPECT_EQ(m->Current(), 12);
  EXPECT_EQ(Screen().items.front(), "Item 12");
  EXPECT_EQ(CurrentText(), "Item 12");
  m->ProcessKey(kRight);
  m->ProcessKey(kRight);
  EXPECT_EQ(m->Current(), 29);
  EXPECT_EQ(Screen().items.back(), "Item 29");
  EXPECT_EQ(Screen().items.size(), 12u);
  m->ProcessKey(kLeft);
  EXPECT_EQ(m->Current(), 17);
  EXPECT_EQ(CurrentText(), "Item 17");
  m->ProcessKey(kLeft);
  m->ProcessKey(kLeft);
  EXPECT_EQ(m->Current(), 0);
  EXPECT_EQ(Screen().items.front(), "Item 0");
  delete m;
}

TEST_F(cHostMenus, HotkeysNumberLinesAndActAsOkOnThem)
{
  cOkMenu m("Hot");
  m.SetHasHotkeys();
  m.Add(new cOsdItem(m.hk("Alpha")));
  m.Add(new cOsdItem(m.hk("Beta")));
  m.Add(new cOsdItem(m.hk("Gamma")));
  EXPECT_STREQ(m.Get(1)->Text(), "2 Beta");
  EXPECT_EQ(m.ProcessKey(k3), osEnd);
  EXPECT_EQ(m.okOn, 2);
  EXPECT_EQ(m.ProcessKey(k7), osUnknown);
  EXPECT_EQ(m.Current(), 2);

  cOkMenu plain("Plain");
  plain.Add(new cOsdItem("1 looks like a hotkey"));
  EXPECT_EQ(plain.ProcessKey(k1), osUnknown); // digits belong to menus without hotkeys
  EXPECT_EQ(plain.okOn, -1);
}

TEST_F(cHostMenus, SubMenuTakesTheKeysUntilItGoesBack)
{
  cOsdMenu *parent = NumberedMenu(3);
  parent->Display();
  parent->ProcessKey(kDown);
  cOsdMenu *sub = NumberedMenu(4);
  sub->SetTitle("Sub");
  EXPECT_EQ(parent->AddSubMenu(sub), osContinue);
  EXPECT_EQ(Screen().title, "Sub");
  parent->ProcessKey(kDown);
  parent->ProcessKey(kDown);
  EXPECT_EQ(sub->Current(), 2);
  EXPECT_EQ(parent->Current(), 1);
  EXPECT_EQ(parent->ProcessKey(kBack), osContinue);
  EXPECT_FALSE(parent->HasSubMenu());
  EXPECT_EQ(Screen().title, "Numbers");
  EXPECT_EQ(CurrentText(), "Item 1");
  EXPECT_EQ(parent->ProcessKey(kBack), osBack);
  delete parent;
}

TEST_F(cHostMenus, HelpKeysDropTheirContextWord)
{
  cOsdMenu m("Help");
  m.SetHelp("Button$Songs", "Mark", NULL, "Two words$kept");
  m.Display();
  EXPECT_EQ(Screen().buttons[0], "Songs");
  EXPECT_EQ(Screen().buttons[1], "Mark");
  EXPECT_EQ(Screen().buttons[2], "");
  EXPECT_EQ(Screen().buttons[3], "Two words$kept");
  m.SetHelp(NULL);
  m.Display();
  EXPECT_EQ(Screen().buttons[0], "");
}

TEST_F(cHostMenus, DeletingLinesKeepsACurrentLine)
{
  cOsdMenu *m = NumberedMenu(4);
  m->SetCurrent(m->Get(3));
  m->Del(m->Current());
  EXPECT_EQ(m->Current(), 2); // the last line went: its predecessor
  m->Del(0);
  EXPECT_EQ(m->Current(), 1); // still "Item 2"
  EXPECT_STREQ(m->Get(m->Current())->Text(), "Item 2");
  m->Del(7); // no such line
  EXPECT_EQ(m->Count(), 2);
  m->Clear();
  EXPECT_EQ(m->Current(), -1);
  EXPECT_EQ(m->ProcessKey(kDown), osContinue);
  EXPECT_EQ(m->ProcessKey(kRight), osContinue);
  delete m;
}

TEST_F(cHostMenus, RefreshCurrentRebuildsTheLine)
{
  struct cCounter : public cOsdItem {
    int n = 0;
    void Set(void) override { SetText(cString::sprintf("count %d", ++n)); }
  };
  cOsdMenu m("Refresh");
  cCounter *c = new cCounter;
  m.Add(c);
  m.RefreshCurrent();
  m.Display();
  EXPECT_EQ(CurrentText(), "count 1");
}

TEST_F(cHostMenus, TextSkinRendersMenuReplayAndMessage)
{
  cOsdMenu m("Recordings", 4, 6);
  m.Add(new cOsdItem("1\tAbc\tx"));
  m.Add(new cOsdItem("22\tü\ty"));
  m.SetHelp("Red", NULL, NULL, "Blue");
  m.Display();
  m.ProcessKey(kDown);
  cSkinDisplayReplay *replay = Skins.Current()->DisplayReplay(false);
  replay->SetTitle("A - B (1987)");
  replay->SetCurrent("0:00:30");
  replay->SetTotal("0:01:00");
  replay->SetProgress(750, 1500);
  replay->SetMode(true, true, 2);
  replay->SetJump("Jump: --:-1");
  Skins.Message(mtError, "Broken!");
  EXPECT_EQ(Screen().Render(),
            "== Recordings ==\n"
            "  1   Abc   x\n"
            "> 22  ü     y\n"
            "(red) Red  (blue) Blue\n"
            "-- A - B (1987) --\n"
            "0:00:30 / 0:01:00 [##########..........]\n"
            "mode: fast forward 2\n"
            "Jump: --:-1\n"
            "error: Broken!\n");
  delete replay;
  EXPECT_FALSE(Screen().replay);
  cSkinDisplayReplay *mode = Skins.Current()->DisplayReplay(true);
  mode->SetMode(false, true, -1);
  EXPECT_NE(Screen().Render().find("mode: pause\n"), std::string::npos);
  EXPECT_EQ(Screen().Render().find("--"), std::string::npos);
  EXPECT_EQ(cOsd::Osds(), 3); // menu, replay, message
  delete mode;
}

TEST_F(cHostMenus, TextSkinCutsAColumnAtTheNextTabStopOnACharacter)
{
  // the tracks menu's columns: 2, 18 and 21 characters, then the year
  cOsdMenu m("Tracks", 2, 18, 21);
  m.Add(new cOsdItem(">\tHollow Pine Collective\tWeather Vane\t1979"));
  m.Add(new cOsdItem("\tDanny Brill & the Lowlights\tBack Roads, Slow Trains\t1972"));
  // the 18th character of the artist is two bytes, the 19th too
  m.Add(new cOsdItem("\tSeventeen Letters\xc3\xbc\xc3\xb6\tEl Ni\xc3\xb1o\t2003"));
  m.Add(new cOsdItem("\tShort\tExactly twenty-one ch\t1990"));
  m.Display();
  EXPECT_EQ(Screen().Render(),
            "== Tracks ==\n"
            "> > Hollow Pine CollecWeather Vane         1979\n"
            "    Danny Brill & the Back Roads, Slow Trai1972\n"
            "    Seventeen Letters\xc3\xbc" "El Ni\xc3\xb1o              2003\n"
            "    Short             Exactly twenty-one ch1990\n");
}

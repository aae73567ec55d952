// The main loop with a test plug-in: main menu, plug-in menus, setup pages, a
// running control, its info page and its end.
#include <vdr/config.h>
#include <vdr/player.h>
#include <vdr/remote.h>

#include "hostenv.h"

class cHostMainLoop : public cHostEnv {};

TEST_F(cHostMainLoop, MainMenuListsPluginEntriesAndSetup)
{
  ASSERT_TRUE(StartPlugins(VIMORA_TEST_PLUGIN_DIR, { "hosttest" }));
  Press({ kMenu });
  EXPECT_EQ(Screen().title, "Main Menu");
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ "1 Host test", "2 Setup" }));
  Press({ kMenu });
  EXPECT_FALSE(Screen().menu);
  EXPECT_EQ(loop->Menu(), nullptr);
}

TEST_F(cHostMainLoop, PluginWithoutEntryIsNotListed)
{
  ASSERT_TRUE(StartPlugins(VIMORA_TEST_PLUGIN_DIR, { "hosttest --noentry" }));
  Press({ kMenu });
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ "1 Setup" }));
}

TEST_F(cHostMainLoop, PluginMenuOpensFromTheMainMenuAndBackReturns)
{
  ASSERT_TRUE(StartPlugins(VIMORA_TEST_PLUGIN_DIR, { "hosttest" }));
  Press({ kMenu, k1 });
  EXPECT_EQ(Screen().title, "Host test menu");
  Press({ kBack });
  EXPECT_EQ(Screen().title, "Main Menu");
  Press({ kOk });
  EXPECT_EQ(Screen().title, "Host test menu");
  Press({ kDown, kOk }); // "Stay" does nothing
  EXPECT_EQ(Screen().title, "Host test menu");
  Press({ kBack, kBack });
  EXPECT_EQ(loop->Menu(), nullptr);
}

TEST_F(cHostMainLoop, EndedControlCallsItsPluginMenuBack)
{
  ASSERT_TRUE(StartPlugins(VIMORA_TEST_PLUGIN_DIR, { "hosttest --length 5" }));
  Press({ kMenu, k1, kOk });
  EXPECT_EQ(loop->Menu(), nullptr);
  ASSERT_NE(cControl::Control(), nullptr);
  Press({ kOk });
  EXPECT_EQ(Screen().replayTitle, "Test replay");
  loop->Step(); // the control had one call without a key, when it was launched
  loop->Step();
  loop->Step();
  ASSERT_NE(cControl::Control(), nullptr);
  loop->Step();
  EXPECT_EQ(cControl::Control(), nullptr);
  EXPECT_FALSE(Screen().replay);
  EXPECT_EQ(loop->Menu(), nullptr);
  loop->Step(); // the plug-in call comes before any key
  ASSERT_NE(loop->Menu(), nullptr);
  EXPECT_EQ(Screen().title, "Host test menu");
  Press({ kBack });
  EXPECT_EQ(loop->Menu(), nullptr); // opened on its own, it has no parent
}

TEST_F(cHostMainLoop, InfoKeyShowsTheControlsPage)
{
  ASSERT_TRUE(StartPlugins(VIMORA_TEST_PLUGIN_DIR, { "hosttest --length 1000" }));
  Press({ kMenu, k1, kOk, kOk });
  EXPECT_TRUE(Screen().replay);
  Press({ kInfo });
  EXPECT_EQ(Screen().title, "Test info");
  EXPECT_EQ(Screen().text, "Played by the test control");
  EXPECT_FALSE(Screen().replay); // hidden under the page
  Press({ kOk });
  EXPECT_EQ(loop->Menu(), nullptr);
  EXPECT_NE(cControl::Control(), nullptr);
  Press({ kBlue });
  EXPECT_EQ(cControl::Control(), nullptr);
}

TEST_F(cHostMainLoop, BackFromTheControlEndsReplayAndShowsMenus)
{
  ASSERT_TRUE(StartPlugins(VIMORA_TEST_PLUGIN_DIR, { "hosttest --length 1000" }));
  Press({ kMenu, k1, kOk, kBack });
  EXPECT_EQ(cControl::Control(), nullptr);
  EXPECT_EQ(Screen().title, "Main Menu");
  loop->Step();
  EXPECT_EQ(Screen().title, "Host test menu");
}

TEST_F(cHostMainLoop, PluginSetupPageStoresOnOkOnly)
{
  ASSERT_TRUE(StartPlugins(VIMORA_TEST_PLUGIN_DIR, { "hosttest" }));
  std::string setupConf = configDir + "/setup.conf";
  Press({ kMenu, k2, k3 });
  EXPECT_EQ(Screen().title, "Setup - Plugins");
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ "1 hosttest (1) - host test" }));
  Press({ k1 });
  EXPECT_EQ(Screen().title, "Setup - Plugin 'hosttest'");
  Press({ k4 });
  EXPECT_EQ(CurrentLine(), std::string("Value:") + std::string(33 - 6, ' ') + "4");
  Press({ kBack });
  EXPECT_EQ(Screen().title, "Setup - Plugins");
  EXPECT_FALSE(FileExists(setupConf));
  Press({ kOk, k4, kOk });
  EXPECT_EQ(Screen().title, "Setup - Plugins");
  EXPECT_NE(ReadFile(setupConf).find("hosttest.value = 4\n"), std::string::npos);
}

TEST_F(cHostMainLoop, HostSetupChangesTheLanguageOfLaterMenus)
{
  Press({ kMenu, k1, k1 });
  EXPECT_EQ(Screen().title, "Setup - OSD");
  EXPECT_NE(CurrentLine().find("English"), std::string::npos);
  Press({ kRight, kOk, kMenu, kMenu });
  EXPECT_STREQ(::Setup.OSDLanguage, "de_DE");
  EXPECT_EQ(I18nCurrentLanguage(), 1);
  EXPECT_EQ(Screen().title, "Hauptmenü");
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ "1 Einstellungen" }));
  EXPECT_NE(ReadFile(configDir + "/setup.conf").find("OSDLanguage = de_DE\n"), std::string::npos);
}

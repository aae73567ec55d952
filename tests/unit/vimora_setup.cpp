// The plug-in's setup page, opened from the host's Setup menu, in several languages.
#include <vdr/config.h>
#include <vdr/i18n.h>

#include "hostenv.h"
#include "menu_setup.h"
#include "vimora_config.h"

class cVimoraSetup : public cHostEnv {
protected:
  std::string SetupConf(void) { return ReadFile(configDir + "/setup.conf"); }
  // Main menu, Setup, Plugins, vimora.
  void OpenPage(const char *Locale = I18N_DEFAULT_LOCALE)
  {
    I18nSetLocale(Locale);
    ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { "vimora" }));
    Press({ kMenu, k2, k3, k1 });
  }
  std::vector<std::string> Lines(void)
  {
    std::vector<std::string> lines;
    for (const auto &i : Screen().items)
        lines.push_back(i);
    return lines;
  }
};

TEST_F(cVimoraSetup, GermanPageReadsGerman)
{
  OpenPage("de_DE");
  EXPECT_EQ(Screen().title, "Einstellungen - Plugin 'vimora'");
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                       "Hauptmenüeintrag verstecken:\tnein",
                       "Schnittmarken-Format:\t%artist% - %title% (%year%)",
                       "Marken-Offset [s]:\t3",
                       "Vermeide Wiederholungen:\tja",
                       "Audio-Format:\tMP3",
                       "Songgrenzen suchen:\tnein",
                       "Suche nach Grenzen [s]:\t20",
                       "Nach der Aufnahme konvertieren:\tnein",
                     }));
  Press({ kBack, kBack, kBack });
  EXPECT_EQ(Screen().items.front(), "1 Vimora");
  EXPECT_STREQ(cPluginManager::GetPlugin("vimora")->Description(), "Ein Grabber für VimoraMusic");
}

TEST_F(cVimoraSetup, ItalianTranslatesOnlyTheHideEntry)
{
  OpenPage("it_IT");
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                       "Nascondi voce nel menù principale:\tno",
                       "Format for cut marks:\t%artist% - %title% (%year%)",
                       "Offset for marks [s]:\t3",
                       "Avoid repeats:\tyes",
                       "Audio format:\tMP3",
                       "Find song boundaries:\tno",
                       "Search for boundaries [s]:\t20",
                       "Convert after recording:\tno",
                     }));
}

TEST_F(cVimoraSetup, ContextKeysWithoutTranslationShowTheirText)
{
  ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { "vimora" }));
  EXPECT_STREQ(tr("Button$Convert"), "Convert");
  EXPECT_STREQ(tr(AllowedChars), AllowedChars + 1);
  I18nSetLocale("de_DE");
  EXPECT_STREQ(tr("Button$Convert"), "Konvertieren");
  // as in the recorder, the host's own texts are not in the plug-in's catalogue
  EXPECT_STREQ(tr("Button$Mark"), "Mark");
  EXPECT_STREQ(trVDR("Button$Mark"), "Markieren");
  EXPECT_STREQ(tr("MP3"), "MP3");
  I18nSetLocale("el_GR");
  EXPECT_STREQ(tr("Button$Convert"), "Convert");
}

TEST_F(cVimoraSetup, OkStoresEverySettingInOrder)
{
  OpenPage();
  Press({ kDown, kDown, k9, k9, kRight }); // 99 wraps round to -99
  EXPECT_EQ(Screen().items[2], "Offset for marks [s]:\t-99");
  EXPECT_EQ(VimoraConfig.offset, 3);
  Press({ kOk });
  EXPECT_EQ(VimoraConfig.offset, -99);
  EXPECT_EQ(Screen().title, "Setup - Plugins");
  std::string conf = SetupConf();
  size_t format = conf.find("vimora.format = %artist% - %title% (%year%)\n");
  size_t offset = conf.find("vimora.offset = -99\n");
  size_t hide = conf.find("vimora.hidemainmenuentry = 0\n");
  size_t avoid = conf.find("vimora.avoidrepeats = 1\n");
  size_t audio = conf.find("vimora.audioformat = 0\n");
  size_t refine = conf.find("vimora.refinemarks = 0\n");
  size_t window = conf.find("vimora.refinewindow = 20\n");
  size_t automatic = conf.find("vimora.autoconvert = 0\n");
  ASSERT_NE(automatic, std::string::npos) << conf;
  EXPECT_TRUE(format < offset && offset < hide && hide < avoid && avoid < audio && audio < refine && refine < window && window < automatic) << conf;
}

// The window keeps to 0..120 seconds on the page, also when the setup file holds more.
TEST_F(cVimoraSetup, BoundarySearchIsSwitchedOnAndItsWindowLimited)
{
  VimoraConfig.refinewindow = 500;
  OpenPage();
  EXPECT_EQ(Screen().items[6], "Search for boundaries [s]:\t120");
  Press({ kDown, kDown, kDown, kDown, kDown, kRight, kOk });
  EXPECT_EQ(VimoraConfig.refinemarks, 1);
  EXPECT_EQ(VimoraConfig.refinewindow, 120);
  std::string conf = SetupConf();
  EXPECT_NE(conf.find("vimora.refinemarks = 1\n"), std::string::npos) << conf;
  EXPECT_NE(conf.find("vimora.refinewindow = 120\n"), std::string::npos) << conf;
  Press({ k1, kDown, kDown, kDown, kDown, kDown, kDown, k0, kOk });
  EXPECT_EQ(VimoraConfig.refinewindow, 0);
}

TEST_F(cVimoraSetup, BackChangesNothing)
{
  OpenPage();
  Press({ kRight, kDown, kDown, kLeft, kDown, kDown, kRight });
  EXPECT_EQ(Screen().items[4], "Audio format:\tOGG");
  Press({ kBack });
  EXPECT_EQ(VimoraConfig.hidemainmenuentry, 0);
  EXPECT_EQ(VimoraConfig.offset, 3);
  EXPECT_EQ(VimoraConfig.audioformat, 0);
  EXPECT_FALSE(FileExists(configDir + "/setup.conf"));
}

TEST_F(cVimoraSetup, SecondAudioFormatStoresOne)
{
  OpenPage();
  Press({ kDown, kDown, kDown, kDown, kRight, kOk });
  EXPECT_EQ(VimoraConfig.audioformat, 1);
  EXPECT_NE(SetupConf().find("vimora.audioformat = 1\n"), std::string::npos);
  Press({ k1, kRight, kOk }); // the page opens with the stored values
  EXPECT_EQ(VimoraConfig.hidemainmenuentry, 1);
  EXPECT_EQ(VimoraConfig.audioformat, 1);
  // conversion after recording: no, audio, audio and video
  Press({ k1, kDown, kDown, kDown, kDown, kDown, kDown, kDown, kRight, kRight });
  EXPECT_EQ(Screen().items[7], "Convert after recording:\taudio and video");
  Press({ kOk });
  EXPECT_EQ(VimoraConfig.autoconvert, 2);
  EXPECT_NE(SetupConf().find("vimora.autoconvert = 2\n"), std::string::npos);
}

TEST_F(cVimoraSetup, EditedFormatIsStored)
{
  OpenPage();
  // "%artist% - ..." -> "artist% - ...": edit, delete the first character, end the edit
  Press({ kDown, kRight, kYellow, kOk });
  EXPECT_EQ(Screen().title, "Setup - Plugin 'vimora'");
  Press({ kOk });
  EXPECT_EQ(VimoraConfig.format, "artist% - %title% (%year%)");
  EXPECT_NE(SetupConf().find("vimora.format = artist% - %title% (%year%)\n"), std::string::npos);
}

TEST_F(cVimoraSetup, OverlongFormatIsKeptWholeUnlessEdited)
{
  std::string longFormat = std::string(254, 'a') + "ä%title%"; // "ä" would straddle the 255th byte
  VimoraConfig.format = longFormat;
  OpenPage();
  EXPECT_EQ(Screen().items[1], "Format for cut marks:\t" + std::string(254, 'a'));
  Press({ kDown, kDown, kRight, kOk }); // another setting changes
  EXPECT_EQ(VimoraConfig.format, longFormat);
  EXPECT_EQ(VimoraConfig.offset, 4);
  EXPECT_NE(SetupConf().find("vimora.format = " + longFormat + "\n"), std::string::npos);

  Press({ k1, kDown, kRight, kYellow, kOk, kOk });
  EXPECT_EQ(VimoraConfig.format, std::string(253, 'a'));
}

// The search for song boundaries in the background, held up by media that is not there
// yet (a pipe): what green, yellow, the main-menu entry and the host's shutdown question
// see meanwhile, and the guide's marks when the sound cannot be read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hostenv.h"
#include "hostfixtures.h"
#include "pluginlog.h"
#include "refine_thread.h"
#include "vimora_config.h"

class cRefineSearch : public cHostEnv {
protected:
  std::string logPath, dir, media;
  const std::string old = "0:00:10.00 set by hand\n0:01:00.00\n";
  void SetUp(void) override
  {
    cHostEnv::SetUp();
    AddTestChannel();
    dir = MakeTestRecording("Music", TestEpoch, 25 * 600);
    media = dir + "/00001.ts";
    WriteFile(dir + "/vimora", MusicChannelID);
    WriteFile(dir + "/marks", old);
    ASSERT_TRUE(MakeDirs(PluginConfigDir().c_str(), true));
    WriteFile(PluginConfigDir() + "/tracks.conf", "A:Song:1999:" + std::to_string(TestEpoch + 60) + ":120:0\n");
    logPath = root + "/vimora.log";
    ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { ("vimora -v 1 -l " + logPath).c_str() }));
    ASSERT_EQ(mkfifo(media.c_str(), 0600), 0);
  }
  void TearDown(void) override
  {
    LetTheSearchEnd();
    cHostEnv::TearDown();
  }
  std::vector<std::string> Keys(std::initializer_list<eKeys> Keys)
  {
    Skins.TextSkin()->ForgetMessages();
    Press(Keys);
    return Screen().messages;
  }
  // Each reading of the media finds the pipe's end at once.
  void LetTheSearchEnd(void)
  {
    while (cRefineMarksThread::Busy()) {
      int fd = open(media.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0)
         close(fd);
      usleep(1000);
    }
  }
};

TEST_F(cRefineSearch, KeysWaitForTheSearchAndUnreadableSoundLeavesTheGuidesMarks)
{
  VimoraConfig.refinemarks = 1;
  EXPECT_EQ(Keys({ kMenu, k1, kGreen }), (std::vector<std::string>{ "info: Searching the song boundaries..." }));
  ASSERT_TRUE(cRefineMarksThread::Busy());
  cPlugin *vimora = cPluginManager::GetPlugin("vimora");
  EXPECT_STREQ(vimora->MainMenuEntry(), "Vimora (0%)");
  EXPECT_STREQ(*vimora->Active(), "Searching the song boundaries...");
  EXPECT_EQ(Keys({ kGreen }), (std::vector<std::string>{ "warning: Searching the song boundaries..." }));
  EXPECT_EQ(Keys({ kYellow }), (std::vector<std::string>{ "warning: Searching the song boundaries..." }));
  EXPECT_EQ(Screen().title, "1 Vimora Recordings"); // no convert menu
  EXPECT_EQ(ReadFile(dir + "/marks"), old);

  Skins.TextSkin()->ForgetMessages();
  LetTheSearchEnd();
  loop->Run(5000);
  EXPECT_EQ(Screen().messages, (std::vector<std::string>{ "info: Marks created!" }));
  EXPECT_STREQ(vimora->MainMenuEntry(), "Vimora");
  EXPECT_EQ(*vimora->Active(), nullptr);
  EXPECT_FALSE(LogMessages(logPath, "cannot hear the sound from").empty());
  std::string searched = ReadFile(dir + "/marks");
  EXPECT_NE(searched, old);
  VimoraConfig.refinemarks = 0;
  EXPECT_EQ(Keys({ kGreen }), (std::vector<std::string>{ "info: Marks created!" }));
  EXPECT_EQ(ReadFile(dir + "/marks"), searched);
}

// Cut marks made by the recordings menu's green key in a recording whose folder is full
// or cannot take a new file: the old marks stay, the user sees an error, the log says
// which recording.
#include <vdr/clock.h>

#include "faults.h"
#include "hostenv.h"
#include "hostfixtures.h"
#include "pluginlog.h"

class cMarksFaults : public cHostEnv {
protected:
  std::string logPath, dir;
  void SetUp(void) override
  {
    cHostEnv::SetUp();
    AddTestChannel();
    dir = MakeTestRecording("Music", TestEpoch, 25 * 600);
    WriteFile(dir + "/vimora", MusicChannelID);
    WriteFile(dir + "/marks", "0:00:10.00 set by hand\n0:01:00.00\n");
    ASSERT_TRUE(MakeDirs(PluginConfigDir().c_str(), true));
    WriteFile(PluginConfigDir() + "/tracks.conf", "A:Song:1999:" + std::to_string(TestEpoch + 60) + ":120:0\n");
    logPath = root + "/vimora.log";
    ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { ("vimora -v 1 -l " + logPath).c_str() }));
  }
  void Green(void)
  {
    Skins.TextSkin()->ForgetMessages();
    Press({ kMenu, k1, kGreen, kMenu });
  }
};

TEST_F(cMarksFaults, FullOrReadOnlyRecordingKeepsItsMarks)
{
  const std::string old = "0:00:10.00 set by hand\n0:01:00.00\n";
  ASSERT_TRUE(FillDisk(dir + "/marks"));
  Green();
  EXPECT_EQ(ReadFile(dir + "/marks"), old);
  EXPECT_EQ(Screen().messages, (std::vector<std::string>{ "error: Error while accessing recording!" }));
  EXPECT_TRUE(HostLogHas("E ERROR: " + dir + "/marks.$$$: No space left on device"));
  {
    cBlockedSave blocked(dir + "/marks");
    Green();
    EXPECT_EQ(ReadFile(dir + "/marks"), old);
    EXPECT_EQ(Screen().messages, (std::vector<std::string>{ "error: Error while accessing recording!" }));
  }
  EXPECT_EQ(LogMessages(logPath, "could not write the marks of '" + dir + "'").size(), 2u);
  EXPECT_FALSE(FileExists(dir + "/marks.$$$"));
  Green(); // room again
  EXPECT_EQ(Screen().messages, (std::vector<std::string>{ "info: Marks created!" }));
  EXPECT_EQ(Lines(ReadFile(dir + "/marks")).size(), 2u);
  EXPECT_NE(ReadFile(dir + "/marks").find("A|Song|1999"), std::string::npos);
}

// The device plug-in in the real recorder: the recorder starts on it alone, takes keys
// over SVDRP, draws its menus on the memory OSD through the text skin, whose screen SVDRP
// reads, and ends cleanly; a replay moves on at
// the pace of the wall clock and stands still in a pause.
#include <algorithm>
#include <chrono>
#include <thread>

#include <vdr/tools.h>

#include "testenv.h"
#include "vdrrecorder.h"

// The screen's lines for a failure message.
static std::string Join(const std::vector<std::string> &Lines)
{
  std::string text;
  for (const auto &l : Lines)
      text += l + "\n";
  return text;
}

class cVdrDevice : public cTestEnv {
protected:
  std::unique_ptr<cVdrRecorder> vdr;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    vdr.reset(new cVdrRecorder(root, root + "/locale"));
  }
  // Stops the recorder and checks that it exited by itself, with 0, and logged no error.
  void StopCleanly(void)
  {
    ASSERT_TRUE(vdr->Stop()) << vdr->Output();
    EXPECT_EQ(vdr->ExitCode(), 0) << vdr->Output();
    EXPECT_EQ(vdr->Errors(), std::vector<std::string>());
  }
};

TEST_F(cVdrDevice, RecorderRunsOnTheDeviceDrawsMenusAndEndsCleanly)
{
  ASSERT_TRUE(vdr->Start({ "vimoradevice" })) << vdr->Output();
  EXPECT_TRUE(vdr->LogHas("setting primary device to 1"));
  EXPECT_TRUE(vdr->LogHas("OSD size changed to 720x480"));
  ASSERT_TRUE(vdr->Key("Menu"));
  EXPECT_TRUE(WaitUntil([&] { return vdr->OsdOpen(); }, 10)) << "no main menu";
  EXPECT_TRUE(vdr->Key("Down"));
  EXPECT_TRUE(vdr->Key("Back"));
  EXPECT_TRUE(WaitUntil([&] { return !vdr->OsdOpen(); }, 10)) << "the main menu stays";
  EXPECT_FALSE(vdr->Key("NoSuchKey"));
  StopCleanly();
  EXPECT_FALSE(vdr->LogHas("dummy OSD"));
}

TEST_F(cVdrDevice, ScreenShowsTheMainMenuItsCurrentLineAndButtons)
{
  ASSERT_TRUE(vdr->Start({ "vimoradevice" })) << vdr->Output();
  EXPECT_EQ(vdr->Screen(), std::vector<std::string>({ "Screen: empty" }));
  ASSERT_TRUE(vdr->Key("Menu"));
  ASSERT_TRUE(vdr->Shows("Current:  1 Schedule")) << Join(vdr->Screen());
  std::vector<std::string> menu = vdr->Screen();
  ASSERT_GE(menu.size(), 6u);
  EXPECT_EQ(menu[0], "Menu: VDR");
  EXPECT_EQ(menu[2], "Item:  2 Channels");
  EXPECT_NE(std::find(menu.begin(), menu.end(), "Red: Record"), menu.end()) << Join(menu);
  ASSERT_TRUE(vdr->Key("Down"));
  EXPECT_TRUE(vdr->Shows("Current:  2 Channels")) << Join(vdr->Screen());
  EXPECT_TRUE(vdr->Shows("Item:  1 Schedule"));
  // the channel list: another menu, its own title and lines
  ASSERT_TRUE(vdr->Key("Ok"));
  EXPECT_TRUE(vdr->Shows("Menu: Channels")) << Join(vdr->Screen());
  ASSERT_TRUE(vdr->Key("Back"));
  ASSERT_TRUE(vdr->Key("Back"));
  EXPECT_TRUE(vdr->Shows("Screen: empty")) << Join(vdr->Screen());
  StopCleanly();
}

// A minute of picture and tone as the recorder records it (00001.ts, an I-frame every 12
// frames) with the index the recorder makes for it.
static bool MakeRecording(const std::string &Dir)
{
  return MakeDirs(Dir.c_str(), true)
      && RunQuietly({ "ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=25",
                      "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-t", "60",
                      "-c:v", "mpeg2video", "-g", "12", "-bf", "0", "-q:v", "10", "-c:a", "mp2", "-b:a", "64k",
                      "-f", "mpegts", Dir + "/00001.ts" }) == 0
      && RunQuietly({ "vdr", "--genindex=" + Dir }) == 0;
}

// The frame a stopped replay will resume at; -1 while there is none, or while the
// recorder is still writing the line.
static int ResumeFrame(const std::string &Dir)
{
  std::string text = ReadFile(Dir + "/resume");
  return text.compare(0, 2, "I ") == 0 && text.back() == '\n' ? atoi(text.c_str() + 2) : -1;
}

TEST_F(cVdrDevice, ReplayMovesOnWithTheWallClockAndStandsStillInAPause)
{
  using namespace std::chrono;
  const int Start = 30, Fps = 25, Backup = 10; // the recorder resumes 10 s before the stop
  std::string dir = vdr->videoDir + "/Pace/2026-12-08.20.00.1-0.rec";
  ASSERT_TRUE(MakeRecording(dir));
  ASSERT_TRUE(vdr->Start({ "vimoradevice" })) << vdr->Output();
  std::vector<std::string> list = vdr->Svdrp("LSTR");
  ASSERT_EQ(list.size(), 1u);
  ASSERT_NE(list[0].find("Pace"), std::string::npos) << list[0];
  auto played = steady_clock::now();
  ASSERT_EQ(vdr->Svdrp("PLAY " + list[0].substr(4, list[0].find(' ', 4) - 4) + " 00:00:" + std::to_string(Start))[0].substr(0, 3), "250");
  // long enough for the player to get going also on a busy machine
  std::this_thread::sleep_for(seconds(5));
  ASSERT_TRUE(vdr->Key("Pause"));
  double running = duration<double>(steady_clock::now() - played).count();
  // a pause as long again would show if the position kept moving
  std::this_thread::sleep_for(seconds(3));
  ASSERT_TRUE(vdr->Key("Stop"));
  int resume = -1;
  ASSERT_TRUE(WaitUntil([&] { return (resume = ResumeFrame(dir)) >= 0; }, 10));
  int at = resume + Backup * Fps; // where the replay stood, to the I-frame before
  EXPECT_GE(at, (Start + 1) * Fps - 12) << "the position did not move on";
  EXPECT_LE(at, int((Start + running + 0.8) * Fps)) << "faster than real time, or moving in the pause";
  StopCleanly();
}

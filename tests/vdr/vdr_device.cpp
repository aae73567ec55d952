// The device plug-in in the real recorder: the recorder starts on it alone, takes keys
// over SVDRP, draws its menus on the memory OSD through the text skin, whose screen SVDRP
// reads, and ends cleanly; it records the programme the device puts on air; a replay
// moves on at
// the pace of the wall clock and stands still in a pause.
#include <algorithm>
#include <chrono>
#include <sys/stat.h>
#include <thread>

#include <vdr/tools.h>

#include "files.h"
#include "process.h"
#include "testenv.h"
#include "vdrrecorder.h"

class cVdrDevice : public cTestEnv {
protected:
  std::unique_ptr<cVdrRecorder> vdr;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    vdr.reset(new cVdrRecorder(root, root + "/locale"));
  }
  // The state of the device's programme (rendering, waiting, on air, ended, none ...).
  std::string PluginState(void)
  {
    std::vector<std::string> reply = vdr->Svdrp("PLUG vimoradevice PROG");
    return reply.size() == 1 && reply[0].compare(0, 4, "900 ") == 0 ? reply[0].substr(4) : "";
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
  // PLAY wrote the resume file with its own position; the player writes where it stood
  // when the key has reached it and it ends (the same position only if it stood 10 s on)
  int resume = -1;
  WaitUntil([&] { return (resume = ResumeFrame(dir)) >= 0 && resume != Start * Fps; }, 10);
  ASSERT_GE(resume, 0);
  int at = resume + Backup * Fps; // where the replay stood, to the I-frame before
  EXPECT_GE(at, (Start + 1) * Fps - 12) << "the position did not move on";
  EXPECT_LE(at, int((Start + running + 0.8) * Fps)) << "faster than real time, or moving in the pause";
  StopCleanly();
}

static off_t FileSize(const std::string &Path)
{
  struct stat st;
  return stat(Path.c_str(), &st) == 0 ? st.st_size : -1;
}

// Seconds since the epoch, as the programme and the timer have them.
static time_t Now(void)
{
  return time(NULL);
}

TEST_F(cVdrDevice, RecorderRecordsTheProgrammeOnAirAndEndsWhileItRuns)
{
  ASSERT_TRUE(vdr->Start({ "vimoradevice" })) << vdr->Output();
  EXPECT_EQ(PluginState(), "none");
  // two items with a gap between, on air a little later: time to render them
  const int First = 8, Gap = 2, Second = 6;
  time_t start = Now() + 12;
  std::string programme = root + "/programme";
  WriteFile(programme, std::string("channel ") + VdrMusicChannelID + "\n"
                       "item " + std::to_string(start + First + Gap) + " " + std::to_string(Second) + " Gamma - Third (1993)\n"
                       "item " + std::to_string(start) + " " + std::to_string(First) + " Alpha Band - First Song (1991)\n");
  ASSERT_EQ(vdr->Svdrp("PLUG vimoradevice PROG " + programme), std::vector<std::string>({ "900 Programme rendering" }));
  // the recording begins at once (its start minute has begun) and runs past the programme
  std::vector<std::string> timer = vdr->Svdrp("NEWT 1:1:" + Day(Now()) + ":" + HourMinute(Now()) + ":" + HourMinute(Now() + 180) + ":50:99:Music:");
  ASSERT_EQ(timer.size(), 1u);
  ASSERT_EQ(timer[0].substr(0, 3), "250") << timer[0];
  EXPECT_TRUE(WaitUntil([&] { return PluginState() == "waiting"; }, start - Now())) << "rendered too late: " << PluginState();
  ASSERT_TRUE(WaitUntil([&] { return PluginState() == "on air"; }, start - Now() + 2));
  EXPECT_TRUE(vdr->LogHas("vimoradevice: on air: Alpha Band - First Song (1991)"));
  ASSERT_TRUE(WaitUntil([&] { return PluginState() == "ended"; }, start + First + Gap + Second + 3 - Now())) << PluginState();
  EXPECT_TRUE(vdr->LogHas("vimoradevice: on air: Gamma - Third (1993)"));
  // the recorder writes what it received from its buffer, some packets behind
  std::this_thread::sleep_for(std::chrono::seconds(2));
  // SIGTERM while recording: the recorder ends in its usual time, with the recording whole
  auto asked = std::chrono::steady_clock::now();
  StopCleanly();
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count(), 10);
  EXPECT_EQ(vdr->Count("errors"), vdr->Count("with 0 errors")) << "the recorder counted broken frames";
  std::vector<std::string> made = MatchPaths(vdr->videoDir + "/Music/*.rec");
  ASSERT_EQ(made.size(), 1u);
  EXPECT_NE(ReadFile(made[0] + "/info").find(std::string("C ") + VdrMusicChannelID + " VimoraMusic\n"), std::string::npos) << ReadFile(made[0] + "/info");
  // one index entry per frame: the programme at 25 frames/s, less its first group of
  // pictures (the recorder starts on the I-frame after its first one) and up to the last
  // second (the recorder's buffer waits for more that a broadcast which ends never sends,
  // and at the stream's low rate what it holds back is up to a second)
  off_t frames = FileSize(made[0] + "/index") / 8;
  EXPECT_GE(frames, (First + Gap + Second) * 25 - 12 - 25);
  EXPECT_LE(frames, (First + Gap + Second) * 25);
  tProcessResult probe = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-show_entries", "stream=id,codec_name", "-of", "csv=p=0", made[0] + "/00001.ts" });
  EXPECT_NE(probe.out.find("mpeg2video,0x65"), std::string::npos) << probe.out;
  EXPECT_NE(probe.out.find("mp2,0x66"), std::string::npos) << probe.out;
}

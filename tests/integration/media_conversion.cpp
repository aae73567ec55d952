// A conversion with the real scripts stopped from the plug-in's menu while a script
// encodes its track: the recording's marks file is whole again and no half-written audio
// file is left.
#include <filesystem>
#include <stdlib.h>
#include <thread>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/recording.h>
#include <vdr/timers.h>

#include "../../host/src/mediawriter.h"
#include "audio_thread.h"
#include "hostenv.h"
#include "hostfixtures.h"
#include "tracks.h"
#include "vimora_config.h"

namespace fs = std::filesystem;

namespace {

const int Songs = 3;
const int SongStart = 10; // seconds after the recording's start
const int SongSeconds = 30;
const int RecordingSeconds = 120;

} // namespace

class cMediaConversion : public cHostEnv {
protected:
  std::string audioDir, recording, oldPath;

  void SetUp(void) override
  {
    cHostEnv::SetUp();
    audioDir = root + "/audio";
    const char *path = getenv("PATH");
    oldPath = path ? path : "";
    setenv("PATH", (std::string(VIMORA_SOURCE_DIR) + "/scripts:" + oldPath).c_str(), 1);
    setenv("VIMORA_AUDIO_DIR", audioDir.c_str(), 1);
    SetMediaWriterFactory(NewRenderedMediaWriter);
    cClock::SetTime(TestEpoch - 60);
    cChannel *music = AddTestChannel();
    for (int s = 0; s < Songs; s++)
        AddTestEvent(MusicChannelID, TestEpoch + SongStart + s * SongSeconds, SongSeconds, cString::sprintf("Artist %d - Song %d (199%d)", s, s, s));
    ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { "vimora" }));
    VimoraConfig.offset = 0;
    ASSERT_TRUE(cRecorder::Start());
    cTimer *timer = AddTestTimer(music, TestEpoch, TestEpoch + RecordingSeconds, "Music");
    cClock::Step((60 + RecordingSeconds + 1) * 1000);
    ASSERT_FALSE(timer->Recording());
    ASSERT_NE(Recordings.First(), nullptr);
    recording = Recordings.First()->FileName();
    ASSERT_TRUE(FileExists(recording + "/00001.ts"));
  }
  void TearDown(void) override
  {
    cConvertToAudioThread::Exit();
    cRecorder::Stop();
    SetMediaWriterFactory(NULL);
    setenv("PATH", oldPath.c_str(), 1);
    unsetenv("VIMORA_AUDIO_DIR");
    cHostEnv::TearDown();
  }
};

TEST_F(cMediaConversion, StopInTheMiddleLeavesTheOriginalMarks)
{
  Press({ kMenu, k1, kGreen });
  std::string marks = ReadFile(recording + "/marks");
  ASSERT_EQ(Lines(marks).size(), size_t(2 * Songs)) << marks;
  Press({ kYellow, k1 });
  std::thread stepper([] { cClock::Step(10); });
  // as soon as the first script works on its pair
  for (int i = 0; i < 60000 && Lines(ReadFile(recording + "/marks")).size() != 2; i++)
      usleep(1000);
  EXPECT_EQ(Lines(ReadFile(recording + "/marks")).size(), 2u);
  Press({ kMenu, k1, kYellow, kOk });
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_EQ(ReadFile(recording + "/marks"), marks);
  stepper.join();
  if (fs::exists(audioDir)) {
     for (const auto &e : fs::directory_iterator(audioDir))
         EXPECT_NE(e.path().filename().string()[0], '.') << "left behind: " << e.path();
  }
  cTracksLock lock(Tracks);
  for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
      EXPECT_EQ(t->status, 0) << t->title;
}

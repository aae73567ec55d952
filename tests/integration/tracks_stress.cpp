// Tracks shared by three threads on a fast-running clock: the grabber appending, the
// main thread walking, toggling and saving, and a conversion marking a recording's
// tracks converted. Run by the thread-sanitizer build as well.
#include <atomic>
#include <set>
#include <thread>
#include <vdr/clock.h>

#include "grabberthread.h"
#include "hostfixtures.h"
#include "pluginlog.h"
#include "testenv.h"
#include "tracks.h"

class cTracksStress : public cTestEnv {
protected:
  cTestPluginLog log;
  std::string tracksPath;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    tracksPath = root + "/tracks.conf";
    ASSERT_TRUE(log.Open(root + "/vimora.log", 2));
    AddTestChannel();
  }
  void TearDown(void) override
  {
    cGrabberThread::Exit();
    Tracks.StopWriter();
    Tracks.Clear();
    cGrabberThread::channelsSupported.clear();
    cTestEnv::TearDown();
  }
  // Every line of the file as it is now is a track.
  int CheckFile(void)
  {
    std::vector<std::string> lines = Lines(ReadFile(tracksPath));
    for (const auto &l : lines) {
        cTrack t;
        EXPECT_TRUE(t.Parse(l.c_str())) << l;
        EXPECT_TRUE(t.status >= 0 && t.status <= 2) << l;
    }
    return int(lines.size());
  }
};

TEST_F(cTracksStress, GrabberMenusAndConversionShareTheList)
{
  const int Events = 200; // of 30 seconds each
  for (int i = 0; i < Events; i++) {
      std::string title = "Artist " + std::to_string(i) + " - Song " + std::to_string(i) + " (2000)";
      AddTestEvent(MusicChannelID, TestEpoch + 30 * i, 30, title.c_str());
  }
  // The first ten minutes are recorded.
  std::string fileName = MakeTestRecording("Music", TestEpoch, 600 * 25);
  cRecording *recording = Recordings.GetByName(fileName.c_str());
  ASSERT_NE(recording, nullptr);
  ASSERT_TRUE(Tracks.Load(tracksPath.c_str(), true));
  cGrabberThread::channelsSupported.insert(cChannelSupported(MusicChannelID, 1, 1));
  Tracks.StartWriter(); // as the plug-in runs: the file written by a thread of its own

  cClock::SetSpeed(2000); // a pass every 15 ms
  cGrabberThread::Init();
  std::atomic<bool> done(false);
  std::thread conversion([&] {
    while (!done) {
      Tracks.SetConverted(recording);
      cCondWait::SleepMs(1000);
    }
  });
  time_t end = TestEpoch + 30 * Events;
  int saved = 0, rounds = 0;
  while (cClock::Now() < end) {
    {
      cTracksLock lock(Tracks);
      int n = 0;
      for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
          n++;
      EXPECT_EQ(n, Tracks.Count());
      if (cTrack *t = Tracks.Get(rounds % (n ? n : 1)))
         if (t->status < 2)
            Tracks.SetStatus(t, 1 - t->status);
    }
    if (rounds % 2) {
       ASSERT_TRUE(Tracks.Save());
    }
    int lines = CheckFile();
    EXPECT_GE(lines, saved); // nothing is ever lost from the file
    saved = lines;
    rounds++;
    cCondWait::SleepMs(500);
  }
  done = true;
  conversion.join();
  cGrabberThread::Exit();
  cClock::SetManual();
  Tracks.SetConverted(recording);
  Tracks.StopWriter();

  int added = int(log.Messages("add event on ").size());
  EXPECT_GT(added, 0);
  EXPECT_EQ(Tracks.Count(), added);
  EXPECT_EQ(CheckFile(), added);
  std::set<std::string> titles;
  cTracksLock lock(Tracks);
  for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t)) {
      titles.insert(t->title);
      if (t->startTime + t->duration + 3 < TestEpoch + 600) {
         EXPECT_EQ(t->status, 2) << t->title;
      }
  }
  EXPECT_EQ(int(titles.size()), added);
}

// The host shutting down while the music channel records and the grabber runs: at the
// start delay, right at a pass, between passes and late in the hour. The threads end,
// and every file the plug-in and the recorder wrote is whole and loads.
#include <dirent.h>
#include <thread>
#include <vdr/clock.h>

#include "grabberthread.h"
#include "hostfixtures.h"
#include "pluginlog.h"
#include "testenv.h"
#include "tracks.h"

// The threads of the process. A sanitizer's own thread starts with the first thread
// the process makes, so one is made and ended before counting.
static int ThreadCount(void)
{
  std::thread([] {}).join();
  int n = 0;
  if (DIR *d = opendir("/proc/self/task")) {
     while (struct dirent *e = readdir(d))
       n += e->d_name[0] != '.';
     closedir(d);
  }
  return n;
}

class cHostShutdown : public cTestEnv, public ::testing::WithParamInterface<int> {
protected:
  cPluginManager *manager = NULL;
  std::string logPath;
  void TearDown(void) override
  {
    StopVimoraHost(manager);
    cTestEnv::TearDown();
  }
};

TEST_P(cHostShutdown, ThreadsEndAndFilesAreWhole)
{
  int stopAtMs = GetParam();
  int threads = ThreadCount();
  cChannel *music = AddTestChannel();
  for (int i = 0; i < 60; i++)
      AddTestEvent(MusicChannelID, TestEpoch + i * 60, 60, cString::sprintf("Artist %d - Song %d (19%02d)", i, i, i));
  AddTestTimer(music, TestEpoch, TestEpoch + 3600, "Music");
  logPath = root + "/vimora.log";
  manager = StartVimoraHost("-v 2 -l " + logPath);
  ASSERT_NE(manager, nullptr);
  cClock::Step(stopAtMs);
  ASSERT_NE(cGrabberThread::m_Instance, nullptr);
  StopVimoraHost(manager);

  EXPECT_EQ(cGrabberThread::m_Instance, nullptr);
  // a joined thread stays listed until the kernel has reaped it, a moment after the join;
  // one that is still running stays listed
  WaitUntil([&] { return ThreadCount() == threads; }, 2);
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_EQ(LogMessages(logPath, "Leaving grabber thread").size(), 1u);
  std::string tracksPath = PluginConfigDir() + "/tracks.conf";
  // every track the grabber added before the end is in the file
  int added = int(LogMessages(logPath, "add event on").size());
  EXPECT_EQ(added > 0, stopAtMs > 16000);
  EXPECT_EQ(int(Lines(ReadFile(tracksPath)).size()), added);
  cTracks reloaded;
  EXPECT_TRUE(reloaded.Load(tracksPath.c_str(), true));
  EXPECT_EQ(reloaded.Count(), added);
  EXPECT_FALSE(FileExists(tracksPath + ".$$$"));
  ASSERT_TRUE(Recordings.Load());
  ASSERT_NE(Recordings.First(), nullptr);
  std::string dir = Recordings.First()->FileName();
  EXPECT_EQ(ReadFile(dir + "/vimora"), MusicChannelID);
  EXPECT_EQ(ReadFile(dir + "/index").size() % 8, 0u);
  EXPECT_GE(Recordings.First()->NumFrames(), stopAtMs / 40 - 25);
  EXPECT_NE(Recordings.First()->Info()->ChannelID(), tChannelID::InvalidID);
}

// during the start delay, right after the first pass, between two passes, late in the hour
INSTANTIATE_TEST_SUITE_P(StopAt, cHostShutdown, ::testing::Values(5000, 16500, 61000, 1800500));

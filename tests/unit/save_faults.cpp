// Saving under faults: a full disk, a folder in which no file can be made (faults.h),
// and recordings whose index is missing or cut short. Old files stay whole, nothing is
// half-written, the log says why.
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/recording.h>

#include "faults.h"
#include "grabberthread.h"
#include "hostfixtures.h"
#include "pluginlog.h"
#include "recstatus.h"
#include "testenv.h"
#include "tracks.h"

class cSaveFaults : public cTestEnv {
protected:
  cTestPluginLog log;
  std::string tracksPath;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    ASSERT_TRUE(log.Open(root + "/vimora.log", 3));
    tracksPath = configDir + "/tracks.conf";
    cGrabberThread::channelsSupported.insert(cChannelSupported(MusicChannelID, 1, 1));
    AddTestChannel();
  }
  void TearDown(void) override
  {
    cGrabberThread::Exit();
    Tracks.Clear();
    cGrabberThread::channelsSupported.clear();
    cTestEnv::TearDown();
  }
};

TEST_F(cSaveFaults, FullDiskKeepsTheOldCatalogueAndTheNewTracksUntilTheNextSave)
{
  WriteFile(tracksPath, "Old:Song:1985:1000:200:2\n");
  ASSERT_TRUE(Tracks.Load(tracksPath.c_str(), true));
  AddTestEvent(MusicChannelID, TestEpoch, 30, "A - First (1999)");
  AddTestEvent(MusicChannelID, TestEpoch + 30, 30, "B - Second (2000)");
  AddTestEvent(MusicChannelID, TestEpoch + 60, 30, "C - Third (2001)");
  ASSERT_TRUE(FillDisk(tracksPath));
  cGrabberThread::Init();
  cClock::Step(15000); // first pass: no room
  EXPECT_EQ(ReadFile(tracksPath), "Old:Song:1985:1000:200:2\n");
  EXPECT_EQ(Tracks.Count(), 2);
  EXPECT_TRUE(HostLogHas("E ERROR: " + tracksPath + ".$$$: No space left on device"));
  ASSERT_TRUE(FillDisk(tracksPath)); // the failed save took its link away; the disk is still full
  cClock::Step(30000);
  EXPECT_EQ(Lines(ReadFile(tracksPath)).size(), 1u);
  EXPECT_EQ(Tracks.Count(), 3);
  cClock::Step(30000); // room again
  std::vector<std::string> lines = Lines(ReadFile(tracksPath));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].substr(0, 8), "A:First:");
  EXPECT_EQ(lines[3].substr(0, 8), "C:Third:");
  EXPECT_FALSE(FileExists(tracksPath + ".$$$"));
}

TEST_F(cSaveFaults, ReadOnlyConfigFolderKeepsTheOldCatalogue)
{
  WriteFile(tracksPath, "Old:Song:1985:1000:200:2\n");
  ASSERT_TRUE(Tracks.Load(tracksPath.c_str(), true));
  AddTestEvent(MusicChannelID, TestEpoch, 30, "A - First (1999)");
  AddTestEvent(MusicChannelID, TestEpoch + 30, 30, "B - Second (2000)");
  {
    cBlockedSave blocked(tracksPath);
    cGrabberThread::Init();
    cClock::Step(15000);
    EXPECT_EQ(ReadFile(tracksPath), "Old:Song:1985:1000:200:2\n");
    EXPECT_EQ(Tracks.Count(), 2);
    EXPECT_TRUE(HostLogHas("E ERROR: " + tracksPath + ".$$$: "));
  }
  cClock::Step(30000);
  EXPECT_EQ(Lines(ReadFile(tracksPath)).size(), 3u);
}

TEST_F(cSaveFaults, MarkerFileIsWholeOrAbsentAndReported)
{
  cRecStatusMonitor monitor;
  cTimer *timer = AddTestTimer(Channels.First(), TestEpoch, TestEpoch + 3600, "Music");
  timer->SetRecording(true);
  std::string full = videoDir + "/Full", blocked = videoDir + "/Blocked";
  ASSERT_TRUE(MakeDirs(full.c_str(), true));
  ASSERT_TRUE(MakeDirs(blocked.c_str(), true));
  ASSERT_TRUE(FillDisk(full + "/vimora"));
  cStatus::MsgRecording(NULL, "Music", full.c_str(), true);
  EXPECT_FALSE(FileExists(full + "/vimora"));
  EXPECT_FALSE(FileExists(full + "/vimora.$$$"));
  EXPECT_TRUE(HostLogHas("E Vimora: could not create file '" + full + "/vimora'"));
  timer->SetRecording(false);
  cStatus::MsgRecording(NULL, NULL, full.c_str(), false);
  timer->SetRecording(true);
  {
    cBlockedSave block(blocked + "/vimora");
    cStatus::MsgRecording(NULL, "Music", blocked.c_str(), true);
    EXPECT_FALSE(FileExists(blocked + "/vimora"));
    EXPECT_TRUE(HostLogHas("E Vimora: could not create file '" + blocked + "/vimora'"));
  }
  EXPECT_EQ(log.Messages("could not create file").size(), 2u);
  timer->SetRecording(false);
  cStatus::MsgRecording(NULL, NULL, blocked.c_str(), false);
}

TEST_F(cSaveFaults, MarksOfAReadOnlyOrFullRecordingStayAsTheyWere)
{
  std::string dir = MakeTestRecording("Music", TestEpoch, 2500);
  WriteFile(dir + "/marks", "0:00:10.00 A|B|1999\n0:00:40.00\n");
  for (int fault = 0; fault < 2; fault++) {
      cMarks marks;
      ASSERT_TRUE(marks.Load(dir.c_str()));
      marks.Add(75);
      marks.Get(75)->SetComment("C|D|2000");
      marks.Add(100);
      if (fault == 0) {
         ASSERT_TRUE(FillDisk(dir + "/marks"));
         EXPECT_FALSE(marks.Save());
         EXPECT_TRUE(HostLogHas("E ERROR: " + dir + "/marks.$$$: No space left on device"));
      }
      else {
         cBlockedSave blocked(dir + "/marks");
         EXPECT_FALSE(marks.Save());
      }
      EXPECT_EQ(ReadFile(dir + "/marks"), "0:00:10.00 A|B|1999\n0:00:40.00\n");
      EXPECT_FALSE(FileExists(dir + "/marks.$$$"));
  }
}

TEST_F(cSaveFaults, MissingOrTruncatedIndexConvertsOnlyWholeFrames)
{
  WriteFile(tracksPath, "A:Early:1999:" + std::to_string(TestEpoch + 10) + ":20:0\n"
                        "B:Late:2000:" + std::to_string(TestEpoch + 70) + ":20:0\n");
  ASSERT_TRUE(Tracks.Load(tracksPath.c_str(), true));
  std::string dir = MakeTestRecording("Music", TestEpoch, 25 * 100);
  cRecording recording(dir.c_str());
  // cut short in the middle of a record, a minute in: the late track is gone
  ASSERT_EQ(truncate((dir + "/index").c_str(), 8 * 25 * 60 + 5), 0);
  EXPECT_EQ(recording.NumFrames(), 25 * 60);
  Tracks.SetConverted(&recording);
  EXPECT_EQ(Tracks.First()->status, 2);
  EXPECT_EQ(Tracks.Last()->status, 0);
  // no index at all: nothing lies inside, the catalogue is still saved whole
  Tracks.First()->status = 0;
  ASSERT_EQ(unlink((dir + "/index").c_str()), 0);
  EXPECT_EQ(recording.NumFrames(), 0);
  Tracks.SetConverted(&recording);
  EXPECT_EQ(Tracks.First()->status, 0);
  EXPECT_EQ(Lines(ReadFile(tracksPath)).size(), 2u);
}

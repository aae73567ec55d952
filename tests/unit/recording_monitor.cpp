// The recording monitor: marker files, recording counts and the grabber decision, for
// notifications as the host sends them.
#include <vdr/device.h>

#include "grabberthread.h"
#include "hostfixtures.h"
#include "pluginlog.h"
#include "recstatus.h"
#include "testenv.h"

static const char *OtherChannelID = "S19.2E-1-1101-28006";

class cRecordingMonitor : public cTestEnv {
protected:
  cTestPluginLog log;
  cRecStatusMonitor *monitor = NULL;
  cChannel *music = NULL, *other = NULL;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
    music = AddTestChannel();
    other = AddTestChannel(OtherChannelID, "Other");
    monitor = new cRecStatusMonitor;
  }
  void TearDown(void) override
  {
    delete monitor;
    cGrabberThread::Exit();
    cGrabberThread::channelsSupported.clear();
    cTestEnv::TearDown();
  }
  cTimer *Timer(cChannel *Channel, const char *File)
  {
    return AddTestTimer(Channel, TestEpoch, TestEpoch + 3600, File);
  }
  // The host's way: the timer's flag first, then the notification.
  std::string Start(cTimer *Timer, const char *Name, int Device = 0)
  {
    std::string dir = videoDir + "/" + Name;
    MakeDirs(dir.c_str(), true);
    Timer->SetRecording(true);
    cStatus::MsgRecording(cDevice::GetDevice(Device), Name, dir.c_str(), true);
    return dir;
  }
  void End(cTimer *Timer, const char *Name)
  {
    if (Timer)
       Timer->SetRecording(false);
    cStatus::MsgRecording(cDevice::GetDevice(0), Name, (videoDir + "/" + Name).c_str(), false);
  }
  int Count(const char *ChannelId = MusicChannelID)
  {
    return cGrabberThread::GetChannel(ChannelId)->recordingCount;
  }
  bool Grabbing(void) { return cGrabberThread::m_Instance != NULL; }
};

TEST_F(cRecordingMonitor, InstallsTheMusicChannelOnly)
{
  ASSERT_EQ(cGrabberThread::channelsSupported.size(), 1u);
  const cChannelSupported &c = *cGrabberThread::channelsSupported.begin();
  EXPECT_EQ(c.channelId, MusicChannelID);
  EXPECT_EQ(c.epgFormat, 1);
  EXPECT_EQ(c.recordingCount, 0);
  EXPECT_EQ(cRecStatusMonitor::GetVimoraChannel(), music);
}

TEST_F(cRecordingMonitor, MusicRecordingStartsAndEnds)
{
  cTimer *t = Timer(music, "Music");
  std::string dir = Start(t, "Music", 1);
  EXPECT_EQ(ReadFile(dir + "/vimora"), "S19.2E-1-1092-10100");
  EXPECT_EQ(log.Messages("recording started"), (std::vector<std::string>{ "vimora recording started 'Music' on device 1" }));
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(Grabbing());
  End(t, "Music");
  EXPECT_EQ(Count(), 0);
  EXPECT_FALSE(Grabbing());
}

TEST_F(cRecordingMonitor, OtherChannelIsOnlyTracked)
{
  cTimer *t = Timer(other, "News");
  std::string dir = Start(t, "News");
  EXPECT_FALSE(FileExists(dir + "/vimora"));
  EXPECT_TRUE(log.Messages().empty());
  EXPECT_EQ(Count(), 0);
  EXPECT_FALSE(Grabbing());
  End(t, "News");
  EXPECT_EQ(Count(), 0);
}

TEST_F(cRecordingMonitor, OnlyTheFirstRecordingTimerDecides)
{
  cTimer *news = Timer(other, "News");
  cTimer *musicTimer = Timer(music, "Music");
  std::string dir = Start(musicTimer, "Music");
  EXPECT_TRUE(Grabbing());
  Start(news, "News");
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(FileExists(dir + "/vimora"));
  EXPECT_FALSE(Grabbing());
  End(news, "News");
  EXPECT_TRUE(Grabbing());
  EXPECT_EQ(Count(), 1);
}

TEST_F(cRecordingMonitor, StartWithoutNameOnlyDecides)
{
  cTimer *t = Timer(music, "Music");
  t->SetRecording(true);
  cStatus::MsgRecording(cDevice::GetDevice(0), NULL, (videoDir + "/Music").c_str(), true);
  EXPECT_TRUE(Grabbing());
  EXPECT_EQ(Count(), 0);
  EXPECT_FALSE(FileExists(videoDir + "/Music/vimora"));
}

TEST_F(cRecordingMonitor, DeletedTimerIsDroppedWithoutCounting)
{
  cTimer *t = Timer(music, "Music");
  Start(t, "Music");
  {
    cTimersLock lock;
    Timers.Del(t);
  }
  End(NULL, "Music");
  EXPECT_EQ(Count(), 1);
  EXPECT_FALSE(Grabbing());
}

TEST_F(cRecordingMonitor, RepeatingRecordingCountsEachRun)
{
  cTimer *t = Timer(music, "Music");
  std::string first = Start(t, "Music-1");
  EXPECT_EQ(Count(), 1);
  End(t, "Music-1");
  EXPECT_EQ(Count(), 0);
  std::string second = Start(t, "Music-2");
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(ReadFile(second + "/vimora"), "S19.2E-1-1092-10100");
  End(t, "Music-2");
  EXPECT_EQ(Count(), 0);
  EXPECT_TRUE(FileExists(first + "/vimora"));
}

TEST_F(cRecordingMonitor, MarkerThatCannotBeCreatedIsReported)
{
  cTimer *t = Timer(music, "Music");
  t->SetRecording(true);
  std::string missing = videoDir + "/gone";
  cStatus::MsgRecording(cDevice::GetDevice(0), "Music", missing.c_str(), true);
  EXPECT_TRUE(HostLogHas("E Vimora: could not create file '" + missing + "/vimora'"));
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(Grabbing());
}

TEST_F(cRecordingMonitor, DeletingTheMonitorStopsListening)
{
  delete monitor;
  monitor = NULL;
  cTimer *t = Timer(music, "Music");
  Start(t, "Music");
  EXPECT_EQ(Count(), 0);
  EXPECT_FALSE(Grabbing());
}

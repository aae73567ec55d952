// The grabber thread's decisions, driven pass by pass on the stepped host clock.
#include <sys/stat.h>
#include <vdr/clock.h>

#include "blacklist.h"
#include "grabberthread.h"
#include "hostfixtures.h"
#include "pluginlog.h"
#include "testenv.h"
#include "tracks.h"
#include "vimora_config.h"

class cGrabber : public cTestEnv {
protected:
  cTestPluginLog log;
  std::string tracksPath;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    tracksPath = root + "/tracks.conf";
    ASSERT_TRUE(log.Open(root + "/vimora.log", 3));
    ASSERT_TRUE(Tracks.Load(tracksPath.c_str(), true));
    AddTestChannel();
    AddTestChannel("S19.2E-1-1101-28006", "Other");
    SetRecordingCount(MusicChannelID, 1);
  }
  void TearDown(void) override
  {
    cGrabberThread::Exit();
    Tracks.Clear();
    Blacklist.cListBase::Clear();
    cGrabberThread::channelsSupported.clear();
    cTestEnv::TearDown();
  }
  void SetRecordingCount(const char *ChannelId, int Count)
  {
    cGrabberThread::channelsSupported.erase(cChannelSupported(ChannelId));
    cGrabberThread::channelsSupported.insert(cChannelSupported(ChannelId, 1, Count));
  }
  std::vector<std::string> Messages(const std::string &Containing = "") { return log.Messages(Containing); }
  std::vector<std::string> TrackLines(void) { return Lines(ReadFile(tracksPath)); }
  // Lets the grabber start and make its first pass (15 seconds after its start).
  void StartAndPass(void)
  {
    cGrabberThread::Init();
    cClock::Step(15000);
  }
};

TEST_F(cGrabber, VideoOnAirForFourMinutesIsAddedOnce)
{
  AddTestEvent(MusicChannelID, TestEpoch, 240, "Some Artist - Some Song (1987)");
  StartAndPass();
  cClock::Step(225000 - 15000); // passes at 15, 45, ..., 225 seconds
  cGrabberThread::Exit();
  EXPECT_EQ(Messages("current event on S19.2E-1-1092-10100 is: Some Artist - Some Song (1987) (start: " + std::string(*DayDateTimesec(TestEpoch)) + ")").size(), 8u);
  EXPECT_EQ(Messages("add event on").size(), 1u);
  EXPECT_EQ(TrackLines(), (std::vector<std::string>{ "Some Artist:Some Song:1987:" + std::to_string(TestEpoch) + ":240:0:S19.2E-1-1092-10100" }));
  EXPECT_EQ(Messages().front(), "Entering grabber thread");
  EXPECT_EQ(Messages().back(), "Leaving grabber thread");
  EXPECT_TRUE(HostLogHas("I Vimora: Entering grabber thread"));
}

TEST_F(cGrabber, AnnouncementsAreLoggedButNotAdded)
{
  AddTestEvent(MusicChannelID, TestEpoch, 30, "Coming up: the charts");
  AddTestEvent(MusicChannelID, TestEpoch + 30, 30, NULL);
  StartAndPass();
  cClock::Step(30000);
  EXPECT_EQ(Messages("current event on"), (std::vector<std::string>{
    "current event on S19.2E-1-1092-10100 is: Coming up: the charts (start: " + std::string(*DayDateTimesec(TestEpoch)) + ")",
    "current event on S19.2E-1-1092-10100 is: unknown (start: " + std::string(*DayDateTimesec(TestEpoch + 30)) + ")",
  }));
  cClock::Step(30000); // nothing on air any more
  EXPECT_EQ(Messages("no current event").size(), 1u);
  EXPECT_EQ(Tracks.Count(), 0);
  EXPECT_FALSE(FileExists(tracksPath));
}

TEST_F(cGrabber, OnlyChannelsThatRecordAreRead)
{
  SetRecordingCount(MusicChannelID, 0);
  SetRecordingCount("S19.2E-1-1101-28006", 1);
  SetRecordingCount("S19.2E-1-9999-1", 1); // unknown to the host
  AddTestEvent(MusicChannelID, TestEpoch, 300, "A - B (1999)");
  AddTestEvent("S19.2E-1-1101-28006", TestEpoch, 300, "C - D (2000)");
  StartAndPass();
  EXPECT_EQ(Messages("current event on"), (std::vector<std::string>{ "current event on S19.2E-1-1101-28006 is: C - D (2000) (start: " + std::string(*DayDateTimesec(TestEpoch)) + ")" }));
  EXPECT_EQ(Tracks.Count(), 1);
  EXPECT_EQ(Tracks.First()->channelId, "S19.2E-1-1101-28006");
}

TEST_F(cGrabber, RepeatsOfConvertedSongsAndBlacklistedTracksAreSkipped)
{
  WriteFile(tracksPath, "Old:Song:1985:1000:200:2\n");
  ASSERT_TRUE(Tracks.Load(tracksPath.c_str(), true));
  WriteFile(root + "/blacklist.conf", "Banned;.*\nOld;Song\n");
  ASSERT_TRUE(Blacklist.Load((root + "/blacklist.conf").c_str(), true));
  AddTestEvent(MusicChannelID, TestEpoch, 30, "Old - Song (1985)");
  AddTestEvent(MusicChannelID, TestEpoch + 30, 30, "Banned - Tune (2001)");
  AddTestEvent(MusicChannelID, TestEpoch + 60, 30, "Fine - Tune (2002)");
  AddTestEvent(MusicChannelID, TestEpoch + 90, 30, "Old - Song (1985)");
  StartAndPass();
  cClock::Step(60000);
  VimoraConfig.avoidrepeats = 0;
  cClock::Step(30000);
  std::vector<std::string> lines = TrackLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1].substr(0, lines[1].find(':', 9)), "Old:Song:1985");
  EXPECT_EQ(lines[1].substr(lines[1].size() - 22), ":1:S19.2E-1-1092-10100");
  EXPECT_EQ(lines[2].substr(0, 11), "Banned:Tune");
  EXPECT_EQ(lines[2].substr(lines[2].size() - 22), ":1:S19.2E-1-1092-10100");
  EXPECT_EQ(lines[3].substr(lines[3].size() - 22), ":0:S19.2E-1-1092-10100");
  EXPECT_EQ(lines[4].substr(lines[4].size() - 22), ":1:S19.2E-1-1092-10100"); // now only blacklisted
  EXPECT_EQ(Messages("already done").size(), 1u);
  EXPECT_EQ(Messages("in blacklist - ignored").size(), 2u);
}

TEST_F(cGrabber, UnwritableCatalogueKeepsTheTrackInMemory)
{
  WriteFile(tracksPath, "Old:Song:1985:1000:200:0\n");
  ASSERT_TRUE(Tracks.Load(tracksPath.c_str(), true));
  ASSERT_EQ(mkdir((tracksPath + ".$$$").c_str(), 0755), 0);
  AddTestEvent(MusicChannelID, TestEpoch, 30, "A - B (1999)");
  AddTestEvent(MusicChannelID, TestEpoch + 30, 30, "C - D (1999)");
  StartAndPass();
  EXPECT_EQ(Tracks.Count(), 2);
  EXPECT_EQ(TrackLines().size(), 1u);
  rmdir((tracksPath + ".$$$").c_str());
  cClock::Step(30000);
  EXPECT_EQ(Tracks.Count(), 3);
  EXPECT_EQ(TrackLines().size(), 3u);
}

TEST_F(cGrabber, ExitDuringTheStartDelayMakesNoPass)
{
  AddTestEvent(MusicChannelID, TestEpoch, 300, "A - B (1999)");
  cGrabberThread::Init();
  cClock::Step(5000);
  cGrabberThread *first = cGrabberThread::m_Instance;
  cGrabberThread::Init();
  EXPECT_EQ(cGrabberThread::m_Instance, first);
  cGrabberThread::Exit();
  EXPECT_EQ(cGrabberThread::m_Instance, nullptr);
  cClock::Step(60000);
  EXPECT_EQ(Messages(), (std::vector<std::string>{ "Entering grabber thread", "Leaving grabber thread" }));
  EXPECT_EQ(Tracks.Count(), 0);
}

TEST_F(cGrabber, ExitRightAfterInitEndsTheThread)
{
  cGrabberThread::Init();
  cGrabberThread::Exit();
  cClock::Step(30000);
  EXPECT_EQ(cGrabberThread::m_Instance, nullptr);
  EXPECT_EQ(Messages("current event").size(), 0u);
}

// The capture side in one process: the plug-in loaded by the host, the host's recorder
// recording a timer of the music channel, and the grabber cataloguing its hour.
#include <vdr/clock.h>
#include <vdr/plugin.h>

#include "grabberthread.h"
#include "hostfixtures.h"
#include "pluginlog.h"
#include "testenv.h"
#include "tracks.h"

static const char *OtherChannelID = "S19.2E-1-1101-28006";

struct tBroadcast {
  int offset; // seconds after 20:00
  int duration;
  const char *title;
  int status; // in tracks.conf; -1: not a track
};

// An hour of the music channel from 20:00 on.
static const tBroadcast Hour[] = {
  { 0, 60, "Welcome to VimoraMusic", -1 },
  { 60, 240, "Nova - Frozen Lake (2001)", 0 },
  { 300, 210, "Silverlake - Moonlight (1999)", 0 },
  { 510, 200, "Repeat Artist - Old Song (1985)", 1 },
  { 710, 230, "Re Mix Crew - Go On (2004)", 0 },
  { 940, 45, "Chart Show - Next Up", -1 },
  { 985, 215, "Banned Band - Noise (2010)", 1 },
  { 1200, 240, "AC:DC Tribute - Thunder: Live (1990)", 0 },
  { 1440, 200, "X - Y - Z (2001)", 0 },
  { 1640, 250, "Artist - Song (Live) (1999)", 0 },
  { 1890, 30, "News", -1 },
  { 1920, 180, "Bj\xF6rk Fan - J\xF3ga (1997)", 0 },
  { 2100, 230, "Nova - Summer Rain (2003)", 0 },
  { 2330, 210, "The Quiet Ones - Whisper (1988)", 0 },
  { 2540, 260, "Moon Unit - Tides (1995)", 0 },
  { 2800, 200, "Old Timer - Ragtime (0)", -1 },
  { 3000, 240, "Pulse - Heartbeat (2012)", 0 },
  { 3240, 200, "Echo Lane - Return (2008)", 0 },
  { 3440, 150, "Late Night - Goodbye (2000)", 0 },
};

class cCaptureHour : public cTestEnv {
protected:
  cPluginManager *manager = NULL;
  std::string logPath, tracksPath;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    cClock::SetTime(TestEpoch - 60);
    AddTestChannel();
    AddTestChannel(OtherChannelID, "Other");
    for (const auto &b : Hour)
        AddTestEvent(MusicChannelID, TestEpoch + b.offset, b.duration, b.title);
    ASSERT_TRUE(MakeDirs(PluginConfigDir().c_str(), true));
    tracksPath = PluginConfigDir() + "/tracks.conf";
    WriteFile(tracksPath, "# converted last week\nRepeat Artist:Old Song:1985:1796000000:200:2:S19.2E-1-1092-10100\n");
    WriteFile(PluginConfigDir() + "/blacklist.conf", "Banned Band;.*\n");
    logPath = root + "/vimora.log";
    manager = StartVimoraHost("-v 2 -l " + logPath);
    ASSERT_NE(manager, nullptr);
  }
  void TearDown(void) override
  {
    StopVimoraHost(manager);
    cTestEnv::TearDown();
  }
  std::vector<std::string> Messages(const std::string &Containing) { return LogMessages(logPath, Containing); }
  bool Grabbing(void) { return cGrabberThread::m_Instance != NULL; }
  // Moves the clock to Seconds after 20:00.
  void At(int Seconds) { cClock::Step((TestEpoch + Seconds) * 1000ull - cClock::NowMs()); }
  int MusicRecordings(void)
  {
    cMutexLock lock(&cGrabberThread::channelsMutex);
    return cGrabberThread::GetChannel(MusicChannelID)->recordingCount;
  }
};

TEST_F(cCaptureHour, AnHourOfTheMusicChannelIsCatalogued)
{
  AddTestTimer(Channels.GetByChannelID(tChannelID::FromString(MusicChannelID)), TestEpoch, TestEpoch + 3600, "Music Hour");
  At(-1);
  EXPECT_FALSE(Grabbing());
  At(1);
  EXPECT_TRUE(Grabbing());
  EXPECT_EQ(MusicRecordings(), 1);
  At(1800);
  EXPECT_TRUE(Grabbing());
  At(3601);
  EXPECT_FALSE(Grabbing());
  EXPECT_EQ(MusicRecordings(), 0);

  ASSERT_TRUE(Recordings.Load());
  cRecording *recording = Recordings.First();
  ASSERT_NE(recording, nullptr);
  EXPECT_EQ(ReadFile(std::string(recording->FileName()) + "/vimora"), "S19.2E-1-1092-10100");

  // the new tracks were appended, and no line changed: the file keeps its comment
  std::vector<std::string> expected = { "# converted last week", "Repeat Artist:Old Song:1985:1796000000:200:2:S19.2E-1-1092-10100" };
  for (const auto &b : Hour) {
      if (b.status < 0)
         continue;
      cTrack t;
      t.eventTitle = b.title;
      t.channelId = MusicChannelID;
      t.CreateTrackInfo();
      t.startTime = TestEpoch + b.offset;
      t.duration = b.duration;
      t.status = b.status;
      expected.push_back(t.ToText());
  }
  EXPECT_EQ(Lines(ReadFile(tracksPath)), expected);
  EXPECT_EQ(expected[7], "AC|DC Tribute:Thunder| Live:1990:" + std::to_string(TestEpoch + 1200) + ":240:0:S19.2E-1-1092-10100");

  EXPECT_EQ(Messages("vimora recording started"), (std::vector<std::string>{ "vimora recording started 'Music Hour' on device 0" }));
  EXPECT_EQ(Messages("Entering grabber thread").size(), 1u);
  EXPECT_EQ(Messages("Leaving grabber thread").size(), 1u);
  EXPECT_EQ(Messages("add event on S19.2E-1-1092-10100 is: ").size(), expected.size() - 2);
  EXPECT_EQ(Messages("already done"), (std::vector<std::string>{ "already done" }));
  EXPECT_EQ(Messages("in blacklist - ignored"), (std::vector<std::string>{ "in blacklist - ignored" }));
  EXPECT_TRUE(Messages("current event").empty()); // level 3
  EXPECT_TRUE(Messages("match '").empty());       // level 3
}

TEST_F(cCaptureHour, AnotherChannelFirstInTheTimerListStopsTheGrabber)
{
  cTimer *news = AddTestTimer(Channels.GetByChannelID(tChannelID::FromString(OtherChannelID)), TestEpoch + 600, TestEpoch + 1200, "News");
  AddTestTimer(Channels.GetByChannelID(tChannelID::FromString(MusicChannelID)), TestEpoch, TestEpoch + 3600, "Music Hour");
  At(300);
  EXPECT_TRUE(Grabbing());
  At(601);
  EXPECT_TRUE(news->Recording());
  EXPECT_FALSE(Grabbing());
  EXPECT_EQ(MusicRecordings(), 1);
  At(1201);
  EXPECT_TRUE(Grabbing());
  At(3601);
  EXPECT_FALSE(Grabbing());
  EXPECT_EQ(Messages("Entering grabber thread").size(), 2u);
  // The music videos that ran while the other channel recorded were missed.
  std::string catalogue = ReadFile(tracksPath);
  EXPECT_NE(catalogue.find("Repeat Artist:Old Song:1985:" + std::to_string(TestEpoch + 510)), std::string::npos);
  EXPECT_EQ(catalogue.find("Re Mix Crew:Go On"), std::string::npos);
  EXPECT_EQ(catalogue.find("Banned Band:Noise"), std::string::npos);
  EXPECT_NE(catalogue.find("AC|DC Tribute"), std::string::npos);
}

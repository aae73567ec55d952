// The plug-in's recordings menu in the host's main loop, on recordings that the host's
// recorder made of the music channel while the grabber catalogued them: listing, cut
// marks from the catalogue, deletion (also of a recording still being made).
#include <vdr/clock.h>
#include <vdr/recording.h>
#include <vdr/timers.h>

#include "grabberthread.h"
#include "recorderenv.h"
#include "tracks.h"

class cRecordingsMenu : public cRecorderEnv {};

TEST_F(cRecordingsMenu, ListsTheMusicChannelsRecordingsOldestFirst)
{
  // back in time before the recorder sleeps, which would then sleep for a day
  cClock::SetTime(TestEpoch - 86400 - 60);
  Start();
  std::string yesterday = Record("Zulu Night", -86400, -86400 + 300);
  cClock::SetTime(TestEpoch - 60);
  std::string today = Record("Alpha Hour", 0, 3600);
  EXPECT_EQ(ReadFile(yesterday + "/vimora"), MusicChannelID);
  MakeTestRecording("Other News", TestEpoch + 7200, 250, 12, OtherChannelID);
  ASSERT_TRUE(Recordings.Load());
  ASSERT_STREQ(Recordings.First()->FileName(), today.c_str()); // the host lists by name

  OpenMenu();
  EXPECT_EQ(Screen().title, "2 Vimora Recordings");
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ "06.12.26\t20:00\t5'\tZulu Night", "07.12.26\t20:00\t60'\tAlpha Hour" }));
  EXPECT_EQ(Screen().current, 0);
  EXPECT_EQ(Screen().buttons[0], "Songs");
  EXPECT_EQ(Screen().buttons[1], "Mark");
  EXPECT_EQ(Screen().buttons[2], "Convert");
  EXPECT_EQ(Screen().buttons[3], "Delete");
  EXPECT_EQ(Screen().tabs[1], 9);
  EXPECT_EQ(Screen().tabs[2], 16);
  Press({ kBack });
  EXPECT_EQ(Screen().title, "Main Menu");
}

TEST_F(cRecordingsMenu, WithoutMarkedRecordingsEveryKeyDoesNothing)
{
  Start();
  std::string news = MakeTestRecording("Other News", TestEpoch, 2500, 12, OtherChannelID);
  OpenMenu();
  EXPECT_EQ(Screen().title, "0 Vimora Recordings");
  EXPECT_TRUE(Screen().items.empty());
  Press({ kOk, kRed, kGreen, kYellow, kBlue, kOk });
  EXPECT_NE(loop->Menu(), nullptr);
  EXPECT_EQ(Screen().title, "0 Vimora Recordings");
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(FileExists(news + "/marks"));
  EXPECT_NE(Recordings.GetByName(news.c_str()), nullptr);
}

// An hour of the music channel, catalogued by the grabber while it was recorded.
struct tBroadcast {
  int offset; // seconds after 20:00
  int duration;
  const char *title;
};

static const tBroadcast Hour[] = {
  { -120, 240, "Early Bird - Dawn (1990)" },         // began before the recording
  { 120, 480, "Silverlake - Moonlight (1999)" },
  { 600, 200, "Nova - Frozen Lake (2001)" },
  { 800, 240, "Banned Band - Noise (2010)" },        // blacklisted: skipped
  { 1040, 60, "Chart Show - Next Up" },               // no track
  { 1100, 200, "Old Timer - Ragtime (987)" },
  { 1300, 220, "Repeat Artist - Old Song (1985)" },  // converted before: skipped
  { 1520, 1980, "Long Mix - Marathon (2005)" },
  { 3500, 240, "Late Night - Goodbye (2000)" },      // ends after the recording
};

TEST_F(cRecordingsMenu, GreenMarksEachSelectedTrackInsideTheRecording)
{
  std::string catalogue =
    "Repeat Artist:Old Song:1985:1796000000:200:2:S19.2E-1-1092-10100\n"
    // converted, of another channel, a selected one of another channel
    "Done Artist:Done Song:1995:" + std::to_string(TestEpoch + 1600) + ":100:2:S19.2E-1-1092-10100\n" +
    "Other Artist:Other Song:2000:" + std::to_string(TestEpoch + 1700) + ":100:0:" + OtherChannelID + "\n";
  Start(catalogue);
  for (const auto &b : Hour)
      AddTestEvent(MusicChannelID, TestEpoch + b.offset, b.duration, b.title);
  std::string hour = Record("Music Hour", 0, 3600);
  ASSERT_NE(ReadFile(tracksPath).find("Late Night:Goodbye:2000:" + std::to_string(TestEpoch + 3500)), std::string::npos);
  WriteFile(hour + "/marks", "0:00:10.01 set by hand\n0:30:00.01\n");

  OpenMenu();
  Press({ kGreen });
  // With offset 3 the start of "Frozen Lake" 600 s in is searched from frame 15075.
  std::vector<std::string> expected = {
    MarkLine(3084, "Silverlake|Moonlight|1999"), MarkLine(15072),
    MarkLine(15084, "Nova|Frozen Lake|2001"), MarkLine(20064),
    MarkLine(27576, "Old Timer|Ragtime|0987"), MarkLine(32568),
    MarkLine(38076, "Long Mix|Marathon|2005"), MarkLine(87564),
  };
  EXPECT_EQ(Marks(hour), expected);
  EXPECT_EQ(Messages(), (std::vector<std::string>{ "info: Marks created!" }));
  std::string first = ReadFile(hour + "/marks");
  Press({ kGreen });
  EXPECT_EQ(ReadFile(hour + "/marks"), first);

  // Without its index the recording has no frames to mark.
  ASSERT_EQ(unlink((hour + "/index").c_str()), 0);
  Skins.TextSkin()->ForgetMessages();
  Press({ kGreen });
  EXPECT_TRUE(FileExists(hour + "/marks"));
  EXPECT_EQ(ReadFile(hour + "/marks"), "");
  EXPECT_EQ(Messages(), (std::vector<std::string>{ "info: Marks created!" }));
}

TEST_F(cRecordingsMenu, BlueDeletesOnlyWhenConfirmed)
{
  Start();
  std::string first = Record("First Hour", 0, 3600);
  std::string second = Record("Second Hour", 3600, 7200);
  OpenMenu();
  Press({ kDown, kBlue, kBack });
  EXPECT_EQ(Messages(), (std::vector<std::string>{ "warning: Delete recording?" }));
  EXPECT_TRUE(FileExists(second + "/index"));
  EXPECT_NE(Recordings.GetByName(second.c_str()), nullptr);
  EXPECT_EQ(Screen().title, "2 Vimora Recordings");

  Press({ kBlue, kOk });
  EXPECT_FALSE(FileExists(second));
  EXPECT_EQ(Recordings.GetByName(second.c_str()), nullptr);
  EXPECT_EQ(Screen().title, "1 Vimora Recordings");
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ "07.12.26\t20:00\t60'\tFirst Hour" }));
  EXPECT_EQ(Screen().current, 0);
  EXPECT_TRUE(FileExists(first + "/index"));

  Press({ kBlue, kOk });
  EXPECT_EQ(Screen().title, "0 Vimora Recordings");
  EXPECT_FALSE(FileExists(first));
  Skins.TextSkin()->ForgetMessages();
  Press({ kBlue });
  EXPECT_TRUE(Messages().empty());
}

TEST_F(cRecordingsMenu, DeletingARecordingStillBeingMadeStopsItAndDropsItsSingleTimer)
{
  Start();
  cTimer *timer = AddTestTimer(music, TestEpoch, TestEpoch + 3600, "Music Hour");
  At(1800);
  ASSERT_TRUE(timer->Recording());
  ASSERT_NE(cGrabberThread::m_Instance, nullptr);
  OpenMenu();
  ASSERT_EQ(Screen().items.size(), 1u);
  std::string fileName = Recordings.First()->FileName();

  Press({ kBlue, kOk, kBack });
  EXPECT_EQ(Messages(), (std::vector<std::string>{ "warning: Delete recording?", "warning: Timer still recording - really delete?" }));
  EXPECT_EQ(Timers.Count(), 1);
  EXPECT_TRUE(timer->Recording());
  EXPECT_TRUE(FileExists(fileName + "/index"));
  EXPECT_EQ(Screen().title, "1 Vimora Recordings");

  Press({ kBlue, kOk, kOk });
  EXPECT_EQ(Timers.Count(), 0);
  EXPECT_EQ(cRecordControls::GetRecordControl(fileName.c_str()), nullptr);
  EXPECT_FALSE(FileExists(fileName));
  EXPECT_EQ(Screen().title, "0 Vimora Recordings");
  EXPECT_TRUE(HostLogHas("deleting timer 1 ("));
  // no recording and no timer left: the grabber has stopped
  EXPECT_EQ(cGrabberThread::m_Instance, nullptr);
  At(1900);
  EXPECT_FALSE(FileExists(fileName));
}

TEST_F(cRecordingsMenu, DeletingARecordingOfARepeatingTimerSkipsTodaysRun)
{
  Start();
  cTimer *timer = new cTimer;
  ASSERT_TRUE(timer->Parse(cString::sprintf("1:%s:MTWTFSS:2000:2100:50:99:Nightly:", MusicChannelID)));
  Timers.Add(timer);
  At(600);
  ASSERT_TRUE(timer->Recording());
  OpenMenu();
  std::string fileName = Recordings.First()->FileName();
  Press({ kBlue, kOk, kOk });
  ASSERT_EQ(Timers.Count(), 1);
  EXPECT_FALSE(timer->Recording());
  EXPECT_FALSE(FileExists(fileName));
  EXPECT_FALSE(HostLogHas("deleting timer"));
  At(1200); // the rest of today's run is not recorded again
  EXPECT_FALSE(timer->Recording());
  EXPECT_FALSE(FileExists(fileName));
  EXPECT_EQ(timer->StartTime(), TestEpoch + 86400);
}

TEST_F(cRecordingsMenu, ARecordingTheHostForgotIsReportedOnEveryKey)
{
  Start();
  std::string hour = Record("Music Hour", 0, 3600);
  OpenMenu();
  Recordings.DelByName(hour.c_str());
  for (eKeys k : { kOk, kRed, kGreen, kYellow, kBlue }) {
      Skins.TextSkin()->ForgetMessages();
      Press({ k });
      EXPECT_EQ(Messages(), (std::vector<std::string>{ "error: Error while accessing recording!" })) << k;
  }
  EXPECT_FALSE(FileExists(hour + "/marks"));
  EXPECT_TRUE(FileExists(hour + "/index"));
  EXPECT_EQ(Screen().title, "1 Vimora Recordings");
}

TEST_F(cRecordingsMenu, YellowWithoutAPairOfMarksSaysSo)
{
  Start();
  std::string hour = Record("Music Hour", 0, 3600);
  WriteFile(hour + "/marks", "0:01:00.01 A|B|1999\n");
  OpenMenu();
  Press({ kYellow });
  EXPECT_EQ(Messages(), (std::vector<std::string>{ "error: No marks available!" }));
}

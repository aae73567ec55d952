// The plug-in's replay control through the host's main loop: its keys, mark editing,
// the time search, the info page, its displays and its end.
#include <vdr/clock.h>
#include <vdr/config.h>
#include <vdr/player.h>
#include <vdr/remote.h>
#include <vdr/status.h>

#include "replay_control.h"
#include "replayfixture.h"
#include "tracks.h"
#include "vimora_config.h"

class cReplayControl : public cReplayEnv {};

typedef std::vector<std::pair<int, std::string>> tMarks;

TEST_F(cReplayControl, OkTogglesTheProgressDisplayWhichFollowsTheReplay)
{
  Launch();
  EXPECT_FALSE(Screen().replay);
  Press({ kOk });
  ASSERT_TRUE(Screen().replay);
  EXPECT_FALSE(Screen().modeOnly);
  EXPECT_EQ(Screen().replayTitle, Recordings.GetByName(dir.c_str())->Title(' ', false, -1));
  EXPECT_EQ(Screen().totalTime, "0:10:00");
  EXPECT_EQ(Screen().progressTotal, 15000);
  Pass(4000);
  EXPECT_EQ(Screen().currentTime, "0:00:04");
  EXPECT_EQ(Screen().progressCurrent, 100);
  Press({ kOk });
  EXPECT_FALSE(Screen().replay);
  EXPECT_NE(cControl::Control(), nullptr);
}

TEST_F(cReplayControl, RecordingWithoutFramesOpensNoDisplay)
{
  std::string empty = MakeTestRecording("Empty", TestEpoch + 3600, 0);
  cVimoraReplayControl::SetRecording(empty.c_str(), "Empty");
  cVimoraReplayControl *control = new cVimoraReplayControl;
  cControl::Launch(control);
  control->Show();
  EXPECT_FALSE(Screen().replay);
  loop->Step();
  EXPECT_EQ(cControl::Control(), nullptr); // nothing to play: the control ends
}

TEST_F(cReplayControl, PlayerKeys)
{
  Launch(25 * 120);
  Press({ kDown });
  EXPECT_FALSE(Playing());
  Pass(2000);
  EXPECT_EQ(Position(), 3000);
  Press({ kUp });
  EXPECT_TRUE(Playing());
  Press({ kGreen, eKeys(kGreen | k_Repeat) });
  EXPECT_EQ(Position(), 0);
  Press({ kYellow });
  EXPECT_EQ(Position(), 1500);
  Press({ kRight });
  Pass(1000);
  EXPECT_EQ(Position(), 1700); // eight times as fast
  Press({ eKeys(kRight | k_Release) });
  Pass(1000);
  EXPECT_EQ(Position(), 1725); // released: back to normal play
  ::Setup.MultiSpeedMode = 1;
  Press({ kFastRew, eKeys(kFastRew | k_Release) });
  Pass(1000);
  EXPECT_EQ(Position(), 1675); // the release leaves the slowest rewind running
}

TEST_F(cReplayControl, BlueEndsTheReplayAndTheLastRecordingIsKept)
{
  Launch();
  EXPECT_STREQ(cVimoraReplayControl::NowReplaying(), dir.c_str());
  Press({ kBlue });
  EXPECT_EQ(cControl::Control(), nullptr);
  EXPECT_EQ(cVimoraReplayControl::NowReplaying(), nullptr);
  EXPECT_STREQ(cVimoraReplayControl::LastReplayed(), dir.c_str());
  EXPECT_STREQ(*cRemote::GetPlugin(), "vimora"); // the plug-in's menu comes back
  cVimoraReplayControl::ClearLastReplayed((dir + "x").c_str());
  EXPECT_STREQ(cVimoraReplayControl::LastReplayed(), dir.c_str());
  cVimoraReplayControl::ClearLastReplayed(dir.c_str());
  EXPECT_EQ(cVimoraReplayControl::LastReplayed(), nullptr);
}

TEST_F(cReplayControl, BackAsksForTheRecordingsAndTheEndOfTheRecordingEndsTheControl)
{
  Launch(25 * 595);
  Press({ kBack });
  EXPECT_EQ(cControl::Control(), nullptr);
  EXPECT_STREQ(*cRemote::GetPlugin(), "vimora");
  Launch(25 * 595);
  Pass(6000);
  EXPECT_EQ(cControl::Control(), nullptr);
}

class cReplayListener : public cStatus {
public:
  std::vector<std::string> events;

protected:
  virtual void Replaying(const cControl *, const char *Name, const char *FileName, bool On)
  {
    events.push_back(std::string(On ? "start " : "stop ") + (Name ? Name : "-") + " " + FileName);
  }
};

TEST_F(cReplayControl, ReplacedReplayReportsItsOwnEndAndBringsNoMenu)
{
  std::string other = MakeTestRecording("Other", TestEpoch + 3600, 25 * 60);
  cReplayListener listener;
  Launch();
  cVimoraReplayControl::Replay(Recordings.GetByName(other.c_str()));
  EXPECT_EQ(listener.events, (std::vector<std::string>{ "start Music " + dir, "stop - " + dir, "start Other " + other }));
  EXPECT_EQ(*cRemote::GetPlugin(), nullptr);
  EXPECT_STREQ(cVimoraReplayControl::NowReplaying(), other.c_str());
}

TEST_F(cReplayControl, InfoKeyShowsTheCatalogueTrackUnderThePosition)
{
  AddTrack("Elsewhere", "Other Channel", 1999, 0, 600, 0, "S19.2E-1-1101-28006");
  AddTrack("Nova", "Frozen Lake", 2001, 60, 240, 1);
  AddTrack("Late", "Covered", 1990, 100, 100);
  AddTrack("Old", "Five", 5, 400, 100, 2);
  Launch(25 * 150);
  Press({ k5 });
  ASSERT_NE(loop->Menu(), nullptr);
  EXPECT_EQ(Screen().title, "Track info");
  EXPECT_EQ(Screen().text, "Artist: Nova\nTitle: Frozen Lake\nYear: 2001\n");
  Press({ kOk });
  EXPECT_EQ(loop->Menu(), nullptr);
  Press({ kYellow, kYellow, kYellow, kYellow }); // 390 s: between the tracks
  Press({ k5 });
  EXPECT_EQ(loop->Menu(), nullptr);
  Press({ kYellow });
  Press({ k5 });
  EXPECT_EQ(Screen().text, "Artist: Old\nTitle: Five\nYear: 0005\n");
}

TEST_F(cReplayControl, TrackThatBeganBeforeTheRecordingIsFoundUntilItsEnd)
{
  AddTrack("Early", "Bird", 1980, -30, 60);
  Launch(25 * 20);
  Press({ k5 });
  EXPECT_EQ(Screen().text, "Artist: Early\nTitle: Bird\nYear: 1980\n");
  Press({ kOk, kYellow, k5 });
  EXPECT_EQ(loop->Menu(), nullptr);
}

TEST_F(cReplayControl, ZeroAddsAMarkAtTheIFrameAndRemovesOne)
{
  Launch(1000);
  Press({ kDown, k0 });
  EXPECT_EQ(ReadMarks(), (tMarks{ { 996, "" } }));
  EXPECT_EQ(Position(), 996); // the paused picture moves to the mark
  EXPECT_TRUE(Screen().replay);
  Pass(2000);
  EXPECT_TRUE(Screen().replay);
  Pass(1000);
  EXPECT_FALSE(Screen().replay); // shown for two seconds
  Press({ k0 });
  EXPECT_EQ(ReadMarks(), tMarks{});
  Press({ kUp });
  Pass(1000);
  Press({ k0 });
  EXPECT_EQ(ReadMarks(), (tMarks{ { 1020, "" } }));
  EXPECT_EQ(Position(), 1021); // playing on
}

TEST_F(cReplayControl, MarksMoveButNeverOntoTheirNeighbours)
{
  WriteMarks({ { 1200, "A|B|1987" }, { 1260, NULL } });
  Launch(1000);
  Press({ kDown, k9 });
  EXPECT_EQ(Position(), 1200);
  Press({ k6 });
  EXPECT_EQ(ReadMarks(), (tMarks{ { 1201, "A|B|1987" }, { 1260, "" } }));
  Press({ k4, k3 });
  EXPECT_EQ(ReadMarks(), (tMarks{ { 1250, "A|B|1987" }, { 1260, "" } }));
  EXPECT_EQ(Position(), 1250);
  Press({ eKeys(k3 | k_Repeat) }); // 1300 would pass the end mark
  EXPECT_EQ(ReadMarks(), (tMarks{ { 1250, "A|B|1987" }, { 1260, "" } }));
  EXPECT_EQ(Position(), 1250);
  Press({ kOk }); // keeps the frame display the move switched on
  EXPECT_EQ(Screen().currentTime, "0:00:50.00");
  Press({ kOk, k9, k1 }); // the end mark back to 1210 would pass the start mark
  EXPECT_EQ(ReadMarks(), (tMarks{ { 1250, "A|B|1987" }, { 1260, "" } }));
  EXPECT_EQ(Position(), 1260);
  Press({ k7, k1, k1 }); // the first mark has no predecessor
  EXPECT_EQ(ReadMarks(), (tMarks{ { 1150, "A|B|1987" }, { 1260, "" } }));
  Press({ kUp });
  Pass(1000);
  Press({ k6, k4 }); // no mark at the replay position
  EXPECT_EQ(ReadMarks(), (tMarks{ { 1150, "A|B|1987" }, { 1260, "" } }));
}

TEST_F(cReplayControl, JumpsBetweenMarksAndEditTest)
{
  WriteMarks({ { 1200, "A|B|1987" }, { 2400, NULL }, { 3600, "C|D|1990" }, { 4800, NULL } });
  Launch(2000);
  Press({ kDown, k9 });
  EXPECT_EQ(Position(), 2400);
  EXPECT_FALSE(Playing());
  Press({ kNext, eKeys(k9 | k_Repeat) });
  EXPECT_EQ(Position(), 4800);
  Press({ k9 });
  EXPECT_EQ(Position(), 4800);
  Press({ kPrev, k7, eKeys(kPrev | k_Repeat) });
  EXPECT_EQ(Position(), 1200);
  Press({ k7 });
  EXPECT_EQ(Position(), 1200);
  Press({ k8 }); // on a start mark: three seconds before it
  EXPECT_EQ(Position(), 1125);
  EXPECT_TRUE(Playing());
  Press({ k9, k9, k8 }); // on the end mark 2400: before the next start mark
  EXPECT_EQ(Position(), 3525);
  EXPECT_TRUE(Playing());
  Press({ k9, k9, k8 }); // nothing follows the last end mark
  EXPECT_EQ(Position(), 4800);
  EXPECT_FALSE(Playing());
}

TEST_F(cReplayControl, TwoRemovesTheTrackUnderThePositionAfterConfirmation)
{
  WriteMarks({ { 1200, "A|B|1987" }, { 2400, NULL }, { 3600, "C|D|1990" }, { 4800, NULL }, { 6000, "E|F|2000" }, { 7200, NULL } });
  Launch(4000);
  Press({ kDown, kOk, k2, kBack }); // declined
  EXPECT_EQ(ReadMarks().size(), 6u);
  EXPECT_TRUE(HostLogHas("confirm: Remove track?"));
  EXPECT_FALSE(Screen().replay); // hidden for the question
  Press({ k2, kOk });
  EXPECT_EQ(ReadMarks(), (tMarks{ { 1200, "A|B|1987" }, { 2400, "" }, { 6000, "E|F|2000" }, { 7200, "" } }));
  hostLog.clear();
  Press({ k9 }); // 6000, a start mark
  Press({ k2 });
  EXPECT_FALSE(HostLogHas("confirm"));
  Press({ k9, k2, kOk }); // 7200, the end mark
  EXPECT_EQ(ReadMarks(), (tMarks{ { 1200, "A|B|1987" }, { 2400, "" } }));
  hostLog.clear();
  Press({ kUp });
  Pass(1000); // after the last mark, an end mark is the one before
  Press({ k2 });
  EXPECT_FALSE(HostLogHas("confirm"));
}

TEST_F(cReplayControl, TwoNeedsACommentedStartAndAPlainEnd)
{
  WriteMarks({ { 1200, NULL }, { 2400, NULL }, { 3600, "C|D|1990" }, { 4800, "E|F|2000" } });
  Launch(4000);
  Press({ kDown, k2 }); // the end has a comment
  Press({ k7, k7, k2 }); // on the end mark 2400, whose start has none
  Press({ k7, kUp });
  Pass(1000);
  Press({ k2 });
  EXPECT_FALSE(HostLogHas("confirm"));
  EXPECT_EQ(ReadMarks().size(), 4u);
}

TEST_F(cReplayControl, TwoDoesNothingForARecordingTheHostNoLongerLists)
{
  WriteMarks({ { 1200, "A|B|1987" }, { 2400, NULL } });
  Launch(2000);
  Recordings.DelByName(dir.c_str());
  Press({ kDown, k2 });
  EXPECT_FALSE(HostLogHas("confirm"));
  EXPECT_EQ(ReadMarks().size(), 2u);
}

class cReplayTimeSearch : public cReplayControl {
protected:
  std::string longDir;
  void SetUp(void) override
  {
    cReplayControl::SetUp();
    longDir = MakeTestRecording("Long", TestEpoch + 7200, 25 * 7200);
  }
  void LaunchLong(void)
  {
    cVimoraReplayControl::Replay(Recordings.GetByName(longDir.c_str()));
  }
};

TEST_F(cReplayTimeSearch, DigitsFillTheTimeFromTheRight)
{
  LaunchLong();
  Press({ kRed });
  ASSERT_TRUE(Screen().replay);
  EXPECT_EQ(Screen().jump, "Jump: --:--");
  Press({ k1 });
  EXPECT_EQ(Screen().jump, "Jump: --:-1");
  Press({ k3 });
  EXPECT_EQ(Screen().jump, "Jump: --:13");
  Press({ k0 });
  EXPECT_EQ(Screen().jump, "Jump: -1:30");
  Press({ k2 });
  EXPECT_EQ(Screen().jump, "Jump: 13:02");
  Press({ k9 });
  EXPECT_EQ(Screen().jump, "Jump: 13:02"); // a fifth digit is ignored
  Press({ kBlue }); // any other key only ends the search
  EXPECT_FALSE(Screen().replay);
  EXPECT_NE(cControl::Control(), nullptr);
}

TEST_F(cReplayTimeSearch, UpPlaysFromTheTimeAndOkStaysPaused)
{
  LaunchLong();
  Press({ kRed, k1, k3, k0, kUp });
  EXPECT_EQ(Position(), 5400 * 25);
  EXPECT_TRUE(Playing());
  EXPECT_FALSE(Screen().replay); // the search opened the display and closes it
  Press({ kOk, kRed, k1, k3, k0, kOk });
  EXPECT_EQ(Position(), 5400 * 25);
  EXPECT_FALSE(Playing());
  EXPECT_TRUE(Screen().replay); // it was open before the search
  EXPECT_EQ(Screen().jump, "");
}

TEST_F(cReplayTimeSearch, ATimePastTheEndGoesToTenSecondsBeforeIt)
{
  Launch();
  Press({ kRed, k1, k3, k0, kUp });
  EXPECT_EQ(Position(), 590 * 25);
  Press({ kRed, k2, kLeft });
  EXPECT_EQ(Position(), 470 * 25);
  Press({ kRed, k4, kRight });
  EXPECT_EQ(Position(), 590 * 25);
}

TEST_F(cReplayTimeSearch, BackOnlyEndsTheSearch)
{
  LaunchLong();
  Press({ kRed, k1, kBack });
  EXPECT_NE(cControl::Control(), nullptr);
  EXPECT_EQ(loop->Menu(), nullptr);
  EXPECT_FALSE(Screen().replay);
  Press({ kBack });
  EXPECT_EQ(cControl::Control(), nullptr);
}

TEST_F(cReplayTimeSearch, FiveQueuesTheInfoKeyAndLeavesTheSearch)
{
  LaunchLong();
  Press({ kRed, k1, k5 });
  EXPECT_EQ(loop->Menu(), nullptr); // no track here: no page
  EXPECT_EQ(Screen().jump, "Jump: --:-1");
  Press({ k3 });
  EXPECT_EQ(Screen().jump, "Jump: --:13");
}

TEST_F(cReplayControl, ModeSymbolShowsTrickModesAndGoesThreeSecondsAfterPlay)
{
  ::Setup.ShowReplayMode = 1;
  Launch();
  Press({ kUp });
  EXPECT_FALSE(Screen().replay); // normal play needs no symbol
  Press({ kRight });
  ASSERT_TRUE(Screen().replay);
  EXPECT_TRUE(Screen().modeOnly);
  EXPECT_TRUE(Screen().play);
  EXPECT_TRUE(Screen().forward);
  EXPECT_EQ(Screen().speed, 0);
  Press({ kRight });
  EXPECT_EQ(Screen().speed, -1);
  Pass(3000);
  EXPECT_TRUE(Screen().replay);
  Pass(1000);
  EXPECT_FALSE(Screen().replay);
  Press({ kDown });
  EXPECT_TRUE(Screen().modeOnly); // paused
  Press({ kOk });
  EXPECT_FALSE(Screen().modeOnly); // the full display replaces the symbol
  EXPECT_TRUE(Screen().replay);
}

TEST_F(cReplayControl, TitleFollowsTheNamePatternAndStaysWhenTheHostForgetsTheRecording)
{
  VimoraConfig.format = "%year%: %artist%";
  WriteMarks({ { 1200, "A|B|1987" }, { 2400, NULL }, { 3600, "set by hand" } });
  Launch(1500);
  Press({ kOk });
  EXPECT_EQ(Screen().replayTitle, "1987: A");
  Press({ kYellow, kYellow }); // 4500: a comment without fields is taken as it is
  Pass(0);
  EXPECT_EQ(Screen().replayTitle, "set by hand");
  Recordings.DelByName(dir.c_str());
  Press({ kGreen, kGreen });
  Pass(0);
  EXPECT_EQ(Screen().replayTitle, "set by hand");
}

class cReplayAtFifty : public cReplayControl {
public:
  cReplayAtFifty(void) { framesPerSecond = 50; }
};

// The display's times, the track under the position, the time search, the edit test and
// a mark's time with its frames count the seconds of a recording at 50 frames.
TEST_F(cReplayAtFifty, TimesTracksAndSearchesAreInItsSeconds)
{
  AddTrack("Nova", "Frozen Lake", 2001, 60, 240);
  WriteMarks({ { 3000, "A|B|1987" }, { 6000, NULL } });
  Launch(50 * 150);
  Press({ kOk });
  EXPECT_EQ(Screen().totalTime, "0:10:00");
  EXPECT_EQ(Screen().progressTotal, 30000);
  Pass(4000);
  EXPECT_EQ(Screen().currentTime, "0:02:34");
  EXPECT_EQ(Screen().progressCurrent, 7700);
  Press({ k5 });
  EXPECT_EQ(Screen().text, "Artist: Nova\nTitle: Frozen Lake\nYear: 2001\n");
  Press({ kOk, kRed, k1, kOk }); // one minute: the start mark
  EXPECT_EQ(Position(), 3000);
  Press({ k8 });
  EXPECT_EQ(Position(), 2850); // three seconds before it
  Press({ kRed, k1, k3, k0, kUp });
  EXPECT_EQ(Position(), 29500); // ten seconds before the end
  Press({ k7, k6 });
  EXPECT_EQ(ReadMarks(), (tMarks{ { 3000, "A|B|1987" }, { 6001, "" } }));
  Press({ kOk }); // the display, with the frames the move switched on
  EXPECT_EQ(Screen().currentTime, "0:02:00.01");
}

// Replay from the plug-in's menus on a recording that the host's recorder made while the
// grabber catalogued its tracks, with the cut marks of the green key: the replay control
// started by OK and by the tracks menu, its track title, info page and track removal,
// and the menus that come back when the replay ends.
#include <vdr/clock.h>
#include <vdr/dvbplayer.h>
#include <vdr/player.h>
#include <vdr/remote.h>
#include <vdr/recording.h>

#include "recorderenv.h"
#include "tracks.h"

struct tBroadcast {
  int offset; // seconds after 20:00
  int duration;
  const char *title;
};

// With the default offset of 3 s the green key marks 1584-7572, 7584-12564 and 12576-18564.
static const tBroadcast Quarter[] = {
  { 60, 240, "Nova - Frozen Lake (2001)" },
  { 300, 200, "Old Timer - Five (5)" },
  { 500, 240, "Silverlake - Moonlight (1999)" },
  { 740, 160, "Chart Show - Next Up" },
};

class cReplayMenus : public cRecorderEnv {
protected:
  std::string music, later;
  void SetUp(void) override
  {
    cRecorderEnv::SetUp();
    Start();
    for (const auto &b : Quarter)
        AddTestEvent(MusicChannelID, TestEpoch + b.offset, b.duration, b.title);
    music = Record("Music", 0, 900);
    later = Record("Later", 1800, 2100);
  }
  cDvbPlayerControl *Player(void) { return dynamic_cast<cDvbPlayerControl *>(cControl::Control()); }
  std::string Title(const std::string &FileName) { return Recordings.GetByName(FileName.c_str())->Title(' ', false, -1); }
  int Position(void)
  {
    int current = -1, total = -1;
    if (!Player() || !Player()->GetIndex(current, total))
       ADD_FAILURE() << "no replay";
    return current;
  }
  // One round of the main loop, then the rounds for the keys it queued.
  void Settle(void)
  {
    loop->Step();
    while (cRemote::HasKeys())
      loop->Step();
  }
};

TEST_F(cReplayMenus, OkReplaysFromTheFirstMarkAndTheMenuComesBackAtTheRecording)
{
  OpenMenu();
  Press({ kGreen, kOk });
  EXPECT_EQ(loop->Menu(), nullptr);
  EXPECT_EQ(Position(), 1584);
  Press({ kBlue });
  EXPECT_EQ(cControl::Control(), nullptr);
  Settle();
  ASSERT_NE(loop->Menu(), nullptr);
  EXPECT_EQ(Screen().title, "2 Vimora Recordings");
  EXPECT_EQ(Screen().current, 0);
  int resume = cResumeFile(music.c_str()).Read();
  EXPECT_LT(resume, 1584); // the player stored where it stopped, a little before

  Press({ kDown, kOk });
  EXPECT_EQ(Position(), 0); // no marks, never replayed
  Press({ kBlue });
  Settle();
  EXPECT_EQ(Screen().current, 1);
  Press({ kUp, kOk });
  EXPECT_EQ(Position(), resume);
}

TEST_F(cReplayMenus, TheTitleNamesTheTrackBetweenItsMarks)
{
  OpenMenu();
  Press({ kGreen, kOk, kOk });
  ASSERT_TRUE(Screen().replay);
  EXPECT_EQ(Screen().replayTitle, "Nova - Frozen Lake (2001)");
  Press({ k9 }); // the end mark's own frame still belongs to the track
  Settle();
  EXPECT_EQ(Position(), 7572);
  EXPECT_EQ(Screen().replayTitle, "Nova - Frozen Lake (2001)");
  Press({ kUp });
  cClock::Step(200);
  Settle();
  EXPECT_EQ(Position(), 7577);
  EXPECT_EQ(Screen().replayTitle, Title(music));
  cClock::Step(400);
  Settle();
  EXPECT_EQ(Screen().replayTitle, "Old Timer - Five (0005)");
}

TEST_F(cReplayMenus, InfoPageAndTrackRemovalOnTheGreenKeysMarks)
{
  OpenMenu();
  Press({ kGreen, kOk, k5 });
  EXPECT_EQ(Screen().title, "Track info");
  EXPECT_EQ(Screen().text, "Artist: Nova\nTitle: Frozen Lake\nYear: 2001\n");
  Press({ kOk, k2 }); // on the start mark's frame
  EXPECT_FALSE(HostLogHas("confirm"));
  cClock::Step(1000);
  Press({ k2, kOk });
  EXPECT_EQ(Marks(music), (std::vector<std::string>{ MarkLine(7584, "Old Timer|Five|0005"), MarkLine(12564), MarkLine(12576, "Silverlake|Moonlight|1999"), MarkLine(18564) }));
  Press({ k9, k5 });
  EXPECT_EQ(Screen().text, "Artist: Old Timer\nTitle: Five\nYear: 0005\n");
  // the catalogue is untouched: the removed track still has its info page
  Press({ kOk, kGreen, k5 }); // a minute back, inside it again
  EXPECT_EQ(Screen().text, "Artist: Nova\nTitle: Frozen Lake\nYear: 2001\n");
}

TEST_F(cReplayMenus, ATrackReplayedFromTheTracksMenuBringsThatMenuBackAtItsLine)
{
  OpenMenu();
  Press({ kRed });
  EXPECT_EQ(Screen().title, "3 Songs");
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ ">\tNova\tFrozen Lake\t2001", ">\tOld Timer\tFive\t0005", ">\tSilverlake\tMoonlight\t1999" }));
  Press({ kDown, kDown, kOk });
  EXPECT_EQ(loop->Menu(), nullptr);
  EXPECT_EQ(Position(), 12576);
  cClock::Step(400 * 1000); // to the end of the recording
  Settle();
  EXPECT_EQ(cControl::Control(), nullptr);
  Settle();
  ASSERT_NE(loop->Menu(), nullptr);
  EXPECT_EQ(Screen().title, "3 Songs");
  EXPECT_EQ(Screen().current, 2);
  Press({ kBack });
  EXPECT_EQ(Screen().title, "2 Vimora Recordings");
  Press({ kRed });
  EXPECT_EQ(Screen().current, 0);
}

TEST_F(cReplayMenus, TracksSwitchedOffInTheTracksMenuGetNoMarks)
{
  OpenMenu();
  Press({ kRed, kDown, kRed });
  EXPECT_EQ(Screen().items[1], "\tOld Timer\tFive\t0005");
  cClock::Step(1000); // the catalogue's writer has a second for it
  EXPECT_NE(ReadFile(tracksPath).find("Old Timer:Five:5:" + std::to_string(TestEpoch + 300) + ":200:1:"), std::string::npos);
  Press({ kBack, kGreen });
  EXPECT_EQ(Marks(music), (std::vector<std::string>{ MarkLine(1584, "Nova|Frozen Lake|2001"), MarkLine(7572), MarkLine(12576, "Silverlake|Moonlight|1999"), MarkLine(18564) }));
}

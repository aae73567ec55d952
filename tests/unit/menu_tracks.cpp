// The tracks menu of a recording: which tracks it lists and how, switching them on
// and off, applying the blacklist again and replaying one track.
#include <memory>
#include <vdr/player.h>
#include <vdr/remote.h>

#include "blacklist.h"
#include "menu_tracks.h"
#include "replay_control.h"
#include "replayfixture.h"
#include "tracks.h"
#include "vimora_config.h"

class cMenuTracksTest : public cReplayEnv {
protected:
  std::unique_ptr<cMenuTracks> menu;
  void SetUp(void) override
  {
    cReplayEnv::SetUp();
    AddTrack("Nova", "Frozen Lake", 2001, 60, 240);
    AddTrack("Elsewhere", "Other Channel", 1999, 100, 100, 0, "S19.2E-1-1101-28006");
    AddTrack("Skip", "Ped", 1999, 300, 200, 1);
    AddTrack("Early", "Bird", 1980, -30, 60);
    AddTrack("Done", "Conv", 7, 500, 90, 2);
    AddTrack("Late", "Runner", 2010, 550, 100);
    AddTrack("Tomorrow", "Show", 2011, 86400, 100);
  }
  void TearDown(void) override
  {
    menu.reset();
    Blacklist.cListBase::Clear();
    cReplayEnv::TearDown();
  }
  void Open(void)
  {
    menu.reset(new cMenuTracks(Recordings.GetByName(dir.c_str())));
  }
  eOSState Key(eKeys Key) { return menu->ProcessKey(Key); }
  // The statuses in "tracks.conf", in list order.
  std::vector<int> SavedStatuses(void)
  {
    cTracks saved;
    saved.Load((PluginConfigDir() + "/tracks.conf").c_str(), true);
    std::vector<int> statuses;
    for (cTrack *t = saved.First(); t; t = saved.Next(t))
        statuses.push_back(t->status);
    return statuses;
  }
};

TEST_F(cMenuTracksTest, ListsTheRecordingsTracksWhateverTheirStatus)
{
  Open();
  EXPECT_EQ(Screen().title, "3 Songs");
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ ">\tNova\tFrozen Lake\t2001", "\tSkip\tPed\t1999", "\tDone\tConv\t0007" }));
  EXPECT_EQ(Screen().current, 0);
  EXPECT_EQ(Screen().buttons[0], "On/Off");
  EXPECT_EQ(Screen().buttons[1], "Play");
  EXPECT_EQ(Screen().buttons[2], "");
  EXPECT_EQ(Screen().buttons[3], "");
  EXPECT_EQ(Screen().tabs[1], 2);
  EXPECT_EQ(Screen().tabs[2], 20);
}

TEST_F(cMenuTracksTest, RedSwitchesATrackAndSavesTheList)
{
  Open();
  EXPECT_EQ(Key(kRed), osContinue);
  EXPECT_EQ(Screen().items[0], "\tNova\tFrozen Lake\t2001");
  EXPECT_EQ(SavedStatuses(), (std::vector<int>{ 1, 0, 1, 0, 2, 0, 0 }));
  Key(kDown);
  Key(kDown);
  Key(kRed); // converted becomes selected
  EXPECT_EQ(Screen().items[2], ">\tDone\tConv\t0007");
  Key(kUp);
  Key(kRed);
  EXPECT_EQ(Screen().items[1], ">\tSkip\tPed\t1999");
  EXPECT_EQ(SavedStatuses(), (std::vector<int>{ 1, 0, 0, 0, 0, 0, 0 }));
}

TEST_F(cMenuTracksTest, ZeroAppliesTheBlacklistToSelectedTracksOnlyAfterConfirmation)
{
  WriteFile(PluginConfigDir() + "/blacklist.conf", "Nova;.*\nSkip;.*\nDone;.*\n");
  Blacklist.Load((PluginConfigDir() + "/blacklist.conf").c_str(), true);
  Open();
  Key(kDown);
  Key(kDown);
  Key(kRed); // Done: converted to selected, saved
  cRemote::Put(kBack);
  EXPECT_EQ(Key(k0), osContinue);
  EXPECT_TRUE(HostLogHas("confirm: Apply blacklist again?"));
  EXPECT_EQ(Screen().items[0], ">\tNova\tFrozen Lake\t2001");
  cRemote::Put(kOk);
  EXPECT_EQ(Key(k0), osContinue);
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ "\tNova\tFrozen Lake\t2001", "\tSkip\tPed\t1999", "\tDone\tConv\t0007" }));
  {
    cTracksLock lock(Tracks);
    EXPECT_EQ(Tracks.Get(0)->status, 1);
    EXPECT_EQ(Tracks.Get(2)->status, 1);
    EXPECT_EQ(Tracks.Get(4)->status, 1);
  }
  // written like every change: a later save might never come
  EXPECT_EQ(SavedStatuses(), (std::vector<int>{ 1, 0, 1, 0, 1, 0, 0 }));
}

TEST_F(cMenuTracksTest, AnEmptyMenuAsksNothing)
{
  std::string other = MakeTestRecording("Empty", TestEpoch + 7200, 25 * 60);
  WriteFile(other + "/vimora", MusicChannelID);
  menu.reset(new cMenuTracks(Recordings.GetByName(other.c_str())));
  EXPECT_EQ(Screen().title, "0 Songs");
  EXPECT_EQ(Key(k0), osUnknown);
  EXPECT_EQ(Key(kOk), osUnknown);
  EXPECT_FALSE(HostLogHas("confirm"));
  EXPECT_EQ(cControl::Control(), nullptr);
}

TEST_F(cMenuTracksTest, PlayStartsTheReplayAtTheTracksFirstIFrame)
{
  VimoraConfig.offset = 3;
  AddTrack("Two", "Minutes", 2002, 120, 60);
  Open();
  EXPECT_EQ(Screen().title, "4 Songs");
  Key(kDown);
  Key(kDown);
  Key(kDown);
  EXPECT_EQ(Key(kOk), osEnd);
  EXPECT_EQ(cResumeFile(dir.c_str()).Read(), 3084); // the I-frame after (120 + 3) * 25
  EXPECT_EQ(Position(), 3084);
  EXPECT_EQ(cMenuTracks::lastReplayed, 3);
  EXPECT_STREQ(cVimoraReplayControl::NowReplaying(), dir.c_str());
  Open(); // the line replayed last is current, once
  EXPECT_EQ(Screen().current, 3);
  EXPECT_EQ(cMenuTracks::lastReplayed, -1);
  Open();
  EXPECT_EQ(Screen().current, 0);
  Key(kGreen);
  EXPECT_EQ(Position(), 1584); // the I-frame after (60 + 3) * 25
}

TEST_F(cMenuTracksTest, ATrackWhoseStartIsNotFoundIsNotReplayed)
{
  Open();
  VimoraConfig.offset = 600;
  EXPECT_EQ(Key(kOk), osContinue);
  EXPECT_EQ(cControl::Control(), nullptr);
  EXPECT_EQ(cMenuTracks::lastReplayed, -1);
}

class cMenuTracksAtFifty : public cMenuTracksTest {
public:
  cMenuTracksAtFifty(void) { framesPerSecond = 50; }
};

// The same ten minutes at 50 frames a second: the same tracks, replayed from their seconds.
TEST_F(cMenuTracksAtFifty, ListsTheTracksOfItsMinutesAndPlaysFromTheirSeconds)
{
  VimoraConfig.offset = 3;
  Open();
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ ">\tNova\tFrozen Lake\t2001", "\tSkip\tPed\t1999", "\tDone\tConv\t0007" }));
  EXPECT_EQ(Key(kOk), osEnd);
  EXPECT_EQ(cResumeFile(dir.c_str()).Read(), 3156); // the I-frame after (60 + 3) * 50
  EXPECT_EQ(Position(), 3156);
}

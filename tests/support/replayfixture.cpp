#include "replayfixture.h"

#include <vdr/clock.h>
#include <vdr/config.h>
#include <vdr/player.h>

#include "menu_tracks.h"
#include "replay_control.h"
#include "tracks.h"
#include "vimora_config.h"

void cReplayEnv::SetUp(void)
{
  cHostEnv::SetUp();
  ::Setup.MultiSpeedMode = 0;
  ::Setup.ShowReplayMode = 0;
  VimoraConfig.offset = 0;
  AddTestChannel();
  dir = MakeTestRecording("Music", TestEpoch, int(framesPerSecond * 600), 12, MusicChannelID, framesPerSecond);
  WriteFile(dir + "/vimora", MusicChannelID);
  ASSERT_TRUE(MakeDirs(PluginConfigDir().c_str(), true));
  Tracks.Load((PluginConfigDir() + "/tracks.conf").c_str(), true);
}

void cReplayEnv::TearDown(void)
{
  cHostEnv::TearDown();
  Tracks.Clear();
  cVimoraReplayControl::SetRecording(NULL, NULL);
  cMenuTracks::lastReplayed = -1;
}

cTrack *cReplayEnv::AddTrack(const char *Artist, const char *Title, int Year, int Start, int Duration, int Status, const char *ChannelID)
{
  return AddTestTrack(Artist, Title, Year, TestEpoch + Start, Duration, Status, ChannelID);
}

void cReplayEnv::WriteMarks(const std::vector<std::pair<int, const char *>> &Marks)
{
  std::string text;
  for (const auto &m : Marks)
      text += MarkLine(m.first, m.second, framesPerSecond) + "\n";
  ASSERT_TRUE(WriteFile(dir + "/marks", text));
}

std::vector<std::pair<int, std::string>> cReplayEnv::ReadMarks(void)
{
  cMarks marks;
  marks.Load(dir.c_str(), framesPerSecond);
  std::vector<std::pair<int, std::string>> result;
  for (cMark *m = marks.First(); m; m = marks.Next(m))
      result.emplace_back(m->Position(), m->Comment() ? m->Comment() : "");
  return result;
}

void cReplayEnv::Launch(int Frame)
{
  if (Frame >= 0) {
     ASSERT_TRUE(cResumeFile(dir.c_str()).Save(Frame));
  }
  cRecording *recording = Recordings.GetByName(dir.c_str());
  ASSERT_NE(recording, nullptr);
  cVimoraReplayControl::Replay(recording);
  ASSERT_NE(Player(), nullptr);
}

cDvbPlayerControl *cReplayEnv::Player(void)
{
  return dynamic_cast<cDvbPlayerControl *>(cControl::Control());
}

int cReplayEnv::Position(void)
{
  int current = -1, total = -1;
  cDvbPlayerControl *player = Player();
  EXPECT_NE(player, nullptr);
  if (player) {
     EXPECT_TRUE(player->GetIndex(current, total));
  }
  return current;
}

bool cReplayEnv::Playing(void)
{
  bool play = false, forward = false;
  int speed = 0;
  cDvbPlayerControl *player = Player();
  return player && player->GetReplayMode(play, forward, speed) && play;
}

void cReplayEnv::Pass(int Ms)
{
  cClock::Step(Ms);
  loop->Step();
}

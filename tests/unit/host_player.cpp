// The host's replay: the position follows the host clock, trick modes, skips, resume.
#include <vdr/clock.h>
#include <vdr/config.h>
#include <vdr/dvbplayer.h>
#include <vdr/recording.h>

#include "hostfixtures.h"
#include "testenv.h"

class cHostPlayer : public cTestEnv {
protected:
  std::string dir;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    dir = MakeTestRecording("Player", TestEpoch, 25 * 600); // ten minutes
    ::Setup.MultiSpeedMode = 0;
  }
  static int Now(cDvbPlayerControl &p)
  {
    int current = -1, total = -1;
    EXPECT_TRUE(p.GetIndex(current, total));
    return current;
  }
};

TEST_F(cHostPlayer, PlaysAtTwentyFiveFramesPerSecondOfHostTime)
{
  cDvbPlayerControl p(dir.c_str());
  ASSERT_TRUE(p.Active());
  int current, total;
  ASSERT_TRUE(p.GetIndex(current, total));
  EXPECT_EQ(current, 0);
  EXPECT_EQ(total, 25 * 600);
  cClock::Step(4000);
  EXPECT_EQ(Now(p), 100);
  bool play, forward;
  int speed;
  ASSERT_TRUE(p.GetReplayMode(play, forward, speed));
  EXPECT_TRUE(play);
  EXPECT_TRUE(forward);
  EXPECT_EQ(speed, -1);
}

TEST_F(cHostPlayer, PauseHoldsAndPlayResumes)
{
  cDvbPlayerControl p(dir.c_str());
  cClock::Step(2000);
  p.Pause();
  cClock::Step(5000);
  EXPECT_EQ(Now(p), 50);
  bool play, forward;
  int speed;
  p.GetReplayMode(play, forward, speed);
  EXPECT_FALSE(play);
  EXPECT_EQ(speed, -1);
  p.Pause(); // toggles back
  cClock::Step(1000);
  EXPECT_EQ(Now(p), 75);
  p.Pause();
  p.Play();
  cClock::Step(1000);
  EXPECT_EQ(Now(p), 100);
}

TEST_F(cHostPlayer, FastForwardAndRewindWithAndWithoutMultiSpeed)
{
  cDvbPlayerControl p(dir.c_str());
  p.Forward(); // single speed: 8x
  bool play, forward;
  int speed;
  p.GetReplayMode(play, forward, speed);
  EXPECT_TRUE(play);
  EXPECT_EQ(speed, 0);
  cClock::Step(1000);
  EXPECT_EQ(Now(p), 200);
  p.Forward(); // a second press returns to play
  p.GetReplayMode(play, forward, speed);
  EXPECT_EQ(speed, -1);
  ::Setup.MultiSpeedMode = 1;
  p.Backward();
  p.GetReplayMode(play, forward, speed);
  EXPECT_FALSE(forward);
  EXPECT_EQ(speed, 1);
  p.Backward();
  p.GetReplayMode(play, forward, speed);
  EXPECT_EQ(speed, 2);
  cClock::Step(10000); // 4x back from frame 200 reaches the start and plays on from there
  p.GetReplayMode(play, forward, speed);
  EXPECT_TRUE(forward);
  EXPECT_EQ(speed, -1);
  EXPECT_GE(Now(p), 0);
  EXPECT_LT(Now(p), 250);
}

TEST_F(cHostPlayer, PauseThenForwardIsSlowMotion)
{
  cDvbPlayerControl p(dir.c_str());
  p.Pause();
  p.Forward();
  bool play, forward;
  int speed;
  p.GetReplayMode(play, forward, speed);
  EXPECT_FALSE(play);
  EXPECT_TRUE(forward);
  EXPECT_EQ(speed, 0);
  cClock::Step(4000);
  EXPECT_EQ(Now(p), 50); // half speed
}

TEST_F(cHostPlayer, SkipsGotoAndSnapping)
{
  cDvbPlayerControl p(dir.c_str());
  p.SkipSeconds(60);
  EXPECT_EQ(Now(p), 1500);
  p.SkipSeconds(-120);
  EXPECT_EQ(Now(p), 0);
  EXPECT_EQ(p.SkipFrames(50), 50); // reckoned, not moved
  EXPECT_EQ(Now(p), 0);
  EXPECT_EQ(p.SkipFrames(-1), 0);
  p.Goto(1000, true);
  cClock::Step(3000);
  EXPECT_EQ(Now(p), 1000);
  int current, total;
  p.Goto(1007, true);
  ASSERT_TRUE(p.GetIndex(current, total, true));
  EXPECT_EQ(current, 996); // the I-frame at or before (every 12th frame)
  p.Goto(25 * 600 + 99, true);
  EXPECT_EQ(Now(p), 25 * 600 - 1);
  p.Goto(500);
  cClock::Step(1000);
  EXPECT_EQ(Now(p), 525);
}

TEST_F(cHostPlayer, StartsAtResumeAndStoresItOnStop)
{
  cResumeFile(dir.c_str()).Save(3000);
  {
    cDvbPlayerControl p(dir.c_str());
    EXPECT_EQ(Now(p), 3000);
    cClock::Step(20000);
    p.Stop();
    EXPECT_FALSE(p.Active());
  }
  // stopped at 3500: resumes ten seconds earlier, on an I-frame
  EXPECT_EQ(cResumeFile(dir.c_str()).Read(), 3240);
}

TEST_F(cHostPlayer, EndsAtTheLastFrameAndForgetsResume)
{
  cResumeFile(dir.c_str()).Save(25 * 600 - 50);
  cDvbPlayerControl p(dir.c_str());
  cClock::Step(1000);
  EXPECT_TRUE(p.Active());
  cClock::Step(2000);
  EXPECT_FALSE(p.Active());
  EXPECT_EQ(cResumeFile(dir.c_str()).Read(), -1);
}

TEST_F(cHostPlayer, NoIndexNoReplay)
{
  std::string empty = videoDir + "/Empty/2026-12-07.20.00.1-0.rec";
  ASSERT_TRUE(MakeDirs(empty.c_str(), true));
  cDvbPlayerControl p(empty.c_str());
  EXPECT_FALSE(p.Active());
  int current, total;
  EXPECT_FALSE(p.GetIndex(current, total));
}

// Time, skips, the resume backup of ten seconds and the four seconds kept off the end of
// a recording at 50 frames per second.
TEST_F(cHostPlayer, ARecordingPlaysAtItsOwnRate)
{
  std::string fifty = MakeTestRecording("Fifty", TestEpoch + 3600, 50 * 600, 24, MusicChannelID, 50);
  {
    cDvbPlayerControl p(fifty.c_str());
    cClock::Step(4000);
    EXPECT_EQ(Now(p), 200);
    p.SkipSeconds(60);
    EXPECT_EQ(Now(p), 3200);
    p.Stop();
  }
  EXPECT_EQ(cResumeFile(fifty.c_str()).Read(), 2688); // the I-frame at or before 2700
  cIndexFile index(fifty.c_str(), false);
  EXPECT_EQ(index.GetNextIFrame(29780, true, NULL, NULL, NULL, true), 29784);
  EXPECT_EQ(index.GetNextIFrame(29790, true, NULL, NULL, NULL, true), -1);
  EXPECT_EQ(index.GetNextIFrame(29790, true), 29808);
}

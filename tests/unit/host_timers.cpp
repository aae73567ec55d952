// Timers: timers.conf, occurrences on the host clock, Skip, the end of finished timers.
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/mainloop.h>
#include <vdr/timers.h>

#include "hostfixtures.h"
#include "testenv.h"

class cHostTimers : public cTestEnv {
protected:
  cChannel *music = NULL;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    music = AddTestChannel();
  }
  // Local time of the test day (the day of TestEpoch) at hh:mm, plus Days.
  static time_t Local(int hhmm, int Days = 0)
  {
    time_t t = TestEpoch;
    struct tm tm;
    localtime_r(&t, &tm);
    tm.tm_mday += Days;
    tm.tm_hour = hhmm / 100;
    tm.tm_min = hhmm % 100;
    tm.tm_sec = 0;
    tm.tm_isdst = -1;
    return mktime(&tm);
  }
  static std::string Date(time_t t)
  {
    char b[16];
    struct tm tm;
    strftime(b, sizeof(b), "%Y-%m-%d", localtime_r(&t, &tm));
    return b;
  }
};

TEST_F(cHostTimers, TimersConfRoundTripAndBadLines)
{
  std::string day = Date(Local(0));
  std::string path = configDir + "/timers.conf";
  WriteFile(path, "9:S19.2E-1-1092-10100:" + day + ":2000:2100:50:99:Music~Vimora|Live:\n" // 1: recording flag dropped
                  "1:1:MTWTF--@" + day + ":2330:0030:10:20:Night:aux text\n"                  // 2: channel by number
                  "1:S19.2E-1-1092-10100:" + day + ":2460:2100:50:99:Bad hour:\n"            // 3
                  "1:S19.2E-9-9-9:" + day + ":2000:2100:50:99:Unknown channel:\n"             // 4
                  "1:1:-------:2000:2100:50:99:No day:\n"                                     // 5
                  "1:1:2026-02-30:2000:2100:50:99:No date:\n"                                 // 6
                  "1:1:" + day + ":2000:2100:50:99::\n"                                      // 7: no file
                  "1:1:" + day + ":2000:2100:100:99:Priority:\n");                          // 8
  ASSERT_TRUE(Timers.Load(path.c_str()));
  ASSERT_EQ(Timers.Count(), 2);
  for (int line = 3; line <= 8; line++)
      EXPECT_TRUE(HostLogHas("E ERROR: error in " + path + ", line " + std::to_string(line))) << line;
  cTimer *first = Timers.First();
  EXPECT_FALSE(first->Recording());
  EXPECT_STREQ(first->File(), "Music~Vimora:Live");
  EXPECT_EQ(first->Channel(), music);
  EXPECT_TRUE(first->IsSingleEvent());
  EXPECT_STREQ(*first->ToDescr(), "1 (1 2000-2100 'Music~Vimora:Live')");
  cTimer *night = Timers.Next(first);
  EXPECT_FALSE(night->IsSingleEvent());
  EXPECT_EQ(night->WeekDays(), 0x1F);
  EXPECT_STREQ(night->Aux(), "aux text");
  Timers.SetModified();
  EXPECT_EQ(ReadFile(path), "1:S19.2E-1-1092-10100:" + day + ":2000:2100:50:99:Music~Vimora|Live:\n"
                            "1:S19.2E-1-1092-10100:MTWTF--@" + day + ":2330:0030:10:20:Night:aux text\n");
}

TEST_F(cHostTimers, UnreadableFileIsNeverWrittenOver)
{
  std::string path = configDir + "/timers.conf";
  const std::string Kept = "1:1:" + Date(Local(0)) + ":2000:2100:50:99:Keep me:\n";
  const char *Locked = "/proc/sys/vm/compact_memory"; // root reads any file but a write-only kernel setting
  bool root = geteuid() == 0;
  if (root)
     ASSERT_EQ(symlink(Locked, path.c_str()), 0);
  else {
     WriteFile(path, Kept);
     chmod(path.c_str(), 0200);
  }
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Timers.Load(path.c_str()));
  testing::internal::GetCapturedStderr();
  AddTestTimer(music, Local(2100), Local(2200), "New");
  EXPECT_FALSE(Timers.Save());
  if (root) {
     char target[256] = "";
     EXPECT_GT(readlink(path.c_str(), target, sizeof(target) - 1), 0);
     EXPECT_STREQ(target, Locked);
  }
  else {
     chmod(path.c_str(), 0600);
     EXPECT_EQ(ReadFile(path), Kept);
  }
}

TEST_F(cHostTimers, SingleTimerMatchesItsTimeAndSkipEndsIt)
{
  cTimer *t = AddTestTimer(music, Local(2000), Local(2100), "Show");
  EXPECT_EQ(t->StartTime(), Local(2000));
  EXPECT_EQ(t->StopTime(), Local(2100));
  EXPECT_FALSE(t->Matches(Local(1959)));
  EXPECT_TRUE(t->Matches(Local(2000)));
  EXPECT_TRUE(t->Matches(Local(2100) - 1));
  EXPECT_FALSE(t->Matches(Local(2100)));
  // past midnight
  cTimer *late = AddTestTimer(music, Local(2330), Local(30, 1), "Late");
  EXPECT_EQ(late->StopTime(), Local(30, 1));
  EXPECT_TRUE(late->Matches(Local(15, 1)));
  t->Skip();
  EXPECT_FALSE(t->Matches(Local(2030)));
  EXPECT_TRUE(t->IsSingleEvent());
}

TEST_F(cHostTimers, RepeatingTimerFindsItsDaysAndSkipsOne)
{
  cTimer *t = new cTimer;
  struct tm tm;
  time_t today = Local(0);
  localtime_r(&today, &tm);
  int todayBit = (tm.tm_wday + 6) % 7;
  std::string mask = "-------";
  mask[todayBit] = 'X';
  mask[(todayBit + 2) % 7] = 'X';
  ASSERT_TRUE(t->Parse(("1:1:" + mask + ":2300:0100:50:99:Twice a week:").c_str()));
  Timers.Add(t);
  EXPECT_FALSE(t->Matches(Local(2259)));
  EXPECT_TRUE(t->Matches(Local(2300)));
  EXPECT_TRUE(t->Matches(Local(59, 1))); // still running after midnight
  EXPECT_FALSE(t->Matches(Local(2300, 1)));
  EXPECT_TRUE(t->Matches(Local(2300, 2)));
  cClock::SetTime(Local(2330));
  t->Skip();
  EXPECT_FALSE(t->Matches(Local(2330)));
  EXPECT_TRUE(t->Matches(Local(2330, 2)));
  EXPECT_EQ(t->StartTime(), Local(2300, 2));
}

TEST_F(cHostTimers, MainLoopDeletesFinishedSingleTimersAndRewritesTimersConf)
{
  std::string path = configDir + "/timers.conf";
  std::string today = Date(Local(0)), yesterday = Date(Local(0, -1));
  WriteFile(path, "1:1:" + yesterday + ":2000:2100:50:99:Yesterday:\n"     // long over: the clock jumped past it
                  "1:1:" + today + ":1930:2000:50:99:Just over:\n"       // stops when the test begins
                  "1:1:" + today + ":2330:0030:50:99:Past midnight:\n"
                  "1:1:MTWTFSS:1800:1900:50:99:Daily:\n"                 // repeats: stays
                  "0:1:" + yesterday + ":1000:1100:50:99:Inactive:\n"   // over as well
                  "1:1:" + today + ":1900:2000:50:99:Still recording:\n");
  ASSERT_TRUE(Timers.Load(path.c_str()));
  ASSERT_EQ(Timers.Count(), 6);
  cTimer *recording = Timers.Get(5);
  recording->SetFlags(tfRecording);
  cClock::SetTime(Local(2000));
  cMainLoop loop;
  loop.Step(0);
  EXPECT_TRUE(HostLogHas("I deleting timer 1 (1 2000-2100 'Yesterday')"));
  EXPECT_TRUE(HostLogHas("I deleting timer 3 (1 1000-1100 'Inactive')"));
  EXPECT_EQ(ReadFile(path), "1:S19.2E-1-1092-10100:" + today + ":2330:0030:50:99:Past midnight:\n"
                            "1:S19.2E-1-1092-10100:MTWTFSS:1800:1900:50:99:Daily:\n"
                            "1:S19.2E-1-1092-10100:" + today + ":1900:2000:50:99:Still recording:\n");
  // once its recording has ended, and a minute before midnight's timer stops
  recording->ClrFlags(tfRecording);
  cClock::SetTime(Local(29, 1));
  loop.Step(0);
  ASSERT_EQ(Timers.Count(), 2);
  EXPECT_STREQ(Timers.First()->File(), "Past midnight");
  cClock::SetTime(Local(30, 1));
  loop.Step(0);
  ASSERT_EQ(Timers.Count(), 1);
  EXPECT_STREQ(Timers.First()->File(), "Daily");
  EXPECT_EQ(ReadFile(path), "1:S19.2E-1-1092-10100:MTWTFSS:1800:1900:50:99:Daily:\n");
}

// The host clock and threads: stepping wakes sleepers in order and waits for them,
// cancelling wakes sleeps and ends external commands.
#include <atomic>
#include <thread>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/thread.h>
#include <vdr/tools.h>
#include <vector>

#include "testenv.h"

class cHostClock : public cTestEnv {};

namespace {

// Ticks every Period ms of host time and notes the time of each tick.
class cTicker : public cThread {
private:
  int period;

protected:
  void Action(void) override
  {
    while (Running()) {
      cCondWait::SleepMs(period);
      cMutexLock lock(&mutex);
      ticks.push_back(cClock::NowMs());
    }
  }

public:
  cMutex mutex;
  std::vector<uint64_t> ticks;
  cTicker(int Period) : cThread("ticker"), period(Period) {}
  ~cTicker() { Cancel(3); }
  size_t Count(void)
  {
    cMutexLock lock(&mutex);
    return ticks.size();
  }
  using cThread::Cancel;
};

} // namespace

TEST_F(cHostClock, ManualClockStandsStillUntilStepped)
{
  EXPECT_EQ(cClock::Now(), TestEpoch);
  EXPECT_TRUE(cClock::Manual());
  cClock::Step(1500);
  EXPECT_EQ(cClock::NowMs(), uint64_t(TestEpoch) * 1000 + 1500);
}

TEST_F(cHostClock, StepWakesEverySleepInOrderAndWaitsForIt)
{
  cTicker ticker(1000);
  ticker.Start();
  cClock::Step(10 * 1000);
  // each step returns only when the woken thread sleeps again: no tick is lost or late
  ASSERT_EQ(ticker.Count(), 10u);
  for (size_t i = 0; i < ticker.ticks.size(); i++)
      EXPECT_EQ(ticker.ticks[i], uint64_t(TestEpoch) * 1000 + (i + 1) * 1000);
  cClock::Step(500);
  EXPECT_EQ(ticker.Count(), 10u);
  cClock::Step(500);
  EXPECT_EQ(ticker.Count(), 11u);
}

TEST_F(cHostClock, DriverSleepMovesTheManualClock)
{
  cTicker ticker(250);
  ticker.Start();
  cCondWait::SleepMs(1000); // the test thread drives: its sleep is a step
  EXPECT_EQ(ticker.Count(), 4u);
  EXPECT_EQ(cClock::NowMs(), uint64_t(TestEpoch) * 1000 + 1000);
}

TEST_F(cHostClock, CancelEndsASleepingThreadWithoutTimePassing)
{
  cTicker ticker(30000);
  ticker.Start();
  cClock::Step(1);
  EXPECT_TRUE(ticker.Active());
  ticker.Cancel(3);
  EXPECT_FALSE(ticker.Active());
  EXPECT_EQ(cClock::NowMs(), uint64_t(TestEpoch) * 1000 + 1);
}

TEST_F(cHostClock, SignalEndsAWaitEarlyAndIsNotLost)
{
  cCondWait w;
  w.Signal();
  EXPECT_TRUE(w.Wait(5000)); // signalled before the wait
  uint64_t before = cClock::NowMs();
  EXPECT_FALSE(w.Wait(2000));
  EXPECT_EQ(cClock::NowMs(), before + 2000);
}

TEST_F(cHostClock, RunningClockFollowsSpeed)
{
  cClock::SetSpeed(1000); // a virtual second per real millisecond
  uint64_t before = cClock::NowMs();
  cCondWait::SleepMs(2000);
  EXPECT_GE(cClock::NowMs(), before + 2000);
  cClock::Step(60000);
  EXPECT_GE(cClock::NowMs(), before + 62000);
}

namespace {

class cCommandRunner : public cThread {
protected:
  void Action(void) override
  {
    result = SystemExec(command.c_str());
  }

public:
  std::string command;
  std::atomic<int> result{ 99 };
  cCommandRunner(const std::string &Command) : cThread("runner"), command(Command) {}
  using cThread::Cancel;
};

} // namespace

TEST_F(cHostClock, CancelEndsTheThreadsExternalCommand)
{
  std::string marker = root + "/started";
  cCommandRunner runner("touch '" + marker + "'; sleep 60; touch '" + marker + ".late'");
  runner.Start();
  for (int i = 0; i < 500 && !FileExists(marker); i++)
      usleep(10000);
  ASSERT_TRUE(FileExists(marker));
  runner.Cancel(5);
  EXPECT_FALSE(runner.Active());
  EXPECT_EQ(runner.result, -1); // killed by a signal
  EXPECT_FALSE(FileExists(marker + ".late"));
}

namespace {

// Reaches its command only after the cancel, like a thread whose check of Running()
// came just before it.
class cLateRunner : public cCommandRunner {
protected:
  void Action(void) override
  {
    while (Running())
      cCondWait::SleepMs(10);
    cCommandRunner::Action();
  }

public:
  using cCommandRunner::cCommandRunner;
};

} // namespace

TEST_F(cHostClock, CommandStartedAfterCancelIsEndedToo)
{
  std::string late = root + "/late";
  cLateRunner runner("sleep 60; touch '" + late + "'");
  runner.Start();
  runner.Cancel(10);
  EXPECT_FALSE(runner.Active());
  EXPECT_EQ(runner.result, -1);
  EXPECT_FALSE(HostLogHas("won't end")); // ended by itself, not killed after the wait
  EXPECT_FALSE(FileExists(late));
  cCommandRunner next("exit 6"); // a later thread (often with the same id) runs its commands
  ASSERT_TRUE(next.Start());
  cClock::Step(1);
  EXPECT_EQ(next.result, 6);
}

TEST_F(cHostClock, ThreadCanBeRestartedAfterItEnded)
{
  cCommandRunner runner("exit 4");
  ASSERT_TRUE(runner.Start());
  cClock::Step(1); // returns when the thread has ended
  EXPECT_FALSE(runner.Active());
  EXPECT_EQ(runner.result, 4);
  runner.command = "exit 5";
  ASSERT_TRUE(runner.Start());
  cClock::Step(1);
  EXPECT_EQ(runner.result, 5);
}

TEST_F(cHostClock, RwLockAllowsReadersTogetherAndTimesOutAWriter)
{
  cRwLock lock;
  ASSERT_TRUE(lock.Lock(false));
  std::atomic<bool> writerGot{ true }, readerGot{ false };
  std::thread writer([&] { writerGot = lock.Lock(true, 50); if (writerGot) lock.Unlock(); });
  std::thread reader([&] { readerGot = lock.Lock(false, 50); if (readerGot) lock.Unlock(); });
  writer.join();
  reader.join();
  EXPECT_FALSE(writerGot);
  EXPECT_TRUE(readerGot);
  lock.Unlock();
  ASSERT_TRUE(lock.Lock(true));
  EXPECT_TRUE(lock.Lock(false)); // the writer may read what it holds
  lock.Unlock();
  lock.Unlock();
}

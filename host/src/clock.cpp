#include <vdr/clock.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdio.h>
#include <vector>

namespace {

struct tSleeper {
  uint64_t deadline;
  bool *signalled;
  pthread_t thread;
  bool participant;
  bool woken;
};

// A thread that has not come back to sleep within this real time is reported and
// no longer waited for, so that a stuck thread cannot hang a step for ever.
const auto QuietLimit = std::chrono::seconds(20);

std::mutex mtx;               // guards everything below
std::mutex stepMutex;         // one Step() at a time
std::condition_variable cv;   // every change of time, sleepers or awake count
bool manual = false;
double speed = 1;
uint64_t baseVirtualMs = 0;   // virtual time at baseReal
std::chrono::steady_clock::time_point baseReal;
bool initialized = false;
int awake = 0;                // participant threads not in a clock sleep
std::vector<tSleeper *> sleepers;
std::set<pthread_t> interrupted;
thread_local bool participant = false;

uint64_t RealEpochMs(void)
{
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

void InitLocked(void)
{
  if (!initialized) {
    baseVirtualMs = RealEpochMs();
    baseReal = std::chrono::steady_clock::now();
    initialized = true;
  }
}

uint64_t NowLocked(void)
{
  InitLocked();
  if (manual)
     return baseVirtualMs;
  double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - baseReal).count();
  return baseVirtualMs + uint64_t(elapsed * speed);
}

void RebaseLocked(uint64_t VirtualMs)
{
  baseVirtualMs = VirtualMs;
  baseReal = std::chrono::steady_clock::now();
}

void WakeLocked(tSleeper *s)
{
  if (!s->woken) {
     s->woken = true;
     if (s->participant)
        awake++;
  }
}

void WaitQuietLocked(std::unique_lock<std::mutex> &lk)
{
  while (awake > 0) {
    int before = awake;
    if (!cv.wait_for(lk, QuietLimit, [before] { return awake != before; })) {
       fprintf(stderr, "vdr: clock: %d thread(s) did not go back to sleep - time moves on\n", awake);
       return;
    }
  }
}

// Moves manual time towards Target, waking sleepers in deadline order.
void StepLocked(std::unique_lock<std::mutex> &lk, uint64_t Target, bool *Stop)
{
  for (;;) {
    WaitQuietLocked(lk);
    if (Stop && *Stop)
       return;
    uint64_t next = UINT64_MAX;
    for (auto s : sleepers)
        if (!s->woken)
           next = std::min(next, s->deadline);
    uint64_t now = baseVirtualMs;
    if (next > Target) {
       // Nobody waits for the time itself while it stands still: a sleeper waits to be
       // woken. Waking them all on every step only to sleep again cost two thread
       // switches per sleeper and step.
       baseVirtualMs = std::max(now, Target);
       return;
    }
    baseVirtualMs = std::max(now, next);
    for (auto s : sleepers)
        if (s->deadline <= baseVirtualMs)
           WakeLocked(s);
    cv.notify_all();
  }
}

} // namespace

time_t cClock::Now(void)
{
  return time_t(NowMs() / 1000);
}

uint64_t cClock::NowMs(void)
{
  std::lock_guard<std::mutex> lk(mtx);
  return NowLocked();
}

void cClock::SetTime(time_t Time)
{
  std::lock_guard<std::mutex> lk(mtx);
  InitLocked();
  RebaseLocked(uint64_t(Time) * 1000);
  cv.notify_all();
}

void cClock::SetSpeed(double Speed)
{
  std::lock_guard<std::mutex> lk(mtx);
  if (Speed <= 0)
     return;
  RebaseLocked(NowLocked());
  speed = Speed;
  manual = false;
  cv.notify_all();
}

double cClock::Speed(void)
{
  std::lock_guard<std::mutex> lk(mtx);
  return manual ? 0 : speed;
}

void cClock::SetManual(void)
{
  std::lock_guard<std::mutex> lk(mtx);
  RebaseLocked(NowLocked());
  manual = true;
  cv.notify_all();
}

bool cClock::Manual(void)
{
  std::lock_guard<std::mutex> lk(mtx);
  return manual;
}

void cClock::Step(uint64_t Ms)
{
  std::lock_guard<std::mutex> step(stepMutex);
  std::unique_lock<std::mutex> lk(mtx);
  if (manual)
     StepLocked(lk, NowLocked() + Ms, NULL);
  else {
     RebaseLocked(NowLocked() + Ms);
     cv.notify_all();
  }
}

void cClock::Reset(void)
{
  std::lock_guard<std::mutex> lk(mtx);
  manual = false;
  speed = 1;
  RebaseLocked(RealEpochMs());
  initialized = true;
  cv.notify_all();
}

bool cClock::SleepUntil(uint64_t DeadlineMs, bool *Signalled)
{
  auto consume = [Signalled] {
    bool s = Signalled && *Signalled;
    if (Signalled)
       *Signalled = false;
    return s;
  };
  std::unique_lock<std::mutex> lk(mtx);
  pthread_t self = pthread_self();
  if (interrupted.count(self) || (Signalled && *Signalled) || NowLocked() >= DeadlineMs)
     return consume();
  if (manual && !participant) {
     // A thread outside the stepping (the test or the program driving the host)
     // moves the clock by sleeping.
     lk.unlock();
     std::lock_guard<std::mutex> step(stepMutex);
     lk.lock();
     if (manual)
        StepLocked(lk, DeadlineMs, Signalled);
     if (manual || (Signalled && *Signalled))
        return consume();
  }
  tSleeper me = { DeadlineMs, Signalled, self, participant, false };
  sleepers.push_back(&me);
  if (participant) {
     awake--;
     cv.notify_all();
  }
  while (!me.woken) {
    if (manual)
       cv.wait(lk);
    else {
       uint64_t now = NowLocked();
       if (now >= me.deadline) {
          WakeLocked(&me);
          break;
       }
       // A wait without time-out, or one of years, would overflow the real wait into
       // the past and spin: an hour at a time is as good, the clock's changes notify.
       double realMs = std::min(double(me.deadline - now) / speed, 3600000.0);
       cv.wait_for(lk, std::chrono::microseconds(int64_t(realMs * 1000) + 1));
    }
  }
  sleepers.erase(std::find(sleepers.begin(), sleepers.end(), &me));
  return consume();
}

void cClock::Wake(bool *Signalled)
{
  std::lock_guard<std::mutex> lk(mtx);
  *Signalled = true;
  for (auto s : sleepers)
      if (s->signalled == Signalled)
         WakeLocked(s);
  cv.notify_all();
}

void cClock::ThreadStarting(void)
{
  std::lock_guard<std::mutex> lk(mtx);
  awake++;
}

void cClock::ThreadStarted(void)
{
  participant = true;
}

void cClock::ThreadEnded(void)
{
  std::lock_guard<std::mutex> lk(mtx);
  awake--;
  interrupted.erase(pthread_self());
  cv.notify_all();
}

bool cClock::IsParticipant(void)
{
  return participant;
}

void cClock::Interrupt(pthread_t Thread)
{
  std::lock_guard<std::mutex> lk(mtx);
  interrupted.insert(Thread);
  for (auto s : sleepers)
      if (pthread_equal(s->thread, Thread))
         WakeLocked(s);
  cv.notify_all();
}

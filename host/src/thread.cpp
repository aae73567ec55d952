#include <vdr/thread.h>

#include <errno.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/tools.h>

#include "exec.h"

// --- cCondWait -------------------------------------------------------------

cCondWait::cCondWait(void)
{
  signaled = false;
}

cCondWait::~cCondWait()
{
}

void cCondWait::SleepMs(int TimeoutMs)
{
  cClock::SleepUntil(cClock::NowMs() + uint64_t(TimeoutMs > 0 ? TimeoutMs : 1), NULL);
}

bool cCondWait::Wait(int TimeoutMs)
{
  uint64_t deadline = TimeoutMs > 0 ? cClock::NowMs() + uint64_t(TimeoutMs) : UINT64_MAX;
  return cClock::SleepUntil(deadline, &signaled);
}

void cCondWait::Signal(void)
{
  cClock::Wake(&signaled);
}

// --- cMutex ----------------------------------------------------------------

cMutex::cMutex(void)
{
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&mutex, &attr);
  pthread_mutexattr_destroy(&attr);
}

cMutex::~cMutex()
{
  pthread_mutex_destroy(&mutex);
}

void cMutex::Lock(void)
{
  pthread_mutex_lock(&mutex);
}

void cMutex::Unlock(void)
{
  pthread_mutex_unlock(&mutex);
}

cMutexLock::cMutexLock(cMutex *Mutex)
{
  mutex = NULL;
  locked = false;
  Lock(Mutex);
}

cMutexLock::~cMutexLock()
{
  if (mutex && locked)
     mutex->Unlock();
}

bool cMutexLock::Lock(cMutex *Mutex)
{
  if (Mutex && !mutex) {
     mutex = Mutex;
     Mutex->Lock();
     locked = true;
     return true;
  }
  return false;
}

// --- cRwLock ---------------------------------------------------------------

cRwLock::cRwLock(void)
  : writer(pthread_t(0))
{
  writeLocks = 0;
  pthread_rwlock_init(&rwlock, NULL);
}

cRwLock::~cRwLock()
{
  pthread_rwlock_destroy(&rwlock);
}

bool cRwLock::Lock(bool Write, int TimeoutMs)
{
  pthread_t self = pthread_self();
  if (pthread_equal(writer.load(), self)) {
     // The writer may take the lock again, for reading or writing.
     writeLocks++;
     return true;
  }
  int r;
  if (TimeoutMs > 0) {
     struct timespec abstime;
     clock_gettime(CLOCK_REALTIME, &abstime);
     abstime.tv_sec += TimeoutMs / 1000;
     abstime.tv_nsec += (TimeoutMs % 1000) * 1000000L;
     if (abstime.tv_nsec >= 1000000000L) {
        abstime.tv_sec++;
        abstime.tv_nsec -= 1000000000L;
     }
     r = Write ? pthread_rwlock_timedwrlock(&rwlock, &abstime) : pthread_rwlock_timedrdlock(&rwlock, &abstime);
  }
  else
     r = Write ? pthread_rwlock_wrlock(&rwlock) : pthread_rwlock_rdlock(&rwlock);
  if (r == 0 && Write) {
     writer = self;
     writeLocks = 1;
  }
  return r == 0;
}

void cRwLock::Unlock(void)
{
  if (pthread_equal(writer.load(), pthread_self())) {
     if (--writeLocks > 0)
        return;
     writer = pthread_t(0);
  }
  pthread_rwlock_unlock(&rwlock);
}

// --- cThread ---------------------------------------------------------------

static tThreadId mainThreadId = 0;

cThread::cThread(const char *Description)
  : active(false), running(false), childThreadId(0)
{
  childTid = 0;
  joinable = false;
  description = NULL;
  if (Description)
     SetDescription("%s", Description);
}

cThread::~cThread()
{
  Cancel(); // a thread still running here is a bug of its owner; never leave it running on freed memory
  free(description);
}

void cThread::SetDescription(const char *Description, ...)
{
  free(description);
  description = NULL;
  if (Description) {
     va_list ap;
     va_start(ap, Description);
     if (vasprintf(&description, Description, ap) < 0)
        description = NULL;
     va_end(ap);
  }
}

void *cThread::StartThread(cThread *Thread)
{
  cClock::ThreadStarted();
  Thread->childThreadId = CurrentThreadId();
  if (Thread->description)
     dsyslog("%s thread started (pid=%d, tid=%d)", Thread->description, getpid(), Thread->childThreadId.load());
  Thread->Action();
  if (Thread->description)
     dsyslog("%s thread ended (pid=%d, tid=%d)", Thread->description, getpid(), Thread->childThreadId.load());
  Thread->running = false;
  Thread->active = false;
  cClock::ThreadEnded();
  return NULL;
}

bool cThread::Start(void)
{
  if (active)
     return true;
  Join(); // a previous run of this object has ended; collect it
  active = running = true;
  cClock::ThreadStarting();
  if (pthread_create(&childTid, NULL, (void *(*)(void *))&StartThread, (void *)this) != 0) {
     LOG_ERROR_STR("pthread_create");
     cClock::ThreadEnded();
     active = running = false;
     return false;
  }
  joinable = true;
  return true;
}

bool cThread::Active(void)
{
  return active;
}

void cThread::Join(void)
{
  if (!joinable)
     return;
  joinable = false;
  if (pthread_equal(childTid, pthread_self()))
     pthread_detach(childTid); // the thread ends its own object
  else
     pthread_join(childTid, NULL);
  // the id may now be given to a new thread, whose commands must run
  ForgetCommandsOf(childTid);
}

void cThread::Cancel(int WaitSeconds)
{
  running = false;
  if (active && WaitSeconds > -1 && joinable) {
     cClock::Interrupt(childTid);
     KillCommandsOf(childTid);
     for (int i = 0; i < WaitSeconds * 100 && active; i++)
         usleep(10000);
     if (active) {
        esyslog("ERROR: %s thread %d won't end (waited %d seconds) - canceling it...", description ? description : "", childThreadId.load(), WaitSeconds);
        pthread_cancel(childTid);
        active = false;
     }
  }
  Join();
}

void cThread::SetPriority(int Priority)
{
  if (setpriority(PRIO_PROCESS, 0, Priority) < 0)
     LOG_ERROR_STR("setpriority");
}

tThreadId cThread::CurrentThreadId(void)
{
  return syscall(__NR_gettid);
}

void cThread::SetMainThreadId(void)
{
  mainThreadId = CurrentThreadId();
}

bool cThread::IsMainThread(void)
{
  return mainThreadId == 0 || CurrentThreadId() == mainThreadId;
}

// --- cStateLock ------------------------------------------------------------

namespace {

const char *const LockSequence[] = { "Timers", "Channels", "Recordings", "Schedules" };
const int SequenceLength = int(sizeof(LockSequence) / sizeof(LockSequence[0]));
thread_local int heldLocks[SequenceLength]; // nesting per lock of the calling thread
std::atomic<int> invalidSequences(0);

int SequenceOrder(const char *Name)
{
  for (int i = 0; Name && i < SequenceLength; i++)
      if (strcmp(Name, LockSequence[i]) == 0)
         return i;
  return -1;
}

// Logs a lock taken while the thread holds one that comes later in the sequence: two
// threads doing that in opposite orders deadlock.
void CheckSequence(int Order, const char *Name)
{
  if (Order < 0 || heldLocks[Order])
     return;
  for (int i = Order + 1; i < SequenceLength; i++) {
      if (heldLocks[i]) {
         invalidSequences++;
         esyslog("ERROR: invalid lock sequence: %s locked while holding %s", Name, LockSequence[i]);
         return;
      }
  }
}

} // namespace

cStateLock::cStateLock(const char *Name)
  : state(0)
{
  name = Name;
  order = SequenceOrder(Name);
}

int cStateLock::InvalidSequences(void)
{
  return invalidSequences;
}

bool cStateLock::Lock(cStateKey &StateKey, bool Write, int TimeoutMs)
{
  StateKey.timedOut = false;
  if (StateKey.stateLock) {
     esyslog("ERROR: state key already in use for the %s lock", name ? name : "?");
     return false;
  }
  CheckSequence(order, name);
  if (!rwLock.Lock(Write, TimeoutMs)) {
     StateKey.timedOut = true;
     return false;
  }
  if (!Write && StateKey.state == state) {
     rwLock.Unlock();
     return false;
  }
  if (order >= 0)
     heldLocks[order]++;
  StateKey.stateLock = this;
  StateKey.write = Write;
  StateKey.state = state;
  return true;
}

void cStateLock::Unlock(cStateKey &StateKey, bool IncState)
{
  if (StateKey.write && IncState)
     state++;
  StateKey.state = state;
  if (order >= 0)
     heldLocks[order]--;
  rwLock.Unlock();
}

// --- cStateKey -------------------------------------------------------------

cStateKey::cStateKey(bool IgnoreFirst)
{
  stateLock = NULL;
  write = false;
  state = IgnoreFirst ? 0 : -1;
  timedOut = false;
}

cStateKey::~cStateKey()
{
  if (stateLock) {
     esyslog("ERROR: state key destroyed while still holding a lock");
     Remove(false);
  }
}

void cStateKey::Remove(bool IncState)
{
  if (stateLock) {
     cStateLock *lock = stateLock;
     stateLock = NULL;
     lock->Unlock(*this, IncState);
  }
}

bool cStateKey::StateChanged(void)
{
  return stateLock && stateLock->state != state;
}

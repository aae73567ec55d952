// Threads, locks and waits of the host. Every wait follows the host clock (clock.h).
#ifndef __VDR_THREAD_H
#define __VDR_THREAD_H

#include <atomic>
#include <pthread.h>
#include <sys/types.h>

// A timed wait that another thread can end early with Signal().
class cCondWait {
private:
  bool signaled;

public:
  cCondWait(void);
  ~cCondWait();
  // Sleeps TimeoutMs milliseconds of host time.
  static void SleepMs(int TimeoutMs);
  // Waits until signalled or until TimeoutMs passed (0 = no time-out); true when
  // signalled. A Signal() that came before the Wait() is not lost.
  bool Wait(int TimeoutMs = 0);
  void Signal(void);
};

// A recursive mutex.
class cMutex {
private:
  pthread_mutex_t mutex;

public:
  cMutex(void);
  ~cMutex();
  void Lock(void);
  void Unlock(void);
};

class cMutexLock {
private:
  cMutex *mutex;
  bool locked;

public:
  cMutexLock(cMutex *Mutex = NULL);
  ~cMutexLock();
  bool Lock(cMutex *Mutex);
};

// Readers/writer lock; a time-out of 0 waits forever.
class cRwLock {
private:
  pthread_rwlock_t rwlock;
  std::atomic<pthread_t> writer;
  int writeLocks; // nesting of the writer, touched by the writer only

public:
  cRwLock(void);
  ~cRwLock();
  bool Lock(bool Write, int TimeoutMs = 0);
  void Unlock(void);
};

typedef pid_t tThreadId;

class cStateKey;

// Guards one of the host's global lists (timers, channels, recordings, guide) and
// counts its changes. A thread may hold several of them only in the order Timers,
// Channels, Recordings, Schedules; taking one out of order is logged as
// "invalid lock sequence" (and counted, see InvalidSequences()), as the recorder does.
// The holder of the write lock may lock again, for reading or writing.
class cStateLock {
  friend class cStateKey;

private:
  const char *name;
  int order; // place in the lock sequence, -1 for a lock outside it
  cRwLock rwLock;
  std::atomic<int> state;
  void Unlock(cStateKey &StateKey, bool IncState = true);

public:
  cStateLock(const char *Name = NULL);
  // Write false: true when the state changed since StateKey last held this lock (a new
  // key always sees a change); the read lock is then held. Write true: the write lock,
  // always true unless TimeoutMs ran out. Release with StateKey.Remove().
  bool Lock(cStateKey &StateKey, bool Write = false, int TimeoutMs = 0);
  // Marks the guarded data as changed without a write lock.
  void IncState(void) { state++; }
  // How often any thread took a lock out of sequence since the host started.
  static int InvalidSequences(void);
};

// One holder's view of a cStateLock: which state it saw, and whether it holds the lock.
class cStateKey {
  friend class cStateLock;

private:
  cStateLock *stateLock;
  bool write;
  int state;
  bool timedOut;

public:
  // IgnoreFirst: the first Lock() counts as unchanged unless the state really changed.
  cStateKey(bool IgnoreFirst = false);
  ~cStateKey();
  void Reset(void) { state = -1; }
  // Releases the lock; a write lock marks the data as changed unless IncState is false.
  void Remove(bool IncState = true);
  bool StateChanged(void);
  bool InLock(void) const { return stateLock != NULL; }
  bool TimedOut(void) const { return timedOut; }
};

// A host thread running Action(). Threads end cooperatively: Cancel() clears the
// running flag, wakes the thread's sleeps and ends its external commands, waits up to
// WaitSeconds for Action() to return, and kills the thread only as a last resort.
class cThread {
private:
  std::atomic<bool> active;
  std::atomic<bool> running;
  pthread_t childTid;
  bool joinable;
  std::atomic<tThreadId> childThreadId;
  cMutex mutex;
  char *description;
  static void *StartThread(cThread *Thread);
  void Join(void);

protected:
  void SetPriority(int Priority);
  virtual void Lock(void) { mutex.Lock(); }
  virtual void Unlock(void) { mutex.Unlock(); }
  virtual void Action(void) = 0;
  // True until Cancel() was called.
  bool Running(void) { return running; }
  void Cancel(int WaitSeconds = 0);

public:
  cThread(const char *Description = NULL);
  virtual ~cThread();
  void SetDescription(const char *Description, ...) __attribute__((format(printf, 2, 3)));
  const char *Description(void) const { return description; }
  bool Start(void);
  // True while Action() runs.
  bool Active(void);
  tThreadId ThreadId(void) const { return childThreadId; }
  static tThreadId CurrentThreadId(void);
  static void SetMainThreadId(void);
  static bool IsMainThread(void);
};

#endif

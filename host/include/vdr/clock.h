// The host clock: one virtual time for the whole host. It runs at a settable speed
// (1 = real time), or stands still and is moved on by hand (Step), so that an hour
// of broadcast can pass in moments and tests of threads stay deterministic.
//
// Every sleep of the host (cCondWait) follows this clock. Threads started through
// cThread take part in stepping: Step() wakes each sleeper when virtual time reaches
// its deadline and goes on only when every woken thread is asleep again or has ended.
#ifndef __VDR_CLOCK_H
#define __VDR_CLOCK_H

#include <pthread.h>
#include <stdint.h>
#include <time.h>

class cClock {
public:
  // Current virtual time.
  static time_t Now(void);
  static uint64_t NowMs(void);
  // Sets the virtual time, keeping the mode.
  static void SetTime(time_t Time);
  // Runs the clock at Speed virtual seconds per real second (Speed > 0).
  static void SetSpeed(double Speed);
  static double Speed(void);
  // Stops the clock: from now on only Step() (or a sleep of a thread that does not
  // take part in stepping, see cCondWait) moves it.
  static void SetManual(void);
  static bool Manual(void);
  // Lets Ms virtual milliseconds pass. In manual mode sleepers are woken in deadline
  // order and the call returns when all of them are asleep again; with a running
  // clock the time simply jumps.
  static void Step(uint64_t Ms);
  // Back to real time at speed 1 (tests use it to start clean).
  static void Reset(void);

  // The low-level sleep behind cCondWait: waits until the deadline (virtual ms) or
  // until *Signalled becomes true (set through Wake()). Returns *Signalled.
  static bool SleepUntil(uint64_t DeadlineMs, bool *Signalled);
  // Sets *Signalled and wakes its sleeper.
  static void Wake(bool *Signalled);

  // Bookkeeping of threads that take part in stepping (used by cThread).
  static void ThreadStarting(void);
  static void ThreadStarted(void);
  static void ThreadEnded(void);
  static bool IsParticipant(void);
  // Wakes every sleep of the given participant thread at once, now and later.
  static void Interrupt(pthread_t Thread);
};

#endif

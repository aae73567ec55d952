// The one place where the plug-in tells the recorder from our stand-in host.
#ifndef __VIMORA_COMPAT_H
#define __VIMORA_COMPAT_H

#include <sys/wait.h>
#include <time.h>
#include <vdr/config.h>

#if APIVERSNUM < 20600
#error "vimora needs the interfaces of VDR 2.6 or later"
#endif

#ifdef VDR_STANDIN
#include <vdr/clock.h>
#endif

// Now, for every time the plug-in compares or logs: the system's time in the recorder,
// the virtual clock in the stand-in, which may run faster than the wall clock.
inline time_t VimoraNow(void)
{
#ifdef VDR_STANDIN
  return cClock::Now();
#else
  return time(NULL);
#endif
}

// Whether a recording's first frame is the one of the time the recording is named after.
// Our stand-in records a timer that began before its recording from the minute it is named
// after on; the recorder records from when it starts, and resumes a recording after a
// restart.
#ifdef VDR_STANDIN
constexpr bool RecordsFromItsName = true;
#else
constexpr bool RecordsFromItsName = false;
#endif

// The exit code of a command SystemExec() ran, -1 when it did not exit: the recorder hands
// back the wait status, our stand-in the exit code itself.
inline int CommandExitCode(int SystemExecResult)
{
#ifdef VDR_STANDIN
  return SystemExecResult;
#else
  return SystemExecResult >= 0 && WIFEXITED(SystemExecResult) ? WEXITSTATUS(SystemExecResult) : -1;
#endif
}

// Now in milliseconds since the epoch.
inline long long VimoraNowMs(void)
{
#ifdef VDR_STANDIN
  return (long long)cClock::NowMs();
#else
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
#endif
}

#endif

// The one place where the plug-in tells the recorder from our stand-in host.
#ifndef __VIMORA_COMPAT_H
#define __VIMORA_COMPAT_H

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

#endif

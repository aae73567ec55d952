// The remote control as the host sees it: a queue of keys that drivers, tests and
// plug-ins fill and the main loop empties. Safe from any thread.
#ifndef __VDR_REMOTE_H
#define __VDR_REMOTE_H

#include <vdr/keys.h>
#include <vdr/tools.h>

class cRemote {
public:
  // Queues Key as if pressed, at the end or in front of the waiting keys.
  static bool Put(eKeys Key, bool AtFront = false);
  // Has the main loop open Plugin's main menu action before it takes the next key.
  // False when another call is still pending.
  static bool CallPlugin(const char *Plugin);
  // Takes the pending plug-in call (null for none).
  static cString GetPlugin(void);
  static bool HasKeys(void);
  // The next key, waiting up to WaitMs of host time for one; kNone when none came.
  static eKeys Get(int WaitMs = 0);
  // Drops the waiting keys and any pending plug-in call.
  static void Clear(void);
};

#endif

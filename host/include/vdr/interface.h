// The host's questions to the user.
#ifndef __VDR_INTERFACE_H
#define __VDR_INTERFACE_H

#include <vdr/keys.h>

class cInterface {
public:
  // Shows the question and takes the next key from the remote: true for kOk; any
  // other key, or Seconds of host time without one, is no.
  bool Confirm(const char *s, int Seconds = 10, bool WaitForTimeout = false);
};

extern cInterface *Interface;

#endif

// The host's main loop, one round at a time: queued messages, a pending plug-in
// call, one key for the open menu (or else the running control), the control's
// regular kNone, and messages running out. vimora-host calls Step() for ever; tests
// put keys with cRemote::Put and step through them on the manual clock.
#ifndef __VDR_MAINLOOP_H
#define __VDR_MAINLOOP_H

#include <vdr/osdbase.h>

class cMainLoop {
private:
  cOsdObject *menu;
  void OpenMenu(cOsdObject *Menu);
  void CloseMenu(void);
  void CallPlugin(const char *Name);
  void ShowInfo(void);
  void ShowRecordings(void);
  void MenuState(eOSState State);
  void ControlState(eOSState State);

public:
  // The calling thread becomes the host's main thread.
  cMainLoop(void);
  // Closes the menu and ends the running control.
  ~cMainLoop();
  // One round; waits up to WaitMs of host time for a key. Returns the key handled
  // (kNone when none came).
  eKeys Step(int WaitMs = 0);
  // Steps until Ms of host time have passed, waiting for keys StepMs at a time.
  void Run(int Ms, int StepMs = 100);
  // The open menu or page, or null.
  cOsdObject *Menu(void) const { return menu; }
};

#endif

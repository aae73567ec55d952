// Controls: what runs a player and takes the keys while no menu is open. At most
// one control runs at a time; the host owns it from Launch on.
#ifndef __VDR_PLAYER_H
#define __VDR_PLAYER_H

#include <vdr/osdbase.h>

class cControl : public cOsdObject {
private:
  static cControl *control;

public:
  cControl(void);
  virtual ~cControl();
  // Removes the control's display (a menu is about to cover it).
  virtual void Hide(void) {}
  // A page describing what is being played (the host owns it), or null.
  virtual cOsdObject *GetInfo(void) { return NULL; }
  // Replaces the running control (deleting it) by Control.
  static void Launch(cControl *Control);
  // Ends and deletes the running control.
  static void Shutdown(void);
  static cControl *Control(void) { return control; }
};

#endif

// Status notifications: a cStatus listener is registered while it exists, and the host
// tells every listener of each recording's start and end and of each replay's start and end.
#ifndef __VDR_STATUS_H
#define __VDR_STATUS_H

#include <vdr/tools.h>

class cControl;
class cDevice;

class cStatus : public cListObject {
protected:
  // A recording on Device has started (On) or ended. Name is the recording's name,
  // FileName its directory.
  virtual void Recording(const cDevice *Device, const char *Name, const char *FileName, bool On) { (void)Device; (void)Name; (void)FileName; (void)On; }
  // Control has started (On) or stopped replaying the recording Name in FileName.
  virtual void Replaying(const cControl *Control, const char *Name, const char *FileName, bool On) { (void)Control; (void)Name; (void)FileName; (void)On; }

public:
  cStatus(void);
  virtual ~cStatus();
  // Call every listener in the order of registration. One notification runs at a time;
  // a listener that is being destroyed waits until the notification running now is over.
  static void MsgRecording(const cDevice *Device, const char *Name, const char *FileName, bool On);
  static void MsgReplaying(const cControl *Control, const char *Name, const char *FileName, bool On);
};

#endif

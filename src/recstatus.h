// The recording monitor: listens to the host's recording notifications, leaves the
// marker file "vimora" (the channel id, no line end) in each recording of a supported
// channel, counts those recordings per channel and switches the grabber on while the
// first recording timer of the host is on a supported channel.
#ifndef __VIMORA_RECSTATUS_H
#define __VIMORA_RECSTATUS_H

#include <string>
#include <vdr/channels.h>
#include <vdr/status.h>
#include <vdr/timers.h>

// A host timer, known by its address only.
class cTimerObj : public cListObject {
public:
  const cTimer *timer; // not owned
  cTimerObj(const cTimer *Timer) : timer(Timer) {}
  virtual ~cTimerObj() { timer = NULL; }
};

// A timer seen recording, with the device that reported the start.
class cRecTimerObj : public cTimerObj {
public:
  int deviceNumber;
  cRecTimerObj(const cTimer *Timer, int DeviceNumber) : cTimerObj(Timer), deviceNumber(DeviceNumber) {}
};

class cRecStatusMonitor : public cStatus {
private:
  cList<cRecTimerObj> recTimers; // timers seen recording whose end is not handled yet
  bool Tracked(const cTimer *Timer) const;
  void RecordingStarted(const cTimers *Timers, const cDevice *Device, const char *Name, const char *FileName);
  void RecordingEnded(const cTimers *Timers);
  static void WriteMarker(const char *FileName, const std::string &ChannelId);
  // Notes when the stretch of the recording that begins now is recorded (cRecordingParts).
  static void NotePart(const char *FileName);
  static void ChangeRecordingCount(const std::string &ChannelId, int Delta);
  static void GrabberDecision(const cTimers *Timers);

protected:
  virtual void Recording(const cDevice *Device, const char *Name, const char *FileName, bool On);

public:
  // Installs the music channel as the one supported channel.
  cRecStatusMonitor(void);
  virtual ~cRecStatusMonitor() {}
  // The host's music channel, or null.
  static const cChannel *GetVimoraChannel(void);
};

extern cRecStatusMonitor *gl_recStatusMonitor;

#endif

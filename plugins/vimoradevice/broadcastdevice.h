// The receiving device of the vimoradevice plug-in: it provides the satellite source
// S19.2E and every channel of the recorder's channels.conf on it, one transponder at a
// time, with a steady signal. While tuned it hands the recorder (its receivers: cRecorder,
// cTransfer) the packets that the broadcasts (broadcast.h, one per channel) send on its
// transponder, with continuity counters that run on as on air. The broadcast's thread puts packets
// in, the device's own thread (cDevice::Action) takes them out, the main thread tunes:
// one mutex guards the queue and the tuning. The recorder owns the device and deletes it
// when it ends; the device ends the broadcast first.
#ifndef __VIMORADEVICE_BROADCASTDEVICE_H
#define __VIMORADEVICE_BROADCASTDEVICE_H

#include <array>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include <vdr/device.h>
#include <vdr/thread.h>

#include "broadcast.h"

class cBroadcastDevice : public cDevice {
private:
  int source;
  mutable cMutex mutex;  // guards what follows
  cCondVar arrived;
  tChannelID tuned;      // invalid while not tuned
  int transponder;
  bool dvrOpen;
  std::deque<std::array<uchar, TS_SIZE>> queue;
  std::array<uchar, TS_SIZE> handedOut;
  std::map<int, uchar> counters; // the next continuity counter by PID
  std::vector<cBroadcast *> broadcasts; // guarded by broadcastMutex
  cMutex broadcastMutex;

protected:
  virtual bool SetChannelDevice(const cChannel *Channel, bool LiveView);
  virtual bool SetPid(cPidHandle *Handle, int Type, bool On);
  virtual bool OpenDvr(void);
  virtual void CloseDvr(void);
  virtual bool GetTSPacket(uchar *&Data);

public:
  cBroadcastDevice(void);
  virtual ~cBroadcastDevice();
  virtual cString DeviceType(void) const;
  virtual cString DeviceName(void) const;
  virtual bool ProvidesSource(int Source) const;
  virtual bool ProvidesTransponder(const cChannel *Channel) const;
  virtual bool ProvidesChannel(const cChannel *Channel, int Priority = IDLEPRIORITY, bool *NeedsDetachReceivers = NULL) const;
  virtual int NumProvidedSystems(void) const;
  virtual int SignalStrength(void) const;
  virtual int SignalQuality(void) const;
  virtual bool IsTunedToTransponder(const cChannel *Channel) const;
  virtual bool HasLock(int TimeoutMs = 0) const;
  // A broadcast puts a packet on air on Transponder; it reaches the recorder when the
  // device is tuned to that transponder and its stream is open.
  void Deliver(int Transponder, const uchar *Packet);
  // Puts Broadcast on air (owned from here on) in place of the one before on its channel;
  // the other channels' go on.
  void SetBroadcast(cBroadcast *Broadcast);
  // Ends every broadcast.
  void EndBroadcasts(void);
  // The programme's state (cBroadcast::State), "none" without one; with several, each
  // as "CHANNELID: state", separated by "; ".
  std::string BroadcastState(void);
};

#endif

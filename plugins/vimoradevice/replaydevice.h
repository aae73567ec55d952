// The output device of the vimoradevice plug-in: a primary device with a decoder that
// shows nothing. It takes what a player gives it and discards it at the pace of the wall
// clock (replayclock.h), so a replay's position, which the player derives from GetSTC,
// moves on as on a real receiver, stands still in a pause and steps in trick modes. As
// the primary device it brings the memory OSD (memoryosd.h). The recorder owns the
// device from its construction on and deletes it when it shuts its devices down.
// Players call it from their own thread, the main loop from its own: one mutex guards
// the clock, and no call holds it while waiting.
#ifndef __VIMORADEVICE_REPLAYDEVICE_H
#define __VIMORADEVICE_REPLAYDEVICE_H

#include <vdr/device.h>
#include <vdr/thread.h>

#include "replayclock.h"

class cReplayDevice : public cDevice {
private:
  cMutex mutex;      // guards clock
  cReplayClock clock;
  cCondWait moved;   // signalled when the clock may take data again without waiting
  // Whether data with time stamp Pts may be taken now (see cReplayClock::Take).
  bool Take(int64_t Pts, bool Video);
  // Waits up to TimeoutMs until Ready says yes; Ready's answer at the end.
  bool WaitFor(bool (cReplayDevice::*Ready)(void), int TimeoutMs);
  bool Accepting(void);
  bool Drained(void);
  void Moved(void);

protected:
  // Brings the memory OSD when the device becomes the primary one.
  virtual void MakePrimaryDevice(bool On);
  // Starts every play mode afresh: nothing taken, normal speed.
  virtual bool SetPlayMode(ePlayMode PlayMode);
  // Take a whole PES packet when its time stamp is due, else nothing (0).
  virtual int PlayVideo(const uchar *Data, int Length);
  virtual int PlayAudio(const uchar *Data, int Length, uchar Id);
  // Take a whole TS packet when the PES packet it starts is due, else nothing (0).
  virtual int PlayTsVideo(const uchar *Data, int Length);
  virtual int PlayTsAudio(const uchar *Data, int Length);

public:
  // True: the device decodes, and so can be the primary device and replay.
  virtual bool HasDecoder(void) const;
  virtual bool CanReplay(void) const;
  // The time stamp presented now; -1 before anything was taken.
  virtual int64_t GetSTC(void);
  // Every frame shown Speed frame times, so fast modes move on at their speed.
  virtual void TrickSpeed(int Speed, bool Forward);
  // Forgets everything taken (a jump); keeps a pause.
  virtual void Clear(void);
  // Normal speed from where the clock stands.
  virtual void Play(void);
  // Stops the clock: nothing more is taken beyond the buffer.
  virtual void Freeze(void);
  // Shows nothing; the clock stands on the picture.
  virtual void StillPicture(const uchar *Data, int Length);
  // Whether data would be taken now, after waiting up to TimeoutMs for it.
  virtual bool Poll(cPoller &Poller, int TimeoutMs = 0);
  // Whether everything taken has been presented, after waiting up to TimeoutMs.
  virtual bool Flush(int TimeoutMs = 0);
};

#endif

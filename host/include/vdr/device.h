// The host's receiving devices, and the base of a device a plug-in brings. The host has a
// fixed set of receiving devices; the recorder puts each recording on the device that
// carries the fewest. A plug-in's device is an output device: the host keeps it from its
// construction on but never replays through it, so its play functions are not called
// here; they are declared as the recorder declares them, so such a plug-in builds for both.
#ifndef __VDR_DEVICE_H
#define __VDR_DEVICE_H

#include <stdint.h>

#define MAXDEVICES 2

typedef unsigned char uchar;

enum ePlayMode {
  pmNone,           // audio/video from the decoder
  pmAudioVideo,     // audio/video from the player
  pmAudioOnly,      // audio only from the player, video from the decoder
  pmAudioOnlyBlack, // audio only from the player, no video
  pmVideoOnly,      // video only from the player, audio from the decoder
  pmExtern_THIS_SHOULD_BE_AVOIDED
};

class cPoller;

class cDevice {
private:
  int deviceNumber;
  cDevice(int DeviceNumber) { deviceNumber = DeviceNumber; }

protected:
  // A plug-in's device, numbered after the receiving devices; the host keeps it.
  cDevice(void);
  virtual ~cDevice() {}
  virtual void MakePrimaryDevice(bool On) { (void)On; }
  virtual bool SetPlayMode(ePlayMode PlayMode) { (void)PlayMode; return false; }
  // Each takes a whole packet (its Length) or nothing (0).
  virtual int PlayVideo(const uchar *Data, int Length) { (void)Data; (void)Length; return -1; }
  virtual int PlayAudio(const uchar *Data, int Length, uchar Id) { (void)Data; (void)Length; (void)Id; return -1; }
  virtual int PlayTsVideo(const uchar *Data, int Length) { (void)Data; (void)Length; return -1; }
  virtual int PlayTsAudio(const uchar *Data, int Length) { (void)Data; (void)Length; return -1; }

public:
  cDevice(const cDevice &) = delete;
  cDevice &operator=(const cDevice &) = delete;
  // Counted from 0.
  int DeviceNumber(void) const { return deviceNumber; }
  // The index of the card behind the device; every device here is a card of its own.
  int CardIndex(void) const { return deviceNumber; }
  // The receiving devices.
  static int NumDevices(void) { return MAXDEVICES; }
  // The receiving device with this number, or null.
  static cDevice *GetDevice(int Index);
  static cDevice *PrimaryDevice(void) { return GetDevice(0); }
  virtual bool HasDecoder(void) const { return false; }
  virtual bool CanReplay(void) const { return false; }
  // The time stamp presented now, -1 when none.
  virtual int64_t GetSTC(void) { return -1; }
  virtual void TrickSpeed(int Speed, bool Forward) { (void)Speed; (void)Forward; }
  virtual void Clear(void) {}
  virtual void Play(void) {}
  virtual void Freeze(void) {}
  virtual void Mute(void) {}
  virtual void StillPicture(const uchar *Data, int Length) { (void)Data; (void)Length; }
  virtual bool Poll(cPoller &Poller, int TimeoutMs = 0) { (void)Poller; (void)TimeoutMs; return false; }
  virtual bool Flush(int TimeoutMs = 0) { (void)TimeoutMs; return true; }
};

#endif

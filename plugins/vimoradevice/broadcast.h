// The broadcast of the vimoradevice plug-in: a programme (items with their times on one
// channel) rendered with ffmpeg, one transport stream segment per item (MPEG-2 video with
// an I-frame every 12 frames showing the item's title, MP2 audio with a tone per item),
// the gaps between items dark and silent, with the channel's PIDs and service ID and
// time stamps that run on across segments. Its thread renders the segments and then
// sends their packets at the pace of their clock references, from the first item's start
// on, to a receiving device (broadcastdevice.h), which passes on what its tuned channel
// carries. The programme may differ from the guide: it is what is on air.
#ifndef __VIMORADEVICE_BROADCAST_H
#define __VIMORADEVICE_BROADCAST_H

#include <string>
#include <time.h>
#include <vector>

#include <vdr/channels.h>
#include <vdr/thread.h>

class cBroadcastDevice;

struct tProgrammeItem {
  time_t start;
  int seconds;
  std::string title; // empty for a gap
};

class cBroadcast : public cThread {
private:
  cBroadcastDevice *device;
  std::string workDir;
  tChannelID channelID;
  int vpid, apid, sid, tid, nid;
  std::vector<tProgrammeItem> items; // sorted, gaps filled
  cMutex mutex;                      // guards state
  std::string state;
  cCondWait sleeper;
  void SetState(const std::string &State);
  bool Render(size_t Index, const std::string &File);
  bool Send(const std::string &File, time_t Start, int64_t &FirstPcr);
  virtual void Action(void);

public:
  // Reads a programme from File: a line "channel CHANNELID", then lines
  // "item START SECONDS TITLE" (START in seconds since the epoch). Error: why not, and
  // null returned. Segments are rendered in WorkDir.
  static cBroadcast *Load(const char *File, cBroadcastDevice *Device, const std::string &WorkDir, std::string &Error);
  cBroadcast(cBroadcastDevice *Device, const std::string &WorkDir);
  virtual ~cBroadcast();
  // "rendering", "waiting", "on air", "ended" or "failed: why".
  std::string State(void);
  void Stop(void);
};

#endif

// The broadcast of the vimoradevice plug-in: a programme (items with their times on one
// channel) rendered with ffmpeg in a broadcast format (broadcastformat.h), one transport
// stream segment per item (video in a colour of its own showing the item's title, a tone
// per item on every sound track, AC-3 in 5.1 and 2.0 by turns as real channels switch),
// the gaps between items dark and silent, with the channel's PIDs, languages and service
// ID and time stamps that run on across segments. Its thread renders the segments and then
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

#include "broadcastformat.h"

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
  int transponder;
  const tBroadcastFormat *format;
  int mbits;                         // constant video bit rate, 0: the format's own
  int vpid, sid, tid, nid;
  std::vector<int> pids;             // of the format's sound tracks
  std::vector<std::string> languages;
  std::vector<int> shifts;           // of the tones, one sound input each
  std::vector<tProgrammeItem> items; // sorted, gaps filled
  cMutex mutex;                      // guards state
  std::string state;
  cCondWait sleeper;
  void SetState(const std::string &State);
  // Why the channel cannot carry the format, "" when it can; takes its PIDs.
  std::string TakeChannel(const cChannel *Channel);
  std::vector<std::string> Arguments(size_t Index, const std::string &File, const std::string &TextFile) const;
  bool Render(size_t Index, const std::string &File);
  bool Send(const std::string &File, time_t Start, int64_t &FirstPcr);
  virtual void Action(void);

public:
  // Reads a programme from File: a line "channel CHANNELID", optionally "format NAME"
  // (mpeg2-mp2 without) and "bitrate MBITS" (a constant video bit rate), then lines
  // "item START SECONDS TITLE" (START in seconds since the epoch). The channel's entry
  // must have the format's stream types. Error: why not, and null returned. Segments are
  // rendered in WorkDir.
  static cBroadcast *Load(const char *File, cBroadcastDevice *Device, const std::string &WorkDir, std::string &Error);
  cBroadcast(cBroadcastDevice *Device, const std::string &WorkDir);
  virtual ~cBroadcast();
  // "rendering", "waiting", "on air", "ended" or "failed: why".
  std::string State(void);
  const tChannelID &ChannelID(void) const { return channelID; }
  void Stop(void);
};

#endif

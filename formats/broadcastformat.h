// The broadcast formats that our host's recorder renders and the device plug-in airs, by
// name: the video codec with its encoder arguments, the frame rate, the sound tracks and
// the channel entry (channels.conf's VPID and APID fields) whose stream types match them.
// Plain C++ without the recorder's headers, so that the host and the device plug-in built
// for the recorder share this one list.
#ifndef __BROADCASTFORMAT_H
#define __BROADCASTFORMAT_H

#include <string>
#include <vector>

enum eSoundCodec { scMp2, scAc3, scEac3, scAacLatm };

struct tBroadcastTrack {
  eSoundCodec codec;
  const char *encoder;  // ffmpeg's
  const char *bitRate;  // ffmpeg's -b:a
  int channels;         // the host's layout
  int otherChannels;    // the device plug-in's every other item (real channels switch), 0: none
  const char *language; // ISO 639-2
  int pid;
  int streamType;       // as channels.conf has it: 3 MP2, 17 AAC-LATM, 106 AC-3, 122 E-AC-3
  int toneShiftHz;      // added to the item's tone, so that a track can be told by its sound
  bool Dolby(void) const { return codec == scAc3 || codec == scEac3; }
};

struct tBroadcastFormat {
  const char *name;
  const char *videoCodec;               // ffprobe's name: mpeg2video, h264, hevc
  std::vector<std::string> videoArgs;   // ffmpeg's encoder arguments, the rate control last
  int framesPerSecond;
  bool interlaced;
  int independentDistance;              // frames from one I-frame to the next
  int videoPid;
  int videoType;                        // as channels.conf has it: 2 MPEG-2, 27 H.264, 36 H.265
  std::vector<tBroadcastTrack> tracks;      // in their order on air
  const char *muxerFlags;               // ffmpeg's -mpegts_flags, or null
  // channels.conf's VPID field: "1201=27".
  std::string VpidField(void) const;
  // channels.conf's APID field: the audio PIDs, then after ';' the Dolby ones ("0;1203=deu@106").
  std::string ApidField(void) const;
  // The video encoder's arguments with a constant bit rate of Mbits per second instead of
  // the format's own rate control, padded as broadcasters' multiplexers do; Mbits 0: as it is.
  std::vector<std::string> VideoArgs(int Mbits = 0) const;
};

// All formats, the default first.
const std::vector<tBroadcastFormat> &BroadcastFormats(void);
// "mpeg2-mp2": today's MPEG-2 at 25 frames with one MP2 track.
const tBroadcastFormat &DefaultBroadcastFormat(void);
// The format of this name, or null.
const tBroadcastFormat *BroadcastFormat(const std::string &Name);
// The names, separated by ", ", for a message that lists them.
std::string BroadcastFormatNames(void);

#endif

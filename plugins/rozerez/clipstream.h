// The transport stream of a clip as it is written. A clip begins at an I-frame, but on
// broadcasts most I-frames of H.264, H.265 and MPEG-2 with B-frames open their group of
// pictures: the pictures that follow the I-frame in the stream but are shown before it
// refer to the picture before the cut, and a decoder shows them broken or reports errors.
// Those leading pictures are left out, the video's continuity counters run on as though
// they had never been there, and the rests of packets that began before the cut go too.
#ifndef __ROZEREZ_CLIPSTREAM_H
#define __ROZEREZ_CLIPSTREAM_H

#include <stdint.h>
#include <sys/types.h>
#include <vector>

const size_t TsPacketSize = 188;

// Bytes From up to To of the media file FileNumber.
struct tTsSpan {
  int fileNumber;
  off_t from, to;
};

// The PID of a transport stream packet.
int TsPid(const uint8_t *Packet);

// A packetised elementary stream that begins in a transport stream packet.
struct tPesStart {
  int pid;
  bool video;
  bool hasPts;
  int64_t pts; // 90 kHz, 33 bits
};

// Whether Packet (TsPacketSize bytes) begins a PES packet; Start tells which.
bool PesStartOf(const uint8_t *Packet, tPesStart &Start);

// Whether a picture with time stamp Pts is shown before one with IFramePts, across the
// wrap of the 33-bit clock.
bool ShownBefore(int64_t Pts, int64_t IFramePts);

class cClipStream {
private:
  int videoPid; // -1: the stream is copied as it is
  std::vector<tTsSpan> leading;
  int dropped; // video packets with payload left out so far
  std::vector<bool> started; // by PID: a PES has begun in the clip
  bool Leading(int FileNumber, off_t Offset) const;

public:
  // VideoPid -1 copies every packet unchanged; otherwise the video packets inside the
  // Leading spans are left out.
  cClipStream(int VideoPid, const std::vector<tTsSpan> &Leading);
  // Filters Length bytes (whole packets) that stood at Offset in media file FileNumber,
  // in place, in the order of the clip; returns how many bytes remain at Data.
  size_t Filter(int FileNumber, off_t Offset, uint8_t *Data, size_t Length);
};

#endif

// Host-internal: finds the frames of the video (MPEG-2 pictures, H.264 and H.265 access
// units) in a transport stream that is read in pieces as it grows, and tells for each
// where it begins and whether it is independent, as the recorder's index has them: a
// frame begins at the packet that starts its PES packet, or at the last PAT packet since
// the frame before, from where a reader gets the tables first. Independent are MPEG-2's
// I-pictures, H.264's IDR pictures and I-slices, H.265's random access pictures.
#ifndef __VDRHOST_TSINDEX_H
#define __VDRHOST_TSINDEX_H

#include <stdint.h>
#include <sys/types.h>
#include <vector>

#define TS_SIZE 188

class cTsFrameIndex {
public:
  struct tFrame {
    off_t offset;
    bool independent;
  };

private:
  std::vector<uint8_t> partial; // a packet not yet complete
  off_t position;               // of the next whole packet
  int pmtPid, videoPid, videoType; // -1 until the tables name them
  bool broken;
  off_t patOffset;              // the last PAT since the frame before, or -1
  off_t pesOffset;              // the packet that started the video's PES packet, or -1
  int zeros;                    // zero bytes seen in a row in the video
  bool inUnit;                  // gathering the first bytes after a start code
  std::vector<uint8_t> unit;
  off_t unitOffset;             // where the frame that the unit may begin would begin
  off_t pendingOffset;          // a frame begun by a delimiter, its picture not yet seen; or -1
  std::vector<tFrame> frames;
  void Packet(const uint8_t *Packet);
  void ProgramAssociation(const uint8_t *Payload, int Length);
  void ProgramMap(const uint8_t *Payload, int Length);
  void Video(const uint8_t *Payload, int Length, bool PesStart);
  void Byte(uint8_t b);
  void Unit(void);
  void Mpeg2Unit(void);
  void H264Unit(void);
  void H265Unit(void);
  void Begin(void);
  void Picture(bool FirstSlice, bool Independent);

public:
  cTsFrameIndex(void);
  // Takes the next Length bytes of the stream; false (from then on) when the stream
  // loses its packet sync, which no stream the host writes does.
  bool Put(const uint8_t *Data, size_t Length);
  // Appends the frames found since the last call to Frames, in stream order.
  void Take(std::vector<tFrame> &Frames);
  // Bytes of whole packets taken so far.
  off_t Position(void) const { return position; }
  // No frame found later begins before this offset.
  off_t Settled(void) const;
};

#endif

// Host-internal: finds the pictures of the MPEG video in a transport stream that is read
// in pieces as it grows, and tells for each where the packet that starts its PES packet
// lies and whether it is an I-frame. That is what the frame index of a recording holds.
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
  int pmtPid, videoPid;         // -1 until the tables name them
  bool broken;
  off_t pictureOffset;          // of the PES packet still looked into, or -1
  std::vector<uint8_t> pes;     // its bytes so far
  std::vector<tFrame> frames;
  void Packet(const uint8_t *Packet);
  void ProgramAssociation(const uint8_t *Payload, int Length);
  void ProgramMap(const uint8_t *Payload, int Length);
  void Video(const uint8_t *Payload, int Length, bool PesStart);
  bool LookForPicture(void);

public:
  cTsFrameIndex(void);
  // Takes the next Length bytes of the stream; false (from then on) when the stream
  // loses its packet sync, which no stream the host writes does.
  bool Put(const uint8_t *Data, size_t Length);
  // Appends the pictures found since the last call to Frames, in stream order.
  void Take(std::vector<tFrame> &Frames);
  // Bytes of whole packets taken so far.
  off_t Position(void) const { return position; }
};

#endif

#include "tsindex.h"

#include <algorithm>
#include <string.h>

static const uint8_t SyncByte = 0x47;
static const int PatPid = 0x0000;
static const int PictureStartCode = 0x00;
static const int IPicture = 1;
// A picture header lies within the first bytes after its PES header; a PES packet that
// shows none by then carries no picture.
static const size_t MaxPictureSearch = 64 * 1024;

static int PacketPid(const uint8_t *p)
{
  return (p[1] & 0x1F) << 8 | p[2];
}

cTsFrameIndex::cTsFrameIndex(void)
{
  position = 0;
  pmtPid = videoPid = -1;
  broken = false;
  pictureOffset = -1;
}

bool cTsFrameIndex::Put(const uint8_t *Data, size_t Length)
{
  if (broken)
     return false;
  if (!partial.empty()) {
     size_t n = std::min(Length, size_t(TS_SIZE) - partial.size());
     partial.insert(partial.end(), Data, Data + n);
     Data += n;
     Length -= n;
     if (partial.size() < size_t(TS_SIZE))
        return true;
     Packet(partial.data());
     partial.clear();
  }
  for (; !broken && Length >= size_t(TS_SIZE); Data += TS_SIZE, Length -= TS_SIZE)
      Packet(Data);
  if (!broken)
     partial.assign(Data, Data + Length);
  return !broken;
}

void cTsFrameIndex::Take(std::vector<tFrame> &Frames)
{
  Frames.insert(Frames.end(), frames.begin(), frames.end());
  frames.clear();
}

void cTsFrameIndex::Packet(const uint8_t *p)
{
  if (p[0] != SyncByte) {
     broken = true;
     return;
  }
  bool payloadStart = p[1] & 0x40;
  int control = (p[3] >> 4) & 0x03;
  int start = 4;
  if (control & 0x02)
     start += 1 + p[4];
  if ((control & 0x01) && start < TS_SIZE) {
     int pid = PacketPid(p);
     const uint8_t *payload = p + start;
     int length = TS_SIZE - start;
     if (pid == PatPid && payloadStart)
        ProgramAssociation(payload, length);
     else if (pid == pmtPid && payloadStart)
        ProgramMap(payload, length);
     else if (pid == videoPid)
        Video(payload, length, payloadStart);
  }
  position += TS_SIZE;
}

// Both tables are read from the packet that starts them; the host's are far smaller.
void cTsFrameIndex::ProgramAssociation(const uint8_t *Payload, int Length)
{
  int s = 1 + Payload[0]; // pointer field
  if (s + 8 > Length || Payload[s] != 0x00)
     return;
  int end = std::min(Length, s + 3 + ((Payload[s + 1] & 0x0F) << 8 | Payload[s + 2])) - 4; // without the CRC
  for (int i = s + 8; i + 4 <= end; i += 4) {
      int program = Payload[i] << 8 | Payload[i + 1];
      if (program != 0) { // 0 names the network table
         pmtPid = (Payload[i + 2] & 0x1F) << 8 | Payload[i + 3];
         return;
      }
  }
}

void cTsFrameIndex::ProgramMap(const uint8_t *Payload, int Length)
{
  int s = 1 + Payload[0];
  if (s + 12 > Length || Payload[s] != 0x02)
     return;
  int end = std::min(Length, s + 3 + ((Payload[s + 1] & 0x0F) << 8 | Payload[s + 2])) - 4;
  int i = s + 12 + ((Payload[s + 10] & 0x0F) << 8 | Payload[s + 11]);
  for (; i + 5 <= end; i += 5 + ((Payload[i + 3] & 0x0F) << 8 | Payload[i + 4])) {
      int type = Payload[i];
      if (type == 0x01 || type == 0x02) { // MPEG-1 or MPEG-2 video
         videoPid = (Payload[i + 1] & 0x1F) << 8 | Payload[i + 2];
         return;
      }
  }
}

void cTsFrameIndex::Video(const uint8_t *Payload, int Length, bool PesStart)
{
  if (PesStart) {
     pictureOffset = position;
     pes.clear();
  }
  if (pictureOffset < 0)
     return;
  pes.insert(pes.end(), Payload, Payload + Length);
  if (LookForPicture() || pes.size() > MaxPictureSearch) {
     pictureOffset = -1;
     pes.clear();
  }
}

// Looks for the picture header in the PES packet gathered so far and lists the picture;
// true when nothing is left to look for in this PES packet.
bool cTsFrameIndex::LookForPicture(void)
{
  if (pes.size() < 9)
     return false;
  if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1)
     return true; // no PES packet begins here
  for (size_t i = 9 + pes[8]; i + 6 <= pes.size(); i++) {
      if (pes[i] == 0 && pes[i + 1] == 0 && pes[i + 2] == 1 && pes[i + 3] == PictureStartCode) {
         int type = (pes[i + 5] >> 3) & 0x07;
         frames.push_back({ pictureOffset, type == IPicture });
         return true;
      }
  }
  return false;
}

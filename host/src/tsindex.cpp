#include "tsindex.h"

#include <algorithm>
#include <string.h>

static const uint8_t SyncByte = 0x47;
static const int PatPid = 0x0000;
static const int NoPid = -1;
// Stream types of the video in the program map.
static const int Mpeg1Video = 0x01, Mpeg2Video = 0x02, H264Video = 0x1B, H265Video = 0x24;
// The bytes after a start code that tell what a unit is.
static const size_t UnitBytes = 8;
static const int Mpeg2Picture = 0x00, Mpeg2IPicture = 1;
static const int H264NonIdrSlice = 1, H264IdrSlice = 5, H264Delimiter = 9;
static const int H265LastVcl = 31, H265FirstIrap = 16, H265LastIrap = 23, H265Delimiter = 35;

static int PacketPid(const uint8_t *p)
{
  return (p[1] & 0x1F) << 8 | p[2];
}

// Exp-Golomb numbers from the start of a NAL unit's payload, past emulation prevention.
class cBitReader {
private:
  const std::vector<uint8_t> &data;
  size_t byte;
  int bit, zeros;
  bool Bit(int &b)
  {
    if (bit == 0) {
       if (byte >= data.size())
          return false;
       if (zeros >= 2 && data[byte] == 0x03) {
          zeros = 0;
          if (++byte >= data.size())
             return false;
       }
       zeros = data[byte] == 0 ? zeros + 1 : 0;
    }
    b = (data[byte] >> (7 - bit)) & 1;
    if (++bit == 8) {
       bit = 0;
       byte++;
    }
    return true;
  }

public:
  cBitReader(const std::vector<uint8_t> &Data, size_t Start) : data(Data) { byte = Start; bit = 0; zeros = 0; }
  // False when the data ends first.
  bool Ue(unsigned &Value)
  {
    int leading = 0, b;
    for (;;) {
        if (!Bit(b))
           return false;
        if (b)
           break;
        if (++leading > 31)
           return false;
    }
    Value = 0;
    for (int i = 0; i < leading; i++) {
        if (!Bit(b))
           return false;
        Value = Value << 1 | b;
    }
    Value += (1u << leading) - 1;
    return true;
  }
};

cTsFrameIndex::cTsFrameIndex(void)
{
  position = 0;
  pmtPid = videoPid = videoType = NoPid;
  broken = false;
  patOffset = pesOffset = pendingOffset = unitOffset = -1;
  zeros = 0;
  inUnit = false;
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

off_t cTsFrameIndex::Settled(void) const
{
  off_t settled = position;
  for (off_t o : { frames.empty() ? off_t(-1) : frames.front().offset, pendingOffset, patOffset, pesOffset })
      if (o >= 0)
         settled = std::min(settled, o);
  return settled;
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
  int pid = PacketPid(p);
  if (pid == PatPid && payloadStart)
     patOffset = position;
  if ((control & 0x01) && start < TS_SIZE) {
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
      if (type == Mpeg1Video || type == Mpeg2Video || type == H264Video || type == H265Video) {
         videoPid = (Payload[i + 1] & 0x1F) << 8 | Payload[i + 2];
         videoType = type;
         return;
      }
  }
}

void cTsFrameIndex::Video(const uint8_t *Payload, int Length, bool PesStart)
{
  if (PesStart) {
     // the header of a PES packet lies in the packet that starts it
     pesOffset = -1;
     if (Length < 9 || Payload[0] != 0 || Payload[1] != 0 || Payload[2] != 1 || 9 + Payload[8] > Length)
        return;
     pesOffset = position;
     int header = 9 + Payload[8];
     Payload += header;
     Length -= header;
  }
  // a recording may begin inside a PES packet (the recorder's do, at an independent frame)
  if (pesOffset < 0)
     pesOffset = position;
  for (int i = 0; i < Length; i++)
      Byte(Payload[i]);
}

void cTsFrameIndex::Byte(uint8_t b)
{
  if (inUnit) {
     unit.push_back(b);
     if (unit.size() == UnitBytes) {
        inUnit = false;
        Unit();
     }
  }
  if (zeros >= 2 && b == 1) {
     if (inUnit) // a unit shorter than what is looked at
        Unit();
     inUnit = true;
     unit.clear();
     // a PAT inside the frame's PES packet would lose its header
     unitOffset = patOffset >= 0 ? std::min(patOffset, pesOffset) : pesOffset;
     zeros = 0;
     return;
  }
  zeros = b == 0 ? zeros + 1 : 0;
}

void cTsFrameIndex::Unit(void)
{
  inUnit = false;
  if (unit.empty())
     return;
  if (videoType == H264Video)
     H264Unit();
  else if (videoType == H265Video)
     H265Unit();
  else
     Mpeg2Unit();
}

// A frame begins where the unit was found; its picture may come later.
void cTsFrameIndex::Begin(void)
{
  if (pendingOffset >= 0)
     frames.push_back({ pendingOffset, false }); // a delimiter without a picture
  pendingOffset = unitOffset;
  patOffset = -1;
}

// A picture; FirstSlice: the first of its frame, which begins here unless a delimiter began it.
void cTsFrameIndex::Picture(bool FirstSlice, bool Independent)
{
  if (pendingOffset < 0) {
     if (!FirstSlice)
        return;
     Begin();
  }
  // the recorder puts the tables before an independent frame where it finds its picture,
  // which may be past the parameter sets that begin it
  if (patOffset >= 0)
     pendingOffset = patOffset;
  frames.push_back({ pendingOffset, Independent });
  pendingOffset = -1;
  patOffset = -1;
}

void cTsFrameIndex::Mpeg2Unit(void)
{
  if (unit[0] == Mpeg2Picture && unit.size() >= 3)
     Picture(true, ((unit[2] >> 3) & 0x07) == Mpeg2IPicture);
}

void cTsFrameIndex::H264Unit(void)
{
  int type = unit[0] & 0x1F;
  if (type == H264Delimiter)
     Begin();
  else if (type == H264NonIdrSlice || type == H264IdrSlice) {
     cBitReader bits(unit, 1);
     unsigned firstMb, sliceType;
     if (!bits.Ue(firstMb))
        return;
     bool intra = bits.Ue(sliceType) && (sliceType % 5 == 2 || sliceType % 5 == 4); // I or SI
     Picture(firstMb == 0, type == H264IdrSlice || intra);
  }
}

void cTsFrameIndex::H265Unit(void)
{
  int type = (unit[0] >> 1) & 0x3F;
  if (type == H265Delimiter)
     Begin();
  else if (type <= H265LastVcl && unit.size() >= 3)
     Picture(unit[2] & 0x80, type >= H265FirstIrap && type <= H265LastIrap);
}

#include "clipstream.h"

#include <string.h>

static const uint8_t TsSync = 0x47;
static const int MaxPid = 0x1FFF;
static const int64_t ClockMask = (int64_t(1) << 33) - 1;

int TsPid(const uint8_t *Packet)
{
  return ((Packet[1] & 0x1F) << 8) | Packet[2];
}

static bool HasPayload(const uint8_t *Packet)
{
  return Packet[3] & 0x10;
}

static bool StartsPayload(const uint8_t *Packet)
{
  return Packet[1] & 0x40;
}

bool PesStartOf(const uint8_t *Packet, tPesStart &Start)
{
  if (Packet[0] != TsSync || !StartsPayload(Packet) || !HasPayload(Packet))
     return false;
  size_t p = 4;
  if (Packet[3] & 0x20)
     p += 1 + Packet[4];
  if (p + 9 > TsPacketSize)
     return false;
  const uint8_t *pes = Packet + p;
  if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1)
     return false;
  Start.pid = TsPid(Packet);
  Start.video = (pes[3] & 0xF0) == 0xE0;
  Start.hasPts = (pes[7] & 0x80) && p + 14 <= TsPacketSize;
  Start.pts = 0;
  if (Start.hasPts) {
     const uint8_t *t = pes + 9;
     Start.pts = (int64_t(t[0] & 0x0E) << 29) | (int64_t(t[1]) << 22) | (int64_t(t[2] & 0xFE) << 14) | (int64_t(t[3]) << 7) | (t[4] >> 1);
  }
  return true;
}

bool ShownBefore(int64_t Pts, int64_t IFramePts)
{
  int64_t ahead = (IFramePts - Pts) & ClockMask;
  return ahead > 0 && ahead < (ClockMask >> 1);
}

cClipStream::cClipStream(int VideoPid, const std::vector<tTsSpan> &Leading)
: videoPid(VideoPid), leading(Leading), dropped(0), started(MaxPid + 1, false)
{
}

bool cClipStream::Leading(int FileNumber, off_t Offset) const
{
  for (const tTsSpan &s : leading)
      if (s.fileNumber == FileNumber && s.from <= Offset && Offset < s.to)
         return true;
  return false;
}

size_t cClipStream::Filter(int FileNumber, off_t Offset, uint8_t *Data, size_t Length)
{
  if (videoPid < 0)
     return Length;
  size_t kept = 0;
  for (size_t i = 0; i + TsPacketSize <= Length; i += TsPacketSize) {
      uint8_t *packet = Data + i;
      int pid = TsPid(packet);
      bool payload = HasPayload(packet);
      if (pid == videoPid && payload && Leading(FileNumber, Offset + off_t(i))) {
         dropped++;
         continue;
      }
      // The rest of a packet that began before the cut is of no use to a decoder. Packets
      // without payload (a clock reference alone) always stay.
      if (payload && StartsPayload(packet))
         started[pid] = true;
      else if (payload && !started[pid])
         continue;
      if (pid == videoPid && payload && dropped % 16)
         packet[3] = uint8_t((packet[3] & 0xF0) | ((packet[3] - dropped) & 0x0F));
      if (kept != i)
         memmove(Data + kept, packet, TsPacketSize);
      kept += TsPacketSize;
  }
  return kept;
}

#include "mediarecording.h"

#include <sstream>
#include <stdint.h>
#include <string.h>

#include "testenv.h"

namespace {

const size_t TsPacket = 188;

struct tPacket {
  double time;
  size_t pos;
  bool key;
};

// The packets of a stream of the stream file: time, position and key flag of each.
bool StreamPackets(const std::string &File, const char *Stream, std::vector<tPacket> &Packets, std::string &Error)
{
  tProcessResult r = RunTool({ "ffprobe", "-v", "error", "-select_streams", Stream, "-show_entries",
                               "packet=pts_time,pos,flags", "-of", "csv=p=0", "file:" + File });
  if (r.exitCode != 0) {
     Error = "ffprobe " + File + ": " + r.err;
     return false;
  }
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string time, pos, flags;
    if (std::getline(fields, time, ',') && std::getline(fields, pos, ',') && std::getline(fields, flags, ','))
       Packets.push_back({ atof(time.c_str()), size_t(atoll(pos.c_str())), flags.find('K') != std::string::npos });
  }
  return true;
}

// The frames the recorder indexes: the pictures, or in a recording without video (radio)
// the sound's frames.
bool IndexedPackets(const std::string &File, std::vector<tPacket> &Packets, std::string &Error)
{
  if (!StreamPackets(File, "v:0", Packets, Error) || (Packets.empty() && !StreamPackets(File, "a:0", Packets, Error)))
     return false;
  if (Packets.empty() || !Packets[0].key) {
     Error = File + " does not begin with an I-frame";
     return false;
  }
  return true;
}

// The packets before the first that begins a PES packet: PAT, PMT and the like.
std::string StreamHeader(const std::string &Data)
{
  size_t n = 0;
  for (; (n + 1) * TsPacket <= Data.size(); n++) {
      const unsigned char *p = reinterpret_cast<const unsigned char *>(Data.data()) + n * TsPacket;
      size_t payload = 4 + ((p[3] & 0x20) ? 1 + p[4] : 0);
      if (p[0] != 0x47 || ((p[1] & 0x40) && payload + 2 < TsPacket && p[payload] == 0 && p[payload + 1] == 0 && p[payload + 2] == 1))
         break;
  }
  return Data.substr(0, n * TsPacket);
}

void PutIndexRecord(std::string &Index, uint64_t Offset, bool Key, int FileNumber, bool OldKind)
{
  uint64_t record = Offset | uint64_t(FileNumber) << 48;
  if (Key)
     record |= OldKind ? uint64_t(1) << 40 : uint64_t(1) << 47;
  for (int i = 0; i < 8; i++)
      Index += char(record >> (8 * i));
}

} // namespace

tProcessResult RunTool(std::vector<std::string> Argv)
{
  Argv.insert(Argv.begin(), "/usr/bin/env");
  return RunProcess(Argv);
}

bool MakeMediaRecording(const std::string &Dir, const std::vector<tMediaPart> &Parts, int FramesPerSecond, bool OldKind, std::string &Error)
{
  std::string index;
  int number = 0;
  for (const tMediaPart &part : Parts) {
      std::vector<tPacket> packets;
      if (!IndexedPackets(part.stream, packets, Error))
         return false;
      std::string data = ReadFile(part.stream), header = StreamHeader(data);
      std::vector<size_t> starts = { packets[0].pos };
      for (double split : part.splits) {
          for (const tPacket &p : packets) {
              if (p.key && p.time >= packets[0].time + split && p.pos > starts.back()) {
                 starts.push_back(p.pos);
                 break;
              }
          }
      }
      starts.push_back(data.size());
      for (size_t f = 0; f + 1 < starts.size(); f++) {
          number++;
          char name[16];
          snprintf(name, sizeof(name), OldKind ? "/%03d.ts" : "/%05d.ts", number);
          if (!WriteFile(Dir + name, header + data.substr(starts[f], starts[f + 1] - starts[f]))) {
             Error = "cannot write " + Dir + name;
             return false;
          }
          for (const tPacket &p : packets)
              if (p.pos >= starts[f] && p.pos < starts[f + 1])
                 PutIndexRecord(index, header.size() + p.pos - starts[f], p.key, number, OldKind);
      }
  }
  std::string info = OldKind ? "" : "F " + std::to_string(FramesPerSecond) + "\n";
  if (!WriteFile(Dir + (OldKind ? "/index.vdr" : "/index"), index) || !WriteFile(Dir + (OldKind ? "/info.vdr" : "/info"), "C S19.2E-1-1092-10100\n" + info)) {
     Error = "cannot write the index or info of " + Dir;
     return false;
  }
  return true;
}

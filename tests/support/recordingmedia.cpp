#include "recordingmedia.h"

#include <math.h>
#include <string.h>
#include <vdr/channels.h>
#include <vdr/recording.h>

#include "../../host/src/tsindex.h"
#include "process.h"
#include "testenv.h"

bool SetChannelFormat(cChannel *Channel, const tBroadcastFormat &Format)
{
  tChannelID id = Channel->GetChannelID();
  std::string name = Channel->Name(); // Parse() frees it
  return Channel->Parse(*cString::sprintf("%s:12148:h:%s:27500:%s:%s:0:0:%d:%d:%d:%d", name.c_str(), *SourceToString(id.Source()),
                                          Format.VpidField().c_str(), Format.ApidField().c_str(), id.Sid(), id.Nid(), id.Tid(), id.Rid()));
}

void PrintTo(const tIndexEntry &Entry, std::ostream *Out)
{
  *Out << Entry.file << ":" << Entry.offset << (Entry.independent ? "I" : "");
}

std::vector<tIndexEntry> RecordingIndex(const std::string &Dir)
{
  std::vector<tIndexEntry> entries;
  cIndexFile index(Dir.c_str(), false);
  for (int i = 0; i <= index.Last(); i++) {
      tIndexEntry e = { 0, 0, false };
      if (index.Get(i, &e.file, &e.offset, &e.independent))
         entries.push_back(e);
  }
  return entries;
}

std::vector<std::string> MediaFiles(const std::string &Dir)
{
  std::vector<std::string> files;
  for (int n = 1;; n++) {
      char name[16];
      snprintf(name, sizeof(name), "/%05d.ts", n);
      if (!FileExists(Dir + name))
         return files;
      files.push_back(Dir + name);
  }
}

std::vector<tIndexEntry> FoundIndex(const std::string &Dir)
{
  std::vector<tIndexEntry> entries;
  std::vector<std::string> files = MediaFiles(Dir);
  for (size_t n = 0; n < files.size(); n++) {
      std::string media = ReadFile(files[n]);
      cTsFrameIndex index;
      std::vector<cTsFrameIndex::tFrame> frames;
      index.Put((const uint8_t *)media.data(), media.size());
      index.Take(frames);
      for (const auto &f : frames)
          entries.push_back({ uint16_t(n + 1), f.offset, f.independent });
  }
  return entries;
}

std::string MediaInput(const std::string &Dir)
{
  std::string input;
  for (const std::string &f : MediaFiles(Dir))
      input += (input.empty() ? "concat:" : "|") + f;
  return input;
}

static int Pid(const std::string &Media, off_t At)
{
  return (uint8_t(Media[At + 1]) & 0x1F) << 8 | uint8_t(Media[At + 2]);
}

static bool PayloadStart(const std::string &Media, off_t At)
{
  return uint8_t(Media[At + 1]) & 0x40;
}

bool FrameBeginsAt(const std::string &Media, off_t Offset, int VideoPid)
{
  if (Offset < 0 || Offset % TS_SIZE != 0 || Offset + TS_SIZE > off_t(Media.size()))
     return false;
  if (Pid(Media, Offset) == VideoPid)
     return PayloadStart(Media, Offset);
  if (Pid(Media, Offset) != 0)
     return false;
  for (off_t p = Offset + TS_SIZE; p + TS_SIZE <= off_t(Media.size()); p += TS_SIZE)
      if (Pid(Media, p) == VideoPid)
         return PayloadStart(Media, p);
  return false;
}

int LongestDependentRun(const std::vector<tIndexEntry> &Index)
{
  int longest = 0, run = 0;
  for (const tIndexEntry &e : Index) {
      run = e.independent ? 0 : run + 1;
      longest = std::max(longest, run);
  }
  return longest;
}

double TonePower(const int16_t *Samples, size_t Count, int Hz)
{
  double k = 2 * cos(2 * M_PI * Hz / 48000), s1 = 0, s2 = 0;
  for (size_t i = 0; i < Count; i++) {
      double s = Samples[i] + k * s1 - s2;
      s2 = s1;
      s1 = s;
  }
  return (s1 * s1 + s2 * s2 - k * s1 * s2) / (double(Count) * Count);
}

std::vector<double> ToneSeconds(const std::vector<int16_t> &Samples, const std::vector<int> &Tones)
{
  const size_t Tenth = 4800;
  std::vector<double> seconds(Tones.size());
  for (size_t at = 0; at + Tenth <= Samples.size(); at += Tenth) {
      size_t best = 0;
      double bestPower = 0, total = 0;
      for (size_t i = 0; i < Tones.size(); i++) {
          double p = TonePower(&Samples[at], Tenth, Tones[i]);
          total += p;
          if (p > bestPower) {
             best = i;
             bestPower = p;
          }
      }
      if (bestPower > 1e4 && bestPower > 0.9 * total)
         seconds[best] += 0.1;
  }
  return seconds;
}

std::vector<int16_t> TrackSamples(const std::string &Input, int Track, int SampleRate)
{
  tProcessResult r = RunProcess({ "/usr/bin/env", "ffmpeg", "-nostdin", "-v", "error", "-i", Input, "-map", "0:a:" + std::to_string(Track),
                                  "-f", "s16le", "-ac", "1", "-ar", std::to_string(SampleRate), "-" });
  std::vector<int16_t> samples(r.exitCode == 0 ? r.out.size() / 2 : 0);
  memcpy(samples.data(), r.out.data(), samples.size() * 2);
  return samples;
}

double ToneHz(const int16_t *Samples, size_t Count, int SampleRate)
{
  size_t crossings = 0;
  for (size_t i = 1; i < Count; i++)
      crossings += (Samples[i - 1] < 0) != (Samples[i] < 0);
  return Count ? crossings * SampleRate / (2.0 * Count) : 0;
}

#include "benchhost.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vdr/channels.h>
#include <vdr/epg.h>
#include <vdr/recording.h>
#include <vdr/timers.h>
#include <vector>

namespace {

std::string root;

void RemoveRoot(void)
{
  RemoveFileOrDir(root.c_str());
}

const char *const Words[] = {
  "Silver", "Lake", "Night", "Crew", "Echo", "Velvet", "Storm", "Paper", "Moon", "River",
  "Golden", "Fire", "Glass", "Ocean", "Neon", "Wild", "Heart", "Shadow", "Summer", "Rain",
  "Electric", "Dream", "Stone", "Blue", "Empire", "Ghost", "Radio", "Sunset", "Frozen", "Sky",
};
const int WordCount = sizeof(Words) / sizeof(Words[0]);

std::string Words3(unsigned Seed, int Min, int Spread)
{
  std::string s;
  int n = Min + int(Seed % unsigned(Spread));
  for (int i = 0; i < n; i++) {
      if (i)
         s += ' ';
      s += Words[Mix(Seed + unsigned(i)) % WordCount];
  }
  return s;
}

size_t StatusField(const char *Name)
{
  FILE *f = fopen("/proc/self/status", "r");
  if (!f)
     return 0;
  char line[256];
  size_t kb = 0;
  size_t n = strlen(Name);
  while (fgets(line, sizeof(line), f))
        if (strncmp(line, Name, n) == 0 && line[n] == ':')
           kb = strtoul(line + n + 1, NULL, 10);
  fclose(f);
  return kb * 1024;
}

} // namespace

unsigned Mix(unsigned x)
{
  x ^= x >> 16;
  x *= 0x7feb352d;
  x ^= x >> 15;
  x *= 0x846ca68b;
  x ^= x >> 16;
  return x;
}

const std::string &BenchRoot(void)
{
  if (root.empty()) {
     char dir[] = "/tmp/vimora-bench-XXXXXX";
     if (!mkdtemp(dir))
        abort();
     root = dir;
     SetVideoDirectory((root + "/video").c_str());
     MakeDirs(VideoDirectory, true);
     atexit(RemoveRoot);
  }
  return root;
}

cChannel *AddMusicChannel(void)
{
  tChannelID id = tChannelID::FromString(MusicChannel);
  cChannel *channel = new cChannel;
  if (!channel->Parse(cString::sprintf("VimoraMusic:12148:h:%s:27500:0:0:0:0:%d:%d:%d:%d", *SourceToString(id.Source()), id.Sid(), id.Nid(), id.Tid(), id.Rid())))
     abort();
  Channels.Add(channel);
  Channels.ReNumber();
  return channel;
}

void AddEvent(time_t Start, int Duration, const char *Title)
{
  cSchedulesLock lock(true);
  cEvent *event = new cEvent;
  event->SetStartTime(Start);
  event->SetDuration(Duration);
  event->SetTitle(Title);
  cSchedules::Writable(lock)->AddSchedule(tChannelID::FromString(MusicChannel))->AddEvent(event);
}

std::string MakeRecording(const char *Name, time_t Start, int Frames)
{
  cChannel *channel = Channels.GetByChannelID(tChannelID::FromString(MusicChannel));
  cTimer timer(channel, Start, Start + Frames / FRAMESPERSEC, Name);
  cRecording recording(&timer, Start);
  std::string fileName = recording.FileName();
  if (!MakeDirs(fileName.c_str(), true))
     abort();
  {
    cIndexFile index(fileName.c_str(), true);
    off_t offset = 0;
    for (int i = 0; i < Frames; i++) {
        bool independent = i % 12 == 0;
        index.Write(independent, 1, offset);
        offset += independent ? 48000 : 12000;
    }
  }
  cRecordingInfo info;
  info.Set(channel, NULL, Name);
  info.Write(fileName.c_str());
  return fileName;
}

void WriteMedia(const std::string &FileName, int Frames, int PacketsPerFrame)
{
  const int TsSize = 188;
  FILE *media = fopen((FileName + "/00001.ts").c_str(), "w");
  if (!media)
     abort();
  std::vector<char> frame(size_t(PacketsPerFrame) * TsSize, char(0xFF));
  for (int p = 0; p < PacketsPerFrame; p++)
      frame[size_t(p) * TsSize] = 0x47;
  for (int f = 0; f < Frames; f++)
      fwrite(frame.data(), 1, frame.size(), media);
  fclose(media);
  RemoveFileOrDir((FileName + "/index").c_str());
  cIndexFile index(FileName.c_str(), true);
  for (int f = 0; f < Frames; f++)
      index.Write(f % 12 == 0, 1, off_t(f) * PacketsPerFrame * TsSize);
}

std::string CatalogueArtist(int Index)
{
  unsigned seed = Mix(unsigned(Index) * 2 + 1);
  // some artists carry a colon, which the file escapes
  return Words3(seed, 1, 3) + (seed % 50 == 0 ? ": Live" : "") + " " + std::to_string(Index % 5000);
}

std::string CatalogueTitle(int Index)
{
  return Words3(Mix(unsigned(Index) * 2 + 2), 1, 4);
}

size_t WriteCatalogue(const std::string &Path, int Count)
{
  FILE *f = fopen(Path.c_str(), "w");
  if (!f)
     abort();
  size_t bytes = 0;
  for (int i = 0; i < Count; i++) {
      std::string artist = CatalogueArtist(i), title = CatalogueTitle(i);
      for (auto &c : artist)
          if (c == ':')
             c = '|';
      unsigned r = Mix(unsigned(i));
      int status = r % 10 < 6 ? 0 : r % 10 < 7 ? 1 : 2;
      int n = fprintf(f, "%s:%s:%d:%ld:%d:%d:%s\n", artist.c_str(), title.c_str(), 1960 + int(r % 67), long(CatalogueStart + time_t(i) * TrackSpacing), 180 + int(r % 60), status, MusicChannel);
      if (n < 0)
         abort();
      bytes += size_t(n);
  }
  fclose(f);
  return bytes;
}

void WriteBlacklist(const std::string &Path, int Count)
{
  FILE *f = fopen(Path.c_str(), "w");
  if (!f)
     abort();
  for (int i = 0; i < Count; i++) {
      if (i % 97 == 0)
         fprintf(f, "%s;\n", CatalogueArtist(i * 13).c_str());
      else if (i % 10 == 1)
         fprintf(f, "^Unheard %d;.*\n", i);
      else if (i % 10 == 2)
         fprintf(f, "Nobody %d\n", i);
      else
         fprintf(f, "Some Band %d;Some Song %d\n", i, i);
  }
  fclose(f);
}

size_t ResidentBytes(void)
{
  return StatusField("VmRSS");
}

size_t PeakResidentBytes(void)
{
  return StatusField("VmHWM");
}

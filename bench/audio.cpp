// Converting the ten tracks of a 30-minute recording into MP3 files: the conversion
// thread running the conversion script once per track, against four ffmpeg runs that do
// the same work for all ten spans at once (cut and encode, loudness, cover stills,
// tagging). Both do their work in child processes, whose CPU time is what the ratio
// compares.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <vdr/channels.h>
#include <vdr/clock.h>
#include <vdr/recording.h>
#include <vdr/timers.h>
#include <vector>

#include "../host/src/mediawriter.h"
#include "audio_thread.h"
#include "benchhost.h"
#include "benchratio.h"
#include "vimora_config.h"

namespace {

const int Minutes = 30;
const int Songs = 10;
const int SongSeconds = 170;
const int SongSpacing = 180;
const int FirstSong = 5; // seconds after the recording's start
const time_t Start = 1796673600; // a whole minute

std::string recording, audioDir;

struct tSpan {
  int startMs, lengthMs;
};
std::vector<tSpan> spans;

// A recording of the music channel made by the host's recorder with real media, one
// pair of marks per song, each named by its start mark, as green makes them.
void Prepare(void)
{
  if (!recording.empty())
     return;
  SysLogLevel = 1;
  const std::string &root = BenchRoot();
  audioDir = root + "/audio";
  const char *path = getenv("PATH");
  setenv("PATH", (std::string(VIMORA_SOURCE_DIR) + "/scripts:" + (path ? path : "")).c_str(), 1);
  setenv("VIMORA_AUDIO_DIR", audioDir.c_str(), 1);
  VimoraConfig.audioformat = 0; // MP3
  SetMediaWriterFactory(NewRenderedMediaWriter);
  cClock::SetManual();
  cClock::SetTime(Start - 60);
  cChannel *channel = AddMusicChannel();
  for (int s = 0; s < Songs; s++)
      AddEvent(Start + FirstSong + s * SongSpacing, SongSeconds, cString::sprintf("Artist %d - Song %d (199%d)", s, s, s));
  if (!cRecorder::Start())
     abort();
  Timers.Add(new cTimer(channel, Start, Start + Minutes * 60, "Bench"));
  cClock::Step(uint64_t(60 + Minutes * 60 + 1) * 1000);
  cRecorder::Stop();
  if (!Recordings.First())
     abort();
  recording = Recordings.First()->FileName();
  cMarks marks;
  marks.Load(recording.c_str());
  for (int s = 0; s < Songs; s++) {
      int first = (FirstSong + s * SongSpacing) * FRAMESPERSEC, last = first + SongSeconds * FRAMESPERSEC;
      marks.Add(first);
      marks.Get(first)->SetComment(cString::sprintf("Artist %d|Song %d|199%d", s, s, s));
      marks.Add(last);
      // as the script reckons them: milliseconds of whole frames
      spans.push_back({ first * 1000 / FRAMESPERSEC, (last - first) * 1000 / FRAMESPERSEC });
  }
  if (!marks.Save())
     abort();
  // the conversion thread's short pauses pass by themselves
  cClock::Reset();
}

// The MP3 files of a folder; the conversion writes its playlist beside them.
int FilesIn(const std::string &Folder)
{
  int files = 0;
  DIR *d = opendir(Folder.c_str());
  if (!d)
     return 0;
  while (struct dirent *e = readdir(d)) {
        size_t n = strlen(e->d_name);
        files += e->d_name[0] != '.' && n > 4 && strcmp(e->d_name + n - 4, ".mp3") == 0;
        }
  closedir(d);
  return files;
}

void BM_AudioConversion(benchmark::State &State)
{
  Prepare();
  double children = 0;
  for (auto _ : State) {
      State.PauseTiming();
      RemoveFileOrDir(audioDir.c_str());
      cRecording *r = Recordings.GetByName(recording.c_str());
      State.ResumeTiming();
      double before = ChildrenCpuSeconds();
      cConvertToAudioThread::Init(r, false);
      while (cConvertToAudioThread::m_Instance)
            usleep(10000);
      children += ChildrenCpuSeconds() - before;
  }
  cConvertToAudioThread::Exit();
  State.counters[ChildrenCpuCounter] = children / double(State.iterations());
  State.counters["files"] = FilesIn(audioDir);
  if (FilesIn(audioDir) != Songs)
     State.SkipWithError("audio files missing");
}
BENCHMARK(BM_AudioConversion)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(2);

// The floor does what the script does for each track, each step for all ten tracks in one
// ffmpeg run: the spans cut and encoded as the script encodes them, their loudness
// measured as the script measures it for ReplayGain, a still taken from the middle of each
// as its cover, and the files tagged with the cover, as the script tags them. Like the
// script's, its files are stereo whatever the recording's sound.
std::string Seconds(int Ms)
{
  return *cString::sprintf("%d.%03d", Ms / 1000, Ms % 1000);
}

std::vector<std::string> FloorCommands(const std::string &Folder)
{
  const std::string ffmpeg = "ffmpeg -nostdin -hide_banner -loglevel error -y";
  std::string media = "'file:" + recording + "/00001.ts'";
  auto file = [&](const char *Kind, int i, const char *Extension) { return std::string(*cString::sprintf("'file:%s/%s%d.%s'", Folder.c_str(), Kind, i, Extension)); };
  // the measurement is what ffmpeg prints at level info
  std::string cut = ffmpeg, loudness = "ffmpeg -nostdin -hide_banner -loglevel info", cover = ffmpeg, tag = ffmpeg;
  for (const auto &s : spans) {
      cut += " -ss " + Seconds(s.startMs) + " -i " + media;
      cover += " -ss " + Seconds(s.startMs + s.lengthMs / 2) + " -i " + media;
  }
  for (int i = 0; i < int(spans.size()); i++) {
      // stereo, as the script makes every file (the recording's sound is mono)
      cut += " -map " + std::to_string(i) + ":a:0 -t " + Seconds(spans[i].lengthMs) + " -vn -sn -dn -ac 2 -map_metadata -1 -map_chapters -1 -c:a libmp3lame -q:a 2 -f mp3 " + file("sound", i, "mp3");
      loudness += " -i " + file("sound", i, "mp3");
      cover += " -map " + std::to_string(i) + ":v:0 -frames:v 1 -vf \"scale='min(600,iw)':-2\" -f mjpeg " + file("cover", i, "jpg");
      tag += " -i " + file("sound", i, "mp3") + " -i " + file("cover", i, "jpg");
  }
  for (int i = 0; i < int(spans.size()); i++) {
      loudness += " -map " + std::to_string(i) + ":a:0 -af ebur128=peak=sample -f null -";
      tag += *cString::sprintf(" -map %d:a -map %d:v -c copy -map_metadata -1 -disposition:v attached_pic -metadata:s:v 'comment=Cover (front)'", 2 * i, 2 * i + 1);
      tag += *cString::sprintf(" -id3v2_version 3 -metadata 'artist=Artist %d' -metadata 'title=Song %d' -metadata 'album=Song %d' -metadata 'album_artist=Artist %d' -metadata 'genre=Music Video' -metadata 'date=199%d' -metadata 'REPLAYGAIN_TRACK_GAIN=-1.00 dB' -metadata REPLAYGAIN_TRACK_PEAK=0.500000", i, i, i, i, i);
      tag += *cString::sprintf(" -f mp3 'file:%s/Artist %d - Song %d (199%d).mp3'", Folder.c_str(), i, i, i);
  }
  return { cut + " </dev/null", loudness + " </dev/null >/dev/null 2>&1", cover + " </dev/null", tag + " </dev/null" };
}

void BM_SameWorkFloor(benchmark::State &State)
{
  Prepare();
  std::string folder = BenchRoot() + "/floor-audio";
  std::vector<std::string> commands = FloorCommands(folder);
  double children = 0;
  for (auto _ : State) {
      State.PauseTiming();
      RemoveFileOrDir(folder.c_str());
      MakeDirs(folder.c_str(), true);
      State.ResumeTiming();
      double before = ChildrenCpuSeconds();
      for (const std::string &c : commands)
          if (system(c.c_str()) != 0)
             State.SkipWithError("ffmpeg failed");
      children += ChildrenCpuSeconds() - before;
  }
  State.counters[ChildrenCpuCounter] = children / double(State.iterations());
  State.counters["files"] = FilesIn(folder);
}
BENCHMARK(BM_SameWorkFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(2);
BENCH_RATIO("7. audio files of 10 tracks", "BM_AudioConversion", { "BM_SameWorkFloor" }, 1.3);

} // namespace

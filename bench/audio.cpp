// Converting the ten tracks of a 30-minute recording into MP3 files: the conversion
// thread running the conversion script once per track, against one ffmpeg run that
// extracts the same ten spans into ten files with the same encoder settings. Both do
// their work in child processes, whose CPU time is what the ratio compares.
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

int FilesIn(const std::string &Folder)
{
  int files = 0;
  DIR *d = opendir(Folder.c_str());
  if (!d)
     return 0;
  while (struct dirent *e = readdir(d))
        files += e->d_name[0] != '.';
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

// The floor: one ffmpeg, each span one input read from its start as the script reads
// it, each output encoded and tagged as the script encodes and tags it.
std::string OneRunCommand(const std::string &Folder)
{
  std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y";
  for (const auto &s : spans)
      command += cString::sprintf(" -ss %d.%03d -i 'file:%s/00001.ts'", s.startMs / 1000, s.startMs % 1000, recording.c_str());
  for (int i = 0; i < int(spans.size()); i++) {
      command += cString::sprintf(" -map %d:a:0 -t %d.%03d -vn -sn -dn -map_metadata -1 -map_chapters -1", i, spans[i].lengthMs / 1000, spans[i].lengthMs % 1000);
      command += cString::sprintf(" -c:a libmp3lame -q:a 2 -id3v2_version 3 -metadata 'artist=Artist %d' -metadata 'title=Song %d' -metadata 'date=199%d'", i, i, i);
      command += cString::sprintf(" -f mp3 'file:%s/Artist %d - Song %d (199%d).mp3'", Folder.c_str(), i, i, i);
  }
  return command + " </dev/null";
}

void BM_OneFfmpegRunFloor(benchmark::State &State)
{
  Prepare();
  std::string folder = BenchRoot() + "/floor-audio";
  std::string command = OneRunCommand(folder);
  double children = 0;
  for (auto _ : State) {
      State.PauseTiming();
      RemoveFileOrDir(folder.c_str());
      MakeDirs(folder.c_str(), true);
      State.ResumeTiming();
      double before = ChildrenCpuSeconds();
      if (system(command.c_str()) != 0)
         State.SkipWithError("ffmpeg failed");
      children += ChildrenCpuSeconds() - before;
  }
  State.counters[ChildrenCpuCounter] = children / double(State.iterations());
  State.counters["files"] = FilesIn(folder);
}
BENCHMARK(BM_OneFfmpegRunFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(2);
BENCH_RATIO("7. audio files of 10 tracks", "BM_AudioConversion", { "BM_OneFfmpegRunFloor" }, 1.3);

} // namespace

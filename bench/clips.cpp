// Cutting a 30-minute recording with 10 tracks into clips through the rozerez plug-in,
// against a plain copy of the same byte ranges.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>
#include <vector>

#include "benchhost.h"
#include "benchratio.h"
#include "rozerez_service.h"

namespace {

const int Frames = 30 * 60 * FRAMESPERSEC;
const int Tracks = 10;
const int PacketsPerFrame = 20; // about 750 kbit/s

std::string recording, clipFolder;
cPluginManager *manager = NULL;

// The recording with media and one pair of marks per track, the rozerez plug-in loaded.
void Prepare(void)
{
  if (!recording.empty())
     return;
  SysLogLevel = 1;
  AddMusicChannel();
  recording = MakeRecording("Bench~Half an hour", CatalogueStart, Frames);
  clipFolder = BenchRoot() + "/clips";
  WriteMedia(recording, Frames, PacketsPerFrame);
  cMarks marks;
  marks.Load(recording.c_str());
  int length = Frames / Tracks;
  for (int t = 0; t < Tracks; t++) {
      marks.Add(t * length + 30);
      marks.Get(t * length + 30)->SetComment(cString::sprintf("Artist %d|Title %d|2001", t, t));
      marks.Add((t + 1) * length - 30);
  }
  marks.Save();
  manager = new cPluginManager(VIMORA_PLUGIN_DIR);
  manager->AddPlugin(("rozerez -d '" + clipFolder + "'").c_str());
  if (!manager->LoadPlugins() || !cPluginManager::GetPlugin("rozerez"))
     abort();
}

void BM_RozerezClips(benchmark::State &State)
{
  Prepare();
  for (auto _ : State) {
      State.PauseTiming();
      RemoveFileOrDir(clipFolder.c_str());
      State.ResumeTiming();
      MultiCutRequest request{ &recording[0], NULL };
      cPluginManager::GetPlugin("rozerez")->Service(ROZEREZ_MULTICUT_SERVICE, &request);
      if (request.errorText)
         State.SkipWithError(request.errorText);
  }
}
BENCHMARK(BM_RozerezClips)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);

// The byte ranges of the clips: from the I-frame at or before each start mark, as
// long as the clip rozerez wrote.
std::vector<std::pair<off_t, off_t>> ClipRanges(void)
{
  std::vector<std::pair<off_t, off_t>> ranges;
  cMarks marks;
  marks.Load(recording.c_str());
  cIndexFile index(recording.c_str(), false);
  for (cMark *m = marks.First(); m && marks.Next(m); m = marks.Next(marks.Next(m))) {
      int frame = m->Position();
      uint16_t number;
      off_t offset;
      bool independent = false;
      while (frame > 0 && index.Get(frame, &number, &offset, &independent) && !independent)
            frame--;
      index.Get(frame, &number, &offset);
      struct stat st;
      if (stat((clipFolder + "/" + m->Comment() + ".ts").c_str(), &st) != 0)
         abort();
      ranges.push_back({ offset, st.st_size });
  }
  return ranges;
}

void BM_CopyFloor(benchmark::State &State)
{
  Prepare();
  std::vector<std::pair<off_t, off_t>> ranges = ClipRanges();
  std::string folder = BenchRoot() + "/copies";
  for (auto _ : State) {
      State.PauseTiming();
      RemoveFileOrDir(folder.c_str());
      MakeDirs(folder.c_str(), true);
      State.ResumeTiming();
      int in = open((recording + "/00001.ts").c_str(), O_RDONLY);
      std::vector<char> buffer(1 << 20);
      for (size_t i = 0; i < ranges.size(); i++) {
          int out = open((folder + "/" + std::to_string(i) + ".ts").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
          off_t at = ranges[i].first, left = ranges[i].second;
          while (left > 0) {
                ssize_t n = pread(in, buffer.data(), size_t(std::min(left, off_t(buffer.size()))), at);
                if (n <= 0 || write(out, buffer.data(), size_t(n)) != n)
                   abort();
                at += n;
                left -= n;
          }
          close(out);
      }
      close(in);
  }
  State.counters["clips"] = double(ranges.size());
}
BENCHMARK(BM_CopyFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCH_RATIO("7. rozerez clips", "BM_RozerezClips", { "BM_CopyFloor" }, 1.5);

} // namespace

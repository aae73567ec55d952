// Opening the plug-in's recordings menu with 2,000 recordings in the video folder,
// against the host's own scan of the same folder.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <vdr/recording.h>

#include "benchhost.h"
#include "benchratio.h"
#include "menu_recs.h"

namespace {

const int RecordingCount = 2000;

// Two thousand half-hour recordings of the music channel, one a day, each with its
// marker file; every tenth of another channel, without one.
void Prepare(void)
{
  static bool made = false;
  if (made)
     return;
  made = true;
  SysLogLevel = 1;
  BenchRoot();
  AddMusicChannel();
  for (int i = 0; i < RecordingCount; i++) {
      std::string fileName = MakeRecording(cString::sprintf("Night %04d", i), CatalogueStart + time_t(i) * 86400, 25);
      if (i % 10 == 0)
         continue;
      FILE *marker = fopen((fileName + "/vimora").c_str(), "w");
      fputs(MusicChannel, marker);
      fclose(marker);
  }
}

void BM_HostScan(benchmark::State &State)
{
  Prepare();
  for (auto _ : State)
      Recordings.Load();
  State.counters["recordings"] = Recordings.Count();
}
BENCHMARK(BM_HostScan)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

void BM_OpenRecordingsMenu(benchmark::State &State)
{
  Prepare();
  Recordings.Load();
  int items = 0;
  for (auto _ : State) {
      cMenuRecs *menu = new cMenuRecs;
      items = menu->Count();
      delete menu;
  }
  State.counters["items"] = items;
}
BENCHMARK(BM_OpenRecordingsMenu)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCH_RATIO("6. open the recordings menu", "BM_OpenRecordingsMenu", { "BM_HostScan" }, 2);

} // namespace

// Cut marks on the song boundaries: a three-hour recording of 200 items that the channel
// airs up to 15 s off its guide, each item opening with its gap of black and silence.
// How many marks land within 0.5 s of their boundary with and without the refinement,
// and what the refinement costs against decoding the same windows with the ffmpeg program.
#include <benchmark/benchmark.h>
#include <algorithm>
#include <math.h>
#include <time.h>
#include <memory>
#include <stdlib.h>
#include <unistd.h>
#include <vdr/channels.h>
#include <vdr/clock.h>
#include <vdr/onair.h>
#include <vdr/recording.h>
#include <vdr/timers.h>
#include <vector>

#include "../host/src/mediawriter.h"
#include "benchhost.h"
#include "benchratio.h"
#include "mark_refine.h"
#include "menu_recs.h"
#include "refine_thread.h"
#include "tracks.h"
#include "vimora_config.h"

namespace {

const int Items = 200;
const int MinSeconds = 40;   // 40 to 68 s, 54 on average: three hours
const int SpreadSeconds = 29;
const int GuideError = 15;   // seconds either way
const int LeadIn = 10;
const time_t Start = 1796673600; // a whole minute

struct tItem {
  int start, duration; // seconds after the recording's start, as aired
  int guideStart, guideEnd;
};
std::vector<tItem> items;
std::string recording;
int recordedSeconds;

// The recording, made once by the host's recorder from what the channel airs, and the
// catalogue from its guide: each item's guide start off by -15..15 s, its end where the
// guide's next item starts.
void Prepare(void)
{
  if (!recording.empty())
     return;
  SysLogLevel = 1;
  BenchRoot();
  SetMediaWriterFactory(NewRenderedMediaWriter);
  cClock::SetManual();
  cClock::SetTime(Start - 60);
  cChannel *channel = AddMusicChannel();
  int at = LeadIn;
  for (int i = 0; i < Items; i++) {
      int duration = MinSeconds + int(Mix(2 * i) % SpreadSeconds);
      int error = int(Mix(2 * i + 1) % (2 * GuideError + 1)) - GuideError;
      items.push_back({ at, duration, at + error, 0 });
      cOnAir::Add(channel->GetChannelID(), Start + at, duration, cString::sprintf("Artist %d - Song %d (2000)", i, i));
      at += duration;
  }
  for (int i = 0; i < Items; i++)
      items[i].guideEnd = i + 1 < Items ? items[i + 1].guideStart : at + GuideError / 2;
  recordedSeconds = (at + GuideError + 59) / 60 * 60;
  if (!cRecorder::Start())
     abort();
  Timers.Add(new cTimer(channel, Start, Start + recordedSeconds, "Bench"));
  cClock::Step(uint64_t(60 + recordedSeconds + 1) * 1000);
  cRecorder::Stop();
  if (!Recordings.First())
     abort();
  recording = Recordings.First()->FileName();
  FILE *marker = fopen((recording + "/vimora").c_str(), "w");
  if (!marker || fputs(MusicChannel, marker) < 0 || fclose(marker) != 0)
     abort();
  for (int i = 0; i < Items; i++) {
      cTrack *t = new cTrack;
      t->artist = *cString::sprintf("Artist %d", i);
      t->title = *cString::sprintf("Song %d", i);
      t->year = 2000;
      t->startTime = Start + items[i].guideStart;
      t->duration = items[i].guideEnd - items[i].guideStart;
      t->status = 0;
      t->channelId = MusicChannel;
      Tracks.Add(t);
  }
  VimoraConfig.offset = 0;
}

double searchCpu = 0; // the least over the repetitions

double ProcessCpuSeconds(void)
{
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

void WaitForSearch(void)
{
  while (cRefineMarksThread::Busy())
    usleep(1000);
}

cMenuRecs *RecordingsMenu(void)
{
  cMenuRecs *menu = new cMenuRecs;
  for (cOsdItem *item = menu->First(); item; item = menu->Next(item)) {
      if (recording == static_cast<cMenuRecItem *>(item)->FileName()) {
         menu->SetCurrent(item);
         return menu;
      }
  }
  abort();
}

// How far each mark of the marks file lies from its boundary, in seconds: a start mark
// from the end of its item's gap (where picture and sound begin), an end mark from the
// start of the next item's gap.
std::vector<double> Misses(void)
{
  cMarks marks;
  marks.Load(recording.c_str());
  std::vector<double> misses;
  int i = 0;
  for (const cMark *m = marks.First(); m && i < Items; m = marks.Next(m), i++) {
      const cMark *end = marks.Next(m);
      if (!end)
         break;
      int gapEnd = items[i].start * FRAMESPERSEC + MediaGapFrames(Start + items[i].start);
      int gapStart = (items[i].start + items[i].duration) * FRAMESPERSEC;
      misses.push_back(fabs(m->Position() - gapEnd) / FRAMESPERSEC);
      misses.push_back(fabs(end->Position() - gapStart) / FRAMESPERSEC);
      m = end;
  }
  return misses;
}

void ReportAccuracy(const char *What, bool Refine)
{
  VimoraConfig.refinemarks = Refine;
  std::unique_ptr<cMenuRecs> menu(RecordingsMenu());
  menu->ProcessKey(kGreen);
  WaitForSearch();
  std::vector<double> misses = Misses();
  int within = 0, beyond = 0;
  for (double m : misses) {
      within += m <= 0.5;
      beyond += m > 1;
  }
  ReportFigure(*cString::sprintf("%s: %d marks of %d expected, %.1f %% within 0.5 s of their boundary, %.1f %% more than 1 s off",
                                 What, int(misses.size()), 2 * Items, 100.0 * within / std::max(size_t(1), misses.size()),
                                 100.0 * beyond / std::max(size_t(1), misses.size())));
}

// The pairs as green finds them from the guide.
std::vector<tMarkPair> GuidePairs(cIndexFile &Index)
{
  std::vector<tMarkPair> pairs;
  for (const tItem &i : items)
      pairs.push_back({ Index.GetNextIFrame(i.guideStart * FRAMESPERSEC, true), Index.GetNextIFrame(i.guideEnd * FRAMESPERSEC, false), "" });
  return pairs;
}

// Green, as the user presses it, with and without the refinement: the key alone, or
// the key and the search it starts in the background until the marks are written.
void Green(benchmark::State &State, bool Refine, bool Search)
{
  Prepare();
  VimoraConfig.refinemarks = Refine;
  std::unique_ptr<cMenuRecs> menu(RecordingsMenu());
  double cpu = ProcessCpuSeconds();
  for (auto _ : State) {
      menu->ProcessKey(kGreen);
      if (!Search)
         State.PauseTiming();
      WaitForSearch();
      if (!Search)
         State.ResumeTiming();
  }
  State.counters["recorded_h"] = recordedSeconds / 3600.0;
  // the search runs on a thread of its own, which the benchmark's CPU time leaves out
  State.counters["process_cpu_s"] = (ProcessCpuSeconds() - cpu) / double(State.iterations());
  if (Search)
     searchCpu = searchCpu > 0 ? std::min(searchCpu, double(State.counters["process_cpu_s"])) : double(State.counters["process_cpu_s"]);
}

void BM_GreenRefined(benchmark::State &State)
{
  Green(State, true, true);
}
BENCHMARK(BM_GreenRefined)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

void BM_GreenKeyRefined(benchmark::State &State)
{
  Green(State, true, false);
}
BENCHMARK(BM_GreenKeyRefined)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

void BM_GreenGuideOnly(benchmark::State &State)
{
  Green(State, false, false);
}
BENCHMARK(BM_GreenGuideOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// The refinement alone: the windows decoded, the silences found, the marks moved.
void BM_Refinement(benchmark::State &State)
{
  Prepare();
  cIndexFile index(recording.c_str(), false);
  std::vector<tMarkPair> guide = GuidePairs(index);
  cSilenceFinder finder(recording.c_str(), false, index);
  double decoded = 0;
  for (const auto &s : MarkStretches(guide, VimoraConfig.refinewindow))
      decoded += s.second - s.first;
  for (auto _ : State) {
      std::vector<tMarkPair> pairs = guide;
      MoveMarks(pairs, index, SilencesAround(pairs, finder, VimoraConfig.refinewindow), VimoraConfig.refinewindow);
      benchmark::DoNotOptimize(pairs.data());
  }
  State.counters["windows_s"] = decoded / FRAMESPERSEC;
}
BENCHMARK(BM_Refinement)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// The floor: the ffmpeg program decoding the sound of the same windows, one run over
// all of them (the concat demuxer, each window an in- and out-point of the media).
void BM_FfmpegWindowsFloor(benchmark::State &State)
{
  Prepare();
  cIndexFile index(recording.c_str(), false);
  std::string start;
  std::string list = BenchRoot() + "/windows.txt";
  FILE *f = fopen(list.c_str(), "w");
  if (!f)
     abort();
  // the media's time stamps begin where the muxer puts its first picture
  FILE *probe = popen(("ffprobe -v error -show_entries format=start_time -of csv=p=0 'file:" + recording + "/00001.ts'").c_str(), "r");
  double offset = 0;
  if (!probe || fscanf(probe, "%lf", &offset) != 1)
     abort();
  pclose(probe);
  for (const auto &s : MarkStretches(GuidePairs(index), VimoraConfig.refinewindow)) {
      int from = std::max(s.first, 0), to = std::min(s.second, index.Last());
      fprintf(f, "file 'file:%s/00001.ts'\ninpoint %.3f\noutpoint %.3f\n", recording.c_str(), offset + from / 25.0, offset + (to + 1) / 25.0);
  }
  fclose(f);
  std::string command = "ffmpeg -nostdin -hide_banner -loglevel fatal -f concat -safe 0 -i '" + list + "' -map 0:a -f null - </dev/null";
  double children = 0;
  for (auto _ : State) {
      double before = ChildrenCpuSeconds();
      if (system(command.c_str()) != 0)
         State.SkipWithError("ffmpeg failed");
      children += ChildrenCpuSeconds() - before;
  }
  State.counters[ChildrenCpuCounter] = children / double(State.iterations());
}
BENCHMARK(BM_FfmpegWindowsFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

BENCH_RATIO("refinement of 200 marks' windows / ffmpeg decoding them", "BM_Refinement", { "BM_FfmpegWindowsFloor" }, 1.2);

// Where the marks land with and without the refinement, and green's time per hour
// recorded; measured after the benchmarks above.
void BM_Summary(benchmark::State &State)
{
  Prepare();
  for (auto _ : State) {
      ReportAccuracy("guide only", false);
      ReportAccuracy("refined", true);
  }
  double hours = recordedSeconds / 3600.0;
  ReportFigure(*cString::sprintf("green on %.2f h: the key %.1f ms with refinement, %.1f ms from the guide alone; the search in the background %.0f ms (%.0f ms CPU), %.0f ms per hour recorded",
                                 hours, 1000 * BestSeconds("BM_GreenKeyRefined"), 1000 * BestSeconds("BM_GreenGuideOnly"),
                                 1000 * BestSeconds("BM_GreenRefined"), 1000 * searchCpu, 1000 * BestSeconds("BM_GreenRefined") / hours));
}
BENCHMARK(BM_Summary)->Iterations(1);

} // namespace

// Cut marks on the song boundaries: a three-hour recording of 200 items that the channel
// airs up to 15 s off its guide, the items opening by turns with a gap of black and
// silence, a dip of the sound, a hard cut over which the sound runs on, and a fade
// through black. How near the marks land to where their songs' sound begins and ends,
// per transition, with and without the refinement, and what the refinement costs against
// decoding the same windows (their sound and their I-frames) with the ffmpeg program.
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
  eTransition transition; // how it begins
};
const char *const TransitionNames[] = { "silence", "dip", "cut", "fade" };
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
      eTransition transition = eTransition(i % 4);
      items.push_back({ at, duration, at + error, 0, transition });
      cOnAir::Add(channel->GetChannelID(), Start + at, duration, cString::sprintf("Artist %d - Song %d (2000)", i, i), transition);
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

// How far each mark of the marks file lies from where its song's sound begins (a start
// mark, after its item's transition) or ends (an end mark, where the next item begins),
// in seconds, + later; each pair found by its start mark's name, so that a pair missing
// or out of place is not measured against another song. By the transition at the mark.
struct tMiss {
  double seconds;
  eTransition transition;
};

std::vector<tMiss> Misses(void)
{
  cMarks marks;
  marks.Load(recording.c_str());
  std::vector<tMiss> misses;
  for (const cMark *m = marks.First(); m; m = marks.Next(m)) {
      const cMark *end = marks.Next(m);
      int i;
      if (!end || !m->Comment() || sscanf(m->Comment(), "Artist %d|", &i) != 1 || i < 0 || i >= Items)
         continue;
      double soundStart = items[i].start + MediaLeadFrames(Start + items[i].start, items[i].transition) / double(FRAMESPERSEC);
      double soundEnd = items[i].start + items[i].duration;
      misses.push_back({ m->Position() / double(FRAMESPERSEC) - soundStart, items[i].transition });
      misses.push_back({ end->Position() / double(FRAMESPERSEC) - soundEnd, i + 1 < Items ? items[i + 1].transition : trSilence });
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
  std::vector<tMiss> misses = Misses();
  ReportFigure(*cString::sprintf("%s: %d marks of %d expected", What, int(misses.size()), 2 * Items));
  for (int kind = -1; kind < 4; kind++) {
      int marks = 0, within[3] = { 0, 0, 0 };
      double worst = 0;
      for (const tMiss &m : misses) {
          if (kind >= 0 && m.transition != kind)
             continue;
          marks++;
          double off = fabs(m.seconds);
          within[0] += off <= 0.1;
          within[1] += off <= 0.5;
          within[2] += off <= 2;
          if (off > fabs(worst))
             worst = m.seconds;
      }
      ReportFigure(*cString::sprintf("  %-7s %3d marks: within 0.1 s %5.1f %%, within 0.5 s %5.1f %%, within 2 s %5.1f %%, the worst %+.2f s",
                                     kind < 0 ? "all" : TransitionNames[kind], marks, 100.0 * within[0] / std::max(1, marks),
                                     100.0 * within[1] / std::max(1, marks), 100.0 * within[2] / std::max(1, marks), worst));
  }
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
  cTransitionFinder finder(recording.c_str(), false, index);
  double decoded = 0;
  for (const auto &s : MarkStretches(guide, VimoraConfig.refinewindow))
      decoded += s.second - s.first;
  for (auto _ : State) {
      std::vector<tMarkPair> pairs = guide;
      MoveMarks(pairs, index, TransitionsAround(pairs, finder, VimoraConfig.refinewindow), VimoraConfig.refinewindow);
      benchmark::DoNotOptimize(pairs.data());
  }
  State.counters["windows_s"] = decoded / FRAMESPERSEC;
}
BENCHMARK(BM_Refinement)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// The floor: the ffmpeg program decoding the sound and the I-frames of the same windows,
// one run over all of them (the concat demuxer, each window an in- and out-point of the
// media).
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
  // the I-frames alone, as the search decodes them
  std::string command = "ffmpeg -nostdin -hide_banner -loglevel fatal -skip_frame nokey -f concat -safe 0 -i '" + list + "' -map 0:v -map 0:a -f null - </dev/null";
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

BENCH_RATIO("refinement of 200 marks' windows / ffmpeg decoding their sound and I-frames", "BM_Refinement", { "BM_FfmpegWindowsFloor" }, 1.5);

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

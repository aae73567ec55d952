// The catalogue at eight years of round-the-clock capture (1,000,000 tracks): loading
// and saving "tracks.conf", the grabber's pass, marking a recording converted and the
// blacklist, each against the floor of the same work measured in the same run.
#include <benchmark/benchmark.h>
#include <charconv>
#include <functional>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/channels.h>
#include <vdr/clock.h>
#include <vdr/epg.h>
#include <vdr/keys.h>
#include <vdr/recording.h>

#include "benchcatalogue.h"
#include "benchhost.h"
#include "benchratio.h"
#include "blacklist.h"
#include "grabberthread.h"
#include "menu_recs.h"
#include "menu_tracks.h"
#include "tracks.h"
#include "vimora_config.h"

namespace {

const int ReappliedTracks = 40;

// --- 1. loading ----------------------------------------------------------------

void BM_ReadLinesFloor(benchmark::State &State)
{
  ResetCatalogueFile();
  for (auto _ : State) {
      FILE *f = fopen(CataloguePath().c_str(), "re");
      cReadLine readLine;
      size_t lines = 0;
      while (readLine.Read(f))
            lines++;
      fclose(f);
      benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_ReadLinesFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);

void BM_Load(benchmark::State &State)
{
  ResetCatalogueFile();
  for (auto _ : State) {
      State.PauseTiming();
      Tracks.Clear();
      State.ResumeTiming();
      Tracks.Load(CataloguePath().c_str(), true);
  }
  if (Tracks.Count() != CatalogueSize)
     State.SkipWithError("tracks missing after loading");
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCH_RATIO("1. load tracks.conf", "BM_Load", { "BM_ReadLinesFloor" }, 3);

// What the track record's layout costs by itself: one node per line, with the
// channel id that every loaded track holds on the heap (19 characters), and nothing
// parsed.
void BM_ReadLinesIntoEmptyTracks(benchmark::State &State)
{
  ResetCatalogueFile();
  cList<cTrack> list;
  for (auto _ : State) {
      State.PauseTiming();
      list.Clear();
      State.ResumeTiming();
      FILE *f = fopen(CataloguePath().c_str(), "re");
      cReadLine readLine;
      while (readLine.Read(f)) {
            cTrack *t = new cTrack;
            t->channelId = MusicChannel;
            list.Add(t);
      }
      fclose(f);
  }
}
BENCHMARK(BM_ReadLinesIntoEmptyTracks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCH_RATIO("1. (reference) empty nodes alone", "BM_ReadLinesIntoEmptyTracks", { "BM_ReadLinesFloor" }, 3);

double SecondsSince(const timespec &Start, clockid_t Clock = CLOCK_MONOTONIC)
{
  timespec now;
  clock_gettime(Clock, &now);
  return double(now.tv_sec - Start.tv_sec) + (now.tv_nsec - Start.tv_nsec) * 1e-9;
}

double SystemSeconds(void)
{
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec * 1e-6;
}

// Prints: tracks, bytes of their texts, resident bytes before loading, peak after, the
// seconds of reading the lines and of loading in this fresh process, wall and CPU, and
// the system time of the loading.
int LoadMemoryProbe(const char *Path)
{
  timespec start, startCpu;
  clock_gettime(CLOCK_MONOTONIC, &start);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &startCpu);
  FILE *f = fopen(Path, "re");
  cReadLine readLine;
  while (readLine.Read(f))
        ;
  fclose(f);
  double floor = SecondsSince(start, CLOCK_MONOTONIC), floorCpu = SecondsSince(startCpu, CLOCK_PROCESS_CPUTIME_ID);
  size_t before = ResidentBytes();
  clock_gettime(CLOCK_MONOTONIC, &start);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &startCpu);
  double sysBefore = SystemSeconds();
  Tracks.Load(Path, true);
  double load = SecondsSince(start, CLOCK_MONOTONIC), loadCpu = SecondsSince(startCpu, CLOCK_PROCESS_CPUTIME_ID);
  double loadSys = SystemSeconds() - sysBefore;
  size_t peak = PeakResidentBytes();
  size_t texts = 0;
  for (const cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
      texts += t->eventTitle.size() + t->shortText.size() + t->description.size() + t->artist.size() + t->title.size() + t->channelId.size();
  printf("%d %zu %zu %zu %f %f %f %f %f\n", Tracks.Count(), texts, before, peak, floor, load, floorCpu, loadCpu, loadSys);
  return 0;
}
BENCH_PROBE("load-memory", LoadMemoryProbe);

// The system time is printed apart: in a virtual machine that hands freed memory back to
// its host, the same page faults of a fresh process cost several times as much after other
// processes have freed much memory.
void BM_LoadMemory(benchmark::State &State)
{
  ResetCatalogueFile();
  int count = 0;
  size_t texts = 0, before = 0, peak = 0;
  double floor = 0, load = 0, floorCpu = 0, loadCpu = 0, loadSys = 0;
  for (auto _ : State)
      if (sscanf(RunProbe("load-memory", CataloguePath()).c_str(), "%d %zu %zu %zu %lf %lf %lf %lf %lf", &count, &texts, &before, &peak, &floor, &load, &floorCpu, &loadCpu,
             &loadSys) != 9 ||
          count != CatalogueSize)
         State.SkipWithError("the memory probe failed");
  double perTrack = (double(peak) - double(before) - double(texts)) / CatalogueSize;
  State.counters["bytes_per_track"] = perTrack;
  char line[320];
  snprintf(line, sizeof(line), "%-40s %.0f bytes per track beyond %.1f MB of texts (limit 320) %s; peak RSS %.1f MB over %.1f MB before loading",
           "1. memory of the loaded catalogue", perTrack, texts / 1e6, perTrack <= 320 ? "holds" : "MISSED", peak / 1e6, before / 1e6);
  ReportFigure(line);
  snprintf(line, sizeof(line), "%-40s %.2fx cpu, %.2fx wall: loading %.3f ms cpu (%.3f ms of it system) %.3f ms wall over reading the lines %.3f ms cpu %.3f ms wall, in a fresh process",
           "1. load at start (fresh process, once)", loadCpu / floorCpu, load / floor, loadCpu * 1e3, loadSys * 1e3, load * 1e3, floorCpu * 1e3, floor * 1e3);
  ReportFigure(line);
}
BENCHMARK(BM_LoadMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// --- 2. saving -------------------------------------------------------------------

std::string FileContent(const std::string &Path)
{
  std::string content;
  FILE *f = fopen(Path.c_str(), "re");
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        content.append(buffer, n);
  fclose(f);
  return content;
}

void WriteFloor(benchmark::State &State, bool Sync)
{
  ResetCatalogueFile();
  std::string content = FileContent(CataloguePath());
  std::string temp = CataloguePath() + ".floor", target = BenchRoot() + "/floor.conf";
  for (auto _ : State) {
      FILE *f = fopen(temp.c_str(), "we");
      fwrite(content.data(), 1, content.size(), f);
      fflush(f);
      if (Sync)
         fsync(fileno(f));
      fclose(f);
      rename(temp.c_str(), target.c_str());
  }
}

void BM_WriteFloor(benchmark::State &State)
{
  WriteFloor(State, false);
}
BENCHMARK(BM_WriteFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);

void BM_WriteSyncedFloor(benchmark::State &State)
{
  WriteFloor(State, true);
}
BENCHMARK(BM_WriteSyncedFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);

void BM_Save(benchmark::State &State)
{
  LoadCatalogue();
  for (auto _ : State)
      if (!Tracks.Save())
         State.SkipWithError("saving failed");
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCH_RATIO("2. save tracks.conf", "BM_Save", { "BM_WriteFloor" }, 2);
BENCH_RATIO("2. save, floor synced like the save", "BM_Save", { "BM_WriteSyncedFloor" }, 2);

// The least that any save does whose record holds year, start, duration and status as
// numbers: each line made from a 40-byte entry (the four numbers, and where the rest of
// the line lies), the numbers put into text, the rest copied in two pieces, and the
// lines written as the save writes them. Nothing is escaped, no text is looked at and
// no record is smaller: a save of such records cannot be faster than this.
void BM_FormatNumbersFloor(benchmark::State &State)
{
  ResetCatalogueFile();
  std::string content = FileContent(CataloguePath());
  struct tLine {
    const char *texts; // artist:title:
    const char *channel;
    unsigned short textsLength, channelLength;
    int year, duration, status;
    long start;
  };
  std::vector<tLine> lines;
  lines.reserve(CatalogueSize);
  for (const char *p = content.data(), *end = p + content.size(); p < end;) {
      const char *lf = (const char *)memchr(p, '\n', end - p);
      tLine line = { p, NULL, 0, 0, 0, 0, 0, 0 };
      const char *field = p;
      for (int n = 0; n < 2; n++)
          field = (const char *)memchr(field, ':', lf - field) + 1;
      line.textsLength = (unsigned short)(field - p);
      char *next;
      line.year = int(strtol(field, &next, 10));
      line.start = strtol(next + 1, &next, 10);
      line.duration = int(strtol(next + 1, &next, 10));
      line.status = int(strtol(next + 1, &next, 10));
      line.channel = next + 1;
      line.channelLength = (unsigned short)(lf - line.channel);
      lines.push_back(line);
      p = lf + 1;
  }
  std::string temp = CataloguePath() + ".floor", target = BenchRoot() + "/floor.conf";
  std::string block;
  for (auto _ : State) {
      FILE *f = fopen(temp.c_str(), "we");
      for (size_t i = 0; i < lines.size(); i++) {
          const tLine &l = lines[i];
          size_t old = block.size();
          block.resize(old + l.textsLength + l.channelLength + 4 * 24 + 5);
          char *out = &block[old];
          memcpy(out, l.texts, l.textsLength);
          out += l.textsLength;
          out = std::to_chars(out, out + 24, l.year).ptr;
          *out++ = ':';
          out = std::to_chars(out, out + 24, l.start).ptr;
          *out++ = ':';
          out = std::to_chars(out, out + 24, l.duration).ptr;
          *out++ = ':';
          out = std::to_chars(out, out + 24, l.status).ptr;
          *out++ = ':';
          memcpy(out, l.channel, l.channelLength);
          out += l.channelLength;
          *out++ = '\n';
          block.resize(size_t(out - block.data()));
          if (i % 8192 == 8191 || i + 1 == lines.size()) {
             fwrite(block.data(), 1, block.size(), f);
             block.clear();
          }
      }
      fflush(f);
      fclose(f);
      rename(temp.c_str(), target.c_str());
  }
  if (FileContent(target) != content)
     State.SkipWithError("the lines written are not the catalogue's");
}
BENCHMARK(BM_FormatNumbersFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCH_RATIO("2. (reference) numbers formatted alone", "BM_FormatNumbersFloor", { "BM_WriteFloor" }, 2);

// --- 2b. what the writer of tracks.conf puts on the disk ------------------------

// The bytes this process handed to write() so far (all its threads).
long long BytesWritten(void)
{
  FILE *f = fopen("/proc/self/io", "re");
  long long bytes = -1;
  char line[128];
  while (f && fgets(line, sizeof(line), f))
        if (sscanf(line, "wchar: %lld", &bytes) == 1)
           break;
  if (f)
     fclose(f);
  return bytes;
}

cTrack *NewTrack(int Number)
{
  cTrack *t = new cTrack;
  t->artist = "Brand New";
  t->title = "Song " + std::to_string(Number);
  t->year = 2026;
  t->startTime = OnAir + Number * TrackSpacing;
  t->duration = 200;
  t->channelId = MusicChannel;
  return t;
}

const int WrittenTracks = 100;

// Every track written on its own, as the grabber's tracks come, seconds apart.
void BM_BytesPerAddedTrack(benchmark::State &State)
{
  LoadCatalogue();
  Tracks.StartWriter();
  long long bytes = 0, line = 0;
  for (auto _ : State) {
      long long before = BytesWritten();
      for (int i = 0; i < WrittenTracks; i++) {
          {
            cTracksLock lock(Tracks);
            cTrack *t = NewTrack(i);
            line = (long long)strlen(t->ToText()) + 1;
            Tracks.Add(t);
          }
          Tracks.Flush();
      }
      bytes = BytesWritten() - before;
  }
  Tracks.StopWriter();
  ResetCatalogueFile();
  Tracks.Load(CataloguePath().c_str(), true);
  char text[256];
  snprintf(text, sizeof(text), "%-40s %.1f bytes per track of a %lld-byte line (%.1fx; limit 4x) %s", "2. disk written per added track",
           double(bytes) / WrittenTracks, line, double(bytes) / WrittenTracks / line, bytes <= 4 * line * WrittenTracks ? "holds" : "MISSED");
  ReportFigure(text);
}
BENCHMARK(BM_BytesPerAddedTrack)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// A status changed (a key in the tracks menu): its line written over where it is in the
// file, all changes of a moment in one write.
void BM_BytesPerChange(benchmark::State &State)
{
  LoadCatalogue();
  Tracks.StartWriter();
  long long bytes = 0;
  const int Changes = 10;
  for (auto _ : State) {
      long long before = BytesWritten();
      {
        cTracksLock lock(Tracks);
        cTrack *t = Tracks.First();
        for (int i = 0; i < Changes; i++)
            Tracks.SetStatus(t, t->status ? 0 : 1);
      }
      Tracks.Flush();
      bytes = BytesWritten() - before;
  }
  Tracks.StopWriter();
  char text[256];
  snprintf(text, sizeof(text), "%-40s %lld bytes for %d changes of one track in a moment (its line: %zu bytes; the file: %.1f MB)", "2. disk written per changed track",
           bytes, Changes, strlen(Tracks.First()->ToText()) + 1, CatalogueBytes() / 1e6);
  ReportFigure(text);
}
BENCHMARK(BM_BytesPerChange)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// How long a change takes to reach the file with the writer on its own, the host's clock
// running at the wall's pace as in the recorder.
double SecondsUntil(const std::function<bool()> &Done)
{
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  while (!Done() && SecondsSince(start) < 10)
        usleep(1000);
  return SecondsSince(start);
}

std::string FirstLine(const std::string &Path)
{
  char line[1024] = "";
  FILE *f = fopen(Path.c_str(), "re");
  if (f) {
     if (!fgets(line, sizeof(line), f))
        line[0] = 0;
     fclose(f);
  }
  return line;
}

void BM_ChangeToDisk(benchmark::State &State)
{
  LoadCatalogue();
  cClock::SetSpeed(1);
  Tracks.StartWriter();
  double added = 0, changed = 0;
  struct stat st;
  for (auto _ : State) {
      stat(CataloguePath().c_str(), &st);
      off_t size = st.st_size;
      {
        cTracksLock lock(Tracks);
        Tracks.Add(NewTrack(0));
      }
      added = SecondsUntil([&] { return stat(CataloguePath().c_str(), &st) == 0 && st.st_size > size; });
      std::string line;
      {
        cTracksLock lock(Tracks);
        Tracks.SetStatus(Tracks.First(), Tracks.First()->status ? 0 : 1);
        line = std::string(Tracks.First()->ToText()) + "\n";
      }
      changed = SecondsUntil([&] { return FirstLine(CataloguePath()) == line; });
  }
  Tracks.StopWriter();
  cClock::SetManual();
  ResetCatalogueFile();
  Tracks.Load(CataloguePath().c_str(), true);
  char text[256];
  snprintf(text, sizeof(text), "%-40s added track %.0f ms, changed track %.0f ms (limit 1000 ms) %s", "2. from a change to its line on disk",
           added * 1e3, changed * 1e3, added <= 1 && changed <= 1 ? "holds" : "MISSED");
  ReportFigure(text);
}
BENCHMARK(BM_ChangeToDisk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// --- 3. the grabber's pass -----------------------------------------------------

void PrepareGrabber(void)
{
  LoadCatalogue();
  PutOnAir();
}

bool OnAirCatalogued(void)
{
  cTracksLock lock(Tracks);
  return Tracks.Last() && Tracks.Last()->startTime == OnAir;
}

void BM_BareWalk(benchmark::State &State)
{
  LoadCatalogue();
  for (auto _ : State) {
      cTracksLock lock(Tracks);
      long sum = 0;
      for (const cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
          sum += t->startTime;
      benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_BareWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

void BM_GrabberPassAdding(benchmark::State &State)
{
  PrepareGrabber();
  cGrabberThread grabber;
  for (auto _ : State) {
      State.PauseTiming();
      if (OnAirCatalogued()) {
         ResetCatalogueFile();
         Tracks.Load(CataloguePath().c_str(), true);
      }
      State.ResumeTiming();
      grabber.Pass();
  }
  if (!OnAirCatalogued())
     State.SkipWithError("the pass added nothing");
}
BENCHMARK(BM_GrabberPassAdding)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCH_RATIO("3. grabber pass that adds a track", "BM_GrabberPassAdding", { "BM_Save" }, 1.2);

void BM_GrabberPassNothingNew(benchmark::State &State)
{
  PrepareGrabber();
  cGrabberThread grabber;
  if (!OnAirCatalogued())
     grabber.Pass();
  int count = Tracks.Count();
  for (auto _ : State)
      grabber.Pass();
  if (Tracks.Count() != count)
     State.SkipWithError("the pass added a track");
}
BENCHMARK(BM_GrabberPassNothingNew)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCH_RATIO("3. grabber pass that adds nothing", "BM_GrabberPassNothingNew", { "BM_BareWalk" }, 3);

// --- 4. marking a three-hour recording converted ---------------------------------

// The searches the tracks inside the recording need, done on their own.
void BM_IndexSearchesInside(benchmark::State &State)
{
  cRecording *recording = ThreeHourRecording();
  std::vector<std::pair<int, int>> windows;
  {
    cTracksLock lock(Tracks);
    for (const cTrack *t = Tracks.First(); t; t = Tracks.Next(t)) {
        long long start = (long long)(t->startTime - recording->Start() + VimoraConfig.offset) * FRAMESPERSEC;
        long long end = start + (long long)t->duration * FRAMESPERSEC;
        if (start >= 0 && end < ThreeHourFrames)
           windows.push_back({ int(start), int(end) });
    }
  }
  for (auto _ : State) {
      cIndexFile index(recording->FileName(), false);
      int found = 0;
      for (const auto &w : windows)
          found += index.GetNextIFrame(w.first, true) >= 0 && index.GetNextIFrame(w.second, false) >= 0;
      benchmark::DoNotOptimize(found);
  }
  State.counters["tracks_inside"] = double(windows.size());
}
BENCHMARK(BM_IndexSearchesInside)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

void BM_SetConverted(benchmark::State &State)
{
  cRecording *recording = ThreeHourRecording();
  for (auto _ : State)
      Tracks.SetConverted(recording);
}
BENCHMARK(BM_SetConverted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);

// The same with a file name that cannot be written (its folder is gone), so that the
// save gives up at once and the marking is left.
void BM_SetConvertedUnsaved(benchmark::State &State)
{
  cRecording *recording = ThreeHourRecording();
  std::string folder = BenchRoot() + "/gone", path = folder + "/tracks.conf";
  MakeDirs(folder.c_str(), true);
  rename(CataloguePath().c_str(), path.c_str());
  Tracks.Load(path.c_str(), true);
  rename(path.c_str(), CataloguePath().c_str());
  RemoveFileOrDir(folder.c_str());
  int level = SysLogLevel;
  SysLogLevel = 0;
  for (auto _ : State)
      Tracks.SetConverted(recording);
  SysLogLevel = level;
  Tracks.Load(CataloguePath().c_str(), true);
}
BENCHMARK(BM_SetConvertedUnsaved)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCH_RATIO("4. mark converted, without its save", "BM_SetConvertedUnsaved", { "BM_BareWalk", "BM_IndexSearchesInside" }, 3);
BENCH_RATIO("4. mark converted, with its save", "BM_SetConverted", { "BM_BareWalk", "BM_IndexSearchesInside", "BM_Save" }, 3);

// The tracks menu of the recording: every catalogued track inside it.
void BM_OpenTracksMenu(benchmark::State &State)
{
  cRecording *recording = ThreeHourRecording();
  int items = 0;
  for (auto _ : State) {
      cMenuTracks *menu = new cMenuTracks(recording);
      items = menu->Count();
      delete menu;
  }
  State.counters["items"] = items;
  if (items == 0)
     State.SkipWithError("the menu lists no track");
}
BENCHMARK(BM_OpenTracksMenu)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCH_RATIO("4. open the tracks menu", "BM_OpenTracksMenu", { "BM_BareWalk", "BM_IndexSearchesInside" }, 3);

// Green on the recording: its cut marks from the catalogue.
void BM_CutMarks(benchmark::State &State)
{
  ThreeHourRecording();
  Tracks.Clear(); // as generated: marking them converted took them out of the marks
  LoadCatalogue();
  Recordings.Load();
  cMenuRecs menu;
  for (auto _ : State)
      menu.ProcessKey(kGreen);
  cMarks marks;
  marks.Load(ThreeHourRecording()->FileName());
  State.counters["marks"] = marks.Count();
  if (marks.Count() < 2)
     State.SkipWithError("no marks made");
}
BENCHMARK(BM_CutMarks)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);
BENCH_RATIO("4. cut marks (green)", "BM_CutMarks", { "BM_BareWalk", "BM_IndexSearchesInside" }, 3);

// --- 5. applying the blacklist again -------------------------------------------

void BM_BlacklistAgain(benchmark::State &State)
{
  LoadCatalogue();
  std::vector<cTrack *> tracks;
  {
    cTracksLock lock(Tracks);
    int step = CatalogueSize / ReappliedTracks;
    for (int i = 0; i < ReappliedTracks; i++)
        tracks.push_back(Tracks.Get(i * step));
  }
  int blacklisted = 0;
  for (auto _ : State) {
      blacklisted = 0;
      for (cTrack *t : tracks)
          blacklisted += Tracks.Blacklisted(*t);
  }
  State.counters["blacklisted"] = blacklisted;
  State.counters["per_track_us"] = benchmark::Counter(double(ReappliedTracks) * State.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BlacklistAgain)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCH_PER_ITEM("5. blacklist applied again, per track", "BM_BlacklistAgain", ReappliedTracks);

} // namespace

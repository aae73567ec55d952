// vimora-host running a script of a week and of four weeks of the same broadcasting:
// each day a three-hour block of 64 music videos, recorded by a timer of its own. With
// no ffmpeg in the search path the recorder writes the index alone, so what is measured
// is the host itself (clock, recorder, timers, guide) and the plug-in's grabber. A day
// should cost the same in the long run as in the short one.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vdr/tools.h>

#include "benchhost.h"
#include "benchratio.h"

namespace {

const int EventsPerDay = 64;
const int EventSeconds = 168;           // 64 of them fill three hours and a little less
const int BlockStart = 3600;            // the block begins an hour after the script's
const int RecordingSeconds = 3 * 3600;
const char *const ScriptStart = "2026-12-07 20:00:00";

// The whole guide and all timers first, as a test of weeks sets them up, then the days.
std::string Script(int Days)
{
  std::string s = *cString::sprintf("channel %s VimoraMusic\n", MusicChannel);
  for (int d = 0; d < Days; d++) {
      int block = d * 86400 + BlockStart;
      for (int i = 0; i < EventsPerDay; i++)
          s += *cString::sprintf("event %s +%d %d Artist %d %d - Song number %d (19%02d)\n", MusicChannel,
                                 block + i * EventSeconds, EventSeconds, d, i, i, 50 + i % 50);
      s += *cString::sprintf("timer %s +%d +%d Night %d\n", MusicChannel, block - 60, block - 60 + RecordingSeconds, d);
  }
  for (int d = 0; d < Days; d++)
      s += "wait 86400\n";
  return s;
}

int Entries(const std::string &Folder)
{
  int n = 0;
  if (DIR *d = opendir(Folder.c_str())) {
     while (struct dirent *e = readdir(d))
           n += e->d_name[0] != '.';
     closedir(d);
  }
  return n;
}

// Runs the script in a fresh folder; false when the host failed or recorded another
// number of blocks than there are days.
bool RunHost(int Days, const std::string &ScriptFile)
{
  std::string dir = BenchRoot() + "/run";
  RemoveFileOrDir(dir.c_str());
  std::string config = dir + "/config", video = dir + "/video", empty = dir + "/no-programs";
  MakeDirs(empty.c_str(), true);
  pid_t pid = fork();
  if (pid == 0) {
     if (!freopen("/dev/null", "w", stdout) || !freopen((dir + "/stderr").c_str(), "w", stderr))
        _exit(126);
     // no ffmpeg: the recorder writes the index alone
     setenv("PATH", empty.c_str(), 1);
     execl(VIMORA_BIN_DIR "/vimora-host", "vimora-host", "-c", config.c_str(), "-v", video.c_str(), "-L", VIMORA_PLUGIN_DIR,
           "-P", "vimora", "--start", ScriptStart, "--script", ScriptFile.c_str(), (char *)NULL);
     _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
     return false;
  return Entries(video) == Days;
}

void RunDays(benchmark::State &State, int Days)
{
  std::string scriptFile = BenchRoot() + *cString::sprintf("/days-%d.script", Days);
  FILE *f = fopen(scriptFile.c_str(), "w");
  if (!f || fputs(Script(Days).c_str(), f) < 0 || fclose(f) != 0) {
     State.SkipWithError("cannot write the script");
     return;
  }
  double children = 0;
  for (auto _ : State) {
      double before = ChildrenCpuSeconds();
      if (!RunHost(Days, scriptFile)) {
         State.SkipWithError("vimora-host failed or recorded too little");
         break;
      }
      children += ChildrenCpuSeconds() - before;
  }
  State.counters[ChildrenCpuCounter] = children / double(State.iterations());
  State.counters["days"] = Days;
}

void BM_HostWeek(benchmark::State &State)
{
  RunDays(State, 7);
}
BENCHMARK(BM_HostWeek)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);

void BM_HostFourWeeks(benchmark::State &State)
{
  RunDays(State, 28);
}
BENCHMARK(BM_HostFourWeeks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCH_RATIO("four weeks of host time / one week", "BM_HostFourWeeks", { "BM_HostWeek" }, 4.4);

} // namespace

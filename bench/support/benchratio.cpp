#include "benchratio.h"

#include <benchmark/benchmark.h>
#include <map>
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <sys/resource.h>
#include <vector>

namespace {

struct tRatio {
  std::string what, measured;
  std::vector<std::string> floors;
  double limit;
};

std::vector<tRatio> &Ratios(void)
{
  static std::vector<tRatio> ratios;
  return ratios;
}

struct tPerItem {
  std::string what, function;
  double items;
};

std::vector<tPerItem> &PerItems(void)
{
  static std::vector<tPerItem> perItems;
  return perItems;
}

struct tSlowest {
  std::string what;
  std::vector<std::string> functions;
  double limit;
};

std::vector<tSlowest> &Slowest(void)
{
  static std::vector<tSlowest> slowest;
  return slowest;
}

std::vector<std::string> &Figures(void)
{
  static std::vector<std::string> figures;
  return figures;
}

// Per function: the fastest real time and the least CPU time of its repetitions.
std::map<std::string, double> best, bestCpu;

std::map<std::string, tProbe> &Probes(void)
{
  static std::map<std::string, tProbe> probes;
  return probes;
}

double Seconds(double Time, benchmark::TimeUnit Unit)
{
  switch (Unit) {
    case benchmark::kNanosecond: return Time * 1e-9;
    case benchmark::kMicrosecond: return Time * 1e-6;
    case benchmark::kMillisecond: return Time * 1e-3;
    default: return Time;
  }
}

// The console report, remembering the fastest repetition of every function.
class cRatioReporter : public benchmark::ConsoleReporter {
public:
  // plain text: the output goes into files and notes
  cRatioReporter(void) : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run> &Reports) override
  {
    ConsoleReporter::ReportRuns(Reports);
    for (const auto &run : Reports) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred || !run.iterations)
           continue;
        double s = Seconds(run.GetAdjustedRealTime(), run.time_unit);
        auto &b = best[run.run_name.function_name];
        if (b == 0 || s < b)
           b = s;
        double c = Seconds(run.GetAdjustedCPUTime(), run.time_unit);
        auto children = run.counters.find(ChildrenCpuCounter);
        if (children != run.counters.end())
           c += children->second.value;
        auto &bc = bestCpu[run.run_name.function_name];
        if (bc == 0 || c < bc)
           bc = c;
    }
  }
};

std::string Ms(double Seconds)
{
  char buffer[32];
  snprintf(buffer, sizeof(buffer), "%.3f ms", Seconds * 1e3);
  return buffer;
}

void PrintSummary(void)
{
  double load[3] = { 0, 0, 0 };
  if (getloadavg(load, 3) < 0)
     load[0] = -1;
  printf("\n--- targets: least cpu and fastest wall time of the repetitions of each; load average now %.2f ---\n", load[0]);
  for (const auto &r : Ratios()) {
      double measured = BestSeconds(r.measured), measuredCpu = BestCpuSeconds(r.measured);
      double floor = 0, floorCpu = 0;
      std::string floorNames;
      bool complete = measured > 0;
      for (const auto &f : r.floors) {
          double s = BestSeconds(f);
          complete = complete && s > 0;
          floor += s;
          floorCpu += BestCpuSeconds(f);
          floorNames += (floorNames.empty() ? "" : " + ") + f;
      }
      if (!complete) {
         printf("%-40s not measured (filtered out)\n", r.what.c_str());
         continue;
      }
      double ratio = measuredCpu / floorCpu;
      printf("%-40s %.2fx cpu (limit %.1fx) %s, %.2fx wall: %s %s cpu %s wall over %s %s cpu %s wall\n", r.what.c_str(), ratio, r.limit,
             ratio <= r.limit ? "holds" : "MISSED", measured / floor, r.measured.c_str(), Ms(measuredCpu).c_str(), Ms(measured).c_str(),
             floorNames.c_str(), Ms(floorCpu).c_str(), Ms(floor).c_str());
  }
  for (const auto &p : PerItems()) {
      double s = BestCpuSeconds(p.function);
      if (s > 0)
         printf("%-40s %.1f us cpu per item, %.1f us wall (%s over %g)\n", p.what.c_str(), s / p.items * 1e6, BestSeconds(p.function) / p.items * 1e6,
                p.function.c_str(), p.items);
  }
  for (const auto &l : Slowest()) {
      std::string slowest;
      double worst = 0;
      for (const auto &f : l.functions) {
          double s = BestCpuSeconds(f);
          if (s > worst) {
             worst = s;
             slowest = f;
          }
      }
      if (worst > 0)
         printf("%-40s %s cpu (limit %s) %s, %s wall: %s\n", l.what.c_str(), Ms(worst).c_str(), Ms(l.limit).c_str(), worst <= l.limit ? "holds" : "MISSED",
                Ms(BestSeconds(slowest)).c_str(), slowest.c_str());
  }
  for (const auto &f : Figures())
      printf("%s\n", f.c_str());
}

} // namespace

int RegisterRatio(const char *What, const char *Measured, std::initializer_list<const char *> Floors, double Limit)
{
  tRatio r{ What, Measured, {}, Limit };
  for (const char *f : Floors)
      r.floors.push_back(f);
  Ratios().push_back(r);
  return int(Ratios().size());
}

int RegisterPerItem(const char *What, const char *Function, double Items)
{
  PerItems().push_back({ What, Function, Items });
  return int(PerItems().size());
}

int RegisterSlowest(const char *What, std::initializer_list<const char *> Functions, double Limit)
{
  tSlowest l{ What, {}, Limit };
  for (const char *f : Functions)
      l.functions.push_back(f);
  Slowest().push_back(l);
  return int(Slowest().size());
}

double ChildrenCpuSeconds(void)
{
  struct rusage usage;
  if (getrusage(RUSAGE_CHILDREN, &usage) != 0)
     return 0;
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double BestSeconds(const std::string &Function)
{
  auto b = best.find(Function);
  return b != best.end() ? b->second : 0;
}

double BestCpuSeconds(const std::string &Function)
{
  auto b = bestCpu.find(Function);
  return b != bestCpu.end() ? b->second : 0;
}

void ReportFigure(const std::string &Line)
{
  Figures().push_back(Line);
}

int RegisterProbe(const char *Name, tProbe Probe)
{
  Probes()[Name] = Probe;
  return int(Probes().size());
}

std::string RunProbe(const char *Name, const std::string &Arg)
{
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
  if (n <= 0)
     return "";
  self[n] = 0;
  std::string command = std::string("'") + self + "' --probe " + Name + " '" + Arg + "'";
  FILE *p = popen(command.c_str(), "r");
  if (!p)
     return "";
  std::string output;
  char buffer[256];
  while (fgets(buffer, sizeof(buffer), p))
        output += buffer;
  pclose(p);
  return output;
}

int main(int argc, char **argv)
{
  if (argc == 4 && strcmp(argv[1], "--probe") == 0) {
     auto probe = Probes().find(argv[2]);
     return probe != Probes().end() ? probe->second(argv[3]) : 2;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
     return 1;
  cRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrintSummary();
  return 0;
}

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

std::vector<std::string> &Figures(void)
{
  static std::vector<std::string> figures;
  return figures;
}

std::map<std::string, double> best;

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
  printf("\n--- targets (fastest repetition of each; load average now %.2f) ---\n", load[0]);
  for (const auto &r : Ratios()) {
      double measured = BestSeconds(r.measured);
      double floor = 0;
      std::string floorNames;
      bool complete = measured > 0;
      for (const auto &f : r.floors) {
          double s = BestSeconds(f);
          complete = complete && s > 0;
          floor += s;
          floorNames += (floorNames.empty() ? "" : " + ") + f;
      }
      if (!complete) {
         printf("%-40s not measured (filtered out)\n", r.what.c_str());
         continue;
      }
      double ratio = measured / floor;
      printf("%-40s %.2fx (limit %.1fx) %s: %s %s over %s %s\n", r.what.c_str(), ratio, r.limit, ratio <= r.limit ? "holds" : "MISSED",
             r.measured.c_str(), Ms(measured).c_str(), floorNames.c_str(), Ms(floor).c_str());
  }
  for (const auto &p : PerItems()) {
      double s = BestSeconds(p.function);
      if (s > 0)
         printf("%-40s %.1f us per item (%s %s over %g)\n", p.what.c_str(), s / p.items * 1e6, p.function.c_str(), Ms(s).c_str(), p.items);
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

double BestSeconds(const std::string &Function)
{
  auto b = best.find(Function);
  return b != best.end() ? b->second : 0;
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
  // plain text unless asked otherwise: the output goes into files and notes
  std::vector<char *> args(argv, argv + argc);
  char color[] = "--benchmark_color=false";
  args.insert(args.begin() + 1, color);
  argc = int(args.size());
  args.push_back(NULL);
  argv = args.data();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
     return 1;
  cRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrintSummary();
  return 0;
}

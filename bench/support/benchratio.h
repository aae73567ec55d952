// What every benchmark program shares: each target is the time of one benchmark over
// the sum of the floors measured in the same run, printed with its limit after the
// run; figures that are not ratios (memory, time per item) are printed with them.
// Times are the best repetition of each benchmark, which keeps the ratios steady on a
// machine that others load.
#ifndef __VIMORA_BENCHRATIO_H
#define __VIMORA_BENCHRATIO_H

#include <initializer_list>
#include <string>

// The CPU time of a process counts only its own threads. A benchmark whose work runs
// in child processes sets this counter to their CPU seconds per iteration (see
// ChildrenCpuSeconds); it is added to the benchmark's CPU time.
const char *const ChildrenCpuCounter = "children_cpu_s";
// The CPU time of all child processes that have ended and been waited for so far.
double ChildrenCpuSeconds(void);

// Registers a target: the benchmark function Measured (its name without arguments)
// against the sum of the Floors, at most Limit times as slow. The ratio that is
// judged is that of the CPU times (all threads of the process), which a loaded
// machine disturbs far less than wall time; the wall-time ratio is printed beside it.
int RegisterRatio(const char *What, const char *Measured, std::initializer_list<const char *> Floors, double Limit);
// Registers a figure: the time of Function divided among Items.
int RegisterPerItem(const char *What, const char *Function, double Items);
// Registers a limit on the slowest of several benchmark functions, in seconds.
int RegisterSlowest(const char *What, std::initializer_list<const char *> Functions, double Limit);
// The fastest real time per iteration of a benchmark function so far, in seconds; 0
// when it has not run.
double BestSeconds(const std::string &Function);
// The least CPU time per iteration of a benchmark function so far, in seconds.
double BestCpuSeconds(const std::string &Function);
// A line for the closing summary.
void ReportFigure(const std::string &Line);

// A probe runs in a fresh process of the same program ("--probe Name Arg"), for
// figures such as peak memory that the benchmarks run before would spoil. It prints
// its result to standard output; RunProbe gives that output.
typedef int (*tProbe)(const char *Arg);
int RegisterProbe(const char *Name, tProbe Probe);
std::string RunProbe(const char *Name, const std::string &Arg);

#define VIMORA_CAT2(a, b) a##b
#define VIMORA_CAT(a, b) VIMORA_CAT2(a, b)
#define BENCH_RATIO(...) static int VIMORA_CAT(benchRatio, __LINE__) = RegisterRatio(__VA_ARGS__)
#define BENCH_PER_ITEM(...) static int VIMORA_CAT(benchPerItem, __LINE__) = RegisterPerItem(__VA_ARGS__)
#define BENCH_SLOWEST(...) static int VIMORA_CAT(benchSlowest, __LINE__) = RegisterSlowest(__VA_ARGS__)
#define BENCH_PROBE(Name, Probe) static int VIMORA_CAT(benchProbe, __LINE__) = RegisterProbe(Name, Probe)

#endif

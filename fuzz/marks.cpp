// A recording's "marks": what loads is sorted, saves, and loads back to the same file.
#include <vdr/recording.h>

#include "fuzzsupport.h"

static std::string SaveAgain(const std::string &Dir)
{
  cMarks marks;
  marks.Load(Dir.c_str());
  for (cMark *m = marks.First(); m && marks.Next(m); m = marks.Next(m))
      FUZZ_CHECK(m->Position() <= marks.Next(m)->Position(), Dir);
  FUZZ_CHECK(marks.Save(), Dir);
  return ReadWhole(Dir + "/marks");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  FuzzFile("marks", Data, Size);
  std::string first = SaveAgain(FuzzDir());
  FUZZ_CHECK(SaveAgain(FuzzDir()) == first, first);
  return 0;
}

// A recording's "info": whatever was read is written, and what was written reads back
// without errors and writes the same file again.
#include <vdr/recording.h>

#include "fuzzsupport.h"

static std::string CopyTo(const std::string &From, const std::string &To)
{
  cRecordingInfo info;
  info.Read(From.c_str());
  FUZZ_CHECK(info.Write(To.c_str()), From);
  return ReadWhole(To + "/info");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  FuzzFile("info", Data, Size);
  static std::string a = FuzzDir() + "/a", b = FuzzDir() + "/b";
  MakeDirs(a.c_str(), true);
  MakeDirs(b.c_str(), true);
  std::string first = CopyTo(FuzzDir(), a);
  cRecordingInfo check;
  FUZZ_CHECK(check.Read(a.c_str()), first);
  FUZZ_CHECK(CopyTo(a, b) == first, first);
  return 0;
}

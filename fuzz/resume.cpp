// A recording's "resume": a position read from it is saved and read back unchanged.
#include <vdr/recording.h>

#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  FuzzFile("resume", Data, Size);
  cResumeFile resume(FuzzDir().c_str());
  int position = resume.Read();
  FUZZ_CHECK(position >= -1, std::to_string(position));
  if (position >= 0) {
     FUZZ_CHECK(resume.Save(position), std::to_string(position));
     FUZZ_CHECK(resume.Read() == position, std::to_string(position));
  }
  return 0;
}

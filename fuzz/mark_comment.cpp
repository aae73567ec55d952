// A start mark's comment, which carries guide texts, turned into the name of a clip
// file: whatever it holds, the clip lands in the clip folder as a visible file.
#include "cutter.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  std::string comment = FuzzText(Data, Size);
  std::string name = ClipName(comment.c_str(), int(Size * 997));
  FUZZ_CHECK(!name.empty() && name.size() <= 200, name);
  FUZZ_CHECK(name.find('/') == std::string::npos && name[0] != '.', name);
  for (char c : name)
      FUZZ_CHECK((unsigned char)c >= ' ' && c != 0x7F, name);
  return 0;
}

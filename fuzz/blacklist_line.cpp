// A "blacklist.conf" line: an entry with at most two fields of bounded length, and a
// line of blanks gives none.
#include "blacklist.h"
#include "fuzzsupport.h"
#include "tracks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  std::string line = FuzzText(Data, Size);
  cBlacklistEntry entry;
  bool parsed = entry.Parse(line.c_str());
  FUZZ_CHECK(entry.artist.size() <= cLineFields::MaxFieldLength && entry.title.size() <= cLineFields::MaxFieldLength, line);
  std::string text = !line.empty() && line.back() == '\n' ? line.substr(0, line.size() - 1) : line;
  FUZZ_CHECK(parsed == (text.find_first_not_of(' ') != std::string::npos), line);
  FUZZ_CHECK(parsed || (entry.artist.empty() && entry.title.empty()), line);
  return 0;
}

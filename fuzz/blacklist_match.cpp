// Matching a guide track against a blacklist entry. The input is three lines: the
// "blacklist.conf" line, the track's artist and its title.
#include <string.h>

#include "blacklist.h"
#include "fuzzsupport.h"

static std::string NextLine(std::string &Text)
{
  size_t end = Text.find('\n');
  std::string line = Text.substr(0, end);
  Text = end == std::string::npos ? "" : Text.substr(end + 1);
  return line;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  if (Size > 512)
     return 0;
  std::string input = FuzzText(Data, Size);
  std::string line = NextLine(input);
  std::string artist = NextLine(input);
  std::string title = input;
  cBlacklistEntry *entry = new cBlacklistEntry;
  if (!entry->Parse(line.c_str())) {
     delete entry;
     return 0;
  }
  std::string stripped = entry->Strip(artist);
  FUZZ_CHECK(stripped.find_first_of(" '-\xB4`:") == std::string::npos, stripped);
  cBlacklist list;
  list.Add(entry);
  bool listed = list.InList(artist, title);
  FUZZ_CHECK(listed == entry->Matches(cBlacklistEntry(artist, title)), line);
  // the normalised comparison alone decides for a candidate that equals the pattern
  if (!listed)
     FUZZ_CHECK(!(entry->artist == artist && entry->title == title), line);
  return 0;
}

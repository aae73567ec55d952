// "channels.conf": what loads saves and loads back to the same file, and every channel
// gives an id that can be looked up.
#include <vdr/channels.h>

#include "fuzzsupport.h"

static std::string LoadAndSave(const std::string &Path)
{
  cChannels channels;
  channels.Load(Path.c_str());
  for (cChannel *c = channels.First(); c; c = channels.Next(c)) {
      tChannelID id = c->GetChannelID();
      if (id.Valid()) {
         FUZZ_CHECK(tChannelID::FromString(id.ToString()) == id, *c->ToText());
         FUZZ_CHECK(channels.GetByChannelID(id, true, true) != NULL, *c->ToText());
      }
  }
  FUZZ_CHECK(channels.Save(), Path);
  return ReadWhole(Path);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  std::string path = FuzzFile("channels.conf", Data, Size);
  std::string first = LoadAndSave(path);
  FUZZ_CHECK(LoadAndSave(path) == first, first);
  return 0;
}

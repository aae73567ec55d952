// "timers.conf" against a small channel list: what loads saves and loads back to the
// same file, and the timers' times can be asked for.
#include <vdr/channels.h>
#include <vdr/timers.h>

#include "fuzzsupport.h"

static const char *const ChannelsConf =
  "VimoraMusic:12148:h:S19.2E:27500:0:0:0:0:10100:1:1092:0\n"
  "Other;Provider:11836:v:S19.2E:27500:0:0:0:0:28006:1:1101:0\n"
  "Radio:11836:hC34:S13E:27500:0:0:0:0:5:0:0:3\n";

static std::string LoadAndSave(const std::string &Path)
{
  Timers.Load(Path.c_str());
  for (cTimer *t = Timers.First(); t; t = Timers.Next(t)) {
      time_t start, stop;
      for (time_t when : { time_t(0), time_t(1796673600), t->Day(), t->Day() + 86399 })
          if (t->GetOccurrence(when, start, stop))
             FUZZ_CHECK(start < stop && when < stop, *t->ToText());
      t->Matches(1796673600);
      t->ToDescr();
  }
  Timers.Save();
  std::string text = ReadWhole(Path);
  Timers.cListBase::Clear();
  return text;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  if (!Channels.Count()) {
     std::string channels = FuzzFile("channels.conf", (const uint8_t *)ChannelsConf, strlen(ChannelsConf));
     Channels.Load(channels.c_str());
  }
  std::string path = FuzzFile("timers.conf", Data, Size);
  std::string first = LoadAndSave(path);
  FUZZ_CHECK(LoadAndSave(path) == first, first);
  return 0;
}

// The programme guide's "epg.data": what was read is written, reads back, and writes
// the same file again; asking for the present event stays defined for every event.
#include <vdr/epg.h>

#include "fuzzsupport.h"

static void ClearGuide(void)
{
  cSchedulesLock lock(true);
  cSchedules::Writable(lock)->Clear();
}

static void AskEveryEvent(void)
{
  cSchedulesLock lock;
  const cSchedules *schedules = cSchedules::Schedules(lock);
  for (const cSchedule *s = schedules->First(); s; s = schedules->Next(s)) {
      s->GetPresentEvent();
      s->GetFollowingEvent();
      for (const cEvent *e = s->Events()->First(); e; e = s->Events()->Next(e)) {
          e->IsPresent(e->StartTime());
          s->GetEventAround(e->StartTime());
      }
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  std::string input = FuzzFile("epg.data", Data, Size);
  std::string a = FuzzDir() + "/a.data", b = FuzzDir() + "/b.data";
  ClearGuide();
  cSchedules::Read(input.c_str());
  AskEveryEvent();
  FUZZ_CHECK(cSchedules::Write(a.c_str()), input);
  ClearGuide();
  FUZZ_CHECK(cSchedules::Read(a.c_str()), ReadWhole(a));
  FUZZ_CHECK(cSchedules::Write(b.c_str()), input);
  FUZZ_CHECK(ReadWhole(a) == ReadWhole(b), ReadWhole(a));
  ClearGuide();
  return 0;
}

// How fast the recorder makes a recording with real media: 25 minutes of broadcast, one
// event every three minutes, on a clock moved on by hand as fast as the recorder goes.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <vdr/channels.h>
#include <vdr/clock.h>
#include <vdr/epg.h>
#include <vdr/recording.h>
#include <vdr/timers.h>

#include "../host/src/mediawriter.h"

namespace {

const time_t Start = 1796673600; // a whole minute
const char *const ChannelID = "S19.2E-1-1092-10100";

void Prepare(int Minutes)
{
  char root[] = "/tmp/vimora-bench-XXXXXX";
  if (!mkdtemp(root))
     abort();
  SetVideoDirectory(root);
  SysLogLevel = 1;
  cClock::SetManual();
  cClock::SetTime(Start);
  tChannelID id = tChannelID::FromString(ChannelID);
  cChannel *channel = new cChannel;
  channel->Parse(cString::sprintf("VimoraMusic:12148:h:S19.2E:27500:0:0:0:0:%d:%d:%d:%d", id.Sid(), id.Nid(), id.Tid(), id.Rid()));
  Channels.Add(channel);
  Channels.ReNumber();
  {
    cSchedulesLock lock(true);
    cSchedule *schedule = cSchedules::Writable(lock)->AddSchedule(id);
    for (int m = 0; m < Minutes; m += 3) {
        cEvent *event = new cEvent;
        event->SetStartTime(Start + m * 60);
        event->SetDuration(180);
        event->SetTitle(cString::sprintf("Artist %d - Song number %d (19%02d)", m, m, m));
        schedule->AddEvent(event);
    }
  }
  Timers.Add(new cTimer(channel, Start, Start + Minutes * 60, "Bench"));
}

void Record(benchmark::State &State, tMediaWriterFactory Factory)
{
  int minutes = int(State.range(0));
  for (auto _ : State) {
      State.PauseTiming();
      SetMediaWriterFactory(Factory);
      Prepare(minutes);
      cRecorder::Start();
      State.ResumeTiming();
      cClock::Step(uint64_t(minutes * 60 + 1) * 1000);
      State.PauseTiming();
      cRecorder::Stop();
      Timers.cListBase::Clear();
      Recordings.Clear();
      Channels.cListBase::Clear();
      {
        cSchedulesLock lock(true);
        cSchedules::Writable(lock)->Clear();
      }
      RemoveFileOrDir(VideoDirectory);
      State.ResumeTiming();
  }
  State.counters["broadcast_s_per_s"] = benchmark::Counter(minutes * 60.0 * State.iterations(), benchmark::Counter::kIsRate);
}

void BM_RecordWithMedia(benchmark::State &State)
{
  Record(State, NewRenderedMediaWriter);
}

void BM_RecordIndexOnly(benchmark::State &State)
{
  Record(State, NewIndexOnlyWriter);
}

} // namespace

BENCHMARK(BM_RecordWithMedia)->Arg(25)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_RecordIndexOnly)->Arg(25)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

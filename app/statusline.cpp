#include "statusline.h"

#include <vdr/channels.h>
#include <vdr/clock.h>
#include <vdr/epg.h>
#include <vdr/timers.h>

#include "session.h"

// The status line must not hold up the main loop while another thread writes the guide.
static const int GuideLockTimeoutMs = 20;

std::vector<std::string> RunningRecordings(void)
{
  std::vector<std::string> names;
  cTimersLock lock;
  for (cTimer *t = Timers.First(); t; t = Timers.Next(t))
      if (t->Recording())
         names.push_back(t->File());
  return names;
}

std::string MusicOnAir(void)
{
  cSchedulesLock lock(false, GuideLockTimeoutMs);
  const cSchedules *schedules = cSchedules::Schedules(lock);
  const cSchedule *schedule = schedules ? schedules->GetSchedule(tChannelID::FromString(MusicChannelID)) : NULL;
  const cEvent *event = schedule ? schedule->GetPresentEvent() : NULL;
  return event && event->Title() ? event->Title() : "";
}

std::string StatusLine(void)
{
  time_t now = cClock::Now();
  struct tm tm;
  char clock[64];
  strftime(clock, sizeof(clock), "%a %d.%m.%Y %H:%M:%S", localtime_r(&now, &tm));
  std::string line = std::string(clock) + " " + SpeedText();
  std::vector<std::string> recordings = RunningRecordings();
  line += " | REC ";
  if (recordings.empty())
     line += "-";
  for (size_t i = 0; i < recordings.size(); i++)
      line += (i ? ", " : "") + recordings[i];
  std::string music = MusicOnAir();
  line += " | on air: " + (music.empty() ? std::string("-") : music);
  return line;
}

#include <vdr/timers.h>

#include <ctype.h>
#include <vdr/clock.h>
#include <vdr/recording.h>

#include "fields.h"

cTimers Timers;
cStateLock cTimers::stateLock("Timers");

const cTimers *cTimers::GetTimersRead(cStateKey &StateKey, int TimeoutMs)
{
  return stateLock.Lock(StateKey, false, TimeoutMs) ? &Timers : NULL;
}

cTimers *cTimers::GetTimersWrite(cStateKey &StateKey, int TimeoutMs)
{
  return stateLock.Lock(StateKey, true, TimeoutMs) ? &Timers : NULL;
}

static const char WeekDayLetters[] = "MTWTFSS";

// --- local days ------------------------------------------------------------

time_t cTimer::DayOf(time_t t, int Offset)
{
  struct tm tm;
  localtime_r(&t, &tm);
  tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
  tm.tm_mday += Offset;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

time_t cTimer::At(time_t Day, int hhmm)
{
  struct tm tm;
  localtime_r(&Day, &tm);
  tm.tm_hour = hhmm / 100;
  tm.tm_min = hhmm % 100;
  tm.tm_sec = 0;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

// "YYYY-MM-DD" as the local midnight of that day, or 0.
static time_t ParseDate(const std::string &s)
{
  std::vector<std::string> f = SplitFields(s.c_str(), '-');
  struct tm tm = {};
  if (f.size() != 3 || f[0].size() != 4 || f[1].size() != 2 || f[2].size() != 2 ||
      !ParseInt(f[0], tm.tm_year) || !ParseInt(f[1], tm.tm_mon) || !ParseInt(f[2], tm.tm_mday))
     return 0;
  tm.tm_year -= 1900;
  tm.tm_mon--;
  tm.tm_isdst = -1;
  struct tm wanted = tm;
  time_t t = mktime(&tm);
  // mktime() moves 31 February on to March; such a date is no date
  if (t == time_t(-1) || tm.tm_mday != wanted.tm_mday || tm.tm_mon != wanted.tm_mon)
     return 0;
  return t;
}

static cString DateText(time_t Day)
{
  struct tm tm;
  localtime_r(&Day, &tm);
  // four digits for any year, as ParseDate() wants them ("%Y" gives "764")
  return cString::sprintf("%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

static bool ParseHHMM(const std::string &s, int &hhmm)
{
  return s.size() == 4 && ParseInt(s, hhmm) && hhmm >= 0 && hhmm / 100 < 24 && hhmm % 100 < 60;
}

// --- cTimer ----------------------------------------------------------------

cTimer::cTimer(void)
  : flags(tfNone)
{
  channel = NULL;
  day = 0;
  weekDays = 0;
  start = stop = 0;
  priority = 50;
  lifetime = 99;
  file = NULL;
  aux = NULL;
}

cTimer::cTimer(cChannel *Channel, time_t StartTime, time_t StopTime, const char *File, int Priority, int Lifetime)
  : cTimer()
{
  flags = tfActive;
  channel = Channel;
  day = DayOf(StartTime);
  struct tm tm;
  localtime_r(&StartTime, &tm);
  start = tm.tm_hour * 100 + tm.tm_min;
  localtime_r(&StopTime, &tm);
  stop = tm.tm_hour * 100 + tm.tm_min;
  priority = Priority;
  lifetime = Lifetime;
  // a line break would split the timer's line in timers.conf
  file = strdup(Exchanged(Exchanged(File ? File : "", '\n', ' '), '\r', ' ').c_str());
}

cTimer::~cTimer()
{
  if (Recording())
     cRecordControls::TimerDeleted(this);
  free(file);
  free(aux);
}

int cTimer::Compare(const cListObject &ListObject) const
{
  time_t mine = StartTime();
  time_t other = static_cast<const cTimer &>(ListObject).StartTime();
  return mine < other ? -1 : mine > other ? 1 : priority - static_cast<const cTimer &>(ListObject).priority;
}

bool cTimer::Parse(const char *s)
{
  std::vector<std::string> f = SplitFields(s, ':', 9);
  int fl;
  if (f.size() < 8 || !ParseInt(f[0], fl) || fl < 0 || !ParseHHMM(f[3], start) || !ParseHHMM(f[4], stop) ||
      !ParseInt(f[5], priority) || priority < 0 || priority > 99 ||
      !ParseInt(f[6], lifetime) || lifetime < 0 || lifetime > 99 || f[7].empty())
     return false;
  int number;
  channel = ParseInt(f[1], number) ? Channels.GetByNumber(number) : Channels.GetByChannelID(tChannelID::FromString(f[1].c_str()), true, true);
  if (!channel)
     return false;
  std::string d = f[2];
  weekDays = 0;
  day = 0;
  if (!d.empty() && isdigit((unsigned char)d[0])) {
     if (!(day = ParseDate(d)))
        return false;
  }
  else {
     if (d.size() < 7 || (d.size() > 7 && d[7] != '@'))
        return false;
     for (int i = 0; i < 7; i++) {
         if (isalpha((unsigned char)d[i]))
            weekDays |= 1 << i;
         else if (d[i] != '-')
            return false;
     }
     if (!weekDays || (d.size() > 7 && !(day = ParseDate(d.substr(8)))))
        return false;
  }
  flags = unsigned(fl) & ~tfRecording;
  free(file);
  file = strdup(Exchanged(f[7], '|', ':').c_str());
  free(aux);
  aux = f.size() > 8 && !f[8].empty() ? strdup(f[8].c_str()) : NULL;
  return true;
}

cString cTimer::ToText(void) const
{
  std::string d;
  if (weekDays) {
     for (int i = 0; i < 7; i++)
         d += (weekDays & (1 << i)) ? WeekDayLetters[i] : '-';
     if (day)
        d += std::string("@") + *DateText(day);
  }
  else
     d = *DateText(day);
  return cString::sprintf("%u:%s:%s:%04d:%04d:%d:%d:%s:%s", Flags() & ~tfRecording,
                          channel ? *channel->GetChannelID().ToString() : "0", d.c_str(), start, stop,
                          priority, lifetime, Exchanged(file ? file : "", ':', '|').c_str(), aux ? aux : "");
}

bool cTimer::Save(FILE *f)
{
  return fprintf(f, "%s\n", *ToText()) > 0;
}

cString cTimer::ToDescr(void) const
{
  return cString::sprintf("%d (%d %04d-%04d '%s')", Index() + 1, channel ? channel->Number() : 0, start, stop, file ? file : "");
}

void cTimer::SetRecording(bool Recording)
{
  if (Recording)
     SetFlags(tfRecording);
  else
     ClrFlags(tfRecording);
  isyslog("timer %s %s", *ToDescr(), Recording ? "start" : "stop");
}

bool cTimer::DayMatches(time_t Day) const
{
  struct tm tm;
  localtime_r(&Day, &tm);
  int bit = (tm.tm_wday + 6) % 7; // Monday first
  return (weekDays & (1 << bit)) && (!day || Day >= day);
}

bool cTimer::GetOccurrence(time_t Time, time_t &StartTime, time_t &StopTime) const
{
  // a repeating timer may have begun yesterday and run past midnight
  for (int offset = -1; offset <= 7; offset++) {
      time_t d = weekDays ? DayOf(Time, offset) : day;
      if (!d || (weekDays && !DayMatches(d)))
         continue;
      time_t s = At(d, start);
      time_t e = At(stop > start ? d : DayOf(d, 1), stop);
      if (Time < e) {
         StartTime = s;
         StopTime = e;
         return true;
      }
      if (!weekDays)
         break;
  }
  return false;
}

bool cTimer::Matches(time_t Time) const
{
  time_t s, e;
  return HasFlags(tfActive) && GetOccurrence(Time, s, e) && s <= Time;
}

time_t cTimer::StartTime(void) const
{
  time_t s, e;
  return GetOccurrence(cClock::Now(), s, e) ? s : 0;
}

time_t cTimer::StopTime(void) const
{
  time_t s, e;
  return GetOccurrence(cClock::Now(), s, e) ? e : 0;
}

void cTimer::Skip(void)
{
  cTimersLock lock;
  time_t s, e;
  if (IsSingleEvent())
     ClrFlags(tfActive);
  else if (GetOccurrence(cClock::Now(), s, e))
     day = DayOf(s, 1);
}

// --- cTimers ---------------------------------------------------------------

bool cTimers::Load(const char *FileName)
{
  cTimersLock lock;
  loadFailed = !cConfig<cTimer>::Load(FileName);
  return !loadFailed;
}

void cTimers::Add(cTimer *Timer, cTimer *After)
{
  cTimersLock lock;
  cConfig<cTimer>::Add(Timer, After);
}

void cTimers::Del(cTimer *Timer, bool DeleteObject)
{
  cTimersLock lock;
  cConfig<cTimer>::Del(Timer, DeleteObject);
}

bool cTimers::Save(void)
{
  cTimersLock lock;
  if (loadFailed) {
     esyslog("ERROR: %s could not be read - not writing over it", FileName());
     return false;
  }
  return cConfig<cTimer>::Save();
}

void cTimers::SetModified(void)
{
  Save();
}

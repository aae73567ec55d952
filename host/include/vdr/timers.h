// Timers: what the recorder records, and the host's timer list, kept in timers.conf:
//   flags:channel:day:start:stop:priority:lifetime:file:aux
// channel is a channel id (a channel number is read too); day is "YYYY-MM-DD" for a
// single recording or a weekday mask "MTWTFSS" ('-' for an off day, optionally followed
// by "@YYYY-MM-DD", the first day); start and stop are local "hhmm"; ':' in file is
// written as '|'. Times are whole minutes of local time.
#ifndef __VDR_TIMERS_H
#define __VDR_TIMERS_H

#include <atomic>
#include <vdr/channels.h>
#include <vdr/config.h>
#include <vdr/thread.h>

enum eTimerFlags {
  tfNone      = 0x0000,
  tfActive    = 0x0001,
  tfInstant   = 0x0002,
  tfVps       = 0x0004,
  tfRecording = 0x0008, // set by the recorder while it records the timer; never stored
  tfAll       = 0xFFFF,
};

class cTimer : public cListObject {
private:
  std::atomic<unsigned int> flags;
  cChannel *channel;
  time_t day;   // local midnight of the single day, or of the first day of a repeating timer (0 = none)
  int weekDays; // bit 0 = Monday ... bit 6 = Sunday; 0 for a single recording
  int start;    // hhmm
  int stop;     // hhmm; not after start means the next day
  int priority;
  int lifetime;
  char *file;
  char *aux;
  static time_t DayOf(time_t t, int Offset = 0);
  static time_t At(time_t Day, int hhmm);
  bool DayMatches(time_t Day) const;

public:
  cTimer(void);
  // A single recording of Channel from StartTime to StopTime (less than a day later),
  // both taken in whole minutes.
  cTimer(cChannel *Channel, time_t StartTime, time_t StopTime, const char *File, int Priority = 50, int Lifetime = 99);
  cTimer(const cTimer &) = delete;
  cTimer &operator=(const cTimer &) = delete;
  virtual ~cTimer();
  virtual int Compare(const cListObject &ListObject) const;
  bool Parse(const char *s);
  bool Save(FILE *f);
  cString ToText(void) const;
  // "<number> (<channel number> <start>-<stop> '<file>')" for log lines.
  cString ToDescr(void) const;

  unsigned int Flags(void) const { return flags; }
  bool HasFlags(unsigned int Flags) const { return (flags & Flags) == Flags; }
  void SetFlags(unsigned int Flags) { flags |= Flags; }
  void ClrFlags(unsigned int Flags) { flags &= ~Flags; }
  bool Recording(void) const { return HasFlags(tfRecording); }
  void SetRecording(bool Recording);
  cChannel *Channel(void) const { return channel; }
  time_t Day(void) const { return day; }
  int WeekDays(void) const { return weekDays; }
  int Start(void) const { return start; }
  int Stop(void) const { return stop; }
  int Priority(void) const { return priority; }
  int Lifetime(void) const { return lifetime; }
  const char *File(void) const { return file; }
  const char *Aux(void) const { return aux; }
  bool IsSingleEvent(void) const { return !weekDays; }

  // The occurrence running at Time or, if none, the next one: false when there is
  // none (a single timer that is over).
  bool GetOccurrence(time_t Time, time_t &StartTime, time_t &StopTime) const;
  // Whether the timer is active and an occurrence runs at Time.
  bool Matches(time_t Time) const;
  // The occurrence running now or next by the host clock; 0 when there is none.
  time_t StartTime(void) const;
  time_t StopTime(void) const;
  // Gives up the occurrence running now (or the next one): a repeating timer goes on
  // the day after it, a single timer becomes inactive.
  void Skip(void);
};

// The timer list. Reach it through LOCK_TIMERS_READ / LOCK_TIMERS_WRITE, as in the
// recorder; the host itself and its tests may use the global with a cTimersLock. The
// recorder walks it on its own thread while holding the write lock (and delivers its
// status notifications then); Add, Del, Load and Save take the write lock too.
class cTimers : public cConfig<cTimer> {
private:
  static cStateLock stateLock;
  bool loadFailed;

public:
  cTimers(void) { loadFailed = false; }
  static const cTimers *GetTimersRead(cStateKey &StateKey, int TimeoutMs = 0);
  static cTimers *GetTimersWrite(cStateKey &StateKey, int TimeoutMs = 0);
  // Reads timers.conf (after the channels); bad lines are reported and skipped. When the
  // file cannot be read, the list stays empty and will not be saved over the file.
  bool Load(const char *FileName);
  void Add(cTimer *Timer, cTimer *After = NULL);
  // Takes the timer out of the list (and deletes it). A recording of it ends.
  void Del(cTimer *Timer, bool DeleteObject = true);
  // The list was changed: it is written to its file.
  void SetModified(void);
  bool Save(void);
};

extern cTimers Timers;

DEF_LIST_LOCK(Timers);

#define LOCK_TIMERS_READ  USE_LIST_LOCK_READ(Timers)
#define LOCK_TIMERS_WRITE USE_LIST_LOCK_WRITE(Timers)

// The write lock of the timer list for the scope it lives in.
class cTimersLock {
private:
  cStateKey stateKey;

public:
  cTimersLock(void) { cTimers::GetTimersWrite(stateKey); }
  ~cTimersLock() { stateKey.Remove(); }
};

#endif

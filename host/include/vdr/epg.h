// The programme guide: events per channel (cSchedule), all schedules (cSchedules)
// behind one readers/writer lock (cSchedulesLock). It is read from and written to the
// host's epg.data format:
//   C <channel id> [<channel name>]        a channel's events follow, up to "c"
//   E <event id> <start> <duration> [<table id> [<version>]]   (ids in hex), up to "e"
//   T <title>   S <short text>   D <description, '|' for line breaks>
#ifndef __VDR_EPG_H
#define __VDR_EPG_H

#include <vdr/channels.h>
#include <vdr/thread.h>
#include <vdr/tools.h>

typedef uint32_t tEventID;

class cSchedule;

class cEvent : public cListObject {
  friend class cSchedule;

private:
  tChannelID channelID; // of the schedule the event belongs to
  tEventID eventID;
  int tableID;
  int version;
  char *title;
  char *shortText;
  char *description;
  time_t startTime;
  int duration; // seconds

public:
  cEvent(tEventID EventID = 0);
  cEvent(const cEvent &) = delete;
  cEvent &operator=(const cEvent &) = delete;
  virtual ~cEvent();
  // Events are ordered by their start time.
  virtual int Compare(const cListObject &ListObject) const;
  tChannelID ChannelID(void) const { return channelID; }
  tEventID EventID(void) const { return eventID; }
  int TableID(void) const { return tableID; }
  int Version(void) const { return version; }
  const char *Title(void) const { return title; }
  const char *ShortText(void) const { return shortText; }
  const char *Description(void) const { return description; }
  time_t StartTime(void) const { return startTime; }
  time_t EndTime(void) const { return startTime + duration; }
  int Duration(void) const { return duration; }
  // Whether the event is on air at the time (the host clock's now when 0).
  bool IsPresent(time_t Time = 0) const;
  void SetEventID(tEventID EventID) { eventID = EventID; }
  void SetTableID(int TableID) { tableID = TableID; }
  void SetVersion(int Version) { version = Version; }
  void SetTitle(const char *Title);
  void SetShortText(const char *ShortText);
  void SetDescription(const char *Description);
  void SetStartTime(time_t StartTime) { startTime = StartTime; }
  void SetDuration(int Duration) { duration = Duration; }
  // Reads the data of an "E" line (what follows "E ").
  bool ParseHeader(const char *s);
  // Takes a "T", "S" or "D" line; false for any other tag.
  bool ParseText(char Tag, const char *Text);
  // Writes the event's E ... e block; InfoOnly leaves out the closing "e", as the
  // recorder's info file has it.
  bool Write(FILE *f, bool InfoOnly = false) const;
};

// The events of one channel, sorted by start time.
class cSchedule : public cListObject {
private:
  tChannelID channelID;
  cList<cEvent> events;

public:
  cSchedule(tChannelID ChannelID);
  tChannelID ChannelID(void) const { return channelID; }
  const cList<cEvent> *Events(void) const { return &events; }
  // The event on air now by the host clock (the latest started one if they overlap), or null.
  const cEvent *GetPresentEvent(void) const;
  // The first event that starts after the present one began, or null.
  const cEvent *GetFollowingEvent(void) const;
  const cEvent *GetEventAround(time_t Time) const;
  const cEvent *GetEvent(tEventID EventID) const;
  // Takes the event over. An event with the same id is replaced; an event without an
  // id gets the next free one. Returns the event as it is now in the schedule.
  cEvent *AddEvent(cEvent *Event);
  void DelEvent(cEvent *Event);
  bool Write(FILE *f) const;
};

class cSchedulesLock {
private:
  cStateKey stateKey;
  bool locked;
  bool writeWanted;

public:
  // Takes the guide's lock for reading or writing; a time-out of 0 waits as long as it takes.
  cSchedulesLock(bool WriteLock = false, int TimeoutMs = 0);
  ~cSchedulesLock();
  bool Locked(void) const { return locked; }
};

class cSchedules : public cList<cSchedule> {
  friend class cSchedulesLock;

private:
  static cSchedules schedules;
  static cStateLock stateLock;

public:
  // The guide under its lock, as the recorder hands it out (LOCK_SCHEDULES_READ/WRITE).
  static const cSchedules *GetSchedulesRead(cStateKey &StateKey, int TimeoutMs = 0);
  static cSchedules *GetSchedulesWrite(cStateKey &StateKey, int TimeoutMs = 0);
  // The guide, or null when the lock was not obtained.
  static const cSchedules *Schedules(cSchedulesLock &SchedulesLock);
  // The same for changing it: null unless the lock is held for writing.
  static cSchedules *Writable(cSchedulesLock &SchedulesLock);
  // Adds the events of an epg.data file to the guide. Malformed lines are reported with
  // file and line and skipped, together with the event (or channel) they belong to.
  static bool Read(const char *FileName);
  // Writes the whole guide to an epg.data file (through a safe file).
  static bool Write(const char *FileName);
  const cSchedule *GetSchedule(tChannelID ChannelID) const;
  // AddIfMissing needs the guide locked for writing.
  const cSchedule *GetSchedule(const cChannel *Channel, bool AddIfMissing = false) const;
  cSchedule *AddSchedule(tChannelID ChannelID);
};

DEF_LIST_LOCK(Schedules);

#define LOCK_SCHEDULES_READ  USE_LIST_LOCK_READ(Schedules)
#define LOCK_SCHEDULES_WRITE USE_LIST_LOCK_WRITE(Schedules)

#endif

#include <vdr/epg.h>

#include <memory>
#include <string>
#include <vdr/clock.h>

#include "fields.h"

// --- cEvent ----------------------------------------------------------------

cEvent::cEvent(tEventID EventID)
{
  eventID = EventID;
  tableID = version = 0;
  title = shortText = description = NULL;
  startTime = 0;
  duration = 0;
}

cEvent::~cEvent()
{
  free(title);
  free(shortText);
  free(description);
}

int cEvent::Compare(const cListObject &ListObject) const
{
  time_t other = static_cast<const cEvent &>(ListObject).startTime;
  return startTime < other ? -1 : startTime > other ? 1 : 0;
}

bool cEvent::IsPresent(time_t Time) const
{
  if (!Time)
     Time = cClock::Now();
  return startTime <= Time && Time < EndTime();
}

static void SetText(char *&Field, const char *Text)
{
  free(Field);
  Field = Text ? strdup(Text) : NULL;
}

void cEvent::SetTitle(const char *Title)
{
  SetText(title, Title);
}

void cEvent::SetShortText(const char *ShortText)
{
  SetText(shortText, ShortText);
}

void cEvent::SetDescription(const char *Description)
{
  SetText(description, Description);
}

bool cEvent::ParseHeader(const char *s)
{
  // a bad header leaves the event as it was
  std::vector<std::string> f = SplitFields(s, ' ');
  long long id, start;
  int length, table = tableID, ver = version;
  if (f.size() < 3 || f.size() > 5 || !ParseLong(f[0], id) || id < 0 || id > UINT32_MAX ||
      !ParseLong(f[1], start) || start < 0 || !ParseInt(f[2], length) || length < 0 ||
      (f.size() > 3 && !ParseHex(f[3], table)) || (f.size() > 4 && !ParseHex(f[4], ver)))
     return false;
  eventID = tEventID(id);
  startTime = time_t(start);
  duration = length;
  tableID = table;
  version = ver;
  return true;
}

bool cEvent::ParseText(char Tag, const char *Text)
{
  switch (Tag) {
    case 'T': SetTitle(Text); return true;
    case 'S': SetShortText(Text); return true;
    case 'D': SetDescription(Exchanged(Text, '|', '\n').c_str()); return true;
    default: return false;
  }
}

// One line of the file: a text without line breaks.
static bool WriteText(FILE *f, char Tag, const char *Text)
{
  if (isempty(Text))
     return true;
  std::string s = Exchanged(Exchanged(Text, '\n', '|'), '\r', ' ');
  return fprintf(f, "%c %s\n", Tag, s.c_str()) > 0;
}

bool cEvent::Write(FILE *f, bool InfoOnly) const
{
  return fprintf(f, "E %u %lld %d %X %X\n", eventID, (long long)startTime, duration, tableID, version) > 0 &&
         WriteText(f, 'T', title) && WriteText(f, 'S', shortText) && WriteText(f, 'D', description) &&
         (InfoOnly || fprintf(f, "e\n") > 0);
}

// --- cSchedule -------------------------------------------------------------

cSchedule::cSchedule(tChannelID ChannelID)
{
  channelID = ChannelID;
}

const cEvent *cSchedule::GetEventAround(time_t Time) const
{
  const cEvent *found = NULL;
  for (const cEvent *e = events.First(); e && e->StartTime() <= Time; e = events.Next(e))
      if (e->IsPresent(Time))
         found = e;
  return found;
}

const cEvent *cSchedule::GetPresentEvent(void) const
{
  return GetEventAround(cClock::Now());
}

const cEvent *cSchedule::GetFollowingEvent(void) const
{
  time_t now = cClock::Now();
  const cEvent *present = GetEventAround(now);
  for (const cEvent *e = events.First(); e; e = events.Next(e))
      if (present ? e->StartTime() > present->StartTime() : e->StartTime() > now)
         return e;
  return NULL;
}

const cEvent *cSchedule::GetEvent(tEventID EventID) const
{
  for (const cEvent *e = events.First(); e; e = events.Next(e))
      if (e->EventID() == EventID)
         return e;
  return NULL;
}

cEvent *cSchedule::AddEvent(cEvent *Event)
{
  if (Event->eventID) {
     cEvent *old = const_cast<cEvent *>(GetEvent(Event->eventID));
     if (old)
        events.Del(old);
  }
  else {
     tEventID highest = 0;
     for (const cEvent *e = events.First(); e; e = events.Next(e))
         highest = std::max(highest, e->EventID());
     Event->eventID = highest + 1;
  }
  Event->channelID = channelID;
  // keep the list sorted: insert before the first event that starts later
  cEvent *before = events.First();
  while (before && before->StartTime() <= Event->StartTime())
    before = events.Next(before);
  if (before)
     events.Ins(Event, before);
  else
     events.Add(Event);
  return Event;
}

void cSchedule::DelEvent(cEvent *Event)
{
  events.Del(Event);
}

bool cSchedule::Write(FILE *f) const
{
  cChannel *channel = Channels.GetByChannelID(channelID, true);
  if (fprintf(f, "C %s%s%s\n", *channelID.ToString(), channel ? " " : "", channel ? channel->Name() : "") <= 0)
     return false;
  for (const cEvent *e = events.First(); e; e = events.Next(e))
      if (!e->Write(f))
         return false;
  return fprintf(f, "c\n") > 0;
}

// --- cSchedulesLock / cSchedules --------------------------------------------

cSchedules cSchedules::schedules;
cStateLock cSchedules::stateLock("Schedules");

// Remembers, per thread, whether the guide is held for writing, so that Writable()
// cannot hand out the guide under a read lock.
static thread_local int writeLocks = 0;

cSchedulesLock::cSchedulesLock(bool WriteLock, int TimeoutMs)
{
  locked = cSchedules::stateLock.Lock(stateKey, WriteLock, TimeoutMs);
  writeWanted = WriteLock;
  if (locked && WriteLock)
     writeLocks++;
}

cSchedulesLock::~cSchedulesLock()
{
  if (locked) {
     if (writeWanted)
        writeLocks--;
     stateKey.Remove();
  }
}

const cSchedules *cSchedules::Schedules(cSchedulesLock &SchedulesLock)
{
  return SchedulesLock.Locked() ? &schedules : NULL;
}

cSchedules *cSchedules::Writable(cSchedulesLock &SchedulesLock)
{
  return SchedulesLock.Locked() && writeLocks > 0 ? &schedules : NULL;
}

const cSchedules *cSchedules::GetSchedulesRead(cStateKey &StateKey, int TimeoutMs)
{
  return stateLock.Lock(StateKey, false, TimeoutMs) ? &schedules : NULL;
}

cSchedules *cSchedules::GetSchedulesWrite(cStateKey &StateKey, int TimeoutMs)
{
  if (!stateLock.Lock(StateKey, true, TimeoutMs))
     return NULL;
  return &schedules;
}

const cSchedule *cSchedules::GetSchedule(tChannelID ChannelID) const
{
  for (const cSchedule *s = First(); s; s = Next(s))
      if (s->ChannelID() == ChannelID)
         return s;
  return NULL;
}

const cSchedule *cSchedules::GetSchedule(const cChannel *Channel, bool AddIfMissing) const
{
  if (!Channel)
     return NULL;
  const cSchedule *s = GetSchedule(Channel->GetChannelID());
  if (!s && AddIfMissing && writeLocks > 0)
     s = const_cast<cSchedules *>(this)->AddSchedule(Channel->GetChannelID());
  return s;
}

cSchedule *cSchedules::AddSchedule(tChannelID ChannelID)
{
  cSchedule *s = const_cast<cSchedule *>(GetSchedule(ChannelID));
  if (!s) {
     s = new cSchedule(ChannelID);
     Add(s);
  }
  return s;
}

namespace {

// Reads epg.data line by line; a bad line drops what it belongs to and is reported.
class cEpgDataReader {
private:
  cSchedules *schedules;
  cSchedule *schedule;          // the open C block, or null
  bool skipChannel;             // inside a C block whose header was bad
  std::unique_ptr<cEvent> event; // the open E block
  bool skipEvent;               // inside an E block whose header was bad
  void Channel(const char *s);
  void Event(const char *s);
  void CloseEvent(void)
  {
    event.reset();
    skipEvent = false;
  }
  void CloseChannel(void)
  {
    CloseEvent();
    schedule = NULL;
    skipChannel = false;
  }

public:
  cEpgDataReader(cSchedules *Schedules)
  {
    schedules = Schedules;
    schedule = NULL;
    skipChannel = skipEvent = false;
  }
  // False for a line that does not fit where it stands.
  bool Line(const char *s);
  // False when the file ends inside a block; its open event is lost.
  bool End(void) const { return !(schedule || skipChannel || event || skipEvent); }
};

void cEpgDataReader::Channel(const char *s)
{
  tChannelID channelID = tChannelID::FromString(SplitFields(s, ' ', 2)[0].c_str());
  if (channelID.Valid())
     schedule = schedules->AddSchedule(channelID);
  else
     skipChannel = true;
}

void cEpgDataReader::Event(const char *s)
{
  event.reset(new cEvent);
  if (!event->ParseHeader(s)) {
     event.reset();
     skipEvent = true;
  }
}

bool cEpgDataReader::Line(const char *s)
{
  char tag = *s;
  bool bare = !s[1];
  bool withData = s[1] == ' ';
  const char *data = withData ? s + 2 : s + 1;
  bool inChannel = schedule || skipChannel;
  bool inEvent = event || skipEvent;
  if (tag == 'C' && withData) {
     CloseChannel();
     Channel(data);
     return !inChannel && !skipChannel; // the previous channel must have been closed
  }
  if (tag == 'c' && bare) {
     CloseChannel();
     return inChannel && !inEvent; // a stray 'c', or an event left open
  }
  if (skipChannel)
     return true;
  if (tag == 'E' && withData && schedule) {
     CloseEvent();
     Event(data);
     return !inEvent && !skipEvent;
  }
  if (tag == 'e' && bare && inEvent) {
     if (event)
        schedule->AddEvent(event.release());
     CloseEvent();
     return true;
  }
  if (skipEvent)
     return true;
  if (event && (withData || bare) && event->ParseText(tag, data))
     return true;
  return event && withData && strchr("XV", tag); // components and VPS times are of no use here
}

} // namespace

bool cSchedules::Read(const char *FileName)
{
  isyslog("reading EPG data from %s", FileName);
  cSchedulesLock lock(true);
  cEpgDataReader reader(Writable(lock));
  int errors = ReadLines(FileName, [&reader](char *s) { return reader.Line(s); });
  if (errors >= 0 && !reader.End()) {
     esyslog("ERROR: %s ends inside an event or channel", FileName);
     errors++;
  }
  return errors == 0;
}

bool cSchedules::Write(const char *FileName)
{
  cSchedulesLock lock;
  cSafeFile f(FileName);
  if (!f.Open())
     return false;
  for (const cSchedule *s = schedules.First(); s; s = schedules.Next(s)) {
      if (!s->Write(f)) {
         f.Discard();
         return false;
      }
  }
  return f.Close();
}

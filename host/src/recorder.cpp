#include <vdr/recording.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>
#include <vdr/clock.h>
#include <vdr/device.h>
#include <vdr/epg.h>
#include <vdr/status.h>
#include <vdr/timers.h>

#include "mediawriter.h"

static const int MaxNameTries = 10;
static const int ScheduleLockTimeoutMs = 1000;
static const int RecorderStopSeconds = 10;

// --- state of the recorder ---------------------------------------------------

// These live as long as the process: a timer that is a global of another unit may
// be deleted after this unit's globals are gone.
static cMutex &ControlsMutex(void)
{
  static cMutex *mutex = new cMutex;
  return *mutex;
}

static cList<cRecordControl> &Controls(void)
{
  static cList<cRecordControl> *controls = new cList<cRecordControl>;
  return *controls;
}

// Ended controls stay one pass longer, so that a pointer that the main thread got
// from GetRecordControl() just before the end is still good for a moment.
static cList<cRecordControl> &Ended(void)
{
  static cList<cRecordControl> *ended = new cList<cRecordControl>;
  return *ended;
}

// Timer occurrences whose recording failed. They are not started again until they are
// over: on a full disk a new recording every second would only fail again.
struct tFailedRun {
  const cTimer *timer;
  time_t start, stop;
};

static std::vector<tFailedRun> &FailedRuns(void)
{
  static std::vector<tFailedRun> *failed = new std::vector<tFailedRun>;
  return *failed;
}

// A timer's occurrence as last worked out, and the times of the timer it was worked out
// from. The recorder asks about every timer every second, and working an occurrence out
// takes the calendar (mktime(), which looks at the time zone file each time): with many
// timers waiting, that cost the most of a simulated day. The answer stays the same from
// the time it was asked until the occurrence ends (a single timer's "none" for good),
// as long as the timer's times do. Guarded by the timers' lock.
struct tOccurrence {
  time_t day;
  int weekDays, start, stop;
  time_t from;
  bool found;
  time_t startTime, stopTime;
};

static std::unordered_map<const cTimer *, tOccurrence> &Occurrences(void)
{
  static std::unordered_map<const cTimer *, tOccurrence> *occurrences = new std::unordered_map<const cTimer *, tOccurrence>;
  return *occurrences;
}

static bool Occurrence(const cTimer *Timer, time_t Now, time_t &StartTime, time_t &StopTime)
{
  auto known = Occurrences().try_emplace(Timer);
  tOccurrence &o = known.first->second;
  bool same = !known.second && o.day == Timer->Day() && o.weekDays == Timer->WeekDays() && o.start == Timer->Start() && o.stop == Timer->Stop();
  if (!same || Now < o.from || (o.found ? Now >= o.stopTime : !Timer->IsSingleEvent())) {
     o = { Timer->Day(), Timer->WeekDays(), Timer->Start(), Timer->Stop(), Now, false, 0, 0 };
     o.found = Timer->GetOccurrence(Now, o.startTime, o.stopTime);
  }
  StartTime = o.startTime;
  StopTime = o.stopTime;
  return o.found;
}

// As cTimer::Matches().
static bool Matches(const cTimer *Timer, time_t Now)
{
  time_t s, e;
  return Timer->HasFlags(tfActive) && Occurrence(Timer, Now, s, e) && s <= Now;
}

// Forgets the timers that are gone (a pointer may come back as another timer, which the
// times it was worked out from tell apart).
static void ForgetDeletedTimers(void)
{
  auto &occurrences = Occurrences();
  if (occurrences.size() <= size_t(2 * Timers.Count() + 16))
     return;
  std::unordered_map<const cTimer *, tOccurrence> kept;
  for (const cTimer *t = Timers.First(); t; t = Timers.Next(t)) {
      auto o = occurrences.find(t);
      if (o != occurrences.end())
         kept.insert(*o);
  }
  occurrences.swap(kept);
}

static bool HasFailed(const cTimer *Timer, time_t Now)
{
  time_t s, e;
  if (!Occurrence(Timer, Now, s, e))
     return false;
  for (const auto &f : FailedRuns())
      if (f.timer == Timer && f.start == s)
         return true;
  return false;
}

// --- cRecordControl ----------------------------------------------------------

cRecordControl::cRecordControl(cTimer *Timer, cDevice *Device, cRecording *Recording, time_t StopTime)
{
  timer = Timer;
  device = Device;
  recording = Recording;
  index = new cIndexFile(Recording->FileName(), true);
  media = NewMediaWriter(Recording);
  startMs = uint64_t(Recording->Start()) * 1000;
  stopTime = StopTime;
  frames = 0;
  indexed = 0;
  failed = !index->Ok();
}

cRecordControl::~cRecordControl()
{
  delete media;
  delete index;
  delete recording;
}

const char *cRecordControl::FileName(void) const
{
  return recording->FileName();
}

const char *cRecordControl::Name(void) const
{
  return recording->Name();
}

bool cRecordControl::WriteFrames(uint64_t UntilMs, bool Final)
{
  if (failed || !media)
     return false;
  uint64_t rate = recording->Info()->FramesPerSecond();
  int due = UntilMs > startMs ? int((UntilMs - startMs) * rate / 1000) : 0;
  frames = std::max(frames, due);
  std::vector<tMediaFrame> ready;
  bool ok = media->Write(frames, Final, ready);
  for (size_t i = 0; ok && i < ready.size(); i++) {
      ok = index->Write(ready[i].independent, ready[i].fileNumber, ready[i].offset);
      indexed += ok;
  }
  if (!ok) {
     esyslog("ERROR: cannot write frame %d of %s - recording ends", indexed, FileName());
     failed = true;
  }
  return ok;
}

// --- cRecordControls ---------------------------------------------------------

cRecordControl *cRecordControls::GetRecordControl(const char *FileName)
{
  cMutexLock lock(&ControlsMutex());
  for (cRecordControl *c = Controls().First(); c; c = Controls().Next(c))
      if (FileName && strcmp(c->FileName(), FileName) == 0)
         return c;
  return NULL;
}

bool cRecordControls::Active(void)
{
  cMutexLock lock(&ControlsMutex());
  return Controls().Count() > 0;
}

void cRecordControls::TimerDeleted(cTimer *Timer)
{
  cMutexLock lock(&ControlsMutex());
  for (cRecordControl *c = Controls().First(); c; c = Controls().Next(c))
      if (c->timer == Timer)
         c->timer = NULL;
}

void cRecordControls::StopRecording(cRecordControl *Control)
{
  Control->WriteFrames(std::min(cClock::NowMs(), uint64_t(Control->stopTime) * 1000), true);
  // the order matters to listeners: the timer is no longer recording, but still listed
  time_t s, e;
  if (Control->failed && Control->timer && Control->timer->GetOccurrence(cClock::Now(), s, e))
     FailedRuns().push_back({ Control->timer, s, e });
  if (Control->timer)
     Control->timer->SetRecording(false);
  isyslog("end of recording %s (%d frames)", Control->FileName(), Control->indexed);
  cStatus::MsgRecording(Control->device, Control->Name(), Control->FileName(), false);
  delete Control->media;
  Control->media = NULL;
  Controls().Del(Control, false);
  Ended().Add(Control);
}

static cDevice *LeastBusyDevice(void)
{
  cDevice *best = NULL;
  int bestCount = 0;
  for (int i = 0; i < cDevice::NumDevices(); i++) {
      int count = 0;
      for (cRecordControl *c = Controls().First(); c; c = Controls().Next(c))
          count += c->Device() == cDevice::GetDevice(i);
      if (!best || count < bestCount) {
         best = cDevice::GetDevice(i);
         bestCount = count;
      }
  }
  return best;
}

static const cEvent *EventAt(const cSchedules *Schedules, const cChannel *Channel, time_t Time)
{
  const cSchedule *schedule = Schedules ? Schedules->GetSchedule(Channel) : NULL;
  return schedule ? schedule->GetEventAround(Time) : NULL;
}

void cRecordControls::StartRecording(cTimer *Timer, time_t Now)
{
  time_t timerStart, timerStop;
  if (!Timer->GetOccurrence(Now, timerStart, timerStop))
     return;
  // Frame n lies n/rate seconds after the minute in the recording's name, which is all
  // that is left of its start after a restart.
  time_t start = Now - Now % 60;
  cRecording *recording = NULL;
  for (int i = 0; i < MaxNameTries && !recording; i++) {
      recording = new cRecording(Timer, start + 60 * i);
      if (access(recording->FileName(), F_OK) == 0) {
         delete recording; // a recording of the same name began in that minute
         recording = NULL;
      }
  }
  if (!recording || !MakeDirs(recording->FileName(), true)) {
     esyslog("ERROR: cannot make a directory for timer %s", *Timer->ToDescr());
     delete recording;
     return;
  }
  cRecordingInfo info;
  {
    cSchedulesLock lock(false, ScheduleLockTimeoutMs);
    info.Set(Timer->Channel(), EventAt(cSchedules::Schedules(lock), Timer->Channel(), Now), Timer->File(), Timer->Priority(), Timer->Lifetime());
  }
  info.SetFramesPerSecond(ChannelBroadcastFormat(Timer->Channel()).framesPerSecond);
  if (!info.Write(recording->FileName()))
     esyslog("ERROR: cannot write the description of %s", recording->FileName());
  cRecordControl *control = new cRecordControl(Timer, LeastBusyDevice(), recording, timerStop);
  Controls().Add(control);
  isyslog("record %s", recording->FileName());
  Timer->SetRecording(true);
  Recordings.AddByName(recording->FileName());
  cStatus::MsgRecording(control->device, control->Name(), control->FileName(), true);
  control->WriteFrames(cClock::NowMs());
}

void cRecordControls::Pass(time_t Now, bool StartTimers)
{
  cTimersLock timersLock;
  cMutexLock lock(&ControlsMutex());
  Ended().Clear();
  auto &failed = FailedRuns();
  failed.erase(std::remove_if(failed.begin(), failed.end(), [Now](const tFailedRun &f) { return f.stop <= Now; }), failed.end());
  uint64_t nowMs = cClock::NowMs();
  for (cRecordControl *c = Controls().First(), *next; c; c = next) {
      next = Controls().Next(c);
      time_t s, e;
      bool goOn = c->timer && Matches(c->timer, Now) && Occurrence(c->timer, Now, s, e);
      if (goOn)
         c->stopTime = e; // the timer may have been changed meanwhile
      if (!c->WriteFrames(std::min(nowMs, uint64_t(c->stopTime) * 1000)) || !goOn)
         StopRecording(c);
  }
  if (StartTimers) {
     ForgetDeletedTimers();
     for (cTimer *t = Timers.First(); t; t = Timers.Next(t))
         if (!t->Recording() && t->Channel() && Matches(t, Now) && !HasFailed(t, Now))
            StartRecording(t, Now);
  }
}

void cRecordControls::Shutdown(void)
{
  cTimersLock timersLock;
  cMutexLock lock(&ControlsMutex());
  while (cRecordControl *c = Controls().First())
    StopRecording(c);
  Ended().Clear();
}

// --- the recorder thread -----------------------------------------------------

class cRecorderThread : public cThread {
private:
  cCondWait wake;

protected:
  virtual void Action(void);

public:
  cRecorderThread(void) : cThread("recorder") {}
  void Stop(void) { Cancel(RecorderStopSeconds); }
};

namespace {

cRecorderThread *recorder = NULL; // set and cleared by the thread that starts and stops the recorder
std::mutex runningMutex;
bool recorderRunning = false;

} // namespace

void cRecorderThread::Action(void)
{
  while (Running()) {
    cRecordControls::Pass(cClock::Now(), true);
    // timers begin and end on whole minutes: waking on every whole second meets them exactly
    wake.Wait(int(1000 - cClock::NowMs() % 1000));
  }
  cRecordControls::Shutdown();
  std::lock_guard<std::mutex> lk(runningMutex);
  recorderRunning = false;
}

// The caller holds the timer list (the global one) for writing; the pass takes it again.
bool cRecordControls::Process(cTimers *, time_t t)
{
  cMutexLock lock(&ControlsMutex());
  int before = Controls().Count();
  Pass(t, false);
  return Controls().Count() < before;
}

bool cRecorder::Start(void)
{
  if (Running())
     return true;
  Stop();
  recorder = new cRecorderThread;
  {
    std::lock_guard<std::mutex> lk(runningMutex);
    recorderRunning = true;
  }
  if (!recorder->Start()) {
     std::lock_guard<std::mutex> lk(runningMutex);
     recorderRunning = false;
     return false;
  }
  return true;
}

void cRecorder::Stop(void)
{
  if (recorder) {
     recorder->Stop();
     delete recorder;
     recorder = NULL;
  }
}

bool cRecorder::Running(void)
{
  std::lock_guard<std::mutex> lk(runningMutex);
  return recorderRunning;
}

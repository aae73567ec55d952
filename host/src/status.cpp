#include <vdr/status.h>

#include <vdr/thread.h>

// Both live as long as the process: listeners that are globals of other units may
// unregister after this unit's globals are gone. The mutex is recursive, so that a
// listener may register listeners or send notifications of its own.
static cMutex &StatusMutex(void)
{
  static cMutex *mutex = new cMutex;
  return *mutex;
}

static cList<cStatus> &StatusMonitors(void)
{
  static cList<cStatus> *monitors = new cList<cStatus>;
  return *monitors;
}

cStatus::cStatus(void)
{
  cMutexLock lock(&StatusMutex());
  StatusMonitors().Add(this);
}

cStatus::~cStatus()
{
  cMutexLock lock(&StatusMutex());
  StatusMonitors().Del(this, false);
}

void cStatus::MsgRecording(const cDevice *Device, const char *Name, const char *FileName, bool On)
{
  cMutexLock lock(&StatusMutex());
  for (cStatus *sm = StatusMonitors().First(); sm; sm = StatusMonitors().Next(sm))
      sm->Recording(Device, Name, FileName, On);
}

void cStatus::MsgReplaying(const cControl *Control, const char *Name, const char *FileName, bool On)
{
  cMutexLock lock(&StatusMutex());
  for (cStatus *sm = StatusMonitors().First(); sm; sm = StatusMonitors().Next(sm))
      sm->Replaying(Control, Name, FileName, On);
}

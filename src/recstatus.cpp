#include "recstatus.h"

#include <unistd.h>
#include <vdr/device.h>
#include <vdr/recording.h>

#include "compat.h"

#include "autoconvert.h"
#include "grabberthread.h"
#include "log.h"
#include "tracks.h"

cRecStatusMonitor *gl_recStatusMonitor = NULL;

// The timer's channel id text, empty for a timer without a channel.
static std::string ChannelIdText(const cTimer *Timer)
{
  const cChannel *channel = Timer->Channel();
  return channel ? std::string(*channel->GetChannelID().ToString()) : std::string();
}

static bool Listed(const cTimers *Timers, const cTimer *Timer)
{
  for (const cTimer *t = Timers->First(); t; t = Timers->Next(t))
      if (t == Timer)
         return true;
  return false;
}

cRecStatusMonitor::cRecStatusMonitor(void)
{
  cMutexLock lock(&cGrabberThread::channelsMutex);
  cGrabberThread::channelsSupported.clear();
  cGrabberThread::channelsSupported.insert(cChannelSupported(MusicChannelId, 1, 0));
}

const cChannel *cRecStatusMonitor::GetVimoraChannel(void)
{
  LOCK_CHANNELS_READ;
  return Channels->GetByChannelID(tChannelID::FromString(MusicChannelId), false, false);
}

bool cRecStatusMonitor::Tracked(const cTimer *Timer) const
{
  for (const cRecTimerObj *o = recTimers.First(); o; o = recTimers.Next(o))
      if (o->timer == Timer)
         return true;
  return false;
}

void cRecStatusMonitor::Recording(const cDevice *Device, const char *Name, const char *FileName, bool On)
{
  // The recorder holds its timer list for writing while it reports a recording; the
  // same thread may take it again for reading, and nothing else is locked here.
  LOCK_TIMERS_READ;
  if (!On) {
     RecordingEnded(Timers);
     // the marker file tells a recording of a supported channel
     if (FileName && access(AddDirectory(FileName, "vimora"), F_OK) == 0)
        cAutoConvert::RecordingEnded(FileName);
  }
  else if (Name)
     RecordingStarted(Timers, Device, Name, FileName);
  GrabberDecision(Timers);
}

void cRecStatusMonitor::RecordingStarted(const cTimers *Timers, const cDevice *Device, const char *Name, const char *FileName)
{
  for (const cTimer *t = Timers->First(); t; t = Timers->Next(t)) {
      if (!t->Recording() || Tracked(t))
         continue;
      recTimers.Add(new cRecTimerObj(t, Device ? Device->DeviceNumber() : -1));
      std::string channelId = ChannelIdText(t);
      if (!cGrabberThread::ChannelSupported(channelId))
         continue;
      LogFile.Log(1, "vimora recording started '%s' on device %d", Name, Device ? Device->CardIndex() : -1);
      WriteMarker(FileName, channelId);
      if (FileName)
         NotePart(FileName);
      ChangeRecordingCount(channelId, 1);
  }
}

// The frames a recording's index holds, 0 without an index.
static int IndexLength(const char *FileName)
{
  if (access(AddDirectory(FileName, "index"), F_OK) != 0)
     return 0;
  cIndexFile index(FileName, false);
  return index.Last() + 1;
}

void cRecStatusMonitor::NotePart(const char *FileName)
{
  // The channel is on air when a recording starts: its first frame is recorded now, give
  // or take the tuning, which the offset setting covers. Within this much of the time the
  // recording is named after, that time stands, as it always did.
  static const long long ToleranceMs = 2000;
  if (RecordsFromItsName)
     return;
  long long now = VimoraNowMs();
  int frame = IndexLength(FileName);
  cRecording recording(FileName);
  long long off = now - (long long)recording.Start() * 1000;
  if (frame == 0 && off <= ToleranceMs && off >= -ToleranceMs)
     return;
  LogFile.Log(1, "recording '%s' records from frame %d on at %s (%+.1f s from its time)", FileName, frame,
              *DayDateTimesec(time_t(now / 1000)), off / 1000.0);
  cRecordingParts::Note(FileName, recording.Start(), frame, now);
}

void cRecStatusMonitor::WriteMarker(const char *FileName, const std::string &ChannelId)
{
  // Whole or not at all: a cut-off marker would name a wrong channel for the recording.
  cString path = AddDirectory(FileName, "vimora");
  cSafeFile marker(path);
  if (!marker.Open() || fputs(ChannelId.c_str(), marker) < 0 || !marker.Close())
     LogFile.eSysLog("could not create file '%s'", *path);
}

void cRecStatusMonitor::RecordingEnded(const cTimers *Timers)
{
  cRecTimerObj *o = recTimers.First();
  while (o) {
    cRecTimerObj *next = recTimers.Next(o);
    if (!Listed(Timers, o->timer))
       recTimers.Del(o);
    else if (!o->timer->Recording()) {
       std::string channelId = ChannelIdText(o->timer);
       if (cGrabberThread::ChannelSupported(channelId))
          ChangeRecordingCount(channelId, -1);
       recTimers.Del(o);
    }
    o = next;
  }
}

void cRecStatusMonitor::ChangeRecordingCount(const std::string &ChannelId, int Delta)
{
  cMutexLock lock(&cGrabberThread::channelsMutex);
  auto channel = cGrabberThread::GetChannel(ChannelId);
  if (channel == cGrabberThread::channelsSupported.end())
     return;
  cChannelSupported changed = *channel;
  changed.recordingCount += Delta;
  cGrabberThread::channelsSupported.erase(channel);
  cGrabberThread::channelsSupported.insert(changed);
}

void cRecStatusMonitor::GrabberDecision(const cTimers *Timers)
{
  for (const cTimer *t = Timers->First(); t; t = Timers->Next(t)) {
      if (t->Recording()) {
         if (cGrabberThread::ChannelSupported(ChannelIdText(t)))
            cGrabberThread::Init();
         else
            cGrabberThread::Exit();
         return;
      }
  }
  cGrabberThread::Exit();
}

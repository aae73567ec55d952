#include "recstatus.h"

#include <fcntl.h>
#include <vdr/device.h>

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

static bool Listed(const cTimer *Timer)
{
  for (const cTimer *t = Timers.First(); t; t = Timers.Next(t))
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

cChannel *cRecStatusMonitor::GetVimoraChannel(void)
{
  return Channels.GetByChannelID(tChannelID::FromString(MusicChannelId), false, false);
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
  cTimersLock lock;
  if (!On)
     RecordingEnded();
  else if (Name)
     RecordingStarted(Device, Name, FileName);
  GrabberDecision();
}

void cRecStatusMonitor::RecordingStarted(const cDevice *Device, const char *Name, const char *FileName)
{
  for (cTimer *t = Timers.First(); t; t = Timers.Next(t)) {
      if (!t->Recording() || Tracked(t))
         continue;
      recTimers.Add(new cRecTimerObj(t, Device ? Device->DeviceNumber() : -1));
      std::string channelId = ChannelIdText(t);
      if (!cGrabberThread::ChannelSupported(channelId))
         continue;
      LogFile.Log(1, "vimora recording started '%s' on device %d", Name, Device ? Device->CardIndex() : -1);
      WriteMarker(FileName, channelId);
      ChangeRecordingCount(channelId, 1);
  }
}

void cRecStatusMonitor::WriteMarker(const char *FileName, const std::string &ChannelId)
{
  cString path = AddDirectory(FileName, "vimora");
  cFile marker;
  if (!marker.Open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644) || safe_write(marker, ChannelId.data(), ChannelId.size()) != ssize_t(ChannelId.size()))
     LogFile.eSysLog("could not create file '%s'", *path);
}

void cRecStatusMonitor::RecordingEnded(void)
{
  cRecTimerObj *o = recTimers.First();
  while (o) {
    cRecTimerObj *next = recTimers.Next(o);
    if (!Listed(o->timer))
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

void cRecStatusMonitor::GrabberDecision(void)
{
  for (cTimer *t = Timers.First(); t; t = Timers.Next(t)) {
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

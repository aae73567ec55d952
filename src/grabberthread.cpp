#include "grabberthread.h"

#include <vdr/channels.h>
#include <vdr/epg.h>
#include <vector>

#include "compat.h"
#include "log.h"
#include "tracks.h"

cString DayDateTimesec(time_t Time)
{
  time_t t = Time ? Time : VimoraNow();
  struct tm tm_r;
  localtime_r(&t, &tm_r);
  char buffer[32];
  snprintf(buffer, sizeof(buffer), "%s %02d.%02d %02d:%02d:%02d", *WeekDayName(tm_r.tm_wday), tm_r.tm_mday, tm_r.tm_mon + 1, tm_r.tm_hour, tm_r.tm_min, tm_r.tm_sec);
  return buffer;
}

// --- supported channels ----------------------------------------------------

std::set<cChannelSupported>::iterator cGrabberThread::GetChannel(std::string ChannelId)
{
  return channelsSupported.find(cChannelSupported(ChannelId));
}

bool cGrabberThread::ChannelSupported(std::string ChannelId)
{
  cMutexLock lock(&channelsMutex);
  return GetChannel(ChannelId) != channelsSupported.end();
}

int cGrabberThread::EpgFormat(const std::string &ChannelId)
{
  cMutexLock lock(&channelsMutex);
  auto channel = GetChannel(ChannelId);
  return channel != channelsSupported.end() ? channel->epgFormat : 0;
}

// --- cGrabberThread --------------------------------------------------------

cGrabberThread *cGrabberThread::m_Instance = NULL;

cGrabberThread::cGrabberThread(void)
: cThread("Vimora: epg grabber"), m_Active(false)
{
}

cGrabberThread::~cGrabberThread()
{
  if (m_Active)
     Stop();
}

void cGrabberThread::Init(void)
{
  if (!m_Instance) {
     m_Instance = new cGrabberThread;
     m_Instance->Start();
  }
}

void cGrabberThread::Exit(void)
{
  if (m_Instance) {
     m_Instance->Stop();
     delete m_Instance;
     m_Instance = NULL;
  }
}

void cGrabberThread::Stop(void)
{
  m_Active = false;
  Cancel(3);
}

bool cGrabberThread::KeepRunning(void)
{
  // Running() covers a Stop() that came before Action() set m_Active.
  return m_Active && Running();
}

void cGrabberThread::Action(void)
{
  LogFile.iSysLog("Entering grabber thread");
  SetPriority(19);
  m_Active = true;
  cCondWait::SleepMs(1000);
  for (int i = 0; i < 14 && KeepRunning(); i++)
      cCondWait::SleepMs(1000);
  while (KeepRunning()) {
    Pass();
    for (int i = 0; i < 30 && KeepRunning(); i++)
        cCondWait::SleepMs(1000);
  }
  LogFile.iSysLog("Leaving grabber thread");
}

void cGrabberThread::Pass(void)
{
  // in the recorder's lock order: the channels before the guide
  LOCK_CHANNELS_READ;
  LOCK_SCHEDULES_READ;
  if (!Schedules)
     return;
  // A copy, so that the set is not held while Tracks is locked.
  std::vector<cChannelSupported> channels;
  {
    cMutexLock lock(&channelsMutex);
    channels.assign(channelsSupported.begin(), channelsSupported.end());
  }
  for (const auto &channel : channels)
      if (channel.recordingCount)
         Grab(Channels, Schedules, channel);
}

void cGrabberThread::Grab(const cChannels *Channels, const cSchedules *Schedules, const cChannelSupported &Channel)
{
  const cChannel *channel = Channels->GetByChannelID(tChannelID::FromString(Channel.channelId.c_str()), false, false);
  if (!channel)
     return;
  const cSchedule *schedule = Schedules->GetSchedule(channel);
  if (!schedule)
     return;
  const cEvent *event = schedule->GetPresentEvent();
  if (!event) {
     LogFile.Log(2, "no current event");
     return;
  }
  const char *id = Channel.channelId.c_str();
  const char *title = event->Title() ? event->Title() : "unknown";
  cString start = DayDateTimesec(event->StartTime());
  LogFile.Log(3, "current event on %s is: %s (start: %s)", id, title, *start);
  cTracksLock lock(Tracks);
  if (!Tracks.IsTrack(event))
     return;
  cTrack *track = new cTrack(event);
  bool alreadyDone;
  if (Tracks.InList(*track, alreadyDone)) {
     delete track;
     return;
  }
  LogFile.Log(2, "add event on %s is: %s (start: %s)", id, title, *start);
  if (alreadyDone) {
     LogFile.Log(2, "already done");
     track->status = 1;
  }
  else if (Tracks.Blacklisted(*track)) {
     LogFile.Log(2, "in blacklist - ignored");
     track->status = 1;
  }
  Tracks.Add(track);
}

#include "grabberthread.h"

#include <vdr/clock.h>

#include "log.h"
#include "tracks.h"

cString DayDateTimesec(time_t Time)
{
  time_t t = Time ? Time : cClock::Now();
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

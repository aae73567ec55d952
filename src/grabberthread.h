// The programme-guide grabber: while a supported channel records, a background thread
// catalogues each music video that goes on air into Tracks. Also the set of supported
// channels and the date text of the grabber's log lines.
//
// Lock order: the guide lock, then the Tracks lock, then channelsMutex, which is held
// only around lookups and replacements of the set.
#ifndef __VIMORA_GRABBERTHREAD_H
#define __VIMORA_GRABBERTHREAD_H

#include <atomic>
#include <set>
#include <string>
#include <vdr/thread.h>
#include <vdr/tools.h>

// A supported channel, ordered by its id text.
class cChannelSupported {
public:
  std::string channelId;
  int epgFormat;      // 1: guide titles read «Artist - Title (Year)»
  int recordingCount; // recordings of this channel running now
  cChannelSupported(const std::string &ChannelId = "", int EpgFormat = 0, int RecordingCount = 0)
  : channelId(ChannelId), epgFormat(EpgFormat), recordingCount(RecordingCount) {}
  bool operator<(const cChannelSupported &Other) const { return channelId < Other.channelId; }
};

// "Mon 07.12 15:04:05" for Time, or for now when Time is 0.
cString DayDateTimesec(time_t Time = 0);

class cChannels;
class cSchedules;

class cGrabberThread : public cThread {
private:
  std::atomic<bool> m_Active; // the thread shall go on
  bool KeepRunning(void);
  void Grab(const cChannels *Channels, const cSchedules *Schedules, const cChannelSupported &Channel);

protected:
  virtual void Action(void);

public:
  static cGrabberThread *m_Instance;
  static std::set<cChannelSupported> channelsSupported;
  // Held by everyone who searches, walks or changes channelsSupported, for as long
  // as they use what they found.
  static cMutex channelsMutex;

  cGrabberThread(void);
  virtual ~cGrabberThread();
  // Creates and starts the one grabber unless it exists.
  static void Init(void);
  // Stops and deletes the grabber, if any.
  static void Exit(void);
  void Stop(void);
  // One look at the present event of every supported channel that records, as the
  // thread makes it every 30 seconds.
  void Pass(void);
  // The element for ChannelId or channelsSupported.end(); channelsMutex must be held.
  static std::set<cChannelSupported>::iterator GetChannel(std::string ChannelId);
  static bool ChannelSupported(std::string ChannelId);
  // The guide title layout of a supported channel, 0 for any other.
  static int EpgFormat(const std::string &ChannelId);
};

#endif

#include "hostfixtures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "mediarecording.h"
#include "process.h"
#include "testenv.h"
#include "tracks.h"

cChannel *AddTestChannel(const char *ChannelID, const char *Name)
{
  tChannelID id = tChannelID::FromString(ChannelID);
  cChannel *channel = new cChannel;
  cString line = cString::sprintf("%s:12148:h:%s:27500:0:0:0:0:%d:%d:%d:%d", Name, *SourceToString(id.Source()), id.Sid(), id.Nid(), id.Tid(), id.Rid());
  EXPECT_TRUE(channel->Parse(line)) << *line;
  Channels.Add(channel);
  Channels.ReNumber();
  return channel;
}

const cEvent *AddTestEvent(const char *ChannelID, time_t Start, int Duration, const char *Title, const char *ShortText, const char *Description)
{
  cSchedulesLock lock(true);
  cSchedules *schedules = cSchedules::Writable(lock);
  cEvent *event = new cEvent;
  event->SetStartTime(Start);
  event->SetDuration(Duration);
  event->SetTitle(Title);
  event->SetShortText(ShortText);
  event->SetDescription(Description);
  return schedules->AddSchedule(tChannelID::FromString(ChannelID))->AddEvent(event);
}

cTimer *AddTestTimer(cChannel *Channel, time_t Start, time_t Stop, const char *File)
{
  cTimer *timer = new cTimer(Channel, Start, Stop, File);
  Timers.Add(timer);
  return timer;
}

std::string MakeTestRecording(const char *Name, time_t Start, int Frames, int IFrameDistance, const char *ChannelID, double FramesPerSecond)
{
  cChannel *channel = Channels.GetByChannelID(tChannelID::FromString(ChannelID));
  cTimer timer(channel, Start, Start + time_t(Frames / FramesPerSecond), Name);
  cRecording recording(&timer, Start);
  std::string fileName = recording.FileName();
  EXPECT_TRUE(MakeDirs(fileName.c_str(), true));
  {
    cIndexFile index(fileName.c_str(), true);
    off_t offset = 0;
    for (int i = 0; i < Frames; i++) {
        bool independent = i % IFrameDistance == 0;
        EXPECT_TRUE(index.Write(independent, 1, offset));
        offset += independent ? 48000 : 12000;
    }
  }
  cRecordingInfo info;
  info.Set(channel, NULL, Name);
  info.SetFramesPerSecond(FramesPerSecond);
  EXPECT_TRUE(info.Write(fileName.c_str()));
  Recordings.AddByName(fileName.c_str());
  return fileName;
}

bool MakeFiftyFrameMedia(const std::string &Dir, int Seconds)
{
  std::string stream = Dir + "/.stream.ts", length = std::to_string(Seconds), error;
  tProcessResult made = RunTool({ "ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=320x180:rate=50:duration=" + length,
                                  "-f", "lavfi", "-i", "aevalsrc=exprs='if(lt(mod(t+0.5,10),1),0,0.5*sin(2*PI*440*t))':s=48000:d=" + length, "-ac", "2",
                                  "-c:v", "libx264", "-preset", "ultrafast", "-bf", "0", "-g", "24", "-keyint_min", "24", "-sc_threshold", "0",
                                  "-c:a", "ac3", "-f", "mpegts", "file:" + stream });
  EXPECT_EQ(made.exitCode, 0) << made.err;
  bool ok = made.exitCode == 0 && MakeMediaRecording(Dir, { { stream, {} } }, 50, false, error);
  EXPECT_EQ(error, "");
  unlink(stream.c_str());
  return ok && cIndexFile(Dir.c_str(), false).Last() + 1 == 50 * Seconds;
}

std::string MarkLine(int Position, const char *Comment, double FramesPerSecond)
{
  return std::string(*IndexToHMSF(Position, true, FramesPerSecond)) + (Comment ? std::string(" ") + Comment : "");
}

cTrack *AddTestTrack(const char *Artist, const char *Title, int Year, time_t Start, int Duration, int Status, const char *ChannelID)
{
  cTrack *t = new cTrack;
  t->artist = Artist;
  t->title = Title;
  t->year = Year;
  t->eventTitle = cString::sprintf("%s - %s (%d)", Artist, Title, Year);
  t->startTime = Start;
  t->duration = Duration;
  t->status = Status;
  t->channelId = ChannelID;
  cTracksLock lock(Tracks);
  Tracks.Add(t);
  return t;
}

cPluginManager *StartVimoraHost(const std::string &Args)
{
  cPluginManager *manager = new cPluginManager(VIMORA_PLUGIN_DIR);
  manager->AddPlugin(("vimora " + Args).c_str());
  if (manager->LoadPlugins() && manager->InitializePlugins() && manager->StartPlugins() && cRecorder::Start())
     return manager;
  ADD_FAILURE() << "the host did not start vimora " << Args;
  StopVimoraHost(manager);
  return NULL;
}

void StopVimoraHost(cPluginManager *&Manager)
{
  cRecorder::Stop();
  if (Manager)
     Manager->Shutdown();
  delete Manager;
  Manager = NULL;
}

#include "mediawriter.h"

#include <atomic>
#include <vdr/channels.h>
#include <vdr/config.h>
#include <vdr/recording.h>
#include <vdr/tools.h>

#include "exec.h"

namespace {

class cIndexOnly : public cMediaWriter {
private:
  static const int IFrameSize = 48000; // about 3 Mbit/s at 25 frames
  static const int FrameSize = 12000;
  int distance;
  int frames;
  uint16_t fileNumber;
  off_t offset;

public:
  cIndexOnly(int IFrameDistance) { distance = IFrameDistance; frames = 0; fileNumber = 1; offset = 0; }
  bool Write(int Frames, bool Final, std::vector<tMediaFrame> &Ready) override
  {
    (void)Final;
    for (; frames < Frames; frames++) {
        bool independent = frames % distance == 0;
        if (StartsNewMediaFile(independent, offset)) {
           fileNumber++;
           offset = 0;
        }
        Ready.push_back({ fileNumber, offset, independent });
        offset += independent ? IFrameSize : FrameSize;
    }
    return true;
  }
};

// Whether the channel's sound PIDs of one kind are the format's, in their order.
bool SameTracks(const cChannel *Channel, const tBroadcastFormat &Format, bool Dolby)
{
  int i = 0;
  for (const tBroadcastTrack &t : Format.tracks) {
      if (t.Dolby() != Dolby)
         continue;
      int pid = Dolby ? Channel->Dpid(i) : Channel->Apid(i);
      int type = Dolby ? Channel->Dtype(i) : Channel->Atype(i);
      const char *lang = Dolby ? Channel->Dlang(i) : Channel->Alang(i);
      if (pid != t.pid || type != t.streamType || strcmp(lang, t.language) != 0)
         return false;
      i++;
  }
  return (Dolby ? Channel->Dpid(i) : Channel->Apid(i)) == 0;
}

std::atomic<tMediaWriterFactory> mediaWriterFactory(nullptr);
std::atomic<bool> toldIndexOnly(false);

} // namespace

const tBroadcastFormat &ChannelBroadcastFormat(const cChannel *Channel)
{
  for (const tBroadcastFormat &f : BroadcastFormats())
      if (Channel && Channel->Vpid() == f.videoPid && Channel->Vtype() == f.videoType && SameTracks(Channel, f, false) && SameTracks(Channel, f, true))
         return f;
  return DefaultBroadcastFormat();
}

const tBroadcastFormat &RecordingBroadcastFormat(const cRecording *Recording)
{
  LOCK_CHANNELS_READ;
  return ChannelBroadcastFormat(Channels->GetByChannelID(Recording->Info()->ChannelID()));
}

bool StartsNewMediaFile(bool Independent, off_t FileSize)
{
  return Independent && FileSize > Setup.VideoFileLimit();
}

cMediaWriter *NewIndexOnlyWriter(const cRecording *Recording)
{
  return new cIndexOnly(RecordingBroadcastFormat(Recording).independentDistance);
}

void SetMediaWriterFactory(tMediaWriterFactory Factory)
{
  mediaWriterFactory = Factory;
}

cMediaWriter *NewMediaWriter(const cRecording *Recording)
{
  tMediaWriterFactory factory = mediaWriterFactory;
  if (!factory) {
     if (FoundInPath("ffmpeg"))
        factory = NewRenderedMediaWriter;
     else {
        if (!toldIndexOnly.exchange(true))
           isyslog("no ffmpeg in PATH: recordings get their index but no media");
        factory = NewIndexOnlyWriter;
     }
  }
  cMediaWriter *writer = factory(Recording);
  return writer ? writer : NewIndexOnlyWriter(Recording);
}

#include "mediawriter.h"

#include <atomic>
#include <vdr/tools.h>

#include "exec.h"

namespace {

class cIndexOnly : public cMediaWriter {
private:
  static const int IFrameDistance = 12;
  static const int IFrameSize = 48000; // about 3 Mbit/s
  static const int FrameSize = 12000;
  int frames;
  off_t offset;

public:
  cIndexOnly(void) { frames = 0; offset = 0; }
  bool Write(int Frames, bool Final, std::vector<tMediaFrame> &Ready) override
  {
    (void)Final;
    for (; frames < Frames; frames++) {
        bool independent = frames % IFrameDistance == 0;
        Ready.push_back({ 1, offset, independent });
        offset += independent ? IFrameSize : FrameSize;
    }
    return true;
  }
};

std::atomic<tMediaWriterFactory> mediaWriterFactory(nullptr);
std::atomic<bool> toldIndexOnly(false);

} // namespace

cMediaWriter *NewIndexOnlyWriter(const cRecording *Recording)
{
  (void)Recording;
  return new cIndexOnly;
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
  return writer ? writer : new cIndexOnly;
}

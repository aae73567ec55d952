// Host-internal: where the recorder puts a recording's media. A writer is made for each
// recording; it takes the recording's frames as time goes on and tells, for every frame,
// where in the media it begins and whether it is an I-frame, which the index records.
// Frame N shows what is on air N/25 seconds after the recording's start.
#ifndef __VDR_MEDIAWRITER_H
#define __VDR_MEDIAWRITER_H

#include <stdint.h>
#include <sys/types.h>
#include <time.h>
#include <vector>

class cRecording;

struct tMediaFrame {
  uint16_t fileNumber;
  off_t offset;
  bool independent;
};

class cMediaWriter {
public:
  virtual ~cMediaWriter() {}
  // Takes the frames before frame Frames and appends to Ready, in order, the frames whose
  // place in the media has become known; a writer may know a frame's place only some
  // frames later. With Final no frame follows: the media is completed, and every frame
  // taken is in Ready when the call returns. False when the media cannot be written.
  virtual bool Write(int Frames, bool Final, std::vector<tMediaFrame> &Ready) = 0;
};

typedef cMediaWriter *(*tMediaWriterFactory)(const cRecording *Recording);

// Makes the writers of the recordings that start from now on. Null chooses anew for each
// recording: rendered media when ffmpeg is in PATH, else the index alone (said once in
// the host log).
void SetMediaWriterFactory(tMediaWriterFactory Factory);
cMediaWriter *NewMediaWriter(const cRecording *Recording);

// No media at all, but the byte offsets of a plausible stream with an I-frame every 12
// frames, so that everything that reads the index sees sensible frame sizes.
cMediaWriter *NewIndexOnlyWriter(const cRecording *Recording);

// Real media in <recording>/00001.ts, rendered by ffmpeg: MPEG-2 video of a card showing
// the title of the event on air, MP2 audio of a tone, an I-frame every 12 frames. The
// k-th event of a recording (counted from 0 in the order they come on air) sounds at
// MediaToneHz(k); while no event is on air the card shows the channel and all is silent.
// An event begins with MediaGapFrames(its start) frames of black and silence, as the
// items of a music channel do. What is on air comes from the channel's items in cOnAir
// when it has some, else from its guide.
cMediaWriter *NewRenderedMediaWriter(const cRecording *Recording);
int MediaToneHz(int EventNumber);
int MediaGapFrames(time_t ItemStart);

#endif

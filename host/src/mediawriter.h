// Host-internal: where the recorder puts a recording's media. A writer is made for each
// recording; it takes the recording's frames as time goes on and tells, for every frame,
// in which media file and where in it it begins and whether it is independent, which the
// index records. Frame N shows what is on air N/rate seconds after the recording's start,
// at the frame rate of the channel's broadcast format. As in the recorder, a new media
// file (00002.ts ...) begins at an independent frame once the current one has grown
// beyond the setup's limit (cSetup::VideoFileLimit).
#ifndef __VDR_MEDIAWRITER_H
#define __VDR_MEDIAWRITER_H

#include <stdint.h>
#include <sys/types.h>
#include <time.h>
#include <vector>
#include <vdr/onair.h>

#include "broadcastformat.h"

class cChannel;
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

// The broadcast format whose channel entry (video and sound PIDs with their stream types
// and languages) the channel has; the default one for any other channel and for none.
const tBroadcastFormat &ChannelBroadcastFormat(const cChannel *Channel);
// The format of the channel a recording is of.
const tBroadcastFormat &RecordingBroadcastFormat(const cRecording *Recording);
// Whether a frame begins a new media file, when the current one has FileSize bytes.
bool StartsNewMediaFile(bool Independent, off_t FileSize);

// No media at all, but the byte offsets of a plausible stream with the format's I-frame
// distance, so that everything that reads the index sees sensible frame sizes and files.
cMediaWriter *NewIndexOnlyWriter(const cRecording *Recording);

// Real media in <recording>/00001.ts ..., rendered by ffmpeg in the channel's broadcast
// format: video of a card showing the title of the event on air, a tone on every sound
// track. The k-th event of a recording (counted from 0 in the order they come on air)
// sounds at MediaToneHz(k) plus the track's shift; while no event is on air the card shows
// the channel and all is silent. An event begins with the transition of its item
// (eTransition, a gap of black and silence for an event of the guide), as the items of a
// music channel do; its own sound begins MediaLeadFrames after its start. What is on air
// comes from the channel's items in cOnAir when it has some, else from its guide.
cMediaWriter *NewRenderedMediaWriter(const cRecording *Recording);
int MediaToneHz(int EventNumber);
// The gap of black and silence: 0.52 to 1 second, whatever the rate.
int MediaGapFrames(time_t ItemStart, int FramesPerSecond = 25);
// The frames from an item's start to where its own sound begins: the gap, 0.2 s of a
// dip, none for a cut, 0.5 s of a fade.
int MediaLeadFrames(time_t ItemStart, eTransition Transition, int FramesPerSecond = 25);

#endif

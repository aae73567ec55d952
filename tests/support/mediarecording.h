// Recordings as the recorder writes them, made of transport streams that a test has
// ffmpeg generate: the media split into files at I-frames (each file opens with the
// stream's PAT and PMT, as the recorder's do), the frame index built from the video
// packets (their positions and key flags), and the info file with the frame rate.
#ifndef __VIMORA_MEDIARECORDING_H
#define __VIMORA_MEDIARECORDING_H

#include <string>
#include <vector>

#include "process.h"

// One transport stream of a recording. A new file begins with it (as with a recording
// resumed after a restart) and at the first I-frame from each of Splits on (seconds from
// its first picture), as when the recorder reaches its file size.
struct tMediaPart {
  std::string stream;
  std::vector<double> splits;
};

// Writes the recording's media, index and info into Dir (which must exist): "00001.ts" ...
// and "index" (VDR 2.x), or with OldKind "001.ts" ... and "index.vdr" in our host's older
// layout, without a frame rate in "info.vdr". False, with Error, when a stream cannot be read.
bool MakeMediaRecording(const std::string &Dir, const std::vector<tMediaPart> &Parts, int FramesPerSecond, bool OldKind, std::string &Error);

// Runs a program found in PATH; its result as RunProcess gives it.
tProcessResult RunTool(std::vector<std::string> Argv);

#endif

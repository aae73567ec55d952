// A recording's "vimora.parts": whatever it holds, a later time never lands on an earlier
// frame, and placing tracks on it stays defined.
#include <climits>
#include <unistd.h>
#include <vdr/recording.h>

#include "fuzzsupport.h"
#include "tracks.h"

static const time_t Start = 1796673600; // the minute the recording is named after

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  const std::string &recordingDir = FuzzRecording();
  std::string file = recordingDir + "/" + PartsFileName;
  FILE *f = fopen(file.c_str(), "w");
  if (!f || fwrite(Data, 1, Size, f) != Size || fclose(f) != 0)
     return 0;
  cRecording recording(recordingDir.c_str());
  cRecordingParts parts(&recording);
  long long previous = LLONG_MIN;
  for (long long s : { LLONG_MIN / 2, -1LL, 0LL, (long long)Start - 100, (long long)Start, (long long)Start + 5, (long long)Start + 60,
                       (long long)Start + 86400, (long long)INT_MAX * 1000, LLONG_MAX / 2 }) {
      int frame;
      if (!parts.Frame(s, frame))
         continue;
      FUZZ_CHECK(frame >= previous, std::to_string(s));
      previous = frame;
  }
  cIndexFile index(recordingDir.c_str(), false);
  cTrackWindow window(index, &recording, 3);
  cTrack track;
  track.startTime = Start + 2;
  track.duration = 5;
  int startFrame, endFrame;
  if (window.Find(track, startFrame, endFrame))
     FUZZ_CHECK(0 <= startFrame && startFrame <= index.Last() && 0 <= endFrame && endFrame <= index.Last(), std::to_string(startFrame) + " " + std::to_string(endFrame));
  window.Covers(track, 100);
  return 0;
}

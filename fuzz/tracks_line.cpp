// A "tracks.conf" line: whatever it holds, the track it gives is written as one line
// that reads back to the same line, and finding it in a recording stays defined.
#include <vdr/recording.h>

#include "fuzzsupport.h"
#include "tracks.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  const std::string &recordingDir = FuzzRecording();
  std::string line = FuzzText(Data, Size);
  cTrack track;
  bool parsed = track.Parse(line.c_str());
  std::string first = track.ToText();
  FUZZ_CHECK(first.find_first_of("\r\n") == std::string::npos, first);
  cTrack again;
  FUZZ_CHECK(again.Parse(first.c_str()), first);
  // A line break becomes a blank, and a blank that then begins a field is not read:
  // from the second writing on, the line stays the same.
  std::string second = again.ToText();
  cTrack third;
  FUZZ_CHECK(third.Parse(second.c_str()) && third.ToText() == second, second);
  if (first.find_first_of("\r\n") == std::string::npos && line.find_first_of("\r\n") == std::string::npos)
     FUZZ_CHECK(second == first, first);
  if (line.find_first_of("\r\n") == std::string::npos)
     FUZZ_CHECK(again.artist == track.artist && again.title == track.title && again.year == track.year, first);
  if (parsed) {
     cIndexFile index(recordingDir.c_str(), false);
     for (int offset : { 3, -3, 1 << 30 })
         track.InRecording(index, 1796673600, offset);
  }
  return 0;
}

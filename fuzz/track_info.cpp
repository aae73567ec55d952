// An event title of the music channel turned into artist, title and year: the parts
// come from inside the title, whatever it holds.
#include "fuzzsupport.h"
#include "grabberthread.h"
#include "tracks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
  FuzzInit();
  if (cGrabberThread::channelsSupported.empty())
     cGrabberThread::channelsSupported.insert(cChannelSupported("S19.2E-1-1092-10100", 1, 0));
  cTrack track;
  track.channelId = "S19.2E-1-1092-10100";
  track.eventTitle.assign((const char *)Data, Size);
  track.CreateTrackInfo();
  const std::string &t = track.eventTitle;
  FUZZ_CHECK(t.compare(0, track.artist.size(), track.artist) == 0, t);
  FUZZ_CHECK(track.title.empty() || t.find(track.title, track.artist.size()) != std::string::npos, t);
  FUZZ_CHECK(track.artist.empty() || t.compare(track.artist.size(), 3, " - ") == 0, t);
  FUZZ_CHECK(track.year == 0 || t.find('(') != std::string::npos, t);
  return 0;
}

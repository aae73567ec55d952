// Host objects and data files for the benchmarks: a private video folder, the music
// channel, guide events, recordings on disk, and a catalogue of years of broadcasting.
#ifndef __VIMORA_BENCHHOST_H
#define __VIMORA_BENCHHOST_H

#include <string>
#include <time.h>

class cChannel;

const char *const MusicChannel = "S19.2E-1-1092-10100";
// Start of the generated catalogue: 1 December 2018, a whole minute.
const time_t CatalogueStart = 1543622400;
// One music video every four minutes, as the music channel airs them.
const int TrackSpacing = 240;

// A fresh folder under /tmp, made the host's video directory; removed at exit.
const std::string &BenchRoot(void);
cChannel *AddMusicChannel(void);
void AddEvent(time_t Start, int Duration, const char *Title);
// A recording of the music channel that began at Start, with an index of Frames frames
// (an I-frame every 12) and its info file; not added to Recordings. Its directory.
std::string MakeRecording(const char *Name, time_t Start, int Frames);

// Gives the recording in FileName media of Frames frames, PacketsPerFrame transport
// packets each (stuffing), and an index that points into it.
void WriteMedia(const std::string &FileName, int Frames, int PacketsPerFrame);

// Writes "tracks.conf" with Count tracks aired back to back from CatalogueStart, with
// artists and titles of the lengths real ones have; gives the bytes written.
size_t WriteCatalogue(const std::string &Path, int Count);
// Writes a blacklist of Count entries: plain artist;title pairs, artists alone, and
// patterns; none of them matches a catalogue artist except every 97th entry.
void WriteBlacklist(const std::string &Path, int Count);
// The artist and title of the generated catalogue's track Index.
std::string CatalogueArtist(int Index);
std::string CatalogueTitle(int Index);

// The same pseudo-random numbers in every run: a mix of the bits of x.
unsigned Mix(unsigned x);

// This process's resident memory now and its peak, in bytes (/proc/self/status).
size_t ResidentBytes(void);
size_t PeakResidentBytes(void);

#endif

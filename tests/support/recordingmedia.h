// What tests read of a recording's media: its index (the recorder's and the one our
// indexer finds in its files), where frames begin, the streams ffprobe sees, the samples
// of a sound track and the tones in them.
#ifndef __VIMORA_RECORDINGMEDIA_H
#define __VIMORA_RECORDINGMEDIA_H

#include <stdint.h>
#include <string>
#include <sys/types.h>
#include <ostream>
#include <vector>

#include "broadcastformat.h"

class cChannel;

// Gives the channel's entry the format's video and sound PIDs; false when it does not parse.
bool SetChannelFormat(cChannel *Channel, const tBroadcastFormat &Format);

struct tIndexEntry {
  uint16_t file;
  off_t offset;
  bool independent;
  bool operator==(const tIndexEntry &e) const { return file == e.file && offset == e.offset && independent == e.independent; }
};

// For test messages: "file:offset" with "I" for an independent frame.
void PrintTo(const tIndexEntry &Entry, std::ostream *Out);

// The recording's index file, entry by entry.
std::vector<tIndexEntry> RecordingIndex(const std::string &Dir);
// What our indexer finds in the recording's media files, each read on its own.
std::vector<tIndexEntry> FoundIndex(const std::string &Dir);
// The media files 00001.ts, 00002.ts ... as far as they go on without a gap.
std::vector<std::string> MediaFiles(const std::string &Dir);
// The media files as one input for ffmpeg and ffprobe ("concat:...").
std::string MediaInput(const std::string &Dir);
// Whether a frame of VideoPid begins at Offset of Media as the recorder's index has it:
// at the packet that starts its PES packet, or at a PAT packet before it.
bool FrameBeginsAt(const std::string &Media, off_t Offset, int VideoPid);
// The longest run of frames without an independent one after the first.
int LongestDependentRun(const std::vector<tIndexEntry> &Index);
// The power of a tone of Hz in the samples (Goertzel), relative to their length.
double TonePower(const int16_t *Samples, size_t Count, int Hz);
// How long each of Tones sounds in Samples (at 48 kHz), counted in tenths of a second by
// the tone that clearly sounds in each; a tenth of silence, or of two tones, counts for none.
std::vector<double> ToneSeconds(const std::vector<int16_t> &Samples, const std::vector<int> &Tones);
// The frequency of the tone in Count samples at SampleRate, counted by its zero crossings.
double ToneHz(const int16_t *Samples, size_t Count, int SampleRate);
// Sound track Track (counted from 0) of Input (an ffmpeg input such as "file:NAME") decoded
// as mono samples at SampleRate; none when it cannot be decoded.
std::vector<int16_t> TrackSamples(const std::string &Input, int Track, int SampleRate = 48000);

#endif

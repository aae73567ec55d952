// The transitions in a recording where one song ends and the next begins: silences and
// dips of its sound, and (picture_change.h) black and hard cuts of its I-frames. Only the
// stretches asked for are read (found in the media through the frame index), and of the
// pictures only the I-frames are decoded.
#ifndef __VIMORA_AUDIO_SILENCE_H
#define __VIMORA_AUDIO_SILENCE_H

#include <functional>
#include <string>
#include <vector>

#include "frame_rate.h"

class cIndexFile;

// The recorder's preferred languages of the sound, most wanted first, each given by its
// codes separated by commas ("deu,ger").
std::vector<std::string> PreferredAudioLanguages(void);

// Which sound track of a recording is heard: of the tracks, those in the first of the
// Languages that any track carries (all when none does); among them the first mono or
// stereo MP2 or AAC track, else the first AC-3 or E-AC-3 track, else the first track.
// The conversion scripts choose by the same rule.
struct tSoundTrack {
  std::string codec; // ffmpeg's name: "mp2", "aac_latm", "ac3" ...
  int channels;      // 0 when not known
  std::string language;
};
// The index of the track chosen, -1 when there is none.
int ChooseSoundTrack(const std::vector<tSoundTrack> &Tracks, const std::vector<std::string> &Languages);

// Sound below this level for at least this long is a silence.
const double SilenceLevelDb = -50;
const double SilenceMinSeconds = 0.3;
// Sound this far below the median of the seconds around it, for at least this long, is a
// dip: music channels rarely fall silent between their videos.
const double DipDb = 20;
const double DipMinSeconds = 0.1;
const double DipAroundSeconds = 2;

// What a transition was found by: the sound (a silence or a dip), black pictures, or a
// hard cut of the picture alone, the least sure of them (videos cut within themselves).
enum eTransitionKind { tkSound, tkBlack, tkCut };

// A transition, in frames of the recording, with fractions: the song before ends at
// `from`, the next begins at `to` (a silence or a dip from where it begins to where the
// sound comes back; a change of the picture from the last I-frame before it to the first
// after it).
struct tTransition {
  double from;
  double to;
  eTransitionKind kind = tkSound;
};

// Collects silences and dips from a level measured block by block, blocks in time order
// (seconds). A hole in the time line ends either: what was not heard is not known to be
// quiet.
class cSilenceDetector {
private:
  struct tBlock {
    double from, to, db;
  };
  std::vector<tTransition> silences; // in seconds until taken
  std::vector<tBlock> blocks;     // since the last Take, for the dips
  double threshold;               // of the mean square
  bool quiet;
  double quietFrom, heardUntil;
  void Close(void);
  std::vector<tTransition> Dips(void) const;

public:
  cSilenceDetector(void);
  // MeanSquare of samples scaled to -1..1.
  void Block(double From, double To, double MeanSquare);
  // The silences and dips found, in order, those that overlap joined, in seconds; ends
  // the one still running.
  std::vector<tTransition> Take(void);
};

class cTransitionFinder {
private:
  std::string recording;
  bool isPesRecording;
  cIndexFile &index;
  cFrameRate rate;
  std::function<bool(void)> keepGoing;
  // The media file of a file number of the index.
  std::string MediaFile(int FileNumber) const;
  // The I-frame at Frame or a few frames from it, -1 for none.
  int NearestIFrame(int Frame) const;

public:
  // Frames are the recording's at Rate. KeepGoing is asked before each piece of media is
  // read; false ends the search, as though the media ended there.
  cTransitionFinder(const char *FileName, bool IsPesRecording, cIndexFile &Index, const cFrameRate &Rate = cFrameRate(),
                    std::function<bool(void)> KeepGoing = nullptr);
  const cFrameRate &Rate(void) const { return rate; }
  // Appends, in order, the transitions heard and seen between the frames From and To
  // (silences and dips of the sound, black and hard cuts of the I-frames). False when
  // that stretch of the media cannot be read or holds no sound.
  bool Find(int From, int To, std::vector<tTransition> &Transitions);
};

#endif

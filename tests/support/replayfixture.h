// A recording of the music channel ready for the plug-in's replay control and tracks
// menu: its marker file, catalogue tracks placed by seconds from its start, cut marks,
// and the replay position as the player reckons it.
#ifndef __VIMORA_REPLAYFIXTURE_H
#define __VIMORA_REPLAYFIXTURE_H

#include <string>
#include <vector>
#include <vdr/dvbplayer.h>

#include "hostenv.h"
#include "hostfixtures.h"

class cTrack;

class cReplayEnv : public cHostEnv {
protected:
  double framesPerSecond = 25; // of the recording: a fixture may set it in its constructor
  std::string dir; // ten minutes, an I-frame every 12 frames, started at TestEpoch
  void SetUp(void) override;
  void TearDown(void) override;
  // Appends a track to Tracks that starts Start seconds after the recording.
  cTrack *AddTrack(const char *Artist, const char *Title, int Year, int Start, int Duration, int Status = 0, const char *ChannelID = MusicChannelID);
  // Writes marks at the recording's rate: a frame and an optional comment per mark.
  void WriteMarks(const std::vector<std::pair<int, const char *>> &Marks);
  // The positions and comments in marks.
  std::vector<std::pair<int, std::string>> ReadMarks(void);
  // Replays the recording under the plug-in's control from Frame (-1: from its start).
  void Launch(int Frame = -1);
  cDvbPlayerControl *Player(void);
  int Position(void);
  bool Playing(void);
  // Lets Ms of host time pass and gives the main loop one round.
  void Pass(int Ms);
};

#endif

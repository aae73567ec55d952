// Replay of a recording. The replay position follows the host clock at the recording's
// frame rate (faster or slower in the trick modes) over the recording's frame index; it
// starts at the resume position and the player ends when normal or fast forward play
// reaches the last frame.
#ifndef __VDR_DVBPLAYER_H
#define __VDR_DVBPLAYER_H

#include <stdint.h>
#include <vdr/player.h>

class cIndexFile;

class cDvbPlayerControl : public cControl {
private:
  enum ePlayMode { pmPlay, pmPause, pmFast, pmSlow, pmStill };
  char *fileName;
  double framesPerSecond;
  cIndexFile *index;
  bool active;
  ePlayMode playMode;
  bool forward;
  int trickSpeed;      // 1..3: factor 2, 4, 8 fast or 1/2, 1/4, 1/8 slow
  double basePosition; // frame at baseMs
  uint64_t baseMs;
  double Rate(void) const;
  double Position(void);
  void Rebase(void);
  void SetMode(ePlayMode Mode, bool Forward, int TrickSpeed = 1);
  int Total(void);
  int Clamp(int Frame);
  void SaveResume(void);

public:
  // Replays the recording in FileName from its resume position.
  cDvbPlayerControl(const char *FileName);
  virtual ~cDvbPlayerControl();
  // False once the replay has ended or was stopped, or when there is no index.
  bool Active(void);
  // Ends the replay and stores the resume position (removed when the end was reached).
  void Stop(void);
  // Toggles between pause and play.
  void Pause(void);
  void Play(void);
  // Fast forward/rewind; from pause slow motion. With the host's multi-speed mode each
  // further press is faster (three steps), otherwise a second press returns to play.
  void Forward(void);
  void Backward(void);
  void SkipSeconds(int Seconds);
  // The frame Frames away from the replay position (not moved there).
  int SkipFrames(int Frames);
  // The replay position (snapped back to its I-frame when asked) and the number of frames.
  bool GetIndex(int &Current, int &Total, bool SnapToIFrame = false);
  // Speed -1 is normal play (and pause); trick modes give 1..3 with multi-speed mode, else 0.
  bool GetReplayMode(bool &Play, bool &Forward, int &Speed);
  void Goto(int Index, bool Still = false);
  const char *FileName(void) const { return fileName; }
};

#endif

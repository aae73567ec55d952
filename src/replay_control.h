// The plug-in's replay control: the host's player with cut-mark editing in 1- and
// 50-frame steps, removal of a track's pair of marks, a time search and an info page,
// and a progress display titled with the track under the replay position. At most one
// runs at a time; when it ends, the plug-in's menu opens again.
#ifndef __VIMORA_REPLAY_CONTROL_H
#define __VIMORA_REPLAY_CONTROL_H

#include <vdr/dvbplayer.h>
#include <vdr/recording.h>
#include <vdr/skins.h>

#include "frame_rate.h"

class cTrack;

class cVimoraReplayControl : public cDvbPlayerControl {
private:
  cSkinDisplayReplay *display;
  cString replayFileName; // this control's recording; the static one may move on
  cFrameRate rate;        // its frame rate, for every time shown or searched
  cMarks marks;
  bool visible;
  bool modeOnlyDisplay;
  bool progressShown;
  bool showFrames;
  int shownCurrent;
  int shownTotal;
  bool shownPlay;
  bool shownForward;
  int shownSpeed;
  time_t hideTime;
  bool jumpActive;
  bool jumpOpenedDisplay;
  int jumpDigits; // one digit per byte: tens of hours, hours, tens of minutes, minutes
  int jumpDigitCount;
  static cVimoraReplayControl *currentReplayControl;
  static char *fileName;
  static char *title;
  static bool replacing;
  void ShowTimed(int Seconds = 0);
  void MarkToggle(void);
  void MarkMove(bool Forward, int Frames);
  void MarkJump(bool Forward);
  void EditTest(void);
  void TrackCut(void);
  void TimeSearch(void);
  void TimeSearchDisplay(void);
  void TimeSearchProcess(eKeys Key);
  // The track whose cut marks enclose Current names the replay, else the recording.
  void SetTitleFromMarks(int Current);
  bool ShowProgress(bool Initial);
  void ShowMode(void);
  // The catalogue's track of Recording under Current; the caller holds the Tracks lock.
  static cTrack *GetCurrentTrack(const cRecording *Recording, int Current);

public:
  // Replays the recording last given to SetRecording.
  cVimoraReplayControl(void);
  virtual ~cVimoraReplayControl();
  virtual void Show(void);
  virtual eOSState ProcessKey(eKeys Key);
  virtual void Hide(void);
  // "Track info" of the catalogue's track under the replay position, or null.
  virtual cOsdObject *GetInfo(void);
  // Stores copies of both (null stays null) for the next control and its display.
  static void SetRecording(const char *FileName, const char *Title);
  // Ends any running control and replays Recording under a new one, from Resume when
  // that is a frame (stored only once the old replay has stored its own position).
  static void Replay(const cRecording *Recording, int Resume = -1);
  // The recording of the running control, or null.
  static const char *NowReplaying(void);
  // The recording replayed last, also after its control has ended.
  static const char *LastReplayed(void);
  // Forgets the last replayed recording when it is FileName.
  static void ClearLastReplayed(const char *FileName);
};

#endif

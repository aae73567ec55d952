#include <vdr/dvbplayer.h>

#include <algorithm>
#include <vdr/clock.h>
#include <vdr/config.h>
#include <vdr/recording.h>

#include "framerate.h"

// A replay that stops is resumed this many seconds earlier next time, so the viewer sees
// again what led up to the stop.
static const int ResumeBackupSeconds = 10;

cDvbPlayerControl::cDvbPlayerControl(const char *FileName)
{
  fileName = strdup(FileName ? FileName : "");
  framesPerSecond = UsableFramesPerSecond(cRecording(fileName).FramesPerSecond());
  index = new cIndexFile(fileName, false);
  active = index->Ok() && index->Last() >= 0;
  playMode = pmPlay;
  forward = true;
  trickSpeed = 1;
  int resume = cResumeFile(fileName).Read();
  basePosition = active && resume >= 0 ? Clamp(resume) : 0;
  baseMs = cClock::NowMs();
}

cDvbPlayerControl::~cDvbPlayerControl()
{
  Stop();
  delete index;
  free(fileName);
}

double cDvbPlayerControl::Rate(void) const
{
  double factor = 1 << trickSpeed;
  switch (playMode) {
    case pmPlay:  return 1;
    case pmFast:  return forward ? factor : -factor;
    case pmSlow:  return forward ? 1 / factor : -1 / factor;
    default:      return 0;
  }
}

int cDvbPlayerControl::Total(void)
{
  return index->Last() + 1;
}

int cDvbPlayerControl::Clamp(int Frame)
{
  int last = Total() - 1;
  return Frame < 0 ? 0 : Frame > last ? std::max(last, 0) : Frame;
}

// The position now; reaching either end changes the mode: forward play ends the
// replay at the last frame, rewinding turns into play at the first.
double cDvbPlayerControl::Position(void)
{
  if (!active)
     return basePosition;
  uint64_t now = cClock::NowMs();
  double p = basePosition + double(now - baseMs) * framesPerSecond / 1000 * Rate();
  int last = Total() - 1;
  if (p >= last && Rate() > 0) {
     basePosition = last;
     baseMs = now;
     if (playMode == pmSlow)
        SetMode(pmStill, true);
     else {
        cResumeFile(fileName).Delete(); // played to the end: next time from the start
        active = false;
     }
     return basePosition;
  }
  if (p <= 0 && Rate() < 0) {
     basePosition = 0;
     baseMs = now;
     SetMode(pmPlay, true);
     return 0;
  }
  return p;
}

void cDvbPlayerControl::Rebase(void)
{
  basePosition = Position();
  baseMs = cClock::NowMs();
}

void cDvbPlayerControl::SetMode(ePlayMode Mode, bool Forward, int TrickSpeed)
{
  playMode = Mode;
  forward = Forward;
  trickSpeed = TrickSpeed;
}

bool cDvbPlayerControl::Active(void)
{
  Position();
  return active;
}

void cDvbPlayerControl::SaveResume(void)
{
  int position = int(basePosition) - SecondsToFrames(ResumeBackupSeconds, framesPerSecond);
  position = position > 0 ? index->GetNextIFrame(position + 1, false) : 0;
  cResumeFile(fileName).Save(std::max(position, 0));
}

void cDvbPlayerControl::Stop(void)
{
  if (active) {
     Rebase();
     if (active) {
        SaveResume();
        active = false;
     }
  }
}

void cDvbPlayerControl::Pause(void)
{
  if (!active)
     return;
  Rebase();
  if (playMode == pmPause || playMode == pmStill)
     SetMode(pmPlay, true);
  else
     SetMode(pmPause, forward);
}

void cDvbPlayerControl::Play(void)
{
  if (!active)
     return;
  Rebase();
  SetMode(pmPlay, true);
}

void cDvbPlayerControl::Forward(void)
{
  if (!active)
     return;
  Rebase();
  switch (playMode) {
    case pmFast:
    case pmSlow:
      if (Setup.MultiSpeedMode && forward) {
         // Slow motion gets slower and fast motion faster; past the last step back to the first.
         SetMode(playMode, true, trickSpeed < 3 ? trickSpeed + 1 : 1);
         break;
      }
      if (forward) {
         SetMode(playMode == pmSlow ? pmPause : pmPlay, true);
         break;
      }
      SetMode(playMode, true, 1);
      break;
    case pmPause:
    case pmStill:
      SetMode(pmSlow, true, 1);
      break;
    default:
      SetMode(pmFast, true, Setup.MultiSpeedMode ? 1 : 3);
  }
}

void cDvbPlayerControl::Backward(void)
{
  if (!active)
     return;
  Rebase();
  switch (playMode) {
    case pmFast:
    case pmSlow:
      if (Setup.MultiSpeedMode && !forward) {
         SetMode(playMode, false, trickSpeed < 3 ? trickSpeed + 1 : 1);
         break;
      }
      if (!forward) {
         SetMode(playMode == pmSlow ? pmPause : pmPlay, true);
         break;
      }
      SetMode(playMode, false, 1);
      break;
    case pmPause:
    case pmStill:
      SetMode(pmSlow, false, 1);
      break;
    default:
      SetMode(pmFast, false, Setup.MultiSpeedMode ? 1 : 3);
  }
}

void cDvbPlayerControl::SkipSeconds(int Seconds)
{
  if (!active || !Seconds)
     return;
  Rebase();
  basePosition = Clamp(int(basePosition) + SecondsToFrames(Seconds, framesPerSecond));
  if (playMode == pmFast || playMode == pmSlow)
     SetMode(pmPlay, true);
}

int cDvbPlayerControl::SkipFrames(int Frames)
{
  if (!active)
     return -1;
  return Clamp(int(Position()) + Frames);
}

bool cDvbPlayerControl::GetIndex(int &Current, int &Total, bool SnapToIFrame)
{
  if (!index->Ok() || this->Total() <= 0)
     return false;
  Current = int(Position());
  Total = this->Total();
  if (SnapToIFrame) {
     int i = index->GetNextIFrame(Current + 1, false);
     if (i >= 0)
        Current = i;
  }
  return true;
}

bool cDvbPlayerControl::GetReplayMode(bool &Play, bool &Forward, int &Speed)
{
  if (!active)
     return false;
  Position();
  Play = playMode == pmPlay || playMode == pmFast;
  Forward = forward;
  if (playMode == pmFast || playMode == pmSlow)
     Speed = Setup.MultiSpeedMode ? trickSpeed : 0;
  else
     Speed = -1;
  return true;
}

void cDvbPlayerControl::Goto(int Index, bool Still)
{
  if (!active)
     return;
  Rebase();
  basePosition = Clamp(Index);
  baseMs = cClock::NowMs();
  SetMode(Still ? pmStill : pmPlay, true);
}

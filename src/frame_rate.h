// Time and frames of one recording. Every mapping between the two in the plug-in goes
// through cFrameRate, at the recording's own rate (its info's F: 25 or 50 on real
// channels), so that the marks, searches and times of a 50-frame recording lie where its
// seconds are.
#ifndef __VIMORA_FRAME_RATE_H
#define __VIMORA_FRAME_RATE_H

#include <vdr/tools.h>

class cRecording;

class cFrameRate {
private:
  double framesPerSecond;
  long long milliRate; // frames per 1000 seconds: whole numbers, exact at 25 and 50

public:
  // A rate that no time can be counted in (none, 0 or less, more than 1000) counts as
  // the recorder's default of 25: the recorder passes on whatever its info says.
  explicit cFrameRate(double FramesPerSecond = 25);
  // The recording's rate as the recorder read it.
  explicit cFrameRate(const cRecording *Recording);
  // For the recorder's own functions (marks, IndexToHMSF), which take a rate.
  double FramesPerSecond(void) const { return framesPerSecond; }
  // The frames in Seconds, to the nearest; beyond an int it stops at the int's end.
  int Frames(int Seconds) const;
  // The frame nearest to Ms milliseconds after frame 0, a half frame rounding up; false
  // when it does not fit a long long.
  bool NearestFrame(long long Ms, long long &Frame) const;
  // How long Frames last: in whole seconds (cut towards 0), in seconds.
  int WholeSeconds(int Frames) const;
  double Seconds(double Frames) const { return Frames / framesPerSecond; }
  // The time of Frame as the recorder writes it: "H:MM:SS", or "H:MM:SS.FF".
  cString Text(int Frame, bool WithFrame = false) const;
};

#endif

// The frame rate the stand-in counts a recording's time in.
#ifndef __VDR_FRAMERATE_H
#define __VDR_FRAMERATE_H

#include <vdr/recording.h>

// The recording's own rate, or the recorder's default where its info gives one that no
// time can be counted in: the recorder passes on whatever number the info holds.
inline double UsableFramesPerSecond(double FramesPerSecond)
{
  return FramesPerSecond > 0 && FramesPerSecond <= 1000 ? FramesPerSecond : DEFAULTFRAMESPERSECOND;
}

#endif

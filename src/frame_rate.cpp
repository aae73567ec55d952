#include "frame_rate.h"

#include <algorithm>
#include <limits.h>
#include <math.h>
#include <vdr/recording.h>

static const double DefaultFramesPerSecond = 25;
static const double MaxFramesPerSecond = 1000;

// Division rounding towards minus infinity, so that times before frame 0 round as those
// after it do.
static long long FloorDiv(long long Dividend, long long Divisor)
{
  long long q = Dividend / Divisor;
  return Dividend % Divisor < 0 ? q - 1 : q;
}

cFrameRate::cFrameRate(double FramesPerSecond)
{
  framesPerSecond = FramesPerSecond > 0 && FramesPerSecond <= MaxFramesPerSecond ? FramesPerSecond : DefaultFramesPerSecond;
  milliRate = std::max(1LL, llround(framesPerSecond * 1000));
}

cFrameRate::cFrameRate(const cRecording *Recording)
: cFrameRate(Recording->FramesPerSecond())
{
}

int cFrameRate::Frames(int Seconds) const
{
  long long frames = FloorDiv((long long)Seconds * milliRate + 500, 1000);
  return int(std::clamp(frames, (long long)INT_MIN, (long long)INT_MAX));
}

bool cFrameRate::NearestFrame(long long Ms, long long &Frame) const
{
  long long milliFrames;
  if (__builtin_mul_overflow(Ms, milliRate, &milliFrames) || __builtin_add_overflow(milliFrames, 500000LL, &milliFrames))
     return false;
  Frame = FloorDiv(milliFrames, 1000000);
  return true;
}

int cFrameRate::WholeSeconds(int Frames) const
{
  return int((long long)Frames * 1000 / milliRate);
}

cString cFrameRate::Text(int Frame, bool WithFrame) const
{
  return IndexToHMSF(Frame, WithFrame, framesPerSecond);
}

// The pace of a replay on a device that shows nothing: which time stamp (PTS, 90 kHz,
// 33 bits that wrap) counts as presented now, and whether data with a given time stamp
// may be taken now. A real decoder takes data while its buffer has room and presents it
// on its own clock; this one takes data up to Lead ahead of a clock that runs with the
// wall clock from the first time stamp taken, so that a player feeding it moves on at
// real-time pace. Time is passed in (milliseconds of a monotonic clock), so the pace
// follows whoever calls. Not thread-safe: the device guards it.
#ifndef __VIMORADEVICE_REPLAYCLOCK_H
#define __VIMORADEVICE_REPLAYCLOCK_H

#include <stdint.h>

class cReplayClock {
public:
  static constexpr int64_t TicksPerMs = 90;
  static constexpr int64_t Lead = 500 * TicksPerMs;    // how far data may run ahead of the clock
  static constexpr int64_t Jump = 10000 * TicksPerMs;  // a bigger step is a new start (a cut, a jump)
  static constexpr int FrameMs = 40;                   // a frame at 25 frames per second
  static constexpr int Never = 1 << 30;                // WaitMs while nothing will be taken

private:
  enum eState { stRunning, stFrozen, stTrick };
  eState state;
  int trickSpeed;     // each frame shown this many frame times in trick mode
  bool anchored;      // a time stamp has been taken since the last Reset
  int64_t anchorPts;  // running: the clock read anchorPts at anchorMs
  int64_t anchorMs;
  int64_t stillPts;   // frozen or trick: the clock stands here
  int64_t newestPts;  // the newest time stamp taken
  int64_t nextFrameMs; // trick mode: when the next frame is due
  bool refused;       // the last time stamp offered was refused
  int64_t refusedPts;
  int64_t Running(int64_t NowMs) const;
  void Anchor(int64_t Pts, int64_t NowMs);

public:
  cReplayClock(void);
  // Members, not free functions: the recorder exports a PtsDiff of its own (B - A),
  // which the dynamic linker would pick instead.
  // The PTS of the PES packet that starts at Data, or -1 when it starts none or has none.
  static int64_t PesPts(const unsigned char *Data, int Length);
  // The PTS of the PES packet that starts in the TS packet at Data, or -1.
  static int64_t TsPts(const unsigned char *Data, int Length);
  // A - B in PTS ticks, across the wrap of the 33-bit counter.
  static int64_t PtsDiff(int64_t A, int64_t B);
  // Forgets every time stamp taken (the device was cleared); keeps a pause or trick mode.
  void Reset(void);
  // Back to normal play with nothing taken (a new play mode).
  void Restart(void);
  // Whether data with time stamp Pts may be taken now (Video: it starts a video frame,
  // the only data that trick mode paces); when it may, it counts as taken.
  bool Take(int64_t Pts, bool Video, int64_t NowMs);
  // The time stamp presented now: the running clock, but never past the newest one
  // taken; -1 before anything was taken.
  int64_t Stc(int64_t NowMs) const;
  // Milliseconds until the data refused last would be taken; 0 when nothing waits,
  // Never while frozen.
  int WaitMs(int64_t NowMs) const;
  // Whether everything taken has been presented (never while frozen with data ahead).
  bool Drained(int64_t NowMs) const;
  // Stops the clock where it is.
  void Freeze(int64_t NowMs);
  // Runs the clock on from where it stands, at normal speed.
  void Play(int64_t NowMs);
  // Trick mode: one video frame every Speed frame times, the clock standing on it.
  void TrickSpeed(int Speed, int64_t NowMs);
  // A still picture with time stamp Pts (or -1) is shown; the clock stands on it.
  void Still(int64_t Pts);
};

#endif

#include "replayclock.h"

static const int64_t PtsModulo = int64_t(1) << 33;
static const int TsPacketSize = 188;

int64_t cReplayClock::PesPts(const unsigned char *Data, int Length)
{
  // MPEG-2 PES header with a PTS: 00 00 01 id, length, flags, PTS flag, header length, PTS
  if (Length < 14 || Data[0] != 0 || Data[1] != 0 || Data[2] != 1)
     return -1;
  if ((Data[6] & 0xC0) != 0x80 || !(Data[7] & 0x80) || Data[8] < 5)
     return -1;
  const unsigned char *p = Data + 9;
  return (int64_t(p[0] & 0x0E) << 29) | (int64_t(p[1]) << 22) | (int64_t(p[2] & 0xFE) << 14) | (int64_t(p[3]) << 7) | (p[4] >> 1);
}

int64_t cReplayClock::TsPts(const unsigned char *Data, int Length)
{
  if (Length < TsPacketSize || Data[0] != 0x47 || !(Data[1] & 0x40) || !(Data[3] & 0x10))
     return -1;
  int payload = 4;
  if (Data[3] & 0x20)
     payload += 1 + Data[4];
  if (payload >= TsPacketSize)
     return -1;
  return PesPts(Data + payload, TsPacketSize - payload);
}

int64_t cReplayClock::PtsDiff(int64_t A, int64_t B)
{
  int64_t d = (A - B) % PtsModulo;
  if (d < 0)
     d += PtsModulo;
  return d >= PtsModulo / 2 ? d - PtsModulo : d;
}

static int64_t PtsAdd(int64_t Pts, int64_t Ticks)
{
  return ((Pts + Ticks) % PtsModulo + PtsModulo) % PtsModulo;
}

cReplayClock::cReplayClock(void)
{
  Restart();
}

void cReplayClock::Reset(void)
{
  anchored = false;
  refused = false;
  anchorPts = anchorMs = newestPts = refusedPts = 0;
  stillPts = -1;
  nextFrameMs = 0;
}

void cReplayClock::Restart(void)
{
  state = stRunning;
  trickSpeed = 0;
  Reset();
}

void cReplayClock::Anchor(int64_t Pts, int64_t NowMs)
{
  anchored = true;
  anchorPts = newestPts = stillPts = Pts;
  anchorMs = NowMs;
}

int64_t cReplayClock::Running(int64_t NowMs) const
{
  return PtsAdd(anchorPts, (NowMs - anchorMs) * TicksPerMs);
}

bool cReplayClock::Take(int64_t Pts, bool Video, int64_t NowMs)
{
  if (Pts < 0)
     return true; // the rest of a packet whose start was taken
  refused = false;
  if (!anchored) {
     Anchor(Pts, NowMs);
     nextFrameMs = NowMs + trickSpeed * FrameMs;
     return true;
     }
  if (state == stTrick) {
     if (!Video)
        return true;
     if (NowMs < nextFrameMs) {
        refused = true;
        refusedPts = Pts;
        return false;
        }
     // fast modes step between I-frames, backwards too: the clock follows each frame
     stillPts = newestPts = Pts;
     nextFrameMs = NowMs + trickSpeed * FrameMs;
     return true;
     }
  int64_t clock = state == stFrozen ? stillPts : Running(NowMs);
  int64_t ahead = PtsDiff(Pts, clock);
  if (ahead > Jump || ahead < -Jump) {
     // a new stretch of the stream: present it from now on
     Anchor(Pts, NowMs);
     return true;
     }
  if (ahead > Lead) {
     refused = true;
     refusedPts = Pts;
     return false;
     }
  if (PtsDiff(Pts, newestPts) > 0)
     newestPts = Pts;
  return true;
}

int64_t cReplayClock::Stc(int64_t NowMs) const
{
  if (!anchored)
     return state == stRunning ? -1 : stillPts;
  if (state != stRunning)
     return stillPts;
  int64_t clock = Running(NowMs);
  return PtsDiff(clock, newestPts) > 0 ? newestPts : clock;
}

int cReplayClock::WaitMs(int64_t NowMs) const
{
  if (!refused || !anchored)
     return 0;
  int64_t ms;
  switch (state) {
    case stFrozen:
      return Never;
    case stTrick:
      ms = nextFrameMs - NowMs;
      break;
    default:
      ms = (PtsDiff(refusedPts, Running(NowMs)) - Lead + TicksPerMs - 1) / TicksPerMs;
  }
  return ms <= 0 ? 0 : ms > Never ? Never : int(ms);
}

bool cReplayClock::Drained(int64_t NowMs) const
{
  return !anchored || PtsDiff(Stc(NowMs), newestPts) >= 0;
}

void cReplayClock::Freeze(int64_t NowMs)
{
  if (state == stRunning && anchored)
     stillPts = Stc(NowMs);
  state = stFrozen;
}

void cReplayClock::Play(int64_t NowMs)
{
  if (state != stRunning && anchored) {
     anchorPts = stillPts;
     anchorMs = NowMs;
     if (state == stTrick)
        newestPts = stillPts;
     }
  state = stRunning;
  trickSpeed = 0;
  refused = false;
}

void cReplayClock::TrickSpeed(int Speed, int64_t NowMs)
{
  if (state == stRunning && anchored)
     stillPts = Stc(NowMs);
  state = stTrick;
  trickSpeed = Speed > 0 ? Speed : 1;
  nextFrameMs = NowMs;
  refused = false;
}

void cReplayClock::Still(int64_t Pts)
{
  state = stFrozen;
  refused = false;
  if (Pts >= 0) {
     anchored = true;
     stillPts = newestPts = anchorPts = Pts;
     }
}

#include "replaydevice.h"

#include <time.h>

#include "memoryosd.h"

// Waits are cut into steps this long, so a change of the clock is seen soon even when
// nobody signals it.
static const int WaitStepMs = 10;

static int64_t NowMs(void)
{
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool cReplayDevice::HasDecoder(void) const
{
  return true;
}

bool cReplayDevice::CanReplay(void) const
{
  return true;
}

void cReplayDevice::MakePrimaryDevice(bool On)
{
  cDevice::MakePrimaryDevice(On);
  if (On)
     new cMemoryOsdProvider; // the recorder owns the provider from here on
}

bool cReplayDevice::Take(int64_t Pts, bool Video)
{
  cMutexLock lock(&mutex);
  return clock.Take(Pts, Video, NowMs());
}

void cReplayDevice::Moved(void)
{
  moved.Signal();
}

bool cReplayDevice::SetPlayMode(ePlayMode PlayMode)
{
  (void)PlayMode;
  cMutexLock lock(&mutex);
  clock.Restart();
  Moved();
  return true;
}

int cReplayDevice::PlayVideo(const uchar *Data, int Length)
{
  return Take(cReplayClock::PesPts(Data, Length), true) ? Length : 0;
}

int cReplayDevice::PlayAudio(const uchar *Data, int Length, uchar Id)
{
  (void)Id;
  return Take(cReplayClock::PesPts(Data, Length), false) ? Length : 0;
}

int cReplayDevice::PlayTsVideo(const uchar *Data, int Length)
{
  return Take(cReplayClock::TsPts(Data, Length), true) ? Length : 0;
}

int cReplayDevice::PlayTsAudio(const uchar *Data, int Length)
{
  return Take(cReplayClock::TsPts(Data, Length), false) ? Length : 0;
}

int64_t cReplayDevice::GetSTC(void)
{
  cMutexLock lock(&mutex);
  return clock.Stc(NowMs());
}

void cReplayDevice::TrickSpeed(int Speed, bool Forward)
{
  (void)Forward;
  cMutexLock lock(&mutex);
  clock.TrickSpeed(Speed, NowMs());
  Moved();
}

void cReplayDevice::Clear(void)
{
  cDevice::Clear();
  cMutexLock lock(&mutex);
  clock.Reset();
  Moved();
}

void cReplayDevice::Play(void)
{
  cDevice::Play();
  cMutexLock lock(&mutex);
  clock.Play(NowMs());
  Moved();
}

void cReplayDevice::Freeze(void)
{
  cDevice::Freeze();
  cMutexLock lock(&mutex);
  clock.Freeze(NowMs());
}

void cReplayDevice::StillPicture(const uchar *Data, int Length)
{
  int64_t pts = -1;
  if (Length > 0 && Data[0] == 0x47) {
     for (int i = 0; pts < 0 && i + 188 <= Length; i += 188)
         pts = cReplayClock::TsPts(Data + i, Length - i);
     }
  else
     pts = cReplayClock::PesPts(Data, Length);
  cMutexLock lock(&mutex);
  clock.Still(pts);
  Moved();
}

bool cReplayDevice::Accepting(void)
{
  cMutexLock lock(&mutex);
  return clock.WaitMs(NowMs()) == 0;
}

bool cReplayDevice::Drained(void)
{
  cMutexLock lock(&mutex);
  return clock.Drained(NowMs());
}

bool cReplayDevice::WaitFor(bool (cReplayDevice::*Ready)(void), int TimeoutMs)
{
  int64_t deadline = NowMs() + TimeoutMs;
  for (;;) {
      if ((this->*Ready)())
         return true;
      int64_t left = deadline - NowMs();
      if (left <= 0)
         return false;
      moved.Wait(left < WaitStepMs ? int(left) : WaitStepMs);
      }
}

bool cReplayDevice::Poll(cPoller &Poller, int TimeoutMs)
{
  (void)Poller;
  return WaitFor(&cReplayDevice::Accepting, TimeoutMs);
}

bool cReplayDevice::Flush(int TimeoutMs)
{
  return WaitFor(&cReplayDevice::Drained, TimeoutMs);
}

// The pace of the device plug-in's replay: time stamps read from TS and PES packets,
// data taken only up to half a second ahead of a clock that runs with the wall clock,
// a pause that stops it, trick modes that step frame by frame, and the 33-bit wrap.
#include <gtest/gtest.h>
#include <vector>

#include "replayclock.h"

typedef cReplayClock C;
static const int64_t Second = 90000;
static const int64_t Wrap = int64_t(1) << 33;

// A PES header with time stamp Pts (none when negative).
static std::vector<unsigned char> Pes(int64_t Pts)
{
  std::vector<unsigned char> p = { 0, 0, 1, 0xE0, 0, 0, 0x80, 0, 0 };
  if (Pts >= 0) {
     p[7] = 0x80;
     p[8] = 5;
     p.push_back(0x21 | ((Pts >> 29) & 0x0E));
     p.push_back(Pts >> 22);
     p.push_back(0x01 | ((Pts >> 14) & 0xFE));
     p.push_back(Pts >> 7);
     p.push_back(0x01 | ((Pts << 1) & 0xFE));
     }
  p.resize(32, 0xFF);
  return p;
}

// A TS packet starting a PES packet with time stamp Pts, behind an adaptation field of
// Stuffing bytes when Stuffing >= 0; a continuation packet when Start is false.
static std::vector<unsigned char> Ts(int64_t Pts, int Stuffing = -1, bool Start = true)
{
  std::vector<unsigned char> t = { 0x47, uint8_t(Start ? 0x41 : 0x01), 0x00, uint8_t(Stuffing >= 0 ? 0x30 : 0x10) };
  if (Stuffing >= 0) {
     t.push_back(Stuffing);
     t.insert(t.end(), Stuffing, 0xFF);
     }
  std::vector<unsigned char> pes = Pes(Pts);
  t.insert(t.end(), pes.begin(), pes.end());
  t.resize(188, 0xFF);
  return t;
}

TEST(DeviceClock, TimeStampsAreReadFromTsAndPesPackets)
{
  for (int64_t pts : { int64_t(0), int64_t(123456789), Wrap - 1 }) {
      EXPECT_EQ(C::PesPts(Pes(pts).data(), 32), pts);
      EXPECT_EQ(C::TsPts(Ts(pts).data(), 188), pts);
      EXPECT_EQ(C::TsPts(Ts(pts, 20).data(), 188), pts);
      }
  EXPECT_EQ(C::PesPts(Pes(-1).data(), 32), -1);
  EXPECT_EQ(C::PesPts(Pes(1000).data(), 13), -1);
  EXPECT_EQ(C::TsPts(Ts(1000, -1, false).data(), 188), -1);
  EXPECT_EQ(C::TsPts(Ts(1000).data(), 187), -1);
  // an adaptation field filling the packet leaves no room for a header
  EXPECT_EQ(C::TsPts(Ts(1000, 183).data(), 188), -1);
  EXPECT_EQ(C::PtsDiff(5, Wrap - 5), 10);
  EXPECT_EQ(C::PtsDiff(Wrap - 5, 5), -10);
}

TEST(DeviceClock, DataIsTakenHalfASecondAheadOfAClockThatRunsWithTheWallClock)
{
  C c;
  EXPECT_EQ(c.Stc(0), -1);
  const int64_t p = 10 * Second;
  ASSERT_TRUE(c.Take(p, true, 1000));
  EXPECT_TRUE(c.Take(p + C::Lead, true, 1000));
  EXPECT_TRUE(c.Take(-1, true, 1000)) << "the rest of a packet";
  EXPECT_FALSE(c.Take(p + Second, true, 1000));
  EXPECT_EQ(c.WaitMs(1000), 500);
  EXPECT_EQ(c.WaitMs(1400), 100);
  EXPECT_FALSE(c.Drained(1200));
  EXPECT_EQ(c.Stc(1200), p + 200 * C::TicksPerMs);
  ASSERT_TRUE(c.Take(p + Second, false, 1500));
  EXPECT_EQ(c.WaitMs(1500), 0);
  // starved: the clock shows no more than it was given
  EXPECT_EQ(c.Stc(5000), p + Second);
  EXPECT_TRUE(c.Drained(5000));
  // older data (audio a little behind the picture) is taken at once
  EXPECT_TRUE(c.Take(p + Second - 9000, false, 5000));
}

TEST(DeviceClock, APauseStopsTheClockUntilPlayRunsItOnFromThere)
{
  C c;
  const int64_t p = 3 * Second;
  ASSERT_TRUE(c.Take(p, true, 0));
  ASSERT_TRUE(c.Take(p + Second / 4, true, 0));
  c.Freeze(100);
  EXPECT_EQ(c.Stc(100), p + 100 * C::TicksPerMs);
  EXPECT_EQ(c.Stc(60000), p + 100 * C::TicksPerMs);
  EXPECT_FALSE(c.Take(p + Second, true, 60000));
  EXPECT_EQ(c.WaitMs(60000), C::Never);
  EXPECT_FALSE(c.Drained(60000));
  // a jump while paused clears the device; the picture shown next holds the clock
  c.Reset();
  EXPECT_TRUE(c.Take(p + 20 * Second, true, 60000));
  EXPECT_EQ(c.Stc(70000), p + 20 * Second);
  c.Play(70000);
  EXPECT_TRUE(c.Take(p + 20 * Second + Second / 2, true, 70000));
  EXPECT_EQ(c.Stc(70100), p + 20 * Second + 100 * C::TicksPerMs);
  c.Still(42 * Second);
  EXPECT_EQ(c.Stc(80000), 42 * Second);
  c.Restart();
  EXPECT_EQ(c.Stc(80000), -1);
}

TEST(DeviceClock, TheClockRunsOnAcrossTheWrapAndStartsAfreshAtAJump)
{
  C c;
  const int64_t p = Wrap - Second / 10;
  ASSERT_TRUE(c.Take(p, true, 0));
  EXPECT_TRUE(c.Take(Second / 10, true, 0));
  EXPECT_FALSE(c.Take(Second, true, 0));
  EXPECT_EQ(c.Stc(150), 50 * C::TicksPerMs);
  EXPECT_EQ(c.WaitMs(150), 450);
  // a stretch of the stream 20 s away, as after a cut: presented from now on
  EXPECT_TRUE(c.Take(20 * Second, true, 200));
  EXPECT_EQ(c.Stc(200), 20 * Second);
  EXPECT_FALSE(c.Take(22 * Second, true, 200));
}

TEST(DeviceClock, TrickModesShowOneFrameEverySpeedFrameTimes)
{
  C c;
  ASSERT_TRUE(c.Take(Second, true, 0));
  c.TrickSpeed(3, 0);
  ASSERT_TRUE(c.Take(5 * Second, true, 0));
  EXPECT_FALSE(c.Take(6 * Second, true, 10));
  EXPECT_EQ(c.WaitMs(10), 3 * C::FrameMs - 10);
  EXPECT_TRUE(c.Take(7 * Second, false, 10)) << "audio is not paced";
  EXPECT_EQ(c.Stc(100), 5 * Second);
  // fast rewind: the frames come backwards, and the clock follows them
  EXPECT_TRUE(c.Take(2 * Second, true, 3 * C::FrameMs));
  EXPECT_EQ(c.Stc(1000), 2 * Second);
  EXPECT_TRUE(c.Drained(1000));
  c.Play(1000);
  EXPECT_EQ(c.Stc(1100), 2 * Second) << "nothing newer was taken";
  EXPECT_TRUE(c.Take(2 * Second + Second / 4, true, 1100));
  EXPECT_EQ(c.Stc(1200), 2 * Second + 200 * C::TicksPerMs);
}

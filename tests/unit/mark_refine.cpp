// Which sound track is heard, what counts as a silence, a dip, black or a hard cut, which
// transition each mark takes, and where the mark then lands on an index with an I-frame
// every 12 frames.
#include <math.h>
#include <vdr/recording.h>

#include "audio_silence.h"
#include "hostfixtures.h"
#include "mark_refine.h"
#include "picture_change.h"
#include "pluginlog.h"
#include "testenv.h"

namespace {

double Level(double Db)
{
  return pow(10, Db / 10);
}

// Seconds of 5 ms blocks at a level from From on; gives where they end.
double Feed(cSilenceDetector &Detector, double From, double Seconds, double Db)
{
  int blocks = int(lround(Seconds * 200));
  for (int i = 0; i < blocks; i++)
      Detector.Block(From + i * 0.005, From + (i + 1) * 0.005, Level(Db));
  return From + blocks * 0.005;
}

} // namespace

// Silences below -50 dB of 0.3 s, and dips 20 dB below the seconds around of 0.1 s; both
// end at a hole in the time line, and what overlaps is one transition.
TEST(cSilenceDetector, SilencesAndDipsBelowTheSoundAround)
{
  cSilenceDetector d;
  double t = Feed(d, 0, 2, -20);
  t = Feed(d, t, 0.3, -51);     // a silence, and a dip as well
  t = Feed(d, t, 2, -20);
  double dip = t;
  t = Feed(d, t, 0.2, -40);     // a dip of 20 dB
  t = Feed(d, t, 2, -20);
  t = Feed(d, t, 0.095, -60);   // too short for either
  t = Feed(d, t, 2, -20);
  t = Feed(d, t, 0.3, -39);     // not deep enough
  t = Feed(d, t, 2, -20);
  t = Feed(d, t, 3, -49);       // too long to be below the seconds around, not quiet enough
  t = Feed(d, t, 2, -20);
  double hole = Feed(d, t, 0.2, -70);
  t = Feed(d, hole + 0.15, 0.2, -70); // nothing was heard in between: two pieces
  t = Feed(d, t, 0.5, -90);     // runs to the end of the sound
  std::vector<tTransition> s = d.Take();
  ASSERT_EQ(s.size(), 4u) << ::testing::PrintToString(std::vector<double>{ s[0].from, s[0].to, s[1].from, s[1].to, s[2].from, s[2].to });
  EXPECT_NEAR(s[0].from, 2, 1e-9);
  EXPECT_NEAR(s[0].to, 2.3, 1e-9);
  EXPECT_NEAR(s[1].from, dip, 1e-9);
  EXPECT_NEAR(s[1].to, dip + 0.2, 1e-9);
  EXPECT_NEAR(s[2].from, hole - 0.2, 1e-9);
  EXPECT_NEAR(s[2].to, hole, 1e-9);
  EXPECT_NEAR(s[3].from, hole + 0.15, 1e-9);
  EXPECT_NEAR(s[3].to, t, 1e-9);
  EXPECT_TRUE(d.Take().empty());
}

TEST(cSoundTrack, FirstPreferredLanguageThenMp2OrAacThenAc3ThenTheFirst)
{
  const std::vector<tSoundTrack> tracks = {
    { "ac3", 6, "deu" }, { "mp2", 2, "deu" }, { "aac_latm", 6, "eng" }, { "eac3", 2, "eng" }, { "mp2", 1, "fra" }, { "dts", 2, "spa" },
  };
  struct {
    std::vector<std::string> languages;
    int chosen;
  } cases[] = {
    { {}, 1 },                      // all: the stereo MP2
    { { "eng" }, 3 },                // 5.1 AAC is not mono or stereo: E-AC-3
    { { "FRA,fre", "deu,ger" }, 4 }, // the first language carried, in any case
    { { "ita", "deu,ger" }, 1 },
    { { "spa" }, 5 },                // neither kind: the language's first track
    { { "xxx" }, 1 },                // none carried: all
  };
  for (const auto &c : cases)
      EXPECT_EQ(ChooseSoundTrack(tracks, c.languages), c.chosen) << ::testing::PrintToString(c.languages);
  EXPECT_EQ(ChooseSoundTrack({ { "ac3", 2, "deu,eng" }, { "mp2", 2, "fra" } }, { "eng" }), 0); // a track of two languages
  EXPECT_EQ(ChooseSoundTrack({}, { "deu" }), -1);
}

class cMoveMarks : public cTestEnv {
protected:
  std::string recording;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    recording = MakeTestRecording("Moved", TestEpoch, 3000);
  }
  std::vector<tMarkPair> Move(std::vector<tMarkPair> Pairs, const std::vector<tTransition> &Silences, int WindowSeconds = 20)
  {
    cIndexFile index(recording.c_str(), false);
    MoveMarks(Pairs, index, Silences, WindowSeconds);
    return Pairs;
  }
};

static bool operator==(const tMarkPair &a, const tMarkPair &b)
{
  return a.start == b.start && a.end == b.end && a.name == b.name;
}

static std::ostream &operator<<(std::ostream &os, const tMarkPair &p)
{
  return os << p.name << " " << p.start << "-" << p.end;
}

TEST_F(cMoveMarks, StartAfterItsSilenceEndBeforeIts)
{
  // a start mark inside its silence still goes to its end; an end mark on an I-frame
  // where the silence begins stays there
  EXPECT_EQ(Move({ { 1200, 2400, "A" } }, { { 1190.5, 1210.2 }, { 2400, 2410 } }), (std::vector<tMarkPair>{ { 1212, 2400, "A" } }));
  EXPECT_EQ(Move({ { 1200, 2400, "A" } }, { { 1100.5, 1110.2 }, { 2389.9, 2405 } }), (std::vector<tMarkPair>{ { 1116, 2388, "A" } }));
  // the end of the recording: no I-frame after the silence
  EXPECT_EQ(Move({ { 2940, 2988, "Z" } }, { { 2995, 2999 } }), (std::vector<tMarkPair>{ { 2940, 2988, "Z" } }));
}

TEST_F(cMoveMarks, AStartNeverPassesItsEndAndAMarkOutOfReachStays)
{
  // B's nearest silence lies after its own end; its end still moves
  EXPECT_EQ(Move({ { 1200, 1260, "B" } }, { { 1300, 1320 } }), (std::vector<tMarkPair>{ { 1200, 1296, "B" } }));
  EXPECT_EQ(Move({ { 1200, 2400, "C" } }, { { 1600, 1610 } }, 2), (std::vector<tMarkPair>{ { 1200, 2400, "C" } }));
}

// Pairs that overlap in the guide are separated at the silence both reach.
TEST_F(cMoveMarks, OverlappingPairsMeetAtTheirSilence)
{
  EXPECT_EQ(Move({ { 1500, 2400, "E" }, { 1200, 1700, "D" } }, { { 1600, 1610 } }, 4),
            (std::vector<tMarkPair>{ { 1620, 2400, "E" }, { 1200, 1596, "D" } }));
}

// At 50 frames a second a window of 2 s reaches 100 frames, and the log counts seconds.
TEST_F(cMoveMarks, AtFiftyFramesTheWindowAndTheLogAreInSeconds)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 2));
  std::string fifty = MakeTestRecording("Fifty", TestEpoch + 3600, 6000, 12, MusicChannelID, 50);
  cIndexFile index(fifty.c_str(), false);
  cFrameRate rate(50);
  std::vector<tMarkPair> pairs = { { 1200, 2400, "A" } };
  // a second more to reach, and the seconds a dip is measured against
  EXPECT_EQ(MarkStretches(pairs, 2, rate), (std::vector<std::pair<int, int>>{ { 950, 1450 }, { 2150, 2650 } }));
  // 80 frames before the start mark, 1.6 s
  MoveMarks(pairs, index, { { 1100, 1120 } }, 2, rate);
  EXPECT_EQ(pairs, (std::vector<tMarkPair>{ { 1128, 2400, "A" } }));
  EXPECT_EQ(log.Messages("start mark"), (std::vector<std::string>{ "start mark of A moved by -1.44 s, from 0:00:24.00 to 0:00:22.28" }));
  EXPECT_EQ(log.Messages("end mark"), (std::vector<std::string>{ "end mark of A stays at 0:00:48.00: no transition within 2 s" }));
}

// Pictures as grids of one colour each, every 0.5 s.
static tPictureGrid Plain(float Y, float U = 128, float V = 128)
{
  tPictureGrid g;
  for (int c = 0; c < PictureGridColumns * PictureGridRows; c++)
      g.insert(g.end(), { Y, U, V });
  return g;
}

// Black between two songs, and a hard cut, go from the last picture of the one to the
// first of the next; a video that keeps cutting has no hard cut in it (nor where it
// begins: its own cuts are as large), and black at the end of what was seen is not
// known to end a song.
TEST(cPictureChanges, BlackAndHardCutsAgainstThePicturesAround)
{
  cPictureChanges p;
  double t = 0;
  for (int i = 0; i < 6; i++, t += 0.5)
      p.Picture(t, Plain(80, 170, 110));
  p.Picture(t, Plain(16)); t += 0.5;          // 3.0: black
  for (int i = 0; i < 6; i++, t += 0.5)
      p.Picture(t, Plain(120, 100, 150));      // from 3.5
  for (int i = 0; i < 6; i++, t += 0.5)
      p.Picture(t, Plain(60, 128, 200));       // from 6.5: a hard cut at the same brightness
  for (int i = 0; i < 10; i++, t += 0.5)
      p.Picture(t, Plain(i % 2 ? 60 : 110));   // from 9.5: a video cutting every picture
  p.Picture(t, Plain(20));                     // 14.5: black to the end
  std::vector<tTransition> c = p.Take();
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].kind, tkBlack);
  EXPECT_DOUBLE_EQ(c[0].from, 2.5);
  EXPECT_DOUBLE_EQ(c[0].to, 3.5);
  EXPECT_EQ(c[1].kind, tkCut);
  EXPECT_DOUBLE_EQ(c[1].from, 6);
  EXPECT_DOUBLE_EQ(c[1].to, 6.5);
  EXPECT_TRUE(p.Take().empty());
}

// All marks together: a song's end before a short announcement takes the song's own
// transition, not the announcement's end nearer to the guide; without the announcement in
// the guide one transition serves the two marks on either side of the guide's hole; a
// hard cut alone loses to a dip a little farther away.
TEST_F(cMoveMarks, TheGuidesItemsKeepTheirTransitions)
{
  // the song really ends at 1500, the announcement after it at 2000; the guide has the
  // song end at 1825 and the announcement at 1825..1950
  std::vector<tMarkPair> pairs = { { 600, 1824, "A" } };
  std::vector<tTransition> s = { { 590, 600 }, { 1500, 1510 }, { 2000, 2010 } };
  cIndexFile index(recording.c_str(), false);
  MoveMarks(pairs, index, s, 20, cFrameRate(), { { 1825, 1950 } });
  EXPECT_EQ(pairs, (std::vector<tMarkPair>{ { 600, 1500, "A" } }));
  pairs = { { 600, 1824, "A" } };
  MoveMarks(pairs, index, s, 20);
  EXPECT_EQ(pairs, (std::vector<tMarkPair>{ { 600, 1992, "A" } }));
  // a hole in the guide between A and B, one transition in it
  EXPECT_EQ(Move({ { 600, 1200, "A" }, { 1296, 2400, "B" } }, { { 1250, 1260 } }),
            (std::vector<tMarkPair>{ { 600, 1248, "A" }, { 1260, 2400, "B" } }));
  EXPECT_EQ(Move({ { 600, 1200, "A" } }, { { 1150, 1151, tkCut }, { 1260, 1265 } }), (std::vector<tMarkPair>{ { 600, 1260, "A" } }));
  // the same hole after an announcement: its gap starts the song, which the guide has late
  pairs = { { 1375, 2400, "B" } };
  MoveMarks(pairs, index, { { 1250, 1275 }, { 2400, 2410 } }, 20, cFrameRate(), { { 1000, 1200 } });
  EXPECT_EQ(pairs, (std::vector<tMarkPair>{ { 1284, 2400, "B" } }));
}

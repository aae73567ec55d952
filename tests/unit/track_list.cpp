// The track list: loading and saving "tracks.conf", the queries about guide events
// and marking a recording's tracks converted.
#include <climits>
#include <math.h>
#include <sys/stat.h>

#include "blacklist.h"
#include "grabberthread.h"
#include "hostfixtures.h"
#include "testenv.h"
#include "tracks.h"
#include "vimora_config.h"

class cTrackList : public cTestEnv {
protected:
  std::string path;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    path = root + "/tracks.conf";
  }
  void TearDown(void) override
  {
    Tracks.Clear();
    Blacklist.cListBase::Clear();
    cGrabberThread::channelsSupported.clear();
    cTestEnv::TearDown();
  }
  // The music channel as the recording monitor installs it.
  void SupportMusicChannel(void)
  {
    cGrabberThread::channelsSupported.insert(cChannelSupported(MusicChannelID, 1, 0));
  }
  cTrack *Append(const char *Artist, const char *Title, int Year, time_t Start, int Duration, int Status, const char *Channel = MusicChannelID)
  {
    cTrack *t = new cTrack;
    t->artist = Artist;
    t->title = Title;
    t->year = Year;
    t->startTime = Start;
    t->duration = Duration;
    t->status = Status;
    t->channelId = Channel;
    cTracksLock lock(Tracks);
    Tracks.Add(t);
    return t;
  }
  std::vector<std::string> Texts(void)
  {
    std::vector<std::string> texts;
    cTracksLock lock(Tracks);
    for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
        texts.push_back(t->ToText());
    return texts;
  }
};

TEST_F(cTrackList, LoadKeepsGoodLinesAndReportsBadOnes)
{
  WriteFile(path, "# catalogue\n"
                  "A:B:1999:1000:200:0:S19.2E-1-1092-10100\n"
                  "\n"
                  "too:few:1999\n"
                  "   \n"
                  "Bj\xF6rk:J\xF3ga:1997:2000:300:1\n"
                  "No #1:Hit:2000:3000:200:0\n"
                  "C:D:2001:4000:180:2:T-1-2-3:extra\n" +
                  std::string(3000, 'L') + ":Long:2002:5000:100:0\n");
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  EXPECT_EQ(Texts(), (std::vector<std::string>{
    "A:B:1999:1000:200:0:S19.2E-1-1092-10100",
    "Bj\xF6rk:J\xF3ga:1997:2000:300:1:S19.2E-1-1092-10100",
    "C:D:2001:4000:180:2:T-1-2-3",
    std::string(2559, 'L') + ":Long:2002:5000:100:0:S19.2E-1-1092-10100",
  }));
  EXPECT_TRUE(HostLogHas("E ERROR: error in " + path + ", line 4"));
  EXPECT_TRUE(HostLogHas("E ERROR: error in " + path + ", line 7")); // cut at '#'
  EXPECT_FALSE(HostLogHas("line 3"));
  EXPECT_TRUE(HostLogHas("E Vimora: entry 'LLLL"));
}

TEST_F(cTrackList, MissingFileGivesAnEmptyList)
{
  EXPECT_TRUE(Tracks.Load(path.c_str(), true));
  EXPECT_EQ(Tracks.Count(), 0);
}

TEST_F(cTrackList, SaveRoundTripAndFailedSaveKeepsTheOldFile)
{
  WriteFile(path, "A:B:1999:1000:200:0\n");
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  cTrack *t = new cTrack;
  t->artist = "AC:DC";
  t->title = "T";
  t->year = 1980;
  t->channelId = "S19.2E-1-1092-10100";
  {
    cTracksLock lock(Tracks);
    Tracks.Add(t);
  }
  ASSERT_TRUE(Tracks.Save());
  std::string saved = "A:B:1999:1000:200:0:S19.2E-1-1092-10100\nAC|DC:T:1980:0:0:0:S19.2E-1-1092-10100\n";
  EXPECT_EQ(ReadFile(path), saved);
  // A directory where the safe file wants its temporary file: nothing can be written.
  ASSERT_EQ(mkdir((path + ".$$$").c_str(), 0755), 0);
  t->status = 2;
  EXPECT_FALSE(Tracks.Save());
  EXPECT_EQ(ReadFile(path), saved);
  EXPECT_EQ(Tracks.Count(), 2);
  rmdir((path + ".$$$").c_str());
  ASSERT_TRUE(Tracks.Save());
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  EXPECT_EQ(Tracks.Last()->artist, "AC:DC");
  EXPECT_EQ(Tracks.Last()->status, 2);
}

TEST_F(cTrackList, IsTrackNeedsArtistTitleAndPositiveYear)
{
  SupportMusicChannel();
  EXPECT_TRUE(Tracks.IsTrack(AddTestEvent(MusicChannelID, TestEpoch, 200, "Artist - Song (1999)")));
  EXPECT_FALSE(Tracks.IsTrack(AddTestEvent(MusicChannelID, TestEpoch + 200, 200, "Artist - Song (0)")));
  EXPECT_FALSE(Tracks.IsTrack(AddTestEvent(MusicChannelID, TestEpoch + 400, 200, "Artist - Song")));
  EXPECT_FALSE(Tracks.IsTrack(AddTestEvent(MusicChannelID, TestEpoch + 600, 200, "Coming up next")));
  EXPECT_FALSE(Tracks.IsTrack(AddTestEvent(MusicChannelID, TestEpoch + 800, 200, "A - (1999)")));
  EXPECT_FALSE(Tracks.IsTrack(AddTestEvent(MusicChannelID, TestEpoch + 1000, 200, NULL)));
  EXPECT_FALSE(Tracks.IsTrack(AddTestEvent("S19.2E-1-1101-28006", TestEpoch, 200, "Artist - Song (1999)")));
}

TEST_F(cTrackList, TrackFromEvent)
{
  SupportMusicChannel();
  cTrack t(AddTestEvent(MusicChannelID, TestEpoch, 215, "Some Artist - Some Song (1987)", "short", "long"));
  EXPECT_EQ(t.channelId, MusicChannelID);
  EXPECT_EQ(t.eventTitle, "Some Artist - Some Song (1987)");
  EXPECT_EQ(t.shortText, "short");
  EXPECT_EQ(t.description, "long");
  EXPECT_EQ(t.startTime, TestEpoch);
  EXPECT_EQ(t.duration, 215);
  EXPECT_EQ(t.artist, "Some Artist");
  EXPECT_EQ(t.title, "Some Song");
  EXPECT_EQ(t.year, 1987);
  EXPECT_EQ(t.status, 0);
  cTrack none((const cEvent *)NULL);
  EXPECT_EQ(none.channelId, "");
}

TEST_F(cTrackList, AlreadyDoneMatchesConvertedSongsExactly)
{
  SupportMusicChannel();
  Append("A", "B", 1999, 1000, 200, 2);
  Append("C", "D", 2000, 2000, 200, 1);
  const cEvent *repeat = AddTestEvent(MusicChannelID, TestEpoch, 200, "A - B (1999)");
  EXPECT_TRUE(Tracks.AlreadyDone(repeat));
  EXPECT_FALSE(Tracks.AlreadyDone(AddTestEvent(MusicChannelID, TestEpoch + 200, 200, "a - B (1999)")));
  EXPECT_FALSE(Tracks.AlreadyDone(AddTestEvent(MusicChannelID, TestEpoch + 400, 200, "A - B (2000)")));
  EXPECT_FALSE(Tracks.AlreadyDone(AddTestEvent(MusicChannelID, TestEpoch + 600, 200, "C - D (2000)"))); // skipped, not converted
  VimoraConfig.avoidrepeats = 0;
  EXPECT_FALSE(Tracks.AlreadyDone(repeat));
}

TEST_F(cTrackList, InListComparesBroadcasts)
{
  SupportMusicChannel();
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  const cEvent *event = AddTestEvent(MusicChannelID, TestEpoch, 200, "A - B (1999)");
  EXPECT_FALSE(Tracks.InList(event));
  {
    cTracksLock lock(Tracks);
    Tracks.Add(new cTrack(event));
  }
  EXPECT_TRUE(Tracks.InList(event));
  EXPECT_FALSE(Tracks.InList(AddTestEvent(MusicChannelID, TestEpoch + 200, 200, "A - B (1999)")));
  // After a restart the catalogued track has no event title and is still the broadcast;
  // another song at the same time is not, nor the same song on another channel
  ASSERT_TRUE(Tracks.Save());
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  EXPECT_EQ(Tracks.Count(), 1);
  EXPECT_TRUE(Tracks.InList(event));
  bool done;
  EXPECT_TRUE(Tracks.InList(cTrack(event), done));
  cTrack otherSong(event);
  otherSong.eventTitle = "A - C (1999)";
  otherSong.title = "C";
  EXPECT_FALSE(Tracks.InList(otherSong, done));
  cTrack elsewhere(event);
  elsewhere.channelId = "S19.2E-1-1101-28006";
  EXPECT_FALSE(Tracks.InList(elsewhere, done));
}

TEST_F(cTrackList, OneWalkAnswersInListAndAlreadyDone)
{
  SupportMusicChannel();
  VimoraConfig.avoidrepeats = 1;
  Append("A", "B", 1999, 1000, 200, 2);
  const cEvent *event = AddTestEvent(MusicChannelID, TestEpoch, 200, "A - B (1999)");
  cTrack broadcast(event);
  bool done = false;
  EXPECT_FALSE(Tracks.InList(broadcast, done));
  EXPECT_TRUE(done);
  {
    cTracksLock lock(Tracks);
    Tracks.Add(new cTrack(event));
  }
  Append("C", "D", 2000, 3000, 200, 0);
  EXPECT_TRUE(Tracks.InList(broadcast, done));
  EXPECT_FALSE(done); // not asked once the broadcast is catalogued
  VimoraConfig.avoidrepeats = 0;
  cTrack other(AddTestEvent(MusicChannelID, TestEpoch + 200, 200, "A - B (1999)"));
  EXPECT_FALSE(Tracks.InList(other, done));
  EXPECT_FALSE(done);
}

TEST_F(cTrackList, BlacklistedAsksTheBlacklist)
{
  SupportMusicChannel();
  WriteFile(root + "/blacklist.conf", "Nova;Frozen\n");
  ASSERT_TRUE(Blacklist.Load((root + "/blacklist.conf").c_str(), true));
  EXPECT_TRUE(Tracks.Blacklisted(AddTestEvent(MusicChannelID, TestEpoch, 200, "Nova feat. X - Frozen Lake (2001)")));
  EXPECT_FALSE(Tracks.Blacklisted(AddTestEvent(MusicChannelID, TestEpoch + 200, 200, "Nova - Summer (2001)")));
  cTrack t;
  t.artist = "NOVA";
  t.title = "frozen";
  EXPECT_TRUE(Tracks.Blacklisted(t));
}

TEST_F(cTrackList, SetConvertedMarksTracksInsideTheRecording)
{
  SupportMusicChannel();
  AddTestChannel();
  // 1000 frames: 40 seconds from TestEpoch, an I-frame every 12 frames.
  std::string fileName = MakeTestRecording("Music", TestEpoch, 1000);
  cRecording *recording = Recordings.GetByName(fileName.c_str());
  ASSERT_NE(recording, nullptr);
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  VimoraConfig.offset = -3;
  cTrack *late = Append("Late", "x", 2000, TestEpoch + 35, 3, 0);         // frames 800..875 with -3
  cTrack *early = Append("Early", "x", 2000, TestEpoch, 10, 0);           // starts before frame 0 with -3
  cTrack *skipped = Append("Skipped", "x", 2000, TestEpoch + 10, 10, 1);
  cTrack *other = Append("Other", "x", 2000, TestEpoch + 10, 10, 0, "S19.2E-1-1101-28006");
  cTrack *outside = Append("Outside", "x", 2000, TestEpoch + 3600, 10, 0);
  // 27 years earlier: its frame number wraps around into the index when cut to int.
  cTrack *old = Append("Old", "x", 1999, TestEpoch - 858993455 + 3, 10, 0);
  Tracks.SetConverted(recording);
  EXPECT_EQ(late->status, 2);
  EXPECT_EQ(early->status, 0);
  EXPECT_EQ(skipped->status, 2);
  EXPECT_EQ(other->status, 2);
  EXPECT_EQ(outside->status, 0);
  EXPECT_EQ(old->status, 0);
  VimoraConfig.offset = 3;
  Tracks.SetConverted(recording);
  EXPECT_EQ(early->status, 2);
  std::vector<std::string> lines = Lines(ReadFile(path));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "Early:x:2000:" + std::to_string(TestEpoch) + ":10:2:S19.2E-1-1092-10100");
}

// The same song twice in one recording: each broadcast belongs to the pair that names it
// and overlaps it most, and only a converted pair makes its track converted.
TEST_F(cTrackList, SetConvertedByPairsMarksTheTracksOfTheConvertedPairsOnly)
{
  AddTestChannel();
  std::string fileName = MakeTestRecording("Music", TestEpoch, 1000);
  cRecording *recording = Recordings.GetByName(fileName.c_str());
  ASSERT_NE(recording, nullptr);
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  VimoraConfig.offset = 0;
  cTrack *first = Append("A", "Song", 1987, TestEpoch + 2, 10, 0);   // frames 50..300
  cTrack *again = Append("A", "Song", 1987, TestEpoch + 14, 10, 0);  // frames 350..600
  cTrack *other = Append("B", "Other", 1987, TestEpoch + 26, 10, 0); // frames 650..900
  cTrack *skipped = Append("C", "Skipped", 1987, TestEpoch + 26, 10, 1);
  std::vector<tTrackPair> pairs = {
    { 340, 610, "A", "Song", "1987", false }, // the second broadcast failed
    { 40, 400, "A", "Song", "1987", true },   // the first, reaching into the second
    { 650, 900, "B", "Other", "1988", true }, // another year: not B's pair
  };
  Tracks.SetConverted(recording, pairs);
  EXPECT_EQ(first->status, 2);
  EXPECT_EQ(again->status, 0);
  EXPECT_EQ(other->status, 0);
  EXPECT_EQ(skipped->status, 1);
  EXPECT_NE(ReadFile(path).find("A:Song:1987:" + std::to_string(TestEpoch + 2) + ":10:2"), std::string::npos) << ReadFile(path);
}

TEST_F(cTrackList, WindowAgreesWithTheSearchesOfEveryTrack)
{
  AddTestChannel();
  // 1000 frames: 40 seconds from TestEpoch, an I-frame every 12 frames.
  std::string fileName = MakeTestRecording("Music", TestEpoch, 1000);
  cIndexFile index(fileName.c_str(), false);
  int inside = 0;
  for (int offset : { -3, 0, 3 }) {
      cTrackWindow window(index, TestEpoch, offset);
      for (int start = -50; start <= 50; start++) {
          for (int duration : { 0, 1, 5, 39, 40, 41, 100 }) {
              cTrack t;
              t.startTime = TestEpoch + start;
              t.duration = duration;
              int startFrame, endFrame, windowStart = -2, windowEnd = -2;
              bool in = t.FindFrames(index, TestEpoch, offset, startFrame, endFrame);
              EXPECT_EQ(window.Contains(t), in) << start << " " << duration << " " << offset;
              ASSERT_EQ(window.Find(t, windowStart, windowEnd), in);
              if (in) {
                 EXPECT_EQ(windowStart, startFrame);
                 EXPECT_EQ(windowEnd, endFrame);
              }
              inside += in;
              for (int frame : { -1, 0, 1, 11, 12, 500, 987, 988, 999, 1000 })
                  EXPECT_EQ(window.Covers(t, frame), startFrame <= frame && frame <= endFrame) << start << " " << duration << " " << offset << " " << frame;
          }
      }
  }
  EXPECT_GT(inside, 100);
  // times whose frame numbers do not fit an int, or wrap around into the index
  cTrackWindow window(index, TestEpoch, 0);
  for (time_t start : { TestEpoch - 858993455 + 3, TestEpoch + 858993460, time_t(LONG_MAX), time_t(LONG_MIN) }) {
      for (int duration : { 0, 10, INT_MAX }) {
          cTrack t;
          t.startTime = start;
          t.duration = duration;
          int startFrame, endFrame;
          t.FindFrames(index, TestEpoch, 0, startFrame, endFrame);
          for (int frame : { -1, 0, 500 })
              EXPECT_EQ(window.Covers(t, frame), startFrame <= frame && frame <= endFrame) << start << " " << duration << " " << frame;
      }
  }
}

TEST_F(cTrackList, SetConvertedWithoutIndexChangesNothingButSaves)
{
  AddTestChannel();
  std::string fileName = MakeTestRecording("Music", TestEpoch, 100);
  cRecording *recording = Recordings.GetByName(fileName.c_str());
  ASSERT_NE(recording, nullptr);
  ASSERT_EQ(unlink((fileName + "/index").c_str()), 0);
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  cTrack *t = Append("A", "B", 2000, TestEpoch + 1, 1, 0);
  Tracks.SetConverted(recording);
  EXPECT_EQ(t->status, 0);
  EXPECT_EQ(Lines(ReadFile(path)).size(), 1u);
}

// A recording whose frames began later than its time says, and went on after a gap (the
// recorder started again): tracks land on the frames recorded at their times.
TEST_F(cTrackList, WindowPlacesTracksOnTheStretchesRecorded)
{
  AddTestChannel();
  // 1000 frames, an I-frame every 12; frames 0-499 recorded from 30 s after the
  // recording's time on, 500-999 from 60 s on
  std::string fileName = MakeTestRecording("Music", TestEpoch, 1000);
  cRecording recording(fileName.c_str());
  ASSERT_EQ(recording.Start(), TestEpoch);
  ASSERT_TRUE(cRecordingParts::Note(fileName.c_str(), TestEpoch, 500, (TestEpoch + 60) * 1000LL));
  // noted first in the middle: the stretch before it from the recording's time on
  EXPECT_EQ(ReadFile(fileName + "/vimora.parts"), "0 " + std::to_string(TestEpoch * 1000LL) + "\n500 " + std::to_string((TestEpoch + 60) * 1000LL) + "\n");
  ASSERT_TRUE(WriteFile(fileName + "/vimora.parts", "0 " + std::to_string((TestEpoch + 30) * 1000LL) + "\n500 " + std::to_string((TestEpoch + 60) * 1000LL) + "\n"));
  cIndexFile index(fileName.c_str(), false);
  cTrackWindow window(index, &recording, 0);
  auto frames = [&](time_t Start, int Duration) {
    cTrack t;
    t.startTime = Start;
    t.duration = Duration;
    int s = -2, e = -2;
    return window.Find(t, s, e) ? std::make_pair(s, e) : std::make_pair(-1, -1);
  };
  EXPECT_EQ(frames(TestEpoch + 32, 10), std::make_pair(60, 288));  // 50 and 300 in the first stretch
  EXPECT_EQ(frames(TestEpoch + 61, 10), std::make_pair(528, 768)); // 525 and 775 in the second
  EXPECT_EQ(frames(TestEpoch + 45, 10), std::make_pair(384, 492)); // into the gap: up to the first stretch's end
  EXPECT_EQ(frames(TestEpoch + 52, 10), std::make_pair(504, 540)); // out of the gap: from the second's start
  EXPECT_EQ(frames(TestEpoch + 25, 10), std::make_pair(-1, -1));   // began before the recording
  // a file that is no list of stretches counts as none: the recording's time again
  ASSERT_TRUE(WriteFile(fileName + "/vimora.parts", "0 1000\n0 2000\n"));
  cTrackWindow byTime(index, &recording, 0);
  cTrack t;
  t.startTime = TestEpoch + 2;
  t.duration = 10;
  int s, e;
  ASSERT_TRUE(byTime.Find(t, s, e));
  EXPECT_EQ(s, 60);
}

// At 50 frames a second: what lies inside the recording, and the frame of a time in a
// stretch of vimora.parts, the nearest one.
TEST_F(cTrackList, FiftyFramesASecondInTheRecordingAndItsStretches)
{
  SupportMusicChannel();
  AddTestChannel();
  // 40 seconds in 2000 frames, an I-frame every 24
  std::string fileName = MakeTestRecording("Music", TestEpoch, 2000, 24, MusicChannelID, 50);
  cRecording *recording = Recordings.GetByName(fileName.c_str());
  ASSERT_NE(recording, nullptr);
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  VimoraConfig.offset = 0;
  cTrack *inside = Append("Inside", "x", 2000, TestEpoch + 30, 8, 0); // frames 1500..1900
  cTrack *after = Append("After", "x", 2000, TestEpoch + 45, 10, 0);  // 2250..2750, after its 40 s
  Tracks.SetConverted(recording);
  EXPECT_EQ(inside->status, 2);
  EXPECT_EQ(after->status, 0);

  // frames 0-999 recorded from 10 s after the recording's time on, 1000-1999 from 30.01 s on
  ASSERT_TRUE(WriteFile(fileName + "/vimora.parts", "0 " + std::to_string((TestEpoch + 10) * 1000LL) + "\n1000 " +
                                                     std::to_string((TestEpoch + 30) * 1000LL + 10) + "\n"));
  cRecordingParts parts(recording);
  int frame = -1;
  ASSERT_TRUE(parts.Frame(TestEpoch + 12, frame));
  EXPECT_EQ(frame, 100);
  ASSERT_TRUE(parts.Frame(TestEpoch + 31, frame));
  EXPECT_EQ(frame, 1050); // 49.5 frames into the second stretch: a half rounds up
  ASSERT_TRUE(parts.Frame(TestEpoch + 30, frame));
  EXPECT_EQ(frame, 999); // in the gap: the last frame before the next stretch
  cIndexFile index(fileName.c_str(), false);
  int startFrame, endFrame;
  ASSERT_TRUE(cTrackWindow(index, recording, 0).Find(*inside, startFrame, endFrame));
  EXPECT_EQ(startFrame, 1008); // the I-frame after 999, the gap's edge
  EXPECT_EQ(endFrame, 1392);   // the I-frame before 1400, 7.99 s into the second stretch
}

// No crash and no division by zero at any rate, and 25 for one no time is counted in.
TEST(cFrameRate, AnyRateCountsAndNonsenseCountsAsTwentyFive)
{
  for (double nonsense : { 0.0, -5.0, double(NAN), double(INFINITY), 1e9 })
      EXPECT_EQ(cFrameRate(nonsense).FramesPerSecond(), 25) << nonsense;
  cFrameRate ntsc(30000.0 / 1001);
  EXPECT_EQ(ntsc.Frames(10), 300); // 299.7
  EXPECT_EQ(ntsc.WholeSeconds(2997), 100);
  long long frame = 0;
  ASSERT_TRUE(ntsc.NearestFrame(1000, frame));
  EXPECT_EQ(frame, 30);
  EXPECT_STREQ(*ntsc.Text(2997, true), "0:01:40.00");
  cFrameRate fifty(50);
  EXPECT_EQ(fifty.Frames(INT_MAX), INT_MAX);
  EXPECT_EQ(fifty.Frames(INT_MIN), INT_MIN);
  EXPECT_FALSE(fifty.NearestFrame(LLONG_MAX / 1000, frame));
  ASSERT_TRUE(fifty.NearestFrame(-10, frame));
  EXPECT_EQ(frame, 0); // half a frame before frame 0 rounds up to it
  ASSERT_TRUE(fifty.NearestFrame(-11, frame));
  EXPECT_EQ(frame, -1);
}

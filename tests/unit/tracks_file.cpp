// The writer of "tracks.conf" on the host's clock: changes return at once and reach the
// file within a second, added tracks by an appended line, a changed status written over
// the track's line, the whole file when that cannot be done, at most once a second; a
// stop writes what is pending.
#include <sys/stat.h>
#include <vdr/clock.h>

#include "testenv.h"
#include "tracks.h"

namespace {

class cTracksFile : public cTestEnv {
protected:
  std::string path;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    path = root + "/tracks.conf";
  }
  void TearDown(void) override
  {
    Tracks.StopWriter();
    Tracks.Clear();
    cTestEnv::TearDown();
  }
  cTrack *Add(const std::string &Artist, int Status = 0)
  {
    cTrack *t = new cTrack;
    t->artist = Artist;
    t->title = "Song";
    t->year = 1999;
    t->startTime = TestEpoch;
    t->duration = 200;
    t->status = Status;
    t->channelId = MusicChannelId;
    cTracksLock lock(Tracks);
    Tracks.Add(t);
    return t;
  }
  void SetStatus(cTrack *Track, int Status)
  {
    cTracksLock lock(Tracks);
    Tracks.SetStatus(Track, Status);
  }
  static std::string Line(const std::string &Artist, int Status)
  {
    return Artist + ":Song:1999:" + std::to_string(TestEpoch) + ":200:" + std::to_string(Status) + ":" + MusicChannelId;
  }
};

TEST_F(cTracksFile, AddedTracksAreAppendedAndAChangedStatusIsWrittenOverItsLine)
{
  ASSERT_TRUE(WriteFile(path, "# kept\n" + Line("Old", 2) + "\n"));
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  Tracks.StartWriter();
  cTrack *a = Add("A");
  Add("B");
  EXPECT_EQ(Lines(ReadFile(path)).size(), 2u); // not yet: the change returned at once
  cClock::Step(100);
  EXPECT_EQ(Lines(ReadFile(path)), (std::vector<std::string>{ "# kept", Line("Old", 2), Line("A", 0), Line("B", 0) }));
  struct stat before, after;
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  SetStatus(a, 1);
  cClock::Step(100);
  EXPECT_EQ(Lines(ReadFile(path)), (std::vector<std::string>{ "# kept", Line("Old", 2), Line("A", 1), Line("B", 0) }));
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino); // written over, not rewritten
  // the changes of a moment in one write, the last status winning
  SetStatus(a, 2);
  SetStatus(a, 0);
  Add("C");
  cClock::Step(100);
  EXPECT_EQ(Lines(ReadFile(path)), (std::vector<std::string>{ "# kept", Line("Old", 2), Line("A", 0), Line("B", 0), Line("C", 0) }));
  // another program took the comment out: the lines moved, nothing is written over a
  // line that is not the track's, and the file is written whole
  ASSERT_TRUE(WriteFile(path, Line("Old", 2) + "\n" + Line("A", 0) + "\n" + Line("B", 0) + "\n" + Line("C", 0) + "\n"));
  SetStatus(a, 1);
  cClock::Step(100);
  EXPECT_EQ(Lines(ReadFile(path)), (std::vector<std::string>{ Line("Old", 2), Line("A", 1), Line("B", 0), Line("C", 0) }));
  EXPECT_TRUE(HostLogHas(path + " holds a changed track's line other than the plug-in wrote it: the file is written whole"));
  // and from there on its lines are found where the whole file put them
  SetStatus(a, 2);
  cClock::Step(100);
  EXPECT_EQ(Lines(ReadFile(path)), (std::vector<std::string>{ Line("Old", 2), Line("A", 2), Line("B", 0), Line("C", 0) }));
  EXPECT_FALSE(FileExists(path + ".$$$"));
  // a line of six fields is read as the music channel's and written whole with its seventh
  std::string six = Line("Six", 0).substr(0, Line("Six", 0).rfind(':'));
  ASSERT_TRUE(WriteFile(path, six + "\n"));
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  SetStatus(Tracks.First(), 1);
  cClock::Step(100);
  EXPECT_EQ(Lines(ReadFile(path)), (std::vector<std::string>{ Line("Six", 1) }));
}

TEST_F(cTracksFile, StopWritesWhatIsPending)
{
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  Tracks.StartWriter();
  cTrack *a = Add("A");
  cClock::Step(100);
  SetStatus(a, 2);
  Add("B");
  Tracks.StopWriter();
  EXPECT_EQ(Lines(ReadFile(path)), (std::vector<std::string>{ Line("A", 2), Line("B", 0) }));
  // without the writer every change is written at once
  SetStatus(a, 1);
  EXPECT_EQ(Lines(ReadFile(path))[0], Line("A", 1));
}

TEST_F(cTracksFile, ALineCutOffByACrashIsDroppedAndNothingIsAppendedToIt)
{
  ASSERT_TRUE(WriteFile(path, Line("Old", 2) + "\n" + Line("Torn", 0).substr(0, 20)));
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  EXPECT_EQ(Tracks.Count(), 1);
  EXPECT_TRUE(HostLogHas("E ERROR: error in " + path + ", line 2: the line is incomplete and dropped"));
  Tracks.StartWriter();
  Add("New");
  cClock::Step(100);
  EXPECT_EQ(Lines(ReadFile(path)), (std::vector<std::string>{ Line("Old", 2), Line("New", 0) }));
}

TEST_F(cTracksFile, AFailedAppendRewritesTheWholeFileWhenItCan)
{
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  Tracks.StartWriter();
  Add("A");
  ASSERT_TRUE(MakeDirs(path.c_str(), true)); // the file's place is taken: nothing can be written
  cClock::Step(100);
  Add("B");
  EXPECT_FALSE(Tracks.Flush());
  EXPECT_TRUE(HostLogHas("E ERROR: " + path + ": Is a directory"));
  ASSERT_EQ(rmdir(path.c_str()), 0);
  cClock::Step(1000);
  EXPECT_EQ(Lines(ReadFile(path)), (std::vector<std::string>{ Line("A", 0), Line("B", 0) }));
}

} // namespace

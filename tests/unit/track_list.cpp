// The track list: loading and saving "tracks.conf".
#include <sys/stat.h>

#include "grabberthread.h"
#include "testenv.h"
#include "tracks.h"

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
    cTestEnv::TearDown();
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

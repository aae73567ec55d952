// The blacklist: its file lines and the two routes by which a pattern matches.
#include <sys/stat.h>

#include "blacklist.h"
#include "pluginlog.h"
#include "testenv.h"

class cBlacklistTest : public cTestEnv {
protected:
  cTestPluginLog log;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    ASSERT_TRUE(log.Open(root + "/vimora.log", 3));
  }
  void TearDown(void) override
  {
    Blacklist.cListBase::Clear();
    cTestEnv::TearDown();
  }
  void Load(const std::string &Content)
  {
    std::string path = root + "/blacklist.conf";
    WriteFile(path, Content);
    ASSERT_TRUE(Blacklist.Load(path.c_str(), true));
  }
  cBlacklistEntry Parsed(const char *Line, bool Ok = true)
  {
    cBlacklistEntry e;
    EXPECT_EQ(e.Parse(Line), Ok) << Line;
    return e;
  }
  bool Match(const char *Artist, const char *Title, const char *TrackArtist, const char *TrackTitle)
  {
    return cBlacklistEntry(Artist, Title).Matches(cBlacklistEntry(TrackArtist, TrackTitle));
  }
};

TEST_F(cBlacklistTest, ParseFields)
{
  cBlacklistEntry e = Parsed("Some Artist;Some Title");
  EXPECT_EQ(e.artist, "Some Artist");
  EXPECT_EQ(e.title, "Some Title");
  e = Parsed("Some Artist");
  EXPECT_EQ(e.title, "");
  e = Parsed(";");
  EXPECT_EQ(e.artist, "");
  EXPECT_EQ(e.title, "");
  e = Parsed(";Only Title\n");
  EXPECT_EQ(e.artist, "");
  EXPECT_EQ(e.title, "Only Title");
  e = Parsed("  A ;  \tB(;third;fourth");
  EXPECT_EQ(e.artist, "A ");
  EXPECT_EQ(e.title, "\tB(");
  Parsed("", false);
  Parsed("    ", false);
  EXPECT_TRUE(cBlacklistEntry("a", "b") == Parsed("a;b"));
  EXPECT_FALSE(cBlacklistEntry("A", "b") == Parsed("a;b"));
}

TEST_F(cBlacklistTest, LoadSkipsCommentsAndBlankLinesAndCutsLongFields)
{
  std::string longArtist(3000, 'L');
  Load("# my list\n\nFirst;One # why\n   \n" + longArtist + ";Title\n;\xE9t\xE9\n");
  ASSERT_EQ(Blacklist.Count(), 3);
  EXPECT_EQ(Blacklist.Get(0)->artist, "First");
  EXPECT_EQ(Blacklist.Get(0)->title, "One");
  EXPECT_EQ(Blacklist.Get(1)->artist, std::string(2559, 'L'));
  EXPECT_EQ(Blacklist.Get(1)->title, "Title");
  EXPECT_EQ(Blacklist.Get(2)->title, "\xE9t\xE9");
  EXPECT_TRUE(HostLogHas("E Vimora: entry '" + longArtist.substr(0, 1000)));
}

TEST_F(cBlacklistTest, MissingAndUnreadableFiles)
{
  EXPECT_TRUE(Blacklist.Load((root + "/none.conf").c_str(), true));
  EXPECT_EQ(Blacklist.Count(), 0);
  EXPECT_FALSE(Blacklist.InList("A", "B"));
  EXPECT_EQ(hostLog.size(), 0u);
  if (geteuid() != 0) {
     std::string path = root + "/locked.conf";
     WriteFile(path, "A;B\n");
     chmod(path.c_str(), 0);
     testing::internal::CaptureStderr();
     EXPECT_FALSE(Blacklist.Load(path.c_str(), true));
     EXPECT_NE(testing::internal::GetCapturedStderr().find("vdr: error while reading '" + path + "'"), std::string::npos);
     EXPECT_EQ(Blacklist.Count(), 0);
  }
}

TEST_F(cBlacklistTest, StripAndCompareNoCase)
{
  cBlacklistEntry e;
  EXPECT_EQ(e.Strip("Re-Mix Crew"), "ReMixCrew");
  EXPECT_EQ(e.Strip("Re Mix Crew"), "ReMixCrew");
  EXPECT_EQ(e.Strip("Rock 'n' Roll"), "RocknRoll");
  EXPECT_EQ(e.Strip("Part 2: Night"), "Part2Night");
  EXPECT_EQ(e.Strip("Caf\xB4`s & Co.!"), "Cafs&Co.!");
  EXPECT_TRUE(CompareNoCase("SilverLake", "silverlake"));
  EXPECT_FALSE(CompareNoCase("abc", "abcd"));
  EXPECT_FALSE(CompareNoCase("abc", "abd"));
}

TEST_F(cBlacklistTest, NormalisedRoute)
{
  EXPECT_TRUE(Match("SILVERLAKE", "Moonlight", "silverlake", "MOONLIGHT"));
  EXPECT_TRUE(Match("Re-Mix Crew", "Go On", "Re Mix Crew", "Go-On"));
  // '(' is no valid expression; the normalised route still applies
  EXPECT_TRUE(Match("Band (", "x", "band(", "X"));
  EXPECT_FALSE(Match("Band (", "x", "Band (live)", "x"));
}

TEST_F(cBlacklistTest, ExpressionRoute)
{
  EXPECT_TRUE(Match("Nova", "Frozen Lake", "Nova feat. Someone", "Frozen Lake"));
  EXPECT_FALSE(Match("nova", "Frozen Lake", "Nova feat. Someone", "Frozen Lake"));
  EXPECT_TRUE(Match("nova", "Frozen Lake", "Nova", "Frozen Lake"));
  EXPECT_TRUE(Match("^Sil", ".*", "Silverlake", "Anything"));
  EXPECT_FALSE(Match("^Sil", ".*", "The Silverlake", "Anything"));
  EXPECT_TRUE(Match("Artist", "", "Artist", "Any Title"));
  EXPECT_TRUE(Match("", "Title", "Anyone", "Title"));
  EXPECT_TRUE(Match("", "", "Anyone", "Anything"));
  EXPECT_FALSE(Match("Artist", "Other", "Artist", "Title"));
}

// Three repetitions in a row would take the C library minutes to compile; such a pattern
// is no expression, and only the normalised route is left for it. Repetition characters
// that are escaped or inside brackets are text, and two in a row still work.
TEST_F(cBlacklistTest, StackedRepetitionsAreNoExpression)
{
  Load("x*+++++++;.*\nSong{1}{2}{3};.*\n");
  EXPECT_FALSE(Blacklist.InList("xxx", "Title"));
  EXPECT_TRUE(Blacklist.InList("X*+++++++", "Title"));
  EXPECT_FALSE(Blacklist.InList("Songgggggg", "Title"));
  EXPECT_TRUE(Match("a+*", ".*", "baab", "Title"));
  EXPECT_TRUE(Match("a{2}?", ".*", "baab", "Title"));
  EXPECT_TRUE(Match("C\\+\\+\\+", ".*", "C+++ Band", "Title"));
  EXPECT_TRUE(Match("C[+*?]{3}", ".*", "C+*? Band", "Title"));
  EXPECT_TRUE(Match("[[:alpha:]*+?]+!", ".*", "Wow!", "Title"));
  EXPECT_TRUE(Match("[]*+?]{2}!", ".*", "?]!", "Title"));
}

TEST_F(cBlacklistTest, InListStopsAtTheFirstMatchAndLogsEachTry)
{
  Load("Nobody;x\nNova;Frozen\nNova;.*\n");
  EXPECT_TRUE(Blacklist.InList("Nova", "Frozen Lake"));
  EXPECT_EQ(log.Messages(), (std::vector<std::string>{
    "artist match 'Nova' against 'Nobody': no",
    "artist match 'Nova' against 'Nova': yes",
    "title match 'Frozen Lake' against 'Frozen': yes",
  }));
  EXPECT_FALSE(Blacklist.InList("Other", "Frozen"));
}

TEST_F(cBlacklistTest, LoadedEntriesMatchLikeFreshOnes)
{
  const char *patterns[][2] = { { "SILVERLAKE", "Moonlight" }, { "Re-Mix Crew", "Go On" }, { "Band (", "x" }, { "Nova", "Frozen Lake" },
                                { "nova", ".*" }, { "^Sil", ".*" }, { "Artist", "" }, { "", "Title" }, { "B\xB4" "and", "S`ong" } };
  const char *tracks[][2] = { { "silverlake", "MOONLIGHT" }, { "Re Mix Crew", "Go-On" }, { "band(", "X" }, { "Band (live)", "x" },
                              { "Nova feat. Someone", "Frozen Lake" }, { "Nova", "Anything" }, { "The Silverlake", "Anything" },
                              { "Artist", "Any Title" }, { "Anyone", "Title" }, { "BAND", "song" } };
  std::string file;
  for (const auto &p : patterns)
      file += std::string(p[0]) + ";" + p[1] + "\n";
  Load(file);
  ASSERT_EQ(Blacklist.Count(), int(sizeof(patterns) / sizeof(patterns[0])));
  int matches = 0;
  for (const auto &t : tracks) {
      cBlacklistEntry candidate(t[0], t[1]);
      bool any = false;
      for (const cBlacklistEntry *e = Blacklist.First(); e; e = Blacklist.Next(e)) {
          bool fresh = cBlacklistEntry(e->artist, e->title).Matches(candidate);
          EXPECT_EQ(e->Matches(candidate), fresh) << e->artist << ";" << e->title << " on " << t[0] << ";" << t[1];
          any = any || fresh;
          matches += fresh;
      }
      EXPECT_EQ(Blacklist.InList(t[0], t[1]), any) << t[0] << ";" << t[1];
  }
  EXPECT_GT(matches, 5);
  // a pattern changed after loading is matched as it reads now
  Blacklist.First()->artist = "Other";
  EXPECT_FALSE(Blacklist.First()->Matches(cBlacklistEntry("silverlake", "MOONLIGHT")));
  EXPECT_TRUE(Blacklist.First()->Matches(cBlacklistEntry("other", "MOONLIGHT")));
}

TEST_F(cBlacklistTest, HashCutsATitle)
{
  Load("A;No #1\n");
  EXPECT_EQ(Blacklist.Get(0)->title, "No");
  EXPECT_FALSE(Blacklist.InList("A", "Yes"));
  EXPECT_TRUE(Blacklist.InList("A", "No #1"));
}

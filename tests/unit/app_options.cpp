// What vimora-host reads from its user: clock speeds, times, the clip folder in the
// plug-in arguments, and the demo's guide.
#include "demo.h"
#include "script.h"
#include "session.h"
#include "testenv.h"

TEST(HostOptions, SpeedsAndTimes)
{
  double speed = -1;
  EXPECT_TRUE(ParseSpeed("60", speed));
  EXPECT_EQ(speed, 60);
  EXPECT_TRUE(ParseSpeed("0.5", speed));
  EXPECT_EQ(speed, 0.5);
  EXPECT_TRUE(ParseSpeed("MAX", speed));
  EXPECT_EQ(speed, 0);
  for (const char *bad : { "", "0", "-3", "fast", "10x", "1e9" })
      EXPECT_FALSE(ParseSpeed(bad, speed)) << bad;

  setenv("TZ", "UTC", 1);
  tzset();
  time_t t = 0;
  EXPECT_TRUE(ParseLocalTime("2026-12-07", "20:00:00", t));
  EXPECT_EQ(t, TestEpoch);
  EXPECT_TRUE(ParseLocalTime("2026-12-07", "20:01", t));
  EXPECT_EQ(t, TestEpoch + 60);
  for (const auto &bad : std::vector<std::pair<const char *, const char *>>{
         { "2026-12-07", "24:00" }, { "2026-12-07", "20:60" }, { "2026-12-07", "20:00:61" }, { "2026-00-07", "20:00" },
         { "2026-12-32", "20:00" }, { "2026-12-07x", "20:00" }, { "2026-12-07", "20:00:00x" }, { "2026-12-07", "" } })
      EXPECT_FALSE(ParseLocalTime(bad.first, bad.second, t)) << bad.first << " " << bad.second;
}

TEST(HostOptions, TheClipFolderIsRozerezOwn)
{
  tHostOptions o;
  o.videoDir = "/v";
  o.plugins = { "vimora -v 2" };
  EXPECT_EQ(cSession(o).ClipsFolder(), "/v/*/clips");
  for (const char *args : { "rozerez -d /c", "rozerez  --dir /c", "rozerez --dir=/c", "rozerez -d/c" }) {
      o.plugins = { "vimora", args };
      EXPECT_EQ(cSession(o).ClipsFolder(), "/c") << args;
  }
  o.plugins = { "vimora -d /not-rozerez", "rozerez" };
  EXPECT_EQ(cSession(o).ClipsFolder(), "/v/*/clips");
}

class cDemoGuide : public cTestEnv {};

TEST_F(cDemoGuide, MusicVideosAndAnnouncements)
{
  std::string file = root + "/guide.conf";
  ASSERT_TRUE(WriteFile(file, "# comment\n\n"
                              "30  VimoraMusic Night Block - coming up\n"
                              "95 Marlow Fenwick - Paper Lanterns (1987)\n"
                              "  120\tX - Y - Z (2001)  \n"
                              "60 Artist - Song (Live) (1999)\n"
                              "70 transition=dip A - B (2000)\n"));
  std::vector<tDemoEvent> events;
  std::string error;
  ASSERT_TRUE(ReadDemoGuide(file, events, error)) << error;
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[3].transition, "silence");
  EXPECT_EQ(events[4].transition, "dip");
  EXPECT_EQ(events[4].title, "A - B (2000)");
  EXPECT_FALSE(events[0].IsTrack());
  EXPECT_EQ(events[0].duration, 30);
  EXPECT_EQ(events[1].FileBaseName(), "Marlow Fenwick - Paper Lanterns (1987)");
  EXPECT_EQ(events[2].title, "X - Y - Z (2001)");
  EXPECT_EQ(events[2].artist, "X");
  EXPECT_EQ(events[2].song, "Y - Z");
  EXPECT_EQ(events[3].song, "Song (Live)");
  EXPECT_EQ(events[3].year, 1999);

  for (const char *bad : { "95\n", "abc Title\n", "0 Title\n", "60 transition=wipe A - B (2000)\n", "60 transition=dip\n" }) {
      ASSERT_TRUE(WriteFile(file, std::string("30 Fine\n") + bad));
      events.clear();
      EXPECT_FALSE(ReadDemoGuide(file, events, error)) << bad;
      EXPECT_NE(error.find("guide.conf:2:"), std::string::npos) << error;
  }
}

TEST_F(cDemoGuide, TheShippedGuideFitsTheDemo)
{
  std::vector<tDemoEvent> events;
  std::string error;
  ASSERT_TRUE(ReadDemoGuide(VIMORA_SOURCE_DIR "/data/demo-guide.conf", events, error)) << error;
  int tracks = 0;
  for (const auto &e : events) {
      if (e.IsTrack()) {
         tracks++;
         EXPECT_GE(e.duration, 60) << e.title;
         EXPECT_LE(e.duration, 180) << e.title;
      }
  }
  EXPECT_EQ(tracks, 12);
  EXPECT_GT(int(events.size()), tracks);
}

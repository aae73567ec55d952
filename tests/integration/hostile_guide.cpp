// Guide data meant to do harm, through the host's recorder and the plug-in's grabber:
// control characters, very long texts, invalid UTF-8, format directives, quotes and
// shell syntax, '/' and '..'. Nothing crashes, nothing runs, every file stays in its
// folder, the catalogue reads back whole, and every log message is one line.
#include <filesystem>
#include <regex>
#include <vdr/clock.h>
#include <vdr/plugin.h>

#include "grabberthread.h"
#include "hostfixtures.h"
#include "pluginlog.h"
#include "testenv.h"
#include "tracks.h"

namespace fs = std::filesystem;

class cHostileGuide : public cTestEnv {
protected:
  cPluginManager *manager = NULL;
  std::string logPath, tracksPath, canary;
  std::vector<std::string> titles;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    cClock::SetTime(TestEpoch - 60);
    AddTestChannel();
    canary = root + "/RAN";
    std::string touch = "touch " + canary;
    titles = {
      "Two\nLines - Carriage\rReturn (2000)",
      "Ctrl\x01\x1b[31m - Bell\x07\x7F (2001)",
      std::string(5000, 'A') + " - " + std::string(5000, 'B') + " (2002)",
      "\xFF\xFE\xC3 - \xE2\x82\xC0\xAF (2003)",
      "%n%n%s%s%x - %s%p%n%999999999d (2004)",
      "Quote'\"`" + touch + "` - $(" + touch + "); " + touch + " | " + touch + " (2005)",
      "../../.. - /etc/passwd (2006)",
      "/ - .. (2007)",
      "A:B|C - D:E|F (2008)",
      "\\x41\\n - \\\\ (2009)",
      std::string("Nul\0Byte - Song (2010)", 22),
      " - (2011)",
      "Only - Title",
      "Mixed \xC3\xA9\xFF - \x1b]0;title\x07 (1999)",
    };
    for (size_t i = 0; i < titles.size(); i++)
        AddTestEvent(MusicChannelID, TestEpoch + int(i) * 60, 60, titles[i].c_str(), titles[i].c_str(), titles[i].c_str());
    ASSERT_TRUE(MakeDirs(PluginConfigDir().c_str(), true));
    tracksPath = PluginConfigDir() + "/tracks.conf";
    WriteFile(PluginConfigDir() + "/blacklist.conf", "Quote.*;.*\n(;\n");
    logPath = root + "/vimora.log";
    manager = StartVimoraHost("-v 3 -l " + logPath);
    ASSERT_NE(manager, nullptr);
  }
  void TearDown(void) override
  {
    StopVimoraHost(manager);
    cTestEnv::TearDown();
  }
  void At(int Seconds) { cClock::Step((TestEpoch + Seconds) * 1000ull - cClock::NowMs()); }
};

// Whether Path is Folder or lies inside it (after resolving '.', '..' and links).
static bool Inside(const std::string &Path, const std::string &Folder)
{
  std::string p = fs::weakly_canonical(Path).string(), f = fs::weakly_canonical(Folder).string();
  return p == f || p.compare(0, f.size() + 1, f + "/") == 0;
}

TEST_F(cHostileGuide, NothingRunsNothingEscapesAndTheCatalogueReadsBack)
{
  cChannel *music = Channels.GetByChannelID(tChannelID::FromString(MusicChannelID));
  AddTestTimer(music, TestEpoch, TestEpoch + int(titles.size()) * 60, "../..~.hidden~a/b~$(touch RAN)~`touch RAN`");
  At(int(titles.size()) * 60 + 1);
  EXPECT_EQ(cGrabberThread::m_Instance, nullptr);

  // what the guide gave became tracks, one line each, and reads back whole
  std::vector<std::string> expected;
  for (size_t i = 0; i < titles.size(); i++) {
      cTrack t;
      t.eventTitle = titles[i].c_str();
      t.channelId = MusicChannelID;
      t.CreateTrackInfo();
      if (t.year <= 0 || t.artist.empty() || t.title.empty())
         continue;
      t.startTime = TestEpoch + int(i) * 60;
      t.duration = 60;
      t.status = t.artist.compare(0, 5, "Quote") == 0 ? 1 : 0;
      expected.push_back(t.ToText());
  }
  EXPECT_EQ(expected.size(), 11u);
  EXPECT_EQ(Lines(ReadFile(tracksPath)), expected);
  cTracks reloaded;
  ASSERT_TRUE(reloaded.Load(tracksPath.c_str(), true));
  EXPECT_EQ(reloaded.Count(), int(expected.size()));
  EXPECT_EQ(reloaded.Get(0)->artist, "Two Lines");
  EXPECT_EQ(reloaded.Get(2)->artist.size(), size_t(cLineFields::MaxFieldLength));

  // nothing ran, and every file is in the config or the video folder
  EXPECT_FALSE(FileExists(canary));
  EXPECT_FALSE(FileExists("RAN"));
  int recordings = 0;
  for (const auto &e : fs::recursive_directory_iterator(root)) {
      std::string path = e.path().string();
      EXPECT_TRUE(path == logPath || Inside(path, configDir) || Inside(path, videoDir)) << path;
      if (e.is_regular_file() && e.path().filename() == "vimora") {
         recordings++;
         EXPECT_TRUE(Inside(path, videoDir)) << path;
         EXPECT_EQ(ReadFile(path), MusicChannelID);
      }
  }
  EXPECT_EQ(recordings, 1);

  // directives were printed as text, and every message is one line
  EXPECT_FALSE(LogMessages(logPath, "%n%n%s%s%x").empty());
  std::regex stamp("^[A-Za-z?]{3} \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d: .*");
  std::vector<std::string> lines = Lines(ReadFile(logPath));
  EXPECT_GT(lines.size(), titles.size());
  for (const auto &l : lines)
      EXPECT_TRUE(std::regex_match(l, stamp)) << l.substr(0, 200);
  for (const auto &l : hostLog)
      for (char c : l)
          ASSERT_FALSE((unsigned char)c < ' ' || c == 0x7F) << l.substr(0, 200);
}

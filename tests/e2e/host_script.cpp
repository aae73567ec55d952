// The script language of vimora-host: the capture road, the setup page driven by keys,
// and how a failing line ends the run.
#include <glob.h>

#include "hostprogram.h"
#include "script.h"

namespace {

// 2026-12-07 20:00:00 UTC, TestEpoch.
const char *Start = "2026-12-07 20:00:00";

std::vector<std::string> Glob(const std::string &Pattern)
{
  std::vector<std::string> paths;
  glob_t g;
  if (glob(Pattern.c_str(), 0, NULL, &g) == 0)
     paths.assign(g.gl_pathv, g.gl_pathv + g.gl_pathc);
  globfree(&g);
  return paths;
}

} // namespace

class cHostScript : public cHostProgram {
protected:
  tProcessResult ScriptAt(const std::string &Text)
  {
    return Script(Text, { "vimora -v 2" }, { "--start", Start });
  }
};

TEST_F(cHostScript, ATimerRecordsTheMusicChannelAndTheGrabberCataloguesItsTracks)
{
  tProcessResult r = ScriptAt(
    "# the capture road\n"
    "channel S19.2E-1-1092-10100 VimoraMusic\n"
    "channel S19.2E-1-1092-10101 Nordlicht TV\n"
    "event S19.2E-1-1092-10100 +0 30 VimoraMusic Night Block - coming up\n"
    "event S19.2E-1-1092-10100 +30 90 Marlow Fenwick - Paper Lanterns (1987) | Live | Lanterns on the river\n"
    "event 1 2026-12-07 20:02:00 100 Ines Varga - Copper Sky (2003)\n"
    "event 2 +0 600 Nordlicht Nachrichten\n"
    "timer S19.2E-1-1092-10100 +0 +300 Music Night\n"
    "wait 100\n"
    "cat $CONFIG/timers.conf\n"
    "wait 300\n"
    "cat $CONFIG/plugins/vimora/tracks.conf\n"
    "ls $VIDEO/Music*\n");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // the announcement is no track; the start times are those of the guide
  std::vector<std::string> tracks = Lines(ReadFile(PluginConfigDir() + "/tracks.conf"));
  ASSERT_EQ(tracks.size(), 2u) << r.out;
  EXPECT_EQ(tracks[0], "Marlow Fenwick:Paper Lanterns:1987:" + std::to_string(TestEpoch + 30) + ":90:0:S19.2E-1-1092-10100");
  EXPECT_EQ(tracks[1], "Ines Varga:Copper Sky:2003:" + std::to_string(TestEpoch + 120) + ":100:0:S19.2E-1-1092-10100");
  EXPECT_NE(r.out.find(tracks[1]), std::string::npos) << r.out;
  std::vector<std::string> recordings = Glob(videoDir + "/Music Night/*.rec");
  ASSERT_EQ(recordings.size(), 1u);
  EXPECT_EQ(recordings[0], videoDir + "/Music Night/2026-12-07.20.00.1-0.rec");
  EXPECT_NE(r.out.find("2026-12-07.20.00.1-0.rec/"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(recordings[0] + "/vimora"), "S19.2E-1-1092-10100");
  // the channel and the timer went where the host keeps them, and the timer, being over,
  // went again
  EXPECT_NE(ReadFile(configDir + "/channels.conf").find("Nordlicht TV:"), std::string::npos);
  EXPECT_NE(r.out.find(":2026-12-07:2000:2005:50:99:Music Night:"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(configDir + "/timers.conf"), "");
  EXPECT_NE(ReadFile(configDir + "/vimora-host.log").find("deleting timer 1 (1 2000-2005 'Music Night')"), std::string::npos);

  // The next run begins in the middle of the time that the last one's fast clock has
  // passed, as the terminal after the demo does: nothing is recorded a second time.
  r = Script("wait 400\n", { "vimora -v 2" }, { "--start", "2026-12-07 20:01:00" });
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Glob(videoDir + "/Music Night/*.rec").size(), 1u);
  EXPECT_EQ(Lines(ReadFile(PluginConfigDir() + "/tracks.conf")).size(), 2u);
}

TEST_F(cHostScript, AFailingExpectEndsTheRunWithItsLineAndTheScreen)
{
  tProcessResult r = Script(
    "key Menu\n"
    "expect Vimora\n"
    "expect Vimora Recordings\n"
    "echo not reached\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("<stdin>:3: expected 'Vimora Recordings', which is not on the screen"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("== Main Menu =="), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("not reached"), std::string::npos) << r.out;

  r = Script("key Menu\nexpect-not Setup\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("<stdin>:2: did not expect 'Setup'"), std::string::npos) << r.err;
}

TEST_F(cHostScript, ABadLineEndsTheRunAndSaysWhy)
{
  const struct {
    const char *line;
    const char *error;
  } cases[] = {
    { "frobnicate", "unknown command 'frobnicate'" },
    { "event 7 +0 60 A - B (1999)", "unknown channel '7'" },
    { "event 1 tomorrow 60 A - B (1999)", "bad start 'tomorrow" },
    { "event 1 2026-13-01 10:00 60 A - B (1999)", "bad start '2026-13-01 10:00'" },
    { "event 1 +0 0 A - B (1999)", "bad duration '0'" },
    { "event 1 +0 60", "an event needs a title" },
    { "onair 1 +0 x A - B (1999)", "bad duration 'x'" },
    { "onair 1 +0 60 ", "an item on air needs a title" },
    { "onair 1 +0 60 transition=wipe A - B (1999)", "unknown transition 'wipe' (silence, dip, cut or fade)" },
    { "onair 1 +0 60 transition=dip", "an item on air needs a title" },
    { "timer 1 +0 +30 Short", "at least a minute" },
    { "channel S19.2E-1-1092 Broken", "bad channel id" },
    { "key Menu Sideways", "unknown key 'Sideways'" },
    { "key Ok+twice", "unknown key 'Ok+twice'" },
    { "cat $HOME/.profile", "unknown variable '$HOME'" },
    { "cat $CONFIG/nothing-here", "nothing-here' not found" },
    { "wait soon", "wait takes a number of seconds" },
    { "wait 100000000", "wait takes a number of seconds (below 100000000)" },
    { "speed 0", "speed takes" },
    { "screen now", "screen takes no arguments" },
  };
  for (const auto &c : cases) {
      tProcessResult r = Script(std::string("channel S19.2E-1-1092-10100 VimoraMusic\n") + c.line + "\necho not reached\n");
      EXPECT_EQ(r.exitCode, 1) << c.line;
      std::string first = r.err.substr(0, r.err.find('\n'));
      EXPECT_EQ(first.rfind("vimora-host: <stdin>:2: ", 0), 0u) << c.line << "\n" << r.err;
      EXPECT_NE(first.find(c.error), std::string::npos) << c.line << "\n" << r.err;
      EXPECT_EQ(r.out.find("not reached"), std::string::npos) << c.line;
  }
}

TEST_F(cHostScript, KeysWithRepeatAndTheSetupPageKeepItsValues)
{
  tProcessResult r = Script(
    "key Menu 2 3 Ok\n"
    "expect Setup - Plugin 'vimora'\n"
    "key Down Down+repeat 1 0 Ok\n"
    "wait-idle\n"
    "cat $CONFIG/setup.conf\n");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("vimora.offset = 10"), std::string::npos) << r.out;
  // a new run of the host hands the stored value to the plug-in
  r = Script("key Menu 2 3 Ok\nexpect Offset for marks [s]:            10\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(cHostScript, SvdrpCommandsReachThePluginAndPrintTheRecordersReply)
{
  tProcessResult r = ScriptAt(
    "channel S19.2E-1-1092-10100 VimoraMusic\n"
    "event 1 +30 90 Marlow Fenwick - Paper Lanterns (1987)\n"
    "event 1 +120 100 Ines Varga - Copper Sky (2003)\n"
    "timer 1 +0 +300 Music Night\n"
    "wait 400\n"
    "svdrp PLUG vimora HELP\n"
    "svdrp PLUG vimora LSTR\n"
    "svdrp PLUG vimora LSTT 1\n"
    "svdrp PLUG vimora MARK 1\n"
    "svdrp PLUG vimora MARK 9\n"
    "svdrp PLUG vimora HOP\n"
    "svdrp PLUG nothere LSTR\n");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char *line : {
         "214-Plugin vimora v0.0.3 - a grabber for VimoraMusic\n214-SVDRP commands:\n214-    LSTR\n214-    LSTT\n",
         "214-    BLCK\n214 End of HELP info\n",
         "900 1 2026-12-07 20:00 0:05:00 Music Night 2 0\n",
         "900-selected|Marlow Fenwick|Paper Lanterns|1987|2026-12-07 20:00:30|90\n"
         "900 selected|Ines Varga|Copper Sky|2003|2026-12-07 20:02:00|100\n",
         "900 2 pairs of cut marks written to Music Night\n",
         "501 No recording 9 (there are 1)\n",
         "500 Command unrecognized: \"HOP\"\n",
         "550 Plugin \"nothere\" not found (use PLUG for a list of plugins)\n" })
      EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  EXPECT_EQ(Lines(ReadFile(Glob(videoDir + "/Music Night/*.rec/marks").at(0))).size(), 4u);
}

TEST_F(cHostScript, AWaitLongerThanAnIntOfMillisecondsWaitsTheWholeTime)
{
  // 28 days and 5 hours are more milliseconds than an int holds; the clock runs fast
  // enough to pass them in moments, and stands still again before the key
  const time_t Wait = 2437200;
  tProcessResult r = ScriptAt("speed 1000000\nwait " + std::to_string(Wait) + "\nspeed max\nkey Menu\n");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  time_t start, keyTime = 0;
  ASSERT_TRUE(ParseLocalTime("2026-12-07", "20:00:00", start));
  for (const auto &line : Lines(ReadFile(configDir + "/vimora-host.log"))) {
      if (line.find("] key Menu") != std::string::npos) {
         ASSERT_TRUE(ParseLocalTime(line.substr(0, 10), line.substr(11, 8), keyTime)) << line;
      }
  }
  EXPECT_GE(keyTime, start + Wait);
  EXPECT_LT(keyTime, start + Wait + 24 * 3600);
}

// The plug-in object: command line, setup values, start-up and the log file.
#include <deque>
#include <sys/stat.h>
#include <vdr/config.h>
#include <vdr/plugin.h>

#include "log.h"
#include "testenv.h"
#include "vimora.h"
#include "vimora_config.h"

class cPluginFrame : public cTestEnv {
protected:
  cPluginVimora plugin;
  std::deque<std::string> kept; // the host keeps the argument vector alive
  bool Args(std::vector<std::string> Words)
  {
    Words.insert(Words.begin(), "vimora");
    std::vector<char *> argv;
    for (auto &w : Words) {
        kept.push_back(w);
        argv.push_back(&kept.back()[0]);
    }
    argv.push_back(NULL);
    optind = 0;
    opterr = 0;
    return plugin.ProcessArgs(int(Words.size()), argv.data());
  }
  std::string LogPath(void) { return PluginConfigDir() + "/vimora.log"; }
};

TEST_F(cPluginFrame, ProcessArgsShortAndLongForms)
{
  EXPECT_TRUE(Args({ "-l", "/tmp/x.log", "-v", "2" }));
  EXPECT_STREQ(cLogFile::LogFileName, "/tmp/x.log");
  EXPECT_EQ(cLogFile::loglevellimit, 2);
  EXPECT_TRUE(Args({ "--logfile=/tmp/y.log", "--verbose=3" }));
  EXPECT_STREQ(cLogFile::LogFileName, "/tmp/y.log");
  EXPECT_EQ(cLogFile::loglevellimit, 3);
  EXPECT_TRUE(Args({ "--verbose", " -1x" })); // leading blanks and a sign, reading stops at 'x'
  EXPECT_EQ(cLogFile::loglevellimit, -1);
  EXPECT_TRUE(Args({ "--verbose=abc" }));
  EXPECT_EQ(cLogFile::loglevellimit, 0);
  EXPECT_TRUE(Args({}));
  EXPECT_TRUE(Args({ "-a", "/srv/music", "--clipdir=/srv/videos" }));
  EXPECT_EQ(VimoraConfig.audiodir, "/srv/music");
  EXPECT_EQ(VimoraConfig.clipdir, "/srv/videos");
  EXPECT_TRUE(Args({ "--audiodir=/srv/a b", "-d", "/srv/c" }));
  EXPECT_EQ(VimoraConfig.audiodir, "/srv/a b");
  EXPECT_EQ(VimoraConfig.clipdir, "/srv/c");
  VimoraConfig = cVimoraConfig();
}

TEST_F(cPluginFrame, ProcessArgsRejectsUnknownOptionAndMissingArgument)
{
  EXPECT_FALSE(Args({ "-x" }));
  EXPECT_FALSE(Args({ "-v" }));
  EXPECT_FALSE(Args({ "--logfile" }));
  EXPECT_FALSE(Args({ "--verbose=1", "--bogus" }));
  // an empty folder would quietly mean the default one
  EXPECT_FALSE(Args({ "--audiodir=" }));
  EXPECT_FALSE(Args({ "-d", "" }));
  EXPECT_FALSE(Args({ "-a" }));
}

TEST_F(cPluginFrame, SetupParseAnyCaseAllKeys)
{
  EXPECT_TRUE(plugin.SetupParse("OFFSET", "-5"));
  EXPECT_EQ(VimoraConfig.offset, -5);
  EXPECT_TRUE(plugin.SetupParse("Format", "%title%"));
  EXPECT_EQ(VimoraConfig.format, "%title%");
  EXPECT_TRUE(plugin.SetupParse("hideMainMenuEntry", "1"));
  EXPECT_EQ(VimoraConfig.hidemainmenuentry, 1);
  EXPECT_TRUE(plugin.SetupParse("avoidrepeats", "zero"));
  EXPECT_EQ(VimoraConfig.avoidrepeats, 0);
  EXPECT_TRUE(plugin.SetupParse("audioformat", "7"));
  EXPECT_EQ(VimoraConfig.audioformat, 7);
  EXPECT_TRUE(plugin.SetupParse("RefineMarks", "1"));
  EXPECT_EQ(VimoraConfig.refinemarks, 1);
  EXPECT_TRUE(plugin.SetupParse("refinewindow", "45"));
  EXPECT_EQ(VimoraConfig.refinewindow, 45);
  EXPECT_TRUE(plugin.SetupParse("AudioName", "%artist%/%title%"));
  EXPECT_EQ(VimoraConfig.audioname, "%artist%/%title%");
  EXPECT_TRUE(plugin.SetupParse("unknown", "1"));
  EXPECT_EQ(VimoraConfig.offset, -5);
}

TEST_F(cPluginFrame, DefaultsAndTexts)
{
  EXPECT_EQ(VimoraConfig.format, "%artist% - %title% (%year%)");
  EXPECT_EQ(VimoraConfig.offset, 3);
  EXPECT_EQ(VimoraConfig.hidemainmenuentry, 0);
  EXPECT_EQ(VimoraConfig.avoidrepeats, 1);
  EXPECT_EQ(VimoraConfig.audioformat, 0);
  EXPECT_EQ(VimoraConfig.refinemarks, 0);
  EXPECT_EQ(VimoraConfig.refinewindow, 20);
  EXPECT_STREQ(plugin.Version(), "0.0.3");
  std::string help = plugin.CommandLineHelp();
  EXPECT_EQ(help.substr(0, help.find("  -a")),
            "  -l file,  --logfile=file to specify a specific logfile for skorvane\n"
            "  -v n,  --verbose=n       verbose level for logfile\n");
  EXPECT_NE(help.find("--audiodir=DIR"), std::string::npos);
  EXPECT_NE(help.find("--clipdir=DIR"), std::string::npos);
  EXPECT_EQ(VimoraConfig.audioname, "%artist% - %title% (%year%)");
  EXPECT_STREQ(plugin.MainMenuEntry(), "Vimora");
  VimoraConfig.hidemainmenuentry = 1;
  EXPECT_EQ(plugin.MainMenuEntry(), nullptr);
  EXPECT_EQ(*plugin.Active(), nullptr);
  int reply = 250;
  EXPECT_EQ(*plugin.SVDRPCommand("X", "", reply), nullptr);
  EXPECT_EQ(reply, 250);
  EXPECT_FALSE(plugin.Service("any"));
}

TEST_F(cPluginFrame, NoLogFileAtLevelZeroEvenWithPath)
{
  std::string path = root + "/own.log";
  ASSERT_TRUE(Args({ "-l", path }));
  ASSERT_TRUE(plugin.Start());
  EXPECT_FALSE(LogFile.IsOpen());
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(FileExists(LogPath()));
  LogFile.eSysLog("still reaches the system log");
  EXPECT_TRUE(HostLogHas("E Vimora: still reaches the system log"));
}

TEST_F(cPluginFrame, LevelTwoOpensLogInConfigDirectoryWithBanner)
{
  ASSERT_TRUE(Args({ "-v", "2" }));
  ASSERT_TRUE(plugin.Start());
  LogFile.Log(2, "level two");
  LogFile.Log(3, "level three");
  LogFile.eSysLog("rate %d%% with %s", 5, "%d");
  LogFile.iSysLog("%s", "");
  std::vector<std::string> lines = Lines(ReadFile(LogPath()));
  ASSERT_EQ(lines.size(), 5u);
  // TestEpoch is Monday 07.12.2026 20:00:00 UTC
  EXPECT_EQ(lines[0], "Mon 07.12.2026 20:00:00: ---------------------------------------");
  EXPECT_EQ(lines[1], "Mon 07.12.2026 20:00:00: Vimora log started (verbose level 2, version 0.0.3)");
  EXPECT_EQ(lines[2], "Mon 07.12.2026 20:00:00: level two");
  EXPECT_EQ(lines[3], "Mon 07.12.2026 20:00:00: rate 5% with %d");
  EXPECT_EQ(lines[4], "Mon 07.12.2026 20:00:00: ");
  EXPECT_EQ(ReadFile(LogPath()).back(), '\n');
  EXPECT_TRUE(HostLogHas("E Vimora: rate 5% with %d"));
  struct stat st;
  ASSERT_EQ(stat(LogPath().c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IRUSR);
}

TEST_F(cPluginFrame, LogFileAppendsToExistingFile)
{
  std::string path = root + "/own.log";
  WriteFile(path, "earlier\n");
  ASSERT_TRUE(Args({ "--logfile=" + path, "--verbose=1" }));
  ASSERT_TRUE(plugin.Start());
  std::vector<std::string> lines = Lines(ReadFile(path));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "earlier");
}

TEST_F(cPluginFrame, UnopenableLogFileIsReportedOnce)
{
  std::string path = root + "/missing-dir/own.log";
  ASSERT_TRUE(Args({ "-l", path, "-v", "3" }));
  ASSERT_TRUE(plugin.Start());
  EXPECT_FALSE(LogFile.IsOpen());
  EXPECT_TRUE(HostLogHas("E Vimora: could not open log file: " + path));
  LogFile.Log(1, "dropped");
  EXPECT_FALSE(FileExists(path));
}

// The plug-in's SVDRP commands on a recording of the music channel with stand-in
// conversion scripts: listings, cut marks, conversions started, watched, refused and
// stopped, the blacklist applied again, and bad options that change nothing.
#include <vdr/recording.h>

#include "audio_thread.h"
#include "conversion.h"
#include "svdrp.h"
#include "tracks.h"

class cSvdrpCommands : public cConversionEnv {
protected:
  int code;
  std::string Command(const char *Command, const char *Option = "")
  {
    code = 900;
    cString reply = VimoraSVDRPCommand(Command, Option, code);
    return *reply ? *reply : "(none)";
  }
  void SetUp(void) override
  {
    cConversionEnv::SetUp();
    WriteFile(fileName + "/vimora", MusicChannelId);
    AddTrack("A", "T: live", 1999, 60, 60);
    AddTrack("B", "U", 2001, 200, 60);
  }
};

TEST_F(cSvdrpCommands, ListingsAndCutMarksWhileBadOptionsChangeNothing)
{
  EXPECT_EQ(Command("LSTR"), "1 2026-12-07 20:00 0:10:00 Music 2 0");
  EXPECT_EQ(code, 900);
  std::string tracks = "selected|A|T: live|1999|2026-12-07 20:01:00|60\nselected|B|U|2001|2026-12-07 20:03:20|60";
  EXPECT_EQ(Command("LSTT", "1"), tracks);
  EXPECT_EQ(Command("lstt"), tracks); // the whole catalogue
  const char *const bad[][2] = {
    { "LSTT", "2" }, { "LSTT", "x" }, { "LSTT", "1 2" }, { "MARK", "" }, { "MARK", "0" }, { "MARK", "-1" },
    { "MARK", "1 2" }, { "MARK", "99999999999" }, { "LSTR", "all" }, { "STAT", "now" }, { "BLCK", "x" },
    { "CONV", "1" }, { "CONV", "1 loud" }, { "CONV", "3 audio" }, { "CONV", "audio 1" },
  };
  for (const auto &b : bad) {
      std::string reply = Command(b[0], b[1]);
      EXPECT_EQ(code, 501) << b[0] << " " << b[1] << ": " << reply;
      EXPECT_FALSE(reply.empty());
  }
  EXPECT_EQ(Command("CONV", "1 audio"), "No marks available in Music");
  EXPECT_EQ(code, 550);
  EXPECT_FALSE(FileExists(MarksPath()));
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_EQ(Command("WHAT"), "(none)");

  EXPECT_EQ(Command("MARK", " 1 "), "2 pairs of cut marks written to Music");
  EXPECT_EQ(code, 900);
  // I-frames every 12 frames: the first at or after 63 s, the last at or before 123 s
  EXPECT_EQ(ReadFile(MarksPath()), "0:01:03.09 A|T: live|1999\n0:02:02.22\n0:03:23.01 B|U|2001\n0:04:22.14\n");
}

TEST_F(cSvdrpCommands, AConversionIsStartedWatchedRefusedAgainAndStopped)
{
  EXPECT_EQ(Command("STAT"), "idle");
  ASSERT_EQ(Command("MARK", "1"), "2 pairs of cut marks written to Music");
  std::string marks = ReadFile(MarksPath());
  Hold(0);
  EXPECT_EQ(Command("CONV", "1 audio"), "Conversion of Music started");
  RunConversionAside();
  ASSERT_TRUE(WaitHeld(0));
  EXPECT_EQ(Command("STAT"), "Music: 0%");
  EXPECT_EQ(Command("CONV", "1 both"), "A conversion of Music is running (0%)");
  EXPECT_EQ(code, 550);
  EXPECT_EQ(Command("CONV", "1 video"), "A conversion of Music is running (0%)");
  EXPECT_EQ(Command("STOP"), "Conversion of Music stopped at 0%");
  EXPECT_EQ(ReadFile(MarksPath()), marks);
  EXPECT_EQ(Command("STAT"), "idle; the last conversion, of Music: stopped");
  EXPECT_EQ(Command("STOP"), "idle");
  WaitConversion();
  Release(0);
  EXPECT_EQ(Calls().size(), 1u);
  // without the cutting plug-in there are no video clips to make
  EXPECT_EQ(Command("CONV", "1 video"), "Video clips need the plug-in rozerez, which is not loaded");
  EXPECT_EQ(code, 550);
  // a run to its end marks the tracks converted, as the menu's does
  EXPECT_EQ(Command("CONV", "1 audio"), "Conversion of Music started");
  RunConversion();
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 2, 2 }));
  EXPECT_EQ(Command("LSTR"), "1 2026-12-07 20:00 0:10:00 Music 2 2");
}

TEST_F(cSvdrpCommands, TheBlacklistIsReadAgainAndSkipsSelectedTracksOnly)
{
  std::string blacklist = PluginConfigDir() + "/blacklist.conf";
  WriteFile(blacklist, "B;U\n");
  AddTrack("B", "U", 2001, 400, 60);
  {
    cTracksLock lock(Tracks);
    Tracks.Last()->status = 2; // converted: stays as it is
  }
  EXPECT_EQ(Command("BLCK"), "1 tracks skipped");
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 0, 1, 2 }));
  EXPECT_NE(ReadFile(PluginConfigDir() + "/tracks.conf").find("B:U:2001:1796673800:60:1:"), std::string::npos);
  EXPECT_EQ(Command("BLCK"), "0 tracks skipped");
  chmod(blacklist.c_str(), 0);
  if (access(blacklist.c_str(), R_OK) != 0) { // root reads it all the same
     EXPECT_EQ(Command("BLCK"), "Cannot read " + blacklist);
     EXPECT_EQ(code, 550);
  }
}

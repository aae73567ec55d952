// Cut marks where tracks meet, on an index with an I-frame every two seconds, and the
// channel a recording's marker file names.
#include <vdr/recording.h>

#include "hostenv.h"
#include "hostfixtures.h"
#include "menu_recs.h"
#include "pluginlog.h"
#include "tracks.h"
#include "vimora_config.h"

class cCutMarks : public cHostEnv {
protected:
  std::string recording;
  // A ten-minute recording of the music channel from TestEpoch on at FramesPerSecond,
  // an I-frame every two seconds, and the catalogue's lines (start in seconds after
  // TestEpoch).
  void MarkTracks(const std::vector<std::string> &Catalogue, double FramesPerSecond = 25)
  {
    AddTestChannel();
    recording = MakeTestRecording("Hand Made", TestEpoch, int(600 * FramesPerSecond), int(2 * FramesPerSecond), MusicChannelID, FramesPerSecond);
    WriteFile(recording + "/vimora", MusicChannelID);
    ASSERT_TRUE(MakeDirs(PluginConfigDir().c_str(), true));
    std::string text;
    for (const auto &l : Catalogue)
        text += l + "\n";
    WriteFile(PluginConfigDir() + "/tracks.conf", text);
    ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { "vimora" }));
    VimoraConfig.offset = 0;
    Press({ kMenu, k1, kGreen });
  }
  std::vector<std::string> Marks(void) { return Lines(ReadFile(recording + "/marks")); }
};

static std::string Track(const char *Artist, int Start, int Duration)
{
  return std::string(Artist) + ":Song:2000:" + std::to_string(TestEpoch + Start) + ":" + std::to_string(Duration) + ":0";
}

// X ends at frame 5025 and Y starts at 4975: one I-frame, 5000, lies between.
TEST_F(cCutMarks, SharedMarkOfOverlappingTracksNamesTheLaterTrack)
{
  MarkTracks({ Track("X", 100, 101), Track("Y", 199, 100) });
  EXPECT_EQ(Marks(), (std::vector<std::string>{ MarkLine(2550, "X|Song|2000"), MarkLine(5000, "Y|Song|2000"), MarkLine(7450) }));
}

TEST_F(cCutMarks, SharedMarkNamesTheLaterTrackWhateverTheListOrder)
{
  MarkTracks({ Track("Y", 199, 100), Track("X", 100, 101) });
  EXPECT_EQ(Marks(), (std::vector<std::string>{ MarkLine(2550, "X|Song|2000"), MarkLine(5000, "Y|Song|2000"), MarkLine(7450) }));
}

TEST_F(cCutMarks, TracksStartingTogetherShareOneMarkNamedByTheLastListed)
{
  MarkTracks({ Track("P", 400, 60), Track("Q", 400, 100) });
  EXPECT_EQ(Marks(), (std::vector<std::string>{ MarkLine(10050, "Q|Song|2000"), MarkLine(11450), MarkLine(12450) }));
}

// With one I-frame inside, or none, no pair fits.
TEST_F(cCutMarks, ATrackTooShortForTwoIFramesGetsNoMarks)
{
  MarkTracks({ Track("One I-frame", 101, 2), Track("Zero", 300, 0), Track("Last", 500, 50) });
  EXPECT_EQ(Marks(), (std::vector<std::string>{ MarkLine(12550, "Last|Song|2000"), MarkLine(13700) }));
}

// The guide's seconds at the recording's 50 frames: a track whose end lies beyond its
// ten minutes gets no marks.
TEST_F(cCutMarks, AtFiftyFramesThePairsLieOnTheGuidesSeconds)
{
  MarkTracks({ Track("X", 100, 101), Track("Beyond", 590, 20) }, 50);
  EXPECT_EQ(Marks(), (std::vector<std::string>{ MarkLine(5100, "X|Song|2000", 50), MarkLine(10000, NULL, 50) }));
  EXPECT_EQ(Marks()[0], "0:01:42.00 X|Song|2000");
}

// The recorder passes on whatever rate the info holds; one no time is counted in is 25.
TEST_F(cCutMarks, ARateOfNoUseCountsAsTwentyFive)
{
  MarkTracks({ Track("X", 100, 101), Track("Y", 199, 100) });
  std::vector<std::string> atTwentyFive = Marks();
  std::string info = ReadFile(recording + "/info");
  size_t rate = info.find("\nF 25\n");
  ASSERT_NE(rate, std::string::npos);
  for (const char *nonsense : { "0", "-50", "nan", "1e9" }) {
      ASSERT_TRUE(WriteFile(recording + "/info", info.substr(0, rate) + "\nF " + nonsense + info.substr(rate + 5)));
      ASSERT_TRUE(WriteFile(recording + "/marks", ""));
      Press({ kGreen });
      EXPECT_EQ(Marks(), atTwentyFive) << nonsense;
  }
}

class cMarkerFile : public cTestEnv {
protected:
  std::string recording;
  cTestPluginLog log;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    AddTestChannel();
    recording = MakeTestRecording("Marked", TestEpoch, 250);
    ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
  }
  std::string ChannelOf(const char *Marker)
  {
    if (Marker)
       WriteFile(recording + "/vimora", Marker);
    else
       unlink((recording + "/vimora").c_str());
    return GetRecordingChannelID(Recordings.GetByName(recording.c_str()));
  }
};

TEST_F(cMarkerFile, FirstWordNamesTheChannelAndNoWordTheMusicChannel)
{
  EXPECT_EQ(ChannelOf("S19.2E-1-1101-28006"), "S19.2E-1-1101-28006");
  EXPECT_EQ(ChannelOf("S19.2E-1-1101-28006 Other\nsecond line\n"), "S19.2E-1-1101-28006");
  EXPECT_EQ(ChannelOf("\n  \tT-8468-4097-1\n"), "T-8468-4097-1");
  EXPECT_EQ(ChannelOf(""), MusicChannelID);
  EXPECT_EQ(ChannelOf(" \n\t\n"), MusicChannelID);
  EXPECT_TRUE(log.Messages().empty());
}

TEST_F(cMarkerFile, MissingFileGivesNoChannelAndALogLine)
{
  EXPECT_EQ(ChannelOf(NULL), "");
  EXPECT_EQ(log.Messages(), (std::vector<std::string>{ "could not open file '" + recording + "/vimora'" }));
  EXPECT_TRUE(HostLogHas("Vimora: could not open file '" + recording + "/vimora'"));
}

// Cut marks moved onto the song boundaries of a real recording: the channel airs its items
// at other times than its guide says, each item opens with a gap of black and silence,
// and green with "refinemarks" finds the gaps in the recorded sound.
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/config.h>
#include <vdr/i18n.h>
#include <vdr/recording.h>

#include "../../host/src/mediawriter.h"
#include "audio_silence.h"
#include "mediarecording.h"
#include "pluginlog.h"
#include "recorderenv.h"
#include "refine_thread.h"
#include "vimora_config.h"
#include <vdr/onair.h>

namespace {

// What the channel really airs (seconds after 20:00); E is an announcement, not a track,
// and G is aired in two parts, with a quiet passage between them.
const struct {
  int start, duration;
  const char *title;
} Aired[] = {
  { 10, 60, "A - Song (2000)" }, { 70, 60, "B - Song (2000)" }, { 130, 60, "C - Song (2000)" },
  { 190, 90, "D - Song (2000)" }, { 280, 12, "E - Jingle (2000)" }, { 292, 60, "F - Song (2000)" },
  { 352, 20, "G - Song (2000)" }, { 372, 40, "G - Song (2000)" },
};

// The guide's times of the tracks: A starts on time, B early by 12 s, C late by 9 s, D
// on time, and D's end lies 30 s before the real one, beyond the window; F begins 3 s
// before its gap and 9 s after E's, G 6 s after its gap and 14 s before its quiet passage.
std::string Catalogue(void)
{
  const struct {
    const char *artist;
    int start, end;
  } guide[] = { { "A", 10, 58 }, { "B", 58, 139 }, { "C", 139, 190 }, { "D", 190, 250 }, { "F", 289, 358 }, { "G", 358, 412 } };
  std::string text;
  for (const auto &g : guide)
      text += std::string(g.artist) + ":Song:2000:" + std::to_string(TestEpoch + g.start) + ":" + std::to_string(g.end - g.start) + ":0\n";
  return text;
}

} // namespace

class cMediaRefine : public cRecorderEnv {
protected:
  std::string recording;

  void SetUp(void) override
  {
    cRecorderEnv::SetUp();
    SetMediaWriterFactory(NewRenderedMediaWriter);
    for (const auto &a : Aired)
        cOnAir::Add(music->GetChannelID(), TestEpoch + a.start, a.duration, a.title);
    Start(Catalogue());
    VimoraConfig.offset = 0;
    recording = Record("Refine", 0, 420);
    ASSERT_TRUE(FileExists(recording + "/00001.ts"));
    OpenMenu();
  }

  std::vector<std::string> Green(bool Refine)
  {
    VimoraConfig.refinemarks = Refine;
    Skins.TextSkin()->ForgetMessages();
    Press({ kGreen });
    if (Refine) {
       // the search runs in the background; the main menu entry shows its progress
       EXPECT_EQ(Messages(), (std::vector<std::string>{ "info: Searching the song boundaries..." }));
       while (cRefineMarksThread::Busy())
         usleep(1000);
       EXPECT_STREQ(cPluginManager::GetPlugin("vimora")->MainMenuEntry(), "Vimora");
       loop->Run(5000); // the first message is shown for its time first
       EXPECT_EQ(Messages(), (std::vector<std::string>{ "info: Searching the song boundaries...", "info: Marks created!" }));
    }
    else
       EXPECT_EQ(Messages(), (std::vector<std::string>{ "info: Marks created!" }));
    return Marks(recording);
  }
};

// The gaps open the items at frames 250, 1750, 3250, 4750, 7000, 7300, 8800, 9300 and
// end at 267, 1775, 3270, 4765, 7014, 7313, 8821, 9315; silence follows 10300.
TEST_F(cMediaRefine, MarksMoveOntoTheNearestGapAndBackWhenSwitchedOff)
{
  const std::vector<std::string> guide = {
    MarkLine(252, "A|Song|2000"), MarkLine(1440), MarkLine(1452, "B|Song|2000"), MarkLine(3468),
    MarkLine(3480, "C|Song|2000"), MarkLine(4740), MarkLine(4752, "D|Song|2000"), MarkLine(6240),
    MarkLine(7236, "F|Song|2000"), MarkLine(8940), MarkLine(8952, "G|Song|2000"), MarkLine(10296),
  };
  EXPECT_EQ(Green(false), guide);
  std::string guideFile = ReadFile(recording + "/marks");

  EXPECT_EQ(Green(true), (std::vector<std::string>{
                           MarkLine(276, "A|Song|2000"),  // on time: after the silence before A
                           MarkLine(1740),                // the guide's end 12 s early
                           MarkLine(1776, "B|Song|2000"), // the guide 12 s early
                           MarkLine(3240),                // the guide's end 9 s late
                           MarkLine(3276, "C|Song|2000"), // the guide 9 s late
                           MarkLine(4740),                // on time: the silence begins at the mark
                           MarkLine(4776, "D|Song|2000"),
                           MarkLine(6240),                // no transition within 20 s: the guide's mark
                           MarkLine(7320, "F|Song|2000"), // F's own gap, nearer than E's
                           MarkLine(8796),
                           MarkLine(8832, "G|Song|2000"), // G's gap, nearer than its quiet passage
                           MarkLine(10296),
                         }));
  std::string log = ReadFile(logPath);
  EXPECT_NE(log.find("start mark of B|Song|2000 moved by +12.96 s, from 0:00:58.02 to 0:01:11.01"), std::string::npos) << log;
  EXPECT_NE(log.find("end mark of D|Song|2000 stays at 0:04:09.15: no transition within 20 s"), std::string::npos) << log;

  EXPECT_EQ(Green(false), guide);
  EXPECT_EQ(ReadFile(recording + "/marks"), guideFile);
}

// A window of 5 s reaches neither the gap of B (12 s off) nor that of C (9 s off).
TEST_F(cMediaRefine, ANarrowWindowLeavesMarksFarFromTheirGap)
{
  VimoraConfig.refinewindow = 5;
  std::vector<std::string> marks = Green(true);
  ASSERT_EQ(marks.size(), 12u);
  EXPECT_EQ(marks[2], MarkLine(1452, "B|Song|2000"));
  EXPECT_EQ(marks[3], MarkLine(3468));
  EXPECT_EQ(marks[4], MarkLine(3480, "C|Song|2000"));
  EXPECT_EQ(marks[8], MarkLine(7320, "F|Song|2000"));
}

// A recording with three sound tracks, each silent at a time of its own: the search hears
// the one the rule chooses.
class cMediaSoundTracks : public cTestEnv {};

TEST_F(cMediaSoundTracks, TheSearchHearsTheTrackOfThePreferredLanguage)
{
  std::string stream = root + "/tracks.ts", dir = videoDir + "/Tracks/2026-12-07.20.00.1-0.rec";
  auto tone = [](int Quiet) { return "aevalsrc=0.5*sin(2*PI*440*t)*not(between(t\\," + std::to_string(Quiet) + "\\," + std::to_string(Quiet) + ".6)):s=48000"; };
  tProcessResult r = RunTool({ "ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25",
                               "-f", "lavfi", "-i", tone(3), "-f", "lavfi", "-i", tone(6), "-f", "lavfi", "-i", tone(9),
                               "-t", "12", "-map", "0", "-map", "1", "-map", "2", "-map", "3", "-c:v", "mpeg2video", "-g", "12",
                               "-c:a:0", "ac3", "-c:a:1", "mp2", "-c:a:2", "mp2", "-metadata:s:a:0", "language=deu",
                               "-metadata:s:a:1", "language=deu", "-metadata:s:a:2", "language=eng", "-f", "mpegts", stream });
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_TRUE(MakeDirs(dir.c_str(), true));
  std::string error;
  ASSERT_TRUE(MakeMediaRecording(dir, { { stream, {} } }, 25, false, error)) << error;
  struct {
    int language; // of the host's, -1 for none
    double quiet; // seconds
  } cases[] = { { -1, 6 }, { I18nLanguageIndex("eng"), 9 }, { I18nLanguageIndex("ita"), 6 } };
  for (const auto &c : cases) {
      SCOPED_TRACE(c.language);
      ::Setup.AudioLanguages[0] = c.language;
      ::Setup.AudioLanguages[1] = -1;
      cIndexFile index(dir.c_str(), false);
      std::vector<tSilence> silences;
      ASSERT_TRUE(cSilenceFinder(dir.c_str(), false, index).Find(0, index.Last(), silences));
      ASSERT_EQ(silences.size(), 1u);
      EXPECT_NEAR(silences[0].from, c.quiet * 25, 2);
      EXPECT_NEAR(silences[0].to, (c.quiet + 0.6) * 25, 2);
  }
  ::Setup.AudioLanguages[0] = -1;
}

// A recording at 50 frames a second as a channel sends it, H.264 with AC-3: 40 s of a
// tone with a second of silence around every tenth second.
class cMediaRefineAtFifty : public cTestEnv {
protected:
  std::string recording;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    AddTestChannel();
    recording = MakeTestRecording("Fifty", TestEpoch, 0, 24, MusicChannelID, 50);
    ASSERT_TRUE(MakeFiftyFrameMedia(recording, 40));
  }
};

// The window is seconds and the silences lie at their frames: marks up to 3 s off their
// silences move onto them.
TEST_F(cMediaRefineAtFifty, MarksMoveOntoTheSilencesAtTheirSeconds)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 2));
  cRecording rec(recording.c_str());
  std::vector<tMarkPair> pairs = { { 672, 888, "X" }, { 1056, 1392, "Y" } };
  ASSERT_TRUE(FindSongBoundaries(&rec, pairs, 5));
  // the silences are 9.5-10.5 s, 19.5-20.5 s and 29.5-30.5 s: frames 475-525, 975-1025, 1475-1525
  EXPECT_EQ(pairs[0].start, 528);
  EXPECT_EQ(pairs[0].end, 960);
  EXPECT_EQ(pairs[1].start, 1032);
  EXPECT_EQ(pairs[1].end, 1464);
  EXPECT_EQ(log.Messages("start mark of X"), (std::vector<std::string>{ "start mark of X moved by -2.88 s, from 0:00:13.22 to 0:00:10.28" }));
}

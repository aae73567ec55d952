// Cut marks moved onto the song boundaries of a real recording: the channel airs its items
// at other times than its guide says, each item opens with a gap of black and silence,
// and green with "refinemarks" finds the gaps in the recorded sound.
#include <algorithm>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/config.h>
#include <vdr/i18n.h>
#include <vdr/recording.h>

#include "../../host/src/mediawriter.h"
#include "audio_silence.h"
#include "log.h"
#include "mediarecording.h"
#include "menu_recs.h"
#include "recordingmedia.h"
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
      std::vector<tTransition> silences;
      ASSERT_TRUE(cTransitionFinder(dir.c_str(), false, index).Find(0, index.Last(), silences));
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

// The transitions music channels make, in the broadcast formats our users record: songs
// that begin after a gap of silence, a dip of the sound over a hard cut, a hard cut over
// which the sound runs on, or a fade through black; announcements of 8 to 30 s between
// some of them; a guide off by -20 to +20 s at every boundary. Every mark lies within
// 0.5 s of where its song's sound begins or ends, inside the song.
namespace {

struct tAiredItem {
  int duration;
  eTransition transition;
  int guideError; // of the guide's start, seconds
  const char *artist; // null for an announcement
};

const tAiredItem Programme[] = {
  { 40, trSilence, 0, "S0" },   { 45, trDip, -20, "S1" },   { 8, trCut, 20, nullptr },  { 50, trCut, 18, "S2" },
  { 40, trFade, -15, "S3" },    { 30, trSilence, 0, nullptr }, { 45, trDip, -20, "S4" }, { 40, trCut, 20, "S5" },
  { 12, trFade, -10, nullptr }, { 50, trSilence, 5, "S6" }, { 40, trFade, 18, "S7" },   { 20, trDip, -6, nullptr },
};
const int ProgrammeStart = 10;

} // namespace

class cMediaTransitions : public cRecorderEnv, public ::testing::WithParamInterface<const char *> {};

TEST_P(cMediaTransitions, EveryMarkWithinHalfASecondOfItsSongsSound)
{
  const tBroadcastFormat *format = BroadcastFormat(GetParam());
  ASSERT_TRUE(format);
  ASSERT_TRUE(SetChannelFormat(music, *format));
  SetMediaWriterFactory(NewRenderedMediaWriter);
  std::vector<int> aired, guided;
  int at = ProgrammeStart;
  std::string catalogue;
  for (const tAiredItem &i : Programme) {
      aired.push_back(at);
      guided.push_back(at + i.guideError);
      cOnAir::Add(music->GetChannelID(), TestEpoch + at, i.duration, i.artist ? (std::string(i.artist) + " - Song (2000)").c_str() : "News", i.transition);
      at += i.duration;
  }
  int end = at;
  size_t n = aired.size();
  for (size_t i = 0; i < n; i++) {
      int guideEnd = i + 1 < n ? guided[i + 1] : end + 3;
      ASSERT_LT(guided[i] + 5, guideEnd) << i; // the guide keeps its items in order
      if (Programme[i].artist)
         catalogue += std::string(Programme[i].artist) + ":Song:2000:" + std::to_string(TestEpoch + guided[i]) + ":" + std::to_string(guideEnd - guided[i]) + ":0\n";
  }
  Start(catalogue);
  VimoraConfig.offset = 0;
  std::string dir = Record("Transitions", 0, end + 30);
  ASSERT_FALSE(dir.empty());
  WriteFile(dir + "/vimora", MusicChannelID);
  // the guide as it is after the recording, its announcements with it
  for (size_t i = 0; i < n; i++)
      AddTestEvent(MusicChannelID, TestEpoch + guided[i], (i + 1 < n ? guided[i + 1] : end + 3) - guided[i],
                   Programme[i].artist ? (std::string(Programme[i].artist) + " - Song (2000)").c_str() : "News");
  cRecording recording(dir.c_str());
  double fps = recording.FramesPerSecond();
  ASSERT_EQ(fps, format->framesPerSecond);
  std::vector<tMarkPair> pairs = GuideMarkPairs(&recording);
  ASSERT_EQ(pairs.size(), 8u);
  ASSERT_TRUE(FindSongBoundaries(&recording, pairs, 20));
  // A mark counts frames in the order they are sent, an I-frame of H.264 and H.265 before
  // the B-frames shown before it: its picture, which begins the song, is shown up to three
  // frames after its number's time.
  double reorder = (std::string(format->videoCodec) == "mpeg2video" ? 0 : 3 / fps) + 1e-9;
  size_t pair = 0;
  for (size_t i = 0; i < n; i++) {
      if (!Programme[i].artist)
         continue;
      SCOPED_TRACE(Programme[i].artist);
      double soundStart = aired[i] + MediaLeadFrames(TestEpoch + aired[i], Programme[i].transition, int(fps)) / fps;
      double soundEnd = aired[i] + Programme[i].duration;
      double start = pairs[pair].start / fps - soundStart, stop = pairs[pair].end / fps - soundEnd;
      EXPECT_GE(start, -reorder);
      EXPECT_LE(start, 0.5);
      EXPECT_LE(stop, 0);
      EXPECT_GE(stop, -0.5);
      pair++;
  }
  if (HasFailure())
     for (const std::string &l : Lines(ReadFile(logPath)))
         if (l.find("transition") != std::string::npos || l.find(" mark ") != std::string::npos)
            printf("%s\n", l.c_str());
}

INSTANTIATE_TEST_SUITE_P(Formats, cMediaTransitions, ::testing::Values("mpeg2-mp2", "h264-50-ac3", "h265-eac3"),
                         [](const ::testing::TestParamInfo<const char *> &Info) {
                           std::string name = Info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

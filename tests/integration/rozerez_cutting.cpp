// The rozerez plug-in loaded by the host and called through its service, on recordings
// whose media is a made-up transport stream: every packet tells which frame it belongs
// to, so a clip shows exactly which frames it holds.
#include <filesystem>
#include <set>
#include <vdr/plugin.h>

#include "hostfixtures.h"
#include "rozerez_service.h"
#include "rozerezfixture.h"

namespace fs = std::filesystem;

namespace {

const int PacketsPerFrame = 3;
const size_t TsSize = 188;

// A recording of Frames frames at FramesPerSecond with an I-frame every 12, its media in
// 00001.ts unless WithMedia is false, and the marks file Marks.
std::string MakeRecording(const char *Name, int Frames, const std::string &Marks, bool WithMedia = true, double FramesPerSecond = 25)
{
  std::string dir = MakeTestRecording(Name, TestEpoch, Frames, 12, MusicChannelID, FramesPerSecond);
  if (WithMedia) {
     std::string media;
     for (int f = 0; f < Frames; f++) {
         for (int p = 0; p < PacketsPerFrame; p++) {
             std::string packet(TsSize, char(0xFF));
             snprintf(&packet[0], TsSize, "%cframe %d packet %d", 0x47, f, p);
             media += packet;
         }
     }
     EXPECT_TRUE(WriteFile(dir + "/00001.ts", media));
     // the index in the made-up media's own offsets
     RemoveFileOrDir((dir + "/index").c_str());
     cIndexFile index(dir.c_str(), true);
     for (int f = 0; f < Frames; f++)
         EXPECT_TRUE(index.Write(f % 12 == 0, 1, off_t(f) * PacketsPerFrame * TsSize));
  }
  EXPECT_TRUE(WriteFile(dir + "/marks", Marks));
  return dir;
}

// The frames a clip holds: first and last, after checking that it holds them all, whole.
std::pair<int, int> FramesOf(const std::string &Clip)
{
  std::string data = ReadFile(Clip);
  EXPECT_EQ(data.size() % (PacketsPerFrame * TsSize), 0u) << Clip;
  int first = -1, previous = -1;
  for (size_t i = 0; i + TsSize <= data.size(); i += TsSize) {
      int frame = -1, packet = -1;
      EXPECT_EQ(sscanf(data.c_str() + i, "\x47" "frame %d packet %d", &frame, &packet), 2);
      if (first < 0)
         first = frame;
      EXPECT_TRUE(frame == previous || frame == previous + 1 || previous < 0) << Clip << " at byte " << i;
      previous = frame;
  }
  return { first, previous };
}

} // namespace

using cRozerez = cRozerezTest;

TEST_F(cRozerez, AnswersOnlyItsOwnServiceAndTellsItsOption)
{
  EXPECT_TRUE(rozerez->Service("Rozerez-MultiCut-v1.0"));
  EXPECT_TRUE(rozerez->Service("Rozerez-MultiCut-v1.1"));
  EXPECT_FALSE(rozerez->Service("Rozerez-MultiCut-v1.2", this));
  EXPECT_FALSE(rozerez->Service("other"));
  EXPECT_NE(std::string(rozerez->CommandLineHelp()).find("--dir=DIR"), std::string::npos);
  EXPECT_TRUE(Files(clips).empty());
}

TEST_F(cRozerez, EachPairBecomesAClipFromTheStartsIFrameUpToTheEndMark)
{
  std::string rec = MakeRecording("Music~Cut", 300,
                                  "0:00:01.05 Artist - Song (1999)\n" // frame 30, its I-frame is 24
                                  "0:00:03.00\n"                      // 75
                                  "0:00:04.20\n"                      // 120, an I-frame, no comment
                                  "0:00:08.00 ignored end comment\n"  // 200
                                  "0:00:11.00 Last one alone\n");     // no partner
  EXPECT_EQ(Cut(rec), "");
  EXPECT_EQ(Files(clips), (std::set<std::string>{ "Artist - Song (1999).ts", "Clip at 0.00.04.20.ts" }));
  EXPECT_EQ(FramesOf(clips + "/Artist - Song (1999).ts"), std::make_pair(24, 74));
  EXPECT_EQ(FramesOf(clips + "/Clip at 0.00.04.20.ts"), std::make_pair(120, 199));
  EXPECT_TRUE(HostLogHas("rozerez: 2 clip(s) of " + rec + " written into " + clips));

  // an end mark past the index takes the clip to the end of the media; cutting again
  // replaces the clips
  WriteFile(rec + "/marks", "0:00:10.00 Artist - Song (1999)\n0:01:00.00\n");
  EXPECT_EQ(Cut(rec), "");
  EXPECT_EQ(FramesOf(clips + "/Artist - Song (1999).ts"), std::make_pair(240, 299));
}

TEST_F(cRozerez, ClipsStayInTheirFolderWhateverTheirNames)
{
  std::string rec = MakeRecording("Music~Names", 400,
                                  "0:00:00.00 ../../escape\n0:00:01.00\n"
                                  "0:00:02.00 /etc/passwd\n0:00:03.00\n"
                                  "0:00:04.00 ..\n0:00:05.00\n"
                                  "0:00:06.00 .hidden\n0:00:07.00\n"
                                  "0:00:08.00 tab\there \n0:00:09.00\n"
                                  "0:00:10.00 Same\n0:00:11.00\n"
                                  "0:00:12.00 Same\n0:00:13.00\n"
                                  "0:00:14.00 " + std::string(300, 'x') + "\n0:00:15.00\n");
  EXPECT_EQ(Cut(rec), "");
  EXPECT_EQ(Files(clips), (std::set<std::string>{ "___.._escape.ts", "_etc_passwd.ts", "__.ts", "_hidden.ts", "tab here.ts",
                                                  "Same.ts", "Same (2).ts", std::string(200, 'x') + ".ts" }));
  std::set<std::string> outside;
  for (const auto &e : fs::recursive_directory_iterator(root))
      if (e.path().parent_path() != clips && e.path().extension() == ".ts" && e.path().filename() != "00001.ts")
         outside.insert(e.path());
  EXPECT_TRUE(outside.empty()) << *outside.begin();
}

TEST_F(cRozerez, FailuresSayWhatIsWrongAndWriteNoClip)
{
  std::string pair = "0:00:01.00 A - B\n0:00:02.00\n";
  std::string noMedia = MakeRecording("Music~NoMedia", 100, pair, false);
  std::string noMarks = MakeRecording("Music~NoMarks", 100, "0:00:01.00 Just one mark\n");
  std::string garbled = MakeRecording("Music~Garbled", 100, "soon\nlater\n");
  std::string beyond = MakeRecording("Music~Beyond", 100, "0:00:05.00 A - B\n0:00:06.00\n");
  std::string mismatch = MakeRecording("Music~Mismatch", 100, pair);
  WriteFile(mismatch + "/00001.ts", std::string(100 * PacketsPerFrame * TsSize, 'x'));
  std::string shorter = MakeRecording("Music~Shorter", 100, pair);
  WriteFile(shorter + "/00001.ts", ReadFile(shorter + "/00001.ts").substr(0, 40 * PacketsPerFrame * TsSize));
  std::string missing = videoDir + "/Music/Missing/2026-12-07.20.00.1-0.rec";
  struct {
    std::string recording, error;
  } cases[] = {
    { noMedia, "rozerez: no media in " + noMedia },
    { noMarks, "rozerez: " + noMarks + " has no pair of marks" },
    { garbled, "rozerez: " + garbled + " has no pair of marks" },
    { beyond, "rozerez: the mark at 0:00:05.00 lies beyond the end of " + beyond },
    { mismatch, "rozerez: the media of " + mismatch + " does not match its index" },
    { shorter, "rozerez: the media of " + shorter + " is shorter than its index" },
    { missing, "rozerez: recording " + missing + " not found" },
    { "", "rozerez: no recording given" },
  };
  for (const auto &c : cases) {
      EXPECT_EQ(Cut(c.recording), c.error);
      EXPECT_TRUE(HostLogHas("E ERROR: " + c.error));
  }
  EXPECT_FALSE(FileExists(clips));

  std::string good = MakeRecording("Music~Good", 100, pair);
  WriteFile(clips, "a file where the folder should be");
  EXPECT_EQ(Cut(good), "rozerez: cannot create the clip folder " + clips);
}

TEST_F(cRozerez, ErrorTextsOutliveTheCallAndTheNextOne)
{
  std::string noMedia = MakeRecording("Music~NoMedia", 100, "0:00:01.00\n0:00:02.00\n", false);
  MultiCutRequest first = { strdup(noMedia.c_str()), NULL };
  MultiCutRequest second = { strdup((noMedia + "/nothing").c_str()), NULL };
  ASSERT_TRUE(rozerez->Service(ROZEREZ_MULTICUT_SERVICE, &first));
  ASSERT_TRUE(rozerez->Service(ROZEREZ_MULTICUT_SERVICE, &second));
  ASSERT_TRUE(first.errorText && second.errorText);
  EXPECT_EQ(std::string(first.errorText), "rozerez: no media in " + noMedia);
  EXPECT_EQ(std::string(second.errorText), "rozerez: recording " + noMedia + "/nothing not found");
  free(first.recordingFileName);
  free(second.recordingFileName);
}

TEST_F(cRozerez, WithoutAFolderOptionClipsGoBesideTheRecording)
{
  Load("rozerez");
  std::string rec = MakeRecording("Music~Beside", 100, "0:00:01.00 A - B\n0:00:02.00\n");
  EXPECT_EQ(Cut(rec + "/"), "");
  EXPECT_TRUE(FileExists(videoDir + "/Music/Beside/clips/A - B.ts"));
  EXPECT_FALSE(FileExists(clips));
}

// Version 1.1: the caller's folder instead of the plug-in's, and the clips' files in the
// order of their pairs; without a folder the plug-in's own.
TEST_F(cRozerez, TheCallerNamesTheFolderAndGetsTheClipsBack)
{
  std::string rec = MakeRecording("Music~Named", 200, "0:00:01.00 B\n0:00:02.00\n0:00:03.00 A\n0:00:04.00\n0:00:05.00 A\n0:00:06.00\n");
  std::string mine = root + "/mine";
  std::vector<std::string> files;
  MultiCutRequest_v1_1 request = { &rec[0], NULL, mine.c_str(), &files };
  ASSERT_TRUE(rozerez->Service(ROZEREZ_MULTICUT_SERVICE_V1_1, &request));
  EXPECT_EQ(request.errorText, nullptr);
  EXPECT_EQ(files, (std::vector<std::string>{ mine + "/B.ts", mine + "/A.ts", mine + "/A (2).ts" }));
  EXPECT_EQ(FramesOf(mine + "/A.ts"), std::make_pair(72, 99));
  EXPECT_TRUE(Files(clips).empty());
  request = { &rec[0], NULL, NULL, NULL };
  ASSERT_TRUE(rozerez->Service(ROZEREZ_MULTICUT_SERVICE_V1_1, &request));
  EXPECT_EQ(request.errorText, nullptr);
  EXPECT_TRUE(FileExists(clips + "/B.ts"));
}

// Marks the recorder wrote at a recording's 50 frames: each clip holds its pair's seconds,
// and an error names a mark by its time.
TEST_F(cRozerez, AtFiftyFramesClipsHoldTheSecondsOfTheirMarks)
{
  std::string rec = MakeRecording("Music~Fifty", 1500,
                                  "0:00:02.00 A - Song (2000)\n" // frame 100, its I-frame is 96
                                  "0:00:10.00\n"                 // 500
                                  "0:00:12.00\n"                 // 600
                                  "0:00:29.40\n",                // 1490
                                  true, 50);
  EXPECT_EQ(Cut(rec), "");
  EXPECT_EQ(FramesOf(clips + "/A - Song (2000).ts"), std::make_pair(96, 499));
  EXPECT_EQ(FramesOf(clips + "/Clip at 0.00.12.00.ts"), std::make_pair(600, 1489));
  WriteFile(rec + "/marks", "0:00:31.00 A - Song (2000)\n0:00:32.00\n");
  EXPECT_EQ(Cut(rec), "rozerez: the mark at 0:00:31.00 lies beyond the end of " + rec);
}

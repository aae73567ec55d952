// The plug-ins in the real recorder: it loads them, the plug-in's menu and setup page
// answer keys sent over SVDRP, and on a recording of the music channel, made by our
// host's recorder or by the recorder itself from the device plug-in's programme, keys mark
// it (one pair per catalogued track), have rozerez cut the clips and the scripts write
// tagged audio files, or the plug-in does so by itself when the recording ends. The results
// are checked on disk and on the screen, and the recorder's log for errors.
#include <algorithm>
#include <filesystem>
#include <string.h>

#include "files.h"
#include "hostfixtures.h"
#include "hostprogram.h"
#include "recordingmedia.h"
#include "tracks.h"
#include "vdrrecorder.h"

namespace fs = std::filesystem;

// What the device puts on air and the guide says, seconds after the programme's start.
struct tOnAir {
  int offset, duration;
  const char *title;
  const char *track; // artist, title and year in tracks.conf; null: not a track
  int status;        // in tracks.conf
};

class cVdrRoad : public cHostProgram {
protected:
  std::unique_ptr<cVdrRecorder> vdr;
  std::string recording, clipsDir;
  void SetUp(void) override
  {
    cHostProgram::SetUp();
    clipsDir = root + "/clips";
    vdr.reset(new cVdrRecorder(root, VIMORA_VDR_LOCALE_DIR));
  }
  // Records two songs with media and moves the recording and the catalogue over to the
  // recorder's folders; false when the host did not make them.
  bool RecordTwoSongs(void)
  {
    tProcessResult r = Script("channel S19.2E-1-1092-10100 VimoraMusic\n"
                              "event 1 +10 20 Alpha Band - First Song (1991)\n"
                              "event 1 +30 20 Gamma - Third (1993)\n"
                              "timer 1 +0 +60 Music\n"
                              "wait 65\n");
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    std::vector<std::string> found = MatchPaths(videoDir + "/Music/*.rec");
    std::string made = found.size() == 1 ? found[0] : "";
    if (made.empty() || !FileExists(made + "/00001.ts") || !FileExists(made + "/index") || !FileExists(made + "/vimora"))
       return false;
    fs::rename(videoDir + "/Music", vdr->videoDir + "/Music");
    recording = vdr->videoDir + "/Music/" + fs::path(made).filename().string();
    fs::create_directories(vdr->configDir + "/plugins/vimora");
    fs::copy_file(PluginConfigDir() + "/tracks.conf", vdr->configDir + "/plugins/vimora/tracks.conf");
    return true;
  }
  void Keys(std::initializer_list<const char *> Keys)
  {
    for (const char *k : Keys)
        ASSERT_TRUE(vdr->Key(k)) << k;
  }
  // Menu, the plug-in's entry, OK on the current recording: its replay under the plug-in's
  // control, with no OSD open any more.
  void ReplayCurrentRecording(void)
  {
    Keys({ "Menu", "5" });
    ASSERT_TRUE(WaitUntil([&] { return vdr->OsdOpen(); }, 10));
    Keys({ "Ok" });
    ASSERT_TRUE(WaitUntil([&] { return !vdr->OsdOpen(); }, 10));
  }
  // The names of Dir's files that end in Extension (the library holds more beside the
  // clips and audio files: NFOs, thumbnails, playlists).
  std::vector<std::string> Files(const std::string &Dir, const std::string &Extension)
  {
    std::vector<std::string> files;
    if (fs::is_directory(Dir)) {
       for (const auto &e : fs::directory_iterator(Dir))
           if (e.path().extension() == Extension)
              files.push_back(e.path().filename().string());
       }
    std::sort(files.begin(), files.end());
    return files;
  }
  // Airs Items from From on: writes the device's programme (root/programme), starts the
  // recorder with it and hands it the same items as its guide (PUTE); false on failure.
  // More: lines of the programme before its items (format, bit rate). Guide: the guide's
  // times of the items where they are not those on air.
  template <size_t N> bool AirAndGuide(time_t From, const tOnAir (&Items)[N], const std::string &More = "", const tOnAir *Guide = NULL)
  {
    std::string programme = std::string("channel ") + VdrMusicChannelID + "\n" + More;
    std::vector<std::string> guide = { std::string("C ") + VdrMusicChannelID + " VimoraMusic" };
    int id = 1;
    for (size_t i = 0; i < N; i++) {
        const tOnAir &a = Items[i], &g = Guide ? Guide[i] : a;
        programme += "item " + std::to_string(From + a.offset) + " " + std::to_string(a.duration) + " " + a.title + "\n";
        guide.insert(guide.end(), { "E " + std::to_string(id++) + " " + std::to_string(From + g.offset) + " " + std::to_string(g.duration) + " 50 0",
                                    std::string("T ") + a.title, "e" });
        }
    guide.push_back("c");
    if (!WriteFile(root + "/programme", programme) || !Start(root + "/programme")) {
       ADD_FAILURE() << vdr->Output();
       return false;
       }
    std::vector<std::string> put = vdr->SvdrpData("PUTE", guide);
    EXPECT_TRUE(put.size() == 1 && put[0].substr(0, 3) == "250") << Join(put);
    return put.size() == 1 && put[0].substr(0, 3) == "250";
  }
  // A timer on the music channel from Start to Stop (whole minutes) that records into Name.
  void NewTimer(time_t Start, time_t Stop, const std::string &Name)
  {
    std::vector<std::string> timer = vdr->Svdrp("NEWT 1:1:" + Day(Start) + ":" + HourMinute(Start) + ":" + HourMinute(Stop) + ":50:99:" + Name + ":");
    ASSERT_EQ(timer.size(), 1u);
    ASSERT_EQ(timer[0].substr(0, 3), "250") << timer[0];
  }
  // Programme: a file the device puts on air from the start, none when empty.
  bool Start(const std::string &Programme = "")
  {
    return vdr->Start({ "vimora -v 2", "rozerez -d " + clipsDir, "vimoradevice" + (Programme.empty() ? "" : " -p " + Programme) },
                      { "PATH=" VIMORA_SOURCE_DIR "/scripts:" + std::string(getenv("PATH")), "VIMORA_AUDIO_DIR=" + audioDir });
  }
  // Stops the recorder and checks that it exited by itself, with 0, and logged no error
  // (an invalid lock sequence included).
  void StopCleanly(void)
  {
    ASSERT_TRUE(vdr->Stop()) << vdr->Output();
    EXPECT_EQ(vdr->ExitCode(), 0) << vdr->Output();
    EXPECT_EQ(vdr->Errors(), std::vector<std::string>()) << RecorderLog();
    EXPECT_TRUE(vdr->LogHas("stopping plugin: vimora"));
  }
  // The recorder's log, for a failure's message.
  std::string RecorderLog(void)
  {
    std::string text;
    for (const auto &l : vdr->Log())
        text += l + "\n";
    return text;
  }
  // A media file's length in seconds, as ffprobe tells it.
  double Duration(const std::string &File)
  {
    tProcessResult r = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", "file:" + File });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return atof(r.out.c_str());
  }
  int Converted(void)
  {
    int n = 0;
    for (const auto &l : Lines(ReadFile(vdr->configDir + "/plugins/vimora/tracks.conf")))
        n += l.find(std::string(":2:") + MusicChannelId) != std::string::npos;
    return n;
  }
};

TEST_F(cVdrRoad, RecorderListsThePlugInsWithVersionAndDescription)
{
  // -V loads every plug-in, so each symbol it needs has resolved in the recorder
  tProcessResult r = RunProcess({ "/usr/bin/env", "vdr", "-V", "-L", VIMORA_VDR_PLUGIN_DIR, "-P", "vimora", "-P", "rozerez", "-P", "vimoradevice" });
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[1], "vimora (0.0.3) - a grabber for VimoraMusic");
  EXPECT_EQ(lines[2], "rozerez (0.1.0) - Cuts recordings into clips, one per pair of marks");
  EXPECT_EQ(lines[3], "vimoradevice (0.1.0) - Replaying output device, programme receiver and text skin for machines without either");
}

TEST_F(cVdrRoad, PlugInsMenuOpensAndItsSetupPageStoresUnderItsName)
{
  ASSERT_TRUE(Start()) << vdr->Output();
  // main menu, the plug-in's entry: its recordings menu; back to the main menu, and out
  Keys({ "Menu", "5" });
  EXPECT_TRUE(vdr->Shows("Menu: 0 Vimora Recordings"));
  std::vector<std::string> screen = vdr->Screen();
  EXPECT_EQ(std::vector<std::string>(screen.begin() + 1, screen.end()),
            std::vector<std::string>({ "Red: Songs", "Green: Mark", "Yellow: Convert", "Blue: Delete" }));
  Keys({ "Back", "Back" });
  EXPECT_TRUE(WaitUntil([&] { return !vdr->OsdOpen(); }, 10)) << "the plug-in's menu stays";
  EXPECT_EQ(vdr->Screen(), std::vector<std::string>({ "Screen: empty" }));
  // Setup, Plugins, vimora: the offset becomes 5 and is stored under the plug-in's name
  Keys({ "Menu", "6", "9", "1", "Down", "Down", "5", "Ok" });
  EXPECT_TRUE(WaitUntil([&] { return ReadFile(vdr->configDir + "/setup.conf").find("\nvimora.offset = 5\n") != std::string::npos; }, 10))
    << ReadFile(vdr->configDir + "/setup.conf");
  Keys({ "Back", "Back", "Back" });
  EXPECT_TRUE(WaitUntil([&] { return !vdr->OsdOpen(); }, 10));
  StopCleanly();
  EXPECT_NE(ReadFile(vdr->configDir + "/plugins/vimora/vimora.log").find("Vimora log started (verbose level 2"), std::string::npos);
}

TEST_F(cVdrRoad, MarksClipsAndAudioFilesThroughTheRecordersKeys)
{
  ASSERT_TRUE(RecordTwoSongs());
  ASSERT_TRUE(Start()) << vdr->Output();

  // main menu, the plug-in's entry, green: marks from the catalogue
  Keys({ "Menu", "5" });
  ASSERT_TRUE(vdr->Shows("Menu: 1 Vimora Recordings"));
  std::vector<std::string> screen = vdr->Screen();
  ASSERT_GE(screen.size(), 2u);
  EXPECT_EQ(screen[1].compare(0, 9, "Current: "), 0) << screen[1];
  EXPECT_NE(screen[1].find("Music"), std::string::npos) << screen[1];
  Keys({ "Green" });
  ASSERT_TRUE(WaitUntil([&] { return vdr->LogHas("Marks created!"); }, 20)) << "no marks";
  std::vector<std::string> messages = vdr->Messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), "info: Marks created!"), messages.end());
  std::vector<std::string> marks = Lines(ReadFile(recording + "/marks"));
  ASSERT_EQ(marks.size(), 4u);
  EXPECT_NE(marks[0].find(" Alpha Band|First Song|1991"), std::string::npos) << marks[0];
  EXPECT_EQ(marks[1].find(' '), std::string::npos) << marks[1];
  EXPECT_NE(marks[2].find(" Gamma|Third|1993"), std::string::npos) << marks[2];
  EXPECT_EQ(marks[3].find(' '), std::string::npos) << marks[3];
  // The message waits for a key or its time and swallows the key: a key the recordings
  // menu ignores ends it either way.
  Keys({ "Up" });

  // yellow: the convert menu; its third line makes clips and audio files
  Keys({ "Yellow", "Down", "Down", "Ok" });
  ASSERT_TRUE(WaitUntil([&] { return Converted() == 2; }, 60)) << ReadFile(vdr->configDir + "/plugins/vimora/tracks.conf");
  // the catalogue may tell the tracks converted while a clip is still in its hidden file
  std::vector<std::string> clips = { "Alpha Band - First Song (1991).ts", "Gamma - Third (1993).ts" };
  EXPECT_TRUE(WaitUntil([&] { return Files(clipsDir, ".ts") == clips; }, 30)) << Join(Files(clipsDir, ".ts"));
  EXPECT_EQ(Files(audioDir, ".mp3"), std::vector<std::string>({ "Alpha Band - First Song (1991).mp3", "Gamma - Third (1993).mp3" }));
  std::string pluginLog = ReadFile(vdr->configDir + "/plugins/vimora/vimora.log");
  EXPECT_NE(pluginLog.find("converting to mp3: First Song"), std::string::npos) << pluginLog;
  EXPECT_NE(pluginLog.find("converting to mp3: Third"), std::string::npos) << pluginLog;
  // The conversion's message, in an OSD of its own, closes by itself; keys sent while it
  // shows would be swallowed.
  ASSERT_TRUE(WaitUntil([&] { return vdr->LogHas("info: Vimora audio conversion started!") && !vdr->OsdOpen(); }, 10));

  // OK replays the recording under the plug-in's control, from its first mark; 5 opens the
  // track info of the track there, back closes it and back ends the replay
  ASSERT_NO_FATAL_FAILURE(ReplayCurrentRecording());
  // until the player has a position there is no track to show: 5 again until it has
  bool info = false;
  for (int tries = 0; tries < 10 && !info; tries++) {
      int opened = vdr->OsdsOpened();
      Keys({ "5" });
      info = WaitUntil([&] { return vdr->OsdsOpened() > opened && vdr->OsdOpen(); }, 1);
  }
  EXPECT_TRUE(info) << "no track info";
  Keys({ "Back" });
  EXPECT_TRUE(WaitUntil([&] { return !vdr->OsdOpen(); }, 10)) << "the track info stays";
  Keys({ "Back" });
  // the replay stored where it stood, past the first mark
  EXPECT_TRUE(WaitUntil([&] { return FileExists(recording + "/resume"); }, 10));
  Keys({ "Back" });

  StopCleanly();
}

// The plug-in's own SVDRP commands through the recorder's SVDRP port, as scripts use them.
TEST_F(cVdrRoad, SvdrpListsMarksAndConvertsThroughTheRecordersPort)
{
  ASSERT_TRUE(RecordTwoSongs());
  ASSERT_TRUE(Start()) << vdr->Output();
  std::vector<std::string> list = vdr->Svdrp("PLUG vimora LSTR");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].substr(0, 6), "900 1 ") << list[0];
  EXPECT_NE(list[0].find(" Music 2 0"), std::string::npos) << list[0];
  EXPECT_EQ(vdr->Svdrp("PLUG vimora MARK x"), std::vector<std::string>({ "501 Recording number expected instead of \"x\"" }));
  EXPECT_FALSE(FileExists(recording + "/marks"));
  EXPECT_EQ(vdr->Svdrp("PLUG vimora MARK 1"), std::vector<std::string>({ "900 2 pairs of cut marks written to Music" }));
  std::vector<std::string> marks = Lines(ReadFile(recording + "/marks"));
  ASSERT_EQ(marks.size(), 4u);
  EXPECT_NE(marks[0].find(" Alpha Band|First Song|1991"), std::string::npos) << marks[0];
  EXPECT_EQ(vdr->Svdrp("PLUG vimora CONV 1 audio"), std::vector<std::string>({ "900 Conversion of Music started" }));
  // STAT follows the run from its start to its end
  std::vector<std::string> status = vdr->Svdrp("PLUG vimora STAT");
  ASSERT_EQ(status.size(), 1u);
  EXPECT_TRUE(status[0].compare(0, 8, "900 idle") == 0 || status[0].compare(0, 11, "900 Music: ") == 0) << status[0];
  const std::vector<std::string> done = { "900 idle; the last conversion, of Music: 2 tracks converted" };
  ASSERT_TRUE(WaitUntil([&] { return Converted() == 2 && vdr->Svdrp("PLUG vimora STAT") == done; }, 60));
  EXPECT_EQ(Files(audioDir, ".mp3"), std::vector<std::string>({ "Alpha Band - First Song (1991).mp3", "Gamma - Third (1993).mp3" }));
  EXPECT_NE(vdr->Svdrp("PLUG vimora LSTR").at(0).find(" Music 2 2"), std::string::npos);
  ASSERT_TRUE(WaitUntil([&] { return !vdr->OsdOpen(); }, 10)); // the conversion's messages
  StopCleanly();
}

// With "Find song boundaries" green in the recorder moves the guide's marks (3 s late by the
// offset) back onto the gaps the host's recorder puts before every item.
TEST_F(cVdrRoad, GreenFindsTheSongBoundariesInTheRecorder)
{
  ASSERT_TRUE(RecordTwoSongs());
  std::string setup = ReadFile(vdr->configDir + "/setup.conf");
  ASSERT_TRUE(WriteFile(vdr->configDir + "/setup.conf", setup + "vimora.refinemarks = 1\n"));
  ASSERT_TRUE(Start()) << vdr->Output();
  Keys({ "Menu", "5", "Green" });
  // the search runs in the background; its "Marks created!" waits until the menu closes
  ASSERT_TRUE(WaitUntil([&] { return vdr->LogHas("Searching the song boundaries"); }, 10));
  ASSERT_TRUE(WaitUntil([&] { return Lines(ReadFile(recording + "/marks")).size() == 4; }, 30)) << ReadFile(vdr->configDir + "/plugins/vimora/vimora.log") << RecorderLog();
  std::vector<std::string> marks = Lines(ReadFile(recording + "/marks"));
  ASSERT_EQ(marks.size(), 4u);
  // the first song begins 10 s into the recording, after its gap of up to a second
  int first = HMSFToIndex(marks[0].c_str());
  EXPECT_GE(first, 10 * 25) << marks[0];
  EXPECT_LE(first, 12 * 25) << marks[0];
  EXPECT_NE(marks[0].find(" Alpha Band|First Song|1991"), std::string::npos) << marks[0];
  std::string pluginLog = ReadFile(vdr->configDir + "/plugins/vimora/vimora.log");
  EXPECT_NE(pluginLog.find("start mark of Alpha Band|First Song|1991 moved by -"), std::string::npos) << pluginLog;
  Keys({ "Back", "Back" });
  EXPECT_TRUE(WaitUntil([&] { return vdr->LogHas("Marks created!"); }, 10));
  StopCleanly();
}

// Songs that begin after a gap of silence, a dip of the sound, a hard cut and before a fade,
// aired a few seconds off the guide: in the recorder every mark lies within 0.5 s of where
// its song's sound begins or ends, inside the song.
TEST_F(cVdrRoad, TheSongBoundariesOfEveryTransitionInTheRecorder)
{
  tProcessResult r = Script("channel S19.2E-1-1092-10100 VimoraMusic\n"
                            "event 1 +10 30 Alpha Band - First Song (1991)\n"
                            "event 1 +40 30 Gamma - Third (1993)\n"
                            "event 1 +70 30 Delta - Fourth (1994)\n"
                            "onair 1 +6 36 transition=silence Alpha Band - First Song (1991)\n"
                            "onair 1 +42 30 transition=dip Gamma - Third (1993)\n"
                            "onair 1 +72 24 transition=cut Delta - Fourth (1994)\n"
                            "onair 1 +96 20 transition=fade VimoraMusic News\n"
                            "timer 1 +0 +120 Music\n"
                            "wait 125\n");
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  std::vector<std::string> found = MatchPaths(videoDir + "/Music/*.rec");
  ASSERT_EQ(found.size(), 1u);
  ASSERT_TRUE(FileExists(found[0] + "/00001.ts"));
  fs::rename(videoDir + "/Music", vdr->videoDir + "/Music");
  recording = vdr->videoDir + "/Music/" + fs::path(found[0]).filename().string();
  fs::create_directories(vdr->configDir + "/plugins/vimora");
  fs::copy_file(PluginConfigDir() + "/tracks.conf", vdr->configDir + "/plugins/vimora/tracks.conf");
  ASSERT_TRUE(WriteFile(vdr->configDir + "/setup.conf", ReadFile(vdr->configDir + "/setup.conf") + "vimora.refinemarks = 1\n"));
  ASSERT_TRUE(Start()) << vdr->Output();
  EXPECT_EQ(vdr->Svdrp("PLUG vimora MARK 1"), std::vector<std::string>({ "900 3 pairs of cut marks written to Music" }));
  std::vector<std::string> marks = Lines(ReadFile(recording + "/marks"));
  ASSERT_EQ(marks.size(), 6u) << ReadFile(vdr->configDir + "/plugins/vimora/vimora.log");
  // where the songs' sound begins (after the gap of up to a second, the dip of 0.2 s, at
  // the cut) and ends
  const struct {
    double from, to;
  } expected[] = { { 6, 7 }, { 42, 42 }, { 42.2, 42.2 }, { 72, 72 }, { 72, 72 }, { 96, 96 } };
  for (size_t i = 0; i < 6; i++) {
      double at = HMSFToIndex(marks[i].c_str()) / 25.0;
      if (i % 2 == 0) {
         EXPECT_GE(at, expected[i].from) << marks[i];
         EXPECT_LE(at, expected[i].to + 0.5) << marks[i];
      }
      else {
         EXPECT_LE(at, expected[i].to) << marks[i];
         EXPECT_GE(at, expected[i].from - 0.5) << marks[i];
      }
  }
  StopCleanly();
}

// A recording of a channel at 50 frames a second (H.264 with AC-3), its songs between the
// silences at 10, 20 and 30 s: the recorder's marks, the boundary search and rozerez count
// its seconds, and every clip is as long as its song.
TEST_F(cVdrRoad, AFiftyFrameRecordingIsMarkedSearchedAndCutAtItsSeconds)
{
  std::string dir = vdr->videoDir + "/Fifty/2026-12-07.20.00.1-0.rec";
  ASSERT_TRUE(MakeDirs(dir.c_str(), true));
  ASSERT_TRUE(MakeFiftyFrameMedia(dir, 40));
  ASSERT_TRUE(WriteFile(dir + "/info", std::string("C ") + VdrMusicChannelID + " VimoraMusic\nT Fifty\nF 50\n"));
  ASSERT_TRUE(WriteFile(dir + "/vimora", VdrMusicChannelID));
  time_t start = LocalTime(2026, 12, 7, 20);
  // the guide a second late: with the offset of 3 s it says 14-22 s and 24-32 s
  fs::create_directories(vdr->configDir + "/plugins/vimora");
  ASSERT_TRUE(WriteFile(vdr->configDir + "/plugins/vimora/tracks.conf", "Tone:One:2000:" + std::to_string(start + 11) + ":8:0\n" +
                                                                         "Tone:Two:2000:" + std::to_string(start + 21) + ":8:0\n"));
  ASSERT_TRUE(WriteFile(vdr->configDir + "/setup.conf", ReadFile(vdr->configDir + "/setup.conf") + "vimora.refinemarks = 1\n"));
  ASSERT_TRUE(Start()) << vdr->Output();
  std::vector<std::string> list = vdr->Svdrp("PLUG vimora LSTR");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_NE(list[0].find(" 0:00:40 Fifty 2 0"), std::string::npos) << list[0];
  EXPECT_EQ(vdr->Svdrp("PLUG vimora MARK 1"), std::vector<std::string>({ "900 2 pairs of cut marks written to Fifty" }));
  EXPECT_EQ(Lines(ReadFile(dir + "/marks")), std::vector<std::string>({ "0:00:10.28 Tone|One|2000", "0:00:19.10", "0:00:20.32 Tone|Two|2000", "0:00:29.14" }));
  std::string pluginLog = ReadFile(vdr->configDir + "/plugins/vimora/vimora.log");
  EXPECT_NE(pluginLog.find("start mark of Tone|One|2000 moved by -3.84 s, from 0:00:14.20 to 0:00:10.28"), std::string::npos) << pluginLog;
  EXPECT_EQ(vdr->Svdrp("PLUG vimora CONV 1 video"), std::vector<std::string>({ "900 Video clips of Fifty made" }));
  ASSERT_TRUE(WaitUntil([&] { return Converted() == 2; }, 30)) << RecorderLog();
  EXPECT_EQ(Files(clipsDir, ".ts"), std::vector<std::string>({ "Tone - One (2000).ts", "Tone - Two (2000).ts" }));
  for (const auto &clip : Files(clipsDir, ".ts"))
      EXPECT_NEAR(Duration(clipsDir + "/" + clip), 8.64, 0.1) << clip;
  ASSERT_TRUE(WaitUntil([&] { return !vdr->OsdOpen(); }, 10));
  // the convert menu's first line cuts them again, in the recorder's background while the
  // menus close at once
  for (const auto &clip : Files(clipsDir, ".ts"))
      ASSERT_TRUE(fs::remove(clipsDir + "/" + clip)) << clip;
  Keys({ "Menu", "5" });
  ASSERT_TRUE(vdr->Shows("Menu: 1 Vimora Recordings")) << Join(vdr->Screen());
  Keys({ "Yellow" });
  ASSERT_TRUE(vdr->Shows("Menu: Convert vimora recording")) << Join(vdr->Screen());
  Keys({ "Ok" });
  ASSERT_TRUE(WaitUntil([&] { return vdr->LogHas("info: Vimora video cut finished!"); }, 30)) << RecorderLog();
  EXPECT_TRUE(vdr->LogHas("info: Vimora video cut started!"));
  EXPECT_EQ(Files(clipsDir, ".ts"), std::vector<std::string>({ "Tone - One (2000).ts", "Tone - Two (2000).ts" }));
  EXPECT_EQ(Converted(), 2);
  ASSERT_TRUE(WaitUntil([&] { return !vdr->OsdOpen(); }, 10));
  StopCleanly();
}

static const tOnAir MusicHour[] = {
  { 0, 8, "VimoraMusic - Tonight", NULL, 0 },                     // on air when the timer is set
  { 8, 40, "Nova - Frozen Lake (2001)", "Nova:Frozen Lake:2001", 0 },
  { 48, 40, "Silverlake - Moonlight (1999)", "Silverlake:Moonlight:1999", 0 },
  { 88, 8, "Chart Show - Next Up", NULL, 0 },                     // an announcement
  { 96, 40, "Banned Band - Noise (2010)", "Banned Band:Noise:2010", 1 }, // blacklisted: skipped
  { 136, 40, "Pulse - Heartbeat (2012)", "Pulse:Heartbeat:2012", 0 },
};

// The whole road on a recording the recorder makes: the guide and the timer over SVDRP, the
// recorder started again in the middle (it resumes the timer's recording), then keys
// on the recording while it still records: marks, clips and audio files, the replay naming
// the track, and at last blue, which stops and deletes it.
TEST_F(cVdrRoad, RecorderRecordsTheMusicChannelAndThePlugInCataloguesIt)
{
  std::string pluginDir = vdr->configDir + "/plugins/vimora";
  fs::create_directories(pluginDir);
  WriteFile(pluginDir + "/blacklist.conf", "Banned Band;.*\n");
  time_t start = time(NULL) + 10; // time to start and to render the programme
  ASSERT_TRUE(AirAndGuide(start, MusicHour));
  // The timer as a user sets one who comes across the programme: from this minute on,
  // which has begun; the recorder records from now on, not from the minute its recording
  // is named after.
  ASSERT_TRUE(WaitUntil([&] { return time(NULL) >= start + 2; }, 30));
  time_t timerStart = time(NULL);
  ASSERT_NO_FATAL_FAILURE(NewTimer(timerStart, timerStart + 600, "Music Hour"));
  std::string pluginLog = pluginDir + "/vimora.log";
  auto logged = [&](const std::string &Text) { return ReadFile(pluginLog).find(Text) != std::string::npos; };
  auto onAir = [&](const char *Title) { return "add event on " + std::string(VdrMusicChannelID) + " is: " + Title; };
  ASSERT_TRUE(WaitUntil([&] { return logged(onAir(MusicHour[2].title)); }, start + 88 - time(NULL))) << ReadFile(pluginLog);

  // In the blacklisted song the recorder ends and starts again; the timer's recording goes
  // on in its folder after the gap, and the plug-in notes where the new stretch begins.
  ASSERT_TRUE(WaitUntil([&] { return logged(onAir(MusicHour[4].title)) && time(NULL) >= start + 104; }, start + 128 - time(NULL)));
  StopCleanly();
  ASSERT_TRUE(Start(root + "/programme")) << vdr->Output();
  auto times = [&](const std::string &Text) {
    std::string log = ReadFile(pluginLog);
    int n = 0;
    for (size_t p = log.find(Text); p != std::string::npos; p = log.find(Text, p + 1))
        n++;
    return n;
  };
  ASSERT_TRUE(WaitUntil([&] { return times("vimora recording started 'Music Hour'") == 2; }, 10)) << ReadFile(pluginLog) << RecorderLog();
  std::vector<std::string> made = MatchPaths(vdr->videoDir + "/Music_Hour/*.rec");
  ASSERT_FALSE(made.empty());
  std::string recording = made[0];
  EXPECT_EQ(ReadFile(recording + "/vimora"), VdrMusicChannelID);
  EXPECT_TRUE(FileExists(recording + "/00001.ts") && FileExists(recording + "/index") && FileExists(recording + "/info"));

  // the plug-in's menu lists the recording; green marks it from the catalogue: a pair per
  // catalogued video wholly recorded so far
  Keys({ "Menu", "5" });
  ASSERT_TRUE(vdr->Shows("Menu: " + std::to_string(made.size()) + " Vimora Recordings")) << Join(vdr->Screen());
  Keys({ "Green" });
  ASSERT_TRUE(WaitUntil([&] { std::vector<std::string> m = vdr->Messages(); return std::find(m.begin(), m.end(), "info: Marks created!") != m.end(); }, 20))
    << Join(vdr->Messages());
  std::vector<std::string> marks = Lines(ReadFile(recording + "/marks"));
  ASSERT_EQ(marks.size(), 4u) << Join(marks);
  EXPECT_NE(marks[0].find(" Nova|Frozen Lake|2001"), std::string::npos) << marks[0];
  EXPECT_NE(marks[2].find(" Silverlake|Moonlight|1999"), std::string::npos) << marks[2];
  // the first video starts where it was recorded, the offset of 3 s later: the recording
  // began within two seconds after the timer was set (a start nearer than that to the
  // minute its recording is named after is taken from the name)
  EXPECT_NEAR(HMSFToIndex(marks[0].c_str()) / 25.0, double(start + MusicHour[1].offset + 3 - timerStart) - 0.5, 2.5) << marks[0] << ReadFile(recording + "/vimora.parts");
  Keys({ "Up" }); // ends the message

  // yellow, "Create audio and video clips": a clip and an audio file per pair, each as
  // long as its marks say, within a second
  Keys({ "Yellow", "Down", "Down", "Ok" });
  ASSERT_TRUE(WaitUntil([&] { return Converted() == 2; }, 60)) << ReadFile(pluginDir + "/tracks.conf");
  std::vector<std::string> names = { "Nova - Frozen Lake (2001)", "Silverlake - Moonlight (1999)" };
  EXPECT_TRUE(WaitUntil([&] { return Files(clipsDir, ".ts") == std::vector<std::string>({ names[0] + ".ts", names[1] + ".ts" }); }, 30)) << Join(Files(clipsDir, ".ts"));
  ASSERT_EQ(Files(audioDir, ".mp3"), std::vector<std::string>({ names[0] + ".mp3", names[1] + ".mp3" }));
  for (int i = 0; i < 2; i++) {
      double expected = (HMSFToIndex(marks[2 * i + 1].c_str()) - HMSFToIndex(marks[2 * i].c_str())) / 25.0;
      EXPECT_GT(expected, MusicHour[i + 1].duration - 2) << marks[2 * i];
      EXPECT_NEAR(Duration(clipsDir + "/" + names[i] + ".ts"), expected, 1.0) << names[i];
      EXPECT_NEAR(Duration(audioDir + "/" + names[i] + ".mp3"), expected, 1.0) << names[i];
      }
  ASSERT_TRUE(WaitUntil([&] { return vdr->LogHas("info: Vimora audio conversion started!") && !vdr->OsdOpen(); }, 10));

  // OK replays it under the plug-in's control from the first mark; the replay display
  // names the track there, and the next one after jumping past the first track's end
  ASSERT_NO_FATAL_FAILURE(ReplayCurrentRecording());
  // until the player has a position there is nothing to show: OK again until there is
  bool shown = false;
  for (int tries = 0; tries < 10 && !shown; tries++) {
      Keys({ "Ok" });
      shown = vdr->Shows("Replay: " + names[0], 1);
      if (!shown && vdr->OsdOpen())
         Keys({ "Ok" }); // a display without a title yet: closed, to be opened again
  }
  ASSERT_TRUE(shown) << Join(vdr->Screen());
  Keys({ "9", "9" });
  EXPECT_TRUE(vdr->Shows("Replay: " + names[1])) << Join(vdr->Screen());
  Keys({ "Ok" });
  ASSERT_TRUE(WaitUntil([&] { return !vdr->OsdOpen(); }, 10)) << Join(vdr->Screen());
  // 5: the track info of the track at the position
  Keys({ "5" });
  ASSERT_TRUE(vdr->Shows("Menu: Track info")) << Join(vdr->Screen());
  std::string info = Join(vdr->Screen());
  EXPECT_NE(info.find("Silverlake"), std::string::npos) << info;
  EXPECT_NE(info.find("Moonlight"), std::string::npos) << info;
  EXPECT_NE(info.find("1999"), std::string::npos) << info;
  Keys({ "Back" });
  ASSERT_TRUE(WaitUntil([&] { return !vdr->OsdOpen(); }, 10)) << "the track info stays";
  Keys({ "Back" }); // ends the replay: the plug-in's recordings menu

  // the catalogue once the last video is on air: each music video once although the
  // recorder read the guide twice, the blacklisted skipped, the announcement not at all
  ASSERT_TRUE(WaitUntil([&] { return logged(onAir(MusicHour[5].title)); }, start + 174 - time(NULL))) << ReadFile(pluginLog);
  std::vector<std::string> expected;
  for (size_t i = 0; i < sizeof(MusicHour) / sizeof(*MusicHour); i++) {
      const tOnAir &a = MusicHour[i];
      if (a.track) // the first two converted by now
         expected.push_back(std::string(a.track) + ":" + std::to_string(start + a.offset) + ":" + std::to_string(a.duration) + ":"
                            + std::to_string(i == 1 || i == 2 ? 2 : a.status) + ":" + VdrMusicChannelID);
      }
  // the plug-in's writer puts a new track into the file within a second
  WaitUntil([&] { return Lines(ReadFile(pluginDir + "/tracks.conf")) == expected; }, 5);
  EXPECT_EQ(Lines(ReadFile(pluginDir + "/tracks.conf")), expected);
  std::string log = ReadFile(pluginLog);
  EXPECT_NE(log.find("vimora recording started 'Music Hour'"), std::string::npos) << log;
  EXPECT_NE(log.find("in blacklist - ignored"), std::string::npos) << log;
  EXPECT_EQ(log.find("is: Chart Show - Next Up"), std::string::npos) << log;

  // the two stretches, before and after the restart, each noted when it began
  EXPECT_EQ(Lines(ReadFile(recording + "/vimora.parts")).size(), 2u) << ReadFile(recording + "/vimora.parts") << ReadFile(pluginLog);

  // blue on the recording, still recording, asks twice and then stops and deletes it
  ASSERT_TRUE(vdr->Shows("Menu: " + std::to_string(made.size()) + " Vimora Recordings")) << Join(vdr->Screen());
  Keys({ "Blue" });
  ASSERT_TRUE(vdr->Shows("Message: warning: Delete recording?")) << Join(vdr->Screen());
  Keys({ "Ok" });
  ASSERT_TRUE(vdr->Shows("Message: warning: Timer still recording - really delete?")) << Join(vdr->Screen());
  Keys({ "Ok" });
  EXPECT_TRUE(vdr->Shows("Menu: " + std::to_string(made.size() - 1) + " Vimora Recordings")) << Join(vdr->Screen());
  EXPECT_TRUE(WaitUntil([&] { return vdr->LogHas("timer 1 (1 " + HourMinute(timerStart) + "-"); }, 10));
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(recording); }, 10));
  Keys({ "Back", "Back" });
  StopCleanly();
  // one recording, resumed into its folder, or one per start: either way the tracks stay
  // once in the catalogue
  EXPECT_EQ(made.size(), 1u) << Join(made);
}

// With "Convert after recording" on audio and video, a timer's recording that ends in the
// recorder is marked and cut into clips and tagged audio files without a key: each audio
// file with its cover picture and its ReplayGain.
TEST_F(cVdrRoad, AnEndedRecordingIsConvertedWithoutAKey)
{
  std::string pluginDir = vdr->configDir + "/plugins/vimora";
  ASSERT_TRUE(WriteFile(vdr->configDir + "/setup.conf", ReadFile(vdr->configDir + "/setup.conf") + "vimora.autoconvert = 2\n"));
  // a timer of two minutes from the next one on; the second video is over before it ends,
  // the announcement after it is cut short
  time_t timerStart = (time(NULL) + 10 + 59) / 60 * 60;
  time_t start = timerStart + 2;
  const tOnAir evening[] = {
    { 0, 40, "Aurora - Northern Sky (2005)", NULL, 0 },
    { 40, 40, "Delta Crew - Riverside (1997)", NULL, 0 },
    { 80, 60, "VimoraMusic - see you tomorrow", NULL, 0 },
  };
  ASSERT_TRUE(AirAndGuide(start, evening));
  ASSERT_NO_FATAL_FAILURE(NewTimer(timerStart, timerStart + 120, "Evening"));

  std::vector<std::string> names = { "Aurora - Northern Sky (2005)", "Delta Crew - Riverside (1997)" };
  ASSERT_TRUE(WaitUntil([&] { return Files(audioDir, ".mp3") == std::vector<std::string>({ names[0] + ".mp3", names[1] + ".mp3" }); },
                        timerStart + 120 + 60 - time(NULL)))
    << Join(Files(audioDir, ".mp3")) << ReadFile(pluginDir + "/vimora.log") << RecorderLog();
  EXPECT_TRUE(WaitUntil([&] { return Files(clipsDir, ".ts") == std::vector<std::string>({ names[0] + ".ts", names[1] + ".ts" }); }, 30)) << Join(Files(clipsDir, ".ts"));
  std::string log = ReadFile(pluginDir + "/vimora.log");
  EXPECT_NE(log.find("started (2 tracks, audio and video)"), std::string::npos) << log;
  ASSERT_TRUE(WaitUntil([&] { return ReadFile(pluginDir + "/vimora.log").find("' finished") != std::string::npos; }, 30));
  for (const auto &n : names) {
      std::string file = audioDir + "/" + n + ".mp3";
      tProcessResult r = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-show_entries", "stream=codec_name,width:stream_disposition=attached_pic:format_tags",
                                      "-of", "flat", "file:" + file });
      ASSERT_EQ(r.exitCode, 0) << r.err;
      EXPECT_NE(r.out.find("disposition.attached_pic=1"), std::string::npos) << r.out;
      EXPECT_NE(r.out.find("codec_name=\"mjpeg\""), std::string::npos) << r.out;
      EXPECT_NE(r.out.find("REPLAYGAIN_TRACK_GAIN"), std::string::npos) << r.out;
      EXPECT_NEAR(Duration(file), 40, 2) << n;
      }
  StopCleanly();
}

// As a channel of the public broadcasters sends it: H.264 at 50 frames with AC-3 as its
// only sound, at 6 Mbit/s, recorded with the recorder's smallest file size, so that the
// recording goes on in 00002.ts in the middle of the third song and the fourth lies
// wholly in it. With "Convert after recording" on audio and video and the boundary
// search on, the ended recording gives every song as a clip and an audio file that hold
// that song whole, and nothing of its neighbours, each song known by its own tone.
TEST_F(cVdrRoad, AFiftyFrameH264RecordingInSeveralFilesGivesEverySongWhole)
{
  const tBroadcastFormat &format = *BroadcastFormat("h264-50-ac3");
  std::string pluginDir = vdr->configDir + "/plugins/vimora";
  // the music channel sends in the format
  std::string channels = ReadFile(vdr->configDir + "/channels.conf");
  size_t field = channels.find(":101=2:102=deu@3:");
  ASSERT_NE(field, std::string::npos);
  channels.replace(field, strlen(":101=2:102=deu@3:"), ":" + format.VpidField() + ":" + format.ApidField() + ":");
  ASSERT_TRUE(WriteFile(vdr->configDir + "/channels.conf", channels));
  ASSERT_TRUE(WriteFile(vdr->configDir + "/setup.conf", ReadFile(vdr->configDir + "/setup.conf") +
                                                          "MaxVideoFileSize = 100\nvimora.autoconvert = 2\nvimora.refinemarks = 1\n"));
  time_t timerStart = (time(NULL) + 10 + 59) / 60 * 60;
  time_t start = timerStart + 2;
  // a second of black and silence between the items, which the device puts in by itself
  const tOnAir onAir[] = {
    { 0, 5, "VimoraMusic - Tonight", NULL, 0 },
    { 6, 45, "Aurora - Northern Sky (2005)", NULL, 0 },
    { 52, 45, "Delta Crew - Riverside (1997)", NULL, 0 },
    { 98, 45, "Nova - Frozen Lake (2001)", NULL, 0 },
    { 144, 45, "Pulse - Heartbeat (2012)", NULL, 0 },
    { 190, 110, "VimoraMusic - see you tomorrow", NULL, 0 },
  };
  // the guide two or three seconds off, late and early, one song's end five seconds early
  const tOnAir guide[] = {
    { 0, 5, "", NULL, 0 }, { 8, 45, "", NULL, 0 }, { 54, 40, "", NULL, 0 }, { 95, 45, "", NULL, 0 }, { 146, 45, "", NULL, 0 }, { 192, 108, "", NULL, 0 },
  };
  ASSERT_TRUE(AirAndGuide(start, onAir, "format " + std::string(format.name) + "\nbitrate 6\n", guide));
  ASSERT_NO_FATAL_FAILURE(NewTimer(timerStart, timerStart + 240, "Fifty"));

  std::vector<std::string> names;
  for (size_t i = 1; i <= 4; i++)
      names.push_back(onAir[i].title);
  std::vector<std::string> mp3s, clips;
  for (const std::string &n : names) {
      mp3s.push_back(n + ".mp3");
      clips.push_back(n + ".ts");
  }
  std::sort(mp3s.begin(), mp3s.end());
  std::sort(clips.begin(), clips.end());
  ASSERT_TRUE(WaitUntil([&] { return Converted() == 4; }, timerStart + 240 + 180 - time(NULL)))
    << ReadFile(pluginDir + "/tracks.conf") << ReadFile(pluginDir + "/vimora.log") << RecorderLog();
  EXPECT_EQ(Files(audioDir, ".mp3"), mp3s);
  EXPECT_EQ(Files(clipsDir, ".ts"), clips);
  std::vector<std::string> made = MatchPaths(vdr->videoDir + "/Fifty/*.rec");
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(MediaFiles(made[0]).size(), 2u);
  EXPECT_NE(ReadFile(made[0] + "/info").find("\nF 50\n"), std::string::npos) << ReadFile(made[0] + "/info");
  std::string log = ReadFile(pluginDir + "/vimora.log");
  EXPECT_EQ(log.find("no silence"), std::string::npos) << log;
  EXPECT_EQ(log.find("failed"), std::string::npos) << log;

  // the device's tone of each song: one per titled item, with the track's shift
  std::vector<int> tones;
  for (int number = 1; number <= 4; number++)
      tones.push_back(440 + 110 * number + format.tracks[0].toneShiftHz);
  std::string measured;
  for (size_t i = 0; i < names.size(); i++) {
      for (const std::string &file : { clipsDir + "/" + names[i] + ".ts", audioDir + "/" + names[i] + ".mp3" }) {
          SCOPED_TRACE(file);
          double length = Duration(file);
          EXPECT_NEAR(length, onAir[i + 1].duration, 1.0);
          std::vector<double> seconds = ToneSeconds(TrackSamples("file:" + file, 0), tones);
          double others = 0;
          for (size_t t = 0; t < seconds.size(); t++)
              others += t == i ? 0 : seconds[t];
          EXPECT_GE(seconds[i], onAir[i + 1].duration - 1.2); // counted in tenths: one cut short at each end
          EXPECT_LE(others, 0.1);
          char line[160];
          snprintf(line, sizeof(line), "%s: %.2f s, its song %.1f s, others %.1f s; ", fs::path(file).filename().c_str(), length, seconds[i], others);
          measured += line;
      }
  }
  RecordProperty("lengths", measured);
  std::string moved;
  for (const std::string &l : Lines(log))
      if (l.find(" mark of ") != std::string::npos)
         moved += l + "; ";
  RecordProperty("boundaries", moved);
  StopCleanly();
}

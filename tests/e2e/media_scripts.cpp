// The conversion scripts vimora2mp3.sh and vimora2ogg.sh run as subprocesses on a small
// generated recording: silence for six seconds, then a tone.
#include <algorithm>
#include <errno.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vdr/tools.h>

#include "mediarecording.h"
#include "recordingmedia.h"
#include "testenv.h"

extern char **environ;

namespace fs = std::filesystem;

namespace {

struct tSong {
  double from, to;
  int hz;
};

// A sound of the songs' tones, silent between them, for ffmpeg's aevalsrc.
std::string SongsSound(const std::vector<tSong> &Songs)
{
  std::string tones, on;
  for (const auto &s : Songs) {
      std::string span = *cString::sprintf("between(t\\,%g\\,%g)", s.from, s.to);
      tones += (tones.empty() ? "" : "+") + std::to_string(s.hz) + "*" + span;
      on += (on.empty() ? "" : "+") + span;
  }
  return "aevalsrc=0.5*sin(2*PI*t*(" + tones + "))*(" + on + "):s=48000";
}

const int MediaSeconds = 12;
const int ToneFromSecond = 6;

struct cResult {
  int status = -1; // exit status, or -1 when ended by a signal
  std::string out, err;
};

// This process's environment changed in order: "NAME=value" sets NAME, a bare "NAME" removes it.
std::vector<std::string> Environment(const std::vector<std::string> &Changes)
{
  std::vector<std::string> env;
  for (char **e = environ; *e; e++)
      env.push_back(*e);
  auto name = [](const std::string &e) { return e.substr(0, e.find('=')); };
  for (const auto &c : Changes) {
      env.erase(std::remove_if(env.begin(), env.end(), [&](const std::string &e) { return name(e) == name(c); }), env.end());
      if (c.find('=') != std::string::npos)
         env.push_back(c);
      }
  return env;
}

std::vector<char *> CArray(std::vector<std::string> &Strings)
{
  std::vector<char *> a;
  for (auto &s : Strings)
      a.push_back(&s[0]);
  a.push_back(nullptr);
  return a;
}

} // namespace

class cScripts : public cTestEnv {
protected:
  std::string recDir, audioDir, workDir, masterMedia;

  void SetUp(void) override
  {
    cTestEnv::SetUp();
    recDir = videoDir + "/Music/2026-12-07.20.00.1-0.rec";
    audioDir = root + "/audio";
    workDir = root + "/work";
    masterMedia = root + "/master.ts";
    ASSERT_TRUE(MakeDirs(recDir.c_str(), true));
    ASSERT_TRUE(MakeDirs(workDir.c_str(), true));
    cResult r = Run({ "ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25",
                      "-f", "lavfi", "-i", "aevalsrc=0.5*sin(2*PI*440*t)*gte(t\\," + std::to_string(ToneFromSecond) + "):s=48000",
                      "-t", std::to_string(MediaSeconds), "-c:v", "mpeg2video", "-g", "12", "-c:a", "mp2",
                      "-f", "mpegts", masterMedia });
    ASSERT_EQ(r.status, 0) << r.err;
    MakeRecording(recDir, { { masterMedia, {} } });
  }

  void MakeRecording(const std::string &Dir, const std::vector<tMediaPart> &Parts, int Fps = 25, bool OldKind = false)
  {
    std::string error;
    ASSERT_TRUE(MakeMediaRecording(Dir, Parts, Fps, OldKind, error)) << error;
  }

  // Runs Argv with the environment changed as Environment() says, in its own process
  // group with workDir as its folder. Started, when given, is called with the pid.
  cResult Run(std::vector<std::string> Argv, const std::vector<std::string> &Env = {},
              std::function<void(pid_t)> Started = nullptr, int PassFd = -1)
  {
    std::vector<std::string> env = Environment(Env);
    std::vector<char *> argv = CArray(Argv), envp = CArray(env);
    std::string outFile = root + "/run.out", errFile = root + "/run.err";
    pid_t pid = fork();
    if (pid == 0) {
       setpgid(0, 0);
       int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
       int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
       if (out < 0 || err < 0 || chdir(workDir.c_str()) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
          _exit(126);
       if (PassFd >= 0 && dup2(PassFd, 3) < 0)
          _exit(126);
       execvpe(argv[0], argv.data(), envp.data());
       _exit(127);
       }
    cResult r;
    if (pid < 0)
       return r;
    if (Started)
       Started(pid);
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR)
          ;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(outFile);
    r.err = ReadFile(errFile);
    return r;
  }

  cResult Convert(const char *Format, const std::string &Dir, const std::string &Title, const std::string &Artist,
                  const std::string &Year, std::vector<std::string> Env = {})
  {
    Env.push_back("VIMORA_AUDIO_DIR=" + audioDir);
    return Run({ std::string(VIMORA_SOURCE_DIR) + "/scripts/vimora2" + Format + ".sh", Dir, Title, Artist, Year }, Env);
  }

  void SetMarks(const std::string &Marks, const std::string &Dir = "")
  {
    ASSERT_TRUE(WriteFile((Dir.empty() ? recDir : Dir) + "/marks", Marks));
  }

  std::vector<std::string> AudioFiles(const std::string &Dir = "")
  {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(Dir.empty() ? audioDir : Dir, ec))
        names.push_back(e.path().filename());
    return names;
  }

  std::string Probe(const std::string &File, const std::string &Entries)
  {
    cResult r = Run({ "ffprobe", "-v", "error", "-show_entries", Entries, "-of", "default=nw=1:nk=1", "file:" + File });
    EXPECT_EQ(r.status, 0) << r.err;
    while (!r.out.empty() && r.out.back() == '\n')
          r.out.pop_back();
    return r.out;
  }

  // Vorbis comments belong to the stream, ID3 tags to the file.
  std::string Tag(const std::string &File, const char *Name)
  {
    return Probe(File, std::string("format_tags=") + Name + ":stream_tags=" + Name);
  }

  double Duration(const std::string &File) { return atof(Probe(File, "format=duration").c_str()); }

  // A transport stream made by ffmpeg from Args (its inputs, streams and codecs).
  std::string MakeStream(const std::string &Name, const std::vector<std::string> &Args)
  {
    std::vector<std::string> argv = { "ffmpeg", "-nostdin", "-v", "error", "-y" };
    argv.insert(argv.end(), Args.begin(), Args.end());
    std::string file = workDir + "/" + Name + ".ts";
    argv.insert(argv.end(), { "-f", "mpegts", file });
    cResult r = Run(argv);
    EXPECT_EQ(r.status, 0) << r.err;
    return file;
  }

  // The file is stereo, Seconds long within two frames at Fps and holds the tone of Hz
  // from its first to its last tenth of a second.
  void ExpectSong(const std::string &File, double Seconds, int Hz, int Fps)
  {
    SCOPED_TRACE(File);
    const int Rate = 48000, Window = Rate / 10;
    EXPECT_EQ(Probe(File, "stream=channels").substr(0, 1), "2");
    std::vector<int16_t> sound = TrackSamples("file:" + File, 0, Rate);
    EXPECT_NEAR(double(sound.size()) / Rate, Seconds, 2.0 / Fps);
    ASSERT_GT(sound.size(), size_t(3 * Window));
    for (size_t at : { size_t(0), sound.size() / 2, sound.size() - Window })
        EXPECT_NEAR(ToneHz(&sound[at], Window, Rate), Hz, 15) << "at " << double(at) / Rate << " s";
  }

  double MaxVolumeDb(const std::string &File)
  {
    cResult r = Run({ "ffmpeg", "-nostdin", "-i", "file:" + File, "-af", "volumedetect", "-f", "null", "-" });
    size_t p = r.err.find("max_volume:");
    return p == std::string::npos ? 0 : atof(r.err.c_str() + p + 11);
  }
};

TEST_F(cScripts, BothFormatsWriteTheTaggedSpanOfThePair)
{
  SetMarks("0:00:01.00 Some Artist|Some Song|1999\n0:00:04.12\n");
  for (const char *format : { "mp3", "ogg" }) {
      SCOPED_TRACE(format);
      cResult r = Convert(format, recDir, "Some Song", "Some Artist", "1999");
      ASSERT_EQ(r.status, 0) << r.err;
      std::string name = std::string("Some Artist - Some Song (1999).") + format;
      std::string file = audioDir + "/" + name;
      EXPECT_EQ(AudioFiles(), std::vector<std::string>{ name });
      EXPECT_NEAR(Duration(file), 3.48, 1.0);
      EXPECT_EQ(Tag(file, "artist"), "Some Artist");
      EXPECT_EQ(Tag(file, "title"), "Some Song");
      EXPECT_EQ(Tag(file, "date"), "1999");
      // each song a single of its own, as music libraries file them
      EXPECT_EQ(Tag(file, "album"), "Some Song");
      EXPECT_EQ(Tag(file, "album_artist"), "Some Artist");
      EXPECT_EQ(Tag(file, "genre"), "Music Video");
      EXPECT_EQ(fs::status(file).permissions() & fs::perms::others_read, fs::perms::others_read);
      ASSERT_TRUE(RemoveFileOrDir(file.c_str()));
      }
}

TEST_F(cScripts, EveryFileCarriesACoverFromTheMiddleOfTheTrackAndItsReplayGain)
{
  // a recording wider than a cover may be
  cResult r = Run({ "ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=800x450:rate=25",
                    "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-t", "6", "-c:v", "mpeg2video",
                    "-g", "12", "-c:a", "mp2", "-f", "mpegts", "-y", workDir + "/wide.ts" });
  ASSERT_EQ(r.status, 0) << r.err;
  MakeRecording(recDir, { { workDir + "/wide.ts", {} } });
  SetMarks("0:00:01.00\n0:00:05.00\n");
  for (const char *format : { "mp3", "ogg" }) {
      SCOPED_TRACE(format);
      ASSERT_EQ(Convert(format, recDir, "Song", "Artist", "1999").status, 0);
      std::string file = audioDir + "/Artist - Song (1999)." + format;
      std::string codec = std::string(format) == "mp3" ? "mp3" : "vorbis";
      // the audio, then the picture: a JPEG of the video's width cut to 600, height in proportion
      EXPECT_EQ(Probe(file, "stream=codec_name,width,height:stream_disposition=attached_pic"), codec + "\n0\nmjpeg\n600\n338\n1");
      EXPECT_NE(Probe(file, "stream_tags=comment").find("Cover (front)"), std::string::npos);
      // the gain against -18 LUFS, as ebur128 measures the file itself
      cResult m = Run({ "ffmpeg", "-nostdin", "-i", "file:" + file, "-map", "0:a", "-af", "ebur128", "-f", "null", "-" });
      size_t i = m.err.rfind(" I:");
      ASSERT_NE(i, std::string::npos) << m.err;
      double gain = atof(Tag(file, "REPLAYGAIN_TRACK_GAIN").c_str());
      EXPECT_NEAR(gain, -18 - atof(m.err.c_str() + i + 3), 0.5);
      double peak = atof(Tag(file, "REPLAYGAIN_TRACK_PEAK").c_str());
      EXPECT_GT(peak, 0.05);
      EXPECT_LE(peak, 1.0);
  }
  // without video the file has no picture, and that is no error
  r = Run({ "ffmpeg", "-nostdin", "-v", "error", "-i", "file:" + workDir + "/wide.ts", "-map", "0:a", "-c", "copy",
            "-f", "mpegts", "-y", workDir + "/audio-only.ts" });
  ASSERT_EQ(r.status, 0) << r.err;
  MakeRecording(recDir, { { workDir + "/audio-only.ts", {} } });
  ASSERT_EQ(Convert("mp3", recDir, "Plain", "Artist", "1999").status, 0);
  EXPECT_EQ(Probe(audioDir + "/Artist - Plain (1999).mp3", "stream=codec_name"), "mp3");
}

TEST_F(cScripts, ARecordingOfTheOlderKindIsConvertedFromItsOwnFiles)
{
  std::string old = videoDir + "/Old/2026-12-07.20.00.50.99.rec";
  ASSERT_TRUE(MakeDirs(old.c_str(), true));
  MakeRecording(old, { { masterMedia, { 5 } } }, 25, true);
  ASSERT_TRUE(FileExists(old + "/002.ts"));
  ASSERT_TRUE(WriteFile(old + "/marks.vdr", "0:00:01.00\n0:00:04.12\n"));
  cResult r = Convert("mp3", old, "Song", "Artist", "1999");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NEAR(Duration(audioDir + "/Artist - Song (1999).mp3"), 3.48, 1.0);
  // across the two files: the tone begins two seconds in
  ASSERT_TRUE(WriteFile(old + "/marks.vdr", "0:00:04.00\n0:00:10.00\n"));
  ASSERT_EQ(Convert("ogg", old, "Across", "Artist", "").status, 0);
  std::vector<int16_t> sound = TrackSamples("file:" + audioDir + "/Artist - Across.ogg", 0);
  EXPECT_NEAR(sound.size() / 48000.0, 6, 2.0 / 25);
  // the same with the index in the layout of the recorder before 1.7: a 32-bit offset,
  // the frame type (1: I-frame), an 8-bit file number
  std::string index = ReadFile(old + "/index.vdr"), pes;
  for (size_t i = 0; i + 8 <= index.size(); i += 8)
      pes += index.substr(i, 4) + char((index[i + 5] & 1) ? 1 : 2) + index[i + 6] + std::string(2, '\0');
  ASSERT_TRUE(WriteFile(old + "/index.vdr", pes));
  ASSERT_EQ(Convert("ogg", old, "Across in PES", "Artist", "").status, 0);
  EXPECT_EQ(TrackSamples("file:" + audioDir + "/Artist - Across in PES.ogg", 0), sound);
}

// Three songs of six seconds at 50 frames a second; the recording goes on in a second
// file from 10.5 s on, in the middle of the second song, and holds the third whole.
TEST_F(cScripts, H264At50FramesWithAc3OnlyAcrossTheFilesOfTheRecording)
{
  std::string stream = MakeStream("h264", { "-f", "lavfi", "-i", "testsrc=size=160x90:rate=50", "-f", "lavfi", "-i",
                                            SongsSound({ { 1.5, 7.5, 300 }, { 8.5, 14.5, 500 }, { 15.5, 21.5, 700 } }),
                                            "-t", "22.5", "-c:v", "libx264", "-preset", "ultrafast", "-g", "25",
                                            "-c:a", "ac3", "-ac", "2" });
  MakeRecording(recDir, { { stream, { 10.5 } } }, 50);
  ASSERT_TRUE(FileExists(recDir + "/00002.ts"));
  struct {
    const char *marks, *format;
    int hz;
  } songs[] = {
    { "0:00:01.25 A|First|2001\n0:00:07.25\n", "mp3", 300 },
    { "0:00:08.25 A|Second|2001\n0:00:14.25\n", "ogg", 500 },
    { "0:00:15.25 A|Third|2001\n0:00:21.25\n", "mp3", 700 },
  };
  for (const auto &song : songs) {
      SetMarks(song.marks);
      cResult r = Convert(song.format, recDir, "Song", "A", std::to_string(song.hz));
      ASSERT_EQ(r.status, 0) << r.err;
      std::string file = audioDir + "/A - Song (" + std::to_string(song.hz) + ")." + song.format;
      EXPECT_EQ(r.out, file + "\n");
      ExpectSong(file, 6, song.hz, 50);
  }
  // a frame number up to the rate only
  SetMarks("0:00:01.49\n0:00:01.50\n");
  cResult r = Convert("mp3", recDir, "Song", "A", "2001");
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("unreadable mark in line 2"), std::string::npos) << r.err;
}

// Of an AC-3 track in 5.1 and an MP2 track in German and an AC-3 track in English, each
// with a tone of its own, the languages asked for decide.
TEST_F(cScripts, TheSoundTrackIsChosenByLanguageThenKind)
{
  std::string stream = MakeStream("languages", { "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-f", "lavfi", "-i",
                                                 "sine=f=400:r=48000", "-f", "lavfi", "-i", "sine=f=500:r=48000",
                                                 "-f", "lavfi", "-i", "sine=f=600:r=48000", "-t", "5",
                                                 "-map", "0", "-map", "1", "-map", "2", "-map", "3", "-c:v", "mpeg2video",
                                                 "-c:a:0", "ac3", "-ac:a:0", "6", "-c:a:1", "mp2", "-ac:a:1", "2",
                                                 "-c:a:2", "ac3", "-ac:a:2", "2", "-metadata:s:a:0", "language=deu",
                                                 "-metadata:s:a:1", "language=deu", "-metadata:s:a:2", "language=eng" });
  MakeRecording(recDir, { { stream, {} } });
  SetMarks("0:00:01.00\n0:00:04.00\n");
  struct {
    const char *languages;
    int hz;
  } cases[] = {
    { "", 500 },                   // all tracks: MP2 before AC-3
    { "eng", 600 },                // English has AC-3 only
    { "fra,fre deu,ger eng", 500 }, // no French: German
    { "xxx", 500 },                // none carried: all tracks
  };
  for (const auto &c : cases) {
      SCOPED_TRACE(c.languages);
      cResult r = Convert("ogg", recDir, c.languages, "A", "", { std::string("VIMORA_AUDIO_LANGUAGES=") + c.languages });
      ASSERT_EQ(r.status, 0) << r.err;
      ExpectSong(audioDir + "/A - " + c.languages + ".ogg", 3, c.hz, 25);
  }
}

// Of two tracks of the same kind the first is taken, not the one ffprobe happens to list
// first in the recording's program.
TEST_F(cScripts, OfTwoTracksOfAKindTheFirstIsTaken)
{
  std::string stream = MakeStream("two", { "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-f", "lavfi", "-i",
                                           "sine=f=400:r=48000", "-f", "lavfi", "-i", "sine=f=600:r=48000", "-t", "4",
                                           "-map", "0", "-map", "1", "-map", "2", "-c:v", "mpeg2video", "-c:a", "mp2",
                                           "-metadata:s:a:0", "language=deu", "-metadata:s:a:1", "language=deu" });
  MakeRecording(recDir, { { stream, {} } });
  SetMarks("0:00:01.00\n0:00:03.00\n");
  for (const char *languages : { "", "deu" }) {
      SCOPED_TRACE(languages);
      std::string name = std::string("first ") + languages;
      cResult r = Convert("mp3", recDir, name, "A", "", { std::string("VIMORA_AUDIO_LANGUAGES=") + languages });
      ASSERT_EQ(r.status, 0) << r.err;
      ExpectSong(audioDir + "/A - " + name + ".mp3", 2, 400, 25);
  }
}

// H.265 with E-AC-3, AAC in LATM and in ADTS (mono) with MPEG-2 video, and AC-3 that
// changes from stereo to 5.1 in the middle of a song.
TEST_F(cScripts, TheSoundOfOtherChannels)
{
  std::string hevc = MakeStream("hevc", { "-f", "lavfi", "-i", "testsrc=size=160x96:rate=50", "-f", "lavfi", "-i",
                                          SongsSound({ { 1, 5, 400 }, { 6, 10, 600 } }), "-t", "11", "-c:v", "libx265",
                                          "-preset", "ultrafast", "-x265-params", "keyint=25:log-level=error",
                                          "-c:a", "eac3", "-ac", "2" });
  std::string latm = MakeStream("latm", { "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-f", "lavfi", "-i",
                                          SongsSound({ { 1, 5, 400 }, { 6, 10, 600 } }), "-t", "11", "-c:v", "mpeg2video",
                                          "-g", "12", "-c:a", "aac", "-ac", "2", "-mpegts_flags", "latm" });
  std::string adts = MakeStream("adts", { "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-f", "lavfi", "-i",
                                          SongsSound({ { 1, 5, 400 }, { 6, 10, 600 } }), "-t", "11", "-c:v", "mpeg2video",
                                          "-g", "12", "-c:a", "aac", "-ac", "1" });
  std::string stereo = workDir + "/stereo.ac3", surround = workDir + "/surround.ac3";
  ASSERT_EQ(Run({ "ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=f=500:r=48000:d=4", "-ac", "2",
                  "-c:a", "ac3", "-f", "ac3", stereo }).status, 0);
  ASSERT_EQ(Run({ "ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=f=500:r=48000:d=4",
                  "-af", "pan=5.1|FL=c0|FR=c0|FC=c0", "-c:a", "ac3", "-f", "ac3", surround }).status, 0);
  ASSERT_TRUE(WriteFile(workDir + "/switching.ac3", ReadFile(stereo) + ReadFile(surround)));
  std::string switching = MakeStream("switching", { "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25:d=8", "-f", "ac3",
                                                    "-i", workDir + "/switching.ac3", "-c:v", "mpeg2video", "-g", "12",
                                                    "-c:a", "copy" });
  struct {
    const char *what;
    std::string stream;
    int fps;
    const char *marks;
    double seconds;
    int hz;
  } cases[] = {
    { "H.265, E-AC-3", hevc, 50, "0:00:06.00\n0:00:10.00\n", 4, 600 },
    { "AAC-LATM", latm, 25, "0:00:01.00\n0:00:05.00\n", 4, 400 },
    { "AAC-ADTS in mono", adts, 25, "0:00:06.00\n0:00:10.00\n", 4, 600 },
    { "AC-3 2.0, then 5.1", switching, 25, "0:00:01.00\n0:00:06.00\n", 5, 500 },
  };
  for (const auto &c : cases) {
      SCOPED_TRACE(c.what);
      std::string dir = videoDir + "/" + c.what;
      ASSERT_TRUE(MakeDirs(dir.c_str(), true));
      MakeRecording(dir, { { c.stream, { c.seconds / 2 + 1 } } }, c.fps);
      SetMarks(c.marks, dir);
      cResult r = Convert("mp3", dir, c.what, "A", "");
      ASSERT_EQ(r.status, 0) << r.err;
      ExpectSong(audioDir + "/A - " + c.what + ".mp3", c.seconds, c.hz, c.fps);
  }
}

// A song across the wrap of the 33-bit time stamps, and one across the point where the
// recording was resumed (a file of its own with time stamps 5000 s later).
TEST_F(cScripts, TimeStampsThatWrapOrJumpDoNotMoveTheCut)
{
  std::string wrapping = MakeStream("wrapping", { "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-f", "lavfi", "-i",
                                                  SongsSound({ { 1, 7, 500 }, { 8, 10, 700 } }), "-t", "10",
                                                  "-c:v", "mpeg2video", "-g", "12", "-c:a", "mp2",
                                                  "-output_ts_offset", "95440" });
  std::string resumed = MakeStream("resumed", { "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-f", "lavfi", "-i",
                                                SongsSound({ { 0, 3, 700 } }), "-t", "5", "-c:v", "mpeg2video",
                                                "-g", "12", "-c:a", "mp2", "-output_ts_offset", "5000" });
  MakeRecording(recDir, { { wrapping, {} }, { resumed, {} } });
  SetMarks("0:00:01.00\n0:00:07.00\n");
  ASSERT_EQ(Convert("ogg", recDir, "Wrap", "A", "").status, 0);
  ExpectSong(audioDir + "/A - Wrap.ogg", 6, 500, 25);
  // frame 200 (8 s) of the first file to frame 75 (3 s) of the second
  SetMarks("0:00:08.00\n0:00:13.00\n");
  cResult r = Convert("ogg", recDir, "Resumed", "A", "");
  ASSERT_EQ(r.status, 0) << r.err;
  ExpectSong(audioDir + "/A - Resumed.ogg", 5, 700, 25);
}

TEST_F(cScripts, AudioComesFromThePairsPositionInTheMedia)
{
  SetMarks("0:00:01.00\n0:00:05.00\n");
  ASSERT_EQ(Convert("mp3", recDir, "Quiet", "A", "2001").status, 0);
  SetMarks("0:00:0" + std::to_string(ToneFromSecond + 1) + ".05\n0:00:10.00\n");
  ASSERT_EQ(Convert("mp3", recDir, "Loud", "A", "2001").status, 0);
  EXPECT_LT(MaxVolumeDb(audioDir + "/A - Quiet (2001).mp3"), -40);
  EXPECT_GT(MaxVolumeDb(audioDir + "/A - Loud (2001).mp3"), -20);
}

TEST_F(cScripts, DefaultFolderIsMusicInHomeAndUnknownYearIsLeftOut)
{
  SetMarks("0:00:01.00\n0:00:02.00\n");
  std::string home = root + "/home";
  cResult r = Run({ std::string(VIMORA_SOURCE_DIR) + "/scripts/vimora2ogg.sh", recDir, "Song", "Artist", "0000" },
                  { "VIMORA_AUDIO_DIR", "HOME=" + home });
  ASSERT_EQ(r.status, 0) << r.err;
  std::string file = home + "/Music/vimora/Artist - Song.ogg";
  ASSERT_TRUE(FileExists(file));
  EXPECT_EQ(Tag(file, "date"), "");
}

TEST_F(cScripts, HostileNamesAreDataOnly)
{
  std::string dir = videoDir + "/x\"$(touch pwned-d)`touch pwned-e`;\\ \n'/rec";
  ASSERT_TRUE(MakeDirs(dir.c_str(), true));
  MakeRecording(dir, { { masterMedia, {} } });
  SetMarks("0:00:01.00\n0:00:02.00\n", dir);
  std::string artist = "..\"; touch pwned-a; \"";
  std::string title = "$(touch pwned-b) `touch pwned-c` ; ../../escape\nline '$HOME' \\";
  cResult r = Convert("mp3", dir, title, artist, "1999");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string name = "__\"; touch pwned-a; \" - $(touch pwned-b) `touch pwned-c` ; .._.._escape line '$HOME' \\ (1999).mp3";
  ASSERT_EQ(AudioFiles(), std::vector<std::string>{ name });
  EXPECT_EQ(Tag(audioDir + "/" + name, "artist"), artist);
  EXPECT_EQ(Tag(audioDir + "/" + name, "title"), title);
  for (const auto &e : fs::recursive_directory_iterator(root))
      EXPECT_NE(e.path().filename().string().rfind("pwned", 0), 0U) << e.path();
  SetMarks("0:00:01.00\n0:00:02.00\n");
  ASSERT_EQ(Convert("ogg", recDir, "x", ".hidden", "2000").status, 0);
  EXPECT_TRUE(FileExists(audioDir + "/_hidden - x (2000).ogg"));
}

// The naming pattern: subfolders, the names cleaned part by part, the pattern's own
// parts too, so that nothing leaves the audio folder or hides; a name holding a
// placeholder or '&' stays as it is.
TEST_F(cScripts, TheNamingPatternMakesSubfoldersThatStayInTheFolder)
{
  struct tCase {
    const char *pattern, *artist, *title, *year, *file;
  } cases[] = {
    { "%artist%/%title%", "Nova", "Frozen Lake", "1999", "Nova/Frozen Lake.mp3" },
    { "%artist%/%year% - %title%", "../..", "%artist% & x", "2001", "___../2001 - %artist% & x.mp3" },
    { "/../%artist%//.%title% (%year%)", "A/B", "T", "0", "__/A_B/_T.mp3" },
    { "Singles/%artist% - %title% (%year%)", ".x", "y\nz", "", "Singles/_x - y z.mp3" },
  };
  SetMarks("0:00:01.00\n0:00:02.00\n");
  for (const tCase &c : cases) {
      SCOPED_TRACE(c.pattern);
      cResult r = Convert("mp3", recDir, c.title, c.artist, c.year, { std::string("VIMORA_AUDIO_NAME=") + c.pattern });
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out, audioDir + "/" + c.file + "\n");
      std::vector<std::string> files;
      for (const auto &e : fs::recursive_directory_iterator(audioDir))
          if (e.is_regular_file())
             files.push_back(fs::relative(e.path(), audioDir));
      EXPECT_EQ(files, std::vector<std::string>{ c.file });
      EXPECT_EQ(Tag(audioDir + "/" + c.file, "artist"), c.artist);
      ASSERT_TRUE(RemoveFileOrDir(audioDir.c_str()));
  }
  cResult r = Convert("mp3", recDir, "T", "A", "1999", { "VIMORA_AUDIO_NAME=//" });
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("gives no file name"), std::string::npos) << r.err;
}

TEST_F(cScripts, ErrorsNameTheProblemAndWriteNothing)
{
  std::string noAudioMedia = root + "/video-only.ts";
  ASSERT_EQ(Run({ "ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-t", "3",
                  "-c:v", "mpeg2video", "-f", "mpegts", noAudioMedia }).status, 0);
  std::string emptyBin = root + "/empty-bin";
  ASSERT_TRUE(MakeDirs(emptyBin.c_str(), true));
  ASSERT_TRUE(WriteFile(root + "/a-file", ""));
  const std::string pair = "0:00:01.00\n0:00:02.00\n";
  struct cCase {
    const char *what;
    std::string marks;     // written to a fresh recording; "-" for none
    std::string media;     // made into its media and index; empty for the index alone, "-" for neither
    std::vector<std::string> args; // "DIR" stands for the fresh recording
    std::vector<std::string> env;
    int status;
    const char *message;
  } cases[] = {
    { "too few arguments", pair, masterMedia, { "DIR", "T", "A" }, {}, 2, "usage: vimora2mp3.sh DIR TITLE ARTIST YEAR" },
    { "too many arguments", pair, masterMedia, { "DIR", "T", "A", "1999", "x" }, {}, 2, "usage" },
    { "no artist nor title", pair, masterMedia, { "DIR", "", "", "1999" }, {}, 2, "neither artist nor title" },
    { "no recording", pair, masterMedia, { "DIR/missing", "T", "A", "1999" }, {}, 3, "missing' not found" },
    { "no media", pair, "", { "DIR", "T", "A", "1999" }, {}, 3, "00001.ts' not found" },
    { "no index", pair, "-", { "DIR", "T", "A", "1999" }, {}, 3, "index' not found" },
    { "no marks file", "-", masterMedia, { "DIR", "T", "A", "1999" }, {}, 4, "marks' not found" },
    { "one mark", "0:00:01.00 A|T|1999\n", masterMedia, { "DIR", "T", "A", "1999" }, {}, 4, "holds 1 marks instead of one pair" },
    { "three marks", pair + "0:00:03.00\n", masterMedia, { "DIR", "T", "A", "1999" }, {}, 4, "holds 3 marks" },
    { "garbage mark", "0:00:01.00\n\nsoon\n", masterMedia, { "DIR", "T", "A", "1999" }, {}, 4, "unreadable mark in line 3" },
    { "frame out of range", "0:00:01.25\n0:00:02.00\n", masterMedia, { "DIR", "T", "A", "1999" }, {}, 4, "unreadable mark in line 1" },
    { "reversed pair", "0:00:02.00\n0:00:01.00\n", masterMedia, { "DIR", "T", "A", "1999" }, {}, 4, "does not lie after" },
    { "pair past the index", "0:01:00.00\n0:01:03.00\n", masterMedia, { "DIR", "T", "A", "1999" }, {}, 4, "beyond the end" },
    { "no ffmpeg", pair, masterMedia, { "DIR", "T", "A", "1999" }, { "PATH=" + emptyBin }, 5, "ffmpeg and ffprobe are needed" },
    { "no audio folder", pair, masterMedia, { "DIR", "T", "A", "1999" }, { "VIMORA_AUDIO_DIR", "HOME" }, 6, "set VIMORA_AUDIO_DIR" },
    { "audio folder not creatable", pair, masterMedia, { "DIR", "T", "A", "1999" }, { "VIMORA_AUDIO_DIR=" + root + "/a-file/audio" }, 6, "cannot create the audio folder" },
    { "media without audio", pair, noAudioMedia, { "DIR", "T", "A", "1999" }, {}, 6, "no sound track" },
  };
  int n = 0;
  for (const auto &c : cases) {
      SCOPED_TRACE(c.what);
      std::string dir = videoDir + "/case" + std::to_string(++n);
      ASSERT_TRUE(MakeDirs(dir.c_str(), true));
      if (c.marks != "-")
         SetMarks(c.marks, dir);
      if (c.media.empty())
         fs::copy_file(recDir + "/index", dir + "/index");
      else if (c.media != "-")
         MakeRecording(dir, { { c.media, {} } });
      std::vector<std::string> argv{ std::string(VIMORA_SOURCE_DIR) + "/scripts/vimora2mp3.sh" };
      for (const auto &a : c.args)
          argv.push_back(a.compare(0, 3, "DIR") == 0 ? dir + a.substr(3) : a);
      std::vector<std::string> env{ "VIMORA_AUDIO_DIR=" + audioDir };
      env.insert(env.end(), c.env.begin(), c.env.end());
      cResult r = Run(argv, env);
      EXPECT_EQ(r.status, c.status) << r.err;
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
      EXPECT_EQ(AudioFiles(), std::vector<std::string>{});
      }
}

// A stand-in encoder that writes part of its output, tells the test its pid through
// fd 3 and waits to be ended, so that the signal surely arrives mid-encoding. Writing
// into a pipe (the decoder's place) it reads its input and ends, without sound.
TEST_F(cScripts, SignalDuringEncodingLeavesNoFile)
{
  std::string fakeBin = root + "/fake-bin";
  ASSERT_TRUE(MakeDirs(fakeBin.c_str(), true));
  ASSERT_TRUE(WriteFile(fakeBin + "/ffmpeg", "#!/bin/sh\nfor a; do out=$a; done\ncase $out in pipe:*) exec cat >/dev/null ;; esac\n"
                                              "printf partial >\"${out#file:}\"\necho $$ >&3\nexec sleep 300\n"));
  ASSERT_EQ(chmod((fakeBin + "/ffmpeg").c_str(), 0755), 0);
  SetMarks("0:00:01.00\n0:00:02.00\n");
  struct {
    const char *what;
    bool wholeGroup;
    int signal, status;
  } cases[] = {
    { "TERM to the process group", true, SIGTERM, 143 },
    { "TERM to the script alone", false, SIGTERM, 143 },
    { "INT to the script alone", false, SIGINT, 130 },
  };
  for (const auto &c : cases) {
      SCOPED_TRACE(c.what);
      int fds[2];
      ASSERT_EQ(pipe(fds), 0);
      pid_t encoder = 0;
      bool partialSeen = false;
      auto signalMidway = [&](pid_t Script) {
        close(fds[1]);
        char buf[32] = "";
        FILE *f = fdopen(fds[0], "r");
        if (f && fgets(buf, sizeof(buf), f))
           encoder = atoi(buf);
        if (f)
           fclose(f);
        for (const auto &name : AudioFiles())
            partialSeen |= ReadFile(audioDir + "/" + name) == "partial";
        kill(c.wholeGroup ? -Script : Script, c.signal);
      };
      cResult r = Run({ std::string(VIMORA_SOURCE_DIR) + "/scripts/vimora2mp3.sh", recDir, "T", "A", "1999" },
                      { "VIMORA_AUDIO_DIR=" + audioDir, "PATH=" + fakeBin + ":" + getenv("PATH") }, signalMidway, fds[1]);
      ASSERT_GT(encoder, 0) << r.err;
      EXPECT_TRUE(partialSeen);
      EXPECT_EQ(r.status, c.status) << r.err;
      EXPECT_EQ(AudioFiles(), std::vector<std::string>{});
      EXPECT_TRUE(kill(encoder, 0) < 0 && errno == ESRCH) << "the encoder still runs";
      }
}

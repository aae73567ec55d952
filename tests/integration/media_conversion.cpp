// A conversion with the real scripts stopped from the plug-in's menu while a script
// encodes its track: the recording's marks file is whole again and no half-written audio
// file is left.
#include <filesystem>
#include <stdlib.h>
#include <thread>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/recording.h>
#include <vdr/timers.h>

#include "../../host/src/mediawriter.h"
#include "audio_thread.h"
#include "hostenv.h"
#include "hostfixtures.h"
#include "process.h"
#include "tracks.h"
#include "vimora_config.h"

namespace fs = std::filesystem;

namespace {

const int Songs = 3;
const int SongStart = 10; // seconds after the recording's start
const int SongSeconds = 30;
const int RecordingSeconds = 120;

} // namespace

class cMediaConversion : public cHostEnv {
protected:
  std::string audioDir, recording, oldPath;
  bool withRozerez = false;

  void SetUp(void) override
  {
    cHostEnv::SetUp();
    audioDir = root + "/audio";
    const char *path = getenv("PATH");
    oldPath = path ? path : "";
    setenv("PATH", (std::string(VIMORA_SOURCE_DIR) + "/scripts:" + oldPath).c_str(), 1);
    setenv("VIMORA_AUDIO_DIR", audioDir.c_str(), 1);
    SetMediaWriterFactory(NewRenderedMediaWriter);
    cClock::SetTime(TestEpoch - 60);
    cChannel *music = AddTestChannel();
    for (int s = 0; s < Songs; s++)
        AddTestEvent(MusicChannelID, TestEpoch + SongStart + s * SongSeconds, SongSeconds, cString::sprintf("Artist %d - Song %d (199%d)", s, s, s));
    if (withRozerez)
       ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { "vimora", "rozerez" }));
    else
       ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { "vimora" }));
    VimoraConfig.offset = 0;
    ASSERT_TRUE(cRecorder::Start());
    cTimer *timer = AddTestTimer(music, TestEpoch, TestEpoch + RecordingSeconds, "Music");
    cClock::Step((60 + RecordingSeconds + 1) * 1000);
    ASSERT_FALSE(timer->Recording());
    ASSERT_NE(Recordings.First(), nullptr);
    recording = Recordings.First()->FileName();
    ASSERT_TRUE(FileExists(recording + "/00001.ts"));
  }
  void TearDown(void) override
  {
    cConvertToAudioThread::Exit();
    cRecorder::Stop();
    SetMediaWriterFactory(NULL);
    setenv("PATH", oldPath.c_str(), 1);
    unsetenv("VIMORA_AUDIO_DIR");
    VimoraConfig = cVimoraConfig();
    cHostEnv::TearDown();
  }
};

TEST_F(cMediaConversion, StopInTheMiddleLeavesTheOriginalMarks)
{
  Press({ kMenu, k1, kGreen });
  std::string marks = ReadFile(recording + "/marks");
  ASSERT_EQ(Lines(marks).size(), size_t(2 * Songs)) << marks;
  Press({ kYellow, k1 });
  std::thread stepper([] { cClock::Step(10); });
  // as soon as the first script works on its pair
  for (int i = 0; i < 60000 && Lines(ReadFile(recording + "/marks")).size() != 2; i++)
      usleep(1000);
  EXPECT_EQ(Lines(ReadFile(recording + "/marks")).size(), 2u);
  Press({ kMenu, k1, kYellow, kOk });
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_EQ(ReadFile(recording + "/marks"), marks);
  stepper.join();
  if (fs::exists(audioDir)) {
     for (const auto &e : fs::directory_iterator(audioDir))
         EXPECT_NE(e.path().filename().string()[0], '.') << "left behind: " << e.path();
  }
  cTracksLock lock(Tracks);
  for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
      EXPECT_EQ(t->status, 0) << t->title;
}

namespace {

// The text of Path in an XML file, as xmllint reads it ("" when it is not there).
std::string XmlValue(const std::string &File, const std::string &Path)
{
  tProcessResult r = RunProcess({ "/usr/bin/env", "xmllint", "--nonet", "--xpath", "string(" + Path + ")", File });
  EXPECT_EQ(r.exitCode, 0) << File << ": " << r.err;
  return r.out.substr(0, r.out.find_last_not_of('\n') + 1);
}

// "codec WIDTHxHEIGHT" of a picture, as ffprobe reads it.
std::string Picture(const std::string &File)
{
  tProcessResult r = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-show_entries", "stream=codec_name,width,height", "-of", "csv=p=0:s=x", "file:" + File });
  std::string out = r.out.substr(0, r.out.find('\n'));
  size_t x = out.find('x');
  return x == std::string::npos ? out : out.substr(0, x) + " " + out.substr(x + 1);
}

} // namespace

// Audio and video into the folders of the command line: beside each clip its NFO, read
// back as XML with every field (a hostile name escaped, the clip's name kept in its
// folder), and its thumbnail; the recording's playlist beside the audio files.
class cMediaLibrary : public cMediaConversion {
public:
  cMediaLibrary(void) { withRozerez = true; }
};

TEST_F(cMediaLibrary, ClipsGetTheirNfoAndThumbnailAndTheRecordingItsPlaylist)
{
  if (RunProcess({ "/bin/sh", "-c", "command -v xmllint" }).exitCode != 0)
     GTEST_SKIP() << "xmllint is missing (scripts/install-deps installs libxml2-utils)";
  std::string clips = root + "/videos";
  ASSERT_TRUE(MakeDirs(clips.c_str(), true));
  ASSERT_TRUE(MakeDirs(audioDir.c_str(), true));
  VimoraConfig.clipdir = clips;
  VimoraConfig.audiodir = audioDir;
  // the guide's first song gets a name that is no friend of XML nor of file names
  {
    cTracksLock lock(Tracks);
    cTrack *t = Tracks.First();
    ASSERT_NE(t, nullptr);
    t->artist = "AC/DC & <Friends>";
    t->title = "\"Song\" 'null' \x01 ../x";
  }
  Press({ kMenu, k1, kGreen });
  ASSERT_EQ(Lines(ReadFile(recording + "/marks")).size(), size_t(2 * Songs));
  Press({ kYellow, k3 });
  cClock::Step(10);
  for (int i = 0; i < 120000 && cConvertToAudioThread::m_Instance; i++)
      usleep(1000);
  ASSERT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  std::string first = clips + "/AC_DC & <Friends> - \"Song\" 'null'   .._x (1990)";
  ASSERT_TRUE(FileExists(first + ".ts")) << first;
  for (int s = 0; s < Songs; s++) {
      std::string clip = s == 0 ? first : clips + *cString::sprintf("/Artist %d - Song %d (199%d)", s, s, s);
      std::string nfo = clip + ".nfo";
      ASSERT_TRUE(FileExists(nfo)) << nfo;
      EXPECT_EQ(XmlValue(nfo, "/musicvideo/title"), s == 0 ? "\"Song\" 'null'  ../x" : *cString::sprintf("Song %d", s));
      EXPECT_EQ(XmlValue(nfo, "/musicvideo/artist"), s == 0 ? "AC/DC & <Friends>" : *cString::sprintf("Artist %d", s));
      EXPECT_EQ(XmlValue(nfo, "/musicvideo/album"), XmlValue(nfo, "/musicvideo/title"));
      EXPECT_EQ(XmlValue(nfo, "/musicvideo/genre"), "Music Video");
      EXPECT_EQ(XmlValue(nfo, "/musicvideo/year"), *cString::sprintf("199%d", s));
      EXPECT_EQ(XmlValue(nfo, "/musicvideo/studio"), Recordings.First()->Info()->ChannelName());
      EXPECT_EQ(XmlValue(nfo, "/musicvideo/aired"), "2026-12-07");
      EXPECT_EQ(XmlValue(nfo, "count(/musicvideo/*)"), "7");
      std::string picture = Picture(clip + "-thumb.jpg");
      EXPECT_EQ(picture.substr(0, picture.find(' ')), "mjpeg") << clip;
      EXPECT_LE(atoi(picture.c_str() + picture.find(' ') + 1), 600) << picture;
  }
  EXPECT_FALSE(Recordings.First()->Info()->ChannelName() == NULL || !*Recordings.First()->Info()->ChannelName());
  std::string playlist = ReadFile(audioDir + "/Music 2026-12-07 20.00.m3u");
  EXPECT_EQ(playlist.substr(0, 8), "#EXTM3U\n");
  EXPECT_NE(playlist.find(",Artist 2 - Song 2\nArtist 2 - Song 2 (1992).mp3\n"), std::string::npos) << playlist;
  for (const auto &e : fs::directory_iterator(clips))
      EXPECT_NE(e.path().filename().string()[0], '.') << "left behind: " << e.path();
}

// The whole road with real media: the host records three music videos of the channel
// while the plug-in catalogues them, green writes the cut marks, and the convert menu
// has rozerez cut the clips and the real scripts make tagged MP3 files. One of the songs
// has a title that would run commands and leave the folders if it were taken as code.
#include <filesystem>
#include <map>
#include <thread>
#include <stdlib.h>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/recording.h>
#include <vdr/timers.h>

#include "../../host/src/mediawriter.h"
#include "audio_thread.h"
#include "hostenv.h"
#include "hostfixtures.h"
#include "menu_convert.h"
#include "process.h"
#include "tracks.h"
#include "vimora_config.h"

namespace fs = std::filesystem;

namespace {

const int Songs = 3;
const int SongStart = 10;   // seconds after the recording's start
const int SongSeconds = 30;
const int RecordingSeconds = 120;

struct tSong {
  std::string artist, title, year;
  std::string Name(void) const { return artist + " - " + title + " (" + year + ")"; }
};

// The value of each "key=value" line of ffprobe's output.
std::map<std::string, std::string> Values(const std::string &Text)
{
  std::map<std::string, std::string> values;
  for (const auto &l : Lines(Text)) {
      size_t eq = l.find('=');
      if (eq != std::string::npos)
         values[l.substr(0, eq)] = l.substr(eq + 1);
  }
  return values;
}

} // namespace

class cMediaConversion : public cHostEnv {
protected:
  std::string out, audioDir, clipsDir, recording, oldPath;
  std::vector<tSong> songs;

  void SetUp(void) override
  {
    cHostEnv::SetUp();
    out = root + "/out/folder";
    audioDir = out + "/audio";
    clipsDir = out + "/clips";
    songs = { { "Alpha Band", "First Song", "1991" },
              { "Evil \"Band\"", "$(touch " + root + "/pwned1) `touch " + root + "/pwned2`; touch " + root + "/pwned3 ../../x", "1992" },
              { "Gamma", "Third", "1993" } };
    const char *path = getenv("PATH");
    oldPath = path ? path : "";
    setenv("PATH", (std::string(VIMORA_SOURCE_DIR) + "/scripts:" + oldPath).c_str(), 1);
    setenv("VIMORA_AUDIO_DIR", audioDir.c_str(), 1);
    SetMediaWriterFactory(NewRenderedMediaWriter);
    cClock::SetTime(TestEpoch - 60);
    cChannel *music = AddTestChannel();
    for (int s = 0; s < Songs; s++)
        AddTestEvent(MusicChannelID, TestEpoch + SongStart + s * SongSeconds, SongSeconds, songs[s].Name().c_str());
    ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { "vimora", ("rozerez -d " + clipsDir).c_str() }));
    VimoraConfig.offset = 0;
    ASSERT_TRUE(cRecorder::Start());
    cTimer *timer = AddTestTimer(music, TestEpoch, TestEpoch + RecordingSeconds, "Music");
    cClock::Step((60 + RecordingSeconds + 1) * 1000);
    ASSERT_FALSE(timer->Recording());
    ASSERT_NE(Recordings.First(), nullptr);
    recording = Recordings.First()->FileName();
    ASSERT_TRUE(FileExists(recording + "/001.ts"));
  }
  void TearDown(void) override
  {
    cConvertToAudioThread::Exit();
    cRecorder::Stop();
    SetMediaWriterFactory(NULL);
    setenv("PATH", oldPath.c_str(), 1);
    unsetenv("VIMORA_AUDIO_DIR");
    cHostEnv::TearDown();
  }
  // Waits (at most two minutes of real time) until the conversion has ended.
  bool WaitConverted(void)
  {
    for (int i = 0; i < 12000 && cConvertToAudioThread::m_Instance; i++)
        usleep(10000);
    return !cConvertToAudioThread::m_Instance;
  }
  std::map<std::string, std::string> Probe(const std::string &File)
  {
    tProcessResult r = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-show_entries", "format=duration:format_tags=artist,title,date", "-of", "default=nw=1", "file:" + File });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return Values(r.out);
  }
  // The length of each pair of marks in seconds.
  std::vector<double> Spans(void)
  {
    cMarks marks;
    marks.Load(recording.c_str());
    std::vector<double> spans;
    for (cMark *m = marks.First(); m && marks.Next(m); m = marks.Next(marks.Next(m)))
        spans.push_back((marks.Next(m)->position - m->position) / double(FRAMESPERSEC));
    return spans;
  }
  // Every file under the test's folder that lies outside the recording, configuration
  // and output folders.
  std::vector<std::string> StrayFiles(void)
  {
    std::vector<std::string> stray;
    for (const auto &e : fs::recursive_directory_iterator(root)) {
        std::string p = e.path().string();
        if (!e.is_directory() && p.rfind(videoDir + "/", 0) != 0 && p.rfind(configDir + "/", 0) != 0 && p.rfind(out + "/", 0) != 0)
           stray.push_back(p);
    }
    return stray;
  }
};

TEST_F(cMediaConversion, AudioAndVideoClipsOfEveryTrack)
{
  Press({ kMenu, k1, kGreen });
  std::string marks = ReadFile(recording + "/marks.vdr");
  ASSERT_EQ(Lines(marks).size(), size_t(2 * Songs)) << marks;
  std::vector<double> spans = Spans();
  Press({ kYellow });
  ASSERT_EQ(Screen().items, (std::vector<std::string>{ "1 Create video clips", "2 Create audio clips", "3 Create audio and video clips" }));
  Press({ k3 });
  cClock::Step(10);
  ASSERT_TRUE(WaitConverted());

  for (int s = 0; s < Songs; s++) {
      SCOPED_TRACE(songs[s].Name());
      std::string name = songs[s].Name();
      for (char &c : name)
          if (c == '/')
             c = '_';
      std::map<std::string, std::string> mp3 = Probe(audioDir + "/" + name + ".mp3");
      EXPECT_NEAR(atof(mp3["duration"].c_str()), spans[s], 1.0);
      EXPECT_EQ(mp3["TAG:artist"], songs[s].artist);
      EXPECT_EQ(mp3["TAG:title"], songs[s].title);
      EXPECT_EQ(mp3["TAG:date"], songs[s].year);
      EXPECT_NEAR(atof(Probe(clipsDir + "/" + name + ".ts")["duration"].c_str()), spans[s], 1.0);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(audioDir), fs::directory_iterator()), Songs);
  EXPECT_EQ(std::distance(fs::directory_iterator(clipsDir), fs::directory_iterator()), Songs);
  EXPECT_EQ(StrayFiles(), std::vector<std::string>{});
  system(("ls -R \"" + out + "\"; cat \"" + recording + "/marks.vdr\"").c_str());
  {
    cTracksLock lock(Tracks);
    ASSERT_EQ(Tracks.Count(), Songs);
    for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
        EXPECT_EQ(t->status, 2) << t->title;
  }
  // the same marks, their start marks now named after the clips
  std::string named;
  for (const auto &l : Lines(marks)) {
      cMark m;
      ASSERT_TRUE(m.Parse(l.c_str()));
      named += *IndexToHMSF(m.position, true);
      if (m.comment)
         named += " " + cMenuConvert::FormatMark(m.comment);
      named += "\n";
  }
  EXPECT_EQ(ReadFile(recording + "/marks.vdr"), named);
}

TEST_F(cMediaConversion, StopInTheMiddleLeavesTheOriginalMarks)
{
  Press({ kMenu, k1, kGreen });
  std::string marks = ReadFile(recording + "/marks.vdr");
  Press({ kYellow, k2 });
  std::thread stepper([] { cClock::Step(10); });
  // as soon as the first script works on its pair
  for (int i = 0; i < 60000 && Lines(ReadFile(recording + "/marks.vdr")).size() != 2; i++)
      usleep(1000);
  EXPECT_EQ(Lines(ReadFile(recording + "/marks.vdr")).size(), 2u);
  Press({ kMenu, k1, kYellow, kOk });
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_EQ(ReadFile(recording + "/marks.vdr"), marks);
  stepper.join();
  if (fs::exists(audioDir)) {
     for (const auto &e : fs::directory_iterator(audioDir))
         EXPECT_NE(e.path().filename().string()[0], '.') << "left behind: " << e.path();
  }
  cTracksLock lock(Tracks);
  for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
      EXPECT_EQ(t->status, 0) << t->title;
}

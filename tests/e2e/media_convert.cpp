// vimora-host records three songs with real media, green marks them and "Create audio and
// video clips" has rozerez cut the clips and the scripts write tagged MP3 files. The
// second song's title would run commands and leave the folders if it were taken as code.
#include <filesystem>
#include <glob.h>
#include <vdr/recording.h>

#include "hostprogram.h"
#include "menu_convert.h"
#include "tracks.h"

namespace fs = std::filesystem;

class cMediaConvert : public cHostProgram {
protected:
  std::string clipsDir;
  std::vector<std::string> names; // the songs' event titles, which are also their file names
  void SetUp(void) override
  {
    cHostProgram::SetUp();
    clipsDir = root + "/clips";
    names = { "Alpha Band - First Song (1991)",
              "Evil \"Band\" - $(touch " + root + "/pwned1) `touch " + root + "/pwned2`; touch " + root + "/pwned3 ../../x (1992)",
              "Gamma - Third (1993)" };
  }
  std::string RecordingDir(void)
  {
    glob_t g;
    std::string dir;
    if (glob((videoDir + "/Music/*.rec").c_str(), 0, NULL, &g) == 0 && g.gl_pathc == 1)
       dir = g.gl_pathv[0];
    globfree(&g);
    return dir;
  }
  std::map<std::string, std::string> Probe(const std::string &File)
  {
    tProcessResult r = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-show_entries", "format=duration:format_tags=artist,title,date", "-of", "default=nw=1", "file:" + File });
    EXPECT_EQ(r.exitCode, 0) << File << ": " << r.err;
    std::map<std::string, std::string> values;
    for (const auto &l : Lines(r.out)) {
        size_t eq = l.find('=');
        if (eq != std::string::npos)
           values[l.substr(0, eq)] = l.substr(eq + 1);
    }
    return values;
  }
  std::vector<std::string> FileNames(const std::string &Dir)
  {
    std::vector<std::string> files;
    for (const auto &e : fs::directory_iterator(Dir))
        files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
  }
};

TEST_F(cMediaConvert, ThreeSongsBecomeClipsAndTaggedMp3Files)
{
  std::string script =
    "channel S19.2E-1-1092-10100 VimoraMusic\n"
    "event 1 +10 30 " + names[0] + "\n"
    "event 1 +40 30 " + names[1] + "\n"
    "event 1 +70 30 " + names[2] + "\n"
    "timer 1 +0 +120 Music\n"
    "wait 130\n"
    "key Menu Ok Green\n"
    "expect Marks created!\n"
    "key Yellow\n"
    "expect 3 Create audio and video clips\n"
    "key 3\n"
    "wait-idle 600\n";
  tProcessResult r = Script(script, { "vimora", "rozerez -d " + clipsDir });
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  std::string recording = RecordingDir();
  ASSERT_FALSE(recording.empty());

  cMarks marks;
  ASSERT_TRUE(marks.Load(recording.c_str()));
  ASSERT_EQ(marks.Count(), 6);
  std::vector<std::string> expected;
  int s = 0;
  for (cMark *m = marks.First(); m; m = marks.Next(marks.Next(m)), s++) {
      SCOPED_TRACE(names[s]);
      // the start mark now carries the clip name, which is the event's title
      ASSERT_NE(m->Comment(), nullptr);
      EXPECT_EQ(m->Comment(), names[s]);
      double span = (marks.Next(m)->Position() - m->Position()) / double(FRAMESPERSEC);
      std::string name = names[s];
      std::replace(name.begin(), name.end(), '/', '_');
      expected.push_back(name);
      std::map<std::string, std::string> mp3 = Probe(audioDir + "/" + name + ".mp3");
      EXPECT_NEAR(atof(mp3["duration"].c_str()), span, 1.0);
      EXPECT_NEAR(atof(Probe(clipsDir + "/" + name + ".ts")["duration"].c_str()), span, 1.0);
      std::string artist = names[s].substr(0, names[s].find(" - "));
      EXPECT_EQ(mp3["TAG:artist"], artist);
      EXPECT_EQ(mp3["TAG:title"], names[s].substr(artist.size() + 3, names[s].size() - artist.size() - 10));
      EXPECT_EQ(mp3["TAG:date"], std::to_string(1991 + s));
  }
  std::sort(expected.begin(), expected.end());
  // beside them the recording's playlist, and each clip's NFO and thumbnail, named after it
  std::vector<std::string> mp3s, clips;
  for (const auto &n : expected) {
      mp3s.push_back(n + ".mp3");
      clips.insert(clips.end(), { n + "-thumb.jpg", n + ".nfo", n + ".ts" });
  }
  std::vector<std::string> audio = FileNames(audioDir);
  ASSERT_EQ(audio.size(), mp3s.size() + 1);
  EXPECT_EQ(audio.back().substr(0, 6), "Music ") << audio.back();
  EXPECT_EQ(audio.back().substr(audio.back().size() - 4), ".m3u");
  audio.pop_back();
  EXPECT_EQ(audio, mp3s);
  std::sort(clips.begin(), clips.end());
  EXPECT_EQ(FileNames(clipsDir), clips);
  for (const auto &e : fs::recursive_directory_iterator(root)) {
      std::string p = e.path().string();
      bool inside = p.rfind(videoDir + "/", 0) == 0 || p.rfind(configDir + "/", 0) == 0 || p.rfind(audioDir + "/", 0) == 0 || p.rfind(clipsDir + "/", 0) == 0;
      EXPECT_TRUE(e.is_directory() || inside) << p;
  }
  std::vector<std::string> tracks = Lines(ReadFile(configDir + "/plugins/vimora/tracks.conf"));
  ASSERT_EQ(tracks.size(), 3u);
  for (const auto &l : tracks) {
      cTrack t;
      ASSERT_TRUE(t.Parse(l.c_str())) << l;
      EXPECT_EQ(t.status, 2) << l;
  }
}

// The whole road in our host on the broadcast formats: a timer records the channel into
// many small files, the plug-in catalogues the guide (which is a second or two off what
// is on air), and when the recording ends it finds the song boundaries, has rozerez cut
// the clips and the scripts write the audio files, without a key. Each clip and each
// audio file holds its own song, whole, and nothing of its neighbours. The recorder's
// own test takes the 50-frame H.264 format; here every other one.
#include <vdr/tools.h>

#include "../../host/src/mediawriter.h"
#include "files.h"
#include "hostprogram.h"
#include "recordingmedia.h"

namespace {

// On air, seconds after the script's start; the guide's times are off by a second or two,
// one way and the other. An outro after the songs is not a track.
struct tSong {
  int start, duration, guideStart, guideDuration;
  const char *title;
};
// The grabber reads the guide every 30 s, so each song is on air for longer than that.
const tSong Songs[] = {
  { 10, 31, 12, 30, "Alpha - One (1991)" },
  { 41, 31, 42, 28, "Beta - Two (1992)" },
  { 72, 31, 71, 32, "Gamma - Three (1993)" },
};
const int OutroStart = 103;
// Small enough that every song lies in two files at least in every format.
const int SplitBytes = 120000;

} // namespace

class cMediaRoad : public cHostProgram {
protected:
  // A media file's length in seconds, as ffprobe tells it.
  double Duration(const std::string &File)
  {
    tProcessResult r = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", "file:" + File });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return atof(r.out.c_str());
  }
  // Checks that File holds song Song whole and only it (besides silence): as long as
  // the song's sound within a second, of that sound all but a second at most, no
  // tone of another item. The tones are those of the sound track the file took (which
  // one the rule picks is another test's).
  void HoldsItsSong(const std::string &File, size_t Song, const tBroadcastFormat &Format)
  {
    SCOPED_TRACE(File);
    // the gap of black and silence that opens an item, up to a second
    int fps = Format.framesPerSecond;
    double sound = Songs[Song].duration - double(MediaGapFrames(scriptStart + Songs[Song].start, fps)) / fps;
    double length = Duration(File);
    EXPECT_NEAR(length, sound, 1.0);
    std::vector<int16_t> samples = TrackSamples("file:" + File, 0);
    ASSERT_GE(samples.size(), size_t(sound - 1) * 48000);
    std::vector<double> seconds;
    for (const tBroadcastTrack &t : Format.tracks) {
        std::vector<int> tones;
        for (int i = 0; i <= int(sizeof(Songs) / sizeof(*Songs)); i++) // the outro's too
            tones.push_back(MediaToneHz(i) + t.toneShiftHz);
        std::vector<double> heard = ToneSeconds(samples, tones);
        if (seconds.empty() || heard[Song] > seconds[Song])
           seconds = heard;
    }
    double others = 0;
    for (size_t i = 0; i < seconds.size(); i++)
        if (i != Song)
           others += seconds[i];
    EXPECT_GE(seconds[Song], sound - 1.2); // counted in tenths: one cut short at each end
    EXPECT_LE(others, 0.1);
    char line[200];
    snprintf(line, sizeof(line), "%s %s: %.2f s for %.2f s of sound, %.1f s of it heard, %.1f s of others; ", Format.name,
             File.substr(File.rfind('/') + 1).c_str(), length, sound, seconds[Song], others);
    measured += line;
  }
  std::string measured;
  time_t scriptStart = 0;
};

TEST_F(cMediaRoad, EveryFormatGivesEachSongAsAClipAndAnAudioFileWholeWithoutAKey)
{
  scriptStart = LocalTime(2026, 12, 7, 20);
  for (const tBroadcastFormat &format : BroadcastFormats()) {
      if (format.name == std::string("h264-50-ac3"))
         continue;
      SCOPED_TRACE(format.name);
      // folders of its own: the host keeps its timers and its catalogue
      std::string base = root + "/" + format.name;
      configDir = base + "/config";
      videoDir = base + "/video";
      audioDir = base + "/audio";
      std::string clipsDir = base + "/clips";
      for (const std::string &d : { configDir, videoDir, audioDir, clipsDir })
          ASSERT_TRUE(MakeDirs(d.c_str(), true));
      ASSERT_TRUE(WriteFile(configDir + "/setup.conf", "vimora.autoconvert = 2\nvimora.refinemarks = 1\n"));
      std::string script = "speed max\nchannel S19.2E-1-1092-10100 VimoraMusic\nbroadcast 1 " + std::string(format.name) + "\nsplit " +
                           std::to_string(SplitBytes) + "\n";
      for (const tSong &s : Songs)
          script += "onair 1 +" + std::to_string(s.start) + " " + std::to_string(s.duration) + " " + s.title + "\n" +
                    "event 1 +" + std::to_string(s.guideStart) + " " + std::to_string(s.guideDuration) + " " + s.title + "\n";
      script += "onair 1 +" + std::to_string(OutroStart) + " 30 VimoraMusic - See you\n"
                "event 1 +" + std::to_string(OutroStart) + " 30 VimoraMusic - See you\n"
                "timer 1 +0 +120 Music\nwait 130\nwait-idle 900\n";
      tProcessResult r = Script(script, { "vimora -v 2", "rozerez -d " + clipsDir }, { "--start=2026-12-07 20:00:00" });
      ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
      std::vector<std::string> made = MatchPaths(videoDir + "/Music/*.rec");
      ASSERT_EQ(made.size(), 1u);
      EXPECT_GE(MediaFiles(made[0]).size(), size_t(120 / Songs[0].duration + 1));
      // every track converted, none left to do
      std::vector<std::string> tracks = Lines(ReadFile(configDir + "/plugins/vimora/tracks.conf"));
      ASSERT_EQ(tracks.size(), sizeof(Songs) / sizeof(*Songs)) << ReadFile(configDir + "/plugins/vimora/tracks.conf");
      for (const std::string &l : tracks)
          EXPECT_NE(l.find(":2:S19.2E-1-1092-10100"), std::string::npos) << l;
      for (size_t i = 0; i < sizeof(Songs) / sizeof(*Songs); i++) {
          std::string name = Songs[i].title;
          ASSERT_NO_FATAL_FAILURE(HoldsItsSong(clipsDir + "/" + name + ".ts", i, format));
          ASSERT_NO_FATAL_FAILURE(HoldsItsSong(audioDir + "/" + name + ".mp3", i, format));
      }
  }
  RecordProperty("lengths", measured);
}

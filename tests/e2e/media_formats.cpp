// The host's recorder on every broadcast format, as a script sets it up: a recording of
// three items at the format's rate, its tracks, languages and tones, its index against
// the media; and a recording beyond the file limit, in several files.
#include <string.h>
#include <vdr/tools.h>

#include "../../host/src/mediawriter.h"
#include "files.h"
#include "hostprogram.h"
#include "recordingmedia.h"

namespace {

const int Items = 3, ItemSeconds = 4;
const int Seconds = Items * ItemSeconds;

// ffprobe's names of the sound codecs.
const char *CodecName(eSoundCodec Codec)
{
  switch (Codec) {
    case scMp2: return "mp2";
    case scAc3: return "ac3";
    case scEac3: return "eac3";
    case scAacLatm: return "aac_latm";
  }
  return "";
}

// The item whose tone (with the track's Shift) sounds in the samples, or -1.
int ItemOf(const std::vector<int16_t> &Samples, int Shift)
{
  int best = -1;
  double bestPower = 0, total = 0;
  for (int i = 0; i < Items; i++) {
      double p = TonePower(Samples.data(), Samples.size(), MediaToneHz(i) + Shift);
      total += p;
      if (p > bestPower) {
         best = i;
         bestPower = p;
      }
  }
  return bestPower > 1e4 && bestPower > 0.9 * total ? best : -1;
}

} // namespace

class cMediaFormats : public cHostProgram {
protected:
  // Records the music channel in Format for Seconds with the script's Setup lines first;
  // the recording's directory.
  std::string Record(const tBroadcastFormat &Format, const std::string &Setup = "")
  {
    std::string script = "speed max\nchannel S19.2E-1-1092-10100 VimoraMusic\n" + Setup +
                         "broadcast S19.2E-1-1092-10100 " + Format.name + "\n";
    for (int i = 0; i < Items; i++)
        script += "event S19.2E-1-1092-10100 +" + std::to_string(i * ItemSeconds) + " " + std::to_string(ItemSeconds) +
                  " Artist " + std::to_string(i) + " - Song (1990)\n";
    script += "timer S19.2E-1-1092-10100 +0 +60 Music\nwait " + std::to_string(Seconds) + "\n";
    tProcessResult r = Script(script, {});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> made = MatchPaths(videoDir + "/Music/*.rec");
    EXPECT_EQ(made.size(), 1u);
    return made.empty() ? "" : made[0];
  }
  // "codec,pid,language" of each stream, in their order.
  std::vector<std::string> Streams(const std::string &Input)
  {
    tProcessResult r = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-show_streams", "-of", "flat", Input });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> streams;
    for (const std::string &l : Lines(r.out)) {
        int n = -1, end = 0;
        char key[32];
        if (sscanf(l.c_str(), "streams.stream.%d.%31[^=]=%n", &n, key, &end) != 2 || !end)
           continue;
        if (size_t(n) >= streams.size())
           streams.resize(n + 1, ",,");
        std::string value = l.substr(end + 1, l.size() - end - 2), &s = streams[n];
        size_t first = s.find(','), second = s.find(',', first + 1);
        if (!strcmp(key, "codec_name"))
           s = value + s.substr(first);
        else if (!strcmp(key, "id"))
           s = s.substr(0, first + 1) + std::to_string(strtol(value.c_str(), NULL, 16)) + s.substr(second);
        else if (!strcmp(key, "tags.language"))
           s = s.substr(0, second + 1) + value;
    }
    return streams;
  }
  std::string Probe(const std::string &Input, const std::string &Entries)
  {
    tProcessResult r = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-show_entries", Entries, "-of", "csv=p=0", Input });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }
};

TEST_F(cMediaFormats, EveryFormatRecordsAtItsRateWithItsTracksAndDecodes)
{
  for (const tBroadcastFormat &format : BroadcastFormats()) {
      SCOPED_TRACE(format.name);
      // folders of its own: the host keeps its timers
      configDir = root + "/config-" + format.name;
      videoDir = root + "/video-" + format.name;
      ASSERT_TRUE(MakeDirs(configDir.c_str(), true) && MakeDirs(videoDir.c_str(), true));
      std::string dir = Record(format);
      ASSERT_FALSE(dir.empty());
      // the channel's entry carries the format, which is how the recorder knew it
      EXPECT_NE(ReadFile(configDir + "/channels.conf").find(":" + format.VpidField() + ":" + format.ApidField() + ":"), std::string::npos);
      EXPECT_NE(ReadFile(dir + "/info").find("\nF " + std::to_string(format.framesPerSecond) + "\n"), std::string::npos) << ReadFile(dir + "/info");
      std::vector<tIndexEntry> index = RecordingIndex(dir);
      ASSERT_EQ(index.size(), size_t(Seconds * format.framesPerSecond));
      EXPECT_TRUE(index[0].independent);
      EXPECT_LT(LongestDependentRun(index), format.framesPerSecond / 2) << "an I-frame at least every 0.5 s";
      std::string media = ReadFile(dir + "/00001.ts");
      for (size_t i = 0; i < index.size(); i++)
          ASSERT_TRUE(index[i].file == 1 && FrameBeginsAt(media, index[i].offset, format.videoPid)) << "frame " << i << " at " << index[i].offset;

      // the media decodes without a word from the decoder, with the format's streams
      std::string input = dir + "/00001.ts";
      tProcessResult decoded = RunProcess({ "/usr/bin/env", "ffmpeg", "-nostdin", "-v", "error", "-i", input, "-map", "0", "-f", "null", "-" });
      EXPECT_EQ(decoded.exitCode, 0);
      EXPECT_EQ(decoded.err, "");
      std::vector<std::string> expected = { std::string(format.videoCodec) + "," + std::to_string(format.videoPid) + "," };
      for (const tBroadcastTrack &t : format.tracks)
          expected.push_back(std::string(CodecName(t.codec)) + "," + std::to_string(t.pid) + "," + t.language);
      EXPECT_EQ(Streams(input), expected);
      EXPECT_EQ(Probe(input, "stream=field_order").find("tt") != std::string::npos, format.interlaced); // top field first
      // the middle second of each item sounds its tone, on each track with the track's shift
      for (size_t t = 0; t < format.tracks.size(); t++) {
          std::vector<int16_t> samples = TrackSamples(input, int(t));
          ASSERT_GE(samples.size(), size_t(Seconds - 1) * 48000) << "track " << t;
          for (int i = 0; i < Items; i++) {
              std::vector<int16_t> middle(samples.begin() + (i * ItemSeconds + 2) * 48000, samples.begin() + (i * ItemSeconds + 3) * 48000);
              EXPECT_EQ(ItemOf(middle, format.tracks[t].toneShiftHz), i) << "track " << t << ", item " << i;
          }
      }
  }
}

TEST_F(cMediaFormats, ARecordingBeyondTheFileLimitLiesInSeveralFilesThatHoldEveryFrame)
{
  const tBroadcastFormat &format = *BroadcastFormat("h264-50-ac3");
  const long long Limit = 150000;
  std::string dir = Record(format, "split " + std::to_string(Limit) + "\n");
  std::vector<std::string> files = MediaFiles(dir);
  ASSERT_GE(files.size(), 2u);
  std::vector<tIndexEntry> index = RecordingIndex(dir);
  ASSERT_EQ(index.size(), size_t(Seconds * format.framesPerSecond));
  // a file begins at an independent frame once the one before has grown beyond the limit
  uint16_t file = 1;
  for (size_t i = 0; i < index.size(); i++) {
      if (index[i].file != file) {
         EXPECT_EQ(index[i].file, file + 1) << "frame " << i;
         EXPECT_TRUE(index[i].independent) << "frame " << i;
         EXPECT_EQ(index[i].offset, 0) << "frame " << i;
         EXPECT_GT((long long)ReadFile(files[file - 1]).size(), Limit);
         file = index[i].file;
      }
      ASSERT_LE(file, files.size());
      EXPECT_TRUE(FrameBeginsAt(ReadFile(files[file - 1]), index[i].offset, format.videoPid)) << "frame " << i;
  }
  EXPECT_EQ(file, files.size());
  // each file begins with the tables, so our indexer finds its frames in it alone
  EXPECT_EQ(FoundIndex(dir), index);
  // together the files hold every frame
  tProcessResult r = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-count_frames", "-select_streams", "v", "-show_entries",
                                  "stream=nb_read_frames", "-of", "csv=p=0", MediaInput(dir) });
  EXPECT_EQ(atoi(r.out.c_str()), int(index.size())) << r.err;
}

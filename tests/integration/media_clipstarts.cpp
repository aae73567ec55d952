// Clips of broadcast video that opens its groups of pictures: a song begins at an
// I-frame whose following pictures are shown before it and refer to the song before.
// A clip from that I-frame must decode without an error and show its own song first.
#include <sstream>

#include "hostfixtures.h"
#include "process.h"
#include "rozerezfixture.h"

namespace {

const int Fps = 25;
const int GopFrames = 12;
const int SongFrames = 6 * GopFrames; // each song begins at an I-frame

struct tCodec {
  const char *name;
  std::vector<std::string> encoder;
};

const tCodec Codecs[] = {
  { "H.264", { "-c:v", "libx264", "-preset", "veryfast", "-bf", "3", "-g", "12", "-x264-params", "open-gop=1:scenecut=0:repeat-headers=1" } },
  { "H.265", { "-c:v", "libx265", "-preset", "ultrafast", "-x265-params", "keyint=12:min-keyint=12:open-gop=1:scenecut=0:bframes=3:repeat-headers=1:log-level=error" } },
  { "MPEG-2", { "-c:v", "mpeg2video", "-bf", "2", "-g", "12", "-sc_threshold", "1000000000" } },
};

tProcessResult Tool(std::vector<std::string> Argv)
{
  Argv.insert(Argv.begin(), "/usr/bin/env");
  return RunProcess(Argv);
}

// Two songs, red then blue, each with a tone of its own, into the recording Dir as the
// recorder writes it: the media and an index of its pictures in the order of the stream.
// The frame where the blue song's I-frame stands in the index.
int MakeTwoSongs(const std::string &Dir, const tCodec &Codec)
{
  std::string seconds = std::to_string(double(SongFrames) / Fps);
  std::vector<std::string> argv = { "ffmpeg", "-nostdin", "-v", "error", "-y",
    "-f", "lavfi", "-i", "color=c=red:s=160x96:r=25:d=" + seconds, "-f", "lavfi", "-i", "color=c=blue:s=160x96:r=25:d=" + seconds,
    "-f", "lavfi", "-i", "sine=f=440:d=" + seconds, "-f", "lavfi", "-i", "sine=f=880:d=" + seconds,
    "-filter_complex", "[0:v][2:a][1:v][3:a]concat=n=2:v=1:a=1[v][a]", "-map", "[v]", "-map", "[a]", "-pix_fmt", "yuv420p" };
  argv.insert(argv.end(), Codec.encoder.begin(), Codec.encoder.end());
  argv.insert(argv.end(), { "-c:a", "mp2", "-f", "mpegts", Dir + "/00001.ts" });
  tProcessResult r = Tool(argv);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = Tool({ "ffprobe", "-v", "error", "-select_streams", "v", "-show_entries", "packet=pos,flags", "-of", "csv=p=0", Dir + "/00001.ts" });
  EXPECT_EQ(r.exitCode, 0) << r.err;
  RemoveFileOrDir((Dir + "/index").c_str());
  cIndexFile index(Dir.c_str(), true);
  std::istringstream packets(r.out);
  std::string line;
  int frames = 0, keys = 0, blue = -1;
  while (std::getline(packets, line)) {
        if (line.empty())
           continue;
        bool key = line.find(",K") != std::string::npos;
        if (key && keys++ == SongFrames / GopFrames)
           blue = frames;
        EXPECT_TRUE(index.Write(key, 1, off_t(atoll(line.c_str()))));
        frames++;
  }
  EXPECT_EQ(frames, 2 * SongFrames);
  EXPECT_GE(keys, 2 * SongFrames / GopFrames);
  return blue;
}

// The colour of the first picture a decoder shows of Clip, with every picture shown, also
// one with errors: 'r', 'b' or '?'.
char FirstColour(const std::string &Clip)
{
  tProcessResult r = Tool({ "ffmpeg", "-nostdin", "-v", "quiet", "-flags2", "+showall", "-i", "file:" + Clip, "-frames:v", "1",
                            "-vf", "scale=1:1", "-f", "rawvideo", "-pix_fmt", "rgb24", "pipe:1" });
  if (r.exitCode != 0 || r.out.size() != 3)
     return '?';
  int red = (unsigned char)r.out[0], blue = (unsigned char)r.out[2];
  return red > 200 && blue < 60 ? 'r' : blue > 200 && red < 60 ? 'b' : '?';
}

} // namespace

class cClipStarts : public cRozerezTest {};

TEST_F(cClipStarts, AClipAtAnOpenGopsIFrameDecodesCleanlyAndShowsItsOwnSong)
{
  for (const tCodec &c : Codecs) {
      SCOPED_TRACE(c.name);
      std::string dir = MakeTestRecording((std::string("Music~") + c.name).c_str(), TestEpoch, 2 * SongFrames);
      int blue = MakeTwoSongs(dir, c);
      ASSERT_GT(blue, 0);
      ASSERT_TRUE(WriteFile(dir + "/marks", MarkLine(blue, "Blue - Song (2000)") + "\n" + MarkLine(2 * SongFrames - 1) + "\n"));
      ASSERT_EQ(Cut(dir), "");
      std::string clip = clips + "/Blue - Song (2000).ts";
      tProcessResult decoded = Tool({ "ffmpeg", "-nostdin", "-v", "error", "-i", "file:" + clip, "-f", "null", "-" });
      EXPECT_EQ(decoded.exitCode, 0);
      EXPECT_EQ(decoded.err, "");
      EXPECT_EQ(FirstColour(clip), 'b');
      // the song is there from its I-frame on: the pictures shown after it, all but the
      // last group's pictures that are shown before the end mark's I-frame
      tProcessResult frames = Tool({ "ffprobe", "-v", "error", "-count_frames", "-select_streams", "v", "-show_entries",
                                     "stream=nb_read_frames", "-of", "csv=p=0", clip });
      EXPECT_GE(atoi(frames.out.c_str()), SongFrames - GopFrames) << frames.out;
  }
}

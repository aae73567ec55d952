// Clips of broadcast video that opens its groups of pictures: a song begins at an
// I-frame whose following pictures are shown before it and refer to the song before.
// A clip from that I-frame must decode without an error and show its own song first.
#include <unistd.h>

#include "clipstream.h"
#include "hostfixtures.h"
#include "mediarecording.h"
#include "recordingmedia.h"
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

// Two songs, red then blue (with some noise, so that a picture fills several packets), each
// with a tone of its own, as a recording in Dir: the media
// and an index of its pictures in the order of the stream. The frame where the blue
// song's I-frame stands in the index.
int MakeTwoSongs(const std::string &Dir, const tCodec &Codec)
{
  std::string seconds = std::to_string(double(SongFrames) / Fps), stream = Dir + "/.stream.ts", error;
  std::vector<std::string> argv = { "ffmpeg", "-nostdin", "-v", "error", "-y",
    "-f", "lavfi", "-i", "color=c=red:s=160x96:r=25:d=" + seconds, "-f", "lavfi", "-i", "color=c=blue:s=160x96:r=25:d=" + seconds,
    "-f", "lavfi", "-i", "sine=f=440:d=" + seconds, "-f", "lavfi", "-i", "sine=f=880:d=" + seconds,
    "-filter_complex", "[0:v][2:a][1:v][3:a]concat=n=2:v=1:a=1[c][a];[c]noise=alls=12:allf=t[v]", "-map", "[v]", "-map", "[a]", "-pix_fmt", "yuv420p" };
  argv.insert(argv.end(), Codec.encoder.begin(), Codec.encoder.end());
  argv.insert(argv.end(), { "-c:a", "mp2", "-f", "mpegts", "file:" + stream });
  tProcessResult r = RunTool(argv);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(MakeMediaRecording(Dir, { { stream, {} } }, Fps, false, error)) << error;
  unlink(stream.c_str());
  std::vector<tIndexEntry> index = RecordingIndex(Dir);
  EXPECT_EQ(index.size(), size_t(2 * SongFrames));
  for (size_t f = 0, keys = 0; f < index.size(); f++)
      if (index[f].independent && keys++ == SongFrames / GopFrames)
         return int(f);
  return -1;
}

// Moves the recording's tables into its I-frames' PES packets, as the recorder writes them
// when an I-frame's parameter sets are large: a copy of the PAT and PMT after the first
// packet of each I-frame, and the index pointing there.
void TablesInsidePictures(const std::string &Dir)
{
  std::string media = ReadFile(Dir + "/00001.ts"), tables = media.substr(0, 3 * TsPacketSize), moved;
  std::vector<tIndexEntry> index = RecordingIndex(Dir);
  RemoveFileOrDir((Dir + "/index").c_str());
  cIndexFile rewritten(Dir.c_str(), true);
  size_t next = 0;
  for (const tIndexEntry &e : index) {
      size_t inside = size_t(e.offset) + TsPacketSize;
      moved += media.substr(next, (e.independent ? inside : size_t(e.offset)) - next);
      next = e.independent ? inside : size_t(e.offset);
      off_t at = off_t(moved.size());
      if (e.independent) {
         moved += tables;
         // the picture goes on after the tables, in the same PES packet
         size_t more = inside;
         while (more < media.size() && ((media[more + 1] & 0x1F) != (media[e.offset + 1] & 0x1F) || media[more + 2] != media[e.offset + 2]))
               more += TsPacketSize;
         EXPECT_TRUE(more < media.size() && !(media[more + 1] & 0x40)) << "the I-frame at " << e.offset << " has one packet";
      }
      EXPECT_TRUE(rewritten.Write(e.independent, 1, at));
  }
  moved += media.substr(next);
  EXPECT_TRUE(WriteFile(Dir + "/00001.ts", moved));
}

// What a decoder reports of a clip, but for one thing: a picture after the cut may still
// tell the decoder to forget a reference picture from before it (a memory management
// command), which the decoder never had; H.264's decoder says so ("mmco: unref short
// failure") and decodes every picture whole all the same. The recorder's cutter gives the
// same line on such clips.
std::vector<std::string> DecoderErrors(const std::string &Said)
{
  std::vector<std::string> errors;
  for (const std::string &line : Lines(Said))
      if (line.find("mmco: unref short failure") == std::string::npos)
         errors.push_back(line);
  return errors;
}

// The colour of the first picture a decoder shows of Clip, with every picture shown, also
// one with errors: 'r', 'b' or '?'.
char FirstColour(const std::string &Clip)
{
  tProcessResult r = RunTool({ "ffmpeg", "-nostdin", "-v", "quiet", "-flags2", "+showall", "-i", "file:" + Clip, "-frames:v", "1",
                            "-vf", "scale=1:1", "-f", "rawvideo", "-pix_fmt", "rgb24", "pipe:1" });
  if (r.exitCode != 0 || r.out.size() != 3)
     return '?';
  int red = (unsigned char)r.out[0], blue = (unsigned char)r.out[2];
  return red > 200 && blue < 60 ? 'r' : blue > 200 && red < 60 ? 'b' : '?';
}

} // namespace

class cClipStarts : public cRozerezTest {
protected:
  // Cuts the blue song of a recording made by Codec, its tables moved into its I-frames
  // when Inside, and checks the clip.
  void CutsCleanly(const tCodec &Codec, bool Inside)
  {
    std::string dir = MakeTestRecording((std::string("Music~") + Codec.name + (Inside ? " inside" : "")).c_str(), TestEpoch, 2 * SongFrames);
    int blue = MakeTwoSongs(dir, Codec);
    ASSERT_GT(blue, 0);
    if (Inside)
       TablesInsidePictures(dir);
    ASSERT_TRUE(WriteFile(dir + "/marks", MarkLine(blue, "Blue - Song (2000)") + "\n" + MarkLine(2 * SongFrames - 1) + "\n"));
    ASSERT_EQ(Cut(dir), "");
    std::string clip = clips + "/Blue - Song (2000).ts";
    tProcessResult decoded = RunTool({ "ffmpeg", "-nostdin", "-v", "error", "-i", "file:" + clip, "-f", "null", "-" });
    EXPECT_EQ(decoded.exitCode, 0);
    EXPECT_EQ(DecoderErrors(decoded.err), std::vector<std::string>());
    EXPECT_EQ(FirstColour(clip), 'b');
    // the song is there from its I-frame on: all but the pictures of the last group that
    // are shown before the end mark's I-frame
    tProcessResult frames = RunTool({ "ffprobe", "-v", "error", "-count_frames", "-select_streams", "v", "-show_entries",
                                      "stream=nb_read_frames", "-of", "csv=p=0", clip });
    EXPECT_GE(atoi(frames.out.c_str()), SongFrames - GopFrames) << frames.out;
  }
};

TEST_F(cClipStarts, AClipAtAnOpenGopsIFrameDecodesCleanlyAndShowsItsOwnSong)
{
  for (const tCodec &c : Codecs) {
      SCOPED_TRACE(c.name);
      CutsCleanly(c, false);
  }
}

// The recorder's index then points into the I-frame's PES packet: the clip must begin
// where the packet does, its parameter sets with it.
TEST_F(cClipStarts, AnIFrameWithTheTablesInsideItsPacketBeginsWhereItsPacketDoes)
{
  CutsCleanly(Codecs[0], true);
}

#include "broadcastformat.h"

static const tBroadcastTrack Mp2Deu = { scMp2, "mp2", "64k", 1, 0, "deu", 0, 3, 0 };
static const tBroadcastTrack Ac3Deu = { scAc3, "ac3", "384k", 6, 2, "deu", 0, 106, 0 };
// The other language sounds a tone of its own, still whole periods in a frame of 50.
static const int OtherLanguageShiftHz = 50;
// A real IDR picture every 4.8 s.
static const int IdrSeconds10 = 48;

static tBroadcastTrack On(tBroadcastTrack Track, int Pid, const char *Language = "deu", int ShiftHz = 0)
{
  Track.pid = Pid;
  Track.language = Language;
  Track.toneShiftHz = ShiftHz;
  return Track;
}

// Broadcasters' H.264 and H.265: B-frames, an I-frame every Distance frames, open groups
// of pictures (the I-frames are no IDR pictures: the pictures after one may refer to the
// picture before it), access unit delimiters and the parameter sets before every I-frame,
// as DVB has them.
static std::vector<std::string> EncoderArgs(const char *Encoder, const char *Preset, int Distance, int Fps, const char *More, const char *Crf)
{
  bool x264 = std::string(Encoder) == "libx264";
  std::string params = "keyint=" + std::to_string(Distance) + ":min-keyint=" + std::to_string(Distance) +
                       ":scenecut=0:open-gop=1:bframes=" + (x264 ? "2" : "3") + ":aud=1:repeat-headers=1:log-level=error" + More;
  // x265 tells its settings in every I-frame, which no broadcaster sends
  if (!x264)
     params += ":info=0";
  std::vector<std::string> args = { "-c:v", Encoder, "-preset", Preset, x264 ? "-x264-params" : "-x265-params", params };
  // x265 makes CRA pictures of forced IDR ones in open groups: its IDR is the first picture
  if (x264)
     args.insert(args.end(), { "-force_key_frames", "expr:eq(mod(n," + std::to_string(Fps * IdrSeconds10 / 10) + "),0)", "-forced-idr", "1" });
  args.insert(args.end(), { "-pix_fmt", "yuv420p", "-crf", Crf });
  return args;
}

// 0.4 s: in stream order an IDR picture, which has no leading pictures, comes two later
// than its place, and the I-frames stay within half a second there too.
static int IFrameDistance(int Fps)
{
  return Fps * 10 / 25;
}

static tBroadcastFormat H264(const char *Name, int Fps, bool Interlaced, int VideoPid, const std::vector<tBroadcastTrack> &Tracks)
{
  int distance = IFrameDistance(Fps);
  return { Name, "h264", EncoderArgs("libx264", "veryfast", distance, Fps, Interlaced ? ":interlaced=1:tff=1" : "", "28"),
           Fps, Interlaced, distance, VideoPid, 27, Tracks, "system_b" };
}

static std::vector<tBroadcastFormat> MakeFormats(void)
{
  // today's: an I-frame every 12 frames and nothing else, no B-frames, no scene cuts
  const std::vector<std::string> mpeg2 = { "-c:v", "mpeg2video", "-g", "12", "-bf", "0", "-sc_threshold", "1000000000", "-q:v", "4" };
  return {
    { "mpeg2-mp2", "mpeg2video", mpeg2, 25, false, 12, 256, 2, { On(Mp2Deu, 257) }, nullptr },
    H264("h264-25i-ac3", 25, true, 1201, { On(Ac3Deu, 1202) }),
    H264("h264-25p-ac3", 25, false, 1301, { On(Ac3Deu, 1302) }),
    H264("h264-50-ac3", 50, false, 1401, { On(Ac3Deu, 1402) }),
    H264("h264-mp2-ac3", 25, false, 1501, { On(Mp2Deu, 1502), On(Mp2Deu, 1503, "eng", OtherLanguageShiftHz),
                                            On(Ac3Deu, 1504), On(Ac3Deu, 1505, "eng", OtherLanguageShiftHz) }),
    { "h265-eac3", "hevc", EncoderArgs("libx265", "ultrafast", IFrameDistance(50), 50, "", "30"), 50, false, IFrameDistance(50), 1601, 36,
      { { scEac3, "eac3", "192k", 2, 0, "deu", 1602, 122, 0 } }, "system_b" },
    { "mpeg2-aaclatm", "mpeg2video", mpeg2, 25, false, 12, 1701, 2, { { scAacLatm, "aac", "96k", 2, 0, "deu", 1702, 17, 0 } }, "latm" },
  };
}

const std::vector<tBroadcastFormat> &BroadcastFormats(void)
{
  static const std::vector<tBroadcastFormat> formats = MakeFormats();
  return formats;
}

const tBroadcastFormat &DefaultBroadcastFormat(void)
{
  return BroadcastFormats().front();
}

const tBroadcastFormat *BroadcastFormat(const std::string &Name)
{
  for (const tBroadcastFormat &f : BroadcastFormats())
      if (Name == f.name)
         return &f;
  return nullptr;
}

std::string BroadcastFormatNames(void)
{
  std::string names;
  for (const tBroadcastFormat &f : BroadcastFormats())
      names += (names.empty() ? "" : ", ") + std::string(f.name);
  return names;
}

std::string tBroadcastFormat::VpidField(void) const
{
  return std::to_string(videoPid) + "=" + std::to_string(videoType);
}

static std::string PidList(const std::vector<tBroadcastTrack> &Tracks, bool Dolby)
{
  std::string list;
  for (const tBroadcastTrack &t : Tracks)
      if (t.Dolby() == Dolby)
         list += (list.empty() ? "" : ",") + std::to_string(t.pid) + "=" + t.language + "@" + std::to_string(t.streamType);
  return list;
}

std::string tBroadcastFormat::ApidField(void) const
{
  std::string audio = PidList(tracks, false), dolby = PidList(tracks, true);
  return (audio.empty() ? "0" : audio) + (dolby.empty() ? "" : ";" + dolby);
}

std::vector<std::string> tBroadcastFormat::VideoArgs(int Mbits) const
{
  std::vector<std::string> args = videoArgs;
  if (Mbits <= 0)
     return args;
  // the rate control is the last pair
  args.resize(args.size() - 2);
  std::string rate = std::to_string(Mbits) + "M";
  for (size_t i = 0; i + 1 < args.size(); i++)
      if (args[i] == "-x264-params")
         args[i + 1] += ":nal-hrd=cbr:force-cfr=1"; // filler data keeps the rate
  args.insert(args.end(), { "-b:v", rate, "-minrate", rate, "-maxrate", rate, "-bufsize", std::to_string(Mbits * 1000 / 4) + "k" });
  return args;
}

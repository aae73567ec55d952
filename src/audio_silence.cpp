#include "audio_silence.h"

#include <algorithm>
#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <stdint.h>
#include <strings.h>
#include <unistd.h>
#include <vdr/config.h>
#include <vdr/i18n.h>
#include <vdr/recording.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/pixdesc.h>
}

#include "log.h"
#include "picture_change.h"

namespace {

// Sound muxed up to this long after its picture still belongs to the stretch asked for.
const int MuxSlackSeconds = 1;
// A hole this long in the sound's time line is not taken for silence.
const double MaxHoleSeconds = 0.1;
// Blocks of 5 ms: fine enough for marks at frames of 40 ms.
const int BlocksPerSecond = 200;
const int ReadBufferSize = 188 * 348;
// Time stamps of transport and program streams: 33 bits of a 90 kHz clock.
const int64_t TimestampWrap = int64_t(1) << 33;
const double TimestampRate = 90000;

// A piece of one media file; `to` -1 reads to its end.
struct tPiece {
  std::string file;
  off_t from, to;
};

// The pieces of the media one after another, as one stream for the demuxer.
class cPieceReader {
private:
  std::vector<tPiece> pieces;
  const std::function<bool(void)> &keepGoing;
  size_t current;
  int fd;
  off_t position;

public:
  cPieceReader(const std::vector<tPiece> &Pieces, const std::function<bool(void)> &KeepGoing)
  : pieces(Pieces), keepGoing(KeepGoing), current(0), fd(-1), position(0) {}
  ~cPieceReader() { if (fd >= 0) close(fd); }
  static int Read(void *Opaque, uint8_t *Buffer, int Size)
  {
    return static_cast<cPieceReader *>(Opaque)->Read(Buffer, Size);
  }
  int Read(uint8_t *Buffer, int Size)
  {
    if (keepGoing && !keepGoing())
       return AVERROR_EOF;
    while (current < pieces.size()) {
      const tPiece &p = pieces[current];
      if (fd < 0) {
         fd = open(p.file.c_str(), O_RDONLY | O_CLOEXEC);
         if (fd < 0) {
            LogFile.Log(1, "cannot read %s: %s", p.file.c_str(), strerror(errno));
            return AVERROR(EIO);
         }
         position = p.from;
      }
      size_t want = Size;
      if (p.to >= 0)
         want = std::min(want, size_t(std::max(off_t(0), p.to - position)));
      ssize_t n = want ? pread(fd, Buffer, want, position) : 0;
      if (n < 0 && errno == EINTR)
         continue;
      if (n < 0)
         return AVERROR(EIO);
      if (n > 0) {
         position += n;
         return int(n);
      }
      close(fd);
      fd = -1;
      current++;
    }
    return AVERROR_EOF;
  }
};

// The mean square of a block of samples of any of the decoder's formats, scaled to -1..1.
double MeanSquare(const AVFrame *Frame, int First, int Count)
{
  AVSampleFormat format = AVSampleFormat(Frame->format);
  int channels = Frame->ch_layout.nb_channels;
  bool planar = av_sample_fmt_is_planar(format);
  AVSampleFormat packed = av_get_packed_sample_fmt(format);
  double sum = 0;
  for (int c = 0; c < channels; c++) {
      const uint8_t *data = Frame->extended_data[planar ? c : 0];
      int step = planar ? 1 : channels;
      for (int i = First; i < First + Count; i++) {
          int k = i * step + (planar ? 0 : c);
          double v;
          switch (packed) {
            case AV_SAMPLE_FMT_U8:  v = (data[k] - 128) / 128.0; break;
            case AV_SAMPLE_FMT_S16: v = reinterpret_cast<const int16_t *>(data)[k] / 32768.0; break;
            case AV_SAMPLE_FMT_S32: v = reinterpret_cast<const int32_t *>(data)[k] / 2147483648.0; break;
            case AV_SAMPLE_FMT_S64: v = double(reinterpret_cast<const int64_t *>(data)[k]) / 9223372036854775808.0; break;
            case AV_SAMPLE_FMT_FLT: v = reinterpret_cast<const float *>(data)[k]; break;
            case AV_SAMPLE_FMT_DBL: v = reinterpret_cast<const double *>(data)[k]; break;
            default: return 1; // unknown: heard, never taken for silence
          }
          sum += v * v;
      }
  }
  return channels > 0 && Count > 0 ? sum / (double(channels) * Count) : 1;
}

// The grid of a decoded picture; empty for a format of another kind than planar YUV.
tPictureGrid Grid(const AVFrame *Frame)
{
  const AVPixFmtDescriptor *d = av_pix_fmt_desc_get(AVPixelFormat(Frame->format));
  tPictureGrid grid;
  if (!d || d->nb_components < 3 || !(d->flags & AV_PIX_FMT_FLAG_PLANAR) || (d->flags & AV_PIX_FMT_FLAG_RGB) || Frame->width <= 0 || Frame->height <= 0)
     return grid;
  int depth = d->comp[0].depth;
  int cells = PictureGridColumns * PictureGridRows;
  grid.assign(3 * cells, 0);
  for (int plane = 0; plane < 3; plane++) {
      int w = plane ? AV_CEIL_RSHIFT(Frame->width, d->log2_chroma_w) : Frame->width;
      int h = plane ? AV_CEIL_RSHIFT(Frame->height, d->log2_chroma_h) : Frame->height;
      // a few hundred pixels a row are enough for the mean of a cell
      int step = std::max(1, w / 240);
      std::vector<double> sum(cells, 0);
      std::vector<int> count(cells, 0);
      for (int y = 0; y < h; y += step) {
          const uint8_t *row = Frame->data[plane] + ptrdiff_t(y) * Frame->linesize[plane];
          int r = y * PictureGridRows / h;
          for (int x = 0; x < w; x += step) {
              int v = depth > 8 ? reinterpret_cast<const uint16_t *>(row)[x] >> (depth - 8) : row[x];
              int c = r * PictureGridColumns + x * PictureGridColumns / w;
              sum[c] += v;
              count[c]++;
          }
      }
      for (int c = 0; c < cells; c++)
          grid[3 * c + plane] = count[c] ? float(sum[c] / count[c]) : 0;
  }
  return grid;
}

// One stretch of media: demuxed, its first picture's time taken, its sound decoded, and
// its I-frames, each on its own.
class cStretchDecoder {
private:
  AVFormatContext *format;
  AVIOContext *io;
  AVCodecContext *decoder;
  AVCodecContext *pictureDecoder;
  int pictureStream;
  cPictureChanges pictures;
  AVPacket *packet;
  AVFrame *frame;
  int audioStream;
  bool anchored;
  int64_t anchor;      // the first time stamp seen: every time is taken relative to it
  bool pictureSeen;
  double pictureTime;  // of the first picture, relative to the anchor
  double heardUntil;
  cSilenceDetector detector;
  double Seconds(int64_t Timestamp, AVRational TimeBase);
  bool OpenDecoder(int Stream);
  void OpenPictureDecoder(void);
  int ChosenStream(void) const;
  void Decode(const AVPacket *Packet);
  void DecodePicture(const AVPacket *Packet);
  void Measure(void);

public:
  cStretchDecoder(void);
  ~cStretchDecoder();
  bool Run(cPieceReader &Reader, bool IsPesRecording);
  bool HeardSound(void) const { return decoder != NULL; }
  bool PictureSeen(void) const { return pictureSeen; }
  // Silences in seconds after the first picture.
  std::vector<tTransition> Silences(void);
  // Changes of the picture, likewise.
  std::vector<tTransition> PictureChanges(void);
};

cStretchDecoder::cStretchDecoder(void)
{
  format = NULL;
  io = NULL;
  decoder = pictureDecoder = NULL;
  pictureStream = -1;
  packet = av_packet_alloc();
  frame = av_frame_alloc();
  audioStream = -1;
  anchored = pictureSeen = false;
  anchor = 0;
  pictureTime = heardUntil = 0;
}

cStretchDecoder::~cStretchDecoder()
{
  avcodec_free_context(&decoder);
  avcodec_free_context(&pictureDecoder);
  avformat_close_input(&format);
  if (io)
     av_freep(&io->buffer);
  avio_context_free(&io);
  av_packet_free(&packet);
  av_frame_free(&frame);
}

double cStretchDecoder::Seconds(int64_t Timestamp, AVRational TimeBase)
{
  int64_t ticks = av_rescale_q(Timestamp, TimeBase, AVRational{ 1, int(TimestampRate) });
  if (!anchored) {
     anchor = ticks;
     anchored = true;
  }
  int64_t d = ((ticks - anchor) % TimestampWrap + TimestampWrap) % TimestampWrap;
  if (d >= TimestampWrap / 2)
     d -= TimestampWrap;
  return d / TimestampRate;
}

bool cStretchDecoder::OpenDecoder(int Stream)
{
  const AVCodecParameters *parameters = format->streams[Stream]->codecpar;
  const AVCodec *codec = avcodec_find_decoder(parameters->codec_id);
  if (!codec || !(decoder = avcodec_alloc_context3(codec)))
     return false;
  if (avcodec_parameters_to_context(decoder, parameters) < 0 || avcodec_open2(decoder, codec, NULL) < 0) {
     avcodec_free_context(&decoder);
     return false;
  }
  audioStream = Stream;
  return true;
}

// The first picture stream, decoded as cheaply as it goes: its I-frames alone, each on
// its own, at a lower resolution where the decoder can, without the smoothing of block
// edges. (Skipping the other pictures inside the decoder loses I-frames of the open
// groups of pictures broadcasters send, and their times.)
void cStretchDecoder::OpenPictureDecoder(void)
{
  for (unsigned i = 0; i < format->nb_streams && pictureStream < 0; i++)
      if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
         pictureStream = int(i);
  if (pictureStream < 0)
     return;
  const AVCodecParameters *parameters = format->streams[pictureStream]->codecpar;
  const AVCodec *codec = avcodec_find_decoder(parameters->codec_id);
  if (!codec || !(pictureDecoder = avcodec_alloc_context3(codec)) || avcodec_parameters_to_context(pictureDecoder, parameters) < 0) {
     avcodec_free_context(&pictureDecoder);
     return;
  }
  pictureDecoder->skip_loop_filter = AVDISCARD_ALL;
  pictureDecoder->lowres = std::min(int(codec->max_lowres), 2);
  pictureDecoder->thread_count = 1;
  // an I-frame of an open group is whole, though the decoder would wait for an IDR picture
  pictureDecoder->flags |= AV_CODEC_FLAG_OUTPUT_CORRUPT;
  pictureDecoder->flags2 |= AV_CODEC_FLAG2_SHOW_ALL;
  if (avcodec_open2(pictureDecoder, codec, NULL) < 0)
     avcodec_free_context(&pictureDecoder);
}

void cStretchDecoder::DecodePicture(const AVPacket *Packet)
{
  int64_t pts = Packet->pts;
  if (!(Packet->flags & AV_PKT_FLAG_KEY) || pts == AV_NOPTS_VALUE)
     return;
  double time = Seconds(pts, format->streams[pictureStream]->time_base);
  bool taken = false;
  if (avcodec_send_packet(pictureDecoder, Packet) >= 0 && avcodec_send_packet(pictureDecoder, NULL) >= 0) {
     while (avcodec_receive_frame(pictureDecoder, frame) >= 0) {
       if (!taken)
          pictures.Picture(time, Grid(frame));
       taken = true;
       av_frame_unref(frame);
     }
  }
  avcodec_flush_buffers(pictureDecoder);
}

// The stream of the sound track heard, of those the demuxer found; one that gave no sound
// while they were probed only when none did.
int cStretchDecoder::ChosenStream(void) const
{
  std::vector<tSoundTrack> tracks, silent;
  std::vector<int> streams, silentStreams;
  for (unsigned i = 0; i < format->nb_streams; i++) {
      const AVStream *stream = format->streams[i];
      if (stream->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
         continue;
      const AVDictionaryEntry *language = av_dict_get(stream->metadata, "language", NULL, 0);
      tSoundTrack track = { avcodec_get_name(stream->codecpar->codec_id), stream->codecpar->ch_layout.nb_channels, language ? language->value : "" };
      bool heard = stream->codecpar->sample_rate > 0;
      (heard ? tracks : silent).push_back(track);
      (heard ? streams : silentStreams).push_back(int(i));
  }
  if (tracks.empty()) {
     tracks.swap(silent);
     streams.swap(silentStreams);
  }
  int chosen = ChooseSoundTrack(tracks, PreferredAudioLanguages());
  return chosen >= 0 ? streams[chosen] : -1;
}

void cStretchDecoder::Measure(void)
{
  AVRational timeBase = format->streams[audioStream]->time_base;
  int64_t pts = frame->best_effort_timestamp;
  double start = pts != AV_NOPTS_VALUE ? Seconds(pts, timeBase) : heardUntil;
  int rate = frame->sample_rate > 0 ? frame->sample_rate : decoder->sample_rate;
  if (rate <= 0)
     return;
  int block = std::max(1, rate / BlocksPerSecond);
  for (int i = 0; i < frame->nb_samples; i += block) {
      int count = std::min(block, frame->nb_samples - i);
      detector.Block(start + double(i) / rate, start + double(i + count) / rate, MeanSquare(frame, i, count));
  }
  heardUntil = start + double(frame->nb_samples) / rate;
}

void cStretchDecoder::Decode(const AVPacket *Packet)
{
  if (avcodec_send_packet(decoder, Packet) < 0)
     return; // a damaged packet: the rest of the stretch still counts
  while (avcodec_receive_frame(decoder, frame) >= 0) {
    Measure();
    av_frame_unref(frame);
  }
}

bool cStretchDecoder::Run(cPieceReader &Reader, bool IsPesRecording)
{
  if (!packet || !frame)
     return false;
  uint8_t *buffer = static_cast<uint8_t *>(av_malloc(ReadBufferSize));
  if (!buffer)
     return false;
  io = avio_alloc_context(buffer, ReadBufferSize, 0, &Reader, cPieceReader::Read, NULL, NULL);
  if (!io) {
     av_free(buffer);
     return false;
  }
  format = avformat_alloc_context();
  if (!format)
     return false;
  format->pb = io;
  const AVInputFormat *input = av_find_input_format(IsPesRecording ? "mpeg" : "mpegts");
  if (avformat_open_input(&format, NULL, input, NULL) < 0)
     return false; // the context is freed by the failed open
  // the packets read to learn the streams are handed out again below
  if (avformat_find_stream_info(format, NULL) < 0)
     return false;
  int chosen = ChosenStream();
  if (chosen >= 0)
     OpenDecoder(chosen);
  OpenPictureDecoder();
  while (av_read_frame(format, packet) >= 0) {
    AVStream *stream = format->streams[packet->stream_index];
    AVMediaType type = stream->codecpar->codec_type;
    int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (type == AVMEDIA_TYPE_VIDEO && !pictureSeen && pts != AV_NOPTS_VALUE) {
       pictureTime = Seconds(pts, stream->time_base);
       pictureSeen = true;
    }
    if (packet->stream_index == audioStream)
       Decode(packet);
    else if (packet->stream_index == pictureStream && pictureDecoder)
       DecodePicture(packet);
    // one picture and one sound are needed: the demuxer may skip the rest
    else if (type != AVMEDIA_TYPE_VIDEO || pictureSeen)
       stream->discard = AVDISCARD_ALL;
    av_packet_unref(packet);
  }
  if (decoder)
     Decode(NULL);
  return true;
}

std::vector<tTransition> cStretchDecoder::PictureChanges(void)
{
  std::vector<tTransition> changes = pictures.Take();
  for (tTransition &c : changes) {
      c.from -= pictureTime;
      c.to -= pictureTime;
  }
  return changes;
}

std::vector<tTransition> cStretchDecoder::Silences(void)
{
  std::vector<tTransition> silences = detector.Take();
  for (tTransition &s : silences) {
      s.from -= pictureTime;
      s.to -= pictureTime;
  }
  return silences;
}

// The codes of a language tag or of a preferred language: "deu,ger" -> "deu", "ger".
std::vector<std::string> Codes(const std::string &Text)
{
  std::vector<std::string> codes;
  for (size_t from = 0; from <= Text.size(); ) {
      size_t comma = std::min(Text.find(',', from), Text.size());
      codes.push_back(Text.substr(from, comma - from));
      from = comma + 1;
  }
  return codes;
}

// Whether the language tag of a track ("deu", or for several "deu,eng") holds one of the
// codes of a language.
bool SpeaksOneOf(const std::string &Language, const std::string &LanguageCodes)
{
  for (const std::string &l : Codes(Language))
      for (const std::string &c : Codes(LanguageCodes))
          if (!l.empty() && strcasecmp(l.c_str(), c.c_str()) == 0)
             return true;
  return false;
}

} // namespace

std::vector<std::string> PreferredAudioLanguages(void)
{
  std::vector<std::string> languages;
  for (const int *l = Setup.AudioLanguages; *l >= 0; l++)
      if (const char *codes = I18nLanguageCode(*l))
         languages.push_back(codes);
  return languages;
}

int ChooseSoundTrack(const std::vector<tSoundTrack> &Tracks, const std::vector<std::string> &Languages)
{
  std::vector<int> candidates;
  for (size_t l = 0; l < Languages.size() && candidates.empty(); l++)
      for (size_t i = 0; i < Tracks.size(); i++)
          if (SpeaksOneOf(Tracks[i].language, Languages[l]))
             candidates.push_back(int(i));
  if (candidates.empty())
     for (size_t i = 0; i < Tracks.size(); i++)
         candidates.push_back(int(i));
  for (int i : candidates) {
      const std::string &c = Tracks[i].codec;
      if ((c == "mp2" || c == "mp3" || c == "aac" || c == "aac_latm") && (Tracks[i].channels == 1 || Tracks[i].channels == 2))
         return i;
  }
  for (int i : candidates)
      if (Tracks[i].codec == "ac3" || Tracks[i].codec == "eac3")
         return i;
  return candidates.empty() ? -1 : candidates[0];
}

// --- cSilenceDetector ------------------------------------------------------

cSilenceDetector::cSilenceDetector(void)
{
  threshold = pow(10, SilenceLevelDb / 10);
  quiet = false;
  quietFrom = heardUntil = 0;
}

void cSilenceDetector::Close(void)
{
  if (quiet && heardUntil - quietFrom >= SilenceMinSeconds)
     silences.push_back({ quietFrom, heardUntil });
  quiet = false;
}

void cSilenceDetector::Block(double From, double To, double MeanSquare)
{
  blocks.push_back({ From, To, 10 * log10(std::max(MeanSquare, 1e-20)) });
  if (quiet && From - heardUntil > MaxHoleSeconds)
     Close();
  if (MeanSquare >= threshold)
     Close();
  else if (!quiet) {
     quiet = true;
     quietFrom = From;
  }
  heardUntil = To;
}

// The median level of each half second of blocks; a block is dipped against the median
// of the medians within DipAroundSeconds, so that a dip of a fraction of a second
// hardly moves what it is measured against, and an hour is measured in a pass.
std::vector<tTransition> cSilenceDetector::Dips(void) const
{
  const double PieceSeconds = 0.5;
  std::vector<double> medians;
  std::vector<size_t> pieceOf(blocks.size());
  double pieceFrom = 0;
  std::vector<double> levels;
  auto median = [](std::vector<double> &Values) {
    std::nth_element(Values.begin(), Values.begin() + Values.size() / 2, Values.end());
    return Values[Values.size() / 2];
  };
  for (size_t i = 0; i < blocks.size(); i++) {
      if (levels.empty())
         pieceFrom = blocks[i].from;
      levels.push_back(blocks[i].db);
      pieceOf[i] = medians.size();
      if (blocks[i].to - pieceFrom >= PieceSeconds || i + 1 == blocks.size()) {
         medians.push_back(median(levels));
         levels.clear();
      }
  }
  int around = int(lround(DipAroundSeconds / PieceSeconds));
  std::vector<double> reference(medians.size());
  for (size_t p = 0; p < medians.size(); p++) {
      std::vector<double> near(medians.begin() + std::max(0, int(p) - around), medians.begin() + std::min(medians.size(), p + around + 1));
      reference[p] = median(near);
  }
  std::vector<tTransition> dips;
  bool in = false;
  double from = 0, until = 0;
  auto close = [&]() {
    if (in && until - from >= DipMinSeconds)
       dips.push_back({ from, until });
    in = false;
  };
  for (size_t i = 0; i < blocks.size(); i++) {
      if (in && blocks[i].from - until > MaxHoleSeconds)
         close();
      if (blocks[i].db <= reference[pieceOf[i]] - DipDb) {
         if (!in)
            from = blocks[i].from;
         in = true;
         until = blocks[i].to;
      }
      else
         close();
  }
  close();
  return dips;
}

std::vector<tTransition> cSilenceDetector::Take(void)
{
  Close();
  std::vector<tTransition> all = Dips();
  all.insert(all.end(), silences.begin(), silences.end());
  std::sort(all.begin(), all.end(), [](const tTransition &a, const tTransition &b) { return a.from < b.from; });
  std::vector<tTransition> taken;
  for (const tTransition &s : all) {
      if (!taken.empty() && s.from <= taken.back().to)
         taken.back().to = std::max(taken.back().to, s.to);
      else
         taken.push_back(s);
  }
  silences.clear();
  blocks.clear();
  return taken;
}

// --- cTransitionFinder --------------------------------------------------------

cTransitionFinder::cTransitionFinder(const char *FileName, bool IsPesRecording, cIndexFile &Index, const cFrameRate &Rate, std::function<bool(void)> KeepGoing)
: recording(FileName), isPesRecording(IsPesRecording), index(Index), rate(Rate), keepGoing(KeepGoing)
{
}

std::string cTransitionFinder::MediaFile(int FileNumber) const
{
  return *cString::sprintf(isPesRecording ? "%s/%03d.vdr" : "%s/%05d.ts", recording.c_str(), FileNumber);
}

bool cTransitionFinder::Find(int From, int To, std::vector<tTransition> &Transitions)
{
  int last = index.Last();
  From = std::max(From, 0);
  To = std::min(To, last);
  if (From > To)
     return false;
  // The stretch starts at a picture the demuxer can begin with, and its time is known.
  uint16_t number;
  off_t offset;
  bool independent = false;
  int first = From;
  if (!index.Get(first, &number, &offset, &independent))
     return false;
  if (!independent) {
     first = index.GetNextIFrame(From, false);
     if (first < 0)
        first = index.GetNextIFrame(From, true);
     if (first < 0 || first > To || !index.Get(first, &number, &offset))
        return false;
  }
  std::vector<tPiece> pieces = { { MediaFile(number), offset, -1 } };
  int end = std::min(To + rate.Frames(MuxSlackSeconds), last);
  uint16_t endNumber = number;
  off_t endOffset = -1;
  if (end < last && !index.Get(end + 1, &endNumber, &endOffset))
     return false;
  if (end == last) {
     uint16_t lastNumber;
     if (!index.Get(last, &lastNumber, &endOffset))
        return false;
     endNumber = lastNumber;
     endOffset = -1;
  }
  for (int n = number + 1; n <= endNumber; n++)
      pieces.push_back({ MediaFile(n), 0, -1 });
  pieces.back().to = endOffset;

  cPieceReader reader(pieces, keepGoing);
  cStretchDecoder stretch;
  if (!stretch.Run(reader, isPesRecording) || !stretch.HeardSound() || !stretch.PictureSeen())
     return false;
  std::vector<tTransition> found;
  for (const tTransition &s : stretch.Silences()) {
      double from = first + s.from * rate.FramesPerSecond(), to = first + s.to * rate.FramesPerSecond();
      if (to > From && from < To + 1)
         found.push_back({ std::max(from, double(first)), to });
  }
  // a change of the picture lies after the I-frame before it and up to the one after it
  for (const tTransition &c : stretch.PictureChanges()) {
      int before = NearestIFrame(int(lround(first + c.from * rate.FramesPerSecond())));
      int after = NearestIFrame(int(lround(first + c.to * rate.FramesPerSecond())));
      if (before >= 0 && after > before && after > From && before < To)
         found.push_back({ before + 1.0, double(after), c.kind });
  }
  // what sound and picture both show is one transition, as sure as the surer of them
  std::sort(found.begin(), found.end(), [](const tTransition &a, const tTransition &b) { return a.from < b.from; });
  std::vector<tTransition> joined;
  for (const tTransition &s : found) {
      if (!joined.empty() && s.from <= joined.back().to) {
         joined.back().to = std::max(joined.back().to, s.to);
         joined.back().kind = std::min(joined.back().kind, s.kind);
      }
      else
         joined.push_back(s);
  }
  Transitions.insert(Transitions.end(), joined.begin(), joined.end());
  return true;
}

int cTransitionFinder::NearestIFrame(int Frame) const
{
  const int Reach = 3; // frames: the time stamps of a picture and its place in the index
  for (int d = 0; d <= Reach; d++) {
      for (int f : { Frame - d, Frame + d }) {
          uint16_t number;
          off_t offset;
          bool independent = false;
          if (f >= 0 && f <= index.Last() && index.Get(f, &number, &offset, &independent) && independent)
             return f;
      }
  }
  return -1;
}

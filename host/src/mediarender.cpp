// Real media for the recorder: one ffmpeg process per recording encodes the frames it is
// fed (a title card and a tone per event, made here), and the transport stream it writes
// is read back as it grows to find where each frame begins.
#include "mediawriter.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <limits.h>
#include <map>
#include <math.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <string>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vdr/epg.h>
#include <vdr/onair.h>
#include <vdr/recording.h>

#include "exec.h"
#include "tsindex.h"

namespace {

const int Width = 320;
const int Height = 180;
const size_t CardSize = Width * Height * 3 / 2; // yuv420p
const int SampleRate = 48000;
const size_t ToneFrameSize = SampleRate / FRAMESPERSEC * 2; // s16le, mono
const int Tones = 12;
const uint16_t MediaFileNumber = 1;
const char *const MediaFileName = "00001.ts";
const int ScheduleLockTimeoutMs = 1000;
// Real time: an encoder that takes nothing for this long is stuck, and the recording ends.
const int EncoderTimeoutMs = 30000;
const int CardFontSize = 16;
const size_t CardLineLength = 30;
const size_t CardMaxLines = 5;
// Dark enough for white text; one per tone, so that picture and sound change together.
const uint32_t CardColours[Tones] = { 0x1F3A93, 0x8E2C2C, 0x1E6B3A, 0x6A2C8E, 0x8E6A1E, 0x1E6B6B,
                                      0x3A3A8E, 0x8E1E5A, 0x4A6B1E, 0x1E4A8E, 0x6B3A1E, 0x5A5A5A };
const uint32_t OffAirColour = 0x202020;

std::atomic<bool> toldNoText(false);

// What is on air from one frame on.
struct tProgramme {
  bool known;     // false when the guide could not be read
  bool onAir;     // an event, else the channel's card
  tEventID eventID;
  time_t start;
  std::string title;
  int endFrame;   // where something else begins
  int gapEnd;     // black and silent before, as between the items of a music channel
  bool SameAs(const tProgramme &p) const
  {
    return onAir == p.onAir && eventID == p.eventID && start == p.start && title == p.title;
  }
};

// A font file for the title cards; without one, drawtext asks fontconfig for a sans font.
std::string FontOption(void)
{
  static const char *const Fonts[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", // Debian, Ubuntu
    "/usr/share/fonts/TTF/DejaVuSans.ttf",             // Arch
    "/usr/share/fonts/dejavu-sans-fonts/DejaVuSans.ttf", // Fedora
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
  };
  for (const char *f : Fonts)
      if (access(f, R_OK) == 0)
         return std::string("fontfile=") + f;
  return "font=Sans";
}

// A path that a filter description takes as it is, without escaping.
bool PlainPath(const std::string &Path)
{
  return !Path.empty() && Path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-") == std::string::npos;
}

// The title in lines of about CardLineLength characters, artist and song apart.
std::string CardText(const std::string &Title)
{
  std::string clean = Title;
  for (char &c : clean)
      if ((unsigned char)c < ' ' || c == 0x7F)
         c = ' ';
  std::vector<std::string> parts;
  size_t dash = clean.find(" - ");
  if (dash != std::string::npos) {
     parts.push_back(clean.substr(0, dash));
     parts.push_back(clean.substr(dash + 3));
  }
  else
     parts.push_back(clean);
  std::vector<std::string> lines;
  for (const std::string &part : parts) {
      std::string line;
      size_t i = 0;
      while (i < part.size()) {
        size_t j = part.find(' ', i);
        std::string word = part.substr(i, j == std::string::npos ? std::string::npos : j - i);
        i = j == std::string::npos ? part.size() : j + 1;
        if (word.empty())
           continue;
        if (!line.empty() && line.size() + 1 + word.size() > CardLineLength) {
           lines.push_back(line);
           line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
      }
      if (!line.empty())
         lines.push_back(line);
  }
  if (lines.size() > CardMaxLines)
     lines.resize(CardMaxLines);
  std::string text;
  for (const std::string &l : lines)
      text += (text.empty() ? "" : "\n") + l;
  return text;
}

std::vector<uint8_t> PlainCard(uint32_t Colour)
{
  double r = Colour >> 16, g = (Colour >> 8) & 0xFF, b = Colour & 0xFF;
  std::vector<uint8_t> card(CardSize);
  size_t luma = Width * Height, chroma = luma / 4;
  std::fill(card.begin(), card.begin() + luma, uint8_t(16 + 0.257 * r + 0.504 * g + 0.098 * b));
  std::fill(card.begin() + luma, card.begin() + luma + chroma, uint8_t(128 - 0.148 * r - 0.291 * g + 0.439 * b));
  std::fill(card.begin() + luma + chroma, card.end(), uint8_t(128 + 0.439 * r - 0.368 * g - 0.071 * b));
  return card;
}

// The card with Text drawn by ffmpeg; false when it cannot draw.
bool DrawCard(uint32_t Colour, const std::string &Text, std::vector<uint8_t> &Card)
{
  const char *tmp = getenv("TMPDIR");
  std::string textFile = std::string(tmp && PlainPath(tmp) ? tmp : "/tmp") + "/vimora-title-XXXXXX";
  int fd = mkstemp(&textFile[0]);
  if (fd < 0)
     return false;
  bool written = safe_write(fd, Text.data(), Text.size()) == ssize_t(Text.size());
  close(fd);
  int out[2] = { -1, -1 };
  pid_t pid = -1;
  if (written && pipe2(out, O_CLOEXEC) == 0) {
     cString source = cString::sprintf("color=c=0x%06X:s=%dx%d", Colour, Width, Height);
     std::string filter = "drawtext=" + FontOption() + ":textfile=" + textFile +
                          ":expansion=none:fontcolor=white:fontsize=" + std::to_string(CardFontSize) +
                          ":line_spacing=4:x=(w-text_w)/2:y=(h-text_h)/2";
     const char *argv[] = { "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "quiet", "-f", "lavfi", "-i", source,
                            "-vf", filter.c_str(), "-frames:v", "1", "-pix_fmt", "yuv420p", "-f", "rawvideo", "pipe:1", NULL };
     pid = SpawnProgram(argv, { -1, out[1], -1 });
     close(out[1]);
  }
  std::vector<uint8_t> card;
  if (pid > 0) {
     uint8_t buffer[16384];
     ssize_t n;
     while ((n = read(out[0], buffer, sizeof(buffer))) != 0 && card.size() <= CardSize) {
       if (n > 0)
          card.insert(card.end(), buffer, buffer + n);
       else if (errno != EINTR)
          break;
     }
  }
  if (out[0] >= 0)
     close(out[0]);
  bool drawn = pid > 0 && WaitProgram(pid) == 0 && card.size() == CardSize;
  unlink(textFile.c_str());
  if (drawn)
     Card.swap(card);
  return drawn;
}

std::vector<uint8_t> ToneFrame(int Hz)
{
  // Tones are multiples of 25 Hz, so every frame holds whole periods and one frame
  // repeated gives a steady tone.
  std::vector<uint8_t> frame(ToneFrameSize, 0);
  for (size_t i = 0; Hz > 0 && i < ToneFrameSize / 2; i++) {
      int16_t v = int16_t(lrint(0.4 * 32767 * sin(2 * M_PI * Hz * double(i) / SampleRate)));
      frame[2 * i] = uint8_t(v & 0xFF);
      frame[2 * i + 1] = uint8_t((v >> 8) & 0xFF);
  }
  return frame;
}

// The part of a stream of repeated frames still to be sent.
struct tFeed {
  int fd;
  const std::vector<uint8_t> *frame;
  size_t position; // in the frame
  size_t left;     // bytes
};

// Sends what the socket takes without waiting; false when the encoder is gone.
bool Send(tFeed &Feed)
{
  const int MaxPieces = 16;
  iovec iov[MaxPieces];
  int pieces = 0;
  size_t bytes = 0;
  for (size_t position = Feed.position; pieces < MaxPieces && bytes < Feed.left; position = 0) {
      size_t length = std::min(Feed.frame->size() - position, Feed.left - bytes);
      iov[pieces++] = { const_cast<uint8_t *>(Feed.frame->data() + position), length };
      bytes += length;
  }
  msghdr msg = {};
  msg.msg_iov = iov;
  msg.msg_iovlen = pieces;
  ssize_t n = sendmsg(Feed.fd, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
  if (n < 0)
     return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
  Feed.left -= n;
  Feed.position = (Feed.position + n) % Feed.frame->size();
  return true;
}

class cRenderedMedia : public cMediaWriter {
private:
  std::string dir;
  time_t start;
  tChannelID channelID;
  std::string channelName;
  pid_t encoder;
  int videoOut, audioOut; // sockets the encoder reads
  int media;              // the media file, read back
  FILE *errors;           // what the encoder says
  bool failed;
  int rendered;           // frames handed to the encoder
  int indexed;            // frames found in the media
  cTsFrameIndex parser;
  off_t parsed;
  tProgramme programme;
  std::map<std::pair<tEventID, time_t>, int> eventNumbers;
  std::vector<uint8_t> card, tone;
  std::vector<uint8_t> black, silence;
  bool Fail(const char *Format, ...) __attribute__((format(printf, 2, 3)));
  bool StartEncoder(void);
  bool FinishEncoder(void);
  // Kill: at once, else when it has written what it holds.
  void StopEncoder(bool Kill);
  bool WaitEncoder(int TimeoutMs);
  tProgramme ProgrammeAt(int Frame);
  // What really goes on air, when the channel has a programme beside its guide.
  bool OnAirAt(int Frame, tProgramme &Programme);
  void Tune(const tProgramme &Programme);
  bool Feed(int Frames, bool Gap);
  bool ReadIndex(std::vector<tMediaFrame> &Ready);

public:
  cRenderedMedia(const cRecording *Recording);
  ~cRenderedMedia();
  bool Write(int Frames, bool Final, std::vector<tMediaFrame> &Ready) override;
};

cRenderedMedia::cRenderedMedia(const cRecording *Recording)
{
  dir = Recording->FileName();
  start = Recording->Start();
  const cRecordingInfo *info = Recording->Info();
  channelID = info->ChannelID();
  channelName = info->ChannelName() ? info->ChannelName() : "";
  encoder = -1;
  videoOut = audioOut = media = -1;
  errors = NULL;
  failed = false;
  rendered = indexed = 0;
  parsed = 0;
  programme = { false, false, 0, 0, "", 0, 0 };
}

cRenderedMedia::~cRenderedMedia()
{
  StopEncoder(false);
  if (media >= 0)
     close(media);
  if (errors)
     fclose(errors);
}

bool cRenderedMedia::Fail(const char *Format, ...)
{
  va_list ap;
  va_start(ap, Format);
  char text[256];
  vsnprintf(text, sizeof(text), Format, ap);
  va_end(ap);
  char said[256] = "";
  if (errors) {
     rewind(errors);
     if (fgets(said, sizeof(said), errors))
        said[strcspn(said, "\n")] = 0;
  }
  esyslog("ERROR: media of %s: %s%s%s", dir.c_str(), text, *said ? " - ffmpeg: " : "", said);
  failed = true;
  StopEncoder(true);
  return false;
}

bool cRenderedMedia::StartEncoder(void)
{
  cString mediaFile = AddDirectory(dir.c_str(), MediaFileName);
  cFile out;
  if (!out.Open(mediaFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) || (media = open(mediaFile, O_RDONLY | O_CLOEXEC)) < 0)
     return Fail("cannot create %s: %m", MediaFileName);
  int video[2], audio[2];
  if (!(errors = tmpfile()) || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, video) < 0)
     return Fail("cannot make the encoder's input: %m");
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, audio) < 0) {
     close(video[0]);
     close(video[1]);
     return Fail("cannot make the encoder's input: %m");
  }
  videoOut = video[0];
  audioOut = audio[0];
  cString size = cString::sprintf("%dx%d", Width, Height);
  cString rate = cString::sprintf("%d", FRAMESPERSEC);
  cString sampleRate = cString::sprintf("%d", SampleRate);
  const char *argv[] = {
    "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error",
    // raw input needs no probing, and probing one input long would starve the other
    "-f", "rawvideo", "-pix_fmt", "yuv420p", "-video_size", size, "-framerate", rate,
    "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64", "-i", "pipe:3",
    "-f", "s16le", "-ar", sampleRate, "-ac", "1",
    "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64", "-i", "pipe:4",
    "-map", "0:v", "-map", "1:a", "-threads", "1",
    // an I-frame every 12 frames and nothing else: no B-frames, no scene cuts
    "-c:v", "mpeg2video", "-g", "12", "-bf", "0", "-sc_threshold", "1000000000", "-q:v", "4",
    "-c:a", "mp2", "-b:a", "64k",
    "-f", "mpegts", "-flush_packets", "1", "pipe:1", NULL
  };
  encoder = SpawnProgram(argv, { -1, out, fileno(errors), video[1], audio[1] });
  close(video[1]);
  close(audio[1]);
  return encoder > 0 || Fail("cannot start ffmpeg");
}

bool cRenderedMedia::WaitEncoder(int TimeoutMs)
{
  for (int waited = 0; waited <= TimeoutMs; waited += 10) {
      int status;
      pid_t r = waitpid(encoder, &status, WNOHANG);
      if (r == encoder || (r < 0 && errno != EINTR)) {
         encoder = -1;
         return r > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
      }
      usleep(10000);
  }
  return false;
}

// Ends the input: the encoder writes what it holds and ends.
bool cRenderedMedia::FinishEncoder(void)
{
  for (int *fd : { &videoOut, &audioOut }) {
      if (*fd >= 0)
         close(*fd);
      *fd = -1;
  }
  return WaitEncoder(EncoderTimeoutMs);
}

void cRenderedMedia::StopEncoder(bool Kill)
{
  if (encoder > 0) {
     if (Kill)
        kill(encoder, SIGKILL);
     if (!FinishEncoder() && encoder > 0) {
        kill(encoder, SIGKILL);
        WaitProgram(encoder);
        encoder = -1;
     }
  }
}

// The gap begins an item where it starts, also when nothing was on air before it.
static int GapEnd(time_t RecordingStart, time_t ItemStart)
{
  return int((ItemStart - RecordingStart) * FRAMESPERSEC) + MediaGapFrames(ItemStart);
}

bool cRenderedMedia::OnAirAt(int Frame, tProgramme &Programme)
{
  std::vector<tOnAirItem> items;
  if (!cOnAir::Items(channelID, items))
     return false;
  time_t t = start + Frame / FRAMESPERSEC;
  auto frameAt = [this, Frame](time_t Time) { return int(std::max(Frame + 1, int((Time - start) * FRAMESPERSEC))); };
  tProgramme p = { true, false, 0, 0, "", INT_MAX, 0 };
  for (const tOnAirItem &i : items) {
      if (i.start > t) {
         p.endFrame = std::min(p.endFrame, frameAt(i.start));
         break;
      }
      if (t < i.start + i.duration)
         p = { true, true, 0, i.start, i.title, frameAt(i.start + i.duration), GapEnd(start, i.start) };
  }
  Programme = p;
  return true;
}

tProgramme cRenderedMedia::ProgrammeAt(int Frame)
{
  tProgramme p = { true, false, 0, 0, "", INT_MAX, 0 };
  if (OnAirAt(Frame, p))
     return p;
  time_t t = start + Frame / FRAMESPERSEC;
  auto frameAt = [this, Frame](time_t Time) { return int(std::max(Frame + 1, int((Time - start) * FRAMESPERSEC))); };
  cSchedulesLock lock(false, ScheduleLockTimeoutMs);
  const cSchedules *schedules = cSchedules::Schedules(lock);
  if (!schedules) {
     p = programme;
     p.known = false;
     p.endFrame = Frame + FRAMESPERSEC; // try again a second later
     return p;
  }
  const cSchedule *schedule = schedules->GetSchedule(channelID);
  const cEvent *present = schedule ? schedule->GetEventAround(t) : NULL;
  if (present) {
     p.onAir = true;
     p.eventID = present->EventID();
     p.start = present->StartTime();
     p.title = present->Title() ? present->Title() : "";
     p.endFrame = frameAt(present->EndTime());
     p.gapEnd = GapEnd(start, present->StartTime());
  }
  // a later event may begin while the present one still runs
  for (const cEvent *e = schedule ? schedule->Events()->First() : NULL; e; e = schedule->Events()->Next(e)) {
      if (e->StartTime() > t) {
         p.endFrame = std::min(p.endFrame, frameAt(e->StartTime()));
         break;
      }
  }
  return p;
}

void cRenderedMedia::Tune(const tProgramme &Programme)
{
  bool changed = card.empty() || !Programme.SameAs(programme);
  programme = Programme;
  if (!changed)
     return;
  uint32_t colour = OffAirColour;
  std::string text = channelName;
  tone = ToneFrame(0);
  if (programme.onAir) {
     auto key = std::make_pair(programme.eventID, programme.start);
     auto it = eventNumbers.emplace(key, int(eventNumbers.size())).first;
     colour = CardColours[it->second % Tones];
     text = programme.title;
     tone = ToneFrame(MediaToneHz(it->second));
  }
  text = CardText(text);
  if (text.empty() || !DrawCard(colour, text, card)) {
     if (!text.empty() && !toldNoText.exchange(true))
        isyslog("recordings show no titles: ffmpeg cannot draw text (is a font installed?)");
     card = PlainCard(colour);
  }
}

bool cRenderedMedia::Feed(int Frames, bool Gap)
{
  if (black.empty()) {
     black = PlainCard(0x000000);
     silence = ToneFrame(0);
  }
  const std::vector<uint8_t> &picture = Gap ? black : card, &sound = Gap ? silence : tone;
  tFeed feeds[2] = { { videoOut, &picture, 0, picture.size() * Frames }, { audioOut, &sound, 0, sound.size() * Frames } };
  while (feeds[0].left || feeds[1].left) {
    pollfd fds[2];
    tFeed *polled[2];
    int n = 0;
    for (tFeed &f : feeds) {
        if (f.left) {
           fds[n] = { f.fd, POLLOUT, 0 };
           polled[n++] = &f;
        }
    }
    int r = poll(fds, n, EncoderTimeoutMs);
    if (r < 0 && errno == EINTR)
       continue;
    if (r <= 0)
       return Fail(r == 0 ? "ffmpeg takes no more frames" : "poll: %m");
    for (int i = 0; i < n; i++) {
        if (fds[i].revents && !Send(*polled[i]))
           return Fail("ffmpeg ended early");
    }
  }
  return true;
}

bool cRenderedMedia::ReadIndex(std::vector<tMediaFrame> &Ready)
{
  uint8_t buffer[64 * 1024];
  for (;;) {
      ssize_t n = pread(media, buffer, sizeof(buffer), parsed);
      if (n < 0 && errno == EINTR)
         continue;
      if (n < 0)
         return Fail("cannot read %s: %m", MediaFileName);
      if (n == 0)
         break;
      parsed += n;
      if (!parser.Put(buffer, n))
         return Fail("%s is no transport stream at byte %lld", MediaFileName, (long long)parser.Position());
  }
  std::vector<cTsFrameIndex::tFrame> found;
  parser.Take(found);
  for (const auto &f : found) {
      if (indexed >= rendered)
         return Fail("more pictures than frames");
      Ready.push_back({ MediaFileNumber, f.offset, f.independent });
      indexed++;
  }
  return true;
}

bool cRenderedMedia::Write(int Frames, bool Final, std::vector<tMediaFrame> &Ready)
{
  if (failed)
     return false;
  // the guide is asked once per call, and again where a programme ends
  bool ask = true;
  while (rendered < Frames) {
    if (encoder < 0 && !StartEncoder())
       return false;
    if (ask || rendered >= programme.endFrame)
       Tune(ProgrammeAt(rendered));
    ask = false;
    bool gap = rendered < programme.gapEnd;
    int until = std::min(Frames, gap ? std::min(programme.gapEnd, programme.endFrame) : programme.endFrame);
    if (!Feed(until - rendered, gap))
       return false;
    rendered = until;
  }
  if (encoder < 0)
     return true; // not a frame yet: no media either
  if (Final && !FinishEncoder())
     return Fail("ffmpeg failed");
  if (!ReadIndex(Ready))
     return false;
  if (Final && indexed != rendered)
     return Fail("the media holds %d of %d frames", indexed, rendered);
  return true;
}

} // namespace

int MediaGapFrames(time_t ItemStart)
{
  // 13 to 25 frames: 0.52 to 1 second
  return FRAMESPERSEC / 2 + 1 + int(ItemStart % (FRAMESPERSEC / 2 + 1));
}

int MediaToneHz(int EventNumber)
{
  return 300 + 100 * (EventNumber % Tones);
}

cMediaWriter *NewRenderedMediaWriter(const cRecording *Recording)
{
  return new cRenderedMedia(Recording);
}

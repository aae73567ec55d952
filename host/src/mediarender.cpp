// Real media for the recorder: one ffmpeg process per recording encodes the frames it is
// fed (a title card and a tone per event, made here) in the channel's broadcast format,
// and the transport stream it writes into a pipe is indexed as it comes and written into
// the media files, a new one begun at an independent frame where the limit says.
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
#include <vdr/config.h>
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
const int Tones = 12;
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
  int gapEnd;     // the transition into it before, as between the items of a music channel
  eTransition transition;
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

// How much lower the sound of a dip is: -40 dB.
const double DipAmplitude = 0.01;

// A frame's sound at Fps frames per second, s16le mono.
std::vector<uint8_t> ToneFrame(int Hz, int Fps, double Amplitude = 1)
{
  // Tones are multiples of 50 Hz, so every frame holds whole periods and one frame
  // repeated gives a steady tone.
  size_t size = SampleRate / Fps * 2;
  std::vector<uint8_t> frame(size, 0);
  for (size_t i = 0; Hz > 0 && i < size / 2; i++) {
      int16_t v = int16_t(lrint(Amplitude * 0.4 * 32767 * sin(2 * M_PI * Hz * double(i) / SampleRate)));
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
  const tBroadcastFormat &format;
  int fps;
  std::vector<int> shifts; // of the tones, one sound input each
  pid_t encoder;
  int videoOut;           // sockets the encoder reads
  std::vector<int> audioOuts;
  int output;             // the pipe it writes into
  bool outputEnded;
  FILE *errors;           // what the encoder says
  bool failed;
  int rendered;           // frames handed to the encoder
  int indexed;            // frames found in the media
  cTsFrameIndex parser;
  std::vector<uint8_t> held; // of the stream from heldFrom on, not yet in a file
  off_t heldFrom;
  int file;               // the media file written now
  uint16_t fileNumber;
  off_t fileSize;
  std::vector<tMediaFrame> placed; // not yet handed on
  tProgramme programme;
  std::map<std::pair<tEventID, time_t>, int> eventNumbers;
  std::vector<uint8_t> card, black, silence;
  std::vector<std::vector<uint8_t>> tones, dipped; // by shift
  bool Fail(const char *Format, ...) __attribute__((format(printf, 2, 3)));
  bool OpenFile(uint16_t Number);
  bool MakeInputs(int Video[2], std::vector<int> &AudioIn, int Output[2]);
  std::vector<std::string> EncoderArgs(void) const;
  bool StartEncoder(void);
  bool FinishEncoder(void);
  // Kill: at once, else when it has written what it holds.
  void StopEncoder(bool Kill);
  void CloseInputs(void);
  bool WaitEncoder(int TimeoutMs);
  tProgramme ProgrammeAt(int Frame);
  // What really goes on air, when the channel has a programme beside its guide.
  bool OnAirAt(int Frame, tProgramme &Programme);
  void Tune(const tProgramme &Programme);
  bool Feed(int Frames, bool Gap);
  // Takes what the encoder has written so far (all it writes, with UntilEnd).
  bool Drain(bool UntilEnd);
  bool Take(const uint8_t *Data, size_t Length);
  bool Place(const cTsFrameIndex::tFrame &Frame);
  // Writes the stream up to Offset into the media file.
  bool Flush(off_t Offset);

public:
  cRenderedMedia(const cRecording *Recording);
  ~cRenderedMedia();
  bool Write(int Frames, bool Final, std::vector<tMediaFrame> &Ready) override;
};

cRenderedMedia::cRenderedMedia(const cRecording *Recording)
: format(RecordingBroadcastFormat(Recording))
{
  dir = Recording->FileName();
  start = Recording->Start();
  const cRecordingInfo *info = Recording->Info();
  channelID = info->ChannelID();
  channelName = info->ChannelName() ? info->ChannelName() : "";
  fps = format.framesPerSecond;
  for (const tBroadcastTrack &t : format.tracks)
      if (std::find(shifts.begin(), shifts.end(), t.toneShiftHz) == shifts.end())
         shifts.push_back(t.toneShiftHz);
  encoder = -1;
  videoOut = output = file = -1;
  outputEnded = false;
  errors = NULL;
  failed = false;
  rendered = indexed = 0;
  heldFrom = 0;
  fileNumber = 0;
  fileSize = 0;
  programme = { false, false, 0, 0, "", 0, 0, trSilence };
}

cRenderedMedia::~cRenderedMedia()
{
  StopEncoder(false);
  if (!failed)
     Flush(heldFrom + held.size());
  if (file >= 0)
     close(file);
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

bool cRenderedMedia::OpenFile(uint16_t Number)
{
  if (file >= 0 && close(file) < 0)
     return Fail("cannot write %05d.ts: %m", fileNumber);
  fileNumber = Number;
  fileSize = 0;
  file = open(AddDirectory(dir.c_str(), *cString::sprintf("%05d.ts", Number)), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return file >= 0 || Fail("cannot create %05d.ts: %m", Number);
}

// The encoder's sockets (one for the picture, one per tone) and its output pipe; it
// gets the ends in Video[1], AudioIn and Output[1].
bool cRenderedMedia::MakeInputs(int Video[2], std::vector<int> &AudioIn, int Output[2])
{
  if (!(errors = tmpfile()) || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Video) < 0)
     return Fail("cannot make the encoder's input: %m");
  videoOut = Video[0];
  for (size_t i = 0; i < shifts.size(); i++) {
      int audio[2];
      if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, audio) < 0)
         return Fail("cannot make the encoder's input: %m");
      audioOuts.push_back(audio[0]);
      AudioIn.push_back(audio[1]);
  }
  if (pipe2(Output, O_CLOEXEC) < 0 || fcntl(Output[0], F_SETFL, O_NONBLOCK) < 0)
     return Fail("cannot make the encoder's output: %m");
  output = Output[0];
  return true;
}

std::vector<std::string> cRenderedMedia::EncoderArgs(void) const
{
  std::string size = std::to_string(Width) + "x" + std::to_string(Height);
  // raw input needs no probing, and probing one input long would starve the others
  std::vector<std::string> args = {
    "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error",
    "-f", "rawvideo", "-pix_fmt", "yuv420p", "-video_size", size, "-framerate", std::to_string(fps),
    "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64", "-i", "pipe:3",
  };
  for (size_t i = 0; i < shifts.size(); i++)
      args.insert(args.end(), { "-f", "s16le", "-ar", std::to_string(SampleRate), "-ac", "1",
                                "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64", "-i", "pipe:" + std::to_string(4 + i) });
  args.insert(args.end(), { "-map", "0:v" });
  for (const tBroadcastTrack &t : format.tracks)
      args.insert(args.end(), { "-map", std::to_string(1 + std::find(shifts.begin(), shifts.end(), t.toneShiftHz) - shifts.begin()) + ":a" });
  args.insert(args.end(), { "-threads", "1" });
  args.insert(args.end(), format.videoArgs.begin(), format.videoArgs.end());
  args.insert(args.end(), { "-streamid", "0:" + std::to_string(format.videoPid) });
  for (size_t i = 0; i < format.tracks.size(); i++) {
      const tBroadcastTrack &t = format.tracks[i];
      std::string n = std::to_string(i);
      args.insert(args.end(), { "-c:a:" + n, t.encoder, "-b:a:" + n, t.bitRate, "-ac:a:" + n, std::to_string(t.channels),
                                "-metadata:s:a:" + n, std::string("language=") + t.language, "-streamid", std::to_string(i + 1) + ":" + std::to_string(t.pid) });
  }
  if (format.muxerFlags)
     args.insert(args.end(), { "-mpegts_flags", format.muxerFlags });
  args.insert(args.end(), { "-f", "mpegts", "-flush_packets", "1", "pipe:1" });
  return args;
}

bool cRenderedMedia::StartEncoder(void)
{
  int video[2] = { -1, -1 }, out[2] = { -1, -1 };
  std::vector<int> audioIn;
  bool made = OpenFile(1) && MakeInputs(video, audioIn, out);
  if (made) {
     std::vector<std::string> args = EncoderArgs();
     std::vector<const char *> argv;
     for (const std::string &a : args)
         argv.push_back(a.c_str());
     argv.push_back(NULL);
     std::vector<int> fds = { -1, out[1], fileno(errors), video[1] };
     fds.insert(fds.end(), audioIn.begin(), audioIn.end());
     encoder = SpawnProgram(argv.data(), fds);
  }
  for (int fd : audioIn)
      close(fd);
  for (int fd : { video[1], out[1] })
      if (fd >= 0)
         close(fd);
  return made && (encoder > 0 || Fail("cannot start ffmpeg"));
}

bool cRenderedMedia::WaitEncoder(int TimeoutMs)
{
  if (encoder <= 0)
     return false;
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

void cRenderedMedia::CloseInputs(void)
{
  if (videoOut >= 0)
     close(videoOut);
  videoOut = -1;
  for (int fd : audioOuts)
      close(fd);
  audioOuts.clear();
}

// Ends the input: the encoder writes what it holds and ends.
bool cRenderedMedia::FinishEncoder(void)
{
  CloseInputs();
  bool drained = Drain(true);
  return WaitEncoder(EncoderTimeoutMs) && drained;
}

void cRenderedMedia::StopEncoder(bool Kill)
{
  if (encoder > 0 && (Kill || !FinishEncoder()) && encoder > 0) {
     kill(encoder, SIGKILL);
     WaitProgram(encoder);
     encoder = -1;
  }
  CloseInputs();
  if (output >= 0)
     close(output);
  output = -1;
}

// The transition begins an item where it starts, also when nothing was on air before it.
static int GapEnd(time_t RecordingStart, time_t ItemStart, int Fps, eTransition Transition = trSilence)
{
  return int((ItemStart - RecordingStart) * Fps) + MediaLeadFrames(ItemStart, Transition, Fps);
}

bool cRenderedMedia::OnAirAt(int Frame, tProgramme &Programme)
{
  std::vector<tOnAirItem> items;
  if (!cOnAir::Items(channelID, items))
     return false;
  time_t t = start + Frame / fps;
  auto frameAt = [this, Frame](time_t Time) { return int(std::max(Frame + 1, int((Time - start) * fps))); };
  tProgramme p = { true, false, 0, 0, "", INT_MAX, 0, trSilence };
  for (const tOnAirItem &i : items) {
      if (i.start > t) {
         p.endFrame = std::min(p.endFrame, frameAt(i.start));
         break;
      }
      if (t < i.start + i.duration)
         p = { true, true, 0, i.start, i.title, frameAt(i.start + i.duration), GapEnd(start, i.start, fps, i.transition), i.transition };
  }
  Programme = p;
  return true;
}

tProgramme cRenderedMedia::ProgrammeAt(int Frame)
{
  tProgramme p = { true, false, 0, 0, "", INT_MAX, 0, trSilence };
  if (OnAirAt(Frame, p))
     return p;
  time_t t = start + Frame / fps;
  auto frameAt = [this, Frame](time_t Time) { return int(std::max(Frame + 1, int((Time - start) * fps))); };
  cSchedulesLock lock(false, ScheduleLockTimeoutMs);
  const cSchedules *schedules = cSchedules::Schedules(lock);
  if (!schedules) {
     p = programme;
     p.known = false;
     p.endFrame = Frame + fps; // try again a second later
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
     p.gapEnd = GapEnd(start, present->StartTime(), fps);
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
  tones.assign(shifts.size(), ToneFrame(0, fps));
  dipped = tones;
  if (programme.onAir) {
     auto key = std::make_pair(programme.eventID, programme.start);
     auto it = eventNumbers.emplace(key, int(eventNumbers.size())).first;
     colour = CardColours[it->second % Tones];
     text = programme.title;
     for (size_t i = 0; i < shifts.size(); i++) {
         tones[i] = ToneFrame(MediaToneHz(it->second) + shifts[i], fps);
         dipped[i] = ToneFrame(MediaToneHz(it->second) + shifts[i], fps, DipAmplitude);
     }
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
     silence = ToneFrame(0, fps);
  }
  std::vector<tFeed> feeds;
  eTransition t = programme.transition;
  bool blackPicture = Gap && (t == trSilence || t == trFade);
  const std::vector<uint8_t> &picture = blackPicture ? black : card;
  feeds.push_back({ videoOut, &picture, 0, picture.size() * Frames });
  for (size_t i = 0; i < audioOuts.size(); i++) {
      const std::vector<uint8_t> &sound = !Gap ? tones[i] : t == trSilence ? silence : dipped[i];
      feeds.push_back({ audioOuts[i], &sound, 0, sound.size() * Frames });
  }
  // the encoder's output is taken meanwhile: a full pipe would stop it taking more
  for (;;) {
    std::vector<pollfd> fds;
    std::vector<tFeed *> polled;
    for (tFeed &f : feeds) {
        if (f.left) {
           fds.push_back({ f.fd, POLLOUT, 0 });
           polled.push_back(&f);
        }
    }
    if (fds.empty())
       return true;
    fds.push_back({ output, POLLIN, 0 });
    int r = poll(fds.data(), fds.size(), EncoderTimeoutMs);
    if (r < 0 && errno == EINTR)
       continue;
    if (r <= 0)
       return Fail(r == 0 ? "ffmpeg takes no more frames" : "poll: %m");
    for (size_t i = 0; i < polled.size(); i++) {
        if (fds[i].revents && !Send(*polled[i]))
           return Fail("ffmpeg ended early");
    }
    if (fds.back().revents && !Drain(false))
       return false;
  }
}

bool cRenderedMedia::Drain(bool UntilEnd)
{
  uint8_t buffer[64 * 1024];
  while (output >= 0 && !outputEnded && !failed) {
    ssize_t n = read(output, buffer, sizeof(buffer));
    if (n > 0) {
       if (!Take(buffer, n))
          return false;
    }
    else if (n == 0)
       outputEnded = true;
    else if (errno == EAGAIN && UntilEnd) {
       pollfd p = { output, POLLIN, 0 };
       int r = poll(&p, 1, EncoderTimeoutMs);
       if (r == 0)
          return Fail("ffmpeg does not finish its output");
       if (r < 0 && errno != EINTR)
          return Fail("poll: %m");
    }
    else if (errno == EAGAIN)
       break;
    else if (errno != EINTR)
       return Fail("cannot read ffmpeg's output: %m");
  }
  return !failed;
}

bool cRenderedMedia::Take(const uint8_t *Data, size_t Length)
{
  if (!parser.Put(Data, Length))
     return Fail("ffmpeg's output is no transport stream at byte %lld", (long long)parser.Position());
  held.insert(held.end(), Data, Data + Length);
  std::vector<cTsFrameIndex::tFrame> found;
  parser.Take(found);
  for (const auto &f : found)
      if (!Place(f))
         return false;
  return Flush(parser.Settled());
}

bool cRenderedMedia::Place(const cTsFrameIndex::tFrame &Frame)
{
  if (indexed >= rendered)
     return Fail("more pictures than frames");
  if (!Flush(Frame.offset) || (StartsNewMediaFile(Frame.independent, fileSize) && !OpenFile(fileNumber + 1)))
     return false;
  placed.push_back({ fileNumber, fileSize, Frame.independent });
  indexed++;
  return true;
}

bool cRenderedMedia::Flush(off_t Offset)
{
  size_t n = size_t(std::max(off_t(0), std::min(Offset - heldFrom, off_t(held.size()))));
  if (!n)
     return true;
  if (safe_write(file, held.data(), n) != ssize_t(n))
     return Fail("cannot write %05d.ts: %m", fileNumber);
  held.erase(held.begin(), held.begin() + n);
  heldFrom += n;
  fileSize += n;
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
    int count = until - rendered;
    rendered = until; // the encoder may give back frames of these while it takes them
    if (!Feed(count, gap))
       return false;
  }
  if (encoder < 0)
     return true; // not a frame yet: no media either
  if (Final && (!FinishEncoder() || !Flush(heldFrom + held.size())))
     return failed ? false : Fail("ffmpeg failed");
  if (!Drain(false))
     return false;
  Ready.insert(Ready.end(), placed.begin(), placed.end());
  placed.clear();
  if (Final && indexed != rendered)
     return Fail("the media holds %d of %d frames", indexed, rendered);
  return true;
}

} // namespace

int MediaGapFrames(time_t ItemStart, int FramesPerSecond)
{
  // 13 to 25 frames of 25: 0.52 to 1 second
  return (13 + int(ItemStart % 13)) * FramesPerSecond / 25;
}

int MediaLeadFrames(time_t ItemStart, eTransition Transition, int FramesPerSecond)
{
  switch (Transition) {
    case trDip:  return FramesPerSecond / 5;
    case trCut:  return 0;
    case trFade: return FramesPerSecond / 2;
    default:     return MediaGapFrames(ItemStart, FramesPerSecond);
  }
}

int MediaToneHz(int EventNumber)
{
  return 300 + 100 * (EventNumber % Tones);
}

cMediaWriter *NewRenderedMediaWriter(const cRecording *Recording)
{
  return new cRenderedMedia(Recording);
}

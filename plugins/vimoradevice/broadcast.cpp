#include "broadcast.h"

#include <algorithm>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vdr/remux.h>
#include <vdr/tools.h>

#include "broadcastdevice.h"

static const int Width = 320, Height = 180;
static const uint32_t Colours[] = { 0x1F3A93, 0x8E2C2C, 0x1E6B3A, 0x6A2C8E, 0x8E6A1E, 0x1E6B6B };
static const int Tones = 8;
// How far behind its time a packet may be and still go on air: a broadcast that starts
// late (rendered too slowly) joins where it should be instead of racing to catch up.
static const int64_t LateMs = 1000;
static const int WaitStepMs = 100;
// Seconds added to every segment's time stamps: from zero on, the audio encoder's delay
// would shift the first segment's start against the others'.
static const int TimeBase = 10;

static int64_t WallMs(void)
{
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

static std::string FontOption(void)
{
  static const char *const Fonts[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/TTF/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
  };
  for (const char *f : Fonts) {
      if (access(f, R_OK) == 0)
         return std::string("fontfile=") + f;
      }
  return "font=Sans";
}

cBroadcast::cBroadcast(cBroadcastDevice *Device, const std::string &WorkDir)
: cThread("vimoradevice broadcast"), device(Device), workDir(WorkDir)
{
  format = &DefaultBroadcastFormat();
  mbits = 0;
  vpid = sid = tid = nid = transponder = 0;
  state = "rendering";
}

cBroadcast::~cBroadcast()
{
  Stop();
}

void cBroadcast::Stop(void)
{
  if (Active()) {
     Cancel(-1);
     sleeper.Signal();
     Cancel(10); // an encoder running is ended within a step
     }
}

cBroadcast *cBroadcast::Load(const char *File, cBroadcastDevice *Device, const std::string &WorkDir, std::string &Error)
{
  FILE *f = fopen(File, "r");
  if (!f) {
     Error = std::string("cannot read ") + File;
     return NULL;
     }
  cBroadcast *b = new cBroadcast(Device, WorkDir);
  std::vector<tProgrammeItem> items;
  cReadLine reader;
  char *s;
  int line = 0;
  while (Error.empty() && (s = reader.Read(f)) != NULL) {
        line++;
        std::string l = s;
        if (l.empty() || l[0] == '#')
           continue;
        long start;
        int seconds, n = 0;
        if (l.compare(0, 8, "channel ") == 0)
           b->channelID = tChannelID::FromString(l.c_str() + 8);
        else if (l.compare(0, 7, "format ") == 0) {
           if (!(b->format = BroadcastFormat(l.substr(7))))
              Error = "unknown format \"" + l.substr(7) + "\" (" + BroadcastFormatNames() + ")";
           }
        else if (sscanf(l.c_str(), "bitrate %d %n", &b->mbits, &n) == 1 && n == int(l.size()) && b->mbits > 0)
           ;
        else if (sscanf(l.c_str(), "item %ld %d %n", &start, &seconds, &n) == 2 && n > 0 && seconds > 0 && l[n - 1] == ' ')
           items.push_back({ time_t(start), seconds, l.substr(n) });
        else
           Error = "line " + std::to_string(line) + " is none of \"channel ID\", \"format NAME\", \"bitrate MBITS\", \"item START SECONDS TITLE\"";
        }
  fclose(f);
  if (Error.empty()) {
     LOCK_CHANNELS_READ;
     const cChannel *c = b->channelID.Valid() ? Channels->GetByChannelID(b->channelID) : NULL;
     Error = c ? b->TakeChannel(c) : "no such channel";
     }
  if (Error.empty() && items.empty())
     Error = "no items";
  std::sort(items.begin(), items.end(), [](const tProgrammeItem &a, const tProgrammeItem &b) { return a.start < b.start; });
  for (size_t i = 0; Error.empty() && i < items.size(); i++) {
      if (i > 0) {
         time_t end = items[i - 1].start + items[i - 1].seconds;
         if (items[i].start < end)
            Error = "items overlap: " + items[i].title;
         else if (items[i].start > end)
            b->items.push_back({ end, int(items[i].start - end), "" });
         }
      b->items.push_back(items[i]);
      }
  if (!Error.empty()) {
     delete b;
     return NULL;
     }
  return b;
}

std::string cBroadcast::TakeChannel(const cChannel *Channel)
{
  vpid = Channel->Vpid();
  transponder = Channel->Transponder();
  sid = Channel->Sid();
  tid = Channel->Tid();
  nid = Channel->Nid();
  std::string needs = std::string(": the format needs ") + format->VpidField() + ":" + format->ApidField();
  if (!vpid || Channel->Vtype() != format->videoType)
     return "the channel's video is not " + std::string(format->videoCodec) + needs;
  int audio = 0, dolby = 0;
  for (const tBroadcastTrack &t : format->tracks) {
      int pid = t.Dolby() ? Channel->Dpid(dolby) : Channel->Apid(audio);
      int type = t.Dolby() ? Channel->Dtype(dolby) : Channel->Atype(audio);
      languages.push_back(t.Dolby() ? Channel->Dlang(dolby++) : Channel->Alang(audio++));
      if (!pid || type != t.streamType)
         return "the channel's sound tracks are not the format's" + needs;
      pids.push_back(pid);
      if (std::find(shifts.begin(), shifts.end(), t.toneShiftHz) == shifts.end())
         shifts.push_back(t.toneShiftHz);
      }
  if (Channel->Apid(audio) || Channel->Dpid(dolby))
     return "the channel has more sound tracks than the format" + needs;
  return "";
}

void cBroadcast::SetState(const std::string &State)
{
  cMutexLock lock(&mutex);
  state = State;
  isyslog("vimoradevice: programme %s", State.c_str());
}

std::string cBroadcast::State(void)
{
  cMutexLock lock(&mutex);
  return state;
}

std::vector<std::string> cBroadcast::Arguments(size_t Index, const std::string &File, const std::string &TextFile) const
{
  const tProgrammeItem &item = items[Index];
  // Counted among the titled items only: the gaps between them would give every song an
  // even number, and so the same layout and every other colour and tone alike.
  size_t number = std::count_if(items.begin(), items.begin() + Index, [](const tProgrammeItem &i) { return !i.title.empty(); });
  std::string d = std::to_string(item.seconds);
  char colour[16] = "black";
  if (!item.title.empty())
     snprintf(colour, sizeof(colour), "0x%06X", Colours[number % (sizeof(Colours) / sizeof(*Colours))]);
  std::string picture = std::string("color=c=") + colour + ":s=" + std::to_string(Width) + "x" + std::to_string(Height) +
                        ":r=" + std::to_string(format->framesPerSecond) + ":d=" + d;
  std::vector<std::string> args = { "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", picture };
  for (int shift : shifts) {
      std::string tone = "sine=frequency=" + std::to_string(440 + 110 * int(number % Tones) + shift) + ":sample_rate=48000";
      args.insert(args.end(), { "-f", "lavfi", "-i", item.title.empty() ? "anullsrc=r=48000:cl=mono" : tone });
      }
  // the title from a file: no quoting of what the programme says
  if (!item.title.empty())
     args.insert(args.end(), { "-vf", "drawtext=" + FontOption() + ":textfile=" + TextFile + ":expansion=none:fontcolor=white:fontsize=18:x=(w-text_w)/2:y=(h-text_h)/2" });
  args.insert(args.end(), { "-map", "0:v" });
  for (const tBroadcastTrack &t : format->tracks)
      args.insert(args.end(), { "-map", std::to_string(1 + std::find(shifts.begin(), shifts.end(), t.toneShiftHz) - shifts.begin()) + ":a" });
  std::vector<std::string> video = format->VideoArgs(mbits);
  args.insert(args.end(), video.begin(), video.end());
  for (size_t i = 0; i < format->tracks.size(); i++) {
      const tBroadcastTrack &t = format->tracks[i];
      std::string n = std::to_string(i);
      int channels = t.otherChannels && number % 2 ? t.otherChannels : t.channels;
      args.insert(args.end(), { "-c:a:" + n, t.encoder, "-b:a:" + n, t.bitRate, "-ac:a:" + n, std::to_string(channels),
                                "-metadata:s:a:" + n, "language=" + languages[i], "-streamid", std::to_string(i + 1) + ":" + std::to_string(pids[i]) });
      }
  if (format->muxerFlags)
     args.insert(args.end(), { "-mpegts_flags", format->muxerFlags });
  char offset[32];
  snprintf(offset, sizeof(offset), "%ld", long(TimeBase + item.start - items[0].start));
  args.insert(args.end(), { "-t", d, "-output_ts_offset", offset, "-streamid", "0:" + std::to_string(vpid),
                            "-mpegts_service_id", std::to_string(sid), "-mpegts_transport_stream_id", std::to_string(tid),
                            "-mpegts_original_network_id", std::to_string(nid), "-f", "mpegts", File });
  return args;
}

bool cBroadcast::Render(size_t Index, const std::string &File)
{
  const tProgrammeItem &item = items[Index];
  std::string textFile = File + ".txt";
  if (!item.title.empty()) {
     FILE *f = fopen(textFile.c_str(), "w");
     if (!f || fputs(item.title.c_str(), f) < 0 || fclose(f) != 0)
        return false;
     }
  std::vector<std::string> args = Arguments(Index, File, textFile);
  // A segment rendered before from the same arguments is used again: a recorder started
  // again in the middle of a programme has its broadcast on air at once.
  std::string key = item.title + '\n'; // what the text file says
  for (const auto &a : args)
      key += a + '\n';
  std::string keyFile = File + ".args";
  if (access(File.c_str(), R_OK) == 0) {
     FILE *k = fopen(keyFile.c_str(), "r");
     std::string stored;
     if (k) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof(buf), k)) > 0)
              stored.append(buf, n);
        fclose(k);
        }
     if (stored == key)
        return true;
     }
  unlink(keyFile.c_str());
  pid_t pid = fork();
  if (pid == 0) {
     int null = open("/dev/null", O_RDWR);
     if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        }
     std::vector<char *> argv;
     for (auto &a : args)
         argv.push_back(&a[0]);
     argv.push_back(NULL);
     execvp(argv[0], argv.data());
     _exit(127);
     }
  if (pid < 0)
     return false;
  int status = 0;
  for (;;) {
      pid_t r = waitpid(pid, &status, WNOHANG);
      if (r == pid)
         break;
      if (r < 0)
         return false;
      if (!Running()) {
         kill(pid, SIGKILL);
         waitpid(pid, &status, 0);
         return false;
         }
      cCondWait::SleepMs(50);
      }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
     return false;
  // the key last: a segment cut short by a crash is never taken for a whole one
  FILE *k = fopen(keyFile.c_str(), "w");
  if (!k)
     return true;
  bool written = fputs(key.c_str(), k) >= 0;
  if (fclose(k) != 0 || !written)
     unlink(keyFile.c_str());
  return true;
}

// The 27 MHz clock reference a packet carries, -1 for none.
static int64_t Pcr(const uchar *p)
{
  if (!(p[3] & 0x20) || p[4] < 7 || !(p[5] & 0x10))
     return -1;
  int64_t base = (int64_t(p[6]) << 25) | (p[7] << 17) | (p[8] << 9) | (p[9] << 1) | (p[10] >> 7);
  return base * 300 + (((p[10] & 1) << 8) | p[11]);
}

bool cBroadcast::Send(const std::string &File, time_t Start, int64_t &FirstPcr)
{
  FILE *f = fopen(File.c_str(), "rb");
  if (!f)
     return false;
  uchar p[TS_SIZE];
  int64_t due = int64_t(Start) * 1000;
  bool ok = true;
  while (Running()) {
        size_t n = fread(p, 1, TS_SIZE, f);
        if (n == 0)
           break;
        if (n != TS_SIZE || p[0] != TS_SYNC_BYTE) {
           ok = false;
           break;
           }
        int64_t pcr = Pcr(p);
        if (pcr >= 0) {
           if (FirstPcr < 0)
              FirstPcr = pcr;
           due = int64_t(items[0].start) * 1000 + (pcr - FirstPcr) / 27000;
           for (int64_t now = WallMs(); now < due && Running(); now = WallMs())
               sleeper.Wait(int(std::min(due - now, int64_t(WaitStepMs))));
           }
        if (due >= WallMs() - LateMs)
           device->Deliver(transponder, p);
        }
  fclose(f);
  return ok;
}

void cBroadcast::Action(void)
{
  std::vector<std::string> files;
  for (size_t i = 0; i < items.size() && Running(); i++) {
      // each channel's programme its own files: the programmes of several are rendered at once
      files.push_back(workDir + "/" + *channelID.ToString() + "-segment-" + std::to_string(i) + ".ts");
      if (!Render(i, files.back())) {
         if (Running()) {
            esyslog("vimoradevice: ERROR: ffmpeg could not render \"%s\"", items[i].title.c_str());
            SetState("failed: cannot render " + items[i].title);
            }
         return;
         }
      }
  SetState("waiting");
  while (Running() && WallMs() < int64_t(items[0].start) * 1000)
        sleeper.Wait(WaitStepMs);
  if (!Running())
     return;
  SetState("on air");
  int64_t firstPcr = -1;
  for (size_t i = 0; i < items.size() && Running(); i++) {
      if (!items[i].title.empty())
         isyslog("vimoradevice: on air: %s", items[i].title.c_str());
      if (!Send(files[i], items[i].start, firstPcr)) {
         esyslog("vimoradevice: ERROR: %s is no transport stream", files[i].c_str());
         SetState("failed: cannot send " + items[i].title);
         return;
         }
      }
  if (Running())
     SetState("ended");
}

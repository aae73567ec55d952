#include "demo.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <fcntl.h>
#include <math.h>
#include <stdarg.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/onair.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>
#include <vdr/skins.h>
#include <vdr/tools.h>

#include "../host/src/mediawriter.h"
#include "files.h"
#include "script.h"
#include "session.h"
#include "statusline.h"

static const char *DemoMarker = ".vimora-demo";
static const int LeadIn = 30;               // seconds from the timer's start to the first event
static const int RecordingSlack = 60;       // seconds the timer runs on after the last event
static const int ProgressEvery = 120;       // seconds of host time between progress lines
// The conversion is real work: its limit is real time, however fast the clock runs.
static const auto ConversionLimit = std::chrono::minutes(10);
static const int ConversionSpeed = 100;
// The guide is off by up to this many seconds per item, as on real channels; the marks
// are moved onto the transitions between the items the channel really airs.
static const int GuideError = 15;
// The settings the demo runs with, as setup.conf holds them: green finds the song
// boundaries, and with media a recording's end starts its marks and its conversion.
static const char *const DemoSetup = "vimora.refinemarks = 1\n";
static const char *const DemoSetupWithMedia = "vimora.refinemarks = 1\nvimora.autoconvert = 2\n";

std::string tDemoEvent::FileBaseName(void) const
{
  return artist + " - " + song + " (" + std::to_string(year) + ")";
}

// Artist, title and year as the plug-in reads them from a title: the artist before the
// first " - ", the title up to the blank before the last '(', the year after it.
static void SplitTitle(tDemoEvent &Event)
{
  Event.year = 0;
  size_t dash = Event.title.find(" - ");
  size_t paren = Event.title.rfind('(');
  if (dash == std::string::npos || paren == std::string::npos || paren < dash + 4)
     return;
  Event.artist = Event.title.substr(0, dash);
  Event.song = Event.title.substr(dash + 3, paren - 1 - (dash + 3));
  Event.year = atoi(Event.title.c_str() + paren + 1);
}

bool ReadDemoGuide(const std::string &FileName, std::vector<tDemoEvent> &Events, std::string &Error)
{
  FILE *f = fopen(FileName.c_str(), "re");
  if (!f) {
     Error = "cannot read " + FileName;
     return false;
  }
  cReadLine reader;
  int number = 0;
  bool ok = true;
  while (char *line = reader.Read(f)) {
    number++;
    char *s = line + strspn(line, " \t");
    if (!*s || *s == '#')
       continue;
    tDemoEvent e;
    int n = 0;
    if (sscanf(s, "%d %n", &e.duration, &n) != 1 || e.duration < 1 || !s[n]) {
       Error = FileName + ":" + std::to_string(number) + ": not \"SECONDS TITLE\"";
       ok = false;
       break;
    }
    s += n;
    e.transition = "silence";
    if (strncmp(s, "transition=", strlen("transition=")) == 0) {
       char *kind = s + strlen("transition=");
       size_t length = strcspn(kind, " \t");
       e.transition.assign(kind, length);
       eTransition t;
       if (!ParseTransition(e.transition, t) || !kind[length]) {
          Error = FileName + ":" + std::to_string(number) + ": not \"SECONDS [transition=silence|dip|cut|fade] TITLE\"";
          ok = false;
          break;
       }
       s = kind + length + strspn(kind + length, " \t");
    }
    e.title = stripspace(s);
    SplitTitle(e);
    Events.push_back(e);
  }
  fclose(f);
  return ok;
}

// --- running programs --------------------------------------------------------

// Runs Argv (found through PATH) and returns what it wrote to stdout; false when it
// could not run or failed.
static bool Capture(const std::vector<std::string> &Argv, std::string &Output)
{
  // built before fork(): the child of a process with threads may only exec
  std::vector<char *> argv;
  for (const auto &a : Argv)
      argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(NULL);
  int out[2];
  if (pipe(out) != 0)
     return false;
  pid_t pid = fork();
  if (pid == 0) {
     dup2(out[1], STDOUT_FILENO);
     close(out[0]);
     close(out[1]);
     int null = open("/dev/null", O_RDWR);
     dup2(null, STDIN_FILENO);
     dup2(null, STDERR_FILENO);
     execvp(argv[0], argv.data());
     _exit(127);
  }
  close(out[1]);
  Output.clear();
  char buf[4096];
  ssize_t n;
  while ((n = read(out[0], buf, sizeof(buf))) > 0)
    Output.append(buf, n);
  close(out[0]);
  int status;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

static bool HaveProgram(const char *Name)
{
  std::string dummy;
  return Capture({ Name, "-version" }, dummy);
}

// "3:05  artist=..., title=..., date=..., cover 320x180, REPLAYGAIN_TRACK_GAIN=..." for a
// media file.
static std::string MediaSummary(const std::string &File)
{
  std::string out;
  if (!Capture({ "ffprobe", "-v", "error", "-show_entries",
                 "format=duration:format_tags=artist,title,date,album,album_artist,genre,REPLAYGAIN_TRACK_GAIN:stream=codec_type,width,height:stream_disposition=attached_pic",
                 "-of", "default=noprint_wrappers=1", File }, out))
     return "(ffprobe cannot read it)";
  std::string duration = "?", tags, width, height;
  for (const auto &line : SplitLines(out)) {
      size_t eq = line.find('=');
      if (eq == std::string::npos)
         continue;
      std::string key = line.substr(0, eq), value = line.substr(eq + 1);
      // a stream's size comes before whether it is the attached cover picture
      if (key == "codec_type" || key == "width" || key == "height") {
         (key == "width" ? width : key == "height" ? height : width) = key == "codec_type" ? "" : value;
         if (key == "codec_type")
            height.clear();
      }
      else if (key == "DISPOSITION:attached_pic") {
         if (value == "1")
            tags += (tags.empty() ? "" : ", ") + std::string("cover ") + width + "x" + height;
      }
      else if (key == "duration") {
         int s = int(atof(value.c_str()) + 0.5);
         duration = std::to_string(s / 60) + ":" + (s % 60 < 10 ? "0" : "") + std::to_string(s % 60);
      }
      else {
         size_t colon = key.find(':'); // "TAG:artist"
         tags += (tags.empty() ? "" : ", ") + (colon == std::string::npos ? key : key.substr(colon + 1)) + "=" + value;
      }
  }
  return duration + (tags.empty() ? "" : "  " + tags);
}

// A line of tracks.conf, "artist:title:year:start:duration:status:channel" with '|'
// standing for ':' in artist and title.
struct tCatalogueLine {
  std::string artist, title;
  int year = 0, duration = 0, status = -1;
  bool Parse(const std::string &Line)
  {
    std::vector<std::string> f;
    size_t begin = 0;
    for (size_t colon; (colon = Line.find(':', begin)) != std::string::npos; begin = colon + 1)
        f.push_back(Line.substr(begin, colon - begin));
    f.push_back(Line.substr(begin));
    if (f.size() < 6)
       return false;
    for (int i = 0; i < 2; i++)
        std::replace(f[i].begin(), f[i].end(), '|', ':');
    artist = f[0];
    title = f[1];
    year = atoi(f[2].c_str());
    duration = atoi(f[4].c_str());
    status = atoi(f[5].c_str());
    return true;
  }
  std::string Name(void) const { return artist + " - " + title + " (" + std::to_string(year) + ")"; }
};

static std::vector<tCatalogueLine> ReadCatalogue(const std::string &Path)
{
  std::vector<tCatalogueLine> tracks;
  for (const auto &line : SplitLines(ReadTextFile(Path))) {
      tCatalogueLine t;
      if (t.Parse(line))
         tracks.push_back(t);
  }
  return tracks;
}

// --- the demo ------------------------------------------------------------------

namespace {

class cDemo {
private:
  std::string dir, pluginDir, dataDir;
  tHostOptions options;
  std::vector<tDemoEvent> events;
  std::vector<std::string> executed;
  cSession *session;
  cScript *script;
  int step, steps;
  bool haveMedia;
  std::string recordingDir;
  std::vector<std::string> selected; // the tracks that got marks
  std::vector<int> aired, guided;    // each event's real and guide start, seconds after the timer's
  int airedEnd, guidedEnd;
  void Say(const char *Format, ...) __attribute__((format(printf, 2, 3)));
  void Step(const char *Format, ...) __attribute__((format(printf, 2, 3)));
  bool Run(const std::string &Line);
  bool Prepare(void);
  bool StartHost(void);
  bool Broadcast(void);
  bool Record(void);
  bool Mark(void);
  bool Automatic(void);
  bool ListMedia(const char *What, const std::string &Folder, const char *Extension);
  bool ListClipInfo(void);
  bool ListPlaylist(void);
  bool Summary(void);
  void MarkLandings(const std::vector<std::string> &Marks);
  void SaveScript(void);
  std::string PluginConfig(const char *File) const { return options.configDir + "/plugins/vimora/" + File; }
  std::string ClipsFolder(void) const { return dir + "/clips"; }

public:
  cDemo(const std::string &PluginDir, const std::string &Dir);
  ~cDemo();
  int Main(void);
};

cDemo::cDemo(const std::string &PluginDir, const std::string &Dir)
{
  dir = Dir;
  pluginDir = PluginDir;
  dataDir = FindInstalled("../share/vimora", "demo-guide.conf", VIMORA_SOURCE_DATA_DIR);
  session = NULL;
  script = NULL;
  step = 0;
  airedEnd = guidedEnd = 0;
  haveMedia = HaveProgram("ffmpeg") && HaveProgram("ffprobe");
  steps = 6;
}

cDemo::~cDemo()
{
  delete script;
  delete session;
}

void cDemo::Say(const char *Format, ...)
{
  va_list ap;
  va_start(ap, Format);
  vprintf(Format, ap);
  va_end(ap);
  putchar('\n');
  fflush(stdout);
}

void cDemo::Step(const char *Format, ...)
{
  char buf[512];
  va_list ap;
  va_start(ap, Format);
  vsnprintf(buf, sizeof(buf), Format, ap);
  va_end(ap);
  printf("\n[%d/%d] %s\n", ++step, steps, buf);
  fflush(stdout);
}

// A line of the script language, kept for demo.script.
bool cDemo::Run(const std::string &Line)
{
  executed.push_back(Line);
  if (script->Execute(Line))
     return true;
  Say("  FAILED: %s: %s", Line.c_str(), script->Error().c_str());
  Say("  on screen:\n%s", Skins.TextSkin()->Screen().Render().c_str());
  return false;
}

static bool CopyFile(const std::string &From, const std::string &To)
{
  std::string content = ReadTextFile(From);
  return !content.empty() && WriteTextFile(To, content);
}

static std::string ClockText(time_t Time)
{
  struct tm tm;
  char buf[32];
  strftime(buf, sizeof(buf), "%H:%M", localtime_r(&Time, &tm));
  return buf;
}

bool cDemo::Prepare(void)
{
  Step("Preparing the folder %s", dir.c_str());
  std::vector<std::string> entries;
  if (FolderEntries(dir, entries) && !entries.empty()) {
     if (std::find(entries.begin(), entries.end(), DemoMarker) == entries.end()) {
        Say("  %s exists and is no demo folder: choose another one", dir.c_str());
        return false;
     }
     // a demo folder of an earlier run starts afresh
     for (const char *sub : { "config", "video", "audio", "clips", "demo.script" })
         RemoveFileOrDir((dir + "/" + sub).c_str());
  }
  options.configDir = dir + "/config";
  options.videoDir = dir + "/video";
  options.audioDir = dir + "/audio";
  options.pluginDir = pluginDir;
  for (const auto &d : { options.configDir + "/plugins/vimora", options.videoDir, options.audioDir, ClipsFolder() }) {
      if (!MakeDirs(d.c_str(), true)) {
         Say("  cannot create %s", d.c_str());
         return false;
      }
  }
  std::string error;
  if (!WriteTextFile(dir + "/" + DemoMarker, "made by vimora-host --demo\n") ||
      !CopyFile(dataDir + "/channels.conf", options.configDir + "/channels.conf") ||
      !CopyFile(dataDir + "/blacklist.conf", PluginConfig("blacklist.conf")) ||
      !WriteTextFile(options.configDir + "/setup.conf", haveMedia ? DemoSetupWithMedia : DemoSetup) ||
      !ReadDemoGuide(dataDir + "/demo-guide.conf", events, error)) {
     Say("  cannot set up the demo from %s: %s", dataDir.c_str(), error.empty() ? "files missing" : error.c_str());
     return false;
  }
  Say("  channels.conf: VimoraMusic and Nordlicht TV");
  Say("  blacklist.conf: %s", "\"Kestrel Dawn;glass harbour\"");
  Say("  setup.conf: %s", "refinemarks on: the cut marks go to the song boundaries in the recorded sound");
  if (haveMedia)
     Say("  setup.conf: %s", "autoconvert \"audio and video\": when the recording ends, its marks, clips and\n"
         "  tagged audio files are made without a key");
  else
     Say("  ffmpeg is missing: the recording gets no media, so the demo presses green and stops after\n"
         "  the marks (scripts/install-deps installs it)");
  return true;
}

bool cDemo::StartHost(void)
{
  // the library's folders as a recorder's argument file names them
  options.plugins.push_back("vimora -v 2 -a " + options.audioDir + " -d " + ClipsFolder());
  bool rozerez = access((pluginDir + "/libvdr-rozerez.so").c_str(), F_OK) == 0;
  if (rozerez)
     options.plugins.push_back("rozerez");
  Step("Starting the host with the plug-ins vimora%s, the clock as fast as the work allows", rozerez ? " and rozerez" : "");
  cClock::SetManual();
  cClock::SetTime((time(NULL) / 60 + 1) * 60);
  session = new cSession(options);
  if (!session->Start())
     return false;
  script = new cScript(*session);
  return true;
}

// The guide's error for the event Number: the same spread of -GuideError..GuideError
// seconds in every run.
static int GuideErrorOf(int Number)
{
  return (Number * 11 + 7) % (2 * GuideError + 1) - GuideError;
}

bool cDemo::Broadcast(void)
{
  int tracks = std::count_if(events.begin(), events.end(), [](const tDemoEvent &e) { return e.IsTrack(); });
  Step("A guide of %d music videos and %d announcements, each off by up to %d seconds from what the channel\n"
       "really airs; a timer records the block", tracks, int(events.size()) - tracks, GuideError);
  int at = LeadIn;
  for (size_t i = 0; i < events.size(); i++) {
      aired.push_back(at);
      // the guide keeps its items in order, each at least a few seconds long
      int guide = at + GuideErrorOf(int(i));
      guided.push_back(i == 0 ? guide : std::max(guide, guided[i - 1] + 5));
      at += events[i].duration;
  }
  airedEnd = at;
  guidedEnd = std::max(at + GuideErrorOf(int(events.size())), guided.back() + 5);
  for (size_t i = 0; i < events.size(); i++) {
      int guideEnd = i + 1 < events.size() ? guided[i + 1] : guidedEnd;
      if (!Run(*cString::sprintf("event %s +%d %d %s", MusicChannelID, guided[i], guideEnd - guided[i], events[i].title.c_str())) ||
          !Run(*cString::sprintf("onair %s +%d %d transition=%s %s", MusicChannelID, aired[i], events[i].duration, events[i].transition.c_str(),
                                 events[i].title.c_str())))
         return false;
  }
  at = std::max(airedEnd, guidedEnd);
  if (!Run(*cString::sprintf("event 2 +0 %d Nordlicht Nachrichten", at)))
     return false;
  int stop = (at + RecordingSlack + 59) / 60 * 60;
  if (!Run(*cString::sprintf("timer %s +0 +%d Vimora Night Block", MusicChannelID, stop)))
     return false;
  Say("  %d:%02d of broadcast, recorded from %s for %d minutes", at / 60, at % 60, ClockText(script->Start()).c_str(), stop / 60);
  return true;
}

bool cDemo::Record(void)
{
  Step("Recording; the grabber catalogues every music video on air");
  time_t end = script->Start() + 24 * 3600;
  bool started = false;
  // the last events, and with media the work the recording's end starts, at a pace that
  // does not wait for that work to sleep
  time_t paced = script->Start() + airedEnd + RecordingSlack - ProgressEvery;
  while (cClock::Now() < end) {
    if (haveMedia && cClock::Now() >= paced && !Run(*cString::sprintf("speed %d", ConversionSpeed)))
       return false;
    if (!Run(*cString::sprintf("wait %d", ProgressEvery)))
       return false;
    std::vector<std::string> running = RunningRecordings();
    started = started || !running.empty();
    Say("  %s | %d tracks catalogued", StatusLine().c_str(), int(SplitLines(ReadTextFile(PluginConfig("tracks.conf"))).size()));
    if (started && running.empty())
       break;
  }
  std::vector<std::string> recordings = MatchPaths(options.videoDir + "/*/*.rec");
  if (recordings.size() != 1) {
     Say("  expected one recording in %s, found %d", options.videoDir.c_str(), int(recordings.size()));
     return false;
  }
  recordingDir = recordings[0];
  Say("  recorded %s", recordingDir.c_str());
  return true;
}

bool cDemo::Mark(void)
{
  Step("The plug-in's menu: the recording, then green writes the cut marks");
  if (!Run("key Menu") || !Run("expect Vimora") || !Run("key Ok") || !Run("expect Vimora Recordings"))
     return false;
  Say("%s", Skins.TextSkin()->Screen().Render().c_str());
  // The search for the song boundaries is real work, done without sleeping: time passes
  // at a steady pace meanwhile, as during the conversion.
  if (!Run("key Green") || !Run("expect Searching the song boundaries") || !Run(*cString::sprintf("speed %d", ConversionSpeed)) ||
      !Run("wait-idle") || !Run("speed max") || !Run("expect Marks created!"))
     return false;
  Say("  %s", LastMessage().c_str());
  for (const auto &t : ReadCatalogue(PluginConfig("tracks.conf")))
      if (t.status == 0)
         selected.push_back(t.Name());
  return true;
}

bool cDemo::Automatic(void)
{
  Step("No key: the recording's end started its marks (on the song boundaries), its clips and its audio files");
  // Finding the boundaries and converting are real work, done without sleeping: time
  // passes at a steady pace meanwhile instead of waiting for the work to sleep.
  if (!Run(*cString::sprintf("speed %d", ConversionSpeed)))
     return false;
  Say("  the clock runs at x%d while the plug-in works", ConversionSpeed);
  executed.push_back("wait-idle");
  cPlugin *vimora = cPluginManager::GetPlugin("vimora");
  std::string shown;
  for (auto end = std::chrono::steady_clock::now() + ConversionLimit; session->Busy(); ) {
      if (std::chrono::steady_clock::now() >= end) {
         Say("  the conversion did not end within %d minutes", int(ConversionLimit.count()));
         return false;
      }
      session->Step(1000);
      const char *entry = vimora ? vimora->MainMenuEntry() : NULL;
      if (entry && shown != entry) {
         shown = entry;
         Say("  main menu entry: %s", entry);
      }
  }
  if (!Run("speed max"))
     return false;
  for (const auto &m : Skins.TextSkin()->Screen().messages)
      Say("  message %s", m.c_str());
  // The conversion marks every track of the recording converted, the skipped ones too; the
  // grabber's decisions in the plug-in's log tell which were selected.
  std::string added;
  for (const auto &line : SplitLines(ReadTextFile(PluginConfig("vimora.log")))) {
      size_t is = line.find(" is: "), start = line.rfind(" (start: ");
      if (line.find("add event on ") != std::string::npos && is != std::string::npos && start > is) {
         if (!added.empty())
            selected.push_back(added);
         added = line.substr(is + 5, start - is - 5);
      }
      else if (line.find("in blacklist - ignored") != std::string::npos || line.find("already done") != std::string::npos)
         added.clear();
  }
  if (!added.empty())
     selected.push_back(added);
  return true;
}

// Lists a folder's media files with their lengths and tags; false when the folder
// lacks one of Expected (names without extension) with the extension Extension.
bool cDemo::ListMedia(const char *What, const std::string &Folder, const char *Extension)
{
  Say("  %s, %s:", What, Folder.c_str());
  std::vector<std::string> names, all;
  FolderEntries(Folder, all);
  std::string extension = Extension;
  for (const auto &n : all)
      if (n.size() > extension.size() && n.compare(n.size() - extension.size(), extension.size(), extension) == 0)
         names.push_back(n);
  // ffprobe takes a moment to start: all files are looked at at once
  std::vector<std::future<std::string>> summaries;
  for (const auto &n : names)
      summaries.push_back(std::async(std::launch::async, MediaSummary, Folder + "/" + n));
  for (size_t i = 0; i < names.size(); i++)
      Say("    %s  %s", names[i].c_str(), summaries[i].get().c_str());
  bool complete = true;
  for (const auto &s : selected) {
      if (std::find(names.begin(), names.end(), s + Extension) == names.end()) {
         Say("    MISSING: %s%s", s.c_str(), Extension);
         complete = false;
      }
  }
  return complete;
}

bool cDemo::Summary(void)
{
  Step("What the demo made");
  static const char *statusNames[] = { "selected", "skipped", "converted" };
  std::vector<tCatalogueLine> catalogue = ReadCatalogue(PluginConfig("tracks.conf"));
  Say("  The catalogue, %s:", PluginConfig("tracks.conf").c_str());
  for (const auto &t : catalogue)
      Say("    %-9s %s, %d:%02d", t.status >= 0 && t.status <= 2 ? statusNames[t.status] : "?", t.Name().c_str(), t.duration / 60, t.duration % 60);
  bool complete = true;
  for (const auto &e : events) {
      if (e.IsTrack() && std::none_of(catalogue.begin(), catalogue.end(), [&](const tCatalogueLine &t) { return t.Name() == e.FileBaseName(); })) {
         Say("    MISSING: %s", e.title.c_str());
         complete = false;
      }
  }
  if (recordingDir.empty())
     return false;
  std::vector<std::string> marks = SplitLines(ReadTextFile(recordingDir + "/marks"));
  Say("  The marks, %s/marks:", recordingDir.c_str());
  for (const auto &m : marks)
      Say("    %s", m.c_str());
  if (selected.empty() || marks.size() != 2 * selected.size()) {
     Say("    MISSING: a pair of marks for each of the %d selected tracks", int(selected.size()));
     complete = false;
  }
  MarkLandings(marks);
  if (!haveMedia) {
     Say("  No clips and no audio files: ffmpeg is missing.");
     return complete;
  }
  complete = ListMedia("The video clips", ClipsFolder(), ".ts") && complete;
  complete = ListClipInfo() && complete;
  complete = ListMedia("The audio files", options.audioDir, ".mp3") && complete;
  complete = ListPlaylist() && complete;
  Say(complete ? "\n  Everything the demo should make is there." : "\n  Some files the demo should make are missing.");
  return complete;
}

// The text of each element of an NFO, "title=..., artist=...", as it stands in the file.
static std::string NfoSummary(const std::string &Text)
{
  std::string summary;
  for (size_t open = Text.find("<", Text.find("<musicvideo>") + 1); open != std::string::npos; open = Text.find("<", open + 1)) {
      size_t close = Text.find('>', open);
      if (close == std::string::npos || Text[open + 1] == '/')
         continue;
      std::string name = Text.substr(open + 1, close - open - 1);
      size_t end = Text.find("</" + name + ">", close);
      if (end != std::string::npos)
         summary += (summary.empty() ? "" : ", ") + name + "=" + Text.substr(close + 1, end - close - 1);
  }
  return summary;
}

bool cDemo::ListClipInfo(void)
{
  Say("  Beside each clip, the NFO and the thumbnail that media centres read:");
  bool complete = true;
  for (const auto &s : selected) {
      std::string base = ClipsFolder() + "/" + s, nfo = ReadTextFile(base + ".nfo"), size;
      if (nfo.empty() || !Capture({ "ffprobe", "-v", "error", "-show_entries", "stream=width,height", "-of", "csv=p=0:s=x", base + "-thumb.jpg" }, size)) {
         Say("    MISSING: %s.nfo or %s-thumb.jpg", s.c_str(), s.c_str());
         complete = false;
         continue;
      }
      Say("    %s.nfo  %s", s.c_str(), NfoSummary(nfo).c_str());
      Say("    %s-thumb.jpg  %s", s.c_str(), SplitLines(size).empty() ? "?" : SplitLines(size)[0].c_str());
  }
  return complete;
}

bool cDemo::ListPlaylist(void)
{
  std::vector<std::string> names;
  FolderEntries(options.audioDir, names);
  for (const auto &n : names) {
      if (n.size() > 4 && n.compare(n.size() - 4, 4, ".m3u") == 0) {
         Say("  The playlist of the recording, %s/%s:", options.audioDir.c_str(), n.c_str());
         for (const auto &line : SplitLines(ReadTextFile(options.audioDir + "/" + n)))
             Say("    %s", line.c_str());
         return true;
      }
  }
  Say("    MISSING: the recording's playlist in %s", options.audioDir.c_str());
  return false;
}

// For each marked track: how far the guide was off the real item, and where its marks
// landed against where the song's sound begins and ends (after the item's transition: a
// gap of 0.52 to 1 s, a dip of 0.2 s, a fade of 0.5 s, nothing at a cut). A mark goes to
// an I-frame, one every 0.48 s: a start mark lies up to that after its song's sound
// begins, an end mark up to that before it ends.
void cDemo::MarkLandings(const std::vector<std::string> &Marks)
{
  Say("  How far the guide was off, and where the marks landed against the song's sound (seconds;\n"
      "  + is later than the real time):");
  Say("    %-61s  %-7s  %-15s  %s", "track", "begins", "guide start/end", "marks start/end");
  int marks = 0, near = 0;
  double worst = 0;
  double fps = cRecording(recordingDir.c_str()).FramesPerSecond();
  const double Near = 0.5;
  for (size_t i = 0; i < events.size(); i++) {
      const tDemoEvent &e = events[i];
      // the comment as green writes it, or the clip name cutting gave it
      std::string comment = e.artist + "|" + e.song + "|" + *cString::sprintf("%04d", e.year);
      auto mark = std::find_if(Marks.begin(), Marks.end(), [&](const std::string &m) {
        size_t blank = m.find(' ');
        return blank != std::string::npos && (m.substr(blank + 1) == comment || m.substr(blank + 1) == e.FileBaseName());
      });
      if (!e.IsTrack() || mark == Marks.end() || mark + 1 == Marks.end())
         continue;
      eTransition transition = trSilence;
      ParseTransition(e.transition, transition);
      double soundStart = aired[i] + MediaLeadFrames(script->Start() + aired[i], transition, int(fps)) / fps;
      int realEnd = i + 1 < events.size() ? aired[i + 1] : airedEnd;
      int guideEnd = i + 1 < events.size() ? guided[i + 1] : guidedEnd;
      double start = HMSFToIndex(mark->c_str(), fps) / fps - soundStart;
      double end = HMSFToIndex((mark + 1)->c_str(), fps) / fps - realEnd;
      Say("    %-61s  %-7s  %+5d %+5d      %+6.2f %+6.2f", e.FileBaseName().c_str(), e.transition.c_str(), guided[i] - aired[i],
          guideEnd - realEnd, start, end);
      marks += 2;
      near += (start >= 0 && start <= Near) + (end <= 0 && end >= -Near);
      worst = std::max({ worst, fabs(start), fabs(end) });
  }
  if (marks && near == marks)
     Say("  Every mark of the %d lies within %.1f s of where its song's sound begins or ends, inside the song\n"
         "  (the worst %.2f s off)", marks, Near, worst);
  else
     Say("  %d of %d marks lie within %.1f s of where their song's sound begins or ends, inside the song\n"
         "  (the worst %.2f s off)", near, marks, Near, worst);
}

// What the demo did, as a script to run again by hand.
void cDemo::SaveScript(void)
{
  std::string text = "# The demo's road as a script. In a fresh folder, run it with\n"
                     "#   vimora-host -c config -v video -L " + pluginDir + " -a audio";
  for (std::string p : options.plugins) {
      // the folders relative to the demo's, where the script is run
      for (size_t at; (at = p.find(dir + "/")) != std::string::npos;)
          p.erase(at, dir.size() + 1);
      text += " -P \"" + p + "\"";
  }
  text += " --script demo.script\n"
          "# with config/setup.conf holding:\n";
  for (const auto &line : SplitLines(haveMedia ? DemoSetupWithMedia : DemoSetup))
      text += "#   " + line + "\n";
  for (const auto &line : executed)
      text += line + "\n";
  WriteTextFile(dir + "/demo.script", text);
}

int cDemo::Main(void)
{
  bool ok = Prepare() && StartHost() && Broadcast() && Record() && (haveMedia ? Automatic() : Mark());
  if (session)
     SaveScript();
  bool made = session && Summary();
  if (session)
     session->Stop();
  return ok && made ? 0 : 1;
}

} // namespace

int RunDemo(const std::string &PluginDir, const std::string &Dir)
{
  cDemo demo(PluginDir, Dir);
  return demo.Main();
}

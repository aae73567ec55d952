#include "audio_thread.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/i18n.h>
#include <vdr/recording.h>
#include <vdr/skins.h>

#include "audio_silence.h"
#include "compat.h"
#include "library.h"
#include "log.h"
#include "menu_convert.h"
#include "menu_recs.h"
#include "tracks.h"
#include "vimora_config.h"

// A stop normally ends within half a second (the script gets SIGTERM, then SIGKILL);
// only a cut cannot be interrupted. Killing the thread is a last resort that could
// leave half a clip behind, so it waits that long for it.
static const int StopWaitSeconds = 10;

// A script's message is its last words: enough for ffmpeg's complaint and the script's
// own line, not a whole run's chatter in the log.
static const size_t MaxMessageBytes = 1000;

cMutex cConvertToAudioThread::instanceMutex;
cConvertToAudioThread *cConvertToAudioThread::ended = NULL;
tConversionOutcome cConvertToAudioThread::outcome;
bool cConvertToAudioThread::cutting = false;
std::atomic<cConvertToAudioThread *> cConvertToAudioThread::m_Instance(NULL);
std::atomic<int> cConvertToAudioThread::progress(0);
std::atomic<int> cConvertToAudioThread::failures(0);

std::string tConversionOutcome::Text(void) const
{
  if (stopped)
     return "stopped";
  if (!error.empty())
     return error;
  if (videoOnly)
     return cutError.empty() ? "video clips cut" : "video clips failed: " + cutError;
  int converted = tracks - failed;
  std::string text = failed ? *cString::sprintf("%d of %d tracks converted, %d failed", converted, tracks, failed)
                            : *cString::sprintf("%d tracks converted", converted);
  return cutError.empty() ? text : text + "; video clips failed: " + cutError;
}

// Appends copies of From's marks, comments included, to To; they are written at the
// rate of Recording, as the recorder wrote them.
static void CopyMarks(const cMarks &From, cMarks &To, const cRecording *Recording)
{
  double framesPerSecond = cFrameRate(Recording).FramesPerSecond();
  for (const cMark *m = From.First(); m; m = From.Next(m))
      To.cListBase::Add(new cMark(m->Position(), m->Comment(), framesPerSecond));
}

// Empties Marks; unlike Load() it stays bound to the marks file.
static void RemoveMarks(cMarks &Marks)
{
  while (cMark *m = Marks.First())
    Marks.Del(m);
}

// The variables that hand the recorder's preferred audio languages, the naming pattern
// and the audio folder of the command line to the script, as assignments before its
// command; without a folder the script's environment names it.
static std::string ScriptAssignments(void)
{
  std::string languages;
  for (const std::string &l : PreferredAudioLanguages())
      languages += (languages.empty() ? "" : " ") + l;
  std::string assignments = "VIMORA_AUDIO_LANGUAGES=" + ShellQuoted(languages) + " VIMORA_AUDIO_NAME=" + ShellQuoted(VimoraConfig.audioname) + " ";
  if (!VimoraConfig.audiodir.empty())
     assignments += "VIMORA_AUDIO_DIR=" + ShellQuoted(VimoraConfig.audiodir) + " ";
  return assignments;
}

// The end of a file, at most MaxBytes of it.
static std::string FileEnd(const char *FileName, size_t MaxBytes)
{
  std::string text;
  FILE *f = fopen(FileName, "r");
  if (!f)
     return text;
  if (fseek(f, 0, SEEK_END) == 0 && ftell(f) > long(MaxBytes))
     fseek(f, -long(MaxBytes), SEEK_END);
  else
     rewind(f);
  char buffer[512];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
    text.append(buffer, n);
  fclose(f);
  return text;
}

// The text without the line ends at its end.
static std::string Chomped(std::string Text)
{
  while (!Text.empty() && (Text.back() == '\n' || Text.back() == '\r'))
    Text.pop_back();
  return Text;
}

// The lines of a text as one line, for the log.
static std::string OneLine(const std::string &Text)
{
  std::string line = Chomped(Text);
  for (char &c : line)
      if (c == '\n' || c == '\r')
         c = '|';
  return line;
}

// The last line of a text.
static std::string LastLine(const std::string &Text)
{
  std::string text = Chomped(Text);
  size_t newline = text.rfind('\n');
  return newline == std::string::npos ? text : text.substr(newline + 1);
}

// A file of our own for what a command writes, removed when it goes.
class cCommandOutput {
private:
  char name[64];
  bool made;

public:
  cCommandOutput(void)
  {
    const char *dir = getenv("TMPDIR");
    snprintf(name, sizeof(name), "%s/vimora-script.XXXXXX", dir && *dir && strlen(dir) < 40 ? dir : "/tmp");
    int fd = mkstemp(name);
    made = fd >= 0;
    if (made)
       close(fd);
  }
  ~cCommandOutput() { if (made) unlink(name); }
  bool Made(void) const { return made; }
  const char *Name(void) const { return name; }
};

bool cConvertToAudioThread::RunScript(const std::string &Command, std::string &File, std::string &Failure)
{
  cCommandOutput out, err;
  if (!out.Made() || !err.Made()) {
     Failure = *cString::sprintf("no file for the script's output: %s", strerror(errno));
     return false;
  }
  int status = CommandExitCode(SystemExec((Command + " >" + ShellQuoted(out.Name()) + " 2>" + ShellQuoted(err.Name())).c_str()));
  std::string message = OneLine(FileEnd(err.Name(), MaxMessageBytes));
  File = LastLine(FileEnd(out.Name(), PATH_MAX + 1));
  struct stat st;
  if (status != 0)
     Failure = status > 0 ? *cString::sprintf("exit status %d", status) : std::string("did not exit");
  else if (File.empty() || stat(File.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
     Failure = File.empty() ? "names no file it wrote" : "the file it names is not there: " + File;
  else
     return true;
  if (!message.empty())
     Failure += ": " + message;
  return false;
}

std::string cConvertToAudioThread::Command(const char *Script, const std::string &Directory, const std::string &Title, const std::string &Artist, const std::string &Year)
{
  return std::string(Script) + " " + ShellQuoted(Directory) + " " + ShellQuoted(Title) + " " + ShellQuoted(Artist) + " " + ShellQuoted(Year);
}

cConvertToAudioThread::cConvertToAudioThread(const cRecording *Recording, bool WithAudio, bool WithVideo)
  : cThread("vimora: convert to audio")
{
  withAudio = WithAudio;
  withVideo = WithVideo;
  // the recordings list may drop its object while the conversion runs
  recording = CopyRecording(Recording);
}

cConvertToAudioThread::~cConvertToAudioThread()
{
  Stop();
  delete recording;
}

void cConvertToAudioThread::Stop(void)
{
  Cancel(StopWaitSeconds);
}

void cConvertToAudioThread::DeleteEnded(void)
{
  cConvertToAudioThread *done;
  {
    cMutexLock lock(&instanceMutex);
    done = ended;
    ended = NULL;
  }
  delete done; // waits for the last steps of its thread
}

void cConvertToAudioThread::Init(const cRecording *Recording, bool WithVideo)
{
  Launch(Recording, true, WithVideo);
}

void cConvertToAudioThread::InitCut(const cRecording *Recording)
{
  Launch(Recording, false, true);
}

void cConvertToAudioThread::Launch(const cRecording *Recording, bool WithAudio, bool WithVideo)
{
  DeleteEnded();
  // the menus and the SVDRP commands may start one at the same moment
  cMutexLock lock(&instanceMutex);
  if (m_Instance || cutting || !Recording)
     return;
  progress = 0;
  failures = 0;
  cConvertToAudioThread *thread = new cConvertToAudioThread(Recording, WithAudio, WithVideo);
  m_Instance = thread;
  if (!thread->Start()) {
     m_Instance = NULL;
     delete thread;
  }
}

bool cConvertToAudioThread::CutAlone(const cRecording *Recording, std::string &Error)
{
  {
    cMutexLock lock(&instanceMutex);
    if (m_Instance || cutting) {
       Error = "A conversion is running";
       return false;
    }
    cutting = true;
  }
  bool cut = cMenuConvert::CutClips(Recording, Error);
  cMutexLock lock(&instanceMutex);
  cutting = false;
  return cut;
}

bool cConvertToAudioThread::Busy(void)
{
  cMutexLock lock(&instanceMutex);
  return m_Instance || cutting;
}

bool cConvertToAudioThread::Status(std::string &Name, int &Progress)
{
  // an instance is deleted only after it was taken out of m_Instance under this lock
  cMutexLock lock(&instanceMutex);
  cConvertToAudioThread *thread = m_Instance;
  if (!thread)
     return false;
  Name = thread->recording->Name();
  Progress = progress;
  return true;
}

tConversionOutcome cConvertToAudioThread::LastOutcome(void)
{
  cMutexLock lock(&instanceMutex);
  return outcome;
}

void cConvertToAudioThread::Exit(void)
{
  cConvertToAudioThread *thread = m_Instance;
  if (thread) {
     thread->Stop();
     {
       cMutexLock lock(&instanceMutex);
       if (ended == thread)
          ended = NULL;
       m_Instance = NULL;
     }
     delete thread;
  }
  DeleteEnded();
}

void cConvertToAudioThread::Ended(const tConversionOutcome &Outcome)
{
  cMutexLock lock(&instanceMutex);
  outcome = Outcome;
  cConvertToAudioThread *self = this;
  m_Instance.compare_exchange_strong(self, NULL);
  ended = this;
}

// When the catalogued song Name («artist - title») aired in the recording: the first
// broadcast of it from the recording's start on.
static time_t AiredIn(const cRecording *Recording, const std::string &Name)
{
  time_t aired = 0, start = Recording->Start();
  cTracksLock lock(Tracks);
  for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t)) {
      if (t->startTime >= start && (!aired || t->startTime < aired) && t->artist + " - " + t->title == Name)
         aired = t->startTime;
  }
  return aired;
}

void cConvertToAudioThread::WritePlaylist(const std::vector<tPlaylistEntry> &Songs)
{
  std::string folder = AudioFolder(), name = PlaylistName(recording), error;
  std::vector<tPlaylistEntry> songs = MergedPlaylist(folder, Songs, ReadPlaylist(folder, name),
                                                     [this](const std::string &Name) { return AiredIn(recording, Name); });
  if (!::WritePlaylist(folder, name, songs, error))
     LogFile.eSysLog("%s", error.c_str());
}

void cConvertToAudioThread::Finish(std::vector<tTrackPair> &Pairs, tConversionOutcome &Outcome)
{
  if (withVideo && !cMenuConvert::CallCutter(recording, Outcome.cutError)) {
     for (tTrackPair &p : Pairs) // a track is done when all that was asked of it is made
         p.converted = false;
  }
  Tracks.SetConverted(recording, Pairs);
  if (Outcome.failed)
     Skins.QueueMessage(mtError, *cString::sprintf(tr("Vimora audio conversion: %d of %d tracks failed!"), Outcome.failed, Outcome.tracks));
  if (!Outcome.cutError.empty())
     Skins.QueueMessage(mtError, Outcome.cutError.c_str());
  else if (!withVideo && !Outcome.failed)
     Skins.QueueMessage(mtInfo, tr("Vimora audio conversion finished!"));
}

void cConvertToAudioThread::CutVideo(void)
{
  Skins.QueueMessage(mtInfo, tr("Vimora video cut started!"));
  tConversionOutcome result;
  result.name = recording->Name();
  result.videoOnly = true;
  // CutClips has logged a failure; the cutter's own words tell the user what went wrong
  if (cMenuConvert::CutClips(recording, result.cutError)) {
     progress = 100;
     Skins.QueueMessage(mtInfo, tr("Vimora video cut finished!"));
  }
  else
     Skins.QueueMessage(mtError, result.cutError.c_str());
  LogFile.Log(1, "video cut ended for %s: %s", recording->FileName(), result.Text().c_str());
  Ended(result);
}

void cConvertToAudioThread::Action(void)
{
  cCondWait::SleepMs(5);
  SetPriority(19);
  if (!withAudio) {
     // stopped before it began: nothing was cut
     if (!Running()) {
        tConversionOutcome result;
        result.name = recording->Name();
        result.stopped = true;
        Ended(result);
     }
     else
        CutVideo();
     return;
  }
  Skins.QueueMessage(mtInfo, tr("Vimora audio conversion started!"));
  tConversionOutcome result;
  result.name = recording->Name();
  cMarks marks;
  LoadMarks(marks, recording);
  if (marks.Count() == 0) {
     Ended(result);
     return;
  }
  // told once, not as a failure of every track
  if (!VimoraConfig.audiodir.empty()) {
     std::string problem = FolderProblem(VimoraConfig.audiodir);
     if (!problem.empty()) {
        result.error = "cannot write into the audio folder " + VimoraConfig.audiodir + ": " + problem;
        LogFile.eSysLog("audio conversion of %s not started: %s", recording->FileName(), result.error.c_str());
        Skins.QueueMessage(mtError, FolderMessage(VimoraConfig.audiodir, problem).c_str());
        Ended(result);
        return;
     }
  }
  cMarks backup;
  CopyMarks(marks, backup, recording);
  backup.Sort();
  RemoveMarks(marks);
  progress = 0;
  failures = 0;
  const char *script = VimoraConfig.audioformat ? "vimora2ogg.sh" : "vimora2mp3.sh";
  std::string assignments = ScriptAssignments();
  std::vector<tTrackPair> pairs;
  std::vector<tPlaylistEntry> playlist;
  cFrameRate rate(recording);
  int count = backup.Count();
  for (const cMark *start = backup.First(); start && Running(); start = backup.Next(start)) {
      const cMark *end = backup.Next(start);
      if (!end)
         break;
      marks.Add(start->Position());
      marks.Add(end->Position());
      marks.Save();
      std::vector<std::string> fields;
      Tokenize(start->Comment() ? start->Comment() : "", fields, "|");
      if (fields.size() >= 3) {
         LogFile.Log(1, "converting to mp3: %s", fields[1].c_str());
         std::string file, failure;
         bool converted = RunScript(assignments + Command(script, recording->FileName(), fields[1], fields[0], fields[2]), file, failure);
         // a script ended by a stop has not failed: the run has
         if (Running()) {
            if (!converted) {
               failures++;
               LogFile.eSysLog("converting to mp3 failed: %s|%s|%s: %s %s", fields[0].c_str(), fields[1].c_str(), fields[2].c_str(), script, failure.c_str());
            }
            pairs.push_back({ start->Position(), end->Position(), fields[0], fields[1], fields[2], converted });
            if (converted)
               playlist.push_back({ file, int(rate.Seconds(end->Position() - start->Position()) + 0.5), fields[0] + " - " + fields[1],
                                    recording->Start() + time_t(rate.Seconds(start->Position())) });
            progress = (end->Index() + 1) * 100 / count;
         }
         RemoveMarks(marks);
         marks.Save();
      }
      else
         RemoveMarks(marks);
      start = end;
  }
  RemoveMarks(marks);
  CopyMarks(backup, marks, recording);
  if (!marks.Save())
     LogFile.eSysLog("could not restore the marks of %s", recording->FileName());
  result.tracks = int(pairs.size());
  result.failed = failures;
  result.stopped = !Running();
  if (!result.stopped) {
     if (!playlist.empty())
        WritePlaylist(playlist);
     Finish(pairs, result);
  }
  LogFile.Log(1, "audio conversion ended for %s: %s", recording->FileName(), result.Text().c_str());
  Ended(result);
}

#include "audio_thread.h"

#include <string.h>
#include <vdr/i18n.h>
#include <vdr/recording.h>
#include <vdr/skins.h>

#include "log.h"
#include "menu_convert.h"
#include "menu_recs.h"
#include "tracks.h"
#include "vimora_config.h"

// A stop normally ends within half a second (the script gets SIGTERM, then SIGKILL);
// only the cutting after a combined run cannot be interrupted. Killing the thread is a
// last resort that could leave half a clip behind, so it waits that long for it.
static const int StopWaitSeconds = 10;

cMutex cConvertToAudioThread::instanceMutex;
cConvertToAudioThread *cConvertToAudioThread::ended = NULL;
std::atomic<cConvertToAudioThread *> cConvertToAudioThread::m_Instance(NULL);
std::atomic<int> cConvertToAudioThread::progress(0);

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

// The text as one word between double quotes: the characters that stay special there
// are escaped, so that no value can end the word or run a command.
static std::string DoubleQuoted(const std::string &Text)
{
  std::string quoted = "\"";
  for (char c : Text) {
      if (c == '"' || c == '$' || c == '`' || c == '\\')
         quoted += '\\';
      quoted += c;
  }
  return quoted + "\"";
}

std::string cConvertToAudioThread::Command(const char *Script, const std::string &Directory, const std::string &Title, const std::string &Artist, const std::string &Year)
{
  return std::string(Script) + " " + DoubleQuoted(Directory) + " " + DoubleQuoted(Title) + " " + DoubleQuoted(Artist) + " " + DoubleQuoted(Year);
}

cConvertToAudioThread::cConvertToAudioThread(const cRecording *Recording, bool WithVideo)
  : cThread("vimora: convert to audio")
{
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
  DeleteEnded();
  // the menus and the SVDRP commands may start one at the same moment
  cMutexLock lock(&instanceMutex);
  if (m_Instance || !Recording)
     return;
  progress = 0;
  cConvertToAudioThread *thread = new cConvertToAudioThread(Recording, WithVideo);
  m_Instance = thread;
  if (!thread->Start()) {
     m_Instance = NULL;
     delete thread;
  }
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

void cConvertToAudioThread::Ended(void)
{
  cMutexLock lock(&instanceMutex);
  cConvertToAudioThread *self = this;
  m_Instance.compare_exchange_strong(self, NULL);
  ended = this;
}

void cConvertToAudioThread::Action(void)
{
  cCondWait::SleepMs(5);
  SetPriority(19);
  Skins.QueueMessage(mtInfo, tr("Vimora audio conversion started!"));
  cMarks marks;
  LoadMarks(marks, recording);
  if (marks.Count() == 0) {
     Ended();
     return;
  }
  cMarks backup;
  CopyMarks(marks, backup, recording);
  backup.Sort();
  RemoveMarks(marks);
  progress = 0;
  const char *script = VimoraConfig.audioformat ? "vimora2ogg.sh" : "vimora2mp3.sh";
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
         SystemExec(Command(script, recording->FileName(), fields[1], fields[0], fields[2]).c_str());
         if (Running())
            progress = (end->Index() + 1) * 100 / count;
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
  if (Running()) {
     Tracks.SetConverted(recording);
     if (withVideo)
        cMenuConvert::Cut(recording);
     else
        Skins.QueueMessage(mtInfo, tr("Vimora audio conversion finished!"));
  }
  Ended();
}

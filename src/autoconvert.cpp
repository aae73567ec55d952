#include "autoconvert.h"

#include <algorithm>
#include <errno.h>
#include <memory>
#include <unistd.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>
#include <vdr/thread.h>

#include "audio_thread.h"
#include "log.h"
#include "menu_recs.h"
#include "refine_thread.h"
#include "vimora_config.h"

namespace {

cMutex queueMutex;
std::vector<std::string> queue;
std::string marking; // the recording whose marks the search for song boundaries writes
std::string started; // the recording whose conversion this started, until it ends

cString QueueFileName(void)
{
  return AddDirectory(cPlugin::ConfigDirectory("vimora"), "autoconvert.queue");
}

// Whole or not at all, so that a crash never leaves a queue that names half a recording.
void SaveQueue(void)
{
  cString name = QueueFileName();
  if (queue.empty()) {
     if (remove(name) < 0 && errno != ENOENT)
        LogFile.eSysLog("could not remove '%s'", *name);
     return;
  }
  cSafeFile f(name);
  if (!f.Open()) {
     LogFile.eSysLog("could not write '%s'", *name);
     return;
  }
  bool ok = true;
  for (size_t i = 0; ok && i < queue.size(); i++)
      ok = fprintf(f, "%s\n", queue[i].c_str()) > 0;
  // a failed write shows again when the file is flushed, and the old file then stays
  if (!f.Close() || !ok)
     LogFile.eSysLog("could not write '%s'", *name);
}

// The listed recording in FileName, as a private copy; null when it is gone.
cRecording *ListedRecording(const std::string &FileName)
{
  LOCK_RECORDINGS_READ;
  const cRecording *recording = Recordings->GetByName(FileName.c_str());
  return recording ? CopyRecording(recording) : NULL;
}

} // namespace

void cAutoConvert::Load(void)
{
  cMutexLock lock(&queueMutex);
  queue.clear();
  FILE *f = fopen(QueueFileName(), "r");
  if (!f)
     return;
  cReadLine reader;
  while (char *line = reader.Read(f)) {
    if (*line)
       queue.push_back(line);
  }
  fclose(f);
  if (!queue.empty())
     LogFile.Log(1, "%d recordings wait for their conversion", int(queue.size()));
}

void cAutoConvert::RecordingEnded(const char *FileName)
{
  if (!FileName || VimoraConfig.autoconvert == acNo)
     return;
  cMutexLock lock(&queueMutex);
  for (const auto &f : queue)
      if (f == FileName)
         return;
  queue.push_back(FileName);
  SaveQueue();
  if (cConvertToAudioThread::m_Instance || queue.size() > 1)
     LogFile.Log(1, "conversion of '%s' queued", FileName);
}

// Starts the conversion of the recording whose cut marks are written.
static void StartConversion(const std::string &FileName)
{
  std::unique_ptr<cRecording> recording(ListedRecording(FileName));
  cMarks marks;
  if (!recording || !LoadMarks(marks, recording.get()) || marks.Count() < 2) {
     LogFile.Log(1, "conversion of '%s' dropped: %s", FileName.c_str(), recording ? "no marks to convert" : "the recording is gone");
     return;
  }
  bool withVideo = VimoraConfig.autoconvert == cAutoConvert::acAudioVideo && cPluginManager::GetPlugin("rozerez");
  cConvertToAudioThread::Init(recording.get(), withVideo);
  cMutexLock lock(&queueMutex);
  started = FileName;
  LogFile.Log(1, "conversion of '%s' started (%d tracks, %s)", FileName.c_str(), marks.Count() / 2, withVideo ? "audio and video" : "audio");
}

void cAutoConvert::Process(void)
{
  // one thing at a time, and what the user started goes first
  if (cConvertToAudioThread::Busy() || cRefineMarksThread::Busy())
     return;
  std::string fileName;
  {
    cMutexLock lock(&queueMutex);
    if (!started.empty()) {
       LogFile.Log(1, "conversion of '%s' finished: %s", started.c_str(), cConvertToAudioThread::LastOutcome().Text().c_str());
       started.clear();
    }
    fileName.swap(marking);
  }
  if (!fileName.empty()) {
     StartConversion(fileName); // the search has written the marks
     return;
  }
  {
    cMutexLock lock(&queueMutex);
    if (queue.empty())
       return;
    fileName = queue.front();
    queue.erase(queue.begin());
    SaveQueue();
  }
  std::unique_ptr<cRecording> recording(ListedRecording(fileName));
  if (!recording) {
     LogFile.Log(1, "conversion of '%s' dropped: the recording is gone", fileName.c_str());
     return;
  }
  // green's marks: the search for the song boundaries takes seconds, so it runs in the
  // background and the conversion follows when it is done
  std::vector<tMarkPair> pairs = GuideMarkPairs(recording.get());
  if (pairs.empty()) {
     LogFile.Log(1, "conversion of '%s' dropped: no selected track in it", fileName.c_str());
     return;
  }
  if (VimoraConfig.refinemarks) {
     cRefineMarksThread::Init(recording.get(), pairs, std::clamp(VimoraConfig.refinewindow, MinRefineWindow, MaxRefineWindow));
     cMutexLock lock(&queueMutex);
     marking = fileName;
     return;
  }
  if (!SaveMarkPairs(recording.get(), pairs)) {
     LogFile.Log(1, "conversion of '%s' dropped: its marks could not be written", fileName.c_str());
     return;
  }
  StartConversion(fileName);
}

bool cAutoConvert::Pending(void)
{
  cMutexLock lock(&queueMutex);
  return !queue.empty() || !marking.empty();
}

std::vector<std::string> cAutoConvert::Queue(void)
{
  cMutexLock lock(&queueMutex);
  return queue;
}

void cAutoConvert::Clear(void)
{
  cMutexLock lock(&queueMutex);
  queue.clear();
  marking.clear();
  started.clear();
}

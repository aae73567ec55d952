#include "autoconvert.h"

#include <errno.h>
#include <memory>
#include <unistd.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>
#include <vdr/thread.h>

#include "audio_thread.h"
#include "log.h"
#include "menu_recs.h"
#include "vimora_config.h"

namespace {

cMutex queueMutex;
std::vector<std::string> queue;
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

void cAutoConvert::Process(void)
{
  if (cConvertToAudioThread::m_Instance)
     return;
  std::string fileName;
  {
    cMutexLock lock(&queueMutex);
    if (!started.empty()) {
       LogFile.Log(1, "conversion of '%s' finished", started.c_str());
       started.clear();
    }
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
  int pairs = WriteCutMarks(recording.get());
  if (pairs <= 0) {
     LogFile.Log(1, "conversion of '%s' dropped: %s", fileName.c_str(), pairs < 0 ? "its marks could not be written" : "no selected track in it");
     return;
  }
  bool withVideo = VimoraConfig.autoconvert == acAudioVideo && cPluginManager::GetPlugin("rozerez");
  cConvertToAudioThread::Init(recording.get(), withVideo);
  cMutexLock lock(&queueMutex);
  started = fileName;
  LogFile.Log(1, "conversion of '%s' started (%d tracks, %s)", fileName.c_str(), pairs, withVideo ? "audio and video" : "audio");
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
  started.clear();
}

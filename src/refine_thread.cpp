#include "refine_thread.h"

#include <vdr/i18n.h>
#include <vdr/recording.h>
#include <vdr/skins.h>

#include "menu_recs.h"

// A stop ends the search within one read of the media.
static const int StopWaitSeconds = 10;

const char *SearchingBoundaries = "Searching the song boundaries...";

cRefineMarksThread *cRefineMarksThread::instance = NULL;
std::atomic<int> cRefineMarksThread::progress(0);

cRefineMarksThread::cRefineMarksThread(const cRecording *Recording, const std::vector<tMarkPair> &Pairs, int WindowSeconds)
  : cThread("vimora: song boundaries"), pairs(Pairs), windowSeconds(WindowSeconds)
{
  recording = CopyRecording(Recording);
}

cRefineMarksThread::~cRefineMarksThread()
{
  Cancel(StopWaitSeconds);
  delete recording;
}

void cRefineMarksThread::Init(const cRecording *Recording, const std::vector<tMarkPair> &Pairs, int WindowSeconds)
{
  if (Busy())
     return;
  Exit(); // one that has ended
  progress = 0;
  instance = new cRefineMarksThread(Recording, Pairs, WindowSeconds);
  if (!instance->Start())
     Exit();
}

void cRefineMarksThread::Exit(void)
{
  delete instance;
  instance = NULL;
}

bool cRefineMarksThread::Busy(void)
{
  return instance && instance->Active();
}

void cRefineMarksThread::Action(void)
{
  SetPriority(19);
  cIndexFile index(recording->FileName(), false, recording->IsPesRecording());
  cSilenceFinder finder(recording->FileName(), recording->IsPesRecording(), index, [this] { return Running(); });
  std::vector<tSilence> silences = SilencesAround(pairs, finder, windowSeconds, [](int Percent) { progress = Percent; });
  if (!Running())
     return;
  MoveMarks(pairs, index, silences, windowSeconds);
  if (SaveMarkPairs(recording, pairs))
     Skins.QueueMessage(mtInfo, tr("Marks created!"));
  else
     Skins.QueueMessage(mtError, tr("Error while accessing recording!"));
}

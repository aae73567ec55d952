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

bool FindSongBoundaries(const cRecording *Recording, std::vector<tMarkPair> &Pairs, int WindowSeconds,
                        std::function<bool()> GoOn, std::function<void(int)> Progress)
{
  cIndexFile index(Recording->FileName(), false, Recording->IsPesRecording());
  cFrameRate rate(Recording);
  cTransitionFinder finder(Recording->FileName(), Recording->IsPesRecording(), index, rate, GoOn);
  std::vector<tTransition> transitions = TransitionsAround(Pairs, finder, WindowSeconds, Progress);
  if (!GoOn())
     return false;
  MoveMarks(Pairs, index, transitions, WindowSeconds, rate, GuideNeighbours(Recording));
  return true;
}

void cRefineMarksThread::Action(void)
{
  SetPriority(19);
  if (!FindSongBoundaries(recording, pairs, windowSeconds, [this] { return Running(); }, [](int Percent) { progress = Percent; }))
     return;
  if (SaveMarkPairs(recording, pairs))
     Skins.QueueMessage(mtInfo, tr("Marks created!"));
  else
     Skins.QueueMessage(mtError, tr("Error while accessing recording!"));
}

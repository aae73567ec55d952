#include "menu_recs.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include <vector>
#include <vdr/i18n.h>
#include <vdr/interface.h>
#include <vdr/menu.h>
#include <vdr/remote.h>
#include <vdr/skins.h>
#include <vdr/timers.h>

#include "audio_thread.h"
#include "compat.h"
#include "log.h"
#include "mark_refine.h"
#include "refine_thread.h"
#include "menu_convert.h"
#include "menu_tracks.h"
#include "replay_control.h"
#include "tracks.h"
#include "vimora_config.h"

static const char *MarkerFileName = "vimora";

std::string GetRecordingChannelID(const cRecording *Recording)
{
  cString path = AddDirectory(Recording->FileName(), MarkerFileName);
  std::ifstream marker(*path);
  if (!marker) {
     LogFile.eSysLog("could not open file '%s'", *path);
     return "";
  }
  std::string channelId;
  marker >> channelId;
  return channelId.empty() ? MusicChannelId : channelId;
}

cRecording *CopyRecording(const cRecording *Recording)
{
  cRecording *copy = new cRecording(Recording->FileName());
  copy->SetStartTime(Recording->Start());
  return copy;
}

bool LoadMarks(cMarks &Marks, const cRecording *Recording)
{
  return Marks.Load(Recording->FileName(), cFrameRate(Recording).FramesPerSecond(), Recording->IsPesRecording());
}

int CompareRecording(const void *a, const void *b)
{
  time_t startA = (*(const cRecording *const *)a)->Start();
  time_t startB = (*(const cRecording *const *)b)->Start();
  return startA < startB ? -1 : startA > startB ? 1 : 0;
}

// --- cMenuRecItem ----------------------------------------------------------

cMenuRecItem::cMenuRecItem(const cRecording *Recording)
{
  fileName = strdup(Recording->FileName());
  Set();
}

cMenuRecItem::~cMenuRecItem()
{
  free(fileName);
}

void cMenuRecItem::Set(void)
{
  LOCK_RECORDINGS_READ;
  const cRecording *recording = Recordings->GetByName(fileName);
  if (recording)
     SetText(recording->Title('\t', false, -1));
}

// --- cMenuRecs -------------------------------------------------------------

cMenuRecs::cMenuRecs(void)
:cOsdMenu("", 9, 7, 7)
{
  ScanRecordings();
  UpdateTitle();
  // A track replayed from the tracks menu: the scan made its recording current, and
  // red opens that recording's tracks menu again.
  if (cMenuTracks::lastReplayed >= 0)
     cRemote::Put(kRed);
}

eOSState cMenuRecs::ScanRecordings(void)
{
  Clear();
  const char *lastReplayed = cVimoraReplayControl::LastReplayed();
  for (const auto &r : VimoraRecordings())
      Add(new cMenuRecItem(r.get()), lastReplayed && strcmp(lastReplayed, r->FileName()) == 0);
  SetHelp(NULL, NULL, NULL, NULL);
  Display();
  return osContinue;
}

void cMenuRecs::UpdateTitle(void)
{
  SetTitle(cString::sprintf("%d %s", Count(), tr("Vimora Recordings")));
  SetHelp(tr("Button$Songs"), trVDR("Button$Mark"), tr("Button$Convert"), trVDR("Button$Delete"));
  Display();
}

cRecording *cMenuRecs::GetRecording(cMenuRecItem *Item)
{
  if (!Item)
     return NULL;
  cRecording *copy = NULL;
  {
    LOCK_RECORDINGS_READ;
    const cRecording *recording = Recordings->GetByName(Item->FileName());
    if (recording)
       copy = CopyRecording(recording);
  }
  if (!copy)
     Skins.Message(mtError, tr("Error while accessing recording!"));
  return copy;
}

eOSState cMenuRecs::Play(void)
{
  std::unique_ptr<cRecording> recording(GetRecording(CurrentItem()));
  if (!recording)
     return osContinue;
  // A recording never replayed starts at its first cut mark.
  int resume = -1;
  if (recording->GetResume() == -1) {
     cMarks marks;
     LoadMarks(marks, recording.get());
     if (marks.First())
        resume = marks.First()->Position();
  }
  cVimoraReplayControl::Replay(recording.get(), resume);
  return osEnd;
}

eOSState cMenuRecs::OpenTracks(void)
{
  std::unique_ptr<cRecording> recording(GetRecording(CurrentItem()));
  if (!recording)
     return osUnknown;
  return AddSubMenu(new cMenuTracks(recording.get()));
}

eOSState cMenuRecs::OpenConvert(void)
{
  if (cRefineMarksThread::Busy()) {
     Skins.Message(mtWarning, tr(SearchingBoundaries));
     return osContinue;
  }
  if (cConvertToAudioThread::m_Instance) {
     if (Interface->Confirm(tr("Conversion in progress! Abort conversion?")))
        cConvertToAudioThread::Exit();
     return osUnknown;
  }
  std::unique_ptr<cRecording> recording(GetRecording(CurrentItem()));
  if (!recording)
     return osUnknown;
  cMarks marks;
  LoadMarks(marks, recording.get());
  if (marks.Count() < 2) {
     Skins.Message(mtError, tr("No marks available!"));
     return osContinue;
  }
  return AddSubMenu(new cMenuConvert(recording.get()));
}

std::vector<std::unique_ptr<cRecording>> VimoraRecordings(void)
{
  std::vector<std::unique_ptr<cRecording>> copies;
  LOCK_RECORDINGS_READ;
  std::vector<const cRecording *> found;
  for (const cRecording *r = Recordings->First(); r; r = Recordings->Next(r))
      if (access(AddDirectory(r->FileName(), MarkerFileName), F_OK) == 0)
         found.push_back(r);
  if (!found.empty())
     qsort(found.data(), found.size(), sizeof(const cRecording *), CompareRecording);
  for (const cRecording *r : found)
      copies.emplace_back(CopyRecording(r));
  return copies;
}

std::vector<tMarkPair> GuideMarkPairs(const cRecording *Recording)
{
  std::string channelId = GetRecordingChannelID(Recording);
  cIndexFile index(Recording->FileName(), false, Recording->IsPesRecording());
  cTrackWindow window(index, Recording, VimoraConfig.offset);
  std::vector<tMarkPair> pairs;
  cTracksLock lock(Tracks);
  for (cTrack *t : Tracks.Near(window, channelId.c_str())) {
      int startFrame, endFrame;
      if (t->status > 0 || !window.Find(*t, startFrame, endFrame))
         continue;
      // A track too short to hold two I-frames would leave a lone mark or an end
      // before its start, and every later pair would be cut out of step.
      if (startFrame >= endFrame)
         continue;
      pairs.push_back({ startFrame, endFrame, *cString::sprintf("%s|%s|%04d", t->artist.c_str(), t->title.c_str(), t->year) });
  }
  return pairs;
}

std::vector<tGuideItem> GuideNeighbours(const cRecording *Recording)
{
  std::string channelId = GetRecordingChannelID(Recording);
  cIndexFile index(Recording->FileName(), false, Recording->IsPesRecording());
  cTrackWindow window(index, Recording, VimoraConfig.offset);
  std::vector<tGuideItem> items;
  auto add = [&](const cTrack &t) {
    tGuideItem item;
    window.Frames(t, item.start, item.end);
    if (item.start >= 0 || item.end >= 0)
       items.push_back(item);
  };
  {
    // the guide drops the events it no longer needs: what is left of them helps
    LOCK_SCHEDULES_READ;
    const cSchedule *schedule = Schedules ? Schedules->GetSchedule(tChannelID::FromString(channelId.c_str())) : NULL;
    for (const cEvent *e = schedule ? schedule->Events()->First() : NULL; e; e = schedule->Events()->Next(e)) {
        cTrack t;
        t.startTime = e->StartTime();
        t.duration = e->Duration();
        add(t);
    }
  }
  cTracksLock lock(Tracks);
  for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
      if (t->status > 0 && t->channelId == channelId)
         add(*t);
  return items;
}

bool SaveMarkPairs(const cRecording *Recording, const std::vector<tMarkPair> &Pairs)
{
  // Whatever marks the recording had, by hand or from an earlier run, make way. The
  // file keeps them until the new list is saved, so a failing save loses nothing; a
  // file that cannot be read is simply replaced.
  cMarks marks;
  if (!LoadMarks(marks, Recording)) {
     remove(cMarks::MarksFileName(Recording));
     LoadMarks(marks, Recording);
  }
  while (cMark *m = marks.First())
    marks.Del(m);
  for (const tMarkPair &p : Pairs) {
      // A mark shared with the end of an earlier track takes this track's comment;
      // the end mark leaves the comment of a track starting there alone.
      marks.Add(p.start);
      marks.Get(p.start)->SetComment(p.name.c_str());
      marks.Add(p.end);
  }
  if (marks.Save())
     return true;
  LogFile.eSysLog("could not write the marks of '%s'", Recording->FileName());
  return false;
}

int WriteCutMarks(const cRecording *Recording)
{
  std::vector<tMarkPair> pairs = GuideMarkPairs(Recording);
  if (VimoraConfig.refinemarks && !pairs.empty())
     FindSongBoundaries(Recording, pairs, std::clamp(VimoraConfig.refinewindow, MinRefineWindow, MaxRefineWindow));
  return SaveMarkPairs(Recording, pairs) ? int(pairs.size()) : -1;
}

void cMenuRecs::Mark(void)
{
  // The search would replace what green writes now.
  if (cRefineMarksThread::Busy()) {
     Skins.Message(mtWarning, tr(SearchingBoundaries));
     return;
  }
  std::unique_ptr<cRecording> recording(GetRecording(CurrentItem()));
  if (!recording)
     return;
  std::vector<tMarkPair> pairs = GuideMarkPairs(recording.get());
  // Decoding hours of sound takes seconds: it runs in the background, which writes the
  // marks when it is done.
  if (VimoraConfig.refinemarks && !pairs.empty()) {
     cRefineMarksThread::Init(recording.get(), pairs, std::clamp(VimoraConfig.refinewindow, MinRefineWindow, MaxRefineWindow));
     Skins.Message(mtInfo, tr(SearchingBoundaries));
     return;
  }
  if (!SaveMarkPairs(recording.get(), pairs)) {
     Skins.Message(mtError, tr("Error while accessing recording!"));
     return;
  }
  Skins.Message(mtInfo, tr("Marks created!"));
}

void cMenuRecs::StopRecording(const char *FileName)
{
  LOCK_TIMERS_WRITE;
  // Asked again: the recording may have ended while the user was being asked.
  cRecordControl *control = cRecordControls::GetRecordControl(FileName);
  if (!control)
     return;
  cTimer *timer = control->Timer();
  if (timer)
     timer->Skip();
  // Also without a timer: the directory must not be written to once it is deleted.
  cRecordControls::Process(Timers, VimoraNow());
  if (timer && timer->IsSingleEvent()) {
     isyslog("deleting timer %s", *timer->ToDescr());
     Timers->Del(timer);
  }
  Timers->SetModified();
}

eOSState cMenuRecs::Delete(void)
{
  if (HasSubMenu() || Count() == 0)
     return osContinue;
  std::unique_ptr<cRecording> recording(GetRecording(CurrentItem()));
  if (!recording)
     return osContinue;
  if (!Interface->Confirm(trVDR("Delete recording?"))) {
     UpdateTitle();
     return osContinue;
  }
  std::string fileName = recording->FileName();
  if (cRecordControls::GetRecordControl(fileName.c_str())) {
     if (!Interface->Confirm(trVDR("Timer still recording - really delete?")))
        return osContinue;
     StopRecording(fileName.c_str());
  }
  bool deleted = false;
  {
    LOCK_RECORDINGS_WRITE;
    cRecording *listed = Recordings->GetByName(fileName.c_str());
    if (listed && listed->Delete()) {
       Recordings->DelByName(fileName.c_str());
       deleted = true;
    }
  }
  if (deleted) {
     cVimoraReplayControl::ClearLastReplayed(fileName.c_str());
     Del(Current());
  }
  else
     Skins.Message(mtError, trVDR("Error while deleting recording!"));
  UpdateTitle();
  return osContinue;
}

eOSState cMenuRecs::ProcessKey(eKeys Key)
{
  eOSState state = cOsdMenu::ProcessKey(Key);
  if (state != osUnknown || HasSubMenu() || Current() < 0)
     return state;
  switch (Key) {
    case kOk:
      return Play();
    case kRed:
      return OpenTracks();
    case kGreen:
      Mark();
      return osUnknown;
    case kYellow:
      return OpenConvert();
    case kBlue:
      return Delete();
    default:
      return state;
  }
}

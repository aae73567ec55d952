#include "menu_recs.h"

#include <fstream>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include <vector>
#include <vdr/clock.h>
#include <vdr/i18n.h>
#include <vdr/interface.h>
#include <vdr/remote.h>
#include <vdr/skins.h>
#include <vdr/timers.h>

#include "audio_thread.h"
#include "log.h"
#include "menu_convert.h"
#include "menu_tracks.h"
#include "replay_control.h"
#include "tracks.h"
#include "vimora_config.h"

static const char *MarkerFileName = "vimora";

std::string GetRecordingChannelID(cRecording *Recording)
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

int CompareRecording(const void *a, const void *b)
{
  time_t startA = (*(const cRecording *const *)a)->start;
  time_t startB = (*(const cRecording *const *)b)->start;
  return startA < startB ? -1 : startA > startB ? 1 : 0;
}

// --- cMenuRecItem ----------------------------------------------------------

cMenuRecItem::cMenuRecItem(cRecording *Recording)
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
  cRecording *recording = Recordings.GetByName(fileName);
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
  std::vector<cRecording *> found;
  for (cRecording *r = Recordings.First(); r; r = Recordings.Next(r))
      if (access(AddDirectory(r->FileName(), MarkerFileName), F_OK) == 0)
         found.push_back(r);
  if (!found.empty())
     qsort(found.data(), found.size(), sizeof(cRecording *), CompareRecording);
  const char *lastReplayed = cVimoraReplayControl::LastReplayed();
  for (cRecording *r : found)
      Add(new cMenuRecItem(r), lastReplayed && strcmp(lastReplayed, r->FileName()) == 0);
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
  cRecording *recording = Recordings.GetByName(Item->FileName());
  if (!recording)
     Skins.Message(mtError, tr("Error while accessing recording!"));
  return recording;
}

cRecording *cMenuRecs::CurrentRecording(void)
{
  cMenuRecItem *item = static_cast<cMenuRecItem *>(Get(Current()));
  return item ? GetRecording(item) : NULL;
}

eOSState cMenuRecs::Play(void)
{
  cRecording *recording = CurrentRecording();
  if (!recording)
     return osContinue;
  // A recording never replayed starts at its first cut mark.
  int resume = -1;
  if (recording->GetResume() == -1) {
     cMarks marks;
     marks.Load(recording->FileName());
     if (marks.First())
        resume = marks.First()->position;
  }
  cVimoraReplayControl::Replay(recording, resume);
  return osEnd;
}

eOSState cMenuRecs::OpenTracks(void)
{
  cRecording *recording = CurrentRecording();
  if (!recording)
     return osUnknown;
  return AddSubMenu(new cMenuTracks(recording));
}

eOSState cMenuRecs::OpenConvert(void)
{
  if (cConvertToAudioThread::m_Instance) {
     if (Interface->Confirm(tr("Conversion in progress! Abort conversion?")))
        cConvertToAudioThread::Exit();
     return osUnknown;
  }
  cRecording *recording = CurrentRecording();
  if (!recording)
     return osUnknown;
  cMarks marks;
  marks.Load(recording->FileName());
  if (marks.Count() < 2) {
     Skins.Message(mtError, tr("No marks available!"));
     return osContinue;
  }
  return AddSubMenu(new cMenuConvert(recording));
}

void cMenuRecs::Mark(void)
{
  int offset = VimoraConfig.offset;
  cRecording *recording = CurrentRecording();
  if (!recording)
     return;
  std::string channelId = GetRecordingChannelID(recording);
  // Whatever marks the recording had, by hand or from an earlier run, make way. The
  // file keeps them until the new list is saved, so a failing save loses nothing; a
  // file that cannot be read is simply replaced.
  cMarks marks;
  if (!marks.Load(recording->FileName())) {
     remove(AddDirectory(recording->FileName(), "marks.vdr"));
     marks.Load(recording->FileName());
  }
  marks.Clear();
  cIndexFile index(recording->FileName(), false);
  cTrackWindow window(index, recording->start, offset);
  {
    cTracksLock lock(Tracks);
    for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t)) {
        int startFrame, endFrame;
        // the channel last: its text lies outside the track, one more memory access per track
        if (t->status > 0 || !window.Find(*t, startFrame, endFrame) || t->channelId != channelId)
           continue;
        // A track too short to hold two I-frames would leave a lone mark or an end
        // before its start, and every later pair would be cut out of step.
        if (startFrame >= endFrame)
           continue;
        // A mark shared with the end of an earlier track takes this track's comment;
        // the end mark leaves the comment of a track starting there alone.
        cMark *start = marks.Add(startFrame);
        free(start->comment);
        start->comment = strdup(cString::sprintf("%s|%s|%04d", t->artist.c_str(), t->title.c_str(), t->year));
        marks.Add(endFrame);
    }
  }
  if (!marks.Save()) {
     LogFile.eSysLog("could not write the marks of '%s'", recording->FileName());
     Skins.Message(mtError, tr("Error while accessing recording!"));
     return;
  }
  Skins.Message(mtInfo, tr("Marks created!"));
}

void cMenuRecs::StopRecording(const char *FileName)
{
  // Asked again: the recording may have ended while the user was being asked.
  cRecordControl *control = cRecordControls::GetRecordControl(FileName);
  if (!control)
     return;
  cTimer *timer = control->Timer();
  if (timer)
     timer->Skip();
  // Also without a timer: the directory must not be written to once it is deleted.
  cRecordControls::Process(cClock::Now());
  if (timer && timer->IsSingleEvent()) {
     isyslog("deleting timer %s", *timer->ToDescr());
     Timers.Del(timer);
  }
  Timers.SetModified();
}

eOSState cMenuRecs::Delete(void)
{
  if (HasSubMenu() || Count() == 0)
     return osContinue;
  cRecording *recording = CurrentRecording();
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
  if (recording->Delete()) {
     cVimoraReplayControl::ClearLastReplayed(fileName.c_str());
     Recordings.DelByName(fileName.c_str());
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

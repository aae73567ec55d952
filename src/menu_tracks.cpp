#include "menu_tracks.h"

#include <vdr/i18n.h>
#include <vdr/interface.h>
#include <vdr/recording.h>

#include "menu_recs.h"
#include "replay_control.h"
#include "tracks.h"
#include "vimora_config.h"

int cMenuTracks::lastReplayed = -1;

cMenuTrackItem::cMenuTrackItem(cTrack *Track)
{
  track = Track;
  Set();
}

void cMenuTrackItem::Set(void)
{
  char *buffer = NULL;
  {
    cTracksLock lock(Tracks);
    if (asprintf(&buffer, "%s\t%s\t%s\t%04d", track->status == 0 ? ">" : "", track->artist.c_str(), track->title.c_str(), track->year) < 0)
       buffer = NULL;
  }
  if (buffer)
     SetText(buffer, false);
}

cMenuTracks::cMenuTracks(const cRecording *Recording)
  : cOsdMenu("", 2, 18, 21)
{
  recording = CopyRecording(Recording);
  int offset = VimoraConfig.offset;
  std::string channel = GetRecordingChannelID(recording);
  cIndexFile index(recording->FileName(), false, recording->IsPesRecording());
  cTrackWindow window(index, recording, offset);
  {
    cTracksLock lock(Tracks);
    int position = 0;
    for (cTrack *t : Tracks.Near(window, channel.c_str()))
        if (window.Contains(*t))
           Add(new cMenuTrackItem(t), position++ == lastReplayed);
  }
  UpdateTitle();
  lastReplayed = -1;
}

cMenuTracks::~cMenuTracks()
{
  delete recording;
}

void cMenuTracks::UpdateTitle(void)
{
  SetTitle(cString::sprintf("%d %s", Count(), tr("Songs")));
  SetHelp(trVDR("Button$On/Off"), trVDR("Button$Play"), NULL, NULL);
  Display();
}

cTrack *cMenuTracks::CurrentTrack(void)
{
  cMenuTrackItem *item = static_cast<cMenuTrackItem *>(Get(Current()));
  return item ? item->Track() : NULL;
}

eOSState cMenuTracks::Play(void)
{
  cTrack *track = CurrentTrack();
  if (!track)
     return osContinue;
  cIndexFile index(recording->FileName(), false, recording->IsPesRecording());
  int frame, endFrame;
  {
    cTracksLock lock(Tracks);
    cTrackWindow(index, recording, VimoraConfig.offset).Frames(*track, frame, endFrame);
  }
  if (frame < 0)
     return osContinue;
  lastReplayed = Current();
  cVimoraReplayControl::Replay(recording, frame);
  return osEnd;
}

eOSState cMenuTracks::Toggle(void)
{
  cTrack *track = CurrentTrack();
  if (!track)
     return osContinue;
  {
    cTracksLock lock(Tracks);
    Tracks.SetStatus(track, track->status <= 0 ? 1 : 0);
  }
  RefreshCurrent();
  Display();
  return osContinue;
}

eOSState cMenuTracks::Blacklist(void)
{
  if (!Count())
     return osContinue;
  if (!Interface->Confirm(tr("Apply blacklist again?"), 10))
     return osContinue;
  {
    cTracksLock lock(Tracks);
    for (cMenuTrackItem *item = static_cast<cMenuTrackItem *>(First()); item; item = static_cast<cMenuTrackItem *>(Next(item))) {
        cTrack *track = item->Track();
        if (track && track->status == 0 && Tracks.Blacklisted(*track)) {
           Tracks.SetStatus(track, 1);
           item->Set();
        }
    }
  }
  Display();
  return osContinue;
}

eOSState cMenuTracks::ProcessKey(eKeys Key)
{
  eOSState state = cOsdMenu::ProcessKey(Key);
  if (state != osUnknown || HasSubMenu() || Current() < 0)
     return state;
  switch (int(Key)) {
    case kOk:
    case kGreen:
      return Play();
    case kRed:
      return Toggle();
    case k0:
      return Blacklist();
    default:
      return state;
  }
}

#include "replay_control.h"

#include <algorithm>
#include <memory>
#include <vdr/config.h>
#include <vdr/i18n.h>
#include <vdr/interface.h>
#include <vdr/menu.h>
#include <vdr/menuitems.h>
#include <vdr/osd.h>
#include <vdr/remote.h>
#include <vdr/status.h>

#include "compat.h"
#include "menu_convert.h"
#include "menu_recs.h"
#include "tracks.h"
#include "vimora_config.h"

cVimoraReplayControl *cVimoraReplayControl::currentReplayControl = NULL;
char *cVimoraReplayControl::fileName = NULL;
char *cVimoraReplayControl::title = NULL;
bool cVimoraReplayControl::replacing = false;

// The two strings outlive every control; they go when the plug-in is unloaded.
static struct cReplayStrings {
  ~cReplayStrings() { cVimoraReplayControl::SetRecording(NULL, NULL); }
} ReplayStrings;

// A private copy of the recording replayed last; null when the recordings list no
// longer holds it.
static cRecording *LastReplayedRecording(void)
{
  const char *fileName = cVimoraReplayControl::LastReplayed();
  if (!fileName)
     return NULL;
  LOCK_RECORDINGS_READ;
  const cRecording *recording = Recordings->GetByName(fileName);
  return recording ? CopyRecording(recording) : NULL;
}

cVimoraReplayControl::cVimoraReplayControl(void)
  : cDvbPlayerControl(fileName)
{
  display = NULL;
  visible = modeOnlyDisplay = progressShown = showFrames = false;
  shownCurrent = shownTotal = -1;
  shownPlay = shownForward = false;
  shownSpeed = -2;
  hideTime = 0;
  jumpActive = jumpOpenedDisplay = false;
  jumpDigits = jumpDigitCount = 0;
  currentReplayControl = this;
  replayFileName = fileName;
  if (fileName) {
     cRecording recording(fileName);
     rate = cFrameRate(&recording);
     LoadMarks(marks, &recording);
     cStatus::MsgReplaying(this, recording.Name(), recording.FileName(), true);
  }
}

cVimoraReplayControl::~cVimoraReplayControl()
{
  Hide();
  // The player's own file name: a launcher has already set the static one to the
  // recording that replaces this one.
  cStatus::MsgReplaying(this, NULL, replayFileName, false);
  Stop();
  if (currentReplayControl == this)
     currentReplayControl = NULL;
  // Only a replay that ends brings the menu back, not one that another replaces.
  if (!replacing)
     cRemote::CallPlugin("vimora");
}

void cVimoraReplayControl::SetRecording(const char *FileName, const char *Title)
{
  free(fileName);
  free(title);
  fileName = FileName ? strdup(FileName) : NULL;
  title = Title ? strdup(Title) : NULL;
}

void cVimoraReplayControl::Replay(const cRecording *Recording, int Resume)
{
  SetRecording(Recording->FileName(), Recording->Title(' ', false, -1));
  replacing = true;
  cControl::Shutdown();
  replacing = false;
  if (Resume >= 0)
     cResumeFile(Recording->FileName(), Recording->IsPesRecording()).Save(Resume);
  cControl::Launch(new cVimoraReplayControl);
}

const char *cVimoraReplayControl::NowReplaying(void)
{
  return currentReplayControl ? fileName : NULL;
}

const char *cVimoraReplayControl::LastReplayed(void)
{
  return fileName;
}

void cVimoraReplayControl::ClearLastReplayed(const char *FileName)
{
  if (fileName && FileName && strcmp(fileName, FileName) == 0) {
     free(fileName);
     fileName = NULL;
  }
}

void cVimoraReplayControl::Hide(void)
{
  if (visible) {
     delete display;
     display = NULL;
     visible = modeOnlyDisplay = false;
     shownPlay = shownForward = false;
     shownSpeed = -2;
     jumpActive = false;
  }
}

void cVimoraReplayControl::ShowTimed(int Seconds)
{
  if (modeOnlyDisplay)
     Hide();
  if (!visible) {
     progressShown = ShowProgress(true);
     hideTime = progressShown && Seconds > 0 ? VimoraNow() + Seconds : 0;
  }
}

void cVimoraReplayControl::Show(void)
{
  ShowTimed();
}

eOSState cVimoraReplayControl::ProcessKey(eKeys Key)
{
  if (!Active())
     return osEnd;
  if (Key == k5) {
     cRemote::Put(kInfo);
     return osContinue;
  }
  if (visible) {
     if (hideTime && VimoraNow() > hideTime) {
        Hide();
        ShowMode();
        hideTime = 0;
     }
     else if (modeOnlyDisplay)
        ShowMode();
     else if (ShowProgress(!progressShown))
        progressShown = true;
  }
  bool frames = showFrames;
  showFrames = false;
  if (jumpActive) {
     if (Key == kNone) {
        showFrames = frames;
        return osUnknown;
     }
     TimeSearchProcess(Key);
     return osContinue;
  }
  switch (int(Key)) {
    case kUp:
    case kPlay:
      Play();
      break;
    case kDown:
    case kPause:
      Pause();
      break;
    case kLeft | k_Release:
    case kFastRew | k_Release:
      if (Setup.MultiSpeedMode)
         break;
      // fall through
    case kLeft:
    case kFastRew:
      Backward();
      break;
    case kRight | k_Release:
    case kFastFwd | k_Release:
      if (Setup.MultiSpeedMode)
         break;
      // fall through
    case kRight:
    case kFastFwd:
      Forward();
      break;
    case kRed:
      TimeSearch();
      break;
    case kGreen:
    case kGreen | k_Repeat:
      SkipSeconds(-60);
      break;
    case kYellow:
    case kYellow | k_Repeat:
      SkipSeconds(60);
      break;
    case kBlue:
    case kStop:
      Hide();
      Stop();
      return osEnd;
    case k0:
      MarkToggle();
      return osContinue;
    case k1:
    case k1 | k_Repeat:
      MarkMove(false, 50);
      return osContinue;
    case k2:
      TrackCut();
      return osContinue;
    case k3:
    case k3 | k_Repeat:
      MarkMove(true, 50);
      return osContinue;
    case k4:
    case k4 | k_Repeat:
      MarkMove(false, 1);
      return osContinue;
    case k6:
    case k6 | k_Repeat:
      MarkMove(true, 1);
      return osContinue;
    case k7:
    case k7 | k_Repeat:
    case kPrev:
    case kPrev | k_Repeat:
      MarkJump(false);
      return osContinue;
    case k8:
      EditTest();
      return osContinue;
    case k9:
    case k9 | k_Repeat:
    case kNext:
    case kNext | k_Repeat:
      MarkJump(true);
      return osContinue;
    case kOk:
      showFrames = frames;
      if (visible && !modeOnlyDisplay) {
         Hide();
         ShowMode();
      }
      else
         Show();
      return osContinue;
    case kBack:
      showFrames = frames;
      return osRecordings;
    default:
      showFrames = frames;
      return osUnknown;
  }
  ShowMode();
  return osContinue;
}

void cVimoraReplayControl::MarkToggle(void)
{
  int current, total;
  if (!GetIndex(current, total, true))
     return;
  cMark *mark = marks.Get(current);
  shownCurrent = -1;
  if (mark)
     marks.Del(mark);
  else {
     marks.Add(current);
     ShowTimed(2);
     bool play, forward;
     int speed;
     if (GetReplayMode(play, forward, speed) && !play)
        Goto(current, true);
  }
  marks.Save();
}

void cVimoraReplayControl::MarkMove(bool Forward, int Frames)
{
  int current, total;
  if (!GetIndex(current, total))
     return;
  cMark *mark = marks.Get(current);
  if (!mark)
     return;
  showFrames = true;
  int p = SkipFrames(Forward ? Frames : -Frames);
  // a mark never reaches its neighbour, so the list stays sorted
  cMark *neighbour = Forward ? marks.Next(mark) : marks.Prev(mark);
  if (neighbour && (Forward ? p >= neighbour->Position() : p <= neighbour->Position()))
     return;
  mark->SetPosition(p);
  Goto(p, true);
  marks.Save();
}

void cVimoraReplayControl::MarkJump(bool Forward)
{
  if (!marks.Count())
     return;
  int current, total;
  if (!GetIndex(current, total))
     return;
  cMark *mark = Forward ? marks.GetNext(current) : marks.GetPrev(current);
  if (mark) {
     Goto(mark->Position(), true);
     showFrames = true;
  }
}

void cVimoraReplayControl::EditTest(void)
{
  int current, total;
  if (!GetIndex(current, total))
     return;
  cMark *mark = marks.Get(current);
  if (!mark)
     mark = marks.GetNext(current);
  if (mark && mark->Index() % 2)
     mark = marks.Next(mark);
  if (!mark)
     return;
  Goto(mark->Position() - rate.Frames(3), false);
  Play();
}

void cVimoraReplayControl::TrackCut(void)
{
  int current, total;
  if (!GetIndex(current, total))
     return;
  {
    LOCK_RECORDINGS_READ;
    if (!LastReplayed() || !Recordings->GetByName(LastReplayed()))
       return;
  }
  cMark *first, *second;
  cMark *mark = marks.Get(current);
  if (mark) {
     if (mark->Index() % 2 == 0)
        return;
     first = marks.Prev(mark);
     second = mark;
  }
  else {
     first = marks.GetPrev(current);
     second = marks.GetNext(current);
  }
  if (!first || !second || !first->Comment() || second->Comment())
     return;
  Hide();
  if (!Interface->Confirm(tr("Remove track?"), 10))
     return;
  marks.Del(first);
  marks.Del(second);
  marks.Save();
}

void cVimoraReplayControl::TimeSearch(void)
{
  jumpDigits = jumpDigitCount = 0;
  jumpOpenedDisplay = false;
  if (modeOnlyDisplay)
     Hide();
  if (!visible) {
     Show();
     if (!visible)
        return;
     jumpOpenedDisplay = true;
  }
  hideTime = 0;
  TimeSearchDisplay();
  jumpActive = true;
}

void cVimoraReplayControl::TimeSearchDisplay(void)
{
  char time[6] = "--:--";
  static const int place[4] = { 0, 1, 3, 4 }; // tens of hours, hours, tens of minutes, minutes
  for (int i = 4 - jumpDigitCount; i < 4; i++)
      time[place[i]] = '0' + ((jumpDigits >> (8 * (3 - i))) & 0xFF);
  cString text = cString::sprintf("%s%s", trVDR("Jump: "), time);
  display->SetJump(text);
  display->Flush();
}

void cVimoraReplayControl::TimeSearchProcess(eKeys Key)
{
  int seconds = ((jumpDigits >> 24) & 0xFF) * 36000 + ((jumpDigits >> 16) & 0xFF) * 3600 + ((jumpDigits >> 8) & 0xFF) * 600 + (jumpDigits & 0xFF) * 60;
  int total = rate.WholeSeconds(shownTotal);
  int current = rate.WholeSeconds(shownCurrent);
  if (Key >= k0 && Key <= k9) {
     if (jumpDigitCount < 4) {
        jumpDigits = (jumpDigits << 8) | (Key - k0);
        jumpDigitCount++;
        TimeSearchDisplay();
     }
     return;
  }
  switch (int(Key)) {
    case kUp:
    case kPlay:
      Goto(rate.Frames(std::min(seconds, total - 10)), false);
      break;
    case kDown:
    case kPause:
    case kOk:
      Goto(rate.Frames(std::min(seconds, total - 10)), true);
      break;
    case kLeft:
    case kFastRew:
      SkipSeconds(-seconds);
      break;
    case kRight:
    case kFastFwd:
      SkipSeconds(std::min(seconds, total - current - 10));
      break;
    default:
      break;
  }
  jumpActive = false;
  if (jumpOpenedDisplay)
     Hide();
  else if (display) {
     display->SetJump(NULL);
     display->Flush();
  }
  ShowMode();
}

void cVimoraReplayControl::SetTitleFromMarks(int Current)
{
  std::unique_ptr<cRecording> recording(LastReplayedRecording());
  if (!recording)
     return;
  std::string name = recording->Title(' ', false, -1);
  // The start mark at or before the position governs; an end mark's own frame still
  // belongs to the track it ends.
  cMark *mark = marks.Get(Current);
  if (mark && mark->Index() % 2)
     mark = marks.Prev(mark);
  else if (!mark)
     mark = marks.GetPrev(Current);
  if (mark && mark->Comment())
     name = cMenuConvert::FormatMark(mark->Comment());
  SetRecording(recording->FileName(), name.c_str());
}

bool cVimoraReplayControl::ShowProgress(bool Initial)
{
  int current, total;
  if (!GetIndex(current, total))
     return false;
  SetTitleFromMarks(current);
  if (total <= 0)
     return false;
  if (!display) {
     display = Skins.Current()->DisplayReplay(false);
     display->SetMarks(&marks);
     visible = true;
  }
  if (title)
     display->SetTitle(title);
  shownCurrent = shownTotal = -1;
  display->SetTotal(rate.Text(total));
  if (!Initial)
     display->Flush();
  display->SetProgress(current, total);
  if (!Initial)
     display->Flush();
  display->SetCurrent(rate.Text(current, showFrames));
  display->Flush();
  shownCurrent = current;
  shownTotal = total;
  ShowMode();
  return true;
}

void cVimoraReplayControl::ShowMode(void)
{
  if (!display && !(Setup.ShowReplayMode && !cOsd::IsOpen()))
     return;
  bool play, forward;
  int speed;
  if (!GetReplayMode(play, forward, speed))
     return;
  if (display && play == shownPlay && forward == shownForward && speed == shownSpeed)
     return;
  bool normalPlay = play && speed == -1;
  if (!display) {
     if (normalPlay)
        return;
     visible = modeOnlyDisplay = true;
     display = Skins.Current()->DisplayReplay(true);
  }
  if (modeOnlyDisplay && !hideTime && normalPlay)
     hideTime = VimoraNow() + 3;
  display->SetMode(play, forward, speed);
  display->Flush();
  shownPlay = play;
  shownForward = forward;
  shownSpeed = speed;
}

cTrack *cVimoraReplayControl::GetCurrentTrack(const cRecording *Recording, int Current)
{
  std::string channel = GetRecordingChannelID(Recording);
  cIndexFile index(Recording->FileName(), false, Recording->IsPesRecording());
  cTrackWindow window(index, Recording, VimoraConfig.offset);
  for (cTrack *t : Tracks.Near(window, channel.c_str()))
      if (window.Covers(*t, Current))
         return t;
  return NULL;
}

cOsdObject *cVimoraReplayControl::GetInfo(void)
{
  // the recordings list before the catalogue, in the lock order
  std::unique_ptr<cRecording> recording(LastReplayedRecording());
  int current, total;
  if (!recording || !GetIndex(current, total))
     return NULL;
  // held until the text is made: the track stays as it was found
  cTracksLock lock(Tracks);
  cTrack *track = GetCurrentTrack(recording.get(), current);
  if (!track)
     return NULL;
  cString text = cString::sprintf("%s: %s\n%s: %s\n%s: %04d\n", tr("Artist"), track->artist.c_str(), tr("Title"), track->title.c_str(), tr("Year"), track->year);
  return new cMenuText(tr("Track info"), text, fontOsd);
}

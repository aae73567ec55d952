#include "menu_convert.h"

#include <stdlib.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>
#include <vdr/skins.h>

#include "audio_thread.h"
#include "frame_rate.h"
#include "library.h"
#include "log.h"
#include "menu_recs.h"
#include "../plugins/rozerez/rozerez_service.h"
#include "tracks.h"
#include "vimora_config.h"

void Tokenize(const std::string &Text, std::vector<std::string> &Tokens, const std::string &Delimiters)
{
  std::string::size_type start = Text.find_first_not_of(Delimiters);
  while (start != std::string::npos) {
    std::string::size_type end = Text.find_first_of(Delimiters, start);
    Tokens.push_back(Text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end == std::string::npos ? end : Text.find_first_not_of(Delimiters, end);
  }
}

// --- cMenuConvert ----------------------------------------------------------

cMenuConvert::cMenuConvert(const cRecording *Recording)
  : cOsdMenu(tr("Convert vimora recording"))
{
  recording = CopyRecording(Recording);
  SetHasHotkeys();
  bool withVideo = Rozerez() != NULL;
  if (withVideo)
     Add(new cOsdItem(hk(tr("Create video clips"))));
  Add(new cOsdItem(hk(tr("Create audio clips"))));
  if (withVideo)
     Add(new cOsdItem(hk(tr("Create audio and video clips"))));
  SetHelp(tr("Button$Start"));
}

cMenuConvert::~cMenuConvert()
{
  delete recording;
}

eOSState cMenuConvert::ProcessKey(eKeys Key)
{
  eOSState state = cOsdMenu::ProcessKey(Key);
  if (state == osUnknown && (Key == kOk || Key == kRed))
     return Execute();
  return state;
}

eOSState cMenuConvert::Execute(void)
{
  int index = Current();
  if (index < 0)
     return osContinue;
  if (!Rozerez())
     index++; // the audio line is the only one
  switch (index) {
    case 0: return Cut(recording);
    case 1: return ConvertToAudio();
    case 2: return ConvertToVideoAudio();
    default: return osContinue;
  }
}

cPlugin *cMenuConvert::Rozerez(void)
{
  return cPluginManager::GetPlugin("rozerez");
}

eOSState cMenuConvert::Cut(const cRecording *Recording)
{
  if (!Rozerez() || !Recording)
     return osContinue;
  // cutting a long recording takes many seconds: the conversion thread does it, and
  // like the other lines this one stops a running conversion instead
  if (cConvertToAudioThread::m_Instance)
     cConvertToAudioThread::Exit();
  else
     cConvertToAudioThread::InitCut(Recording);
  return osEnd;
}

// The pairs of cut marks (first and second, third and fourth ...); those whose start mark
// names a track as converted, the others, unless OnlyTracks leaves them out, as not.
static std::vector<tTrackPair> MarkPairs(const cMarks &Marks, bool OnlyTracks)
{
  std::vector<tTrackPair> pairs;
  for (const cMark *m = Marks.First(); m && Marks.Next(m); m = Marks.Next(Marks.Next(m))) {
      std::vector<std::string> fields;
      Tokenize(m->Comment() ? m->Comment() : "", fields, "|");
      if (fields.size() >= 3)
         pairs.push_back({ m->Position(), Marks.Next(m)->Position(), fields[0], fields[1], fields[2], true });
      else if (!OnlyTracks)
         pairs.push_back({ m->Position(), Marks.Next(m)->Position(), "", "", "", false });
  }
  return pairs;
}

bool cMenuConvert::CutClips(const cRecording *Recording, std::string &Error)
{
  cMarks marks;
  LoadMarks(marks, Recording);
  std::vector<tTrackPair> pairs = MarkPairs(marks, true); // before the comments become clip names
  if (!CallCutter(Recording, Error))
     return false;
  Tracks.SetConverted(Recording, pairs);
  return true;
}

// The NFO and thumbnail beside each clip whose start mark named a track; Pairs are all
// pairs of marks in their order, as the clips are. False when any could not be written.
static bool WriteClipInfo(const cRecording *Recording, const std::vector<tTrackPair> &Pairs, const std::vector<std::string> &Clips)
{
  const cRecordingInfo *info = Recording->Info();
  cFrameRate rate(Recording);
  int failed = 0;
  for (size_t i = 0; i < Pairs.size() && i < Clips.size(); i++) {
      const tTrackPair &p = Pairs[i];
      if (!p.converted)
         continue;
      tClipInfo clip = { p.artist, p.title, p.year, info && info->ChannelName() ? info->ChannelName() : "",
                         Recording->Start() + time_t(rate.Seconds(p.start)) };
      std::string error;
      if (!WriteNfo(Clips[i], clip, error) || !WriteThumbnail(Recording, p.start, p.end, Clips[i], error)) {
         LogFile.eSysLog("%s", error.c_str());
         failed++;
      }
  }
  return failed == 0;
}

bool cMenuConvert::CallCutter(const cRecording *Recording, std::string &Error)
{
  cPlugin *rozerez = Rozerez();
  Error.clear();
  std::string problem = VimoraConfig.clipdir.empty() ? "" : FolderProblem(VimoraConfig.clipdir);
  if (!rozerez)
     Error = "rozerez is not loaded";
  else if (!problem.empty())
     Error = FolderMessage(VimoraConfig.clipdir, problem);
  else {
     cMarks marks;
     LoadMarks(marks, Recording);
     std::vector<tTrackPair> pairs = MarkPairs(marks, false);
     for (cMark *m = marks.First(); m; m = marks.Next(m)) {
         if (m->Comment())
            m->SetComment(FormatMark(m->Comment()).c_str());
     }
     marks.Save();
     std::vector<std::string> clips;
     MultiCutRequest_v1_1 request = { strdup(Recording->FileName()), NULL, VimoraConfig.clipdir.c_str(), &clips };
     if (!rozerez->Service(ROZEREZ_MULTICUT_SERVICE_V1_1, &request))
        Error = "Roz-e-rez does not support this service!";
     else if (request.errorText)
        Error = *request.errorText ? request.errorText : "rozerez failed without saying why";
     else if (!WriteClipInfo(Recording, pairs, clips))
        Error = tr("The NFO or thumbnail of a clip could not be written!");
     free(request.recordingFileName);
  }
  if (!Error.empty())
     LogFile.eSysLog("cutting the video clips of %s failed: %s", Recording->FileName(), Error.c_str());
  return Error.empty();
}

eOSState cMenuConvert::ConvertToAudio(void)
{
  if (cConvertToAudioThread::m_Instance)
     cConvertToAudioThread::Exit();
  else
     cConvertToAudioThread::Init(recording, false);
  return osEnd;
}

eOSState cMenuConvert::ConvertToVideoAudio(void)
{
  if (cConvertToAudioThread::m_Instance)
     cConvertToAudioThread::Exit();
  else
     cConvertToAudioThread::Init(recording, true);
  return osEnd;
}

std::string cMenuConvert::FormatMark(std::string Comment)
{
  if (Comment.empty() || Comment.find('|') == std::string::npos)
     return Comment;
  std::vector<std::string> fields;
  Tokenize(Comment, fields, "|");
  if (fields.size() < 3)
     return "";
  std::string name = ReplaceAll(VimoraConfig.format, "%artist%", fields[0]);
  name = ReplaceAll(name, "%title%", fields[1]);
  return ReplaceAll(name, "%year%", fields[2]);
}

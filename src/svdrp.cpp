#include "svdrp.h"

#include <ctype.h>
#include <stdarg.h>
#include <string.h>
#include <unistd.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>

#include "audio_thread.h"
#include "blacklist.h"
#include "menu_convert.h"
#include "menu_recs.h"
#include "refine_thread.h"
#include "tracks.h"
#include "vimora_config.h"

static const int ReplyBadOption = 501;
static const int ReplyRefused = 550;

const char **VimoraSVDRPHelpPages(void)
{
  static const char *HelpPages[] = {
    "LSTR\n"
    "    List the recordings of the music channel, oldest first, as the plug-in's\n"
    "    menu lists them: number, start, length, name (which may hold blanks),\n"
    "    the number of catalogued tracks inside and how many of them are converted.",
    "LSTT [ <number> ]\n"
    "    List the catalogued tracks inside recording <number>, as its tracks menu\n"
    "    does, or without a number the whole catalogue, one track a line:\n"
    "    status|artist|title|year|start|duration (seconds); a '|' inside artist\n"
    "    or title is shown as ':'.",
    "MARK <number>\n"
    "    Write the cut marks of recording <number> as the green key does: one pair\n"
    "    per selected track inside it.",
    "CONV <number> audio|video|both\n"
    "    Make audio files, video clips (needs the plug-in rozerez) or both from\n"
    "    the cut marks of recording <number>, as the convert menu does. Refused\n"
    "    while a conversion runs.",
    "STAT\n"
    "    Show the running conversion: its recording, progress and the tracks\n"
    "    that failed so far; or 'idle', followed by how the last conversion ended.",
    "STOP\n"
    "    Stop the running conversion; the recording's marks are put back.",
    "BLCK\n"
    "    Read blacklist.conf again and skip every selected track it matches.",
    NULL
  };
  return HelpPages;
}

// A positive decimal number and nothing else.
static bool ParseNumber(const std::string &Text, int &Number)
{
  if (Text.empty() || Text.size() > 9)
     return false;
  for (char c : Text)
      if (!isdigit((unsigned char)c))
         return false;
  Number = atoi(Text.c_str());
  return Number > 0;
}

static std::vector<std::string> Words(const char *Option)
{
  std::vector<std::string> words;
  Tokenize(Option ? Option : "", words, " \t");
  return words;
}

static cString Refuse(int &ReplyCode, int Code, const char *Format, ...) __attribute__((format(printf, 3, 4)));

static cString Refuse(int &ReplyCode, int Code, const char *Format, ...)
{
  ReplyCode = Code;
  va_list ap;
  va_start(ap, Format);
  char *text = NULL;
  cString reply(vasprintf(&text, Format, ap) >= 0 ? text : NULL, true);
  va_end(ap);
  return reply;
}

static std::string LocalTime(time_t Time, const char *Format)
{
  struct tm tm;
  char text[32];
  localtime_r(&Time, &tm);
  return strftime(text, sizeof(text), Format, &tm) ? text : "";
}

// Calls Visit for every catalogued track inside Recording, with the catalogue locked.
template <class F> static void ForTracksInside(const cRecording *Recording, F Visit)
{
  std::string channel = GetRecordingChannelID(Recording);
  cIndexFile index(Recording->FileName(), false, Recording->IsPesRecording());
  cTrackWindow window(index, Recording, VimoraConfig.offset);
  cTracksLock lock(Tracks);
  for (const cTrack *t : Tracks.Near(window, channel.c_str()))
      if (window.Contains(*t))
         Visit(*t);
}

static std::string TrackLine(const cTrack &Track)
{
  static const char *const status[] = { "selected", "skipped", "converted" };
  std::string line = Track.status >= 0 && Track.status <= 2 ? status[Track.status] : std::to_string(Track.status);
  line += "|" + ReplaceAll(Track.artist, "|", ":") + "|" + ReplaceAll(Track.title, "|", ":");
  return line + *cString::sprintf("|%04d|%s|%d", Track.year, LocalTime(Track.startTime, "%Y-%m-%d %H:%M:%S").c_str(), Track.duration);
}

static std::string Lines(const std::vector<std::string> &Lines)
{
  std::string text;
  for (const auto &l : Lines)
      text += (text.empty() ? "" : "\n") + l;
  return text;
}

static cString ListRecordings(int &ReplyCode)
{
  std::vector<std::string> lines;
  int number = 0;
  for (const auto &r : VimoraRecordings()) {
      int inside = 0, converted = 0;
      ForTracksInside(r.get(), [&](const cTrack &t) {
        inside++;
        converted += t.status == 2;
      });
      lines.push_back(*cString::sprintf("%d %s %s %s %d %d", ++number, LocalTime(r->Start(), "%Y-%m-%d %H:%M").c_str(),
                                        *cFrameRate(r.get()).Text(r->NumFrames()), r->Name(), inside, converted));
  }
  if (lines.empty())
     return Refuse(ReplyCode, ReplyRefused, "No recordings of the music channel");
  return Lines(lines).c_str();
}

// The recording the option's first word numbers, as LSTR counts them; null, with the
// reply set, when there is none.
static std::unique_ptr<cRecording> NumberedRecording(const std::string &Word, int &ReplyCode, cString &Reply)
{
  int number;
  if (!ParseNumber(Word, number)) {
     Reply = Refuse(ReplyCode, ReplyBadOption, "Recording number expected instead of \"%s\"", Word.c_str());
     return NULL;
  }
  std::vector<std::unique_ptr<cRecording>> recordings = VimoraRecordings();
  if (number > int(recordings.size())) {
     Reply = Refuse(ReplyCode, ReplyBadOption, "No recording %d (there are %d)", number, int(recordings.size()));
     return NULL;
  }
  return std::move(recordings[number - 1]);
}

static cString ListTracks(const char *Option, int &ReplyCode)
{
  std::vector<std::string> words = Words(Option);
  std::vector<std::string> lines;
  if (words.empty()) {
     cTracksLock lock(Tracks);
     for (const cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
         lines.push_back(TrackLine(*t));
  }
  else {
     cString reply;
     std::unique_ptr<cRecording> recording = words.size() == 1 ? NumberedRecording(words[0], ReplyCode, reply) : NULL;
     if (words.size() > 1)
        return Refuse(ReplyCode, ReplyBadOption, "LSTT takes one recording number at most");
     if (!recording)
        return reply;
     ForTracksInside(recording.get(), [&](const cTrack &t) { lines.push_back(TrackLine(t)); });
  }
  if (lines.empty())
     return Refuse(ReplyCode, ReplyRefused, "No tracks");
  return Lines(lines).c_str();
}

static cString Mark(const char *Option, int &ReplyCode)
{
  std::vector<std::string> words = Words(Option);
  if (words.size() != 1)
     return Refuse(ReplyCode, ReplyBadOption, "MARK takes one recording number");
  cString reply;
  std::unique_ptr<cRecording> recording = NumberedRecording(words[0], ReplyCode, reply);
  if (!recording)
     return reply;
  if (cRefineMarksThread::Busy())
     return Refuse(ReplyCode, ReplyRefused, "The song boundaries of a recording are being searched");
  int pairs = WriteCutMarks(recording.get());
  if (pairs < 0)
     return Refuse(ReplyCode, ReplyRefused, "Error while accessing recording %s", recording->Name());
  return cString::sprintf("%d pairs of cut marks written to %s", pairs, recording->Name());
}

static cString Convert(const char *Option, int &ReplyCode)
{
  std::vector<std::string> words = Words(Option);
  if (words.size() != 2)
     return Refuse(ReplyCode, ReplyBadOption, "CONV takes a recording number and audio, video or both");
  const std::string &kind = words[1];
  bool audio = strcasecmp(kind.c_str(), "audio") == 0 || strcasecmp(kind.c_str(), "both") == 0;
  bool video = strcasecmp(kind.c_str(), "video") == 0 || strcasecmp(kind.c_str(), "both") == 0;
  if (!audio && !video)
     return Refuse(ReplyCode, ReplyBadOption, "audio, video or both expected instead of \"%s\"", kind.c_str());
  cString reply;
  std::unique_ptr<cRecording> recording = NumberedRecording(words[0], ReplyCode, reply);
  if (!recording)
     return reply;
  std::string running;
  int progress;
  if (cRefineMarksThread::Busy())
     return Refuse(ReplyCode, ReplyRefused, "The song boundaries of a recording are being searched");
  if (cConvertToAudioThread::Status(running, progress))
     return Refuse(ReplyCode, ReplyRefused, "A conversion of %s is running (%d%%)", running.c_str(), progress);
  if (video && !cMenuConvert::Rozerez())
     return Refuse(ReplyCode, ReplyRefused, "Video clips need the plug-in rozerez, which is not loaded");
  cMarks marks;
  LoadMarks(marks, recording.get());
  if (marks.Count() < 2)
     return Refuse(ReplyCode, ReplyRefused, "No marks available in %s", recording->Name());
  if (!audio) {
     // SVDRP has a thread of its own, and its reply tells how the cut went
     std::string error;
     if (!cConvertToAudioThread::CutAlone(recording.get(), error))
        return Refuse(ReplyCode, ReplyRefused, "%s", error.c_str());
     return cString::sprintf("Video clips of %s made", recording->Name());
  }
  cConvertToAudioThread::Init(recording.get(), video);
  return cString::sprintf("Conversion of %s started", recording->Name());
}

static cString ConversionStatus(bool Stop)
{
  std::string name;
  int progress;
  if (!cConvertToAudioThread::Status(name, progress)) {
     tConversionOutcome last = cConvertToAudioThread::LastOutcome();
     if (Stop || last.name.empty())
        return "idle";
     return cString::sprintf("idle; the last conversion, of %s: %s", last.name.c_str(), last.Text().c_str());
  }
  if (!Stop) {
     int failed = cConvertToAudioThread::failures;
     return failed ? cString::sprintf("%s: %d%%, %d failed", name.c_str(), progress, failed) : cString::sprintf("%s: %d%%", name.c_str(), progress);
  }
  cConvertToAudioThread::Exit();
  return cString::sprintf("Conversion of %s stopped at %d%%", name.c_str(), progress);
}

static cString ApplyBlacklist(int &ReplyCode)
{
  cString path = AddDirectory(cPlugin::ConfigDirectory("vimora"), "blacklist.conf");
  // An unreadable file would leave the plug-in without any blacklist.
  if (access(path, F_OK) == 0 && access(path, R_OK) != 0)
     return Refuse(ReplyCode, ReplyRefused, "Cannot read %s", *path);
  int skipped = 0;
  {
    cTracksLock lock(Tracks); // every reader of the blacklist holds it
    Blacklist.Load(path, true);
    for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t)) {
        if (t->status == 0 && Tracks.Blacklisted(*t)) {
           Tracks.SetStatus(t, 1);
           skipped++;
        }
    }
  }
  if (skipped && !Tracks.Flush())
     return Refuse(ReplyCode, ReplyRefused, "%d tracks skipped, but tracks.conf could not be written", skipped);
  return cString::sprintf("%d tracks skipped", skipped);
}

cString VimoraSVDRPCommand(const char *Command, const char *Option, int &ReplyCode)
{
  if (strcasecmp(Command, "LSTT") == 0)
     return ListTracks(Option, ReplyCode);
  if (strcasecmp(Command, "MARK") == 0)
     return Mark(Option, ReplyCode);
  if (strcasecmp(Command, "CONV") == 0)
     return Convert(Option, ReplyCode);
  bool list = strcasecmp(Command, "LSTR") == 0, status = strcasecmp(Command, "STAT") == 0;
  bool stop = strcasecmp(Command, "STOP") == 0, blacklist = strcasecmp(Command, "BLCK") == 0;
  if (!list && !status && !stop && !blacklist)
     return NULL;
  if (!Words(Option).empty())
     return Refuse(ReplyCode, ReplyBadOption, "%s takes no option", Command);
  if (list)
     return ListRecordings(ReplyCode);
  if (blacklist)
     return ApplyBlacklist(ReplyCode);
  return ConversionStatus(stop);
}

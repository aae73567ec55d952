#include "script.h"

#include <algorithm>
#include <ctype.h>
#include <math.h>
#include <stdarg.h>
#include <vector>
#include <vdr/channels.h>
#include <vdr/config.h>
#include <vdr/clock.h>
#include <vdr/epg.h>
#include <vdr/svdrp.h>
#include <vdr/keys.h>
#include <vdr/onair.h>
#include <vdr/remote.h>
#include <vdr/skins.h>
#include <vdr/timers.h>

#include "broadcastformat.h"
#include "files.h"

static const int DefaultIdleLimit = 3600; // seconds of host time

// The words of a line, taken one after the other; the rest of the line stays whole.
class cWords {
private:
  std::string line;
  size_t pos;
  void SkipBlanks(void)
  {
    while (pos < line.size() && isspace((unsigned char)line[pos]))
      pos++;
  }

public:
  cWords(const std::string &Line) { line = Line; pos = 0; }
  std::string Next(void)
  {
    SkipBlanks();
    size_t begin = pos;
    while (pos < line.size() && !isspace((unsigned char)line[pos]))
      pos++;
    return line.substr(begin, pos - begin);
  }
  // The next word without taking it.
  std::string Peek(void)
  {
    size_t saved = pos;
    std::string w = Next();
    pos = saved;
    return w;
  }
  std::string Rest(void)
  {
    SkipBlanks();
    size_t end = line.size();
    while (end > pos && isspace((unsigned char)line[end - 1]))
      end--;
    std::string r = line.substr(pos, end - pos);
    pos = line.size();
    return r;
  }
  bool AtEnd(void) { return Peek().empty(); }
};

static std::string Trimmed(const std::string &s)
{
  size_t b = s.find_first_not_of(" \t");
  size_t e = s.find_last_not_of(" \t");
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// Over three years of host time; every command that takes seconds takes all of these.
static const double MaxSeconds = 1e8;

// A whole number of seconds, optionally with a fraction; false for anything else.
static bool ParseSeconds(const std::string &Text, double &Seconds)
{
  char *end;
  Seconds = strtod(Text.c_str(), &end);
  return !Text.empty() && !*end && Seconds >= 0 && Seconds < MaxSeconds;
}

std::string LastMessage(void)
{
  const auto &m = Skins.TextSkin()->Screen().messages;
  return m.empty() ? "" : m.back();
}

// --- cScript -----------------------------------------------------------------

cScript::cScript(cSession &Session)
  : session(Session)
{
  start = cClock::Now();
}

bool cScript::Fail(const char *Format, ...)
{
  char buf[1024];
  va_list ap;
  va_start(ap, Format);
  vsnprintf(buf, sizeof(buf), Format, ap);
  va_end(ap);
  error = buf;
  return false;
}

bool ParseLocalTime(const std::string &Date, const std::string &Clock, time_t &Result)
{
  struct tm tm = {};
  int n = 0, m = 0;
  if (sscanf(Date.c_str(), "%4d-%2d-%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &n) != 3 || size_t(n) != Date.size())
     return false;
  if (sscanf(Clock.c_str(), "%2d:%2d%n:%2d%n", &tm.tm_hour, &tm.tm_min, &n, &tm.tm_sec, &m) < 2 || size_t(std::max(n, m)) != Clock.size())
     return false;
  if (tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59)
     return false;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  tm.tm_isdst = -1;
  Result = mktime(&tm);
  return Result != time_t(-1);
}

// "+SECONDS" after the script's start, or the local time "YYYY-MM-DD hh:mm:ss".
bool cScript::Time(cWords &Words, const char *What, time_t &Result)
{
  std::string w = Words.Next();
  if (w.empty())
     return Fail("%s missing", What);
  double s;
  if (w[0] == '+' && ParseSeconds(w.substr(1), s)) {
     Result = start + time_t(s);
     return true;
  }
  std::string clock = w[0] == '+' ? "" : Words.Next();
  if (!ParseLocalTime(w, clock, Result))
     return Fail("bad %s '%s%s%s' (+SECONDS or YYYY-MM-DD hh:mm:ss)", What, w.c_str(), clock.empty() ? "" : " ", clock.c_str());
  return true;
}

// A channel by its id ("S19.2E-1-1092-10100") or its number.
bool cScript::ChannelArg(cWords &Words, cChannel *&Result)
{
  std::string w = Words.Next();
  if (w.empty())
     return Fail("channel missing");
  if (std::all_of(w.begin(), w.end(), ::isdigit))
     Result = Channels.GetByNumber(atoi(w.c_str()));
  else
     Result = Channels.GetByChannelID(tChannelID::FromString(w.c_str()));
  return Result ? true : Fail("unknown channel '%s' (add it with 'channel ID NAME')", w.c_str());
}

// $CONFIG, $VIDEO, $AUDIO and $CLIPS stand for the folders of the run.
bool cScript::Path(const std::string &Text, std::string &Result)
{
  const tHostOptions &o = session.Options();
  std::string clips = session.ClipsFolder();
  const struct { const char *name; const std::string *value; } vars[] = {
    { "CONFIG", &o.configDir }, { "VIDEO", &o.videoDir }, { "AUDIO", &o.audioDir }, { "CLIPS", &clips },
  };
  Result.clear();
  for (size_t i = 0; i < Text.size(); i++) {
      if (Text[i] != '$') {
         Result += Text[i];
         continue;
      }
      size_t e = i + 1;
      while (e < Text.size() && (isupper((unsigned char)Text[e]) || Text[e] == '_'))
        e++;
      std::string name = Text.substr(i + 1, e - i - 1);
      auto v = std::find_if(std::begin(vars), std::end(vars), [&](const auto &x) { return name == x.name; });
      if (v == std::end(vars))
         return Fail("unknown variable '$%s' in '%s' ($CONFIG, $VIDEO, $AUDIO, $CLIPS)", name.c_str(), Text.c_str());
      Result += *v->value;
      i = e - 1;
  }
  return !Result.empty() ? true : Fail("path missing");
}

// The path with its variables replaced, and its wildcards matched (sorted).
bool cScript::Paths(const std::string &Text, std::vector<std::string> &Result)
{
  std::string pattern;
  if (!Path(Text, pattern))
     return false;
  Result = MatchPaths(pattern);
  return !Result.empty() ? true : Fail("'%s' not found", pattern.c_str());
}

bool cScript::Speed(cWords &Words)
{
  std::string w = Words.Next();
  double speed;
  if (!ParseSpeed(w.c_str(), speed) || !Words.AtEnd())
     return Fail("speed takes a number of virtual seconds per real second, or 'max'");
  SetClockSpeed(speed);
  return true;
}

bool cScript::Channel(cWords &Words)
{
  std::string id = Words.Next();
  std::string name = Words.Rest();
  tChannelID channelID = tChannelID::FromString(id.c_str());
  if (!channelID.Valid())
     return Fail("bad channel id '%s' (such as S19.2E-1-1092-10100)", id.c_str());
  if (name.empty() || name.find(':') != std::string::npos)
     return Fail("a channel needs a name without ':'");
  if (Channels.GetByChannelID(channelID))
     return true; // known from channels.conf
  const char *source = id.c_str();
  const char *dash = strchr(source, '-');
  cString line = cString::sprintf("%s:11000:H:%.*s:27500:0:0:0:0:%d:%d:%d:%d", name.c_str(), int(dash - source), source,
                                  channelID.Sid(), channelID.Nid(), channelID.Tid(), channelID.Rid());
  cChannel *channel = new cChannel;
  if (!channel->Parse(line)) {
     delete channel;
     return Fail("cannot make a channel of '%s'", *line);
  }
  Channels.Add(channel);
  Channels.ReNumber();
  Channels.Save();
  return true;
}

// The channel's entry gets the format's video and sound PIDs with their stream types, by
// which the recorder knows the format.
bool cScript::Broadcast(cWords &Words)
{
  cChannel *channel;
  if (!ChannelArg(Words, channel))
     return false;
  std::string name = Words.Next();
  const tBroadcastFormat *format = BroadcastFormat(name);
  if (!format || !Words.AtEnd())
     return Fail("unknown broadcast format '%s' (%s)", name.c_str(), BroadcastFormatNames().c_str());
  std::vector<std::string> fields;
  std::string text = *channel->ToText();
  for (size_t b = 0, e; b <= text.size(); b = e + 1) {
      e = std::min(text.find(':', b), text.size());
      fields.push_back(text.substr(b, e - b));
  }
  fields[5] = format->VpidField();
  fields[6] = format->ApidField();
  std::string line;
  for (const auto &f : fields)
      line += (line.empty() ? "" : ":") + f;
  if (!channel->Parse(line.c_str()))
     return Fail("cannot make a channel of '%s'", line.c_str());
  Channels.ReNumber();
  Channels.Save();
  return true;
}

bool cScript::Split(cWords &Words)
{
  std::string w = Words.Next();
  long long bytes;
  char *end;
  bytes = strtoll(w.c_str(), &end, 10);
  if (w.empty() || *end || bytes < 0 || !Words.AtEnd())
     return Fail("split takes a number of bytes (0: the setup's MaxVideoFileSize in MB)");
  ::Setup.MaxVideoFileBytes = bytes;
  return true;
}

bool cScript::Epg(cWords &Words)
{
  std::vector<std::string> files;
  if (!Paths(Words.Rest(), files))
     return false;
  for (const auto &f : files)
      if (!cSchedules::Read(f.c_str()))
         return Fail("cannot read the guide '%s'", f.c_str());
  return true;
}

bool cScript::Airing(cWords &Words, cChannel *&Channel, time_t &Start, double &Duration)
{
  if (!ChannelArg(Words, Channel) || !Time(Words, "start", Start))
     return false;
  std::string d = Words.Next();
  return (ParseSeconds(d, Duration) && Duration >= 1) || Fail("bad duration '%s' (seconds, from 1 to below %.0f)", d.c_str(), MaxSeconds);
}

bool cScript::Event(cWords &Words)
{
  cChannel *channel;
  time_t startTime;
  double duration;
  if (!Airing(Words, channel, startTime, duration))
     return false;
  std::string texts[3];
  std::string rest = Words.Rest();
  for (int i = 0; i < 3; i++) {
      size_t bar = i < 2 ? rest.find('|') : std::string::npos;
      texts[i] = Trimmed(rest.substr(0, bar));
      rest = bar == std::string::npos ? "" : rest.substr(bar + 1);
  }
  if (texts[0].empty())
     return Fail("an event needs a title");
  cEvent *event = new cEvent;
  event->SetStartTime(startTime);
  event->SetDuration(int(duration));
  event->SetTitle(texts[0].c_str());
  if (!texts[1].empty())
     event->SetShortText(texts[1].c_str());
  if (!texts[2].empty())
     event->SetDescription(texts[2].c_str());
  cSchedulesLock lock(true);
  cSchedules *schedules = cSchedules::Writable(lock);
  if (!schedules) {
     delete event;
     return Fail("the guide is locked");
  }
  schedules->AddSchedule(channel->GetChannelID())->AddEvent(event);
  return true;
}

bool cScript::OnAir(cWords &Words)
{
  cChannel *channel;
  time_t startTime;
  double duration;
  if (!Airing(Words, channel, startTime, duration))
     return false;
  std::string title = Trimmed(Words.Rest());
  eTransition transition = trSilence;
  if (title.compare(0, 11, "transition=") == 0) {
     size_t blank = title.find(' ');
     std::string kind = title.substr(11, blank == std::string::npos ? std::string::npos : blank - 11);
     if (!ParseTransition(kind, transition))
        return Fail("unknown transition '%s' (silence, dip, cut or fade)", kind.c_str());
     title = blank == std::string::npos ? "" : Trimmed(title.substr(blank + 1));
  }
  if (title.empty())
     return Fail("an item on air needs a title");
  cOnAir::Add(channel->GetChannelID(), startTime, int(duration), title.c_str(), transition);
  return true;
}

bool cScript::Timer(cWords &Words)
{
  cChannel *channel;
  time_t startTime, stopTime;
  if (!ChannelArg(Words, channel) || !Time(Words, "start", startTime) || !Time(Words, "stop", stopTime))
     return false;
  std::string name = Words.Rest();
  if (name.empty())
     return Fail("a timer needs a name");
  if (stopTime / 60 <= startTime / 60 || stopTime - startTime >= 24 * 3600)
     return Fail("a timer must stop at least a minute and less than a day after its start");
  Timers.Add(new cTimer(channel, startTime, stopTime, name.c_str()));
  Timers.SetModified();
  return true;
}

bool cScript::Wait(cWords &Words)
{
  double s;
  std::string w = Words.Next();
  if (!ParseSeconds(w, s) || !Words.AtEnd())
     return Fail("wait takes a number of seconds (below %.0f)", MaxSeconds);
  // The session runs for an int of milliseconds, less than 25 days: a longer wait goes
  // in parts, each up to where the whole one ends.
  const uint64_t PartMs = 24 * 3600 * 1000;
  uint64_t end = cClock::NowMs() + uint64_t(llround(s * 1000));
  for (uint64_t now = cClock::NowMs(); now < end; now = cClock::NowMs())
      session.Run(int(std::min(PartMs, end - now)));
  return true;
}

bool cScript::WaitIdle(cWords &Words)
{
  double limit = DefaultIdleLimit;
  std::string w = Words.Next();
  if ((!w.empty() && !ParseSeconds(w, limit)) || !Words.AtEnd())
     return Fail("wait-idle takes a number of seconds (below %.0f), or nothing", MaxSeconds);
  uint64_t end = cClock::NowMs() + uint64_t(limit * 1000);
  while (session.Busy()) {
    if (cClock::NowMs() >= end) {
       cString active = cPluginManager::Active();
       return Fail("still busy after %g seconds: %s", limit, !isempty(active) ? *active : "a message is pending");
    }
    session.Step(100);
  }
  return true;
}

bool cScript::Key(cWords &Words)
{
  std::vector<eKeys> keys;
  for (std::string w = Words.Next(); !w.empty(); w = Words.Next()) {
      std::string name = w;
      int flag = 0;
      size_t plus = w.find('+');
      if (plus != std::string::npos) {
         name = w.substr(0, plus);
         std::string f = w.substr(plus + 1);
         flag = strcasecmp(f.c_str(), "repeat") == 0 ? k_Repeat : strcasecmp(f.c_str(), "release") == 0 ? k_Release : -1;
      }
      eKeys k = flag < 0 ? kNone : cKey::FromString(name.c_str());
      if (k == kNone || !cKey::ToString(k))
         return Fail("unknown key '%s' (Up Down Menu Ok Back Left Right Red Green Yellow Blue 0-9 Info Play Pause Stop FastFwd FastRew Next Prev, optionally +repeat or +release)", w.c_str());
      keys.push_back(eKeys(k | flag));
  }
  if (keys.empty())
     return Fail("key needs at least one key name");
  for (eKeys k : keys)
      cRemote::Put(k);
  session.TakeKeys();
  return true;
}

bool cScript::Screen(void)
{
  std::string s = Skins.TextSkin()->Screen().Render();
  fputs(s.empty() ? "(nothing on screen)\n" : s.c_str(), stdout);
  fflush(stdout);
  return true;
}

bool cScript::Expect(cWords &Words, bool Present)
{
  std::string text = Words.Rest();
  if (text.empty())
     return Fail("expect needs a text");
  bool found = Skins.TextSkin()->Screen().Render().find(text) != std::string::npos || LastMessage().find(text) != std::string::npos;
  if (found != Present)
     return Fail(Present ? "expected '%s', which is not on the screen" : "did not expect '%s', which is on the screen", text.c_str());
  return true;
}

bool cScript::Cat(cWords &Words)
{
  std::vector<std::string> files;
  if (!Paths(Words.Rest(), files))
     return false;
  for (const auto &f : files) {
      FILE *in = fopen(f.c_str(), "re");
      if (!in)
         return Fail("cannot read '%s': %s", f.c_str(), strerror(errno));
      if (files.size() > 1)
         printf("== %s ==\n", f.c_str());
      int c, last = '\n';
      while ((c = getc(in)) != EOF)
        putchar(last = c);
      if (last != '\n')
         putchar('\n');
      fclose(in);
  }
  fflush(stdout);
  return true;
}

bool cScript::Ls(cWords &Words)
{
  std::vector<std::string> dirs;
  if (!Paths(Words.Rest(), dirs))
     return false;
  for (const auto &d : dirs) {
      std::vector<std::string> names;
      if (!FolderEntries(d, names))
         return Fail("cannot list '%s': %s", d.c_str(), strerror(errno));
      if (dirs.size() > 1)
         printf("== %s ==\n", d.c_str());
      for (const auto &n : names)
          printf("%s\n", n.c_str());
  }
  fflush(stdout);
  return true;
}

bool cScript::Svdrp(cWords &Words)
{
  std::string line = Words.Rest();
  if (line.empty())
     return Fail("svdrp needs a command line, such as PLUG vimora LSTR");
  fputs(SVDRPExecute(line.c_str()), stdout);
  fflush(stdout);
  return true;
}

bool cScript::Execute(const std::string &Line)
{
  error.clear();
  cWords words(Line);
  std::string command = words.Next();
  if (command.empty() || command[0] == '#')
     return true;
  if (command == "speed")      return Speed(words);
  if (command == "channel")    return Channel(words);
  if (command == "broadcast")  return Broadcast(words);
  if (command == "split")      return Split(words);
  if (command == "epg")        return Epg(words);
  if (command == "event")      return Event(words);
  if (command == "onair")      return OnAir(words);
  if (command == "timer")      return Timer(words);
  if (command == "wait")       return Wait(words);
  if (command == "wait-idle")  return WaitIdle(words);
  if (command == "key")        return Key(words);
  if (command == "screen")     return words.AtEnd() ? Screen() : Fail("screen takes no arguments");
  if (command == "expect")     return Expect(words, true);
  if (command == "expect-not") return Expect(words, false);
  if (command == "cat")        return Cat(words);
  if (command == "ls")         return Ls(words);
  if (command == "svdrp")      return Svdrp(words);
  if (command == "echo") {
     printf("%s\n", words.Rest().c_str());
     fflush(stdout);
     return true;
  }
  return Fail("unknown command '%s'", command.c_str());
}

int cScript::Run(FILE *File, const char *Name)
{
  cReadLine reader;
  int number = 0;
  while (char *line = reader.Read(File)) {
    number++;
    if (!Execute(line)) {
       std::string screen = Skins.TextSkin()->Screen().Render();
       std::string last = LastMessage();
       fprintf(stderr, "vimora-host: %s:%d: %s\n", Name, number, error.c_str());
       fprintf(stderr, "on screen:\n%s", screen.empty() ? "(nothing)\n" : screen.c_str());
       if (!last.empty())
          fprintf(stderr, "last message: %s\n", last.c_str());
       return 1;
    }
  }
  return 0;
}

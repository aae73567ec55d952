#include "tracks.h"

#include <algorithm>
#include <charconv>
#include <ctype.h>
#include <limits.h>
#include <mutex>
#include <vdr/epg.h>
#include <vdr/recording.h>

#include "blacklist.h"
#include "compat.h"
#include "grabberthread.h"
#include "log.h"
#include "track_pool.h"
#include "vimora_config.h"

// --- text helpers ----------------------------------------------------------

static std::string Lowered(const std::string &Text)
{
  std::string s(Text);
  for (auto &c : s)
      c = char(tolower((unsigned char)c));
  return s;
}

int FindIgnoreCase(const std::string &Text, const std::string &Pattern)
{
  size_t pos = Lowered(Text).find(Lowered(Pattern));
  return pos == std::string::npos ? -1 : int(pos);
}

namespace {

// A text under replacement together with its lowered twin, so that each search does
// not lower the whole text again. A pattern without letters is searched directly.
class cFoldedText {
private:
  std::string text, lower;
  std::string pattern;
  bool plain;

public:
  cFoldedText(const std::string &Text, const std::string &Pattern)
  : text(Text), pattern(Pattern), plain(true)
  {
    for (unsigned char c : Pattern)
        if (tolower(c) != c || toupper(c) != c)
           plain = false;
    if (!plain) {
       lower = Lowered(Text);
       pattern = Lowered(Pattern);
    }
  }
  size_t Find(size_t From) const { return (plain ? text : lower).find(pattern, From); }
  void Replace(size_t Pos, const std::string &Replacement)
  {
    text.replace(Pos, pattern.size(), Replacement);
    if (!plain)
       lower.replace(Pos, pattern.size(), Lowered(Replacement));
  }
  const std::string &Text(void) const { return text; }
};

std::string ReplaceInOnePass(const std::string &Text, const std::string &Pattern, const std::string &Replacement)
{
  cFoldedText t(Text, Pattern);
  for (size_t pos = t.Find(0); pos != std::string::npos; pos = t.Find(pos + Replacement.size()))
      t.Replace(pos, Replacement);
  return t.Text();
}

} // namespace

std::string ReplaceAll(const std::string &Text, const std::string &Pattern, const std::string &Replacement)
{
  if (Pattern.empty())
     return Text;
  if (FindIgnoreCase(Replacement, Pattern) >= 0)
     return ReplaceInOnePass(Text, Pattern, Replacement);
  // Chains that keep forming the pattern anew (such as "ab" -> "bbaa") never end;
  // ones that do end need far fewer replacements than this.
  size_t budget = (Text.size() + 1) * (Text.size() + 1) + 64;
  cFoldedText t(Text, Pattern);
  size_t pos = t.Find(0);
  while (pos != std::string::npos) {
    if (budget-- == 0)
       return ReplaceInOnePass(Text, Pattern, Replacement);
    t.Replace(pos, Replacement);
    // Nothing before the replaced text matched, so a new occurrence can only begin
    // where it overlaps the replacement: searching from there equals searching from
    // the beginning.
    pos = t.Find(pos >= Pattern.size() - 1 ? pos - (Pattern.size() - 1) : 0);
  }
  return t.Text();
}

// --- cLineFields -----------------------------------------------------------

cLineFields::cLineFields(const char *Line, char Delimiter)
: line(Line)
{
  if (!line.empty() && line.back() == '\n')
     line.pop_back();
  p = line.c_str();
  delimiter = Delimiter;
}

bool cLineFields::Next(std::string &Field)
{
  while (*p == ' ')
        p++;
  if (!*p)
     return false;
  const char *end = strchr(p, delimiter);
  if (!end)
     end = p + strlen(p);
  size_t length = end - p;
  if (length > MaxFieldLength) {
     LogFile.eSysLog("entry '%s' is too long. Will be truncated!", p);
     length = MaxFieldLength;
  }
  Field.assign(p, length);
  p = *end ? end + 1 : end;
  return true;
}

// --- cTrack ----------------------------------------------------------------

char *cTrack::buffer = NULL;

// Guards buffer: a track destroyed in one thread must not free the text another
// thread is writing. A constant-initialised mutex, so that the tracks destroyed at
// library unload still find it intact.
static std::mutex bufferMutex;

void *cTrack::operator new(size_t Size)
{
  return TrackAllocate(Size);
}

void cTrack::operator delete(void *Track, size_t Size)
{
  TrackRelease(Track, Size);
}

cTrack::cTrack(void)
{
  year = 0;
  startTime = 0;
  duration = 0;
  status = 0;
  fileOffset = -1;
}

cTrack::cTrack(const cEvent *Event)
: cTrack()
{
  if (!Event)
     return;
  channelId = *Event->ChannelID().ToString();
  eventTitle = Event->Title() ? Event->Title() : "";
  shortText = Event->ShortText() ? Event->ShortText() : "";
  description = Event->Description() ? Event->Description() : "";
  startTime = Event->StartTime();
  duration = Event->Duration();
  CreateTrackInfo();
}

cTrack::~cTrack()
{
  std::lock_guard<std::mutex> lock(bufferMutex);
  free(buffer);
  buffer = NULL;
}

void cTrack::CreateTrackInfo(void)
{
  if (cGrabberThread::EpgFormat(channelId) != 1)
     return;
  size_t dash = eventTitle.find(" - ");
  if (dash == std::string::npos)
     return;
  artist = eventTitle.substr(0, dash);
  size_t titleStart = dash + 3;
  size_t paren = eventTitle.rfind('(');
  // A '(' before the title is not the year's: the title has no year then.
  if (paren == std::string::npos || paren < titleStart)
     return;
  // The blank before "(Year)" is dropped, whatever character stands there.
  title = paren > titleStart ? eventTitle.substr(titleStart, paren - 1 - titleStart) : "";
  year = atoi(eventTitle.substr(paren + 1, 4).c_str());
}

bool cTrack::FindFrames(cIndexFile &Index, time_t RecordingStart, int Offset, int &StartFrame, int &EndFrame) const
{
  // one mapping of times onto frames for every caller: the window's
  return cTrackWindow(Index, RecordingStart, Offset).Frames(*this, StartFrame, EndFrame);
}

bool cTrack::InRecording(cIndexFile &Index, time_t RecordingStart, int Offset) const
{
  int startFrame, endFrame;
  return FindFrames(Index, RecordingStart, Offset, startFrame, endFrame);
}

const char *const PartsFileName = "vimora.parts";

static const long long MaxPartMs = 900000000000000LL;

cRecordingParts::cRecordingParts(time_t Start, const cFrameRate &Rate)
: rate(Rate)
{
  parts.push_back({ 0, (long long)Start * 1000 });
}

cRecordingParts::cRecordingParts(const cRecording *Recording)
: rate(Recording)
{
  FILE *f = fopen(AddDirectory(Recording->FileName(), PartsFileName), "r");
  if (f) {
     cReadLine reader;
     char *line;
     bool good = true;
     while (good && (line = reader.Read(f)) != NULL) {
           int frame = -1;
           long long ms = -1;
           const char *end = line + strlen(line);
           auto first = std::from_chars(line, end, frame);
           auto m = first.ec == std::errc() && *first.ptr == ' ' ? std::from_chars(first.ptr + 1, end, ms) : first;
           // times from 1970 on, before the year 30000: no arithmetic on them can overflow
           good = m.ec == std::errc() && m.ptr == end && frame >= 0 && ms >= 0 && ms < MaxPartMs &&
                  (parts.empty() ? frame == 0 : frame > parts.back().frame && ms > parts.back().ms);
           if (good)
              parts.push_back({ frame, ms });
           }
     fclose(f);
     if (!good) {
        LogFile.Log(1, "ignoring '%s' in '%s': not a list of parts", PartsFileName, Recording->FileName());
        parts.clear();
        }
     }
  if (parts.empty())
     parts.push_back({ 0, (long long)Recording->Start() * 1000 });
}

bool cRecordingParts::Frame(long long Seconds, int &Frame) const
{
  long long ms;
  if (__builtin_mul_overflow(Seconds, 1000LL, &ms))
     return false;
  size_t k = 0;
  while (k + 1 < parts.size() && parts[k + 1].ms <= ms)
        k++;
  long long since;
  if (__builtin_sub_overflow(ms, parts[k].ms, &since))
     return false;
  long long f;
  if (!rate.NearestFrame(since, f))
     return false;
  f += parts[k].frame;
  if (k + 1 < parts.size() && f >= parts[k + 1].frame)
     f = parts[k + 1].frame - 1;
  if (f < INT_MIN || f > INT_MAX)
     return false;
  Frame = int(f);
  return true;
}

bool cRecordingParts::Note(const char *FileName, time_t Start, int Frame, long long Ms)
{
  cString path = AddDirectory(FileName, PartsFileName);
  std::string text;
  if (FILE *f = fopen(path, "r")) {
     char buf[1024];
     size_t n;
     while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
           text.append(buf, n);
     fclose(f);
     }
  else if (Frame > 0)
     text = *cString::sprintf("0 %lld\n", (long long)Start * 1000);
  text += *cString::sprintf("%d %lld\n", Frame, Ms);
  cSafeFile file(path);
  if (file.Open() && fputs(text.c_str(), file) >= 0 && file.Close())
     return true;
  LogFile.eSysLog("could not write '%s'", *path);
  return false;
}

cTrackWindow::cTrackWindow(cIndexFile &Index, time_t RecordingStart, int Offset, const cFrameRate &Rate)
: index(Index), parts(RecordingStart, Rate), offset(Offset), last(Index.Last())
{
}

cTrackWindow::cTrackWindow(cIndexFile &Index, const cRecording *Recording, int Offset)
: index(Index), parts(Recording), offset(Offset), last(Index.Last())
{
}

bool cTrackWindow::Times(const cTrack &Track, long long &Start, long long &End) const
{
  long long start, end;
  int s, e;
  if (__builtin_add_overflow((long long)Track.startTime, (long long)offset, &start) ||
      __builtin_add_overflow(start, (long long)Track.duration, &end) || !parts.Frame(start, s) || !parts.Frame(end, e))
     return false;
  Start = s;
  End = e;
  return true;
}

bool cTrackWindow::Frames(const cTrack &Track, int &StartFrame, int &EndFrame) const
{
  long long start, end;
  if (!Times(Track, start, end)) {
     StartFrame = EndFrame = -1;
     return false;
     }
  StartFrame = index.GetNextIFrame(int(start), true);
  EndFrame = index.GetNextIFrame(int(end), false);
  return StartFrame >= 0 && EndFrame >= 0;
}

bool cTrackWindow::Find(const cTrack &Track, int &StartFrame, int &EndFrame) const
{
  // Both searches find nothing when they start outside the index.
  long long start, end;
  if (!Times(Track, start, end) || start < 0 || start > last || end < 0 || end > last)
     return false;
  return Frames(Track, StartFrame, EndFrame);
}

bool cTrackWindow::Contains(const cTrack &Track) const
{
  int startFrame, endFrame;
  return Find(Track, startFrame, endFrame);
}

bool cTrackWindow::Covers(const cTrack &Track, int Frame) const
{
  // Without an end inside the index there is no end frame, and no frame from 0 on
  // lies at or before -1.
  long long start, end;
  if (Frame >= 0 && (!Times(Track, start, end) || end < 0 || end > last))
     return false;
  int startFrame, endFrame;
  Frames(Track, startFrame, endFrame);
  return startFrame <= Frame && Frame <= endFrame;
}

int cTrackWindow::Side(long long Seconds) const
{
  int frame;
  if (!parts.Frame(Seconds, frame)) // more frames away than an int counts
     return Seconds < parts.Begin() ? -1 : 1;
  return frame < 0 ? -1 : frame > last ? 1 : 0;
}

bool cTrack::operator==(const cTrack &Other) const
{
  return startTime == Other.startTime && duration == Other.duration && eventTitle == Other.eventTitle && channelId == Other.channelId;
}

bool cTrack::SameBroadcast(const cTrack &Other) const
{
  if (*this == Other)
     return true;
  // Read back after a restart: without this the grabber would catalogue the broadcast
  // on air again, and its marks and files would come twice.
  return eventTitle.empty() && startTime == Other.startTime && duration == Other.duration && channelId == Other.channelId &&
         artist == Other.artist && title == Other.title && year == Other.year;
}

// strtol(Text, NULL, 10), quicker for the plain short numbers a catalogue holds.
static long Number(const char *Text)
{
  long n = 0;
  const char *p = Text;
  for (; *p >= '0' && *p <= '9'; p++) {
      if (p - Text == 18) // might overflow: let strtol say what it gives then
         return strtol(Text, NULL, 10);
      n = n * 10 + (*p - '0');
  }
  return p == Text ? strtol(Text, NULL, 10) : n;
}

// The numbers of a line are read where they stand: reading stops at the first
// non-digit, so the field's end needs no copy of its own.
bool cTrack::Parse(const char *Line)
{
  channelId = MusicChannelId;
  const char *end = Line + strlen(Line);
  if (end > Line && end[-1] == '\n')
     end--;
  int count = 0;
  for (const char *p = Line;;) {
      while (p < end && *p == ' ')
            p++;
      if (p == end)
         break;
      const char *delimiter = (const char *)memchr(p, ':', end - p);
      const char *fieldEnd = delimiter ? delimiter : end;
      size_t length = fieldEnd - p;
      if (length > cLineFields::MaxFieldLength) {
         LogFile.eSysLog("entry '%.*s' is too long. Will be truncated!", int(end - p), p);
         length = cLineFields::MaxFieldLength;
      }
      if (length) {
         switch (++count) {
           case 1: artist.assign(p, length); break;
           case 2: title.assign(p, length); break;
           case 3: year = int(Number(p)); break;
           case 4: startTime = Number(p); break;
           case 5: duration = int(Number(p)); break;
           case 6: status = int(Number(p)); break;
           case 7: channelId.assign(p, length); break;
           default: break;
         }
      }
      else
         count++;
      if (!delimiter)
         break;
      p = delimiter + 1;
  }
  if (artist.find('|') != std::string::npos)
     artist = ReplaceAll(artist, "|", ":");
  if (title.find('|') != std::string::npos)
     title = ReplaceAll(title, "|", ":");
  return count >= 4;
}

// A text field as the line holds it: every ':' is written as '|', and a line
// break, which would end the track's line, as a blank. One pass, byte by byte: the
// library's search for a set of characters looks up each byte of the text in the set.
static char *PutEscaped(char *__restrict Out, const std::string &Text)
{
  const char *__restrict in = Text.data();
  size_t n = Text.size();
  // written so that the compiler can do it many bytes at a time
  for (size_t i = 0; i < n; i++) {
      char c = in[i];
      Out[i] = c == ':' ? '|' : c == '\n' || c == '\r' ? ' ' : c;
  }
  return Out + n;
}

template <class T> static char *PutNumber(char *Out, T Number)
{
  return std::to_chars(Out, Out + 24, Number).ptr;
}

// Appends the line without line end, as "%s:%s:%d:%ld:%d:%d:%s" gives it, built
// without the formatting machinery: saving a large catalogue writes a million of them.
static void TrackLine(const cTrack &Track, std::string &Line)
{
  size_t old = Line.size();
  // the texts and four numbers of at most 24 characters each (to_chars needs no more for long), six colons
  Line.resize(old + Track.artist.size() + Track.title.size() + Track.channelId.size() + 4 * 24 + 6);
  char *out = &Line[old];
  out = PutEscaped(out, Track.artist);
  *out++ = ':';
  out = PutEscaped(out, Track.title);
  *out++ = ':';
  out = PutNumber(out, Track.year);
  *out++ = ':';
  out = PutNumber(out, long(Track.startTime));
  *out++ = ':';
  out = PutNumber(out, Track.duration);
  *out++ = ':';
  out = PutNumber(out, Track.status);
  *out++ = ':';
  out = PutEscaped(out, Track.channelId); // holds no ":" where it came from a line or the guide
  Line.resize(size_t(out - Line.data()));
}

const char *cTrack::ToText(void) const
{
  std::string line;
  TrackLine(*this, line);
  std::lock_guard<std::mutex> lock(bufferMutex);
  free(buffer);
  buffer = strdup(line.c_str());
  return buffer;
}

void cTrack::AppendLine(std::string &Text) const
{
  TrackLine(*this, Text);
  Text += '\n';
}

// Writes the line that ToText() gives, without taking the class-wide text: the
// lines of a whole catalogue need no copy each.
bool cTrack::Save(FILE *File)
{
  static thread_local std::string line;
  line.clear();
  TrackLine(*this, line);
  line += '\n';
  return fwrite(line.data(), 1, line.size(), File) == line.size();
}

// --- cTracks ---------------------------------------------------------------

cTracks::cTracks(void)
{
  writer = NULL;
  rewrite = false;
  fileSize = 0;
  pendingSince = lastRewrite = 0;
  generation = 0;
  allowComments = false;
  nextOrder = 0;
  shortest = longest = 0;
}

size_t cTracks::SongHash(const std::string &Artist, const std::string &Title, int Year)
{
  std::hash<std::string> hash;
  size_t h = hash(Artist);
  h ^= hash(Title) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
  return h ^ (size_t(unsigned(Year)) * 0x9e3779b97f4a7c15ULL);
}

void cTracks::IndexSong(cTrack *Track)
{
  cTrack *&bucket = songs[SongHash(Track->artist, Track->title, Track->year) & (songs.size() - 1)];
  Track->sameSong = bucket;
  bucket = Track;
}

// Chains of two tracks on average: a bucket costs less than the track's share of a
// sparser table, and a lookup stays a handful of comparisons.
static size_t SongBuckets(size_t Tracks)
{
  size_t n = 64;
  while (n * 2 < Tracks)
        n *= 2;
  return n;
}

static bool EarlierStart(const cTrack *a, const cTrack *b)
{
  return a->startTime < b->startTime;
}

// What every index but the one by start time takes of a track that enters the list.
void cTracks::Enter(cTrack *Track)
{
  Track->order = nextOrder++;
  shortest = std::min(shortest, Track->duration);
  longest = std::max(longest, Track->duration);
  if (size_t(Count()) > 2 * songs.size()) {
     songs.assign(SongBuckets(size_t(Count())), NULL);
     for (cTrack *t = First(); t; t = Next(t))
         IndexSong(t);
  }
  else
     IndexSong(Track);
}

void cTracks::Index(cTrack *Track)
{
  Enter(Track);
  // after the tracks that start with it: equal starts stay in list order
  byStart.insert(std::upper_bound(byStart.begin(), byStart.end(), Track, EarlierStart), Track);
}

void cTracks::Reindex(size_t Expected)
{
  byStart.clear();
  byStart.shrink_to_fit();
  byStart.reserve(Expected);
  songs.assign(SongBuckets(Expected), NULL);
  nextOrder = 0;
  shortest = longest = 0;
}

void cTracks::Add(cTrack *Track)
{
  cConfig<cTrack>::Add(Track);
  Index(Track);
  Changed(Track);
}

void cTracks::SetStatus(cTrack *Track, int Status)
{
  if (Track->status == Status)
     return;
  Track->status = Status;
  Restated(Track);
  Due();
}

void cTracks::Changed(cTrack *Added)
{
  if (Added)
     appends.push_back(Added);
  else
     rewrite = true;
  Due();
}

void cTracks::Restated(cTrack *Track)
{
  if (!writer)
     rewrite = true;
  else if (Track->fileOffset >= 0)
     patches.push_back(Track);
  else if (std::find(appends.begin(), appends.end(), Track) == appends.end())
     rewrite = true; // in the list, not yet in the file, and not waiting to be added
}

void cTracks::Due(void)
{
  if (!pendingSince)
     pendingSince = VimoraNowMs();
  if (!writer)
     SaveLocked();
  else
     WakeWriter();
}

// What was pending belonged to the list that is being replaced.
void cTracks::Forget(void)
{
  appends.clear();
  patches.clear();
  rewrite = false;
  fileSize = 0;
  pendingSince = lastRewrite = 0;
  generation++;
}

void cTracks::Clear(void)
{
  cTracksLock lock(*this);
  cListBase::Clear();
  Forget();
  Reindex(0);
}

// One line of the file, terminated where its line feed was: a track added, or a
// bad line reported and dropped.
void cTracks::LoadLine(char *Line, int Number, long long Offset)
{
  if (allowComments) {
     char *p = strchr(Line, '#');
     if (p)
        *p = 0;
  }
  stripspace(Line);
  if (isempty(Line))
     return;
  cTrack *t = new cTrack;
  if (t->Parse(Line)) {
     t->fileOffset = Offset; // a line that is not as the track writes it is told apart when written over
     cConfig<cTrack>::Add(t);
  }
  else {
     esyslog("ERROR: error in %s, line %d", fileName.c_str(), Number);
     delete t;
  }
}

// Read in blocks, not whole: the text of a large catalogue would double what loading
// it takes at its peak.
bool cTracks::LoadFile(FILE *File)
{
  std::vector<char> buffer(1 << 20);
  size_t filled = 0;
  int number = 0;
  long long consumed = 0; // the bytes of the file before the buffer
  for (;;) {
      if (filled == buffer.size())
         buffer.resize(buffer.size() * 2); // a line longer than the block
      size_t n = fread(buffer.data() + filled, 1, buffer.size() - filled, File);
      if (n == 0)
         break;
      filled += n;
      fileSize += n;
      char *line = buffer.data(), *end = buffer.data() + filled;
      for (char *lf; (lf = (char *)memchr(line, '\n', end - line)) != NULL; line = lf + 1) {
          *lf = 0;
          LoadLine(line, ++number, consumed + (line - buffer.data()));
      }
      consumed += line - buffer.data();
      filled = end - line;
      memmove(buffer.data(), line, filled);
  }
  if (ferror(File))
     return false;
  if (filled) {
     // Every line is written with its line feed: a last line without one was cut off
     // in the middle of its writing, and what it holds cannot be trusted.
     buffer.resize(filled);
     esyslog("ERROR: error in %s, line %d: the line is incomplete and dropped: '%.*s'", fileName.c_str(), number + 1, int(filled), buffer.data());
     LogFile.eSysLog("the last line of %s is incomplete and dropped", fileName.c_str());
     // nothing may be appended to the cut-off line: the first write rewrites the file
     rewrite = true;
     pendingSince = VimoraNowMs();
  }
  return true;
}

bool cTracks::Load(const char *FileName, bool AllowComments, bool MustExist)
{
  cTracksLock lock(*this);
  cListBase::Clear();
  Forget();
  if (FileName) {
     fileName = FileName;
     allowComments = AllowComments;
  }
  Reindex(0);
  bool result = !MustExist;
  if (!fileName.empty() && access(fileName.c_str(), F_OK) == 0) {
     isyslog("loading %s", fileName.c_str());
     FILE *f = fopen(fileName.c_str(), "re");
     result = f && LoadFile(f);
     if (f)
        fclose(f);
     if (!result)
        LOG_ERROR_STR(fileName.c_str());
  }
  if (!result)
     fprintf(stderr, "vdr: error while reading '%s'\n", fileName.c_str());
  Reindex(size_t(Count()));
  for (cTrack *t = First(); t; t = Next(t)) {
      Enter(t);
      byStart.push_back(t);
  }
  // a file written by us is in start order already
  if (!std::is_sorted(byStart.begin(), byStart.end(), EarlierStart))
     std::stable_sort(byStart.begin(), byStart.end(), EarlierStart);
  return result;
}

bool cTracks::Save(void)
{
  if (writer) {
     {
       cTracksLock lock(*this);
       Changed(NULL);
     }
     return WritePending(true);
  }
  cTracksLock lock(*this);
  return SaveLocked();
}

const cTrack *cTracks::AppendLines(const cTrack *From, std::string &Block, long long Base) const
{
  for (int n = 0; From && n < 8192; From = Next(From), n++) {
      From->fileOffset = Base + (long long)Block.size();
      From->AppendLine(Block);
  }
  return From;
}

bool cTracks::SaveLocked(void)
{
  if (fileName.empty())
     return false;
  dsyslog("Saving configfile %s", fileName.c_str());
  cSafeFile f(fileName.c_str());
  if (!f.Open())
     return false;
  // a safe file left without Close is dropped, and the old file stays
  std::string block;
  long long bytes = 0;
  for (const cTrack *t = First(); t;) {
      block.clear();
      t = AppendLines(t, block, bytes);
      if (fwrite(block.data(), 1, block.size(), f) != block.size())
         return false;
      bytes += (long long)block.size();
  }
  if (!f.Close())
     return false;
  appends.clear();
  patches.clear();
  rewrite = false;
  fileSize = bytes;
  pendingSince = 0;
  return true;
}

// Saturating: a start time read from a damaged line must not wrap around.
static long long Plus(long long Seconds, long long Delta)
{
  long long sum;
  if (__builtin_add_overflow(Seconds, Delta, &sum))
     return Delta < 0 ? LLONG_MIN : LLONG_MAX;
  return sum;
}

void cTracks::StartRange(const cTrackWindow &Window, size_t &From, size_t &To) const
{
  // A track's start frame comes from start + offset, its end frame from start + offset
  // + duration: with durations between shortest and longest, no track before From
  // reaches the first frame and none from To on starts or ends before the last.
  long long early = Plus(Window.Offset(), longest), late = Plus(Window.Offset(), shortest);
  From = std::partition_point(byStart.begin(), byStart.end(), [&](const cTrack *t) { return Window.Side(Plus(t->startTime, early)) < 0; }) - byStart.begin();
  To = std::partition_point(byStart.begin() + From, byStart.end(), [&](const cTrack *t) { return Window.Side(Plus(t->startTime, late)) <= 0; }) - byStart.begin();
}

std::vector<cTrack *> cTracks::Near(const cTrackWindow &Window, const char *ChannelId) const
{
  size_t from, to;
  StartRange(Window, from, to);
  std::vector<cTrack *> near;
  for (size_t i = from; i < to; i++)
      if (!ChannelId || byStart[i]->channelId == ChannelId)
         near.push_back(byStart[i]);
  std::sort(near.begin(), near.end(), [](const cTrack *a, const cTrack *b) { return a->order < b->order; });
  return near;
}

std::vector<cTrack *> cTracks::Song(const std::string &Artist, const std::string &Title, int Year) const
{
  std::vector<cTrack *> song;
  if (songs.empty())
     return song;
  for (cTrack *t = songs[SongHash(Artist, Title, Year) & (songs.size() - 1)]; t; t = t->sameSong)
      if (t->year == Year && t->title == Title && t->artist == Artist)
         song.push_back(t);
  return song;
}

bool cTracks::Blacklisted(const cTrack &Track)
{
  return Blacklist.InList(Track.artist, Track.title);
}

bool cTracks::Blacklisted(const cEvent *Event)
{
  return Blacklisted(cTrack(Event));
}

// Whether the song has a converted track: what the setup option "avoidrepeats" skips.
static bool Converted(const std::vector<cTrack *> &Song)
{
  for (const cTrack *t : Song)
      if (t->status == 2)
         return true;
  return false;
}

bool cTracks::AlreadyDone(const cEvent *Event)
{
  if (!VimoraConfig.avoidrepeats)
     return false;
  cTrack track(Event);
  cTracksLock lock(*this);
  return Converted(Song(track.artist, track.title, track.year));
}

bool cTracks::IsTrack(const cEvent *Event)
{
  cTrack track(Event);
  return track.year > 0 && !track.artist.empty() && !track.title.empty();
}

bool cTracks::InList(const cEvent *Event)
{
  bool alreadyDone;
  return InList(cTrack(Event), alreadyDone);
}

bool cTracks::InList(const cTrack &Track, bool &AlreadyDone)
{
  AlreadyDone = false;
  cTracksLock lock(*this);
  auto same = std::equal_range(byStart.begin(), byStart.end(), &Track, [](const cTrack *a, const cTrack *b) { return a->startTime < b->startTime; });
  for (auto t = same.first; t != same.second; ++t)
      if ((*t)->SameBroadcast(Track))
         return true;
  AlreadyDone = VimoraConfig.avoidrepeats && Converted(Song(Track.artist, Track.title, Track.year));
  return false;
}

void cTracks::SetConverted(const cRecording *Recording)
{
  int offset = VimoraConfig.offset;
  cIndexFile index(Recording->FileName(), false, Recording->IsPesRecording());
  cTrackWindow window(index, Recording, offset);
  cTracksLock lock(*this);
  bool changed = false;
  for (cTrack *t : Near(window))
      if (window.Contains(*t) && t->status != 2) {
         t->status = 2;
         Restated(t);
         changed = true;
      }
  if (changed)
     Due();
}

// The pair of Pairs that names Track and overlaps the frames it takes in Window most, or
// null (also for a track outside the recording).
static const tTrackPair *PairOf(const cTrack &Track, const cTrackWindow &Window, const std::vector<tTrackPair> &Pairs)
{
  int start, end;
  if (!Window.Find(Track, start, end))
     return NULL;
  cString year = cString::sprintf("%04d", Track.year);
  const tTrackPair *best = NULL;
  int most = 0;
  for (const tTrackPair &p : Pairs) {
      int overlap = std::min(end, p.end) - std::max(start, p.start);
      if (p.artist == Track.artist && p.title == Track.title && p.year == *year && overlap > most) {
         best = &p;
         most = overlap;
      }
  }
  return best;
}

void cTracks::SetConverted(const cRecording *Recording, const std::vector<tTrackPair> &Pairs)
{
  cIndexFile index(Recording->FileName(), false, Recording->IsPesRecording());
  cTrackWindow window(index, Recording, VimoraConfig.offset);
  cTracksLock lock(*this);
  bool changed = false;
  for (cTrack *t : Near(window)) {
      const tTrackPair *pair = PairOf(*t, window, Pairs);
      if (pair && pair->converted && t->status != 2) {
         t->status = 2;
         Restated(t);
         changed = true;
      }
  }
  if (changed)
     Due();
}

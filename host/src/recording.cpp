#include <vdr/recording.h>

#include <charconv>
#include <dirent.h>
#include <math.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/timers.h>

#include "fields.h"
#include "framerate.h"

static const char *InfoFile(bool IsPesRecording)
{
  return IsPesRecording ? "info.vdr" : "info";
}

static const char *IndexFile(bool IsPesRecording)
{
  return IsPesRecording ? "index.vdr" : "index";
}
static const int IndexRecordSize = 8;
static const int MaxFolderDepth = 16;

const char *VideoDirectory = "/video";
cStateLock cRecordings::stateLock("Recordings");

void SetVideoDirectory(const char *Directory)
{
  static char *videoDirectory = NULL;
  free(videoDirectory);
  videoDirectory = strdup(Directory);
  stripspace(videoDirectory);
  size_t n = strlen(videoDirectory);
  while (n > 1 && videoDirectory[n - 1] == '/')
    videoDirectory[--n] = 0;
  VideoDirectory = videoDirectory;
}

// --- names of recordings ---------------------------------------------------

// A folder name that stays one folder: '/' and '#' are written as "#2F" and "#23", a
// leading '.' as "#2E".
static std::string EscapedFolder(const std::string &Name)
{
  std::string s;
  for (size_t i = 0; i < Name.size(); i++) {
      char c = Name[i];
      if (c == '/' || c == '#' || (c == '.' && i == 0)) {
         char hex[4];
         snprintf(hex, sizeof(hex), "#%02X", (unsigned char)c);
         s += hex;
      }
      else
         s += c;
  }
  return s;
}

static std::string UnescapedFolder(const std::string &Folder)
{
  std::string s;
  for (size_t i = 0; i < Folder.size(); i++) {
      int c;
      if (Folder[i] == '#' && i + 2 < Folder.size() && ParseHex(Folder.substr(i + 1, 2), c)) {
         s += char(c);
         i += 2;
      }
      else
         s += Folder[i];
  }
  return s;
}

// --- cRecordingInfo --------------------------------------------------------

cRecordingInfo::cRecordingInfo(void)
{
  channelName = NULL;
  event = new cEvent;
  framesPerSecond = DEFAULTFRAMESPERSECOND;
  priority = 50;
  lifetime = 99;
}

cRecordingInfo::~cRecordingInfo()
{
  free(channelName);
  delete event;
}

void cRecordingInfo::Set(const cChannel *Channel, const cEvent *Event, const char *Title, int Priority, int Lifetime)
{
  priority = Priority;
  lifetime = Lifetime;
  channelID = Channel ? Channel->GetChannelID() : tChannelID::InvalidID;
  free(channelName);
  channelName = Channel && Channel->Name() ? strdup(Channel->Name()) : NULL;
  delete event;
  event = new cEvent(Event ? Event->EventID() : 0);
  if (Event) {
     event->SetStartTime(Event->StartTime());
     event->SetDuration(Event->Duration());
     event->SetTableID(Event->TableID());
     event->SetVersion(Event->Version());
     event->SetTitle(Event->Title());
     event->SetShortText(Event->ShortText());
     event->SetDescription(Event->Description());
  }
  else
     event->SetTitle(Title);
}

bool cRecordingInfo::Read(const char *RecordingFileName, bool IsPesRecording)
{
  cString fileName = AddDirectory(RecordingFileName, InfoFile(IsPesRecording));
  if (access(fileName, F_OK) != 0)
     return false;
  bool inEvent = false;
  int errors = ReadLines(fileName, [this, &inEvent](char *s) {
    const char *data = s[1] == ' ' ? s + 2 : s + 1;
    switch (*s) {
      case 'C': {
        std::vector<std::string> f = SplitFields(data, ' ', 2);
        channelID = tChannelID::FromString(f[0].c_str());
        free(channelName);
        channelName = f.size() > 1 ? strdup(f[1].c_str()) : NULL;
        return channelID.Valid();
      }
      case 'E':
        if (inEvent || !event->ParseHeader(data))
           return false;
        inEvent = true;
        return true;
      case 'e':
        if (!inEvent)
           return false;
        inEvent = false;
        return true;
      case 'F': {
        // written without the locale's decimal comma, as the recorder writes it
        const char *end = data + strlen(data);
        double fps;
        auto r = std::from_chars(data, end, fps);
        if (r.ec != std::errc() || r.ptr != end)
           return false;
        framesPerSecond = fps;
        return true;
      }
      case 'P':
        return ParseInt(data, priority);
      case 'L':
        return ParseInt(data, lifetime);
      default:
        return event->ParseText(*s, data);
    }
  });
  return errors == 0;
}

bool cRecordingInfo::Write(const char *RecordingFileName, bool IsPesRecording) const
{
  cSafeFile f(AddDirectory(RecordingFileName, InfoFile(IsPesRecording)));
  if (!f.Open())
     return false;
  bool channel = channelID.Valid();
  // "%.10g" in any locale: 25, 50, 29.97002997
  char fps[32];
  *std::to_chars(fps, fps + sizeof(fps) - 1, framesPerSecond, std::chars_format::general, 10).ptr = 0;
  if ((channel && fprintf(f, "C %s%s%s\n", *channelID.ToString(), channelName ? " " : "", channelName ? channelName : "") <= 0) ||
      !event->Write(f, true) || fprintf(f, "F %s\nP %d\nL %d\n", fps, priority, lifetime) <= 0) {
     f.Discard();
     return false;
  }
  return f.Close();
}

// --- cRecording ------------------------------------------------------------

cRecording::cRecording(const char *FileName)
{
  titleBuffer = NULL;
  info = NULL;
  start = 0;
  priority = 50;
  lifetime = 99;
  channel = 0;
  instanceId = 0;
  isPesRecording = false;
  framesPerSecond = DEFAULTFRAMESPERSECOND;
  std::string path = FileName ? FileName : "";
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  fileName = strdup(path.c_str());
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? path : path.substr(slash + 1);
  struct tm tm = {};
  int n = 0;
  bool named = sscanf(folder.c_str(), "%4d-%2d-%2d.%2d.%2d.%d-%d.rec%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min, &channel, &instanceId, &n) == 7 && size_t(n) == folder.size();
  if (!named) {
     n = 0;
     named = isPesRecording = sscanf(folder.c_str(), "%4d-%2d-%2d.%2d.%2d.%2d.%2d.rec%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min, &priority, &lifetime, &n) == 7 && size_t(n) == folder.size();
  }
  if (named) {
     tm.tm_year -= 1900;
     tm.tm_mon--;
     tm.tm_isdst = -1;
     start = mktime(&tm);
     if (start == time_t(-1))
        start = 0;
     // the recorder reads no rate from the info.vdr of the older recordings
     if (!isPesRecording)
        framesPerSecond = Info()->FramesPerSecond();
  }
  std::string rel = slash == std::string::npos ? "" : path.substr(0, slash);
  std::string video = VideoDirectory;
  if (rel.compare(0, video.size() + 1, video + "/") == 0)
     rel = rel.substr(video.size() + 1);
  std::string nameText;
  for (const auto &part : SplitFields(rel.c_str(), '/')) {
      if (!part.empty())
         nameText += (nameText.empty() ? "" : "~") + UnescapedFolder(part);
  }
  name = strdup(nameText.c_str());
}

cRecording::cRecording(const cTimer *Timer, time_t Start)
{
  titleBuffer = NULL;
  info = NULL;
  start = Start;
  priority = Timer->Priority();
  lifetime = Timer->Lifetime();
  channel = Timer->Channel() ? Timer->Channel()->Number() : 0;
  instanceId = 0;
  isPesRecording = false;
  framesPerSecond = DEFAULTFRAMESPERSECOND;
  std::string nameText, dir = VideoDirectory;
  for (const auto &part : SplitFields(Timer->File(), '~')) {
      if (!part.empty()) {
         nameText += (nameText.empty() ? "" : "~") + part;
         dir += "/" + EscapedFolder(part);
      }
  }
  if (nameText.empty()) {
     nameText = "_";
     dir += "/_";
  }
  struct tm tm;
  localtime_r(&start, &tm);
  char folder[64];
  snprintf(folder, sizeof(folder), "/%04d-%02d-%02d.%02d.%02d.%d-%d" RECEXT, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, channel, instanceId);
  fileName = strdup((dir + folder).c_str());
  name = strdup(nameText.c_str());
}

cRecording::~cRecording()
{
  free(fileName);
  free(name);
  free(titleBuffer);
  delete info;
}

int cRecording::Compare(const cListObject &ListObject) const
{
  return strcmp(fileName, static_cast<const cRecording &>(ListObject).fileName);
}

int cRecording::NumFrames(void) const
{
  struct stat st;
  if (stat(AddDirectory(fileName, IndexFile(isPesRecording)), &st) != 0)
     return 0;
  return int(st.st_size / IndexRecordSize);
}

int cRecording::Priority(void) const
{
  return isPesRecording ? priority : Info()->Priority();
}

int cRecording::Lifetime(void) const
{
  return isPesRecording ? lifetime : Info()->Lifetime();
}

const char *cRecording::Title(char Delimiter, bool NewIndicator, int Level) const
{
  std::string shown = name;
  if (Level >= 0) {
     std::vector<std::string> parts = SplitFields(name, '~');
     shown = parts[std::min(size_t(Level), parts.size() - 1)];
  }
  struct tm tm;
  localtime_r(&start, &tm);
  int minutes = (int(NumFrames() / UsableFramesPerSecond(framesPerSecond)) + 30) / 60;
  free(titleBuffer);
  if (asprintf(&titleBuffer, "%02d.%02d.%02d%c%02d:%02d%s%c%d'%c%s", tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100, Delimiter,
               tm.tm_hour, tm.tm_min, NewIndicator && IsNew() ? "*" : "", Delimiter, minutes, Delimiter, shown.c_str()) < 0)
     titleBuffer = NULL;
  return titleBuffer ? titleBuffer : name;
}

const cRecordingInfo *cRecording::Info(void) const
{
  if (!info) {
     info = new cRecordingInfo;
     info->Read(fileName, isPesRecording);
  }
  return info;
}

int cRecording::GetResume(void) const
{
  cResumeFile resume(fileName, isPesRecording);
  return resume.Read();
}

bool cRecording::Delete(void)
{
  if (!Valid() || !RemoveFileOrDir(fileName))
     return false;
  isyslog("deleted recording %s", fileName);
  // folders that held nothing but this recording go with it
  std::string dir = fileName;
  std::string video = VideoDirectory;
  for (;;) {
    size_t slash = dir.rfind('/');
    if (slash == std::string::npos)
       break;
    dir.erase(slash);
    if (dir.size() <= video.size() || dir.compare(0, video.size() + 1, video + "/") != 0 || rmdir(dir.c_str()) != 0)
       break;
  }
  return true;
}

// --- cRecordings -----------------------------------------------------------

cRecordings Recordings;

void cRecordings::ScanDirectory(const char *DirName, int Depth)
{
  DIR *d = opendir(DirName);
  if (!d) {
     if (errno != ENOENT) // no video directory yet: no recordings yet
        LOG_ERROR_STR(DirName);
     return;
  }
  while (struct dirent *e = readdir(d)) {
    if (e->d_name[0] == '.')
       continue;
    cString path = AddDirectory(DirName, e->d_name);
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISDIR(st.st_mode))
       continue;
    size_t n = strlen(e->d_name);
    if (n > strlen(RECEXT) && strcmp(e->d_name + n - strlen(RECEXT), RECEXT) == 0) {
       cRecording *r = new cRecording(path);
       if (r->Valid())
          Add(r);
       else
          delete r;
    }
    else if (Depth < MaxFolderDepth)
       ScanDirectory(path, Depth + 1);
  }
  closedir(d);
}

bool cRecordings::Load(void)
{
  cMutexLock lock(&mutex);
  Clear();
  ScanDirectory(VideoDirectory, 0);
  Sort();
  return true;
}

void cRecordings::Clear(void)
{
  cMutexLock lock(&mutex);
  pending.clear();
  cList<cRecording>::Clear();
}

void cRecordings::TakePending(void)
{
  cMutexLock lock(&mutex);
  if (pending.empty())
     return;
  for (const auto &fileName : pending) {
      bool known = false;
      for (cRecording *r = cList<cRecording>::First(); r && !known; r = Next(r))
          known = strcmp(r->FileName(), fileName.c_str()) == 0;
      cRecording *r = known ? NULL : new cRecording(fileName.c_str());
      if (r && r->Valid())
         Add(r);
      else
         delete r;
  }
  pending.clear();
  Sort();
}

cRecording *cRecordings::First(void)
{
  TakePending();
  return cList<cRecording>::First();
}

cRecording *cRecordings::GetByName(const char *FileName)
{
  TakePending();
  return const_cast<cRecording *>(static_cast<const cRecordings *>(this)->GetByName(FileName));
}

const cRecording *cRecordings::GetByName(const char *FileName) const
{
  if (!FileName)
     return NULL;
  for (const cRecording *r = First(); r; r = Next(r))
      if (strcmp(r->FileName(), FileName) == 0)
         return r;
  return NULL;
}

const cRecordings *cRecordings::GetRecordingsRead(cStateKey &StateKey, int TimeoutMs)
{
  // The recorder's additions join the list before a reader sees it, unless another
  // thread holds the list just now.
  cStateKey merge;
  if (stateLock.Lock(merge, true, 1)) {
     Recordings.TakePending();
     merge.Remove();
  }
  return stateLock.Lock(StateKey, false, TimeoutMs) ? &Recordings : NULL;
}

cRecordings *cRecordings::GetRecordingsWrite(cStateKey &StateKey, int TimeoutMs)
{
  if (!stateLock.Lock(StateKey, true, TimeoutMs))
     return NULL;
  Recordings.TakePending();
  return &Recordings;
}

void cRecordings::AddByName(const char *FileName)
{
  cMutexLock lock(&mutex);
  pending.push_back(FileName);
}

void cRecordings::DelByName(const char *FileName)
{
  cRecording *r = GetByName(FileName);
  if (r)
     Del(r);
}

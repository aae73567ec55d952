#include <vdr/tools.h>

#include <algorithm>
#include <ctype.h>
#include <ftw.h>
#include <fcntl.h>
#include <math.h>
#include <mutex>
#include <stdarg.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <vdr/thread.h>

#include "framerate.h"

// --- host log --------------------------------------------------------------

int SysLogLevel = 3;

// Threads log while a test swaps the hook (a plug-in's thread may still be ending): the
// swap waits for a message being handed to the old hook. Recursive, for a hook that logs.
static std::recursive_mutex sysLogHookMutex;
static tSysLogHook sysLogHook = NULL;
static void *sysLogHookContext = NULL;

void SetSysLogHook(tSysLogHook Hook, void *Context)
{
  std::lock_guard<std::recursive_mutex> lock(sysLogHookMutex);
  sysLogHook = Hook;
  sysLogHookContext = Context;
}

void syslog_with_tid(int priority, const char *format, ...)
{
  int savedErrno = errno; // keeps %m meaningful
  char text[2048];
  va_list ap;
  va_start(ap, format);
  errno = savedErrno;
  vsnprintf(text, sizeof(text), format, ap);
  va_end(ap);
  // Texts from outside (guide titles, file names) must not split a message into forged
  // lines or send escape sequences to whoever reads the log.
  for (char *p = text; *p; p++)
      if ((unsigned char)*p < ' ' || *p == 0x7F)
         *p = ' ';
  std::unique_lock<std::recursive_mutex> lock(sysLogHookMutex);
  if (sysLogHook)
     sysLogHook(priority, text, sysLogHookContext);
  else {
     lock.unlock();
     syslog(priority, "[%d] %s", cThread::CurrentThreadId(), text);
  }
  errno = savedErrno;
}

// --- cString ---------------------------------------------------------------

cString::cString(const char *S, bool TakePointer)
{
  s = TakePointer ? (char *)S : S ? strdup(S) : NULL;
}

cString::cString(const cString &String)
{
  s = String.s ? strdup(String.s) : NULL;
}

cString::~cString()
{
  free(s);
}

cString &cString::operator=(const cString &String)
{
  if (this != &String) {
     char *copy = String.s ? strdup(String.s) : NULL;
     free(s);
     s = copy;
  }
  return *this;
}

cString &cString::operator=(const char *String)
{
  if (s != String) {
     char *copy = String ? strdup(String) : NULL;
     free(s);
     s = copy;
  }
  return *this;
}

cString cString::sprintf(const char *fmt, ...)
{
  va_list ap;
  va_start(ap, fmt);
  char *buffer;
  if (vasprintf(&buffer, fmt, ap) < 0)
     buffer = strdup("???");
  va_end(ap);
  return cString(buffer, true);
}

// --- cListObject / cListBase -----------------------------------------------

cListObject::cListObject(void)
{
  prev = next = NULL;
}

cListObject::~cListObject()
{
}

void cListObject::Append(cListObject *Object)
{
  next = Object;
  Object->prev = this;
}

void cListObject::Insert(cListObject *Object)
{
  prev = Object;
  Object->next = this;
}

void cListObject::Unlink(void)
{
  if (next)
     next->prev = prev;
  if (prev)
     prev->next = next;
  next = prev = NULL;
}

int cListObject::Index(void) const
{
  cListObject *p = prev;
  int i = 0;
  while (p) {
    i++;
    p = p->prev;
  }
  return i;
}

cListBase::cListBase(void)
{
  objects = lastObject = NULL;
  count = 0;
}

cListBase::~cListBase()
{
  Clear();
}

void cListBase::Add(cListObject *Object, cListObject *After)
{
  if (After && After != lastObject) {
     After->Next()->Insert(Object);
     After->Append(Object);
  }
  else {
     if (lastObject)
        lastObject->Append(Object);
     else
        objects = Object;
     lastObject = Object;
  }
  count++;
}

void cListBase::Ins(cListObject *Object, cListObject *Before)
{
  if (Before && Before != objects) {
     Before->Prev()->Append(Object);
     Before->Insert(Object);
  }
  else {
     if (objects)
        objects->Insert(Object);
     else
        lastObject = Object;
     objects = Object;
  }
  count++;
}

void cListBase::Del(cListObject *Object, bool DeleteObject)
{
  if (Object == objects)
     objects = Object->Next();
  if (Object == lastObject)
     lastObject = Object->Prev();
  Object->Unlink();
  if (DeleteObject)
     delete Object;
  count--;
}

void cListBase::Move(int From, int To)
{
  Move(Get(From), Get(To));
}

void cListBase::Move(cListObject *From, cListObject *To)
{
  if (From && To && From != To) {
     bool forward = From->Index() < To->Index();
     Del(From, false);
     if (forward)
        Add(From, To);
     else
        Ins(From, To);
  }
}

void cListBase::Clear(void)
{
  while (objects) {
    cListObject *object = objects->Next();
    delete objects;
    objects = object;
  }
  objects = lastObject = NULL;
  count = 0;
}

cListObject *cListBase::Get(int Index) const
{
  if (Index < 0)
     return NULL;
  cListObject *object = objects;
  while (object && Index-- > 0)
    object = object->Next();
  return object;
}

void cListBase::Sort(void)
{
  std::vector<cListObject *> a;
  a.reserve(count);
  while (objects) { // detach from the head, so no relinked element is touched again
    cListObject *object = objects;
    objects = object->Next();
    object->Unlink();
    a.push_back(object);
  }
  std::stable_sort(a.begin(), a.end(), [](const cListObject *x, const cListObject *y) { return x->Compare(*y) < 0; });
  objects = lastObject = NULL;
  count = 0;
  for (auto object : a)
      Add(object);
}

// --- cReadLine -------------------------------------------------------------

cReadLine::cReadLine(void)
{
  size = 0;
  buffer = NULL;
}

cReadLine::~cReadLine()
{
  free(buffer);
}

char *cReadLine::Read(FILE *f)
{
  ssize_t n = getline(&buffer, &size, f);
  if (n > 0) {
     n--;
     if (buffer[n] == '\n') {
        buffer[n] = 0;
        if (n > 0 && buffer[n - 1] == '\r')
           buffer[n - 1] = 0;
     }
     return buffer;
  }
  return NULL;
}

// --- cFile -----------------------------------------------------------------

cFile::cFile(void)
{
  f = -1;
}

cFile::~cFile()
{
  Close();
}

bool cFile::Open(const char *FileName, int Flags, mode_t Mode)
{
  if (!IsOpen())
     return Open(open(FileName, Flags | O_CLOEXEC, Mode));
  esyslog("ERROR: attempt to re-open %s", FileName);
  return false;
}

bool cFile::Open(int FileDes)
{
  if (FileDes >= 0) {
     if (!IsOpen()) {
        f = FileDes;
        return true;
     }
     esyslog("ERROR: attempt to re-open file descriptor %d", FileDes);
  }
  return false;
}

void cFile::Close(void)
{
  if (f >= 0) {
     close(f);
     f = -1;
  }
}

// --- cSafeFile -------------------------------------------------------------

cSafeFile::cSafeFile(const char *FileName)
{
  f = NULL;
  buffer = NULL;
  fileName = strdup(FileName);
  if (asprintf(&tempName, "%s.$$$", FileName) < 0)
     tempName = NULL;
}

cSafeFile::~cSafeFile()
{
  Discard();
  free(fileName);
  free(tempName);
}

bool cSafeFile::Open(void)
{
  if (!f && fileName && tempName) {
     f = fopen(tempName, "we");
     if (!f)
        LOG_ERROR_STR(tempName);
     else if ((buffer = (char *)malloc(BufferSize)) != NULL && setvbuf(f, buffer, _IOFBF, BufferSize) != 0) {
        free(buffer);
        buffer = NULL;
     }
  }
  return f != NULL;
}

// The stream's buffer is freed once the stream no longer uses it.
void cSafeFile::CloseFile(bool &Result)
{
  if (fclose(f) != 0 && Result) {
     LOG_ERROR_STR(tempName);
     Result = false;
  }
  f = NULL;
  free(buffer);
  buffer = NULL;
}

bool cSafeFile::Close(void)
{
  if (!f)
     return false;
  bool result = fflush(f) == 0 && !ferror(f) && fsync(fileno(f)) == 0;
  if (!result)
     LOG_ERROR_STR(tempName);
  CloseFile(result);
  if (result && rename(tempName, fileName) < 0) {
     LOG_ERROR_STR(fileName);
     result = false;
  }
  if (!result)
     unlink(tempName);
  return result;
}

void cSafeFile::Discard(void)
{
  if (f) {
     bool result = false; // nothing to report: the content is dropped anyway
     CloseFile(result);
     unlink(tempName);
  }
}

// --- text and time helpers -------------------------------------------------

cString AddDirectory(const char *DirName, const char *FileName)
{
  return cString::sprintf("%s/%s", DirName && *DirName ? DirName : ".", FileName);
}

char *stripspace(char *s)
{
  if (s && *s) {
     for (char *p = s + strlen(s) - 1; p >= s; p--) {
         if (!isspace((unsigned char)*p))
            break;
         *p = 0;
     }
  }
  return s;
}

bool isempty(const char *s)
{
  if (!s)
     return true;
  while (*s)
    if (!isspace((unsigned char)*s++))
       return false;
  return true;
}

char *strn0cpy(char *dest, const char *src, size_t n)
{
  if (n == 0)
     return dest;
  char *s = dest;
  for (; --n && (*dest = *src) != 0; dest++, src++)
      ;
  *dest = 0;
  return s;
}

int Utf8CharLen(const char *s)
{
  const unsigned char *p = (const unsigned char *)s;
  int n = (*p & 0xE0) == 0xC0 ? 2 : (*p & 0xF0) == 0xE0 ? 3 : (*p & 0xF8) == 0xF0 ? 4 : 1;
  for (int i = 1; i < n; i++)
      if ((p[i] & 0xC0) != 0x80)
         return 1;
  return n;
}

char *Utf8Strn0Cpy(char *dest, const char *src, size_t n)
{
  if (n == 0)
     return dest;
  size_t len = 0;
  while (src[len]) {
    size_t l = Utf8CharLen(src + len);
    if (len + l >= n)
       break;
    len += l;
  }
  memcpy(dest, src, len);
  dest[len] = 0;
  return dest;
}

bool Utf8Valid(const char *s)
{
  const unsigned char *p = (const unsigned char *)s;
  while (*p) {
    int n = *p < 0x80 ? 1 : (*p & 0xE0) == 0xC0 ? 2 : (*p & 0xF0) == 0xE0 ? 3 : (*p & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || Utf8CharLen((const char *)p) != n)
       return false;
    unsigned int c = n == 1 ? *p : *p & (0x7F >> n);
    for (int i = 1; i < n; i++)
        c = (c << 6) | (p[i] & 0x3F);
    static const unsigned int least[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
       return false; // overlong, beyond Unicode or a surrogate
    p += n;
  }
  return true;
}

ssize_t safe_write(int filedes, const void *buffer, size_t size)
{
  ssize_t p = 0;
  ssize_t written = size;
  const unsigned char *ptr = (const unsigned char *)buffer;
  while (size > 0) {
    p = write(filedes, ptr, size);
    if (p < 0) {
       if (errno == EINTR)
          continue;
       return -1;
    }
    ptr += p;
    size -= p;
  }
  return written;
}

bool MakeDirs(const char *FileName, bool IsDirectory)
{
  bool result = true;
  char *s = strdup(FileName);
  char *p = s;
  if (*p == '/')
     p++;
  while ((p = strchr(p, '/')) != NULL || IsDirectory) {
    if (p)
       *p = 0;
    struct stat fs;
    if (stat(s, &fs) != 0 || !S_ISDIR(fs.st_mode)) {
       if (mkdir(s, ACCESSPERMS) == -1 && errno != EEXIST) {
          LOG_ERROR_STR(s);
          result = false;
          break;
       }
    }
    if (p)
       *p++ = '/';
    else
       break;
  }
  free(s);
  return result;
}

cString WeekDayName(int WeekDay)
{
  static const char *names[] = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
  if (WeekDay >= 0 && WeekDay <= 6)
     return names[WeekDay];
  return "???";
}

cString WeekDayName(time_t t)
{
  struct tm tm_r;
  return WeekDayName(localtime_r(&t, &tm_r)->tm_wday);
}

// As the recorder counts: frame for frame at 25 or 50 frames per second, and at a rate
// such as 29.97 the seconds by the clock with the frames since the last whole second.
cString IndexToHMSF(int Index, bool WithFrame, double FramesPerSecond)
{
  double fps = UsableFramesPerSecond(FramesPerSecond);
  const char *sign = "";
  long long index = Index;
  if (index < 0) {
     index = -index;
     sign = "-";
  }
  double seconds;
  int f = int(modf((index + 0.5) / fps, &seconds) * fps);
  long long s = (long long)seconds;
  int m = int(s / 60 % 60);
  long long h = s / 3600;
  s %= 60;
  return WithFrame ? cString::sprintf("%s%lld:%02d:%02lld.%02d", sign, h, m, s, f) : cString::sprintf("%s%lld:%02d:%02lld", sign, h, m, s);
}

int HMSFToIndex(const char *HMSF, double FramesPerSecond)
{
  int h, m, s, f = 0;
  int n = 0;
  if (!HMSF || sscanf(HMSF, "%d:%d:%d%n", &h, &m, &s, &n) != 3)
     return -1;
  const char *rest = HMSF + n;
  if (*rest == '.') {
     int k = 0;
     if (sscanf(rest + 1, "%d%n", &f, &k) != 1)
        return -1;
     rest += 1 + k;
  }
  if (*rest && !isspace((unsigned char)*rest))
     return -1;
  // Frames beyond the rate are taken as the recorder takes them: "0:00:00.30" of a marks
  // file written at 50 frames is frame 30 at 25 too.
  if (h < 0 || m < 0 || m > 59 || s < 0 || s > 59 || f < 0)
     return -1;
  double index = round(((long long)h * 3600 + m * 60 + s) * UsableFramesPerSecond(FramesPerSecond)) + f;
  return index > 0x7FFFFFFF ? -1 : int(index);
}

int SecondsToFrames(int Seconds, double FramesPerSecond)
{
  return int(round(Seconds * FramesPerSecond));
}

static int RemoveEntry(const char *Path, const struct stat *, int, struct FTW *)
{
  return remove(Path) == 0 || errno == ENOENT ? 0 : -1;
}

bool RemoveFileOrDir(const char *FileName)
{
  struct stat st;
  if (lstat(FileName, &st) != 0)
     return errno == ENOENT;
  if (!S_ISDIR(st.st_mode))
     return remove(FileName) == 0;
  if (nftw(FileName, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS) != 0) {
     LOG_ERROR_STR(FileName);
     return false;
  }
  return true;
}

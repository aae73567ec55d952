// Basic tools of the host: owned texts, intrusive lists, files, the host log and
// small text and time helpers that plug-ins share with the host.
#ifndef __VDR_TOOLS_H
#define __VDR_TOOLS_H

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <syslog.h>
#include <sys/types.h>
#include <time.h>

// The host log. Messages go to the system log and, when a hook is set, to the hook
// (vimora-host writes them to a file, tests collect them).
extern int SysLogLevel; // 0 = none, 1 = errors, 2 = info, 3 = debug

void syslog_with_tid(int priority, const char *format, ...) __attribute__((format(printf, 2, 3)));

typedef void (*tSysLogHook)(int Priority, const char *Text, void *Context);
// Replaces the destination of the host log; a null hook sends it to syslog(3) again.
void SetSysLogHook(tSysLogHook Hook, void *Context = NULL);

#define esyslog(a...) void((SysLogLevel > 0) ? syslog_with_tid(LOG_ERR, a) : void())
#define isyslog(a...) void((SysLogLevel > 1) ? syslog_with_tid(LOG_INFO, a) : void())
#define dsyslog(a...) void((SysLogLevel > 2) ? syslog_with_tid(LOG_DEBUG, a) : void())

#define LOG_ERROR_STR(s) esyslog("ERROR: %s: %m", s)

// An owned, immutable C text. A null text is allowed and is distinct from "".
class cString {
private:
  char *s;

public:
  cString(const char *S = NULL, bool TakePointer = false);
  cString(const cString &String);
  virtual ~cString();
  operator const char *() const { return s; }
  const char *operator*() const { return s; }
  cString &operator=(const cString &String);
  cString &operator=(const char *String);
  static cString sprintf(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
};

// An element of a cList: doubly linked, owned by the list it is in.
class cListObject {
private:
  cListObject *prev, *next;

public:
  cListObject(void);
  virtual ~cListObject();
  virtual int Compare(const cListObject &ListObject) const { (void)ListObject; return 0; }
  void Append(cListObject *Object);
  void Insert(cListObject *Object);
  void Unlink(void);
  int Index(void) const; // position in its list, counted from 0 (walks the list)
  cListObject *Prev(void) const { return prev; }
  cListObject *Next(void) const { return next; }
};

class cListBase {
protected:
  cListObject *objects, *lastObject;
  int count;
  cListBase(void);

public:
  virtual ~cListBase();
  void Add(cListObject *Object, cListObject *After = NULL);
  void Ins(cListObject *Object, cListObject *Before = NULL);
  void Del(cListObject *Object, bool DeleteObject = true);
  virtual void Move(int From, int To);
  void Move(cListObject *From, cListObject *To);
  virtual void Clear(void);
  cListObject *Get(int Index) const;
  int Count(void) const { return count; }
  // Stable sort by Compare().
  void Sort(void);
};

template <class T> class cList : public cListBase {
public:
  T *Get(int Index) const { return (T *)cListBase::Get(Index); }
  T *First(void) const { return (T *)objects; }
  T *Last(void) const { return (T *)lastObject; }
  T *Prev(const T *object) const { return (T *)object->cListObject::Prev(); }
  T *Next(const T *object) const { return (T *)object->cListObject::Next(); }
};

// DEF_LIST_LOCK(Timers) defines cTimers_Lock, which holds the list's lock for the scope
// it lives in; LOCK_TIMERS_READ (timers.h and the like) uses it to give the scope a
// pointer named after the list: const for reading, writable for writing.
#define DEF_LIST_LOCK2(Class, Name) \
class c##Name##_Lock { \
private: \
  cStateKey stateKey; \
  const c##Class *list; \
public: \
  c##Name##_Lock(bool Write = false) \
  { \
    if (Write) \
       list = c##Class::Get##Name##Write(stateKey); \
    else \
       list = c##Class::Get##Name##Read(stateKey); \
  } \
  ~c##Name##_Lock() { if (list) stateKey.Remove(); } \
  const c##Class *Name(void) const { return list; } \
  c##Class *Name(void) { return const_cast<c##Class *>(list); } \
  }
#define DEF_LIST_LOCK(Class) DEF_LIST_LOCK2(Class, Class)

#define USE_LIST_LOCK_READ2(Class, Name) \
c##Name##_Lock Name##_Lock(false); \
const c##Class *Name __attribute__((unused)) = Name##_Lock.Name();
#define USE_LIST_LOCK_READ(Class) USE_LIST_LOCK_READ2(Class, Class)

#define USE_LIST_LOCK_WRITE2(Class, Name) \
c##Name##_Lock Name##_Lock(true); \
c##Class *Name __attribute__((unused)) = Name##_Lock.Name();
#define USE_LIST_LOCK_WRITE(Class) USE_LIST_LOCK_WRITE2(Class, Class)

// Reads lines of any length; the returned text lives until the next Read().
class cReadLine {
private:
  size_t size;
  char *buffer;

public:
  cReadLine(void);
  ~cReadLine();
  // The next line without its line end, or null at the end of the file.
  char *Read(FILE *f);
};

// One file descriptor; closed by the destructor.
class cFile {
private:
  int f;

public:
  cFile(void);
  virtual ~cFile();
  operator int() const { return f; }
  bool Open(const char *FileName, int Flags, mode_t Mode = 0664);
  bool Open(int FileDes);
  void Close(void);
  bool IsOpen(void) const { return f >= 0; }
};

// Writes a file whole or not at all: the text goes to a temporary file that replaces
// the target only when everything was written. A failed write leaves the old file.
class cSafeFile {
private:
  char *fileName;
  char *tempName;
  FILE *f;
  // Larger than stdio's own: a file of many lines goes out in few writes.
  enum { BufferSize = 256 * 1024 };
  char *buffer;
  void CloseFile(bool &Result);

public:
  cSafeFile(const char *FileName);
  ~cSafeFile();
  operator FILE *() { return f; }
  bool Open(void);
  // Commits the new content; false (and the old file kept) when anything failed.
  bool Close(void);
  // Drops what was written; the old file stays.
  void Discard(void);
};

// Owned C texts (freed with free()), as the recorder's cStringList holds them.
class cStringList {
private:
  char **strings;
  int size, allocated;
  cStringList(const cStringList &);
  cStringList &operator=(const cStringList &);

public:
  cStringList(void) { strings = NULL; size = allocated = 0; }
  virtual ~cStringList() { Clear(); free(strings); }
  int Size(void) const { return size; }
  char *At(int Index) const { return strings[Index]; }
  char *operator[](int Index) const { return strings[Index]; }
  // Takes s over.
  void Append(char *s)
  {
    if (size == allocated) {
       allocated = allocated ? 2 * allocated : 10;
       char **more = (char **)realloc(strings, allocated * sizeof(char *));
       if (!more)
          abort();
       strings = more;
    }
    strings[size++] = s;
  }
  // The index of the text equal to s, or -1.
  int Find(const char *s) const
  {
    for (int i = 0; i < size; i++)
        if (s && strcmp(strings[i], s) == 0)
           return i;
    return -1;
  }
  virtual void Clear(void)
  {
    for (int i = 0; i < size; i++)
        free(strings[i]);
    size = 0;
  }
};

cString AddDirectory(const char *DirName, const char *FileName);
char *stripspace(char *s);
bool isempty(const char *s);
char *strn0cpy(char *dest, const char *src, size_t n);
// The byte length of the UTF-8 character at s (1 for a byte that starts none).
int Utf8CharLen(const char *s);
// strn0cpy that never cuts a UTF-8 character in two.
char *Utf8Strn0Cpy(char *dest, const char *src, size_t n);
// Whether s is well-formed UTF-8.
bool Utf8Valid(const char *s);
ssize_t safe_write(int filedes, const void *buffer, size_t size);
bool MakeDirs(const char *FileName, bool IsDirectory = false);
bool RemoveFileOrDir(const char *FileName);
cString WeekDayName(int WeekDay);
cString WeekDayName(time_t t);
// "h:mm:ss" or "h:mm:ss.ff" for a frame index.
cString IndexToHMSF(int Index, bool WithFrame = false, double FramesPerSecond = 25);
// The frame index of "h:mm:ss.ff" (frames optional), or -1 when the text is malformed.
int HMSFToIndex(const char *HMSF, double FramesPerSecond = 25);
int SecondsToFrames(int Seconds, double FramesPerSecond = 25);

// Runs Command through /bin/sh and waits for it; the result is its exit status, or -1.
// The command runs in its own process group; cancelling the calling host thread ends it.
int SystemExec(const char *Command, bool Detached = false);

#endif

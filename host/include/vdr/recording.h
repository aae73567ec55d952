// Recordings and what belongs to them: the video directory, the recordings list, cut
// marks, the frame index, resume positions, the record controls of running recordings
// and the recorder that makes them.
//
// A recording is the directory <video>/<name>/<YYYY-MM-DD.hh.mm.C-I.rec>/ ('~' in a
// name separates folders; C is the channel's number, I the instance) holding, as the
// recorder 2.x names and writes them,
//   info        text: "C <channel id> [<name>]", the event's E/T/S/D lines,
//               "F <frames per second>", "P <priority>", "L <lifetime>"
//   index       8 bytes per frame (see cIndexFile)
//   marks       one mark per line, "H:MM:SS.FF[ comment]", sorted by position
//   resume      "P <frame>"
//   00001.ts    the media, when there is media
// A directory named the older way, <YYYY-MM-DD.hh.mm.pr.lt.rec>, is still read; its files
// are info.vdr, index.vdr, marks.vdr, resume.vdr and 001.ts (IsPesRecording() is true).
// Frames are counted at 25 per second from the recording's start time.
#ifndef __VDR_RECORDING_H
#define __VDR_RECORDING_H

#include <stdint.h>
#include <vector>
#include <vdr/channels.h>
#include <vdr/config.h>
#include <vdr/epg.h>
#include <vdr/thread.h>
#include <vdr/tools.h>

#define FRAMESPERSEC 25
#define DEFAULTFRAMESPERSECOND 25.0
#define RECEXT       ".rec"
#define DELEXT       ".del"

extern const char *VideoDirectory;
// Where recordings are made and looked for; set it before the recorder runs.
void SetVideoDirectory(const char *Directory);

class cDevice;
class cTimer;
class cTimers;

// The description in info.vdr: the channel, the event on air when the recording
// began (or just a title), and the frame rate.
class cRecordingInfo {
private:
  tChannelID channelID;
  char *channelName;
  cEvent *event;
  int framesPerSecond;
  int priority;
  int lifetime;

public:
  cRecordingInfo(void);
  cRecordingInfo(const cRecordingInfo &) = delete;
  cRecordingInfo &operator=(const cRecordingInfo &) = delete;
  ~cRecordingInfo();
  tChannelID ChannelID(void) const { return channelID; }
  const char *ChannelName(void) const { return channelName; }
  const cEvent *GetEvent(void) const { return event; }
  const char *Title(void) const { return event->Title(); }
  const char *ShortText(void) const { return event->ShortText(); }
  const char *Description(void) const { return event->Description(); }
  int FramesPerSecond(void) const { return framesPerSecond; }
  void SetFramesPerSecond(double FramesPerSecond);
  int Priority(void) const { return priority; }
  int Lifetime(void) const { return lifetime; }
  // Describes a recording of Channel during Event; without an event, Title names it.
  void Set(const cChannel *Channel, const cEvent *Event, const char *Title, int Priority = 50, int Lifetime = 99);
  // Reads a recording's info file; bad lines are reported with file and line and skipped.
  bool Read(const char *RecordingFileName, bool IsPesRecording = false);
  bool Write(const char *RecordingFileName, bool IsPesRecording = false) const;
};

class cRecording : public cListObject {
private:
  char *fileName;
  char *name;
  mutable char *titleBuffer;
  mutable cRecordingInfo *info;
  time_t start;
  int priority;
  int lifetime;
  int channel;
  int instanceId;
  bool isPesRecording;

public:
  // The recording in this directory; start (and with the older name, priority and
  // lifetime) come from its name. Valid() is false when the name is no recording's.
  cRecording(const char *FileName);
  // The recording a timer makes when it starts at Start: its directory is made from the
  // timer's file (made safe: no '/' escapes a folder, no folder begins with '.').
  cRecording(const cTimer *Timer, time_t Start);
  cRecording(const cRecording &) = delete;
  cRecording &operator=(const cRecording &) = delete;
  virtual ~cRecording();
  // By file name, which orders by name and then by start.
  virtual int Compare(const cListObject &ListObject) const;
  bool Valid(void) const { return start != 0; }
  time_t Start(void) const { return start; }
  // For a copy that must keep the start of the listed recording it was made from.
  void SetStartTime(time_t Start) { start = Start; }
  int Priority(void) const;
  int Lifetime(void) const;
  bool IsPesRecording(void) const { return isPesRecording; }
  double FramesPerSecond(void) const { return DEFAULTFRAMESPERSECOND; }
  const char *FileName(void) const { return fileName; }
  // The name with '~' between folders.
  const char *Name(void) const { return name; }
  // "dd.mm.yy<D>hh:mm[*]<D>m'<D>name": date, time (with '*' for a recording that was never
  // replayed, when asked), length in minutes and the name, or with Level >= 0 the name's
  // folder at that depth (the last one where the name is shallower). Valid until the next call.
  const char *Title(char Delimiter = ' ', bool NewIndicator = false, int Level = -1) const;
  const cRecordingInfo *Info(void) const;
  // The resume position, or -1.
  int GetResume(void) const;
  bool IsNew(void) const { return GetResume() < 0; }
  // The length in frames, from the index.
  int NumFrames(void) const;
  // Removes the recording's directory with everything in it, and folders left empty.
  bool Delete(void);
};

// The host's recordings. Reach them through LOCK_RECORDINGS_READ / LOCK_RECORDINGS_WRITE,
// as in the recorder; the host itself and its tests may use the global from the main
// thread. The recorder's additions (AddByName from its own thread) are queued and join
// the list at the next lock, First(), GetByName(), DelByName() or Load().
class cRecordings : public cList<cRecording> {
private:
  static cStateLock stateLock;
  cMutex mutex;
  std::vector<std::string> pending;
  void TakePending(void);
  void ScanDirectory(const char *DirName, int Depth);

public:
  static const cRecordings *GetRecordingsRead(cStateKey &StateKey, int TimeoutMs = 0);
  static cRecordings *GetRecordingsWrite(cStateKey &StateKey, int TimeoutMs = 0);
  // Rescans the video directory.
  bool Load(void);
  virtual void Clear(void);
  cRecording *First(void);
  const cRecording *First(void) const { return cList<cRecording>::First(); }
  // The recording with this file name (its directory), or null.
  cRecording *GetByName(const char *FileName);
  const cRecording *GetByName(const char *FileName) const;
  void AddByName(const char *FileName);
  // Takes the recording with this file name out of the list (it stays on disk).
  void DelByName(const char *FileName);
};

extern cRecordings Recordings;

DEF_LIST_LOCK(Recordings);

#define LOCK_RECORDINGS_READ  USE_LIST_LOCK_READ(Recordings)
#define LOCK_RECORDINGS_WRITE USE_LIST_LOCK_WRITE(Recordings)

// A cut mark: a frame position and an optional comment.
class cMark : public cListObject {
private:
  int position;
  cString comment;

public:
  cMark(int Position = 0, const char *Comment = NULL, double FramesPerSecond = DEFAULTFRAMESPERSECOND);
  virtual ~cMark();
  int Position(void) const { return position; }
  const char *Comment(void) const { return comment; }
  void SetPosition(int Position) { position = Position; }
  void SetComment(const char *Comment) { comment = Comment; }
  virtual int Compare(const cListObject &ListObject) const;
  cString ToText(void) const;
  bool Parse(const char *s);
  bool Save(FILE *f);
};

// The cut marks of a recording, sorted by position.
class cMarks : public cConfig<cMark> {
private:
  bool loadFailed;

public:
  cMarks(void) { loadFailed = false; }
  // The marks file of a recording (marks, or marks.vdr for the older kind).
  static cString MarksFileName(const cRecording *Recording);
  // Reads the recording's marks file; a missing file gives an empty list that Save()
  // creates. Bad lines are reported and skipped; when the file cannot be read at all,
  // Save() will not write over it.
  bool Load(const char *RecordingFileName, double FramesPerSecond = DEFAULTFRAMESPERSECOND, bool IsPesRecording = false);
  bool Save(void);
  void Sort(void) { cListBase::Sort(); }
  // A mark at Position, unless there is one (the list stays sorted).
  void Add(int Position);
  // The mark exactly at Position, the last one before and the first one after it.
  const cMark *Get(int Position) const;
  const cMark *GetPrev(int Position) const;
  const cMark *GetNext(int Position) const;
  cMark *Get(int Position) { return const_cast<cMark *>(static_cast<const cMarks *>(this)->Get(Position)); }
  cMark *GetPrev(int Position) { return const_cast<cMark *>(static_cast<const cMarks *>(this)->GetPrev(Position)); }
  cMark *GetNext(int Position) { return const_cast<cMark *>(static_cast<const cMarks *>(this)->GetNext(Position)); }
};

// The frame index of a recording: for every frame the media file number, the byte
// offset in it and whether it is an independent (I-)frame. The index holds one 8-byte
// record per frame, as the recorder 2.x writes it: bytes 0-4 the offset (little endian),
// byte 5 bit 7 the I-frame flag, bytes 6-7 the file number (little endian); the older
// index.vdr of this host had the flag in bit 0. A partial record at the end is no frame.
class cIndexFile {
private:
  struct tIndex {
    off_t offset;
    uint16_t number;
    bool independent;
  };
  char *fileName;
  cFile file;
  bool record;
  unsigned char independentBit; // in byte 5 of a record
  std::vector<tIndex> index;
  off_t bytesRead;
  bool CatchUp(void);

public:
  // Opens the index of the recording in FileName: for reading, or for appending frames
  // (Record), which makes the file when it is missing. PauseLive and Update are taken
  // for the recorder's signature; the stand-in always sees what was appended.
  cIndexFile(const char *FileName, bool Record, bool IsPesRecording = false, bool PauseLive = false, bool Update = false);
  cIndexFile(const cIndexFile &) = delete;
  cIndexFile &operator=(const cIndexFile &) = delete;
  ~cIndexFile();
  bool Ok(void) const { return file.IsOpen(); }
  // Appends one frame.
  bool Write(bool Independent, uint16_t FileNumber, off_t FileOffset);
  // The frame's place in the media; Length is the distance to the next frame in the
  // same file, -1 when unknown. FileNumber and FileOffset must not be null (the recorder
  // writes them unasked); here that is an error and the result false.
  bool Get(int Index, uint16_t *FileNumber, off_t *FileOffset, bool *Independent = NULL, int *Length = NULL);
  // Steps from Index one frame at a time (forward or backward) to the first I-frame and
  // gives its number, or -1 as soon as a step leaves the index; a search that starts
  // outside the index gives -1 at once.
  int GetNextIFrame(int Index, bool Forward, uint16_t *FileNumber = NULL, off_t *FileOffset = NULL, int *Length = NULL);
  // The same; StayOffEnd keeps forward searches 4 seconds away from the end of a
  // growing recording (the player's use).
  int GetNextIFrame(int Index, bool Forward, uint16_t *FileNumber, off_t *FileOffset, int *Length, bool StayOffEnd);
  // The last frame's number after taking in what was appended meanwhile; -1 for none.
  int Last(void);
};

// The resume position of a recording (resume, or resume.vdr for the older kind).
class cResumeFile {
private:
  char *fileName;

public:
  cResumeFile(const char *FileName, bool IsPesRecording = false);
  cResumeFile(const cResumeFile &) = delete;
  cResumeFile &operator=(const cResumeFile &) = delete;
  ~cResumeFile();
  // The stored frame, or -1 (a bad file is reported).
  int Read(void);
  bool Save(int Index);
  void Delete(void);
};

class cMediaWriter;

// A running recording.
class cRecordControl : public cListObject {
  friend class cRecordControls;

private:
  cTimer *timer; // null once the timer was deleted
  cDevice *device;
  cRecording *recording;
  cIndexFile *index;
  cMediaWriter *media;
  uint64_t startMs;  // frame 0 is at this host time
  time_t stopTime;   // of the timer's occurrence, refreshed while it matches
  int frames;        // handed to the media so far
  int indexed;       // of them in the index
  bool failed;
  cRecordControl(cTimer *Timer, cDevice *Device, cRecording *Recording, time_t StopTime);
  // Final completes the media: the recording ends.
  bool WriteFrames(uint64_t UntilMs, bool Final = false);

public:
  ~cRecordControl();
  cTimer *Timer(void) const { return timer; }
  cDevice *Device(void) const { return device; }
  const char *FileName(void) const;
  const char *Name(void) const;
};

class cRecordControls {
private:
  static void Pass(time_t Now, bool StartTimers);
  static void StartRecording(cTimer *Timer, time_t Now);
  static void StopRecording(cRecordControl *Control);

public:
  // The running recording in the directory FileName, or null.
  static cRecordControl *GetRecordControl(const char *FileName);
  // Ends the recordings whose timers no longer match at t (host time); the caller holds
  // the timer list's write lock (Timers). True when a recording ended.
  static bool Process(cTimers *Timers, time_t t);
  static bool Active(void);
  // Ends every running recording.
  static void Shutdown(void);
  // Called when a recording timer is deleted: its recording ends at the next pass.
  static void TimerDeleted(cTimer *Timer);
  friend class cRecorderThread;
};

// The recorder: a host thread that starts a recording when a timer's time comes on the
// host clock, grows its media (001.ts, when ffmpeg is in PATH) and index at 25 frames
// per second (an I-frame every 12 frames) and ends it at the timer's stop time. It sets
// a timer's recording flag before it announces the start (cStatus::MsgRecording) and
// clears it, with the timer still listed, before it announces the end; notifications
// come on the recorder's thread.
class cRecorder {
public:
  static bool Start(void);
  // Ends the running recordings and the thread.
  static void Stop(void);
  static bool Running(void);
};

#endif

// Recordings and what belongs to them: the video directory, the recordings list, cut
// marks, the frame index, resume positions, the record controls of running recordings
// and the recorder that makes them.
//
// A recording is the directory <video>/<name>/<YYYY-MM-DD.hh.mm.pr.lt.rec>/ ('~' in a
// name separates folders) holding
//   info.vdr    text: "C <channel id> [<name>]", the event's E/T/S/D lines, "F <frames per second>"
//   index.vdr   8 bytes per frame (see cIndexFile)
//   marks.vdr   one mark per line, "H:MM:SS.FF[ comment]", sorted by position
//   resume.vdr  "P <frame>"
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
#define RECEXT       ".rec"
#define DELEXT       ".del"

extern const char *VideoDirectory;
// Where recordings are made and looked for; set it before the recorder runs.
void SetVideoDirectory(const char *Directory);

class cDevice;
class cTimer;

// The description in info.vdr: the channel, the event on air when the recording
// began (or just a title), and the frame rate.
class cRecordingInfo {
private:
  tChannelID channelID;
  char *channelName;
  cEvent *event;
  int framesPerSecond;

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
  // Describes a recording of Channel during Event; without an event, Title names it.
  void Set(const cChannel *Channel, const cEvent *Event, const char *Title);
  // Reads a recording's info.vdr; bad lines are reported with file and line and skipped.
  bool Read(const char *RecordingFileName);
  bool Write(const char *RecordingFileName) const;
};

class cRecording : public cListObject {
private:
  char *fileName;
  char *name;
  char *titleBuffer;
  mutable cRecordingInfo *info;

public:
  time_t start;
  int priority;
  int lifetime;
  // The recording in this directory; start, priority and lifetime come from its name.
  // Valid() is false when the directory's name is no recording's.
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
  const char *FileName(void) const { return fileName; }
  // The name with '~' between folders.
  const char *Name(void) const { return name; }
  // "dd.mm.yy<D>hh:mm[*]<D>m'<D>name": date, time (with '*' for a recording that was never
  // replayed, when asked), length in minutes and the name, or with Level >= 0 the name's
  // folder at that depth (the last one where the name is shallower). Valid until the next call.
  const char *Title(char Delimiter = ' ', bool NewIndicator = false, int Level = -1);
  const cRecordingInfo *Info(void) const;
  // The resume position, or -1.
  int GetResume(void) const;
  bool IsNew(void) const { return GetResume() < 0; }
  // The length in frames, from the index.
  int NumFrames(void) const;
  // Removes the recording's directory with everything in it, and folders left empty.
  bool Delete(void);
};

// The host's recordings. It is walked and changed by the main thread; the recorder's
// additions (AddByName from its own thread) are queued and join the list at the next
// First(), GetByName(), DelByName() or Load().
class cRecordings : public cList<cRecording> {
private:
  cMutex mutex;
  std::vector<std::string> pending;
  void TakePending(void);
  void ScanDirectory(const char *DirName, int Depth);

public:
  // Rescans the video directory.
  bool Load(void);
  virtual void Clear(void);
  cRecording *First(void);
  // The recording with this file name (its directory), or null.
  cRecording *GetByName(const char *FileName);
  void AddByName(const char *FileName);
  // Takes the recording with this file name out of the list (it stays on disk).
  void DelByName(const char *FileName);
};

extern cRecordings Recordings;

// A cut mark: a frame position and an optional comment.
class cMark : public cListObject {
public:
  int position;
  char *comment;
  cMark(int Position = 0, const char *Comment = NULL);
  cMark(const cMark &) = delete;
  cMark &operator=(const cMark &) = delete;
  virtual ~cMark();
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
  // Reads the recording's marks.vdr; a missing file gives an empty list that Save()
  // creates. Bad lines are reported and skipped; when the file cannot be read at all,
  // Save() will not write over it.
  bool Load(const char *RecordingFileName);
  bool Save(void);
  void Sort(void) { cListBase::Sort(); }
  // The mark at Position, made when there is none (the list stays sorted).
  cMark *Add(int Position);
  // The mark exactly at Position, the last one before and the first one after it.
  cMark *Get(int Position) const;
  cMark *GetPrev(int Position) const;
  cMark *GetNext(int Position) const;
};

// The frame index of a recording: for every frame the media file number, the byte
// offset in it and whether it is an independent (I-)frame. index.vdr holds one 8-byte
// record per frame: bytes 0-4 the offset (little endian), byte 5 bit 0 the I-frame flag,
// bytes 6-7 the file number (little endian). A partial record at the end is not a frame.
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
  std::vector<tIndex> index;
  off_t bytesRead;
  bool CatchUp(void);

public:
  // Opens the index of the recording in FileName: for reading, or for appending frames
  // (Record), which makes the file when it is missing.
  cIndexFile(const char *FileName, bool Record);
  cIndexFile(const cIndexFile &) = delete;
  cIndexFile &operator=(const cIndexFile &) = delete;
  ~cIndexFile();
  bool Ok(void) const { return file.IsOpen(); }
  // Appends one frame.
  bool Write(bool Independent, uint16_t FileNumber, off_t FileOffset);
  // The frame's place in the media; Length is the distance to the next frame in the
  // same file, -1 when unknown.
  bool Get(int Index, uint16_t *FileNumber, off_t *FileOffset, bool *Independent = NULL, int *Length = NULL);
  // Steps from Index one frame at a time (forward or backward) to the first I-frame and
  // gives its number, or -1 as soon as a step leaves the index; a search that starts
  // outside the index gives -1 at once. StayOffEnd keeps forward searches 4 seconds
  // away from the end of a growing recording.
  int GetNextIFrame(int Index, bool Forward, uint16_t *FileNumber = NULL, off_t *FileOffset = NULL, int *Length = NULL, bool StayOffEnd = false);
  // The last frame's number after taking in what was appended meanwhile; -1 for none.
  int Last(void);
};

// The resume position of a recording (resume.vdr).
class cResumeFile {
private:
  char *fileName;

public:
  cResumeFile(const char *FileName);
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
  // Ends the recordings whose timers no longer match at Now (host time), on the
  // recorder's thread when it runs; returns when that is done. Not to be called while
  // holding the timer list's lock.
  static void Process(time_t Now);
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

// The track catalogue: one music video per cTrack, the global list Tracks stored in
// "tracks.conf", and the text helpers the catalogue's line format is built on.
//
// Lock order: the recorder's list locks first, in the recorder's own order (timers,
// channels, recordings, programme guide: LOCK_TIMERS_..., LOCK_CHANNELS_...,
// LOCK_RECORDINGS_..., LOCK_SCHEDULES_...), then the catalogue's write lock (held by
// the writer of "tracks.conf", tracks_file.h, and by Flush and Save while they write),
// then the Tracks lock, then the supported channel set's lock (grabberthread.h). Nobody
// takes a recorder lock or the write lock while holding the Tracks lock, and the file
// is never written with the Tracks lock held while the writer runs.
#ifndef __VIMORA_TRACKS_H
#define __VIMORA_TRACKS_H

#include <string>
#include <vector>
#include <vdr/config.h>
#include <vdr/thread.h>
#include <vdr/tools.h>

#include "frame_rate.h"

class cEvent;
class cIndexFile;
class cRecording;

// The music channel: the one supported channel, the channel of a track line without
// one and of a recording whose marker file names none.
constexpr const char *MusicChannelId = "S19.2E-1-1092-10100";

// Position of the first occurrence of Pattern in Text ignoring case (per byte), or -1.
int FindIgnoreCase(const std::string &Text, const std::string &Pattern);

// Text with every occurrence of Pattern (found ignoring case) replaced, where each
// search starts again from the beginning, so text that a replacement forms with its
// neighbours is replaced too. An empty Pattern changes nothing; a rule that would
// never end (a Replacement containing Pattern, or a chain that keeps reforming the
// pattern) falls back to one left-to-right pass over Text.
std::string ReplaceAll(const std::string &Text, const std::string &Pattern, const std::string &Replacement);

// Walks the fields of a private copy of a list-file line (without its line feed):
// blanks at the start of a field are skipped, fields end at Delimiter or the line
// end, and a field longer than MaxFieldLength is cut and reported.
class cLineFields {
private:
  std::string line;
  const char *p;
  char delimiter;

public:
  enum { MaxFieldLength = 2559 };
  cLineFields(const char *Line, char Delimiter);
  // The next field (empty for two delimiters in a row); false at the line end.
  bool Next(std::string &Field);
};

class cTrack : public cListObject {
  friend class cTracks;

private:
  static char *buffer; // the text of the last ToText()

public:
  std::string eventTitle;
  std::string shortText;
  std::string description;
  std::string artist;
  std::string title;
  int year;

private:
  // The catalogue's indexes, set by cTracks. Both fit where the record has room to
  // spare (beside year, and in the last bytes of its heap block), so they cost no memory.
  int order;         // rises along the list: list order without walking it
  cTrack *sameSong;  // the next track in the same bucket of songs
  // Where the track's line begins in "tracks.conf" as last written or read, or -1: a
  // changed status is written over the line there.
  mutable long long fileOffset;

public:
  time_t startTime;
  int duration;
  int status; // 0 selected, 1 skipped, 2 converted
  std::string channelId;

  // From the pool of track records (track_pool.h).
  static void *operator new(size_t Size);
  static void operator delete(void *Track, size_t Size);
  cTrack(void);
  // The broadcast of Event with artist, title and year taken from its title.
  cTrack(const cEvent *Event);
  virtual ~cTrack();
  // Derives artist, title and year from an event title «Artist - Title (Year)» when
  // the channel's guide uses that layout. Never reads outside eventTitle.
  void CreateTrackInfo(void);
  // Whether the track lies inside the recording that began at RecordingStart: an
  // I-frame follows its start and one precedes its end, both moved by Offset seconds.
  bool InRecording(cIndexFile &Index, time_t RecordingStart, int Offset) const;
  // The same two I-frames (-1 for one that is not there); true when both are.
  bool FindFrames(cIndexFile &Index, time_t RecordingStart, int Offset, int &StartFrame, int &EndFrame) const;
  // Same broadcast: start, duration, event title and channel.
  bool operator==(const cTrack &Other) const;
  // Whether Other (built from a guide event) is the broadcast this track was catalogued
  // from: equal, or, for a track read back from "tracks.conf" (which keeps no event
  // title), the same start, duration, channel, artist, title and year.
  bool SameBroadcast(const cTrack &Other) const;
  // A "tracks.conf" line; true when it held at least four fields.
  bool Parse(const char *Line);
  // The track's line without line end; valid until the next ToText() or until a
  // track is destroyed.
  const char *ToText(void) const;
  bool Save(FILE *File);
  // Appends the track's line with its line end to Text.
  void AppendLine(std::string &Text) const;
};

// The file in a recording's folder that tells when its frames were recorded.
extern const char *const PartsFileName;

// When a recording's frames were recorded. The recorder dates a recording by its timer's
// start minute, but records from when it starts (an instant recording, a timer set after
// its start) and, started again in the middle of a timer, resumes into the same folder
// after a gap. The file holds a line "FRAME MS" per stretch recorded in one go: its first
// frame and the time of that frame, in milliseconds since the epoch, in order. Without
// the file: one stretch from frame 0 at the recording's start time.
class cRecordingParts {
private:
  struct tPart {
    int frame;
    long long ms;
  };
  std::vector<tPart> parts;
  cFrameRate rate;

public:
  explicit cRecordingParts(time_t Start, const cFrameRate &Rate = cFrameRate());
  // From the recording's file, else from its start time, at the recording's rate. A file
  // that cannot be read whole counts as none.
  explicit cRecordingParts(const cRecording *Recording);
  // The frame recorded at Seconds (since the epoch), the nearest one at the rate, counted
  // from the stretch it falls in (the first one for a time before it); a time in a gap
  // gives the last frame before the next stretch. False when the frame does not fit an int.
  bool Frame(long long Seconds, int &Frame) const;
  // When the first stretch began, in seconds since the epoch.
  long long Begin(void) const { return parts.front().ms / 1000; }
  // Adds a stretch beginning at Frame at Ms to the file in the folder FileName, whole or
  // not at all; a first stretch from frame 0 at Start goes before one that begins later.
  static bool Note(const char *FileName, time_t Start, int Frame, long long Ms);
};

// One recording for a walk over the whole list: the length of its index is read once,
// so that the many tracks far outside the recording cost no look at the index file.
// The answers are those of cTrack::FindFrames for the index as it was when the window
// was made.
class cTrackWindow {
private:
  cIndexFile &index;
  cRecordingParts parts;
  int offset;
  int last;
  // The frames of the track's start and end before the I-frame searches.
  bool Times(const cTrack &Track, long long &Start, long long &End) const;

public:
  cTrackWindow(cIndexFile &Index, time_t RecordingStart, int Offset, const cFrameRate &Rate = cFrameRate());
  // The recording's own parts (cRecordingParts) and rate.
  cTrackWindow(cIndexFile &Index, const cRecording *Recording, int Offset);
  // The track's two I-frames (-1 for one that is not there), inside the recording or not;
  // true when both are there.
  bool Frames(const cTrack &Track, int &StartFrame, int &EndFrame) const;
  // Whether the track lies inside; its two I-frames are set when it does.
  bool Find(const cTrack &Track, int &StartFrame, int &EndFrame) const;
  bool Contains(const cTrack &Track) const;
  // Whether Frame lies between the track's two I-frames, where a track that began
  // before the recording (no I-frame before its start) reaches back to its start:
  // FindFrames' StartFrame <= Frame <= EndFrame.
  bool Covers(const cTrack &Track, int Frame) const;
  // Where the frame of Seconds (since the epoch) falls: -1 before the recording's first
  // frame, 1 after its last, 0 on one of them. Never falls as Seconds rises.
  int Side(long long Seconds) const;
  int Offset(void) const { return offset; }
};

// A pair of cut marks whose start mark names a track «artist|title|year», and whether
// what was made of it was made.
struct tTrackPair {
  int start, end; // frames
  std::string artist, title, year;
  bool converted;
};

// The catalogue. Every walk, append, status change and save of the list happens with
// the list locked (cTracksLock); the queries and Load/Save lock it themselves. Tracks
// enter the list only through Add and Load and leave it only through Clear and Load:
// beside the list, in the same lock, the catalogue keeps its tracks by start time (a
// recording's tracks, InList) and by song (AlreadyDone), so no query walks the list.
class cTracksWriter;

class cTracks : public cConfig<cTrack> {
  friend class cTracksWriter;

private:
  cMutex mutex;
  cMutex writeMutex;             // one writing of the file at a time
  cTracksWriter *writer;
  std::vector<cTrack *> appends; // added and not yet in the file
  std::vector<cTrack *> patches; // in the file with another status than they have now
  bool rewrite;                  // the whole file is due
  long long fileSize;            // the bytes of the file as last written or read
  long long pendingSince;        // when the oldest change not in the file was made, or 0
  long long lastRewrite;
  unsigned generation;           // counts the times the list was replaced
  std::string fileName;
  bool allowComments;
  std::vector<cTrack *> byStart; // by start time, in list order where equal
  std::vector<cTrack *> songs;   // chains through cTrack::sameSong, by SongHash
  int nextOrder;
  int shortest, longest;         // durations: the least below 0 and the most above
  static size_t SongHash(const std::string &Artist, const std::string &Title, int Year);
  void Enter(cTrack *Track);
  void Index(cTrack *Track);
  void IndexSong(cTrack *Track);
  // Empty indexes, with room for Expected tracks.
  void Reindex(size_t Expected);
  void LoadLine(char *Line, int Number, long long Offset);
  bool LoadFile(FILE *File);
  // A change for the file: Added is appended, otherwise (null) the whole file is due.
  // With the writer running the writer is told; without, the file is written at once.
  void Changed(cTrack *Added);
  // Track's status changed: with the writer its line is written over where it is in the
  // file (an added track not yet in the file needs nothing), otherwise the whole file is
  // due. Due() then has it written.
  void Restated(cTrack *Track);
  void Due(void);
  void WakeWriter(void);
  void Forget(void);
  bool SaveLocked(void);
  // Appends the lines of a block of tracks from From on; the track after them, or null.
  // Base is where the block begins in the file.
  const cTrack *AppendLines(const cTrack *From, std::string &Block, long long Base) const;
  // Milliseconds until the pending changes are due, 0 when they are, -1 for none.
  long long Delay(void) const;
  // Writes what is pending (when it is due, or Now); false when writing failed.
  bool WritePending(bool Now);
  bool Append(const std::string &FileName, const std::string &Lines);
  struct tPatch {
    long long offset;
    std::string line;
  };
  // Writes each line over the one of the same track at its offset: 1 when all were
  // written, 0 when a line there is not the track's as the plug-in writes it (another
  // program changed the file, or the line has six fields: it is then due whole), -1 when
  // writing failed.
  int Overwrite(const std::string &FileName, const std::vector<tPatch> &Patches);
  bool Rewrite(const std::string &FileName, unsigned Generation);
  // The range of byStart whose start times Window's frames can reach.
  void StartRange(const cTrackWindow &Window, size_t &From, size_t &To) const;

public:
  cTracks(void);
  virtual ~cTracks();
  void Lock(void) { mutex.Lock(); }
  void Unlock(void) { mutex.Unlock(); }
  // As the recorder's list files load, and a last line without its line feed, cut off
  // while it was written, is reported and dropped.
  bool Load(const char *FileName = NULL, bool AllowComments = false, bool MustExist = false);
  // Writes the whole list now. Without the list locked while the writer runs.
  bool Save(void);
  // Sets a track's status; the file follows. Call with the list locked.
  void SetStatus(cTrack *Track, int Status);
  // Writes every change not yet in the file; false when writing failed. Without the
  // list locked.
  bool Flush(void);
  // From now on changes return at once and a thread of the plug-in writes them, several
  // in one write, within a second: added tracks are appended, a changed status is written
  // over the track's line, and the whole file is rewritten through a safe file, at most
  // once a second, when a line cannot be written over (the file changed under us) or a
  // write failed.
  void StartWriter(void);
  // Writes what is pending and ends the writer; changes are written at once again.
  void StopWriter(void);
  // The file of the last Load that named one.
  const char *FileName(void) const { return fileName.empty() ? NULL : fileName.c_str(); }
  // Appends Track, which the list then owns. Call with the list locked.
  void Add(cTrack *Track);
  // What would pass by the indexes.
  void Ins(cListObject *Object, cListObject *Before = NULL) = delete;
  void Del(cListObject *Object, bool DeleteObject = true) = delete;
  void Sort(void) = delete;
  // Empties the list and keeps its file.
  virtual void Clear(void) override;
  // The tracks, in list order, whose frames may fall inside Window: every track that
  // Window's Find or Contains accepts, or that it Covers at a frame from 0 on, is among
  // them. Only those of the channel ChannelId when it is given. Call with the list
  // locked; the tracks stay valid while it is.
  std::vector<cTrack *> Near(const cTrackWindow &Window, const char *ChannelId = NULL) const;
  // The tracks of the song Artist, Title, Year (compared byte by byte), in no order.
  std::vector<cTrack *> Song(const std::string &Artist, const std::string &Title, int Year) const;
  bool Blacklisted(const cTrack &Track);
  bool Blacklisted(const cEvent *Event);
  // A converted track with the event's artist, title and year exists (only with
  // the setup option "avoidrepeats").
  bool AlreadyDone(const cEvent *Event);
  // The event's title reads «Artist - Title (Year)» with a positive year.
  bool IsTrack(const cEvent *Event);
  // This very broadcast is catalogued.
  bool InList(const cEvent *Event);
  // InList and, when not in the list, AlreadyDone for the track built from an event:
  // what the grabber asks of every new broadcast.
  bool InList(const cTrack &Track, bool &AlreadyDone);
  // Marks every track inside Recording converted and saves the list.
  void SetConverted(const cRecording *Recording);
  // Marks converted the tracks inside Recording whose pair was converted and saves the
  // list. A track's pair is the one that names it and whose span it overlaps most.
  void SetConverted(const cRecording *Recording, const std::vector<tTrackPair> &Pairs);
};

class cTracksLock {
private:
  cTracks *tracks;

public:
  cTracksLock(cTracks &List) : tracks(&List) { tracks->Lock(); }
  ~cTracksLock() { tracks->Unlock(); }
};

extern cTracks Tracks;

#endif

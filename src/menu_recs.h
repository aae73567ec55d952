// The plug-in's main menu: the music channel's recordings, oldest first, and what can
// be done with one of them: cut marks from the track catalogue, replay, deletion.
#ifndef __VIMORA_MENU_RECS_H
#define __VIMORA_MENU_RECS_H

#include <memory>
#include <string>
#include <vector>
#include <vdr/osdbase.h>
#include <vdr/recording.h>

#include "mark_refine.h"

// The channel id text in the recording's marker file; the music channel for an empty
// file, the empty text (and a log line) when the file cannot be read.
std::string GetRecordingChannelID(const cRecording *Recording);

// A private copy of a listed recording, for a menu or thread that uses it after the
// lock on the recordings list is gone; it keeps the listed recording's start.
cRecording *CopyRecording(const cRecording *Recording);

// The recordings of the supported channels (those with the marker file), oldest first,
// as private copies.
std::vector<std::unique_ptr<cRecording>> VimoraRecordings(void);

// The guide's cut marks of the recording: one pair per selected catalogue track inside
// it, at its I-frames, the start mark named «artist|title|year».
std::vector<tMarkPair> GuideMarkPairs(const cRecording *Recording);

// The other items of the guide that lie in the recording, at their I-frames: the
// catalogue's tracks of its channel that are not selected, and the events of its channel
// the programme guide still holds (announcements, and the tracks again).
std::vector<tGuideItem> GuideNeighbours(const cRecording *Recording);

// Writes the recording's cut marks as green does, the guide's pairs moved onto the song
// boundaries first when "refinemarks" is on (searched here and now: seconds for hours of
// recording, so not for the main thread). The number of pairs, or -1 (logged) when the
// marks file could not be written; the old marks are then kept.
int WriteCutMarks(const cRecording *Recording);

// Loads the recording's cut marks from the marks file the recorder keeps for it.
bool LoadMarks(cMarks &Marks, const cRecording *Recording);

// Replaces the recording's cut marks by the pairs, a start mark named by its pair; false
// (and a log line) when the marks file cannot be written.
bool SaveMarkPairs(const cRecording *Recording, const std::vector<tMarkPair> &Pairs);

// For qsort over cRecording pointers: the older recording first.
int CompareRecording(const void *a, const void *b);

// One recording, known by its file name: the recording object may be gone by the
// time the item is used.
class cMenuRecItem : public cOsdItem {
private:
  char *fileName;

public:
  cMenuRecItem(const cRecording *Recording);
  virtual ~cMenuRecItem();
  const char *FileName(void) const { return fileName; }
  virtual void Set(void);
};

class cMenuRecs : public cOsdMenu {
private:
  eOSState ScanRecordings(void);
  void UpdateTitle(void);
  cMenuRecItem *CurrentItem(void) { return static_cast<cMenuRecItem *>(Get(Current())); }
  // A copy of Item's recording, the caller's to delete; null, with an error shown, when
  // the recording is gone (null also for no item).
  cRecording *GetRecording(cMenuRecItem *Item);
  eOSState Play(void);
  eOSState OpenTracks(void);
  eOSState OpenConvert(void);
  void Mark(void);
  eOSState Delete(void);
  // Ends the host's recording into FileName, and drops its timer when it records once.
  static void StopRecording(const char *FileName);

public:
  cMenuRecs(void);
  virtual eOSState ProcessKey(eKeys Key);
};

#endif

// The plug-in's main menu: the music channel's recordings, oldest first, and what can
// be done with one of them: cut marks from the track catalogue, replay, deletion.
#ifndef __VIMORA_MENU_RECS_H
#define __VIMORA_MENU_RECS_H

#include <string>
#include <vdr/osdbase.h>
#include <vdr/recording.h>

// The channel id text in the recording's marker file; the music channel for an empty
// file, the empty text (and a log line) when the file cannot be read.
std::string GetRecordingChannelID(cRecording *Recording);

// For qsort over cRecording pointers: the older recording first.
int CompareRecording(const void *a, const void *b);

// One recording, known by its file name: the recording object may be gone by the
// time the item is used.
class cMenuRecItem : public cOsdItem {
private:
  char *fileName;

public:
  cMenuRecItem(cRecording *Recording);
  virtual ~cMenuRecItem();
  const char *FileName(void) const { return fileName; }
  virtual void Set(void);
};

class cMenuRecs : public cOsdMenu {
private:
  eOSState ScanRecordings(void);
  void UpdateTitle(void);
  // The host's recording for the item; null, with an error shown, when it is gone.
  cRecording *GetRecording(cMenuRecItem *Item);
  cRecording *CurrentRecording(void);
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

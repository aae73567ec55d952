// The tracks of one recording: every catalogued track inside it, with a marker for
// those selected for cutting. A line can be replayed alone, switched between selected
// and skipped, and the blacklist applied to all lines again.
#ifndef __VIMORA_MENU_TRACKS_H
#define __VIMORA_MENU_TRACKS_H

#include <vdr/osdbase.h>

class cRecording;
class cTrack;

class cMenuTrackItem : public cOsdItem {
private:
  cTrack *track; // in Tracks, not owned

public:
  cMenuTrackItem(cTrack *Track);
  cTrack *Track(void) const { return track; }
  virtual void Set(void);
};

class cMenuTracks : public cOsdMenu {
private:
  cRecording *recording; // a copy of the listed recording, owned
  void UpdateTitle(void);
  cTrack *CurrentTrack(void);
  eOSState Play(void);
  eOSState Toggle(void);
  eOSState Blacklist(void);

public:
  // The line of the track last replayed with Play, or -1. The next menu starts there
  // and forgets it.
  static int lastReplayed;
  cMenuTracks(const cRecording *Recording);
  virtual ~cMenuTracks();
  virtual eOSState ProcessKey(eKeys Key);
};

#endif

// The writer of "tracks.conf": a thread of the plug-in that puts the catalogue's changes
// into the file, so that no change waits for the disk. It takes the catalogue's write
// lock, then, for moments, the Tracks lock to take what is due (tracks.h for the order),
// and writes with only the write lock held.
#ifndef __VIMORA_TRACKS_FILE_H
#define __VIMORA_TRACKS_FILE_H

#include <atomic>
#include <vdr/thread.h>

class cTracks;

// Owned by the catalogue it writes (cTracks::StartWriter, StopWriter).
class cTracksWriter : public cThread {
private:
  cTracks &tracks;
  cCondWait wake;
  std::atomic<bool> stopping;

protected:
  virtual void Action(void);

public:
  // Changes wait this long for others to share their write.
  enum { BatchMs = 100, RewriteMs = 1000 };
  explicit cTracksWriter(cTracks &Tracks);
  virtual ~cTracksWriter();
  // A change came, or the writer should end.
  void Wake(void) { wake.Signal(); }
  void Stop(void);
};

#endif

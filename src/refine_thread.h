// Green with "refinemarks": the recording's sound around the guide's marks is searched
// for the song boundaries in the background, and the marks file is written when the
// search is done ("Marks created!"); until then the recording's marks stay as they were.
//
// One search at a time; Init, Exit and Busy belong to the main thread, progress may be
// read from any thread.
#ifndef __VIMORA_REFINE_THREAD_H
#define __VIMORA_REFINE_THREAD_H

#include <atomic>
#include <functional>
#include <vector>
#include <vdr/thread.h>

#include "mark_refine.h"

class cRecording;

// The message of the search, and of a key that must wait for it.
extern const char *SearchingBoundaries;

// Moves Pairs, the guide's marks of Recording, onto the song boundaries found within
// WindowSeconds; false, leaving them, when GoOn said stop. Progress, when given, hears the
// percentage searched.
bool FindSongBoundaries(const cRecording *Recording, std::vector<tMarkPair> &Pairs, int WindowSeconds,
                        std::function<bool()> GoOn = [] { return true; }, std::function<void(int)> Progress = nullptr);

class cRefineMarksThread : public cThread {
private:
  static cRefineMarksThread *instance;
  cRecording *recording; // a copy: the recordings list may drop its object meanwhile
  std::vector<tMarkPair> pairs;
  int windowSeconds;

protected:
  virtual void Action(void);

public:
  static std::atomic<int> progress; // percent of the sound searched
  // Starts the search for Pairs, the guide's marks of Recording, unless one is running.
  static void Init(const cRecording *Recording, const std::vector<tMarkPair> &Pairs, int WindowSeconds);
  // Stops the search, if any; the marks file is left as it was.
  static void Exit(void);
  static bool Busy(void);
  cRefineMarksThread(const cRecording *Recording, const std::vector<tMarkPair> &Pairs, int WindowSeconds);
  virtual ~cRefineMarksThread();
};

#endif

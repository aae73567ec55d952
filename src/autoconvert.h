// Conversion without keys ("autoconvert"): when a recording of a supported channel ends,
// its cut marks are written as green writes them and the conversion the setting names
// starts, as the convert menu would start it. Recordings that end while a conversion
// runs wait in a queue, in order, kept across a restart of the recorder in
// "autoconvert.queue" in the plug-in's folder (one recording directory a line), and
// follow one by one; one deleted meanwhile is dropped. The queue has a lock of its own,
// taken after every other lock and never held while taking one.
#ifndef __VIMORA_AUTOCONVERT_H
#define __VIMORA_AUTOCONVERT_H

#include <string>
#include <vector>

class cAutoConvert {
public:
  // The setting's values.
  enum { acNo = 0, acAudio = 1, acAudioVideo = 2 };
  // Reads the queue a former run left (at the plug-in's start).
  static void Load(void);
  // A recording of a supported channel has ended (the recording monitor, on the thread of
  // the recorder's notifications): it joins the queue when the setting asks for it.
  static void RecordingEnded(const char *FileName);
  // Starts the next waiting conversion when none runs (the main thread, regularly).
  static void Process(void);
  // Whether a recording waits for its marks or its conversion.
  static bool Pending(void);
  // The recordings waiting, oldest first.
  static std::vector<std::string> Queue(void);
  // Forgets the queue and the running conversion (when the plug-in goes).
  static void Clear(void);
};

#endif

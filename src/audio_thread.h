// The audio conversion: one background run per recording that has the conversion
// script ("vimora2mp3.sh" or "vimora2ogg.sh", found through PATH) make one audio file
// per pair of cut marks, with the marks file narrowed to that pair meanwhile.
//
// One conversion at a time, owned through m_Instance. m_Instance and progress may be
// read from any thread; Init and Exit belong to the main thread.
#ifndef __VIMORA_AUDIO_THREAD_H
#define __VIMORA_AUDIO_THREAD_H

#include <atomic>
#include <string>
#include <vdr/thread.h>

class cRecording;

class cConvertToAudioThread : public cThread {
private:
  static cMutex instanceMutex;
  static cConvertToAudioThread *ended; // ended by itself, waiting to be deleted
  static void DeleteEnded(void);
  bool withVideo;
  cRecording *recording; // a copy of the recording being converted
  void Ended(void);

protected:
  virtual void Action(void);

public:
  static std::atomic<cConvertToAudioThread *> m_Instance; // the running conversion, or null
  static std::atomic<int> progress;                        // percent of the marks done
  // Starts a conversion of Recording (and then has its video clips cut when WithVideo),
  // unless one is running.
  static void Init(const cRecording *Recording, bool WithVideo);
  // Stops the running conversion, if any: its script is ended and the recording's marks
  // file is whole again when this returns.
  static void Exit(void);
  // The running conversion's recording name and progress; false when none runs.
  static bool Status(std::string &Name, int &Progress);
  // The command that converts one track: the script and the four arguments, each a
  // double-quoted word that the shell takes as it is.
  static std::string Command(const char *Script, const std::string &Directory, const std::string &Title, const std::string &Artist, const std::string &Year);
  cConvertToAudioThread(const cRecording *Recording, bool WithVideo);
  virtual ~cConvertToAudioThread();
  void Stop(void);
};

#endif

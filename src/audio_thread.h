// The audio conversion: one background run per recording that has the conversion
// script ("vimora2mp3.sh" or "vimora2ogg.sh", found through PATH) make one audio file
// per pair of cut marks, with the marks file narrowed to that pair meanwhile. A script
// has made its file when it exits with 0 and names the file, which must be there, as the
// last line of its standard output; its standard error is logged when it fails.
//
// The same thread cuts the video clips alone when asked to (InitCut), so that the menu's
// key does not wait for the cutter: an audio run narrows the marks file the cutter reads,
// so the two must never run side by side.
//
// One conversion at a time, owned through m_Instance. m_Instance and progress may be
// read from any thread; Init, InitCut and Exit belong to the main thread.
#ifndef __VIMORA_AUDIO_THREAD_H
#define __VIMORA_AUDIO_THREAD_H

#include <atomic>
#include <string>
#include <vector>
#include <vdr/thread.h>

class cRecording;
struct tPlaylistEntry;
struct tTrackPair;

// How a conversion ended: its recording, how many tracks it was to convert and how many
// of them failed, whether it was stopped, and the cutter's error after a combined run.
struct tConversionOutcome {
  std::string name; // empty before the first conversion has ended
  int tracks = 0, failed = 0;
  bool stopped = false;
  bool videoOnly = false; // the clips were cut without audio files
  std::string cutError;
  std::string error; // why it could not run at all
  // "3 of 4 tracks converted, 1 failed", "stopped" ...
  std::string Text(void) const;
};

class cConvertToAudioThread : public cThread {
private:
  static cMutex instanceMutex;
  static cConvertToAudioThread *ended; // ended by itself, waiting to be deleted
  static tConversionOutcome outcome;  // of the last conversion, guarded by instanceMutex
  static bool cutting;                 // CutAlone is cutting, guarded by instanceMutex
  static void DeleteEnded(void);
  static void Launch(const cRecording *Recording, bool WithAudio, bool WithVideo);
  bool withAudio, withVideo;
  cRecording *recording; // a copy of the recording being converted
  void Ended(const tConversionOutcome &Outcome);
  // Runs the script of one track; false, with what went wrong in Failure, when it exits
  // with an error, is killed or names no file it wrote; else File is the file it wrote.
  bool RunScript(const std::string &Command, std::string &File, std::string &Failure);
  // After the last pair: the video clips cut when asked for, the tracks whose pairs were
  // made marked converted, and the user told how it went.
  void Finish(std::vector<tTrackPair> &Pairs, tConversionOutcome &Outcome);
  // The run of InitCut: the clips alone, the tracks marked converted when they were cut.
  void CutVideo(void);
  // The recording's playlist with the songs made now and those made before.
  void WritePlaylist(const std::vector<tPlaylistEntry> &Songs);

protected:
  virtual void Action(void);

public:
  static std::atomic<cConvertToAudioThread *> m_Instance; // the running conversion, or null
  static std::atomic<int> progress;                        // percent of the marks done
  static std::atomic<int> failures;                        // tracks that failed so far
  // Starts a conversion of Recording (and then has its video clips cut when WithVideo),
  // unless one is running.
  static void Init(const cRecording *Recording, bool WithVideo);
  // Starts the cutting of Recording's video clips, without audio files, unless a
  // conversion is running.
  static void InitCut(const cRecording *Recording);
  // Cuts the video clips on the caller's thread, for a caller that waits for the result
  // anyway (SVDRP); false with the reason in Error when it failed or a conversion is
  // running. No conversion starts while it cuts.
  static bool CutAlone(const cRecording *Recording, std::string &Error);
  // A conversion runs, or CutAlone cuts.
  static bool Busy(void);
  // Stops the running conversion, if any: its script is ended and the recording's marks
  // file is whole again when this returns. The cutter cannot be interrupted: a cut
  // running is waited for (at most ten seconds).
  static void Exit(void);
  // The running conversion's recording name and progress; false when none runs.
  static bool Status(std::string &Name, int &Progress);
  // How the last conversion that ended went.
  static tConversionOutcome LastOutcome(void);
  // The command that converts one track: the script and the four arguments, each a
  // double-quoted word that the shell takes as it is.
  static std::string Command(const char *Script, const std::string &Directory, const std::string &Title, const std::string &Artist, const std::string &Year);
  cConvertToAudioThread(const cRecording *Recording, bool WithAudio, bool WithVideo);
  virtual ~cConvertToAudioThread();
  void Stop(void);
};

#endif

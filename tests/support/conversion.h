// Conversions in tests: a recording of the music channel with tracks in the catalogue,
// and stand-ins for "vimora2mp3.sh" and "vimora2ogg.sh" first in PATH that note each
// call (script, arguments, the marks file and the variables they saw), can be held while they run and made
// to fail.
#ifndef __VIMORA_CONVERSION_H
#define __VIMORA_CONVERSION_H

#include <string>
#include <thread>
#include <vector>

#include "hostenv.h"

class cRecording;

// One call of a conversion script, as it noted it.
struct tScriptCall {
  std::string script;
  std::vector<std::string> args;
  std::string marks; // the recording's marks file while the script ran
  std::string languages; // VIMORA_AUDIO_LANGUAGES, "unset" when it was not set
  std::string audioDir, audioName; // VIMORA_AUDIO_DIR and VIMORA_AUDIO_NAME, the same way
  bool done;         // the script got to its end (it was not stopped)
};

class cConversionEnv : public cHostEnv {
private:
  std::string oldPath;
  std::thread stepper;

protected:
  std::string fileName; // the recording's directory
  void SetUp(void) override;
  void TearDown(void) override;
  cRecording *Recording(void);
  std::string MarksPath(void) const { return fileName + "/marks"; }
  // Puts a catalogued track of the music channel Start seconds into the recording.
  void AddTrack(const char *Artist, const char *Title, int Year, int Start, int Duration);
  // The catalogue's status of every track, in list order.
  std::vector<int> TrackStatus(void);
  // Call number Call (from 0) of the scripts waits from its start until Release(Call).
  void Hold(int Call);
  void Release(int Call);
  // Call number Call fails: "exit" exits with 6 and a message, "kill" is killed, "nothing"
  // exits with 0 but names no file.
  void Fail(int Call, const char *How);
  // Waits (at most 20 seconds of real time) until held call Call has begun.
  bool WaitHeld(int Call);
  std::vector<tScriptCall> Calls(void) const;
  // Lets the conversion thread run; returns when it has ended (no call may be held).
  void RunConversion(void);
  // The same on a helper thread, for runs whose scripts are held; WaitConversion()
  // returns once the run has ended.
  void RunConversionAside(void);
  void WaitConversion(void);
  // Loads the stand-in of the cutting plug-in with these arguments.
  bool LoadRozerez(const std::string &Args = "");
  std::vector<std::string> Messages(void) const { return Skins.TextSkin()->Screen().messages; }
};

#endif

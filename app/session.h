// One run of vimora-host: its folders, the host's state read from the configuration
// folder, the plug-ins, the recorder and the main loop. Interactive use, scripts and
// the demo all drive the host through a session.
#ifndef __VIMORA_SESSION_H
#define __VIMORA_SESSION_H

#include <stdio.h>
#include <string>
#include <vector>
#include <vdr/mainloop.h>
#include <vdr/plugin.h>

// The id of the music channel whose guide the status line shows.
extern const char *MusicChannelID;

struct tHostOptions {
  std::string configDir = ".";
  std::string videoDir = "./video";
  std::string audioDir;  // empty: $VIMORA_AUDIO_DIR, else ./audio
  std::string pluginDir;
  std::string localeDir;            // empty: "locale" beside pluginDir
  std::vector<std::string> plugins; // "name [arguments]"
};

// Where the plug-ins' message catalogues are: localeDir, else the folder "locale"
// beside the plug-in folder (as the build and the installation lay them out).
std::string LocaleDirectory(const tHostOptions &Options);

// The clock speed as the user writes it: a number of virtual seconds per real second,
// or "max" (returned as 0) for as fast as the work allows. False for anything else.
bool ParseSpeed(const char *Text, double &Speed);
void SetClockSpeed(double Speed);
// "x1", "x60", "max".
std::string SpeedText(void);

class cSession {
private:
  tHostOptions options;
  cPluginManager *pluginManager;
  cMainLoop *loop;
  FILE *hostLog;
  bool started;
  static void LogToFile(int Priority, const char *Text, void *Context);
  void PrepareScripts(void);

public:
  cSession(const tHostOptions &Options);
  ~cSession();
  // Reads what the host left in its folders, loads and starts the plug-ins and the
  // recorder. False (with the reason on stderr) when the host cannot run.
  bool Start(void);
  // Ends the menus, the replay, the recordings and the plug-ins, and keeps the guide.
  void Stop(void);
  const tHostOptions &Options(void) const { return options; }
  // Where rozerez writes its clips: its -d folder, else the wildcard pattern of the
  // "clips" folders beside the recordings.
  std::string ClipsFolder(void) const;
  // One round of the main loop, waiting up to WaitMs of host time for a key.
  eKeys Step(int WaitMs = 0);
  // Lets Ms of host time pass with the main loop running.
  void Run(int Ms);
  // Steps until the queued keys are taken and what they set off has been handled.
  void TakeKeys(void);
  // Whether a plug-in works in the background or a message waits to be shown.
  bool Busy(void);
  cMainLoop *Loop(void) { return loop; }
};

#endif

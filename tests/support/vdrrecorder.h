// The real recorder (VDR 2.6, the program vdr) run headless for a test: a private
// configuration, video, cache and resource folder under the test's root, the plug-ins
// built for the recorder (VIMORA_VDR_PLUGIN_DIR), no DVB devices, the device plug-in's
// text skin as the current skin (its screen read over SVDRP), SVDRP on a free
// loopback port, and its log (the recorder logs only through syslog) captured into a
// file of its own by a preloaded syslog shim. A recorder still running when the object
// goes is killed, so no test leaves one behind.
#ifndef __VIMORA_VDRRECORDER_H
#define __VIMORA_VDRRECORDER_H

#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

#include "broadcastformat.h"
#include "testenv.h"

// The music channel's ID as the recorder's channels.conf gives it.
const char *const VdrMusicChannelID = "S19.2E-1-1092-10100";
// Beside it on its transponder, a channel for each broadcast format but the default one,
// its entry with the format's stream types: this is its ID.
std::string VdrFormatChannelID(const tBroadcastFormat &Format);

class cVdrRecorder {
private:
  std::string root;
  pid_t pid = -1;
  int port = 0;
  int exitCode = -1;
  // One SVDRP connection for every command of a run: the recorder (2.6.0) closes a
  // connection's socket twice when it ends, and a file that one of its threads opened in
  // between, with the same number, is closed in its place. A connection per command made
  // that happen to the plug-ins' files dozens of times a test.
  mutable int svdrp = -1;
  mutable std::mutex svdrpMutex;
  // The open connection, made (and greeted) when there is none or the recorder ended it; -1
  // when it cannot be made.
  int SvdrpConnection(void) const;
  void CloseSvdrp(void) const;
  // Whether the recorder has exited (then collected, with its exit code).
  bool Ended(void);
  // One start as Start() describes it.
  bool StartOnce(const std::vector<std::string> &Plugins, const std::vector<std::string> &Env, int TimeoutS);

public:
  std::string configDir, videoDir, cacheDir, resourceDir, localeDir, logFile;
  // The folder the plug-ins are loaded from (-L), by default those built for the recorder.
  std::string pluginDir = VIMORA_VDR_PLUGIN_DIR;
  // When set, what Start() runs instead of vdr with its arguments: the command that starts
  // the recorder with SVDRP on Port (the plug-ins named to Start() then go unused).
  std::function<std::vector<std::string>(int Port)> command;
  // Writes the recorder's configuration under Root (which must exist): setup.conf,
  // channels.conf (the music channel, one other and the formats' channels), sources.conf,
  // svdrphosts.conf allowing 127.0.0.1; the plug-ins' catalogues are looked for in LocaleDir.
  cVdrRecorder(const std::string &Root, const std::string &LocaleDir);
  ~cVdrRecorder();
  // Starts vdr with these "-P" arguments (the device plug-in among them); true once it
  // takes keys (at most TimeoutS seconds), false (and no recorder running) otherwise.
  // Env: more "NAME=value" for its environment.
  bool Start(const std::vector<std::string> &Plugins, const std::vector<std::string> &Env = {}, int TimeoutS = 30);
  // Sends one SVDRP command; the reply's lines ("250 text" ...), none when unreachable.
  // The command is never sent twice: a connection that fails in the middle is closed and
  // the reply read so far returned.
  std::vector<std::string> Svdrp(const std::string &Command) const;
  // Sends a command that reads data (PUTE): Command, then Data's lines and ".". The
  // last reply's lines.
  std::vector<std::string> SvdrpData(const std::string &Command, const std::vector<std::string> &Data) const;
  // Presses Key (a name the recorder knows: "Menu", "Ok", "Green", "5" ...); true when
  // the recorder took it.
  bool Key(const std::string &Key) const;
  // Ends the recorder with SIGTERM; true when it exited by itself within TimeoutS
  // seconds (ExitCode() then tells how), false when it had to be killed.
  bool Stop(int TimeoutS = 30);
  int ExitCode(void) const { return exitCode; }
  bool Running(void) const { return pid > 0; }
  // The captured log, one line per entry: "<syslog priority> text".
  std::vector<std::string> Log(void) const;
  // How many log lines contain Text.
  int Count(const std::string &Text) const;
  bool LogHas(const std::string &Text) const;
  // How many OSDs the device plug-in has opened so far, and whether one is open now.
  int OsdsOpened(void) const;
  bool OsdOpen(void) const;
  // The log lines at error priority (or worse), and every line that tells of an
  // invalid lock sequence, whatever its priority.
  std::vector<std::string> Errors(void) const;
  // What the device plug-in's text skin shows now (its SVDRP command SCRN): one
  // "Label: text" line each, "Screen: empty" when nothing is open; none when unreachable.
  std::vector<std::string> Screen(void) const;
  // Whether the screen shows Line (a whole line) within TimeoutS seconds.
  bool Shows(const std::string &Line, double TimeoutS = 10) const;
  // Every message the text skin has shown, "type: text", oldest first.
  std::vector<std::string> Messages(void) const;
  // What the recorder wrote on stdout and stderr.
  std::string Output(void) const;
};

// A timer's day ("YYYY-MM-DD") and time of day ("hhmm") as SVDRP's NEWT takes them.
std::string Day(time_t t);
std::string HourMinute(time_t t);

// Lines (a screen) as one text, for a failure message.
std::string Join(const std::vector<std::string> &Lines);

// Runs a program found in PATH with Argv, output discarded; its exit code, -1 when it
// did not exit normally.
int RunQuietly(const std::vector<std::string> &Argv);

#endif

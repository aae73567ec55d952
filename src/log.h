// The plug-in's own log file: time-stamped lines filtered by a verbosity limit.
// Written from several threads; each line goes out in a single write.
#ifndef __VIMORA_LOG_H
#define __VIMORA_LOG_H

#include <vdr/tools.h>

class cLogFile : public cFile {
public:
  static const char *LogFileName; // -l/--logfile; not owned
  static int loglevellimit;       // -v/--verbose; 0 writes nothing

  // Writes one line when Level is at most loglevellimit and the file is open.
  void Log(int Level, const char *Format, ...) __attribute__((format(printf, 3, 4)));
  // An error for the host's system log ("Vimora: ...") and the log file (level 1).
  void eSysLog(const char *Format, ...) __attribute__((format(printf, 2, 3)));
  // An information message, the same way, shown in the system log from level 2 on.
  void iSysLog(const char *Format, ...) __attribute__((format(printf, 2, 3)));
};

extern cLogFile LogFile;

#endif

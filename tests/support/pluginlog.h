// The plug-in's log file in tests: opened on a file of the test's own, and read back
// as messages without their time stamps.
#ifndef __VIMORA_PLUGINLOG_H
#define __VIMORA_PLUGINLOG_H

#include <string>
#include <vector>

// The messages of a log file's lines that contain Containing, in file order.
std::vector<std::string> LogMessages(const std::string &Path, const std::string &Containing = "");

// LogFile opened on Path at Level for as long as the object lives.
class cTestPluginLog {
private:
  std::string path;

public:
  bool Open(const std::string &Path, int Level);
  ~cTestPluginLog();
  const std::string &Path(void) const { return path; }
  std::vector<std::string> Messages(const std::string &Containing = "") const { return LogMessages(path, Containing); }
};

#endif

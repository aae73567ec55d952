#include "pluginlog.h"

#include <fcntl.h>

#include "log.h"
#include "testenv.h"

std::vector<std::string> LogMessages(const std::string &Path, const std::string &Containing)
{
  std::vector<std::string> messages;
  for (const auto &l : Lines(ReadFile(Path))) {
      size_t p = l.find(": "); // the first one ends the time stamp
      std::string m = p == std::string::npos ? l : l.substr(p + 2);
      if (m.find(Containing) != std::string::npos)
         messages.push_back(m);
  }
  return messages;
}

bool cTestPluginLog::Open(const std::string &Path, int Level)
{
  path = Path;
  cLogFile::loglevellimit = Level;
  return LogFile.Open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
}

cTestPluginLog::~cTestPluginLog()
{
  LogFile.Close();
}

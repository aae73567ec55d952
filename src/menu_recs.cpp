#include "menu_recs.h"

#include <fstream>
#include <vdr/recording.h>

#include "log.h"

std::string GetRecordingChannelID(cRecording *recording)
{
  std::string path = std::string(recording->FileName()) + "/vimora";
  std::ifstream file(path);
  if (!file) {
     LogFile.eSysLog("could not open file '%s'", path.c_str());
     return "";
  }
  std::string word;
  file >> word;
  return word.empty() ? "S19.2E-1-1092-10100" : word;
}

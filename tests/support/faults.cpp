#include "faults.h"

#include <sys/stat.h>
#include <unistd.h>

bool FillDisk(const std::string &Path)
{
  return symlink("/dev/full", (Path + ".$$$").c_str()) == 0;
}

cBlockedSave::cBlockedSave(const std::string &Path)
: temp(Path + ".$$$"), folder(Path.substr(0, Path.rfind('/')))
{
  mkdir(temp.c_str(), 0755);
  chmod(folder.c_str(), 0555);
}

cBlockedSave::~cBlockedSave()
{
  chmod(folder.c_str(), 0755);
  rmdir(temp.c_str());
}

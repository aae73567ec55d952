// Faults for saves that work for root too (CI runs as root, where permissions stop
// nothing): the host writes a file through "<file>.$$$", so what lies at that path
// decides how the next save fails.
#ifndef __VIMORA_FAULTS_H
#define __VIMORA_FAULTS_H

#include <string>

// The next save of Path finds no room: its temporary file is a link to /dev/full. A
// failed save removes the link, so the disk has room again after one failure.
bool FillDisk(const std::string &Path);

// No file can be made where Path's temporary file belongs while the object lives: a
// directory stands there, and the folder is read-only for everybody but root.
class cBlockedSave {
private:
  std::string temp, folder;

public:
  cBlockedSave(const std::string &Path);
  ~cBlockedSave();
};

#endif

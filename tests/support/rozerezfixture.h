// Tests of the rozerez plug-in: it is loaded by the host from the build's plug-in folder
// and called through its service, as the vimora plug-in calls it.
#ifndef __VIMORA_ROZEREZFIXTURE_H
#define __VIMORA_ROZEREZFIXTURE_H

#include <set>
#include <string>
#include <vdr/plugin.h>

#include "testenv.h"

class cRozerezTest : public cTestEnv {
protected:
  cPluginManager *manager = NULL;
  cPlugin *rozerez = NULL;
  std::string clips; // the folder the clips go to
  void SetUp(void) override;
  void TearDown(void) override;
  // Loads "rozerez Args" instead of the plug-in loaded so far.
  void Load(const std::string &Args);
  void Unload(void);
  // Calls the service as a caller does; the error text, or "" for success.
  std::string Cut(const std::string &Recording);
  std::set<std::string> Files(const std::string &Dir);
};

#endif

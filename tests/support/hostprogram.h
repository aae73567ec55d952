// vimora-host run as a subprocess, as a person runs it, on the test's own folders and
// the plug-ins of the build.
#ifndef __VIMORA_HOSTPROGRAM_H
#define __VIMORA_HOSTPROGRAM_H

#include "process.h"
#include "testenv.h"

class cHostProgram : public cTestEnv {
protected:
  std::string audioDir;
  void SetUp(void) override;
  // vimora-host -c -v -L -a with Args (and Input on its standard input).
  tProcessResult Host(std::vector<std::string> Args, const std::string &Input = "");
  // Runs Script (--script -) with the plug-ins given as -P arguments and more Args.
  tProcessResult Script(const std::string &Script, const std::vector<std::string> &Plugins = { "vimora -v 2" },
                        std::vector<std::string> Args = {});
};

#endif

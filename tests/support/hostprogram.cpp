#include "hostprogram.h"

void cHostProgram::SetUp(void)
{
  cTestEnv::SetUp();
  audioDir = root + "/audio";
}

tProcessResult cHostProgram::Host(std::vector<std::string> Args, const std::string &Input)
{
  Args.insert(Args.begin(), { VIMORA_BIN_DIR "/vimora-host", "-c", configDir, "-v", videoDir, "-L", VIMORA_PLUGIN_DIR,
                              "-a", audioDir });
  return RunProcess(Args, Input);
}

tProcessResult cHostProgram::Script(const std::string &Script, const std::vector<std::string> &Plugins, std::vector<std::string> Args)
{
  for (const auto &p : Plugins) {
      Args.push_back("-P");
      Args.push_back(p);
  }
  Args.push_back("--script");
  Args.push_back("-");
  return Host(Args, Script);
}

// vimora-host as a person starts it: options, plug-in loading and its errors.
#include "process.h"
#include "testenv.h"

class cHostProgram : public cTestEnv {
protected:
  tProcessResult Host(std::vector<std::string> Args)
  {
    Args.insert(Args.begin(), { VIMORA_BIN_DIR "/vimora-host", "-c", configDir, "-v", videoDir, "-L", VIMORA_PLUGIN_DIR });
    return RunProcess(Args);
  }
};

TEST_F(cHostProgram, LoadsThePluginAndPrintsTheMainMenu)
{
  tProcessResult r = Host({ "-P", "vimora -v 2" });
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Vimora"), std::string::npos) << r.out;
  EXPECT_TRUE(FileExists(PluginConfigDir() + "/vimora.log"));
}

TEST_F(cHostProgram, ErrorsNameTheirCause)
{
  tProcessResult r = Host({ "--bogus" });
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("unknown option"), std::string::npos) << r.err;
  r = Host({ "-P", "nosuchplugin" });
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("nosuchplugin"), std::string::npos) << r.err;
  r = Host({ "-P", "vimora -x" });
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("plugin 'vimora': error in command line arguments"), std::string::npos) << r.err;
}

TEST_F(cHostProgram, HelpListsOptions)
{
  tProcessResult r = Host({ "-h", "-P", "vimora" });
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("--verbose=n       verbose level for logfile"), std::string::npos) << r.out;
  for (const char *option : { "-c DIR", "-v DIR", "-L DIR", "-P ARGS" })
      EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

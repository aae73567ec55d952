// vimora-host as a person starts it: options, plug-in loading and its errors.
#include "hostprogram.h"

TEST_F(cHostProgram, LoadsThePluginAndPrintsTheMainMenu)
{
  tProcessResult r = Script("key Menu\nscreen\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Vimora"), std::string::npos) << r.out;
  EXPECT_TRUE(FileExists(PluginConfigDir() + "/vimora.log"));
}

TEST_F(cHostProgram, WithoutATerminalItAsksForAScript)
{
  tProcessResult r = Host({ "-P", "vimora" });
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--script"), std::string::npos) << r.err;
}

TEST_F(cHostProgram, ErrorsNameTheirCause)
{
  tProcessResult r = Host({ "--bogus" });
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("unknown option"), std::string::npos) << r.err;
  r = Script("", { "nosuchplugin" });
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("nosuchplugin"), std::string::npos) << r.err;
  r = Host({ "--speed", "fast" });
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("bad speed 'fast'"), std::string::npos) << r.err;
  r = Host({ "--script", root + "/no-such-script" });
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("no-such-script"), std::string::npos) << r.err;
  r = Script("", { "vimora -x" });
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("plugin 'vimora': error in command line arguments"), std::string::npos) << r.err;
}

TEST_F(cHostProgram, HelpListsOptions)
{
  tProcessResult r = Host({ "-h", "-P", "vimora" });
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("--verbose=n       verbose level for logfile"), std::string::npos) << r.out;
  for (const char *option : { "-c DIR", "-v DIR", "-L DIR", "--localedir=DIR", "-P ARGS", "--script=FILE", "--demo[=DIR]", "--speed=N" })
      EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

TEST_F(cHostProgram, ThePluginSpeaksTheSetupsLanguageFromTheCataloguesBesideIt)
{
  WriteFile(configDir + "/setup.conf", "OSDLanguage = de_DE\n");
  tProcessResult r = Script("key Menu\nkey 1\nscreen\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Vimora-Aufnahmen"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(yellow) Konvertieren"), std::string::npos) << r.out;

  r = Script("key Menu\nkey 1\nscreen\n", { "vimora" }, { "--localedir", root + "/nowhere" });
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Vimora Recordings"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(yellow) Convert "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(green) Markieren"), std::string::npos) << r.out; // the host's own
}

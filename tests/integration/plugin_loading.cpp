// The plug-in loaded from its shared object by the host's plug-in manager.
#include <dlfcn.h>
#include <vdr/config.h>
#include <vdr/device.h>
#include <vdr/plugin.h>

#include "log.h"
#include "testenv.h"
#include "vimora_config.h"

class cPluginLoading : public cTestEnv {};

TEST_F(cPluginLoading, LoadsWithArgumentsAndStoredSetupValues)
{
  WriteFile(configDir + "/setup.conf", "vimora.offset = -7\nvimora.Format = %title% #x\nother.offset = 9\n");
  ASSERT_TRUE(::Setup.Load((configDir + "/setup.conf").c_str()));
  std::string log = root + "/my log.log";
  cPluginManager manager(VIMORA_PLUGIN_DIR);
  manager.AddPlugin(("vimora -v 1 --logfile \"" + log + "\"").c_str());
  ASSERT_TRUE(manager.LoadPlugins());
  ASSERT_TRUE(manager.InitializePlugins());
  ASSERT_TRUE(manager.StartPlugins());
  cPlugin *p = cPluginManager::GetPlugin("vimora");
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p->Name(), "vimora");
  EXPECT_STREQ(p->MainMenuEntry(), "Vimora");
  EXPECT_EQ(VimoraConfig.offset, -7);
  EXPECT_EQ(VimoraConfig.format, "%title% #x");
  EXPECT_EQ(cLogFile::loglevellimit, 1);
  EXPECT_EQ(Lines(ReadFile(log)).size(), 2u);
  manager.Shutdown();
  EXPECT_EQ(cPluginManager::GetPlugin("vimora"), nullptr);
}

TEST_F(cPluginLoading, FactoryIsExportedUnmangled)
{
  void *h = dlopen(VIMORA_PLUGIN_DIR "/libvdr-vimora.so", RTLD_NOW);
  ASSERT_NE(h, nullptr) << dlerror();
  EXPECT_NE(dlsym(h, "VDRPluginCreator"), nullptr);
  dlclose(h);
}

TEST_F(cPluginLoading, BadArgumentsAndMissingPluginFail)
{
  {
    cPluginManager manager(VIMORA_PLUGIN_DIR);
    manager.AddPlugin("vimora --nonsense");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(manager.LoadPlugins());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("plugin 'vimora': error in command line arguments"), std::string::npos);
  }
  {
    cPluginManager manager(VIMORA_PLUGIN_DIR);
    manager.AddPlugin("nosuchplugin");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(manager.LoadPlugins());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot load plugin 'nosuchplugin'"), std::string::npos);
  }
}

TEST_F(cPluginLoading, DevicePluginLoadsBesideThePlugInAndLeavesTheReceivingDevices)
{
  cPluginManager manager(VIMORA_PLUGIN_DIR);
  manager.AddPlugin("vimoradevice");
  manager.AddPlugin("vimora");
  ASSERT_TRUE(manager.LoadPlugins());
  ASSERT_TRUE(manager.InitializePlugins());
  ASSERT_TRUE(manager.StartPlugins());
  ASSERT_NE(cPluginManager::GetPlugin("vimoradevice"), nullptr);
  // the host records on its own devices; the plug-in's device only waits for a player
  EXPECT_EQ(cDevice::NumDevices(), MAXDEVICES);
  EXPECT_EQ(cDevice::PrimaryDevice(), cDevice::GetDevice(0));
  EXPECT_FALSE(cDevice::PrimaryDevice()->HasDecoder());
  manager.Shutdown();
  EXPECT_EQ(cPluginManager::GetPlugin("vimoradevice"), nullptr);
}

// What the plug-in's start and end do for the capture side: the two list files, the
// recording monitor and the grabber.
#include "blacklist.h"
#include "grabberthread.h"
#include "recstatus.h"
#include "testenv.h"
#include "tracks.h"
#include "vimora.h"

class cPluginStart : public cTestEnv {};

TEST_F(cPluginStart, StartWithoutListFiles)
{
  cPluginVimora *plugin = new cPluginVimora;
  EXPECT_EQ(gl_recStatusMonitor, nullptr);
  EXPECT_TRUE(plugin->Start());
  EXPECT_EQ(Tracks.Count(), 0);
  EXPECT_EQ(Blacklist.Count(), 0);
  EXPECT_STREQ(Tracks.FileName(), (PluginConfigDir() + "/tracks.conf").c_str());
  EXPECT_STREQ(Blacklist.FileName(), (PluginConfigDir() + "/blacklist.conf").c_str());
  EXPECT_NE(gl_recStatusMonitor, nullptr);
  EXPECT_TRUE(cGrabberThread::ChannelSupported("S19.2E-1-1092-10100"));
  delete plugin;
  EXPECT_EQ(gl_recStatusMonitor, nullptr);
}

TEST_F(cPluginStart, StartLoadsBothListsAndTheEndStopsTheGrabber)
{
  MakeDirs(PluginConfigDir().c_str(), true);
  WriteFile(PluginConfigDir() + "/tracks.conf", "A:B:1999:1000:200:2\nbad line\n");
  WriteFile(PluginConfigDir() + "/blacklist.conf", "# none yet\nNova;.*\n");
  cPluginVimora *plugin = new cPluginVimora;
  EXPECT_TRUE(plugin->Start());
  EXPECT_EQ(Tracks.Count(), 1);
  ASSERT_EQ(Blacklist.Count(), 1);
  EXPECT_EQ(Blacklist.First()->artist, "Nova");
  cGrabberThread::Init();
  ASSERT_NE(cGrabberThread::m_Instance, nullptr);
  delete plugin;
  EXPECT_EQ(cGrabberThread::m_Instance, nullptr);
  Tracks.Clear();
  Blacklist.cListBase::Clear();
}

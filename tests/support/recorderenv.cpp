#include "recorderenv.h"

#include <vdr/clock.h>
#include <vdr/recording.h>
#include <vdr/timers.h>

void cRecorderEnv::SetUp(void)
{
  cHostEnv::SetUp();
  cClock::SetTime(TestEpoch - 60);
  music = AddTestChannel();
  AddTestChannel(OtherChannelID, "Other");
  ASSERT_TRUE(MakeDirs(PluginConfigDir().c_str(), true));
  tracksPath = PluginConfigDir() + "/tracks.conf";
  logPath = root + "/vimora.log";
  WriteFile(PluginConfigDir() + "/blacklist.conf", "Banned Band;.*\n");
}

void cRecorderEnv::TearDown(void)
{
  // the recorder's notifications go to the plug-in: it stops first
  cRecorder::Stop();
  cHostEnv::TearDown();
}

void cRecorderEnv::Start(const std::string &Catalogue)
{
  WriteFile(tracksPath, Catalogue);
  ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { ("vimora -v 2 -l " + logPath).c_str() }));
  ASSERT_TRUE(cRecorder::Start());
}

void cRecorderEnv::At(int Seconds)
{
  cClock::Step((TestEpoch + Seconds) * 1000ull - cClock::NowMs());
}

std::string cRecorderEnv::Record(const char *Name, int From, int To)
{
  cTimer *timer = AddTestTimer(music, TestEpoch + From, TestEpoch + To, Name);
  At(To + 1);
  EXPECT_FALSE(timer->Recording());
  for (cRecording *r = Recordings.First(); r; r = Recordings.Next(r))
      if (strcmp(r->Name(), Name) == 0)
         return r->FileName();
  ADD_FAILURE() << "no recording " << Name;
  return "";
}

void cRecorderEnv::OpenMenu(void)
{
  Skins.TextSkin()->ForgetMessages();
  Press({ kMenu, k1 });
}

#include "conversion.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/clock.h>
#include <vdr/plugin.h>
#include <vdr/recording.h>

#include "audio_thread.h"
#include "hostfixtures.h"
#include "tracks.h"
#include "vimora_config.h"

// Numbers its call by the folders already in calls/, notes what it was given and saw
// there, waits while hold-<call> exists, then writes its file into audio/ and names it
// on standard output; or fails as fail-<call> says.
static const char *const ScriptText =
  "#!/bin/sh\n"
  "root='@ROOT@'\n"
  "n=$(ls \"$root/calls\" | wc -l)\n"
  "d=\"$root/calls/$n\"\n"
  "mkdir \"$d\" || exit 1\n"
  "printf '%s' \"${0##*/}\" >\"$d/script\"\n"
  "printf '%s' \"$#\" >\"$d/argc\"\n"
  "i=1\n"
  "for a in \"$@\"; do printf '%s' \"$a\" >\"$d/arg$i\"; i=$((i + 1)); done\n"
  "cp \"$1/marks\" \"$d/marks\"\n"
  "printf '%s' \"${VIMORA_AUDIO_LANGUAGES-unset}\" >\"$d/languages\"\n"
  "printf '%s' \"${VIMORA_AUDIO_DIR-unset}\" >\"$d/audiodir\"\n"
  "printf '%s' \"${VIMORA_AUDIO_NAME-unset}\" >\"$d/audioname\"\n"
  "if [ -e \"$root/hold-$n\" ]; then\n"
  "  touch \"$d/started\"\n"
  "  while [ -e \"$root/hold-$n\" ]; do sleep 0.01; done\n"
  "fi\n"
  "touch \"$d/done\"\n"
  "case $(cat \"$root/fail-$n\" 2>/dev/null) in\n"
  "  exit) echo \"${0##*/}: no sound track in the recording media\" >&2; exit 6 ;;\n"
  "  kill) kill -KILL $$ ;;\n"
  "  nothing) exit 0 ;;\n"
  "esac\n"
  "a=${VIMORA_AUDIO_DIR:-$root/audio}\n"
  "mkdir -p \"$a\" && touch \"$a/$n.mp3\" && echo \"$a/$n.mp3\"\n";

void cConversionEnv::SetUp(void)
{
  cHostEnv::SetUp();
  std::string bin = root + "/bin";
  ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((root + "/calls").c_str(), 0755), 0);
  std::string text = ScriptText;
  text.replace(text.find("@ROOT@"), 6, root);
  for (const char *name : { "vimora2mp3.sh", "vimora2ogg.sh" }) {
      std::string path = bin + "/" + name;
      ASSERT_TRUE(WriteFile(path, text));
      ASSERT_EQ(chmod(path.c_str(), 0755), 0);
  }
  const char *path = getenv("PATH");
  oldPath = path ? path : "";
  setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
  // the playlists too stay in the test's folder
  setenv("VIMORA_AUDIO_DIR", (root + "/audio").c_str(), 1);
  AddTestChannel();
  fileName = MakeTestRecording("Music", TestEpoch, 10 * 60 * 25);
  Tracks.Load(AddDirectory(cPlugin::ConfigDirectory("vimora"), "tracks.conf"));
}

void cConversionEnv::TearDown(void)
{
  cConvertToAudioThread::Exit();
  WaitConversion();
  setenv("PATH", oldPath.c_str(), 1);
  unsetenv("VIMORA_AUDIO_DIR");
  VimoraConfig = cVimoraConfig();
  {
    cTracksLock lock(Tracks);
    Tracks.Clear();
  }
  cHostEnv::TearDown();
}

cRecording *cConversionEnv::Recording(void)
{
  return Recordings.GetByName(fileName.c_str());
}

void cConversionEnv::AddTrack(const char *Artist, const char *Title, int Year, int Start, int Duration)
{
  AddTestTrack(Artist, Title, Year, TestEpoch + Start, Duration);
  cTracksLock lock(Tracks);
  Tracks.Save();
}

std::vector<int> cConversionEnv::TrackStatus(void)
{
  std::vector<int> status;
  cTracksLock lock(Tracks);
  for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
      status.push_back(t->status);
  return status;
}

void cConversionEnv::Hold(int Call)
{
  WriteFile(root + "/hold-" + std::to_string(Call), "");
}

void cConversionEnv::Fail(int Call, const char *How)
{
  WriteFile(root + "/fail-" + std::to_string(Call), How);
}

void cConversionEnv::Release(int Call)
{
  unlink((root + "/hold-" + std::to_string(Call)).c_str());
}

bool cConversionEnv::WaitHeld(int Call)
{
  std::string started = root + "/calls/" + std::to_string(Call) + "/started";
  for (int i = 0; i < 2000; i++) {
      if (FileExists(started))
         return true;
      usleep(10000);
  }
  return false;
}

std::vector<tScriptCall> cConversionEnv::Calls(void) const
{
  std::vector<tScriptCall> calls;
  for (int n = 0;; n++) {
      std::string d = root + "/calls/" + std::to_string(n);
      if (!FileExists(d))
         break;
      tScriptCall c;
      c.script = ReadFile(d + "/script");
      int argc = atoi(ReadFile(d + "/argc").c_str());
      for (int i = 1; i <= argc; i++)
          c.args.push_back(ReadFile(d + "/arg" + std::to_string(i)));
      c.marks = ReadFile(d + "/marks");
      c.languages = ReadFile(d + "/languages");
      c.audioDir = ReadFile(d + "/audiodir");
      c.audioName = ReadFile(d + "/audioname");
      c.done = FileExists(d + "/done");
      calls.push_back(c);
  }
  return calls;
}

void cConversionEnv::RunConversion(void)
{
  // the thread's only sleep is its first; the step returns when it has ended
  cClock::Step(10);
}

void cConversionEnv::RunConversionAside(void)
{
  stepper = std::thread([this] { RunConversion(); });
}

void cConversionEnv::WaitConversion(void)
{
  if (stepper.joinable())
     stepper.join();
}

bool cConversionEnv::LoadRozerez(const std::string &Args)
{
  return StartPlugins(VIMORA_TEST_PLUGIN_DIR, { ("rozerez " + Args).c_str() });
}

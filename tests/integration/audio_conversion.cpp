// The audio conversion thread with stand-in scripts: the command line, the marks file
// each script sees and the one left behind, progress, stopping, scripts and cuts that
// fail, and the plug-in's main-menu entry meanwhile.
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/config.h>
#include <vdr/i18n.h>
#include <vdr/recording.h>

#include "audio_thread.h"
#include "conversion.h"
#include "hostfixtures.h"
#include "menu_recs.h"
#include "pluginlog.h"
#include "svdrp.h"
#include "tracks.h"
#include "vimora.h"
#include "vimora_config.h"

class cAudioConversion : public cConversionEnv {
protected:
  bool MessageShown(const std::string &Text)
  {
    loop->Run(60000);
    for (const auto &m : Messages())
        if (m == Text)
           return true;
    return false;
  }
};

TEST_F(cAudioConversion, ScriptGetsDirectoryTitleArtistYearAndOnlyItsPair)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
  AddTrack("A", "T", 1999, 60, 60);
  std::string marks = "0:01:03.01 A|T|1999\n0:02:02.23\n0:03:00.00 X|Y\n0:04:00.00\n0:05:00.00 Z|W|2000\n";
  WriteFile(MarksPath(), marks);
  cConvertToAudioThread::Init(Recording(), false);
  RunConversion();
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  std::vector<tScriptCall> calls = Calls();
  ASSERT_EQ(calls.size(), 1u); // the pair with two fields is skipped, the lone last mark too
  EXPECT_EQ(calls[0].script, "vimora2mp3.sh");
  EXPECT_EQ(calls[0].args, (std::vector<std::string>{ fileName, "T", "A", "1999" }));
  EXPECT_EQ(calls[0].marks, "0:01:03.01\n0:02:02.23\n");
  EXPECT_EQ(calls[0].languages, "");
  EXPECT_EQ(cConvertToAudioThread::progress, 40); // (index 1 + 1) * 100 / 5 marks
  EXPECT_EQ(ReadFile(MarksPath()), marks);
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 2 }));
  EXPECT_EQ(log.Messages("converting"), (std::vector<std::string>{ "converting to mp3: T" }));
  EXPECT_TRUE(MessageShown("info: Vimora audio conversion started!"));
  EXPECT_TRUE(MessageShown("info: Vimora audio conversion finished!"));
}

// At 50 frames a second the script's pair and the file put back are the marks as written.
TEST_F(cAudioConversion, AtFiftyFramesTheMarksComeBackAsTheyWere)
{
  std::string fifty = MakeTestRecording("Fifty", TestEpoch + 3600, 50 * 600, 12, MusicChannelID, 50);
  std::string marks = "0:01:03.49 A|T|1999\n0:02:02.23\n";
  WriteFile(fifty + "/marks", marks);
  cConvertToAudioThread::Init(Recordings.GetByName(fifty.c_str()), false);
  RunConversion();
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].marks, "0:01:03.49\n0:02:02.23\n");
  EXPECT_EQ(ReadFile(fifty + "/marks"), marks);
}

// and the recorder's preferred audio languages in the script's environment
TEST_F(cAudioConversion, OggScriptAndProgressAfterOneOfTwoPairs)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
  VimoraConfig.audioformat = 1;
  ::Setup.AudioLanguages[0] = I18nLanguageIndex("ger");
  ::Setup.AudioLanguages[1] = I18nLanguageIndex("eng");
  ::Setup.AudioLanguages[2] = -1;
  WriteFile(MarksPath(), "0:01:00.00 A|T|1999\n0:02:00.00\n0:03:00.00 A|T\n0:04:00.00\n");
  cConvertToAudioThread::Init(Recording(), false);
  RunConversion();
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].script, "vimora2ogg.sh");
  EXPECT_EQ(Calls()[0].languages, "deu,ger eng");
  ::Setup.AudioLanguages[0] = -1;
  EXPECT_EQ(cConvertToAudioThread::progress, 50);
  EXPECT_EQ(log.Messages("converting"), (std::vector<std::string>{ "converting to mp3: T" }));
}

TEST_F(cAudioConversion, NoMarksEndsAfterTheStartMessage)
{
  AddTrack("A", "T", 1999, 60, 60);
  cConvertToAudioThread::Init(Recording(), false);
  RunConversion();
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_TRUE(Calls().empty());
  EXPECT_FALSE(FileExists(MarksPath()));
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 0 }));
  EXPECT_TRUE(MessageShown("info: Vimora audio conversion started!"));
  EXPECT_FALSE(MessageShown("info: Vimora audio conversion finished!"));
}

// Of four tracks the first script exits with an error, the second is killed, the third
// names no file; the fourth converts. Converting again does the three.
TEST_F(cAudioConversion, FailedScriptsLeaveTheirTracksAsTheyWereAndAreToldOf)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
  cPluginVimora plugin;
  const char *const artists[] = { "A", "B", "C", "D" };
  for (int i = 0; i < 4; i++)
      AddTrack(artists[i], "T", 1999, 60 + i * 120, 60);
  WriteFile(fileName + "/vimora", MusicChannelID);
  ASSERT_EQ(WriteCutMarks(Recording()), 4);
  Fail(0, "exit");
  Fail(1, "kill");
  Fail(2, "nothing");
  Hold(3);
  cConvertToAudioThread::Init(Recording(), false);
  RunConversionAside();
  ASSERT_TRUE(WaitHeld(3));
  EXPECT_STREQ(plugin.MainMenuEntry(), "Vimora (75%, 3 failed)");
  int code = 0;
  EXPECT_STREQ(VimoraSVDRPCommand("STAT", "", code), "Music: 75%, 3 failed");
  Release(3);
  WaitConversion();
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 0, 0, 0, 2 }));
  std::vector<std::string> failed = log.Messages("converting to mp3 failed");
  ASSERT_EQ(failed.size(), 3u);
  EXPECT_EQ(failed[0], "converting to mp3 failed: A|T|1999: vimora2mp3.sh exit status 6: vimora2mp3.sh: no sound track in the recording media");
  // killed: the shell that ran it tells so, or it did not exit when the shell was the script
  EXPECT_TRUE(failed[1].rfind("converting to mp3 failed: B|T|1999: vimora2mp3.sh exit status 137", 0) == 0 ||
              failed[1].rfind("converting to mp3 failed: B|T|1999: vimora2mp3.sh did not exit", 0) == 0) << failed[1];
  EXPECT_EQ(failed[2], "converting to mp3 failed: C|T|1999: vimora2mp3.sh names no file it wrote");
  EXPECT_TRUE(MessageShown("error: Vimora audio conversion: 3 of 4 tracks failed!"));
  EXPECT_FALSE(MessageShown("info: Vimora audio conversion finished!"));
  EXPECT_STREQ(VimoraSVDRPCommand("STAT", "", code), "idle; the last conversion, of Music: 1 of 4 tracks converted, 3 failed");
  EXPECT_EQ(log.Messages("audio conversion ended"), (std::vector<std::string>{ "audio conversion ended for " + fileName + ": 1 of 4 tracks converted, 3 failed" }));

  // green writes the marks of the three again, and they convert
  ASSERT_EQ(WriteCutMarks(Recording()), 3);
  cConvertToAudioThread::Init(Recording(), false);
  RunConversion();
  std::vector<tScriptCall> calls = Calls();
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[4].args[2] + calls[5].args[2] + calls[6].args[2], "ABC");
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 2, 2, 2, 2 }));
  EXPECT_TRUE(MessageShown("info: Vimora audio conversion finished!"));
}

// Audio and video: the audio files are made, the cut fails; no track is done.
TEST_F(cAudioConversion, ACombinedRunWhoseCutFailsMarksNothing)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
  ASSERT_TRUE(LoadRozerez("\"--error=rozerez: disk full\""));
  AddTrack("A", "T", 1999, 60, 60);
  WriteFile(fileName + "/vimora", MusicChannelID);
  ASSERT_EQ(WriteCutMarks(Recording()), 1);
  cConvertToAudioThread::Init(Recording(), true);
  RunConversion();
  EXPECT_EQ(Calls().size(), 1u);
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 0 }));
  EXPECT_TRUE(MessageShown("error: rozerez: disk full"));
  EXPECT_EQ(log.Messages("cutting"), (std::vector<std::string>{ "cutting the video clips of " + fileName + " failed: rozerez: disk full" }));
  int code = 0;
  EXPECT_STREQ(VimoraSVDRPCommand("STAT", "", code), "idle; the last conversion, of Music: 1 tracks converted; video clips failed: rozerez: disk full");
}

TEST_F(cAudioConversion, MainMenuEntryAndActiveFollowTheRun)
{
  cPluginVimora plugin;
  WriteFile(MarksPath(), "0:01:00.00 A|T|1999\n0:02:00.00\n0:03:00.00 B|U|2000\n0:04:00.00\n0:05:00.00 C|V|2001\n0:06:00.00\n");
  EXPECT_STREQ(plugin.MainMenuEntry(), "Vimora");
  EXPECT_EQ(*plugin.Active(), nullptr);
  Hold(1);
  cConvertToAudioThread::Init(Recording(), false);
  RunConversionAside();
  ASSERT_TRUE(WaitHeld(1));
  EXPECT_STREQ(plugin.MainMenuEntry(), "Vimora (33%)");
  EXPECT_STREQ(plugin.Active(), "Vimora audio conversion still running!");
  VimoraConfig.hidemainmenuentry = 1;
  EXPECT_EQ(plugin.MainMenuEntry(), nullptr);
  VimoraConfig.hidemainmenuentry = 0;
  Release(1);
  // the main thread keeps looking while the run ends (and leaves the low-priority
  // conversion some processor time)
  while (cConvertToAudioThread::m_Instance) {
    EXPECT_NE(plugin.MainMenuEntry(), nullptr);
    usleep(1000);
  }
  WaitConversion();
  EXPECT_EQ(cConvertToAudioThread::progress, 100);
  EXPECT_STREQ(plugin.MainMenuEntry(), "Vimora");
  EXPECT_EQ(*plugin.Active(), nullptr);
  EXPECT_EQ(Calls().size(), 3u);
}

TEST_F(cAudioConversion, StopEndsTheScriptAndPutsTheWholeMarksFileBack)
{
  AddTrack("A", "T", 1999, 60, 60);
  std::string marks = "0:01:03.01 A|T|1999\n0:02:02.23\n0:03:00.00 B|U|2000\n0:04:00.00\n0:05:00.00 by hand\n";
  WriteFile(MarksPath(), marks);
  Hold(1);
  cConvertToAudioThread::Init(Recording(), false);
  RunConversionAside();
  ASSERT_TRUE(WaitHeld(1));
  EXPECT_EQ(ReadFile(MarksPath()), "0:03:00.00\n0:04:00.00\n");
  cConvertToAudioThread::Exit();
  EXPECT_EQ(ReadFile(MarksPath()), marks); // back before Exit returned
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  WaitConversion();
  std::vector<tScriptCall> calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_TRUE(calls[0].done);
  EXPECT_FALSE(calls[1].done); // ended, not waited for
  EXPECT_FALSE(HostLogHas("won't end"));
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 0 }));
  EXPECT_FALSE(MessageShown("info: Vimora audio conversion finished!"));
  Release(1);
}

TEST_F(cAudioConversion, InitWhileRunningLeavesTheRunAlone)
{
  std::string other = MakeTestRecording("Other", TestEpoch + 3600, 25 * 60);
  WriteFile(other + "/marks", "0:00:10.00 O|P|1990\n0:00:20.00\n");
  WriteFile(MarksPath(), "0:01:00.00 A|T|1999\n0:02:00.00\n");
  Hold(0);
  cConvertToAudioThread::Init(Recording(), false);
  cConvertToAudioThread *running = cConvertToAudioThread::m_Instance;
  RunConversionAside();
  ASSERT_TRUE(WaitHeld(0));
  cConvertToAudioThread::Init(Recordings.GetByName(other.c_str()), true);
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), running);
  Release(0);
  WaitConversion();
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_TRUE(Calls()[0].done);
  EXPECT_EQ(Calls()[0].args[0], fileName);
  // a new run after the end starts normally
  cConvertToAudioThread::Init(Recordings.GetByName(other.c_str()), false);
  RunConversion();
  ASSERT_EQ(Calls().size(), 2u);
  EXPECT_EQ(Calls()[1].args, (std::vector<std::string>{ other, "P", "O", "1990" }));
}

// The video clips alone are a run of the thread too: nothing else starts beside it, and
// the catalogue and SVDRP's status tell how it went.
TEST_F(cAudioConversion, AVideoCutIsOneRunAtATimeAndTellsHowItWent)
{
  std::string cuts = root + "/cuts";
  ASSERT_TRUE(LoadRozerez("--record=" + cuts));
  AddTrack("A", "T", 1999, 60, 60);
  WriteFile(MarksPath(), "0:01:00.00 A|T|1999\n0:02:00.00\n");
  cConvertToAudioThread::InitCut(Recording());
  cConvertToAudioThread *running = cConvertToAudioThread::m_Instance;
  ASSERT_NE(running, nullptr);
  int code = 0;
  EXPECT_STREQ(VimoraSVDRPCommand("STAT", "", code), "Music: 0%");
  // it has not cut yet: neither an audio run nor a cut of SVDRP may begin now
  cConvertToAudioThread::Init(Recording(), true);
  cConvertToAudioThread::InitCut(Recording());
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), running);
  std::string error;
  EXPECT_FALSE(cConvertToAudioThread::CutAlone(Recording(), error));
  EXPECT_EQ(error, "A conversion is running");
  EXPECT_EQ(ReadFile(cuts), "");
  RunConversion();
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(ReadFile(cuts), fileName + "\n0:01:00.00 A - T (1999)\n0:02:00.00\n--\n"); // cut once
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 2 }));
  EXPECT_STREQ(VimoraSVDRPCommand("STAT", "", code), "idle; the last conversion, of Music: video clips cut");
  EXPECT_TRUE(MessageShown("info: Vimora video cut finished!"));

  // stopped before it began, it cuts nothing and says so
  cConvertToAudioThread::InitCut(Recording());
  ASSERT_NE(cConvertToAudioThread::m_Instance.load(), nullptr);
  cConvertToAudioThread::Exit();
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_EQ(ReadFile(cuts), fileName + "\n0:01:00.00 A - T (1999)\n0:02:00.00\n--\n");
  EXPECT_STREQ(VimoraSVDRPCommand("STAT", "", code), "idle; the last conversion, of Music: stopped");
}

TEST_F(cAudioConversion, HostileFieldsStayArguments)
{
  std::string pwned = root + "/pwned";
  std::string artist = "A\"; touch '" + pwned + "'; echo \"";
  std::string title = "$(touch '" + pwned + "') `touch '" + pwned + "'` \\\" \\";
  std::string year = "19$HOME$((1+1))";
  WriteFile(MarksPath(), "0:01:00.00 " + artist + "|" + title + "|" + year + "\n0:02:00.00\n");
  cConvertToAudioThread::Init(Recording(), false);
  RunConversion();
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].args, (std::vector<std::string>{ fileName, title, artist, year }));
  EXPECT_FALSE(FileExists(pwned));
}

TEST_F(cAudioConversion, CommandQuotesEveryArgumentForTheShell)
{
  EXPECT_EQ(cConvertToAudioThread::Command("vimora2mp3.sh", "/v/D", "T", "A", "1999"), "vimora2mp3.sh \"/v/D\" \"T\" \"A\" \"1999\"");
  std::string dir = root + "/dir \"$(echo expanded)\"\n`echo x`\\";
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  WriteFile(dir + "/marks", "");
  std::string title = "line\nbreak\\", artist = "-x", year = "";
  EXPECT_EQ(SystemExec(cConvertToAudioThread::Command("vimora2ogg.sh", dir, title, artist, year).c_str()), 0);
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].args, (std::vector<std::string>{ dir, title, artist, year }));
}

TEST_F(cAudioConversion, UnloadingThePluginStopsTheRun)
{
  std::string marks = "0:01:00.00 A|T|1999\n0:02:00.00\n";
  WriteFile(MarksPath(), marks);
  Hold(0);
  {
    cPluginVimora plugin;
    cConvertToAudioThread::Init(Recording(), false);
    RunConversionAside();
    ASSERT_TRUE(WaitHeld(0));
  }
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_EQ(ReadFile(MarksPath()), marks);
  WaitConversion();
  Release(0);
}

// The plug-in loaded by the host, opened from the main menu.
class cConvertFromRecordingsMenu : public cConversionEnv {
protected:
  void SetUp(void) override
  {
    cConversionEnv::SetUp();
    WriteFile(fileName + "/vimora", MusicChannelID);
    ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { "vimora" }));
  }
};

TEST_F(cConvertFromRecordingsMenu, YellowOpensTheConvertMenuAndItsLineStartsTheRun)
{
  WriteFile(MarksPath(), "0:01:00.00 A|T|1999\n0:02:00.00\n");
  Press({ kMenu, k1, kYellow });
  EXPECT_EQ(Screen().title, "Convert vimora recording");
  EXPECT_EQ(Screen().items, (std::vector<std::string>{ "1 Create audio clips" }));
  Press({ kOk });
  EXPECT_FALSE(Screen().menu); // all menus closed
  RunConversion();
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].args, (std::vector<std::string>{ fileName, "T", "A", "1999" }));
}

TEST_F(cConvertFromRecordingsMenu, YellowDuringARunOffersToAbortIt)
{
  std::string marks = "0:01:00.00 A|T|1999\n0:02:00.00\n0:03:00.00 B|U|2000\n0:04:00.00\n";
  WriteFile(MarksPath(), marks);
  Hold(0);
  Press({ kMenu, k1, kYellow, kOk });
  RunConversionAside();
  ASSERT_TRUE(WaitHeld(0));
  Press({ kMenu });
  EXPECT_EQ(Screen().items[0], "1 Vimora (0%)");
  Press({ k1 });
  Press({ kYellow, kBack }); // no
  EXPECT_EQ(Screen().title, "1 Vimora Recordings");
  EXPECT_NE(cConvertToAudioThread::m_Instance.load(), nullptr);
  Press({ kYellow, kOk }); // yes
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_EQ(ReadFile(MarksPath()), marks);
  EXPECT_EQ(Screen().title, "1 Vimora Recordings"); // no convert menu
  WaitConversion();
  EXPECT_EQ(Calls().size(), 1u);
  Release(0);
}

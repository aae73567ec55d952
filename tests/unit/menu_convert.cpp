// The convert menu: its lines and keys with and without the cutting plug-in, clip
// names from the start marks, and the call of the cutting service.
#include <vdr/recording.h>

#include "audio_thread.h"
#include "conversion.h"
#include "menu_convert.h"
#include "pluginlog.h"
#include "tracks.h"
#include "vimora_config.h"

TEST(Tokenize, RunsOfDelimitersAndEmptyText)
{
  std::vector<std::string> t;
  Tokenize("Artist|Title|1999", t, "|");
  EXPECT_EQ(t, (std::vector<std::string>{ "Artist", "Title", "1999" }));
  t.clear();
  Tokenize("||A||B|", t, "|");
  EXPECT_EQ(t, (std::vector<std::string>{ "A", "B" }));
  Tokenize("", t, "|");
  Tokenize("|||", t, "|");
  Tokenize("C;D E", t, "; ");
  EXPECT_EQ(t, (std::vector<std::string>{ "A", "B", "C", "D", "E" })); // appended, not cleared
}

TEST(FormatMark, FieldsIntoThePattern)
{
  VimoraConfig.format = "%artist% - %title% (%year%)";
  EXPECT_EQ(cMenuConvert::FormatMark("A|B|1987"), "A - B (1987)");
  EXPECT_EQ(cMenuConvert::FormatMark("A|B|1987|extra"), "A - B (1987)");
  EXPECT_EQ(cMenuConvert::FormatMark("A||1987"), ""); // the empty title is dropped: two fields
  EXPECT_EQ(cMenuConvert::FormatMark("A|B"), "");
  EXPECT_EQ(cMenuConvert::FormatMark(""), "");
  EXPECT_EQ(cMenuConvert::FormatMark("Already a clip name"), "Already a clip name");
  VimoraConfig.format = "%YEAR%/%Title% by %artist%";
  EXPECT_EQ(cMenuConvert::FormatMark("A|B|0999"), "0999/B by A");
  // replaced in the order artist, title, year: a placeholder in the artist is replaced again
  VimoraConfig.format = "%artist%";
  EXPECT_EQ(cMenuConvert::FormatMark("X %title% %year%|T|2001"), "X T 2001");
}

class cMenuConvertTest : public cConversionEnv {
protected:
  cMenuConvert *menu = nullptr;
  void Open(void)
  {
    menu = new cMenuConvert(Recording());
    menu->Display();
  }
  void TearDown(void) override
  {
    delete menu;
    cConversionEnv::TearDown();
  }
  std::vector<std::string> Items(void) { return Screen().items; }
  std::string CutRecord(void) { return ReadFile(root + "/cuts"); }
  // Cut of a recording with one marked track, with the cutting plug-in started so; the
  // conversion thread has cut and its messages are shown when this returns.
  eOSState CutOneTrack(const std::string &RozerezArgs)
  {
    AddTrack("A", "T", 1999, 60, 60);
    WriteFile(MarksPath(), "0:01:03.01 A|T|1999\n0:02:02.23\n");
    EXPECT_TRUE(LoadRozerez(RozerezArgs));
    eOSState state = cMenuConvert::Cut(Recording());
    RunConversion();
    loop->Run(60000);
    return state;
  }
};

TEST_F(cMenuConvertTest, WithoutRozerezOnlyAudioOnHotkeyOne)
{
  WriteFile(MarksPath(), "0:01:00.00 A|T|1999\n0:02:00.00\n");
  Open();
  EXPECT_EQ(Screen().title, "Convert vimora recording");
  EXPECT_EQ(Items(), (std::vector<std::string>{ "1 Create audio clips" }));
  EXPECT_EQ(Screen().buttons[0], "Start");
  EXPECT_EQ(Screen().buttons[1], "");
  EXPECT_EQ(cMenuConvert::Cut(Recording()), osContinue); // nothing to cut with
  EXPECT_EQ(menu->ProcessKey(kOk), osEnd);
  ASSERT_NE(cConvertToAudioThread::m_Instance.load(), nullptr);
  RunConversion();
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].script, "vimora2mp3.sh");
}

TEST_F(cMenuConvertTest, WithRozerezThreeLinesAndTheirHotkeys)
{
  ASSERT_TRUE(LoadRozerez("--record=" + root + "/cuts"));
  WriteFile(MarksPath(), "0:01:00.00 A|T|1999\n0:02:00.00\n");
  Open();
  EXPECT_EQ(Items(), (std::vector<std::string>{ "1 Create video clips", "2 Create audio clips", "3 Create audio and video clips" }));
  EXPECT_EQ(menu->ProcessKey(k2), osEnd); // audio only
  RunConversion();
  EXPECT_EQ(Calls().size(), 1u);
  EXPECT_EQ(CutRecord(), "");
  loop->Run(60000); // the messages of that run are shown
  Skins.TextSkin()->ForgetMessages();
  EXPECT_EQ(menu->ProcessKey(k3), osEnd); // audio, then video
  RunConversion();
  EXPECT_EQ(Calls().size(), 2u);
  EXPECT_EQ(CutRecord(), fileName + "\n0:01:00.00 A - T (1999)\n0:02:00.00\n--\n");
  loop->Run(60000);
  EXPECT_EQ(Messages(), (std::vector<std::string>{ "info: Vimora audio conversion started!" })); // no finished message
}

TEST_F(cMenuConvertTest, RedKeyOnTheVideoLineCutsAndMarksTheTracksConverted)
{
  ASSERT_TRUE(LoadRozerez("--record=" + root + "/cuts"));
  VimoraConfig.format = "%title% by %artist%";
  AddTrack("A", "T", 1999, 60, 60);
  AddTrack("B", "U", 2001, 700, 60); // after the recording
  WriteFile(MarksPath(), "0:01:03.01 A|T|1999\n0:02:02.23\n0:03:00.00 X||2000\n0:04:00.00\n0:05:00.00 set by hand\n");
  Open();
  EXPECT_EQ(menu->ProcessKey(kRed), osEnd);
  // the key has left the cut to the conversion thread, which has not begun yet
  EXPECT_NE(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_EQ(CutRecord(), "");
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 0, 0 }));
  RunConversion();
  std::string clipMarks = "0:01:03.01 T by A\n0:02:02.23\n0:03:00.00\n0:04:00.00\n0:05:00.00 set by hand\n";
  EXPECT_EQ(CutRecord(), fileName + "\n" + clipMarks + "--\n"); // the clip names were on disk at the call
  EXPECT_EQ(ReadFile(MarksPath()), clipMarks);
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 2, 0 }));
  EXPECT_NE(ReadFile(PluginConfigDir() + "/tracks.conf").find(":2:"), std::string::npos);
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_TRUE(Calls().empty()); // no audio conversion
  loop->Run(60000);
  EXPECT_EQ(Messages(), (std::vector<std::string>{ "info: Vimora video cut started!", "info: Vimora video cut finished!" }));
}

TEST_F(cMenuConvertTest, ServiceErrorsAreShownLoggedAndNothingIsConverted)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
  EXPECT_EQ(CutOneTrack("\"--error=Disk full: clip not written\""), osEnd);
  EXPECT_EQ(log.Messages("cutting"), (std::vector<std::string>{ "cutting the video clips of " + fileName + " failed: Disk full: clip not written" }));
  EXPECT_EQ(Messages(), (std::vector<std::string>{ "info: Vimora video cut started!", "error: Disk full: clip not written" }));
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 0 }));
  EXPECT_EQ(ReadFile(MarksPath()), "0:01:03.01 A - T (1999)\n0:02:02.23\n");
}

TEST_F(cMenuConvertTest, UnsupportedServiceIsReported)
{
  EXPECT_EQ(CutOneTrack("--unsupported"), osEnd);
  EXPECT_EQ(Messages().back(), "error: Roz-e-rez does not support this service!");
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 0 }));
  EXPECT_EQ(cMenuConvert::Cut(NULL), osContinue);
}

// The other lines stop a running conversion instead of starting a combined run, or a cut
// beside an audio run that narrows the marks file the cutter reads.
TEST_F(cMenuConvertTest, ActionWhileConvertingStopsTheConversion)
{
  ASSERT_TRUE(LoadRozerez("--record=" + root + "/cuts"));
  std::string marks = "0:01:00.00 A|T|1999\n0:02:00.00\n0:03:00.00 B|U|2000\n0:04:00.00\n";
  WriteFile(MarksPath(), marks);
  Open();
  int call = 0;
  for (eKeys stop : { k3, k1 }) {
      SCOPED_TRACE(stop == k3 ? "audio and video" : "video");
      Hold(call);
      EXPECT_EQ(menu->ProcessKey(k2), osEnd);
      RunConversionAside();
      ASSERT_TRUE(WaitHeld(call));
      EXPECT_NE(cConvertToAudioThread::m_Instance.load(), nullptr);
      cMenuConvert again(Recording());
      EXPECT_EQ(again.ProcessKey(stop), osEnd);
      WaitConversion();
      EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
      ASSERT_EQ(Calls().size(), size_t(call + 1)); // the second track was never converted
      EXPECT_FALSE(Calls()[call].done);
      EXPECT_EQ(ReadFile(MarksPath()), marks);
      Release(call++);
  }
  EXPECT_EQ(CutRecord(), "");
}

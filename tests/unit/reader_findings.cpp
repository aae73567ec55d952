// What the fuzz targets found in the readers of outside text, kept as cases.
#include <vdr/recording.h>
#include <vdr/timers.h>

#include "cutter.h"
#include "hostfixtures.h"
#include "log.h"
#include "pluginlog.h"
#include "testenv.h"
#include "tracks.h"

class cReaderFindings : public cTestEnv {};

TEST_F(cReaderFindings, IndexFrameLengthIsUnknownWhenOffsetsGoBackOrLeap)
{
  // offsets 1000, 10, 2^40-1 and 2^40-1+... in file 1, then a frame of file 2
  const unsigned char records[] = {
    0xE8, 0x03, 0, 0, 0, 1, 1, 0,
    0x0A, 0, 0, 0, 0, 0, 1, 0,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 1, 0,
    0x00, 0x10, 0, 0, 0, 0, 2, 0,
  };
  WriteFile(root + "/index", std::string((const char *)records, sizeof(records)));
  cIndexFile index(root.c_str(), false);
  ASSERT_EQ(index.Last(), 3);
  int length = 0;
  uint16_t number;
  off_t offset;
  ASSERT_TRUE(index.Get(0, &number, &offset, NULL, &length));
  EXPECT_EQ(length, -1); // backwards
  ASSERT_TRUE(index.Get(1, &number, &offset, NULL, &length));
  EXPECT_EQ(length, -1); // a leap of 2^40 bytes is no frame
  ASSERT_TRUE(index.Get(2, &number, &offset, NULL, &length));
  EXPECT_EQ(length, -1); // the next frame is in another file
  EXPECT_EQ(offset, (off_t(1) << 40) - 1);
}

TEST_F(cReaderFindings, TrackLineStaysOneLineWhateverTheTextsHold)
{
  cTrack track;
  track.artist = "Two\nLines";
  track.title = "Carriage\rReturn: Live";
  track.year = 2001;
  track.startTime = 1000;
  track.duration = 200;
  track.channelId = "S19.2E-1-1092-10100";
  EXPECT_STREQ(track.ToText(), "Two Lines:Carriage Return| Live:2001:1000:200:0:S19.2E-1-1092-10100");
  cTrack again;
  ASSERT_TRUE(again.Parse(track.ToText()));
  EXPECT_EQ(again.artist, "Two Lines");
  EXPECT_EQ(again.title, "Carriage Return: Live");
  ASSERT_TRUE(again.Parse("A:B:1999:1000:200:0:S19.2E\nX"));
  EXPECT_STREQ(again.ToText(), "A:B:1999:1000:200:0:S19.2E X");
}

TEST_F(cReaderFindings, LogMessagesStayOnOneLine)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 3));
  LogFile.Log(1, "title: %s", "A\nforged: line\r\x1b[2J\tend");
  esyslog("title: %s", "B\nforged\x7F");
  EXPECT_EQ(log.Messages(), (std::vector<std::string>{ "title: A forged: line  [2J end" }));
  EXPECT_TRUE(HostLogHas("E title: B forged "));
}

TEST_F(cReaderFindings, TrackTimesFromTheFileThatFitNoFrameLieInNoRecording)
{
  WriteFile(root + "/index", std::string(8 * 2500, '\x81')); // every frame an I-frame
  cIndexFile index(root.c_str(), false);
  const char *const lines[] = {
    "A:B:1999:9223372036854775807:200:0",
    "A:B:1999:-9223372036854775808:200:0",
    "A:B:1999:9223372035058102210:2147483647:0",
    "A:B:1999:1796759500:200:0", // a day after the recording: frame 2147500 and more
  };
  for (const char *l : lines) {
      cTrack track;
      ASSERT_TRUE(track.Parse(l));
      EXPECT_FALSE(track.InRecording(index, TestEpoch, 3)) << l;
      EXPECT_FALSE(track.InRecording(index, -TestEpoch, 2147483647)) << l;
      EXPECT_FALSE(cTrackWindow(index, TestEpoch, 3).Contains(track)) << l;
      EXPECT_FALSE(cTrackWindow(index, -TestEpoch, 2147483647).Contains(track)) << l;
  }
  cTrack inside;
  ASSERT_TRUE(inside.Parse(("A:B:1999:" + std::to_string(TestEpoch + 10) + ":20:0").c_str()));
  EXPECT_TRUE(inside.InRecording(index, TestEpoch, 3));
  EXPECT_TRUE(cTrackWindow(index, TestEpoch, 3).Contains(inside));
}

TEST_F(cReaderFindings, ClipNameOfStrayUtf8BytesIsCutNotEmptied)
{
  std::string comment = "\x1d\x1d " + std::string(300, '\x9B');
  std::string name = ClipName(comment.c_str(), 0);
  EXPECT_EQ(name, std::string(197, '\x9B'));
  // a real character at the cut is kept whole or left out whole
  std::string accents;
  for (int i = 0; i < 120; i++)
      accents += "\xC3\xA9";
  EXPECT_EQ(ClipName(("x" + accents).c_str(), 0), "x" + accents.substr(0, 198));
}

TEST_F(cReaderFindings, TimerOfAnEarlyYearReadsBackFromItsOwnLine)
{
  AddTestChannel();
  for (const char *line : { "1:S19.2E-1-1092-10100:MTWTF--@0764-12-01:2330:0030:10:5:Weekly:", "1:1:0999-01-31:2000:2100:50:99:Old:" }) {
      cTimer timer;
      ASSERT_TRUE(timer.Parse(line)) << line;
      cTimer again;
      ASSERT_TRUE(again.Parse(timer.ToText())) << *timer.ToText();
      EXPECT_STREQ(again.ToText(), timer.ToText());
  }
  cTimer timer;
  ASSERT_TRUE(timer.Parse("1:1:0999-01-31:2000:2100:50:99:Old:"));
  EXPECT_STREQ(timer.ToText(), "1:S19.2E-1-1092-10100:0999-01-31:2000:2100:50:99:Old:");
}

TEST_F(cReaderFindings, ChannelNumbersThatMakeNoIdAreBadLines)
{
  const char *const bad[] = {
    "Other:11836:v:S13E:27500:101:102:0:0:-28006:0:0:0",
    "Other:11836:v:S13E:27500:101:102:0:0:28006:-1:0:0",
    "Other:-11836:v:S13E:27500:101:102:0:0:28006:0:0:0",
    "Other:2147483647:h:S19.2E:27500:0:0:0:0:28006:0:0:0", // frequency plus polarization
  };
  for (const char *l : bad) {
      cChannel channel;
      EXPECT_FALSE(channel.Parse(l)) << l;
  }
  cChannel channel;
  ASSERT_TRUE(channel.Parse("Other:2147083647:h:S19.2E:27500:0:0:0:0:28006:0:0:0"));
  EXPECT_EQ(channel.GetChannelID().Tid(), 2147183647);
  EXPECT_EQ(tChannelID::FromString(channel.GetChannelID().ToString()), channel.GetChannelID());
}

TEST_F(cReaderFindings, BadEventHeaderLeavesTheEventAsItWas)
{
  cEvent event;
  ASSERT_TRUE(event.ParseHeader("7 1796673600 240 4E 2"));
  EXPECT_FALSE(event.ParseHeader("1 1796673600 -4 "));
  EXPECT_FALSE(event.ParseHeader("1 1796673600 100 5F x"));
  EXPECT_EQ(event.EventID(), 7u);
  EXPECT_EQ(event.Duration(), 240);
  EXPECT_EQ(event.TableID(), 0x4E);
  EXPECT_EQ(event.Version(), 2);
  // what an info file with such a line is written as reads back
  WriteFile(root + "/info", "C S19.2E-1-1092-10100\nE 1 1796673600 -4 \nT Some Art\ne\n");
  cRecordingInfo info;
  EXPECT_FALSE(info.Read(root.c_str()));
  ASSERT_TRUE(MakeDirs((root + "/copy").c_str(), true));
  ASSERT_TRUE(info.Write((root + "/copy").c_str()));
  cRecordingInfo copy;
  EXPECT_TRUE(copy.Read((root + "/copy").c_str())) << ReadFile(root + "/copy/info");
  EXPECT_EQ(copy.GetEvent()->Duration(), 0);
}

// Broadcast formats in the real recorder: it records every format the device plug-in airs
// (all at once, on channels of one transponder) at the format's frame rate, with an index
// that our indexer finds in the same files; at its smallest MaxVideoFileSize a longer
// recording goes on in 00002.ts; and what our host's recorder makes of each format the
// recorder indexes as our host did.
#include <filesystem>
#include <thread>
#include <vdr/clock.h>
#include <vdr/recording.h>

#include "../../host/src/mediawriter.h"
#include "files.h"
#include "hostfixtures.h"
#include "process.h"
#include "recordingmedia.h"
#include "testenv.h"
#include "vdrrecorder.h"

namespace fs = std::filesystem;

namespace {

// The recorder's smallest MaxVideoFileSize, in MB.
const int MinVideoFileSize = 100;

// The frame rate in a recording's info file, 0 without.
double InfoFrameRate(const std::string &Dir)
{
  for (const std::string &l : Lines(ReadFile(Dir + "/info")))
      if (l.compare(0, 2, "F ") == 0)
         return atof(l.c_str() + 2);
  return 0;
}

} // namespace

class cVdrFormats : public cTestEnv {
protected:
  std::unique_ptr<cVdrRecorder> vdr;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    vdr.reset(new cVdrRecorder(root, root + "/locale"));
  }
  // Puts a programme of Items items of Seconds each in Format on the format's channel,
  // from Start on, an event in the guide and a timer on the channel that records it
  // into "Format-NAME".
  void Air(const tBroadcastFormat &Format, time_t Start, int Items, int Seconds, const std::string &More = "")
  {
    std::string file = root + "/programme-" + Format.name;
    std::string text = "channel " + VdrFormatChannelID(Format) + "\nformat " + Format.name + "\n" + More;
    for (int i = 0; i < Items; i++)
        text += "item " + std::to_string(Start + i * Seconds) + " " + std::to_string(Seconds) + " Artist " + std::to_string(i) + " - Song (1990)\n";
    ASSERT_TRUE(WriteFile(file, text));
    ASSERT_EQ(vdr->Svdrp("PLUG vimoradevice PROG " + file), std::vector<std::string>({ "900 Programme rendering" }));
    // with an event on air the recorder starts at once, without waiting for one
    time_t now = time(NULL);
    std::vector<std::string> put = vdr->SvdrpData("PUTE", { "C " + VdrFormatChannelID(Format), "E 1 " + std::to_string(now - 60) + " 600 50 0",
                                                            std::string("T ") + Format.name, "e", "c" });
    ASSERT_EQ(put.size(), 1u);
    ASSERT_EQ(put[0].substr(0, 3), "250") << put[0];
    std::vector<std::string> timer = vdr->Svdrp("NEWT 1:" + VdrFormatChannelID(Format) + ":" + Day(now) + ":" + HourMinute(now) + ":" +
                                                HourMinute(now + 180) + ":50:99:Format-" + Format.name + ":");
    ASSERT_EQ(timer.size(), 1u);
    ASSERT_EQ(timer[0].substr(0, 3), "250") << timer[0];
  }
  // Waits until every programme has ended, then for the recorder to write what it has
  // taken in, and stops it cleanly.
  void EndAll(time_t End)
  {
    ASSERT_TRUE(WaitUntil([&] {
      std::vector<std::string> reply = vdr->Svdrp("PLUG vimoradevice PROG");
      return reply.size() == 1 && reply[0].find("rendering") == std::string::npos && reply[0].find("waiting") == std::string::npos &&
             reply[0].find("on air") == std::string::npos;
    }, End + 10 - time(NULL)));
    EXPECT_EQ(vdr->Svdrp("PLUG vimoradevice PROG")[0].find("failed"), std::string::npos) << Join(vdr->Svdrp("PLUG vimoradevice PROG"));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ASSERT_TRUE(vdr->Stop()) << vdr->Output();
    EXPECT_EQ(vdr->ExitCode(), 0) << vdr->Output();
    EXPECT_EQ(vdr->Errors(), std::vector<std::string>());
    EXPECT_EQ(vdr->Count("errors"), vdr->Count("with 0 errors")) << "the recorder counted broken frames";
  }
  std::string RecordingOf(const tBroadcastFormat &Format)
  {
    std::vector<std::string> made = MatchPaths(vdr->videoDir + "/Format-" + Format.name + "/*.rec");
    EXPECT_EQ(made.size(), 1u) << Format.name;
    return made.empty() ? "" : made[0];
  }
};

TEST_F(cVdrFormats, EveryFormatRecordsAtItsRateWithAnIndexOurIndexerAgreesWith)
{
  const int Items = 2, Seconds = 4;
  ASSERT_TRUE(vdr->Start({ "vimoradevice" })) << vdr->Output();
  // time to render them all
  time_t start = time(NULL) + 15;
  for (const tBroadcastFormat &f : BroadcastFormats())
      if (&f != &DefaultBroadcastFormat())
         Air(f, start, Items, Seconds);
  ASSERT_NO_FATAL_FAILURE(EndAll(start + Items * Seconds));
  for (const tBroadcastFormat &f : BroadcastFormats()) {
      if (&f == &DefaultBroadcastFormat())
         continue;
      SCOPED_TRACE(f.name);
      std::string dir = RecordingOf(f);
      ASSERT_FALSE(dir.empty());
      EXPECT_EQ(InfoFrameRate(dir), f.framesPerSecond);
      std::vector<tIndexEntry> index = RecordingIndex(dir);
      // the recorder begins at an I-frame and the end of the programme stays in its buffer
      EXPECT_GE(index.size(), size_t((Items * Seconds - 1.5) * f.framesPerSecond));
      EXPECT_LE(index.size(), size_t(Items * Seconds * f.framesPerSecond));
      EXPECT_LT(LongestDependentRun(index), f.framesPerSecond / 2);
      EXPECT_EQ(FoundIndex(dir), index);
      // the recorder's own tables name the channel's streams, languages among them
      tProcessResult probe = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-show_entries", "stream=codec_name:stream_tags=language",
                                          "-of", "csv=p=0", MediaInput(dir) });
      EXPECT_NE(probe.out.find(f.videoCodec), std::string::npos) << probe.out;
      for (size_t i = 0; i < f.tracks.size(); i++) {
          const tBroadcastTrack &t = f.tracks[i];
          EXPECT_NE(probe.out.find(std::string(t.encoder == std::string("aac") ? "aac_latm" : t.encoder) + "," + t.language), std::string::npos) << probe.out;
          if (!t.otherChannels)
             continue;
          // the items' layouts by turns, as real channels switch
          tProcessResult layouts = RunProcess({ "/usr/bin/env", "ffprobe", "-v", "error", "-select_streams", "a:" + std::to_string(i),
                                                "-show_entries", "frame=channels", "-of", "csv=p=0", MediaInput(dir) });
          std::string frames = "\n" + layouts.out; // a line per frame: "6," or "6"
          for (int channels : { t.channels, t.otherChannels })
              EXPECT_TRUE(frames.find("\n" + std::to_string(channels) + ",") != std::string::npos || frames.find("\n" + std::to_string(channels) + "\n") != std::string::npos)
                 << "track " << i << " never in " << channels << " channels";
      }
  }
}

TEST_F(cVdrFormats, AtTheSmallestFileSizeALongerRecordingGoesOnInTheNextFile)
{
  // 100 MB take 14 s at 60 Mbit/s; the tiny picture gets there by the filler a constant
  // bit rate needs
  const int Seconds = 18, Mbits = 60;
  const tBroadcastFormat &format = *BroadcastFormat("h264-50-ac3");
  ASSERT_TRUE(WriteFile(vdr->configDir + "/setup.conf", ReadFile(vdr->configDir + "/setup.conf") + "MaxVideoFileSize = " + std::to_string(MinVideoFileSize) + "\n"));
  ASSERT_TRUE(vdr->Start({ "vimoradevice" })) << vdr->Output();
  time_t start = time(NULL) + 10;
  Air(format, start, 1, Seconds, "bitrate " + std::to_string(Mbits) + "\n");
  ASSERT_NO_FATAL_FAILURE(EndAll(start + Seconds));
  std::string dir = RecordingOf(format);
  std::vector<std::string> files = MediaFiles(dir);
  ASSERT_EQ(files.size(), 2u);
  off_t first = fs::file_size(files[0]);
  EXPECT_GT(first, off_t(MinVideoFileSize) * 1024 * 1024);
  EXPECT_LT(first, off_t(MinVideoFileSize + 1) * 1024 * 1024) << "beyond the limit by more than an I-frame's distance";
  std::vector<tIndexEntry> index = RecordingIndex(dir);
  auto second = std::find_if(index.begin(), index.end(), [](const tIndexEntry &e) { return e.file == 2; });
  ASSERT_NE(second, index.end());
  EXPECT_TRUE(second->independent);
  EXPECT_EQ(FoundIndex(dir), index);
  RecordProperty("split_after_seconds", std::to_string(double(second - index.begin()) / format.framesPerSecond));
}

TEST_F(cVdrFormats, TheRecorderIndexesWhatOurHostRecordsAsOurHostDid)
{
  SetMediaWriterFactory(NewRenderedMediaWriter);
  cChannel *music = AddTestChannel();
  ::Setup.MaxVideoFileBytes = 50000;
  ASSERT_TRUE(cRecorder::Start());
  time_t start = TestEpoch;
  for (const tBroadcastFormat &f : BroadcastFormats()) {
      SCOPED_TRACE(f.name);
      ASSERT_TRUE(SetChannelFormat(music, f));
      AddTestEvent(MusicChannelID, start, 6, "Artist - Song (1990)");
      cTimer *timer = AddTestTimer(music, start, start + 60, f.name);
      std::string dir = cRecording(timer, start).FileName();
      cClock::Step(uint64_t(start + 8 - cClock::Now()) * 1000);
      timer->ClrFlags(tfActive); // the recording ends
      cClock::Step(2000);
      ASSERT_FALSE(timer->Recording());
      start += 120;
      // the same media in a recording of the recorder's, indexed by it
      std::string copy = root + "/genindex/Copy/2026-01-01.10.00.1-0.rec";
      fs::remove_all(root + "/genindex");
      ASSERT_TRUE(MakeDirs(copy.c_str(), true));
      std::vector<std::string> files = MediaFiles(dir);
      ASSERT_GE(files.size(), 2u);
      for (const std::string &m : files)
          fs::copy_file(m, copy + "/" + fs::path(m).filename().string());
      ASSERT_EQ(RunQuietly({ "vdr", "--genindex=" + copy }), 0);
      EXPECT_EQ(ReadFile(copy + "/index"), ReadFile(dir + "/index"));
  }
}

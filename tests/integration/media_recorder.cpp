// The recorder with real media: a recording of three events, made on the host clock,
// read back with ffmpeg. The media must be what the index says, frame for frame, and
// every event must look and sound like itself from the end of its opening gap to its
// last frame.
#include <algorithm>
#include <math.h>
#include <sstream>
#include <vdr/clock.h>
#include <vdr/plugin.h>

#include "../../host/src/mediawriter.h"
#include "hostfixtures.h"
#include "process.h"
#include "recordingmedia.h"
#include "rozerez_service.h"
#include "testenv.h"

namespace {

const int EventSeconds = 20;
const int Events = 3;
const int Frames = Events * EventSeconds * FRAMESPERSEC;
const int SampleRate = 48000;
const int SamplesPerFrame = SampleRate / FRAMESPERSEC;
const char *const Titles[Events] = { "Alpha Band - First Song (1991)", "Beta - Second: \"Quoted\" 'Song' % (1992)",
                                     "Gamma Gang - The Third Song With A Rather Long Name (1993)" };
// The tracks of the events as cut marks carry them.
const char *const Artists[Events] = { "Alpha Band", "Beta", "Gamma Gang" };
const char *const Songs[Events] = { "First Song", "Second: \"Quoted\" 'Song' %", "The Third Song With A Rather Long Name" };
const char *const Years[Events] = { "1991", "1992", "1993" };

tProcessResult Tool(std::vector<std::string> Argv)
{
  Argv.insert(Argv.begin(), "/usr/bin/env");
  return RunProcess(Argv);
}

// The number of the event whose tone sounds in the samples, or -1 when none clearly does.
int ToneOf(const int16_t *Samples, size_t Count)
{
  int best = -1;
  double bestPower = 0, total = 0;
  for (int e = 0; e < 12; e++) {
      double p = TonePower(Samples, Count, MediaToneHz(e));
      total += p;
      if (p > bestPower) {
         bestPower = p;
         best = e;
      }
  }
  return bestPower > 1e5 && bestPower > 0.9 * total ? best : -1;
}

// The non-empty parts of Text.
std::vector<std::string> Split(const std::string &Text, char Delimiter)
{
  std::vector<std::string> parts;
  std::istringstream in(Text);
  std::string part;
  while (std::getline(in, part, Delimiter))
    if (!part.empty())
       parts.push_back(part);
  return parts;
}

// Whether a frame that ffprobe finds at Pes begins at Offset as the recorder's index has
// it: there, or at a PAT packet before it with no packet of the frame's PID between.
bool BeginsAt(const std::string &Media, long long Offset, long long Pes)
{
  auto pid = [&Media](long long At) { return (uint8_t(Media[At + 1]) & 0x1F) << 8 | uint8_t(Media[At + 2]); };
  if (Offset == Pes)
     return true;
  if (Offset > Pes || Pes + 188 > (long long)Media.size() || pid(Offset) != 0)
     return false;
  for (long long p = Offset + 188; p < Pes; p += 188)
      if (pid(p) == pid(Pes))
         return false;
  return true;
}

} // namespace

class cMediaRecorder : public cTestEnv {
protected:
  std::string recording, media;

  void SetUp(void) override
  {
    cTestEnv::SetUp();
    SetMediaWriterFactory(NewRenderedMediaWriter);
    cChannel *music = AddTestChannel();
    for (int e = 0; e < Events; e++)
        AddTestEvent(MusicChannelID, TestEpoch + e * EventSeconds, EventSeconds, Titles[e]);
    cTimer *timer = AddTestTimer(music, TestEpoch, TestEpoch + Events * EventSeconds, "Music~Media");
    recording = cRecording(timer, TestEpoch).FileName();
    media = recording + "/00001.ts";
    ASSERT_TRUE(cRecorder::Start());
    cClock::Step((Events * EventSeconds + 1) * 1000);
    ASSERT_FALSE(timer->Recording());
    ASSERT_TRUE(FileExists(media));
  }

  std::string Probe(const std::vector<std::string> &Args)
  {
    std::vector<std::string> argv = { "ffprobe", "-v", "error" };
    argv.insert(argv.end(), Args.begin(), Args.end());
    argv.push_back("file:" + media);
    tProcessResult r = Tool(argv);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }

  // Audio of any media file as 48 kHz mono samples.
  std::vector<int16_t> Audio(const std::string &File)
  {
    tProcessResult r = Tool({ "ffmpeg", "-nostdin", "-v", "error", "-i", "file:" + File, "-map", "0:a", "-f", "s16le", "-ac", "1", "-ar", std::to_string(SampleRate), "-" });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<int16_t> samples(r.out.size() / 2);
    memcpy(samples.data(), r.out.data(), samples.size() * 2);
    return samples;
  }

  // Whether every piece of 40 ms of the samples, but for the first and last Margin
  // pieces, sounds the tone of Event.
  void ExpectTone(const std::vector<int16_t> &Samples, int Event, int Margin = 3)
  {
    int pieces = int(Samples.size() / SamplesPerFrame);
    ASSERT_GT(pieces, 2 * Margin);
    for (int i = Margin; i < pieces - Margin; i++)
        ASSERT_EQ(ToneOf(&Samples[i * SamplesPerFrame], SamplesPerFrame), Event) << "at " << i * 40 << " ms";
  }

  // The pair of marks of an event's track: from the first I-frame after its gap to the last.
  std::pair<int, int> TrackMarks(int Event)
  {
    cIndexFile index(recording.c_str(), false);
    auto iFrame = [&index](int Frame, bool Forward) {
      bool independent = false;
      uint16_t number;
      off_t offset;
      index.Get(Frame, &number, &offset, &independent);
      return independent ? Frame : index.GetNextIFrame(Frame, Forward);
    };
    int first = Event * EventSeconds * FRAMESPERSEC;
    return { iFrame(first + MediaGapFrames(TestEpoch + Event * EventSeconds), true), iFrame(std::min(first + EventSeconds * FRAMESPERSEC, index.Last()), false) };
  }

  double Duration(const std::string &File)
  {
    tProcessResult r = Tool({ "ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", "file:" + File });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return atof(r.out.c_str());
  }

  // The luma plane of the picture at Second.
  std::string Picture(double Second)
  {
    tProcessResult r = Tool({ "ffmpeg", "-nostdin", "-v", "error", "-ss", std::to_string(Second), "-i", "file:" + media,
                              "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "gray", "-" });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }
};

TEST_F(cMediaRecorder, MediaIsWhatTheIndexSaysFrameForFrame)
{
  EXPECT_NEAR(atof(Probe({ "-show_entries", "format=duration", "-of", "csv=p=0" }).c_str()), Events * EventSeconds, 0.08);
  // sound and picture start together (the sound's start is early by the MP2 decoder's delay)
  double videoStart = atof(Probe({ "-select_streams", "v", "-show_entries", "stream=start_time", "-of", "csv=p=0" }).c_str());
  double audioStart = atof(Probe({ "-select_streams", "a", "-show_entries", "stream=start_time", "-of", "csv=p=0" }).c_str());
  EXPECT_NEAR(audioStart, videoStart, 0.011);

  std::vector<std::string> packets = Split(Probe({ "-select_streams", "v", "-show_entries", "packet=pos,flags", "-of", "csv=p=0" }), '\n');
  cIndexFile index(recording.c_str(), false);
  ASSERT_EQ(index.Last() + 1, Frames);
  ASSERT_EQ(packets.size(), size_t(Frames));
  std::string bytes = ReadFile(media);
  for (int i = 0; i < Frames; i++) {
      uint16_t number;
      off_t offset;
      bool independent;
      ASSERT_TRUE(index.Get(i, &number, &offset, &independent));
      EXPECT_EQ(number, 1);
      EXPECT_EQ(independent, i % 12 == 0) << i;
      std::vector<std::string> p = Split(packets[i], ',');
      ASSERT_GE(p.size(), 2u) << packets[i];
      EXPECT_TRUE(BeginsAt(bytes, offset, atoll(p[0].c_str()))) << "frame " << i << " at " << offset << ", its PES packet at " << p[0];
      EXPECT_EQ(p[1][0] == 'K', independent) << "frame " << i;
  }
}

TEST_F(cMediaRecorder, EachEventSoundsItsToneFromItsGapToItsLastFrame)
{
  std::vector<int16_t> audio = Audio(media);
  ASSERT_GE(audio.size(), size_t(Frames * SamplesPerFrame));
  for (int frame = 0; frame < Frames; frame++) {
      int event = frame / (EventSeconds * FRAMESPERSEC);
      int intoEvent = frame - event * EventSeconds * FRAMESPERSEC;
      bool gap = intoEvent < MediaGapFrames(TestEpoch + event * EventSeconds);
      if (intoEvent == 0 && event > 0)
         continue; // the sound is early by the MP2 decoder's delay: the last tone reaches in
      const int16_t *samples = &audio[frame * SamplesPerFrame];
      ASSERT_EQ(ToneOf(samples, SamplesPerFrame), gap ? -1 : event) << "frame " << frame;
      if (gap) {
         ASSERT_LT(*std::max_element(samples, samples + SamplesPerFrame), 100) << "frame " << frame;
      }
  }
}

TEST_F(cMediaRecorder, EventsShowTheirTitleOnCardsOfTheirOwn)
{
  std::string pictures[Events];
  for (int e = 0; e < Events; e++) {
      pictures[e] = Picture(e * EventSeconds + EventSeconds / 2);
      ASSERT_EQ(pictures[e].size(), 320u * 180u);
      int bright = 0;
      for (unsigned char c : pictures[e])
          bright += c > 180;
      EXPECT_GT(bright, 100) << "no text on the card of event " << e;
  }
  EXPECT_NE(pictures[0], pictures[1]);
  EXPECT_NE(pictures[1], pictures[2]);
  EXPECT_FALSE(HostLogHas("show no titles"));
}

TEST_F(cMediaRecorder, ScriptsTurnEachTracksPairIntoItsOwnTone)
{
  std::string audioDir = root + "/audio";
  setenv("VIMORA_AUDIO_DIR", audioDir.c_str(), 1);
  for (int e = 0; e < Events; e++) {
      SCOPED_TRACE(e);
      std::pair<int, int> marks = TrackMarks(e);
      ASSERT_TRUE(WriteFile(recording + "/marks", std::string(*IndexToHMSF(marks.first, true)) + "\n" + *IndexToHMSF(marks.second, true) + "\n"));
      tProcessResult r = RunProcess({ std::string(VIMORA_SOURCE_DIR) + "/scripts/vimora2mp3.sh", recording, Songs[e], Artists[e], Years[e] });
      ASSERT_EQ(r.exitCode, 0) << r.err;
      std::string file = audioDir + "/" + Artists[e] + " - " + Songs[e] + " (" + Years[e] + ").mp3";
      EXPECT_NEAR(Duration(file), (marks.second - marks.first) / double(FRAMESPERSEC), 0.1);
      ExpectTone(Audio(file), e);
  }
}

TEST_F(cMediaRecorder, RozerezCutsEachTrackIntoAClipOfItsSpan)
{
  std::string marks;
  for (int e = 0; e < Events; e++) {
      std::pair<int, int> m = TrackMarks(e);
      marks += std::string(*IndexToHMSF(m.first, true)) + " " + Titles[e] + "\n" + *IndexToHMSF(m.second, true) + "\n";
  }
  ASSERT_TRUE(WriteFile(recording + "/marks", marks));
  std::string clips = root + "/clips";
  cPluginManager manager(VIMORA_PLUGIN_DIR);
  manager.AddPlugin(("rozerez -d " + clips).c_str());
  ASSERT_TRUE(manager.LoadPlugins());
  MultiCutRequest request = { &recording[0], NULL };
  ASSERT_TRUE(cPluginManager::GetPlugin("rozerez")->Service(ROZEREZ_MULTICUT_SERVICE, &request));
  EXPECT_EQ(request.errorText, nullptr) << request.errorText;
  for (int e = 0; e < Events; e++) {
      SCOPED_TRACE(e);
      std::pair<int, int> m = TrackMarks(e);
      std::string clip = clips + "/" + Titles[e] + ".ts";
      ASSERT_TRUE(FileExists(clip));
      EXPECT_NEAR(Duration(clip), (m.second - m.first) / double(FRAMESPERSEC), 1.0);
      ExpectTone(Audio(clip), e, 10);
  }
  EXPECT_EQ(ReadFile(recording + "/marks"), marks);
  manager.Shutdown();
}

// Conversion without keys: recordings of the music channel that end are marked and
// converted one after the other, the waiting ones kept across a restart, a deleted one
// dropped, and nothing happens with the setting off.
#include <vdr/recording.h>

#include "audio_thread.h"
#include "autoconvert.h"
#include "conversion.h"
#include "hostfixtures.h"
#include "pluginlog.h"
#include "tracks.h"
#include "vimora_config.h"

class cAutoConversion : public cConversionEnv {
protected:
  cTestPluginLog log;
  void SetUp(void) override
  {
    cConversionEnv::SetUp();
    ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
    cAutoConvert::Clear();
    VimoraConfig.autoconvert = cAutoConvert::acAudio;
  }
  void TearDown(void) override
  {
    cAutoConvert::Clear();
    cConversionEnv::TearDown();
  }
  // A recording of the music channel, with its marker file, holding one catalogued track.
  std::string MusicRecording(const char *Name, int Hour, const char *Artist)
  {
    std::string dir = MakeTestRecording(Name, TestEpoch + Hour * 3600, 10 * 60 * 25);
    WriteFile(dir + "/vimora", MusicChannelId);
    AddTrack(Artist, "Song", 1999, Hour * 3600 + 60, 60);
    return dir;
  }
  std::string QueueFile(void) { return PluginConfigDir() + "/autoconvert.queue"; }
};

TEST_F(cAutoConversion, AnEndedRecordingIsMarkedAndConvertedWithoutAKey)
{
  WriteFile(fileName + "/vimora", MusicChannelId);
  AddTrack("A", "T", 1999, 60, 60);
  cAutoConvert::RecordingEnded(fileName.c_str());
  EXPECT_EQ(ReadFile(QueueFile()), fileName + "\n");
  cAutoConvert::Process();
  EXPECT_FALSE(FileExists(QueueFile()));
  ASSERT_NE(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_EQ(Lines(ReadFile(MarksPath())).size(), 2u); // as green writes them
  RunConversion();
  cAutoConvert::Process();
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].args, (std::vector<std::string>{ fileName, "T", "A", "1999" }));
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 2 }));
  EXPECT_EQ(log.Messages("conversion of"), (std::vector<std::string>{
              "conversion of '" + fileName + "' started (1 tracks, audio)",
              "conversion of '" + fileName + "' finished: 1 tracks converted" }));
}

TEST_F(cAutoConversion, RecordingsEndingMeanwhileFollowInOrderAlsoAfterARestart)
{
  std::string first = MusicRecording("First", 1, "A");
  std::string second = MusicRecording("Second", 2, "B");
  std::string third = MusicRecording("Third", 3, "C");
  Hold(0);
  cAutoConvert::RecordingEnded(first.c_str());
  cAutoConvert::Process();
  RunConversionAside();
  ASSERT_TRUE(WaitHeld(0));
  cAutoConvert::RecordingEnded(second.c_str());
  cAutoConvert::RecordingEnded(third.c_str());
  cAutoConvert::RecordingEnded(second.c_str()); // once is enough
  cAutoConvert::Process(); // busy: nothing more starts
  EXPECT_EQ(ReadFile(QueueFile()), second + "\n" + third + "\n");
  // the recorder restarts: the queue is read back as it was left
  cAutoConvert::Clear();
  cAutoConvert::Load();
  EXPECT_EQ(cAutoConvert::Queue(), (std::vector<std::string>{ second, third }));
  Release(0);
  WaitConversion();
  cAutoConvert::Process();
  RunConversion();
  // the third is deleted while it waits
  ASSERT_TRUE(Recordings.GetByName(third.c_str())->Delete());
  Recordings.DelByName(third.c_str());
  cAutoConvert::Process();
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  std::vector<tScriptCall> calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args[0], first);
  EXPECT_EQ(calls[1].args[0], second);
  EXPECT_FALSE(FileExists(QueueFile()));
  EXPECT_EQ(log.Messages("conversion of"), (std::vector<std::string>{
              "conversion of '" + first + "' started (1 tracks, audio)",
              "conversion of '" + second + "' queued",
              "conversion of '" + third + "' queued",
              "conversion of '" + second + "' started (1 tracks, audio)",
              "conversion of '" + second + "' finished: 1 tracks converted",
              "conversion of '" + third + "' dropped: the recording is gone" }));
}

TEST_F(cAutoConversion, NothingHappensWithTheSettingOffOrNoTrackToConvert)
{
  WriteFile(fileName + "/vimora", MusicChannelId);
  VimoraConfig.autoconvert = cAutoConvert::acNo;
  cAutoConvert::RecordingEnded(fileName.c_str());
  cAutoConvert::Process();
  EXPECT_FALSE(FileExists(QueueFile()));
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  // on, but the recording holds no selected track
  VimoraConfig.autoconvert = cAutoConvert::acAudioVideo;
  cAutoConvert::RecordingEnded(fileName.c_str());
  cAutoConvert::Process();
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(log.Messages("conversion of"), (std::vector<std::string>{
              "conversion of '" + fileName + "' dropped: no selected track in it" }));
}

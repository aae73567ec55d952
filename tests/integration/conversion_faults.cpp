// Audio conversions that do not end as planned: stopped at random moments (between
// pairs, while a script runs, while the marks are being saved, after the end), and a
// recording deleted while its conversion runs. Stopping at random is the point here;
// what is checked holds whatever moment the stop hits.
#include <chrono>
#include <random>
#include <unistd.h>

#include "audio_thread.h"
#include "conversion.h"
#include "hostfixtures.h"
#include "pluginlog.h"
#include "tracks.h"

class cConversionFaults : public cConversionEnv {};

TEST_F(cConversionFaults, StopAtRandomMomentsAlwaysPutsTheMarksBack)
{
  const int Stops = 24;
  std::string marks;
  for (int i = 0; i < 3; i++)
      marks += MarkLine(1500 + i * 2500, cString::sprintf("Artist %d|Title %d|19%02d", i, i, 70 + i)) + "\n" + MarkLine(2900 + i * 2500) + "\n";
  marks += MarkLine(8000, "by hand") + "\n";
  WriteFile(MarksPath(), marks);
  // how long a whole run takes here
  auto started = std::chrono::steady_clock::now();
  cConvertToAudioThread::Init(Recording(), false);
  RunConversion();
  long runMicros = long(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count());
  ASSERT_EQ(ReadFile(MarksPath()), marks);
  std::mt19937 random(20261208);
  std::uniform_int_distribution<long> delay(0, runMicros + 1000);
  int running = 0;
  for (int stop = 0; stop < Stops; stop++) {
      cConvertToAudioThread::Init(Recording(), false);
      RunConversionAside();
      usleep(useconds_t(delay(random)));
      if (cConvertToAudioThread::m_Instance)
         running++;
      cConvertToAudioThread::Exit();
      ASSERT_EQ(ReadFile(MarksPath()), marks) << "stop " << stop; // whole again when Exit returns
      WaitConversion();
      ASSERT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
      ASSERT_FALSE(FileExists(MarksPath() + ".$$$"));
  }
  EXPECT_FALSE(HostLogHas("won't end"));
  printf("%d stops, %d of them while the conversion ran (a run takes %ld us)\n", Stops, running, runMicros);
}

TEST_F(cConversionFaults, RecordingDeletedWhileItsConversionRuns)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
  AddTrack("A", "T", 1999, 60, 60);
  WriteFile(MarksPath(), "0:01:03.01 A|T|1999\n0:02:02.23\n0:03:00.00 B|U|2000\n0:04:00.00\n");
  Hold(0);
  cConvertToAudioThread::Init(Recording(), false);
  RunConversionAside();
  ASSERT_TRUE(WaitHeld(0));
  ASSERT_TRUE(Recording()->Delete());
  Release(0);
  WaitConversion();
  EXPECT_EQ(cConvertToAudioThread::m_Instance.load(), nullptr);
  // the second script saw a folder that is gone; nothing made the folder again
  EXPECT_EQ(Calls().size(), 2u);
  EXPECT_FALSE(FileExists(fileName));
  EXPECT_EQ(log.Messages("could not restore the marks of " + fileName).size(), 1u);
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 0 })); // no index: no track lies inside
  EXPECT_TRUE(Recordings.Load());
  EXPECT_EQ(Recordings.Count(), 0);
}

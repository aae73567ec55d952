// The recorder on the host clock: recordings of timers, their index, and the order of
// the status notifications around them.
#include <mutex>
#include <vdr/clock.h>
#include <vdr/device.h>
#include <vdr/status.h>
#include <vdr/thread.h>

#include "../../host/src/mediawriter.h"
#include "hostfixtures.h"
#include "recordingmedia.h"
#include "testenv.h"

namespace {

struct tNotice {
  bool on;
  std::string name, fileName;
  int device;
  bool timerRecording; // the flag of the notified recording's timer, if it is listed
  bool timerListed;
  bool onMainThread;
};

// Notes every recording notification together with what the timer list says then.
class cListener : public cStatus {
private:
  mutable std::mutex mutex;
  std::vector<tNotice> notices;
  const cTimer *timer;

protected:
  void Recording(const cDevice *Device, const char *Name, const char *FileName, bool On) override
  {
    tNotice n = { On, Name ? Name : "", FileName ? FileName : "", Device ? Device->DeviceNumber() : -1, false, false, cThread::IsMainThread() };
    for (const cTimer *t = Timers.First(); t; t = Timers.Next(t)) {
        if (t == timer) {
           n.timerListed = true;
           n.timerRecording = t->Recording();
        }
    }
    std::lock_guard<std::mutex> lk(mutex);
    notices.push_back(n);
  }

public:
  cListener(const cTimer *Timer = NULL) { timer = Timer; }
  void Watch(const cTimer *Timer) { timer = Timer; }
  std::vector<tNotice> Notices(void) const
  {
    std::lock_guard<std::mutex> lk(mutex);
    return notices;
  }
};

} // namespace

class cHostRecorder : public cTestEnv {
protected:
  cChannel *music = NULL;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    cThread::SetMainThreadId();
    music = AddTestChannel();
    AddTestEvent(MusicChannelID, TestEpoch, 3600, "Artist - Song (1999)");
  }
  static void StepSeconds(int Seconds) { cClock::Step(uint64_t(Seconds) * 1000); }
};

TEST_F(cHostRecorder, TimerIsRecordedWithItsFramesAndNotificationsInOrder)
{
  cTimer *timer = AddTestTimer(music, TestEpoch + 60, TestEpoch + 60 + 600, "Music~Vimora");
  cListener listener(timer);
  ASSERT_TRUE(cRecorder::Start());
  StepSeconds(59);
  EXPECT_TRUE(listener.Notices().empty());
  EXPECT_FALSE(timer->Recording());
  StepSeconds(1);
  ASSERT_EQ(listener.Notices().size(), 1u);
  tNotice start = listener.Notices()[0];
  EXPECT_TRUE(start.on);
  EXPECT_TRUE(start.timerRecording); // the flag is set before the start is announced
  EXPECT_FALSE(start.onMainThread);
  EXPECT_EQ(start.name, "Music~Vimora");
  EXPECT_EQ(start.device, 0);
  cRecording expected(timer, TestEpoch + 60);
  EXPECT_EQ(start.fileName, expected.FileName());
  EXPECT_NE(cRecordControls::GetRecordControl(start.fileName.c_str()), nullptr);
  EXPECT_NE(Recordings.GetByName(start.fileName.c_str()), nullptr); // listed while it records

  StepSeconds(300);
  cIndexFile index(start.fileName.c_str(), false);
  EXPECT_EQ(index.Last() + 1, 300 * 25);
  StepSeconds(300);
  std::vector<tNotice> notices = listener.Notices();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_FALSE(notices[1].on);
  EXPECT_TRUE(notices[1].timerListed);      // still in the list ...
  EXPECT_FALSE(notices[1].timerRecording);  // ... but no longer recording
  EXPECT_EQ(notices[1].fileName, start.fileName);
  EXPECT_FALSE(timer->Recording());
  EXPECT_EQ(cRecordControls::GetRecordControl(start.fileName.c_str()), nullptr);
  StepSeconds(120);
  EXPECT_EQ(listener.Notices().size(), 2u); // a single timer records once

  EXPECT_EQ(index.Last() + 1, 600 * 25);
  int iFrames = 0;
  off_t previous = -1;
  for (int i = 0; i <= index.Last(); i++) {
      bool independent;
      uint16_t number;
      off_t offset;
      ASSERT_TRUE(index.Get(i, &number, &offset, &independent));
      EXPECT_EQ(independent, i % 12 == 0) << i;
      EXPECT_GT(offset, previous);
      previous = offset;
      iFrames += independent;
  }
  EXPECT_EQ(iFrames, (600 * 25 + 11) / 12);
  ASSERT_TRUE(Recordings.Load()); // what a restarted host finds
  cRecording *r = Recordings.GetByName(start.fileName.c_str());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Start(), TestEpoch + 60);
  EXPECT_EQ(r->NumFrames(), 600 * 25);
  EXPECT_STREQ(r->Info()->Title(), "Artist - Song (1999)");
  EXPECT_EQ(r->Info()->ChannelID(), music->GetChannelID());
}

TEST_F(cHostRecorder, DeletedTimerEndsItsRecordingUnlisted)
{
  cTimer *timer = AddTestTimer(music, TestEpoch, TestEpoch + 600, "Gone");
  cListener listener(timer);
  ASSERT_TRUE(cRecorder::Start());
  StepSeconds(10);
  ASSERT_EQ(listener.Notices().size(), 1u);
  std::string fileName = listener.Notices()[0].fileName;
  Timers.Del(timer);
  StepSeconds(1);
  std::vector<tNotice> notices = listener.Notices();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_FALSE(notices[1].on);
  EXPECT_FALSE(notices[1].timerListed);
  EXPECT_EQ(notices[1].fileName, fileName);
  EXPECT_EQ(cIndexFile(fileName.c_str(), false).Last() + 1, 11 * 25); // ended at the next pass
  EXPECT_NE(Recordings.GetByName(fileName.c_str()), nullptr);
}

TEST_F(cHostRecorder, SkipAndProcessEndTheRecordingBeforeProcessReturns)
{
  cTimer *timer = AddTestTimer(music, TestEpoch, TestEpoch + 600, "Skipped");
  cListener listener(timer);
  ASSERT_TRUE(cRecorder::Start());
  StepSeconds(30);
  std::string fileName = listener.Notices().at(0).fileName;
  cRecordControl *control = cRecordControls::GetRecordControl(fileName.c_str());
  ASSERT_NE(control, nullptr);
  ASSERT_EQ(control->Timer(), timer);
  {
    // as the recorder's main loop does it: under the timer list's write lock
    LOCK_TIMERS_WRITE;
    control->Timer()->Skip();
    EXPECT_TRUE(cRecordControls::Process(Timers, cClock::Now()));
  }
  std::vector<tNotice> notices = listener.Notices();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_FALSE(notices[1].on);
  EXPECT_TRUE(notices[1].onMainThread); // on the thread that asked
  EXPECT_TRUE(notices[1].timerListed);
  EXPECT_EQ(cRecordControls::GetRecordControl(fileName.c_str()), nullptr);
  Timers.Del(timer);
  StepSeconds(600);
  EXPECT_EQ(listener.Notices().size(), 2u);
  EXPECT_EQ(cIndexFile(fileName.c_str(), false).Last() + 1, 30 * 25);
}

TEST_F(cHostRecorder, OverlappingTimersUseBothDevicesAndStopEndsThem)
{
  cTimer *first = AddTestTimer(music, TestEpoch, TestEpoch + 600, "First");
  cTimer *second = AddTestTimer(music, TestEpoch + 60, TestEpoch + 600, "Second");
  cListener listener;
  ASSERT_TRUE(cRecorder::Start());
  StepSeconds(120);
  std::vector<tNotice> notices = listener.Notices();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0].name, "First");
  EXPECT_EQ(notices[0].device, 0);
  EXPECT_EQ(notices[1].name, "Second");
  EXPECT_EQ(notices[1].device, 1);
  EXPECT_TRUE(cRecordControls::Active());
  cRecorder::Stop();
  EXPECT_FALSE(cRecorder::Running());
  notices = listener.Notices();
  ASSERT_EQ(notices.size(), 4u);
  EXPECT_FALSE(notices[2].on);
  EXPECT_FALSE(notices[3].on);
  EXPECT_FALSE(first->Recording());
  EXPECT_FALSE(second->Recording());
  EXPECT_FALSE(cRecordControls::Active());
}

TEST_F(cHostRecorder, ListenersHearOnlyWhileTheyExist)
{
  cListener *gone = new cListener;
  cListener stays;
  delete gone;
  cStatus::MsgRecording(cDevice::GetDevice(1), "Name", "/file", true);
  ASSERT_EQ(stays.Notices().size(), 1u);
  EXPECT_TRUE(stays.Notices()[0].onMainThread);
  EXPECT_EQ(stays.Notices()[0].device, 1);
}

namespace {

// Media that takes 50 frames and then fails, like a disk that runs full.
class cFullDisk : public cMediaWriter {
private:
  int frames = 0;

public:
  bool Write(int Frames, bool Final, std::vector<tMediaFrame> &Ready) override
  {
    (void)Final;
    for (; frames < Frames; frames++) {
        if (frames >= 50)
           return false;
        Ready.push_back({ 7, off_t(frames) * 1000, frames % 12 == 0 });
    }
    return true;
  }
};

cMediaWriter *NewFullDisk(const cRecording *Recording)
{
  (void)Recording;
  return new cFullDisk;
}

} // namespace

TEST_F(cHostRecorder, FailingMediaEndsTheRecordingWithoutRestarts)
{
  SetMediaWriterFactory(NewFullDisk);
  cTimer *timer = AddTestTimer(music, TestEpoch, TestEpoch + 300, "Full");
  cListener listener(timer);
  ASSERT_TRUE(cRecorder::Start());
  StepSeconds(240);
  std::vector<tNotice> notices = listener.Notices();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_FALSE(notices[1].on);
  EXPECT_FALSE(timer->Recording());
  EXPECT_TRUE(HostLogHas("E ERROR: cannot write frame 50 of " + notices[0].fileName + " - recording ends"));
  cIndexFile index(notices[0].fileName.c_str(), false);
  EXPECT_EQ(index.Last() + 1, 50);
  uint16_t number;
  off_t offset;
  ASSERT_TRUE(index.Get(49, &number, &offset));
  EXPECT_EQ(number, 7);
  EXPECT_EQ(offset, 49000);
}

TEST_F(cHostRecorder, TimersChangedAfterTheRecorderLookedAreRecordedAtTheirNewTimes)
{
  auto local = [](time_t t, const char *Format) {
    char b[16];
    struct tm tm;
    strftime(b, sizeof(b), Format, localtime_r(&t, &tm));
    return std::string(b);
  };
  cTimer *moved = AddTestTimer(music, TestEpoch + 3600, TestEpoch + 4200, "Moved");
  cTimer *daily = new cTimer;
  ASSERT_TRUE(daily->Parse("1:1:MTWTFSS:2030:2040:50:99:Daily:"));
  Timers.Add(daily);
  cListener listener;
  ASSERT_TRUE(cRecorder::Start());
  StepSeconds(60);
  {
    cTimersLock lock;
    // an hour earlier; the daily one gives up today
    ASSERT_TRUE(moved->Parse(("1:1:" + local(TestEpoch, "%Y-%m-%d") + ":" + local(TestEpoch + 300, "%H%M") + ":" +
                              local(TestEpoch + 600, "%H%M") + ":50:99:Moved:").c_str()));
    daily->Skip();
  }
  StepSeconds(300);
  std::vector<tNotice> notices = listener.Notices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_TRUE(notices[0].on);
  EXPECT_EQ(notices[0].name, "Moved");
  StepSeconds(3600);
  notices = listener.Notices();
  ASSERT_EQ(notices.size(), 2u); // Moved ended; Daily waits for tomorrow
  EXPECT_FALSE(notices[1].on);
  EXPECT_EQ(cIndexFile(notices[0].fileName.c_str(), false).Last() + 1, 300 * 25);
}

TEST_F(cHostRecorder, TheIndexAloneFollowsTheChannelsFormatAndItsFilesTheLimit)
{
  SetMediaWriterFactory(NewIndexOnlyWriter);
  const tBroadcastFormat &format = *BroadcastFormat("h264-50-ac3");
  ASSERT_TRUE(SetChannelFormat(music, format));
  ASSERT_EQ(&ChannelBroadcastFormat(music), &format);
  const long long Limit = 400000;
  ::Setup.MaxVideoFileBytes = Limit;
  cTimer *timer = AddTestTimer(music, TestEpoch, TestEpoch + 60, "Fifty");
  std::string dir = cRecording(timer, TestEpoch).FileName();
  ASSERT_TRUE(cRecorder::Start());
  StepSeconds(61);
  ASSERT_FALSE(timer->Recording());
  cRecording recording(dir.c_str());
  EXPECT_EQ(recording.Info()->FramesPerSecond(), 50);
  cIndexFile index(dir.c_str(), false);
  ASSERT_EQ(index.Last() + 1, 60 * 50);
  uint16_t file = 1;
  off_t last = 0;
  for (int i = 0; i <= index.Last(); i++) {
      uint16_t number;
      off_t offset;
      bool independent;
      ASSERT_TRUE(index.Get(i, &number, &offset, &independent));
      EXPECT_EQ(independent, i % format.independentDistance == 0) << i;
      if (number != file) {
         EXPECT_EQ(number, file + 1) << i;
         EXPECT_TRUE(independent && offset == 0 && last > Limit) << i;
         file = number;
      }
      else
         EXPECT_TRUE(i == 0 || offset > last) << i;
      last = offset;
  }
  EXPECT_GE(file, 3);
}

// The programme guide: epg.data, present events by the host clock, the guide's lock.
#include <thread>
#include <vdr/clock.h>
#include <vdr/epg.h>

#include "hostfixtures.h"
#include "testenv.h"

class cHostEpg : public cTestEnv {};

static const cSchedule *MusicSchedule(const cSchedules *Schedules)
{
  return Schedules ? Schedules->GetSchedule(tChannelID::FromString(MusicChannelID)) : NULL;
}

TEST_F(cHostEpg, ReadSkipsMalformedLinesWithTheirBlocks)
{
  std::string path = configDir + "/epg.data";
  WriteFile(path, "C S19.2E-1-1092-10100 VimoraMusic\n"                                        // 1
                  "E 1 1796673600 240 4E 2\nT Artist - Song (1999)\nS short\nD one|two\nX 1 2 deu\ne\n" // 2-7
                  "E x 1796673840 240\nT lost\ne\n"                                            // 8-10
                  "E 3 1796673840 180\nT Second - Song (2001)\nQ what\ne\n"                    // 11-14
                  "T stray\n"                                                                  // 15
                  "c\n"                                                                        // 16
                  "C nonsense\nE 9 1 1\nT hidden\ne\nc\n"                                      // 17-21
                  "C S19.2E-1-1089-28006\nE 5 1796673600 60\nT open\n");                     // 22-24, never closed
  EXPECT_FALSE(cSchedules::Read(path.c_str()));
  for (int line : { 8, 13, 15, 17 })
      EXPECT_TRUE(HostLogHas("E ERROR: error in " + path + ", line " + std::to_string(line))) << line;
  EXPECT_TRUE(HostLogHas("ends inside an event or channel"));
  cSchedulesLock lock;
  const cSchedules *schedules = cSchedules::Schedules(lock);
  ASSERT_NE(schedules, nullptr);
  EXPECT_EQ(schedules->Count(), 2); // the unnamed channel's block is dropped
  const cSchedule *s = MusicSchedule(schedules);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->Events()->Count(), 2);
  const cEvent *e = s->Events()->First();
  EXPECT_EQ(e->EventID(), 1u);
  EXPECT_STREQ(e->Title(), "Artist - Song (1999)");
  EXPECT_STREQ(e->ShortText(), "short");
  EXPECT_STREQ(e->Description(), "one\ntwo");
  EXPECT_EQ(e->StartTime(), 1796673600);
  EXPECT_EQ(e->Duration(), 240);
  EXPECT_EQ(e->TableID(), 0x4E);
  EXPECT_EQ(e->ChannelID(), tChannelID::FromString(MusicChannelID));
  EXPECT_STREQ(s->Events()->Next(e)->Title(), "Second - Song (2001)"); // the unknown line alone was skipped
  EXPECT_EQ(schedules->GetSchedule(tChannelID::FromString("S19.2E-1-1089-28006"))->Events()->Count(), 0);
}

TEST_F(cHostEpg, WriteAndReadBackGiveTheSameGuide)
{
  AddTestChannel();
  AddTestEvent(MusicChannelID, TestEpoch + 240, 200, "B - Later (2000)");
  AddTestEvent(MusicChannelID, TestEpoch, 240, "A - First (1999)", "short", "line one\nline two");
  std::string path = configDir + "/epg.data";
  ASSERT_TRUE(cSchedules::Write(path.c_str()));
  std::string written = ReadFile(path);
  EXPECT_EQ(written, "C S19.2E-1-1092-10100 VimoraMusic\n"
                     "E 2 1796673600 240 0 0\nT A - First (1999)\nS short\nD line one|line two\ne\n"
                     "E 1 1796673840 200 0 0\nT B - Later (2000)\ne\nc\n");
  {
    cSchedulesLock lock(true);
    cSchedules::Writable(lock)->Clear();
  }
  ASSERT_TRUE(cSchedules::Read(path.c_str()));
  ASSERT_TRUE(cSchedules::Write(path.c_str()));
  EXPECT_EQ(ReadFile(path), written);
}

TEST_F(cHostEpg, PresentEventFollowsTheHostClock)
{
  AddTestEvent(MusicChannelID, TestEpoch + 60, 240, "A - First (1999)");
  AddTestEvent(MusicChannelID, TestEpoch + 301, 180, "B - Second (2000)");
  auto present = [] {
    cSchedulesLock lock;
    const cEvent *e = MusicSchedule(cSchedules::Schedules(lock))->GetPresentEvent();
    return std::string(e ? e->Title() : "none");
  };
  EXPECT_EQ(present(), "none");
  cClock::Step(60 * 1000);
  EXPECT_EQ(present(), "A - First (1999)");
  cClock::Step(239 * 1000);
  EXPECT_EQ(present(), "A - First (1999)");
  cClock::Step(1000);
  EXPECT_EQ(present(), "none"); // a gap between the two
  cClock::Step(1000);
  EXPECT_EQ(present(), "B - Second (2000)");
  cClock::Step(180 * 1000);
  EXPECT_EQ(present(), "none");
}

TEST_F(cHostEpg, AddEventReplacesTheSameIdAndKeepsOrder)
{
  cSchedulesLock lock(true);
  cSchedule *s = cSchedules::Writable(lock)->AddSchedule(tChannelID::FromString(MusicChannelID));
  cEvent *a = new cEvent(7);
  a->SetStartTime(TestEpoch + 100);
  a->SetTitle("old");
  s->AddEvent(a);
  cEvent *b = new cEvent;
  b->SetStartTime(TestEpoch);
  EXPECT_EQ(s->AddEvent(b)->EventID(), 8u);
  cEvent *c = new cEvent(7);
  c->SetStartTime(TestEpoch + 50);
  c->SetTitle("new");
  s->AddEvent(c);
  ASSERT_EQ(s->Events()->Count(), 2);
  EXPECT_EQ(s->Events()->First(), b);
  EXPECT_STREQ(s->GetEvent(7)->Title(), "new");
}

TEST_F(cHostEpg, LockTimesOutAgainstAWriterAndGuardsWriting)
{
  {
    cSchedulesLock writer(true);
    ASSERT_TRUE(writer.Locked());
    EXPECT_NE(cSchedules::Writable(writer), nullptr);
    std::thread other([] {
      cSchedulesLock reader(false, 50);
      EXPECT_FALSE(reader.Locked());
      EXPECT_EQ(cSchedules::Schedules(reader), nullptr);
    });
    other.join();
  }
  cSchedulesLock reader;
  EXPECT_NE(cSchedules::Schedules(reader), nullptr);
  EXPECT_EQ(cSchedules::Writable(reader), nullptr); // a read lock gives no licence to change
}

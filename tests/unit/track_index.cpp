// The catalogue's indexes: on random catalogues, every query answers what a plain walk
// of the whole list answers, for tracks loaded from the file and for tracks added later.
#include <random>
#include <vdr/recording.h>

#include "hostfixtures.h"
#include "testenv.h"
#include "tracks.h"
#include "vimora_config.h"

namespace {

const char *const OtherChannel = "S19.2E-1-1101-28006";
const int Frames = 1000; // 40 seconds at 25 frames per second

class cTrackIndex : public cTestEnv {
protected:
  std::mt19937 random;
  void TearDown(void) override
  {
    Tracks.Clear();
    cTestEnv::TearDown();
  }
  int Between(int From, int To) { return std::uniform_int_distribution<int>(From, To)(random); }
  // Tracks about the recording and far from it, in no order, the same songs and start
  // times often, durations that are negative or huge now and then.
  cTrack *RandomTrack(void)
  {
    cTrack *t = new cTrack;
    static const char *const names[] = { "A", "B", "AC:DC", "a" };
    t->artist = names[Between(0, 3)];
    t->title = names[Between(0, 3)];
    t->year = Between(1998, 1999);
    int far = Between(0, 20);
    t->startTime = TestEpoch + (far == 0 ? Between(-1000000000, 1000000000) : Between(-80, 80));
    int odd = Between(0, 30);
    t->duration = odd == 0 ? Between(-100, 0) : odd == 1 ? Between(100000, 2000000000) : Between(0, 30);
    t->status = Between(0, 2);
    t->channelId = Between(0, 3) ? MusicChannelID : OtherChannel;
    return t;
  }
  void AddRandomTracks(int Count)
  {
    cTracksLock lock(Tracks);
    for (int i = 0; i < Count; i++)
        Tracks.Add(RandomTrack());
  }
  static std::vector<cTrack *> Walk(bool (*Accept)(const cTrackWindow &, const cTrack &), const cTrackWindow &Window, const char *Channel)
  {
    std::vector<cTrack *> found;
    for (cTrack *t = Tracks.First(); t; t = Tracks.Next(t))
        if ((!Channel || t->channelId == Channel) && Accept(Window, *t))
           found.push_back(t);
    return found;
  }
  static std::vector<cTrack *> Indexed(bool (*Accept)(const cTrackWindow &, const cTrack &), const cTrackWindow &Window, const char *Channel)
  {
    std::vector<cTrack *> found;
    for (cTrack *t : Tracks.Near(Window, Channel))
        if (Accept(Window, *t))
           found.push_back(t);
    return found;
  }
  void CompareRecordingQueries(const cRecording *Recording)
  {
    cIndexFile index(Recording->FileName(), false);
    cTracksLock lock(Tracks);
    for (int offset : { -5, 0, 7 }) {
        cTrackWindow window(index, Recording, offset);
        auto contains = [](const cTrackWindow &w, const cTrack &t) { return w.Contains(t); };
        auto marks = [](const cTrackWindow &w, const cTrack &t) { int s, e; return t.status == 0 && w.Find(t, s, e); };
        for (const char *channel : { (const char *)NULL, MusicChannelID }) {
            EXPECT_EQ(Indexed(contains, window, channel), Walk(contains, window, channel)) << "offset " << offset;
            EXPECT_EQ(Indexed(marks, window, channel), Walk(marks, window, channel)) << "offset " << offset;
        }
        for (int frame = 0; frame < Frames; frame += 37) {
            static int current;
            current = frame;
            auto covers = [](const cTrackWindow &w, const cTrack &t) { return w.Covers(t, current); };
            std::vector<cTrack *> walked = Walk(covers, window, MusicChannelID), indexed = Indexed(covers, window, MusicChannelID);
            // the replay's track info shows the first one
            ASSERT_EQ(indexed.empty(), walked.empty()) << "frame " << frame;
            if (!walked.empty()) {
               EXPECT_EQ(indexed.front(), walked.front()) << "frame " << frame;
            }
        }
    }
  }
  void CompareBroadcastQueries(void)
  {
    VimoraConfig.avoidrepeats = 1;
    for (int i = 0; i < 300; i++) {
        std::unique_ptr<cTrack> probe(RandomTrack());
        probe->eventTitle = Between(0, 1) ? "" : "from the guide";
        bool inList = false, done = false;
        {
          cTracksLock lock(Tracks);
          for (const cTrack *t = Tracks.First(); t; t = Tracks.Next(t)) {
              inList = inList || t->SameBroadcast(*probe);
              done = done || (t->status == 2 && t->artist == probe->artist && t->title == probe->title && t->year == probe->year);
          }
        }
        bool indexedDone;
        ASSERT_EQ(Tracks.InList(*probe, indexedDone), inList) << probe->ToText();
        if (!inList) {
           EXPECT_EQ(indexedDone, done) << probe->ToText();
        }
    }
  }
};

TEST_F(cTrackIndex, QueriesAnswerAsTheWalkOnRandomCatalogues)
{
  AddTestChannel();
  std::string fileName = MakeTestRecording("Music", TestEpoch, Frames);
  // resumed after a gap: 500 frames, then 500 more from 30 seconds after the start
  ASSERT_TRUE(WriteFile(fileName + "/vimora.parts", std::to_string(0) + " " + std::to_string(TestEpoch * 1000LL) + "\n500 " + std::to_string((TestEpoch + 30) * 1000LL) + "\n"));
  cRecording *recording = Recordings.GetByName(fileName.c_str());
  ASSERT_NE(recording, nullptr);
  std::string path = root + "/tracks.conf";
  ASSERT_TRUE(Tracks.Load(path.c_str(), true));
  for (unsigned seed = 1; seed <= 6; seed++) {
      random.seed(seed);
      Tracks.Clear();
      AddRandomTracks(Between(0, 400));
      {
        cTracksLock lock(Tracks);
        ASSERT_TRUE(Tracks.Save());
      }
      ASSERT_TRUE(Tracks.Load(path.c_str(), true));
      AddRandomTracks(Between(0, 200));
      CompareRecordingQueries(recording);
      CompareBroadcastQueries();
  }
}

TEST_F(cTrackIndex, ConvertedAndSwitchedTracksAreFoundAsRepeatsAtOnce)
{
  VimoraConfig.avoidrepeats = 1;
  cTrack *t = RandomTrack();
  t->status = 0;
  t->artist = "A";
  {
    cTracksLock lock(Tracks);
    Tracks.Add(t);
  }
  cTrack probe(*t);
  probe.startTime += 1000;
  bool done;
  EXPECT_FALSE(Tracks.InList(probe, done));
  EXPECT_FALSE(done);
  t->status = 2;
  EXPECT_FALSE(Tracks.InList(probe, done));
  EXPECT_TRUE(done);
  probe.startTime -= 1000;
  EXPECT_TRUE(Tracks.InList(probe, done));
}

} // namespace

// The track record: its "tracks.conf" line in both directions and the artist, title
// and year taken from a guide title.
#include <thread>
#include <vector>

#include "grabberthread.h"
#include "testenv.h"
#include "track_pool.h"
#include "tracks.h"

static const char *Music = "S19.2E-1-1092-10100";

class cTrackRecord : public cTestEnv {
protected:
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    cGrabberThread::channelsSupported.insert(cChannelSupported(Music, 1, 0));
  }
  void TearDown(void) override
  {
    cGrabberThread::channelsSupported.clear();
    cTestEnv::TearDown();
  }
  cTrack Parsed(const char *Line, bool Ok = true)
  {
    cTrack t;
    EXPECT_EQ(t.Parse(Line), Ok) << Line;
    return t;
  }
  cTrack FromTitle(const std::string &Title, const char *Channel = Music)
  {
    cTrack t;
    t.channelId = Channel;
    t.eventTitle = Title;
    t.CreateTrackInfo();
    return t;
  }
};

TEST_F(cTrackRecord, LineRoundTrip)
{
  cTrack t;
  t.artist = "Some Artist";
  t.title = "Some Song";
  t.year = 1987;
  t.startTime = 1196000000;
  t.duration = 215;
  t.channelId = Music;
  EXPECT_STREQ(t.ToText(), "Some Artist:Some Song:1987:1196000000:215:0:S19.2E-1-1092-10100");
  t.artist = "AC:DC";
  t.title = "A|B";
  t.status = 2;
  std::string line = t.ToText();
  EXPECT_EQ(line, "AC|DC:A|B:1987:1196000000:215:2:S19.2E-1-1092-10100");
  cTrack back = Parsed(line.c_str());
  EXPECT_EQ(back.artist, "AC:DC");
  EXPECT_EQ(back.title, "A:B");
  EXPECT_EQ(back.year, 1987);
  EXPECT_EQ(back.startTime, 1196000000);
  EXPECT_EQ(back.duration, 215);
  EXPECT_EQ(back.status, 2);
  EXPECT_EQ(back.channelId, Music);
  EXPECT_TRUE(back.eventTitle.empty());
}

TEST_F(cTrackRecord, SaveWritesOneLine)
{
  cTrack t;
  t.artist = "X";
  t.channelId = "C";
  char *text = NULL;
  size_t size = 0;
  FILE *f = open_memstream(&text, &size);
  EXPECT_TRUE(t.Save(f));
  fclose(f);
  EXPECT_STREQ(text, "X::0:0:0:0:C\n");
  free(text);
}

TEST_F(cTrackRecord, ParseShortAndOddLines)
{
  cTrack six = Parsed("A:B:1999:1000:200:2");
  EXPECT_EQ(six.channelId, Music);
  EXPECT_EQ(six.status, 2);
  Parsed("A:B:1999", false);
  Parsed("", false);
  cTrack emptyTitle = Parsed("A::1999:1000");
  EXPECT_EQ(emptyTitle.artist, "A");
  EXPECT_EQ(emptyTitle.title, "");
  EXPECT_EQ(emptyTitle.startTime, 1000);
  EXPECT_EQ(emptyTitle.duration, 0);
  EXPECT_EQ(emptyTitle.status, 0);
  cTrack blanks = Parsed(" A: B:1999:5:6:0");
  EXPECT_EQ(blanks.artist, "A");
  EXPECT_EQ(blanks.title, "B");
  cTrack inner = Parsed("A b :B :x1:-7: 9z:1:C1:extra:more\n");
  EXPECT_EQ(inner.artist, "A b ");
  EXPECT_EQ(inner.title, "B ");
  EXPECT_EQ(inner.year, 0);
  EXPECT_EQ(inner.startTime, -7);
  EXPECT_EQ(inner.duration, 9);
  EXPECT_EQ(inner.channelId, "C1");
  cTrack high = Parsed("Bj\xF6rk:Caf\xE9:1999:1:2:0");
  EXPECT_EQ(high.artist, "Bj\xF6rk");
  EXPECT_STREQ(high.ToText(), "Bj\xF6rk:Caf\xE9:1999:1:2:0:S19.2E-1-1092-10100");
}

TEST_F(cTrackRecord, OverLongArtistIsCutAndTheRestRead)
{
  std::string line = std::string(3000, 'x') + ":T:2001:10:20:1";
  cTrack t = Parsed(line.c_str());
  EXPECT_EQ(t.artist.size(), 2559u);
  EXPECT_EQ(t.title, "T");
  EXPECT_EQ(t.status, 1);
  EXPECT_TRUE(HostLogHas("E Vimora: entry '" + line.substr(0, 1000)));
}

TEST_F(cTrackRecord, TitleLayout)
{
  cTrack t = FromTitle("Some Artist - Some Song (1987)");
  EXPECT_EQ(t.artist, "Some Artist");
  EXPECT_EQ(t.title, "Some Song");
  EXPECT_EQ(t.year, 1987);
  t = FromTitle("X - Y - Z (2001)");
  EXPECT_EQ(t.artist, "X");
  EXPECT_EQ(t.title, "Y - Z");
  t = FromTitle("Artist - Song (Live) (1999)");
  EXPECT_EQ(t.title, "Song (Live)");
  EXPECT_EQ(t.year, 1999);
  t = FromTitle("Artist - Song (87)");
  EXPECT_EQ(t.year, 87);
  t = FromTitle("News at eight");
  EXPECT_EQ(t.artist, "");
  EXPECT_EQ(t.title, "");
  EXPECT_EQ(t.year, 0);
  t = FromTitle("X - Y");
  EXPECT_EQ(t.artist, "X");
  EXPECT_EQ(t.title, "");
  EXPECT_EQ(t.year, 0);
}

TEST_F(cTrackRecord, TitleEdgesStayInsideTheText)
{
  cTrack t = FromTitle("A - (1999)");
  EXPECT_EQ(t.artist, "A");
  EXPECT_EQ(t.title, "");
  EXPECT_EQ(t.year, 1999);
  t = FromTitle("(x) A - B");
  EXPECT_EQ(t.artist, "(x) A");
  EXPECT_EQ(t.title, "");
  EXPECT_EQ(t.year, 0);
  t = FromTitle("(1999) A - B");
  EXPECT_EQ(t.title, "");
  EXPECT_EQ(t.year, 0);
  t = FromTitle("A - B (19");
  EXPECT_EQ(t.title, "B");
  EXPECT_EQ(t.year, 19);
  t = FromTitle("A - B (");
  EXPECT_EQ(t.title, "B");
  EXPECT_EQ(t.year, 0);
  t = FromTitle("A - x(2000)");
  EXPECT_EQ(t.title, "");
  EXPECT_EQ(t.year, 2000);
  t = FromTitle(" - (");
  EXPECT_EQ(t.artist, "");
  EXPECT_EQ(t.title, "");
  EXPECT_EQ(t.year, 0);
}

TEST_F(cTrackRecord, OnlyTheArtistTitleLayoutIsDerived)
{
  EXPECT_EQ(FromTitle("A - B (1999)", "S19.2E-1-1092-10101").artist, "");
  EXPECT_EQ(FromTitle("A - B (1999)", "s19.2e-1-1092-10100").artist, "");
  cGrabberThread::channelsSupported.insert(cChannelSupported("T-1-2-3", 2, 0));
  EXPECT_EQ(FromTitle("A - B (1999)", "T-1-2-3").artist, "");
}

TEST_F(cTrackRecord, Equality)
{
  cTrack a = FromTitle("A - B (1999)");
  a.startTime = 100;
  a.duration = 200;
  cTrack b = a;
  b.status = 2;
  b.artist = "other";
  EXPECT_TRUE(a == b);
  b.eventTitle = "a - B (1999)";
  EXPECT_FALSE(a == b);
  b = a;
  b.duration = 201;
  EXPECT_FALSE(a == b);
  cTrack read = Parsed(a.ToText());
  EXPECT_FALSE(read == a); // read tracks have no event title
}

TEST(ChannelsSupported, LookupsAndReplacement)
{
  auto &set = cGrabberThread::channelsSupported;
  EXPECT_FALSE(cGrabberThread::ChannelSupported(Music));
  EXPECT_TRUE(cGrabberThread::GetChannel(Music) == set.end());
  set.insert(cChannelSupported("B", 1, 0));
  set.insert(cChannelSupported(Music, 1, 0));
  set.insert(cChannelSupported("Z", 0, 0));
  EXPECT_TRUE(cGrabberThread::ChannelSupported(Music));
  EXPECT_FALSE(cGrabberThread::ChannelSupported("s19.2E-1-1092-10100"));
  auto it = cGrabberThread::GetChannel(Music);
  cChannelSupported copy = *it;
  copy.recordingCount++;
  set.erase(it);
  set.insert(copy);
  std::vector<std::string> order;
  for (auto &c : set)
      order.push_back(c.channelId);
  EXPECT_EQ(order, (std::vector<std::string>{ "B", Music, "Z" }));
  EXPECT_EQ(cGrabberThread::GetChannel(Music)->recordingCount, 1);
  EXPECT_EQ(cGrabberThread::GetChannel(Music)->epgFormat, 1);
  EXPECT_EQ(cGrabberThread::EpgFormat("Z"), 0);
  EXPECT_EQ(cGrabberThread::EpgFormat("nowhere"), 0);
}

TEST_F(cTrackRecord, SaveWritesTheLineOfToText)
{
  cTrack t;
  for (const char *artist : { "", "AC:DC", "A|B", "::" }) {
      t.artist = artist;
      t.title = "Part 2: Night";
      t.year = -12;
      t.startTime = time_t(1) << 40;
      t.duration = 2147483647;
      t.status = 2;
      t.channelId = Music;
      char *text = NULL;
      size_t size = 0;
      FILE *f = open_memstream(&text, &size);
      EXPECT_TRUE(t.Save(f));
      fclose(f);
      char *expected = NULL;
      ASSERT_GT(asprintf(&expected, "%s:%s:%d:%ld:%d:%d:%s\n", ReplaceAll(t.artist, ":", "|").c_str(), "Part 2| Night", t.year, long(t.startTime), t.duration, t.status, Music), 0);
      EXPECT_STREQ(text, expected);
      EXPECT_EQ(std::string(t.ToText()) + "\n", expected);
      free(expected);
      free(text);
  }
}

TEST_F(cTrackRecord, NumbersAreReadAsDecimalsWhereverTheyStop)
{
  cTrack t = Parsed("A:B: -12:+1000:\t7x:2\n");
  EXPECT_EQ(t.year, -12);
  EXPECT_EQ(t.startTime, 1000);
  EXPECT_EQ(t.duration, 7);
  EXPECT_EQ(t.status, 2);
  EXPECT_EQ(t.channelId, Music);
  // numbers too large for their field come out as the C library reads them
  t = Parsed("A:B:99999999999999999999:123456789012345678901234:1:0");
  EXPECT_EQ(t.year, int(strtol("99999999999999999999", NULL, 10)));
  EXPECT_EQ(t.startTime, strtol("123456789012345678901234", NULL, 10));
  t = Parsed("A:B:abc:000000000000000000000001234:1:0");
  EXPECT_EQ(t.year, 0);
  EXPECT_EQ(t.startTime, 1234);
}

// Records come from blocks of their own: one given back is handed out again, a block
// whose records are all gone is returned, and two threads never get the same record.
TEST(TrackPool, RecordsStayTheirOwnAndEmptyBlocksAreReturned)
{
  size_t before = TrackPoolBlocks();
  std::vector<cTrack *> tracks;
  for (int i = 0; i < 30000; i++) { // a few blocks
      tracks.push_back(new cTrack);
      tracks.back()->year = i;
      tracks.back()->artist = "Artist " + std::to_string(i);
  }
  for (size_t i = 0; i < tracks.size(); i += 2) {
      delete tracks[i];
      tracks[i] = NULL;
  }
  for (size_t i = 0; i < tracks.size(); i += 4)
      tracks[i] = new cTrack;
  for (size_t i = 0; i < tracks.size(); i++) {
      if (i % 4 == 0)
         EXPECT_EQ(tracks[i]->year, 0) << i;
      else if (i % 2 == 1) {
         ASSERT_EQ(tracks[i]->year, int(i));
         ASSERT_EQ(tracks[i]->artist, "Artist " + std::to_string(i));
      }
  }
  auto churn = [](int Seed) {
    std::vector<cTrack *> own;
    for (int round = 0; round < 20000; round++) {
        own.push_back(new cTrack);
        own.back()->year = Seed;
        if (round % 3 == 0) {
           if (own.front()->year != Seed)
              abort();
           delete own.front();
           own.erase(own.begin());
        }
        if (own.size() > 500) {
           for (cTrack *t : own)
               delete t;
           own.clear();
        }
    }
    for (cTrack *t : own)
        delete t;
  };
  std::thread a(churn, 1), b(churn, 2);
  a.join();
  b.join();
  if (TrackPooled()) {
     EXPECT_GT(TrackPoolBlocks(), before);
  }
  for (cTrack *t : tracks)
      delete t;
  EXPECT_EQ(TrackPoolBlocks(), before);
}

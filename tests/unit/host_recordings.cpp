// Recordings on disk: marks, resume positions, the frame index, info, the scan of
// the video directory and the title line.
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/recording.h>

#include "hostfixtures.h"
#include "testenv.h"

class cHostRecordings : public cTestEnv {
protected:
  std::string recording;
  void SetUp(void) override
  {
    cTestEnv::SetUp();
    AddTestChannel();
    recording = MakeTestRecording("Music~Vimora", TestEpoch, 100, 12);
  }
};

static std::vector<int> Positions(const cMarks &Marks)
{
  std::vector<int> p;
  for (cMark *m = Marks.First(); m; m = Marks.Next(m))
      p.push_back(m->Position());
  return p;
}

TEST_F(cHostRecordings, MarksRoundTripFrameExactWithComments)
{
  cMarks marks;
  EXPECT_TRUE(marks.Load(recording.c_str())); // no file yet
  EXPECT_EQ(marks.Count(), 0);
  marks.Add(90001);
  marks.Get(90001)->SetComment("Artist|Title|1987");
  marks.Add(24);
  marks.Add(359999);
  marks.Get(359999)->SetComment("A|B: c #1|0007");
  marks.Add(0);
  EXPECT_EQ(Positions(marks), (std::vector<int>{ 0, 24, 90001, 359999 }));
  ASSERT_TRUE(marks.Save());
  EXPECT_EQ(ReadFile(recording + "/marks"), "0:00:00.00\n0:00:00.24\n1:00:00.01 Artist|Title|1987\n3:59:59.24 A|B: c #1|0007\n");
  cMarks again;
  ASSERT_TRUE(again.Load(recording.c_str()));
  ASSERT_EQ(Positions(again), Positions(marks));
  EXPECT_EQ(again.Get(0)->Comment(), nullptr);
  EXPECT_STREQ(again.Get(90001)->Comment(), "Artist|Title|1987");
  EXPECT_STREQ(again.Get(359999)->Comment(), "A|B: c #1|0007");
}

TEST_F(cHostRecordings, MarksAddOnTakenPositionAndNeighbours)
{
  cMarks marks;
  marks.Load(recording.c_str());
  marks.Add(100);
  cMark *a = marks.Get(100);
  a->SetComment("keep");
  marks.Add(50);
  marks.Add(100);
  EXPECT_EQ(marks.Get(100), a);
  EXPECT_STREQ(marks.Get(100)->Comment(), "keep");
  EXPECT_EQ(marks.Count(), 2);
  EXPECT_EQ(marks.Get(75), nullptr);
  EXPECT_EQ(marks.GetNext(50)->Position(), 100);
  EXPECT_EQ(marks.GetNext(49)->Position(), 50);
  EXPECT_EQ(marks.GetNext(100), nullptr);
  EXPECT_EQ(marks.GetPrev(100)->Position(), 50);
  EXPECT_EQ(marks.GetPrev(101)->Position(), 100);
  EXPECT_EQ(marks.GetPrev(50), nullptr);
  EXPECT_EQ(a->Index(), 1);
  marks.Del(marks.Get(50));
  EXPECT_EQ(a->Index(), 0);
  // positions changed by hand are put in order again by Sort
  a->SetPosition(10);
  marks.Add(5);
  marks.Get(5)->SetPosition(20);
  marks.Sort();
  EXPECT_EQ(Positions(marks), (std::vector<int>{ 10, 20 }));
}

// What the recorder 2.6 reads from and writes into the same file at 50 and at 25 frames.
TEST_F(cHostRecordings, MarksAreReadAndWrittenAtTheRateTheyWereLoadedWith)
{
  WriteFile(recording + "/marks", "0:00:01.01 one\n0:00:00.49\n0:00:00.60 sixty\n");
  cMarks marks;
  ASSERT_TRUE(marks.Load(recording.c_str(), 50));
  EXPECT_EQ(Positions(marks), (std::vector<int>{ 49, 51, 60 }));
  marks.Add(75);
  ASSERT_TRUE(marks.Save());
  EXPECT_EQ(ReadFile(recording + "/marks"), "0:00:00.49\n0:00:01.01 one\n0:00:01.10 sixty\n0:00:01.25\n");
  cMarks at25;
  ASSERT_TRUE(at25.Load(recording.c_str(), 25));
  EXPECT_EQ(Positions(at25), (std::vector<int>{ 26, 35, 49, 50 }));
}

TEST_F(cHostRecordings, BadMarksAndResumeLinesAreReportedAndSkipped)
{
  std::string marksPath = recording + "/marks";
  WriteFile(marksPath, "0:00:10.00 first\nnonsense\n0:00:05.00\n-0:00:01.00 before\n0:00:01.30\n0:99:00.00\n");
  cMarks marks;
  EXPECT_TRUE(marks.Load(recording.c_str()));
  // sorted on loading; frames beyond the rate count on, as the recorder reads them
  EXPECT_EQ(Positions(marks), (std::vector<int>{ 55, 125, 250 }));
  for (int line : { 2, 4, 6 })
      EXPECT_TRUE(HostLogHas("E ERROR: error in " + marksPath + ", line " + std::to_string(line))) << line;
  std::string resumePath = recording + "/resume";
  cResumeFile resume(recording.c_str());
  EXPECT_EQ(resume.Read(), -1);
  ASSERT_TRUE(resume.Save(1234));
  EXPECT_EQ(ReadFile(resumePath), "P 1234\n");
  EXPECT_EQ(resume.Read(), 1234);
  WriteFile(resumePath, "garbage\nP -5\nP 77\n");
  EXPECT_EQ(resume.Read(), 77);
  EXPECT_TRUE(HostLogHas("E ERROR: error in " + resumePath + ", line 2"));
  EXPECT_FALSE(resume.Save(-1));
  resume.Delete();
  EXPECT_EQ(resume.Read(), -1);
}

TEST_F(cHostRecordings, IndexRoundTripAndTruncatedFile)
{
  {
    cIndexFile index(recording.c_str(), false);
    ASSERT_TRUE(index.Ok());
    EXPECT_EQ(index.Last(), 99);
    uint16_t number;
    off_t offset;
    bool independent;
    int length;
    ASSERT_TRUE(index.Get(12, &number, &offset, &independent, &length));
    EXPECT_EQ(number, 1);
    EXPECT_EQ(offset, 48000 + 11 * 12000);
    EXPECT_TRUE(independent);
    EXPECT_EQ(length, 48000);
    ASSERT_TRUE(index.Get(99, &number, &offset, &independent, &length));
    EXPECT_FALSE(independent);
    EXPECT_EQ(length, -1);
    EXPECT_FALSE(index.Get(100, &number, &offset));
    // the recorder would write through the null pointers: here it is refused and logged
    EXPECT_FALSE(index.Get(12, NULL, NULL, &independent));
    EXPECT_TRUE(HostLogHas("cIndexFile::Get without a place for the file number and offset"));
  }
  // big offsets and file numbers keep all their bits
  std::string other = videoDir + "/other";
  MakeDirs(other.c_str(), true);
  {
    cIndexFile writer(other.c_str(), true);
    EXPECT_TRUE(writer.Write(true, 0xFFFE, (off_t(1) << 40) - 1));
    EXPECT_TRUE(writer.Write(false, 2, 5));
    EXPECT_FALSE(writer.Write(false, 2, off_t(1) << 40));
  }
  // the recorder's layout: offset in bytes 0-4, the I-frame flag in bit 7 of byte 5
  EXPECT_EQ(ReadFile(other + "/index"), std::string("\xFF\xFF\xFF\xFF\xFF\x80\xFE\xFF\x05\0\0\0\0\0\x02\0", 16));
  std::string path = other + "/index";
  ASSERT_EQ(truncate(path.c_str(), 13), 0);
  cIndexFile reader(other.c_str(), false);
  EXPECT_EQ(reader.Last(), 0); // the partial second record is no frame
  uint16_t number;
  off_t offset;
  ASSERT_TRUE(reader.Get(0, &number, &offset));
  EXPECT_EQ(number, 0xFFFE);
  EXPECT_EQ(offset, (off_t(1) << 40) - 1);
  // a recorder that goes on drops the partial record before it appends
  {
    cIndexFile writer(other.c_str(), true);
    EXPECT_TRUE(writer.Write(true, 3, 7));
  }
  EXPECT_EQ(reader.Last(), 1);
  ASSERT_TRUE(reader.Get(1, &number, &offset));
  EXPECT_EQ(number, 3);
  EXPECT_EQ(offset, 7);
  cIndexFile missing((videoDir + "/none").c_str(), false);
  EXPECT_FALSE(missing.Ok());
  EXPECT_EQ(missing.Last(), -1);
  EXPECT_EQ(missing.GetNextIFrame(0, true), -1);
}

TEST_F(cHostRecordings, NextIFrameStepsOneFrameAndStopsAtTheEdges)
{
  cIndexFile index(recording.c_str(), false); // I-frames at 0, 12, ..., 96 of 0..99
  uint16_t number;
  off_t offset;
  int length;
  EXPECT_EQ(index.GetNextIFrame(12, true, &number, &offset, &length), 24);
  EXPECT_EQ(offset, 2 * 48000 + 22 * 12000);
  EXPECT_EQ(length, 48000);
  EXPECT_EQ(index.GetNextIFrame(12, false), 0);
  EXPECT_EQ(index.GetNextIFrame(13, true), 24);
  EXPECT_EQ(index.GetNextIFrame(13, false), 12);
  EXPECT_EQ(index.GetNextIFrame(0, true), 12);
  EXPECT_EQ(index.GetNextIFrame(0, false), -1);  // nothing before the first frame
  EXPECT_EQ(index.GetNextIFrame(-1, true), -1);  // starts outside the index
  EXPECT_EQ(index.GetNextIFrame(-25, true), -1);
  EXPECT_EQ(index.GetNextIFrame(96, true), -1);  // no I-frame after the last one
  EXPECT_EQ(index.GetNextIFrame(99, false), 96);
  EXPECT_EQ(index.GetNextIFrame(100, false), -1); // starts beyond the last frame
  EXPECT_EQ(index.GetNextIFrame(1000, false), -1);
  EXPECT_EQ(index.GetNextIFrame(0, true, NULL, NULL, NULL, true), -1); // stays 100 frames off the end
  EXPECT_EQ(index.GetNextIFrame(99, false, NULL, NULL, NULL, true), 96);
}

TEST_F(cHostRecordings, IndexLastCatchesUpWithAGrowingIndex)
{
  std::string dir = videoDir + "/growing";
  MakeDirs(dir.c_str(), true);
  cIndexFile reader(dir.c_str(), false);
  EXPECT_EQ(reader.Last(), -1); // no file yet
  cIndexFile writer(dir.c_str(), true);
  for (int i = 0; i < 30; i++)
      writer.Write(i % 12 == 0, 1, i * 100);
  EXPECT_EQ(reader.Last(), 29);
  EXPECT_EQ(reader.GetNextIFrame(13, true), 24);
  writer.Write(false, 1, 3000);
  EXPECT_EQ(reader.Last(), 30);
}

TEST_F(cHostRecordings, ScanListsRecordingsWithTitleLine)
{
  std::string dir = MakeTestRecording("Other", TestEpoch - 86400 + 60, 25 * 60 * 90 + 25 * 29, 12);
  MakeDirs((videoDir + "/junk/not-a-recording.rec").c_str(), true);
  MakeDirs((videoDir + "/gone/2026-01-01.10.00.1-0.del").c_str(), true);
  ASSERT_TRUE(Recordings.Load());
  ASSERT_EQ(Recordings.Count(), 2);
  cRecording *music = Recordings.GetByName(recording.c_str());
  ASSERT_NE(music, nullptr);
  EXPECT_EQ(music->Start(), TestEpoch);
  EXPECT_STREQ(music->Name(), "Music~Vimora");
  EXPECT_EQ(music->Priority(), 50);
  EXPECT_EQ(music->Lifetime(), 99);
  struct tm tm;
  time_t start = TestEpoch;
  localtime_r(&start, &tm);
  char date[32];
  strftime(date, sizeof(date), "%d.%m.%y\t%H:%M", &tm);
  EXPECT_EQ(std::string(music->Title('\t', false, -1)), std::string(date) + "\t0'\tMusic~Vimora");
  EXPECT_EQ(std::string(music->Title('\t', true, 1)), std::string(date) + "*\t0'\tVimora");
  EXPECT_EQ(std::string(music->Title(' ', false, 0)).substr(15), "0' Music");
  cRecording *other = Recordings.GetByName(dir.c_str());
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(std::string(other->Title()).substr(15), "90' Other"); // 90:29 is 90 minutes to the nearest minute
  cResumeFile(recording.c_str()).Save(10);
  EXPECT_EQ(music->GetResume(), 10);
  EXPECT_EQ(std::string(music->Title('\t', true)).find('*'), std::string::npos);
  EXPECT_STREQ(*music->Info()->ChannelID().ToString(), MusicChannelID);
  EXPECT_STREQ(music->Info()->ChannelName(), "VimoraMusic");
  EXPECT_STREQ(music->Info()->Title(), "Music~Vimora");
  EXPECT_EQ(Recordings.GetByName("/nowhere"), nullptr);
  Recordings.DelByName(dir.c_str());
  EXPECT_EQ(Recordings.Count(), 1);
  EXPECT_TRUE(FileExists(dir)); // still on disk
}

TEST_F(cHostRecordings, NamesStayInsideTheVideoDirectory)
{
  cTimer timer(NULL, TestEpoch, TestEpoch + 60, "../../etc~.hidden~a/b#c~~");
  cRecording r(&timer, TestEpoch);
  std::string name = r.FileName();
  ASSERT_EQ(name.compare(0, videoDir.size() + 1, videoDir + "/"), 0);
  std::string rest = name.substr(videoDir.size() + 1);
  EXPECT_EQ(rest.substr(0, rest.rfind('/')), "#2E.#2F..#2Fetc/#2Ehidden/a#2Fb#23c");
  cRecording back(name.c_str());
  EXPECT_STREQ(back.Name(), "../../etc~.hidden~a/b#c");
  EXPECT_EQ(back.Start(), TestEpoch);
}

TEST_F(cHostRecordings, DeleteRemovesTheRecordingAndEmptyFolders)
{
  std::string single = MakeTestRecording("Alone~Deep", TestEpoch, 10);
  ASSERT_TRUE(Recordings.Load());
  cRecording *r = Recordings.GetByName(single.c_str());
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(r->Delete());
  EXPECT_FALSE(FileExists(single));
  EXPECT_FALSE(FileExists(videoDir + "/Alone"));
  EXPECT_TRUE(FileExists(videoDir));
  EXPECT_TRUE(FileExists(recording));
  cRecording notOne((videoDir + "/plain").c_str());
  MakeDirs((videoDir + "/plain").c_str(), true);
  EXPECT_FALSE(notOne.Delete()); // not a recording's directory
  EXPECT_TRUE(FileExists(videoDir + "/plain"));
}

TEST_F(cHostRecordings, InfoRoundTripAndBadLines)
{
  const cEvent *event = AddTestEvent(MusicChannelID, TestEpoch, 240, "A - B (1999)", "short", "two\nlines");
  cRecordingInfo info;
  info.Set(Channels.First(), event, "unused", 60, 30);
  ASSERT_TRUE(info.Write(recording.c_str()));
  std::string written = ReadFile(recording + "/info");
  EXPECT_EQ(written, "C S19.2E-1-1092-10100 VimoraMusic\nE 1 1796673600 240 0 0\nT A - B (1999)\nS short\nD two|lines\nF 25\nP 60\nL 30\n");
  cRecordingInfo back;
  ASSERT_TRUE(back.Read(recording.c_str()));
  EXPECT_EQ(back.Priority(), 60);
  EXPECT_EQ(back.Lifetime(), 30);
  EXPECT_STREQ(back.Title(), "A - B (1999)");
  EXPECT_STREQ(back.Description(), "two\nlines");
  EXPECT_EQ(back.GetEvent()->StartTime(), TestEpoch);
  WriteFile(recording + "/info", "C bad\nT Title\nF x\nZ what\nF 50\n");
  cRecordingInfo bad;
  EXPECT_FALSE(bad.Read(recording.c_str()));
  EXPECT_STREQ(bad.Title(), "Title");
  EXPECT_EQ(bad.FramesPerSecond(), 50);
  for (int line : { 1, 3, 4 })
      EXPECT_TRUE(HostLogHas("E ERROR: error in " + recording + "/info, line " + std::to_string(line))) << line;
}

// As the recorder 2.6 reads a recording's rate and writes it into the info.
TEST_F(cHostRecordings, FrameRateComesFromTheInfoAsTheRecorderReadsIt)
{
  auto rateOf = [](const std::string &Dir, const char *InfoName, const char *Info) {
    EXPECT_TRUE(MakeDirs(Dir.c_str(), true));
    EXPECT_TRUE(WriteFile(Dir + "/" + InfoName, Info));
    return cRecording(Dir.c_str()).FramesPerSecond();
  };
  std::string dir = videoDir + "/Rate/2026-12-07.21.00.1-0.rec";
  EXPECT_EQ(rateOf(dir, "info", "C S19.2E-1-1092-10100\nF 50\n"), 50);
  EXPECT_EQ(rateOf(dir, "info", "C S19.2E-1-1092-10100\n"), 25);
  EXPECT_EQ(rateOf(dir, "info", "F 29.97002997\n"), 29.97002997);
  EXPECT_EQ(rateOf(dir, "info", "F 0\n"), 0); // passed on: the caller must not count in it
  EXPECT_EQ(rateOf(dir, "info", "F -5\n"), -5);
  // the older kind: its info.vdr is read, but not for the rate
  std::string pes = videoDir + "/Rate/2026-12-07.21.00.50.99.rec";
  EXPECT_EQ(rateOf(pes, "info.vdr", "F 50\n"), 25);
  EXPECT_EQ(cRecording(pes.c_str()).Info()->FramesPerSecond(), 50);

  cRecordingInfo info;
  info.SetFramesPerSecond(30000.0 / 1001);
  ASSERT_TRUE(info.Write(dir.c_str()));
  EXPECT_NE(ReadFile(dir + "/info").find("\nF 29.97002997\n"), std::string::npos) << ReadFile(dir + "/info");

  // ten minutes in the title's length
  std::string fifty = MakeTestRecording("Fifty", TestEpoch + 3600, 50 * 600, 24, MusicChannelID, 50);
  EXPECT_NE(std::string(cRecording(fifty.c_str()).Title()).find(" 10' Fifty"), std::string::npos);
}

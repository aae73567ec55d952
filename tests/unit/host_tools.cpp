// The host's list, text, file and list-file tools.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/channels.h>
#include <vdr/config.h>
#include <vdr/epg.h>
#include <vdr/i18n.h>
#include <vdr/recording.h>
#include <vdr/timers.h>
#include <vdr/tools.h>

#include "testenv.h"

class cHostTools : public cTestEnv {};

namespace {

struct cItem : public cListObject {
  int value;
  std::string text;
  cItem(int Value = 0) : value(Value) {}
  int Compare(const cListObject &Other) const override { return value - static_cast<const cItem &>(Other).value; }
  bool Parse(const char *s)
  {
    int n = 0;
    if (sscanf(s, "%d %n", &value, &n) < 1)
       return false;
    text = s + n;
    return true;
  }
  bool Save(FILE *f) { return fprintf(f, "%d %s\n", value, text.c_str()) > 0; }
};

std::vector<int> Values(const cList<cItem> &l)
{
  std::vector<int> v;
  for (cItem *i = l.First(); i; i = l.Next(i))
      v.push_back(i->value);
  return v;
}

} // namespace

TEST_F(cHostTools, ListAddInsertDeleteMoveAndIndex)
{
  cList<cItem> l;
  cItem *a = new cItem(1), *b = new cItem(2), *c = new cItem(3);
  l.Add(a);
  l.Add(c);
  l.Add(b, a); // after a
  EXPECT_EQ(Values(l), (std::vector<int>{ 1, 2, 3 }));
  l.Ins(new cItem(0));
  EXPECT_EQ(Values(l), (std::vector<int>{ 0, 1, 2, 3 }));
  EXPECT_EQ(c->Index(), 3);
  EXPECT_EQ(l.Get(2), b);
  EXPECT_EQ(l.Get(4), nullptr);
  EXPECT_EQ(l.Get(-1), nullptr);
  l.Move(0, 3);
  EXPECT_EQ(Values(l), (std::vector<int>{ 1, 2, 3, 0 }));
  l.Del(b);
  EXPECT_EQ(Values(l), (std::vector<int>{ 1, 3, 0 }));
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Last()->value, 0);
  EXPECT_EQ(l.Prev(l.Last())->value, 3);
}

TEST_F(cHostTools, SortIsStableAndKeepsLinksIntact)
{
  cList<cItem> l;
  int values[] = { 5, 3, 9, 3, 1, 5 };
  for (int v : values) {
      cItem *i = new cItem(v);
      i->text = std::to_string(l.Count());
      l.Add(i);
  }
  l.Sort();
  EXPECT_EQ(Values(l), (std::vector<int>{ 1, 3, 3, 5, 5, 9 }));
  EXPECT_EQ(l.Get(1)->text, "1"); // equal elements keep their order
  EXPECT_EQ(l.Get(2)->text, "3");
  std::vector<int> backwards;
  for (cItem *i = l.Last(); i; i = l.Prev(i))
      backwards.push_back(i->value);
  EXPECT_EQ(backwards, (std::vector<int>{ 9, 5, 5, 3, 3, 1 }));
}

// The texts and frames the recorder 2.6 gives at other rates than 25.
TEST_F(cHostTools, FrameTimesAtARecordingsRate)
{
  EXPECT_STREQ(*IndexToHMSF(25, true, 50), "0:00:00.25");
  EXPECT_STREQ(*IndexToHMSF(49, true, 50), "0:00:00.49");
  EXPECT_STREQ(*IndexToHMSF(107893, true, 50), "0:35:57.43");
  EXPECT_EQ(HMSFToIndex("0:00:01.01", 50), 51);
  // a marks file written at 50 frames read at 25
  EXPECT_EQ(HMSFToIndex("0:00:00.50", 25), 50);
  EXPECT_EQ(HMSFToIndex("0:00:00.100"), 100);
  EXPECT_EQ(SecondsToFrames(3, 50), 150);
  // at 29.97 the seconds are the clock's
  EXPECT_STREQ(*IndexToHMSF(89, true, 29.97), "0:00:02.29");
  EXPECT_STREQ(*IndexToHMSF(2997, true, 29.97), "0:01:40.00");
  EXPECT_STREQ(*IndexToHMSF(2000000000, true, 30000.0 / 1001), "18537:02:13.10");
  EXPECT_STREQ(*IndexToHMSF(-30, true, 23.976), "-0:00:01.06");
  EXPECT_EQ(HMSFToIndex("0:00:03.29", 29.97), 119);
  EXPECT_EQ(HMSFToIndex("0:00:10.00", 29.97), 300);
  EXPECT_EQ(HMSFToIndex("1:00:00.00", 23.976), 86314);
  EXPECT_EQ(SecondsToFrames(-3, 12.5), -38);
}

TEST_F(cHostTools, StringHelpers)
{
  char s[] = "text \t \n";
  EXPECT_STREQ(stripspace(s), "text");
  EXPECT_TRUE(isempty(NULL));
  EXPECT_TRUE(isempty(" \t"));
  EXPECT_FALSE(isempty(" x"));
  char d[4];
  EXPECT_STREQ(strn0cpy(d, "abcdef", sizeof(d)), "abc");
  EXPECT_STREQ(*AddDirectory("/a", "b.conf"), "/a/b.conf");
  EXPECT_STREQ(*IndexToHMSF(25 * 3661 + 7, true), "1:01:01.07");
  EXPECT_STREQ(*IndexToHMSF(25 * 59), "0:00:59");
  EXPECT_EQ(HMSFToIndex("1:01:01.07"), 25 * 3661 + 7);
  EXPECT_EQ(HMSFToIndex("0:00:02"), 50);
  EXPECT_EQ(HMSFToIndex("0:61:00.00"), -1);
  EXPECT_EQ(HMSFToIndex("garbage"), -1);
  EXPECT_EQ(SecondsToFrames(3), 75);
  EXPECT_STREQ(*WeekDayName(1), "Mon");
  cString a = cString::sprintf("%d%%", 42);
  cString b = a;
  EXPECT_STREQ(*b, "42%");
  b = (const char *)NULL;
  EXPECT_EQ(*b, nullptr);
}

TEST_F(cHostTools, ReadLineHandlesLongLinesAndLineEnds)
{
  std::string path = root + "/lines";
  std::string longLine(100000, 'x');
  WriteFile(path, "one\r\n" + longLine + "\nlast");
  FILE *f = fopen(path.c_str(), "r");
  ASSERT_TRUE(f);
  cReadLine r;
  EXPECT_STREQ(r.Read(f), "one");
  EXPECT_EQ(strlen(r.Read(f)), longLine.size());
  EXPECT_STREQ(r.Read(f), "last");
  EXPECT_EQ(r.Read(f), nullptr);
  fclose(f);
}

TEST_F(cHostTools, SafeFileReplacesWholeOrKeepsOldFile)
{
  std::string path = root + "/safe.conf";
  WriteFile(path, "old\n");
  {
    cSafeFile f(path.c_str());
    ASSERT_TRUE(f.Open());
    fprintf(f, "new\n");
    EXPECT_EQ(ReadFile(path), "old\n"); // nothing visible before Close
    EXPECT_TRUE(f.Close());
  }
  EXPECT_EQ(ReadFile(path), "new\n");
  {
    cSafeFile f(path.c_str());
    ASSERT_TRUE(f.Open());
    fprintf(f, "half");
    f.Discard();
  }
  EXPECT_EQ(ReadFile(path), "new\n");
  {
    cSafeFile f(path.c_str());
    ASSERT_TRUE(f.Open());
    fprintf(f, "dropped with the object");
  }
  EXPECT_EQ(ReadFile(path), "new\n");
  EXPECT_FALSE(FileExists(path + ".$$$"));
}

TEST_F(cHostTools, SafeFileWriteErrorKeepsOldFile)
{
  if (access("/dev/full", W_OK) != 0)
     GTEST_SKIP() << "no /dev/full";
  // A target whose temporary file is /dev/full: every write fails like on a full disk.
  // Content that stays in the stream's buffer fails only when Close flushes it; more
  // than the buffer fails while it is written.
  std::string path = root + "/full";
  WriteFile(path, "old\n");
  for (size_t size : { size_t(100000), size_t(1000000) }) {
      ASSERT_EQ(symlink("/dev/full", (path + ".$$$").c_str()), 0);
      cSafeFile f(path.c_str());
      ASSERT_TRUE(f.Open());
      std::string line(999, 'n');
      line += '\n';
      for (size_t n = 0; n < size; n += line.size())
          fwrite(line.data(), 1, line.size(), f);
      EXPECT_FALSE(f.Close()) << size;
      EXPECT_EQ(ReadFile(path), "old\n") << size;
      EXPECT_FALSE(FileExists(path + ".$$$")) << size;
  }
}

TEST_F(cHostTools, SafeFileOfManyBuffersComesOutWhole)
{
  std::string path = root + "/large.conf", expected;
  for (int i = 0; i < 100000; i++)
      expected += "line " + std::to_string(i) + " " + std::string(size_t(i % 37), 'x') + "\n";
  cSafeFile f(path.c_str());
  ASSERT_TRUE(f.Open());
  for (size_t at = 0; at < expected.size(); at += 4093)
      ASSERT_EQ(fwrite(expected.data() + at, 1, std::min(size_t(4093), expected.size() - at), f), std::min(size_t(4093), expected.size() - at));
  ASSERT_TRUE(f.Close());
  EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(cHostTools, ConfigLoadMissingFile)
{
  cConfig<cItem> c;
  EXPECT_TRUE(c.Load((root + "/missing").c_str(), true));
  EXPECT_EQ(c.Count(), 0);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(c.Load((root + "/missing").c_str(), true, true));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "vdr: error while reading '" + root + "/missing'\n");
}

TEST_F(cHostTools, ConfigLoadCommentsBlankAndBadLines)
{
  std::string path = root + "/list.conf";
  WriteFile(path, "# a comment\n1 one  \n\n   \nbad line\n2 two # trailing\n3 three#x\n");
  cConfig<cItem> c;
  EXPECT_TRUE(c.Load(path.c_str(), true));
  ASSERT_EQ(c.Count(), 3);
  EXPECT_EQ(c.Get(0)->text, "one");
  EXPECT_EQ(c.Get(1)->text, "two");
  EXPECT_EQ(c.Get(2)->text, "three");
  EXPECT_TRUE(HostLogHas("I loading " + path));
  EXPECT_TRUE(HostLogHas("E ERROR: error in " + path + ", line 5"));
  // without comments the '#' belongs to the entry
  EXPECT_TRUE(c.Load(path.c_str(), false));
  EXPECT_EQ(c.Get(1)->text, "two # trailing");
}

TEST_F(cHostTools, ConfigLoadUnreadableFile)
{
  std::string path = root + "/locked.conf";
  if (geteuid() == 0) // root reads any file but a write-only kernel setting
     ASSERT_EQ(symlink("/proc/sys/vm/compact_memory", path.c_str()), 0);
  else {
     WriteFile(path, "1 one\n");
     chmod(path.c_str(), 0);
  }
  cConfig<cItem> c;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(c.Load(path.c_str(), true));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "vdr: error while reading '" + path + "'\n");
  EXPECT_TRUE(HostLogHas("E ERROR: " + path + ": Permission denied"));
}

TEST_F(cHostTools, ConfigSaveRoundTripAndDebugLine)
{
  std::string path = root + "/list.conf";
  cConfig<cItem> c;
  c.Load(path.c_str(), true);
  for (int i = 0; i < 3; i++) {
      cItem *item = new cItem(i);
      item->text = "t" + std::to_string(i);
      c.Add(item);
  }
  EXPECT_TRUE(c.Save());
  EXPECT_EQ(ReadFile(path), "0 t0\n1 t1\n2 t2\n");
  EXPECT_TRUE(HostLogHas("D Saving configfile " + path));
}

TEST_F(cHostTools, SystemExecReturnsExitStatus)
{
  EXPECT_EQ(SystemExec("exit 3"), 3);
  std::string out = root + "/out";
  EXPECT_EQ(SystemExec(("echo hello > '" + out + "'").c_str()), 0);
  EXPECT_EQ(ReadFile(out), "hello\n");
}

TEST_F(cHostTools, SetupStoresPluginValuesAndKeepsHashes)
{
  std::string path = configDir + "/setup.conf";
  WriteFile(path, "# comment\nOSDLanguage = it_IT\nvimora.format = %artist% #1\nother.x = 2\n");
  cSetup s;
  ASSERT_TRUE(s.Load(path.c_str()));
  EXPECT_STREQ(s.OSDLanguage, "it_IT");
  EXPECT_STREQ(I18nLocale(I18nCurrentLanguage()), "it_IT");
  EXPECT_STREQ(s.Get("vimora", "format"), "%artist% #1");
  s.Store("offset", "-99", "vimora");
  s.Store("format", "a\nb", "vimora");
  cSetup t;
  ASSERT_TRUE(t.Load(path.c_str()));
  EXPECT_STREQ(t.Get("vimora", "offset"), "-99");
  EXPECT_STREQ(t.Get("vimora", "format"), "a b");
  EXPECT_STREQ(t.Get("other", "x"), "2");
  EXPECT_STREQ(t.OSDLanguage, "it_IT");
}

// As the recorder: any of a language's codes is read, its first one stored.
TEST_F(cHostTools, SetupAudioLanguagesAreCodesAsTheRecorderStoresThem)
{
  std::string path = configDir + "/setup.conf";
  WriteFile(path, "AudioLanguages = fre ger xyz eng\n");
  cSetup s;
  EXPECT_EQ(s.AudioLanguages[0], -1);
  ASSERT_TRUE(s.Load(path.c_str()));
  EXPECT_STREQ(I18nLanguageCode(s.AudioLanguages[0]), "fra,fre");
  EXPECT_STREQ(I18nLanguageCode(s.AudioLanguages[1]), "deu,ger");
  EXPECT_STREQ(I18nLanguageCode(s.AudioLanguages[2]), "eng");
  EXPECT_EQ(s.AudioLanguages[3], -1);
  EXPECT_TRUE(HostLogHas("unknown language: AudioLanguages = fre ger xyz eng"));
  ASSERT_TRUE(s.Save());
  EXPECT_NE(ReadFile(path).find("AudioLanguages = fra deu eng\n"), std::string::npos) << ReadFile(path);
  EXPECT_EQ(I18nLanguageIndex("dut"), 4);
  EXPECT_EQ(I18nLanguageIndex("de"), -1);
  EXPECT_EQ(I18nLanguageCode(I18nNumLanguagesWithLocale()), nullptr);
}

TEST_F(cHostTools, SetupLanguageIsALocale)
{
  std::string path = configDir + "/setup.conf";
  // earlier hosts stored the index of the language in their order
  WriteFile(path, "OSDLanguage = 1\n");
  cSetup s;
  ASSERT_TRUE(s.Load(path.c_str()));
  EXPECT_STREQ(s.OSDLanguage, "de_DE");
  EXPECT_EQ(I18nCurrentLanguage(), 1);
  ASSERT_TRUE(s.Save());
  EXPECT_NE(ReadFile(path).find("OSDLanguage = de_DE\n"), std::string::npos) << ReadFile(path);

  // as in the recorder, a locale without texts is kept but changes no language
  WriteFile(path, "OSDLanguage = xx_YY\n");
  ASSERT_TRUE(s.Load(path.c_str()));
  EXPECT_STREQ(s.OSDLanguage, "xx_YY");
  EXPECT_EQ(I18nCurrentLanguage(), 1);
  WriteFile(path, "OSDLanguage = 21\n");
  ASSERT_TRUE(s.Load(path.c_str()));
  EXPECT_STREQ(s.OSDLanguage, "xx_YY");
  EXPECT_TRUE(HostLogHas("unknown language: OSDLanguage = 21"));
  EXPECT_EQ(I18nCurrentLanguage(), 1);
}

TEST_F(cHostTools, StateLocksKeepTheRecordersOrderAndTellChanges)
{
  int before = cStateLock::InvalidSequences();
  {
    LOCK_TIMERS_WRITE;
    LOCK_CHANNELS_READ;
    LOCK_RECORDINGS_READ;
    LOCK_SCHEDULES_READ;
    EXPECT_TRUE(Timers && Channels && Recordings && Schedules);
    {
      LOCK_TIMERS_READ; // the writer may read again
      EXPECT_NE(Timers, nullptr);
    }
  }
  EXPECT_EQ(cStateLock::InvalidSequences(), before);
  {
    // locks of the same names, never taken in order, so that no thread checker sees a
    // cycle: the sequence goes by the name
    cStateLock schedules("Schedules"), timers("Timers");
    cStateKey schedulesKey, timersKey;
    ASSERT_TRUE(schedules.Lock(schedulesKey));
    ASSERT_TRUE(timers.Lock(timersKey));
    timersKey.Remove();
    schedulesKey.Remove();
  }
  EXPECT_EQ(cStateLock::InvalidSequences(), before + 1);
  expectedInvalidSequences = 1;
  EXPECT_TRUE(HostLogHas("E ERROR: invalid lock sequence: Timers locked while holding Schedules"));

  // a reader learns whether the list changed since it last looked
  cStateKey reader;
  ASSERT_NE(cTimers::GetTimersRead(reader), nullptr); // a new key sees a change
  reader.Remove();
  EXPECT_EQ(cTimers::GetTimersRead(reader), nullptr);
  EXPECT_FALSE(reader.TimedOut());
  {
    LOCK_TIMERS_WRITE;
  }
  ASSERT_NE(cTimers::GetTimersRead(reader), nullptr);
  reader.Remove();
  // a write lock removed without a change leaves the readers' state alone
  cStateKey writer;
  ASSERT_NE(cTimers::GetTimersWrite(writer), nullptr);
  writer.Remove(false);
  EXPECT_EQ(cTimers::GetTimersRead(reader), nullptr);
}

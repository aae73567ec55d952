// Case-insensitive search and replace, the line field walker and the log date text.
#include "grabberthread.h"
#include "pluginlog.h"
#include "testenv.h"
#include "tracks.h"

TEST(TextHelpers, FindIgnoreCase)
{
  EXPECT_EQ(FindIgnoreCase("a title", "TITLE"), 2);
  EXPECT_EQ(FindIgnoreCase("abc", "x"), -1);
  EXPECT_EQ(FindIgnoreCase("abc", ""), 0);
  EXPECT_EQ(FindIgnoreCase("", "a"), -1);
  EXPECT_EQ(FindIgnoreCase("AbAbC", "abc"), 2);
  EXPECT_EQ(FindIgnoreCase("x\xB4y", "\xB4"), 1);
}

TEST(TextHelpers, ReplaceAllRescansFromTheBeginning)
{
  EXPECT_EQ(ReplaceAll("A:B:C", ":", "|"), "A|B|C");
  EXPECT_EQ(ReplaceAll("no bars", "|", ":"), "no bars");
  EXPECT_EQ(ReplaceAll("aab", "ab", "b"), "b");
  EXPECT_EQ(ReplaceAll("%ARTIST% - %Title%", "%artist%", "Nova"), "Nova - %Title%");
  EXPECT_EQ(ReplaceAll("Re - Mix", " ", ""), "Re-Mix");
  EXPECT_EQ(ReplaceAll("", "x", "y"), "");
  // Equal lengths that keep reforming the pattern until it is sorted out.
  EXPECT_EQ(ReplaceAll("aaaabbbb", "ab", "ba"), "bbbbaaaa");
  EXPECT_EQ(ReplaceAll("AB", "a", "x"), "xB");
}

TEST(TextHelpers, ReplaceAllEndsWhereTheRuleWouldNot)
{
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  // A replacement holding the pattern (in any case) is inserted once per occurrence.
  EXPECT_EQ(ReplaceAll("%artist% - %title%", "%artist%", "DJ %Artist%"), "DJ %Artist% - %title%");
  EXPECT_EQ(ReplaceAll("a:b", ":", "::"), "a::b");
  EXPECT_EQ(ReplaceAll("xyz", "y", "Y"), "xYz");
  // "ab" -> "bbaa" forms a new "ab" with its neighbours for ever.
  EXPECT_EQ(ReplaceAll("aab", "ab", "bbaa"), "abbaa");
  EXPECT_EQ(ReplaceAll("no match", "ab", "bbaa"), "no match");
}

TEST(TextHelpers, LineFieldsSkipLeadingBlanksAndKeepEmptyFields)
{
  cLineFields fields("  A : B::  :x", ':');
  std::string f;
  std::vector<std::string> all;
  while (fields.Next(f))
    all.push_back(f);
  EXPECT_EQ(all, (std::vector<std::string>{ "A ", "B", "", "", "x" }));
  cLineFields blanks("   ", ';');
  EXPECT_FALSE(blanks.Next(f));
  cLineFields trailing("a;", ';');
  EXPECT_TRUE(trailing.Next(f));
  EXPECT_FALSE(trailing.Next(f));
}

class cLongFields : public cTestEnv {};

TEST_F(cLongFields, OverLongFieldIsCutAndReported)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
  std::string line = std::string(3000, 'a') + ";tail";
  cLineFields fields(line.c_str(), ';');
  std::string f;
  ASSERT_TRUE(fields.Next(f));
  EXPECT_EQ(f, std::string(2559, 'a'));
  ASSERT_TRUE(fields.Next(f));
  EXPECT_EQ(f, "tail");
  std::string message = "entry '" + line + "' is too long. Will be truncated!";
  EXPECT_EQ(log.Messages(), (std::vector<std::string>{ message }));
  EXPECT_TRUE(HostLogHas("E Vimora: " + message.substr(0, 1000)));
}

TEST_F(cLongFields, FieldOfExactlyMaximumLengthIsKept)
{
  std::string line = std::string(2559, 'b');
  cLineFields fields(line.c_str(), ':');
  std::string f;
  ASSERT_TRUE(fields.Next(f));
  EXPECT_EQ(f, line);
  EXPECT_FALSE(HostLogHas("too long"));
}

TEST_F(cLongFields, DayDateTimesec)
{
  // 2026-12-07 15:04:05 UTC, a Monday
  EXPECT_STREQ(*DayDateTimesec(1796655845), (*WeekDayName(1) + std::string(" 07.12 15:04:05")).c_str());
  // 0 means the host clock's now
  EXPECT_STREQ(*DayDateTimesec(0), *DayDateTimesec(TestEpoch));
}

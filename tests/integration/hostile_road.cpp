// Guide texts meant to do harm on the rest of their road: catalogued tracks become cut
// marks (green), the marks' comments become script arguments (yellow, audio clips) and
// clip names. Every mark stays one line, every argument arrives as it was written into
// the marks, nothing runs, and every clip name stays a visible file in the clip folder.
#include "conversion.h"
#include "cutter.h"
#include "hostfixtures.h"
#include "menu_convert.h"
#include "tracks.h"

class cHostileRoad : public cConversionEnv {};

TEST_F(cHostileRoad, MarksArgumentsAndClipNamesStayData)
{
  std::string canary = root + "/RAN";
  const std::vector<std::pair<std::string, std::string>> tracks = {
    { "Two\nLines", "Carriage\rReturn \x1b]0;title\x07 \xFF\xFE" },
    { "Quote\"; touch " + canary + "; echo \"", "$(touch " + canary + ") `touch " + canary + "` 'single' back\\slash\\" },
    { "%n%s%x", "%title%%artist%%year%" },
    { "-rf ../../..", "/etc/passwd" },
  };
  for (size_t i = 0; i < tracks.size(); i++)
      AddTrack(tracks[i].first.c_str(), tracks[i].second.c_str(), 1990 + int(i), 30 + int(i) * 60, 50);
  WriteFile(fileName + "/vimora", MusicChannelID);
  ASSERT_TRUE(StartPlugins(VIMORA_PLUGIN_DIR, { "vimora" }));

  Press({ kMenu, k1, kGreen });
  EXPECT_EQ(Messages(), (std::vector<std::string>{ "info: Marks created!" }));
  std::string written = ReadFile(MarksPath());
  ASSERT_EQ(Lines(written).size(), 2 * tracks.size());
  cMarks marks;
  ASSERT_TRUE(marks.Load(fileName.c_str()));
  ASSERT_EQ(marks.Count(), int(2 * tracks.size()));

  Press({ kYellow, kOk });
  RunConversion();
  std::vector<tScriptCall> calls = Calls();
  ASSERT_EQ(calls.size(), tracks.size());
  cMark *m = marks.First();
  for (size_t i = 0; i < calls.size(); i++, m = marks.Next(marks.Next(m))) {
      std::vector<std::string> fields;
      Tokenize(m->Comment(), fields, "|");
      ASSERT_EQ(fields.size(), 3u) << m->Comment();
      EXPECT_EQ(calls[i].args, (std::vector<std::string>{ fileName, fields[1], fields[0], fields[2] }));
      std::string name = ClipName(cMenuConvert::FormatMark(m->Comment()).c_str(), m->Position());
      EXPECT_TRUE(!name.empty() && name.find('/') == std::string::npos && name[0] != '.') << name;
  }
  EXPECT_EQ(calls[1].args[2], tracks[1].first);
  EXPECT_EQ(calls[1].args[1], tracks[1].second);
  EXPECT_EQ(calls[0].args[2], "Two Lines"); // a line break cannot stay in a mark's line
  EXPECT_FALSE(FileExists(canary));
  EXPECT_FALSE(FileExists("RAN"));
  EXPECT_EQ(ReadFile(MarksPath()), written);
}

// The plug-in's menus driven by a script: a recording of three music videos, its cut
// marks, and one track replayed from the tracks menu with its name on the replay display.
#include <glob.h>

#include "hostprogram.h"

namespace {

const char *Recording =
  "channel S19.2E-1-1092-10100 VimoraMusic\n"
  "event 1 +30 90 Marlow Fenwick - Paper Lanterns (1987)\n"
  "event 1 +120 80 The Quiet Orchards - Salt on the Window (1994)\n"
  "event 1 +200 25 VimoraMusic News\n"
  "event 1 +225 70 Ines Varga - Copper Sky (2003)\n"
  "timer 1 +0 +360 Music Night\n"
  "wait 380\n";

} // namespace

class cHostMenus : public cHostProgram {
protected:
  std::string MarksFile(void)
  {
    glob_t g;
    std::string file;
    if (glob((videoDir + "/Music Night/*.rec/marks").c_str(), 0, NULL, &g) == 0 && g.gl_pathc == 1)
       file = g.gl_pathv[0];
    globfree(&g);
    return file;
  }
};

TEST_F(cHostMenus, GreenMarksTheTracksAndATrackReplaysWithItsName)
{
  tProcessResult r = Script(std::string(Recording) +
    "key Menu\n"
    "expect 1 Vimora\n"
    "key Ok\n"
    "expect 1 Vimora Recordings\n"
    "expect Music Night\n"
    "key Green\n"
    "expect Marks created!\n"
    "key Red\n"
    "expect 3 Songs\n"
    "expect Ines Varga\n"
    "key Down Ok\n"
    "expect-not Songs\n"
    "key Ok\n"
    "expect The Quiet Orchards - Salt on the Window (1994)\n"
    "screen\n"
    "wait 100\n"
    "expect-not Salt on the Window\n"
    "key Blue\n"
    "expect 3 Songs\n"
    "screen\n");
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  // one pair of marks per track, the start mark naming it
  std::vector<std::string> marks = Lines(ReadFile(MarksFile()));
  ASSERT_EQ(marks.size(), 6u) << ReadFile(MarksFile());
  EXPECT_NE(marks[0].find(" Marlow Fenwick|Paper Lanterns|1987"), std::string::npos) << marks[0];
  EXPECT_NE(marks[2].find(" The Quiet Orchards|Salt on the Window|1994"), std::string::npos) << marks[2];
  EXPECT_NE(marks[4].find(" Ines Varga|Copper Sky|2003"), std::string::npos) << marks[4];
  for (int i : { 1, 3, 5 })
      EXPECT_EQ(marks[i].find(' '), std::string::npos) << "an end mark has no comment: " << marks[i];
  // after the replay the tracks menu is back at the track that was played
  size_t last = r.out.rfind("== 3 Songs ==");
  ASSERT_NE(last, std::string::npos) << r.out;
  EXPECT_NE(r.out.find("> >", last), std::string::npos) << r.out;
  EXPECT_NE(r.out.substr(r.out.find("> >", last)).find("Salt on the Window"), std::string::npos) << r.out;
}

TEST_F(cHostMenus, YellowWithoutMarksSaysSoAndDeletingAsksFirst)
{
  tProcessResult r = Script(std::string(Recording) +
    "key Menu Ok\n"
    "key Yellow\n"
    "expect No marks available!\n"
    "key Blue Back\n"
    "expect 1 Vimora Recordings\n"
    "key Blue Ok\n"
    "expect 0 Vimora Recordings\n");
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_TRUE(MarksFile().empty());
  EXPECT_FALSE(FileExists(videoDir + "/Music Night"));
}

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
    if (glob((videoDir + "/Music Night/*.rec/marks.vdr").c_str(), 0, NULL, &g) == 0 && g.gl_pathc == 1)
       file = g.gl_pathv[0];
    globfree(&g);
    return file;
  }
};

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

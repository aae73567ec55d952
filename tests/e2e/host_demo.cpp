// The demo without ffmpeg (the recording gets no media, so it ends after the marks), and
// the folder it refuses to take.
#include <vdr/tools.h>

#include "hostprogram.h"

class cHostDemo : public cTestEnv {
protected:
  tProcessResult Demo(const std::string &Dir, const std::string &Path)
  {
    return RunProcess({ "/usr/bin/env", "PATH=" + Path, VIMORA_BIN_DIR "/vimora-host", "-L", VIMORA_PLUGIN_DIR, "--demo", Dir });
  }
};

TEST_F(cHostDemo, WithoutFfmpegItSaysSoAndStopsAfterTheMarks)
{
  std::string dir = root + "/demo";
  tProcessResult r = Demo(dir, root + "/no-programs-here");
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("ffmpeg is missing"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Create audio and video clips"), std::string::npos) << r.out;
  // twelve music videos catalogued, the blacklisted one skipped, marks for the others
  std::vector<std::string> tracks = Lines(ReadFile(dir + "/config/plugins/vimora/tracks.conf"));
  ASSERT_EQ(tracks.size(), 12u) << r.out;
  int skipped = 0;
  for (const auto &t : tracks)
      skipped += t.find(":1:S19.2E-1-1092-10100") != std::string::npos;
  EXPECT_EQ(skipped, 1);
  EXPECT_NE(r.out.find("skipped   Kestrel Dawn - Glass Harbour (1999)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Marlow Fenwick|Paper Lanterns|1987"), std::string::npos) << r.out;
  EXPECT_TRUE(FileExists(dir + "/demo.script"));
  EXPECT_NE(ReadFile(dir + "/demo.script").find("\nkey Green\n"), std::string::npos);
}

TEST_F(cHostDemo, AFolderOfSomethingElseIsLeftAlone)
{
  std::string dir = root + "/mine";
  ASSERT_TRUE(MakeDirs(dir.c_str(), true));
  ASSERT_TRUE(WriteFile(dir + "/keep.txt", "precious"));
  tProcessResult r = Demo(dir, getenv("PATH"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("is no demo folder"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(dir + "/keep.txt"), "precious");
  EXPECT_FALSE(FileExists(dir + "/config"));
}

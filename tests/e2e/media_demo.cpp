// The demo as `make demo` runs it, into a fresh folder: the whole road from the guide to
// the clips and tagged audio files, made when the recording ends, without a key.
#include <vdr/tools.h>

#include "hostprogram.h"

TEST(MediaDemo, MakesTheCatalogueTheMarksTheClipsAndTheAudioFiles)
{
  char tmpl[] = "/tmp/vimora-demo-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string dir = std::string(tmpl) + "/demo";
  tProcessResult r = RunProcess({ VIMORA_BIN_DIR "/vimora-host", "-L", VIMORA_PLUGIN_DIR, "--demo", dir });
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  for (const char *step : { "[1/6]", "[4/6]", "[5/6] No key", "[6/6]", "Everything the demo should make is there." })
      EXPECT_NE(r.out.find(step), std::string::npos) << step << "\n" << r.out;
  // eleven tracks, the blacklisted one left out
  const char *made[] = {
    "audio/Marlow Fenwick - Paper Lanterns (1987).mp3",
    "audio/Pablo Reyes Trio - Sombra (1968).mp3",
    "clips/Danny Brill & the Lowlights - Back Roads, Slow Trains (1972).ts",
    "clips/Mira Lindqvist - Small Hours (2008).ts",
  };
  for (const char *f : made)
      EXPECT_TRUE(FileExists(dir + "/" + f)) << f;
  EXPECT_FALSE(FileExists(dir + "/audio/Kestrel Dawn - Glass Harbour (1999).mp3"));
  // the summary lists each file with its length and tags
  EXPECT_NE(r.out.find("Paper Lanterns (1987).mp3  1:1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("artist=Marlow Fenwick"), std::string::npos) << r.out;
  // made without a key: each audio file with its cover and its loudness
  EXPECT_EQ(ReadFile(dir + "/demo.script").find("key "), std::string::npos);
  EXPECT_NE(r.out.find("cover 320x180, artist=Marlow Fenwick, title=Paper Lanterns, album=Paper Lanterns, "
                       "album_artist=Marlow Fenwick, genre=Music Video, REPLAYGAIN_TRACK_GAIN="), std::string::npos) << r.out;
  // beside each clip its NFO and thumbnail, and the recording's playlist, in the folders
  // of the plug-in's arguments
  EXPECT_NE(r.out.find("Paper Lanterns (1987).nfo  title=Paper Lanterns, artist=Marlow Fenwick,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Paper Lanterns (1987)-thumb.jpg  320x180"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(",Marlow Fenwick - Paper Lanterns\n    Marlow Fenwick - Paper Lanterns (1987).mp3\n"), std::string::npos) << r.out;
  EXPECT_NE(ReadFile(dir + "/demo.script").find("-P \"vimora -v 2 -a audio -d clips\""), std::string::npos);
  // the guide is off by up to 15 s, the songs begin after a gap, a dip or a fade, and the
  // end of the last track lies before an announcement shorter than the guide's error
  EXPECT_NE(r.out.find("Every mark of the 22 lies within 0.5 s of where its song's sound begins or ends"), std::string::npos) << r.out;
  if (!HasFailure())
     RemoveFileOrDir(tmpl);
}

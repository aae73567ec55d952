// What the library's files are made of: XML that any parser takes whatever the guide
// sent, an NFO without the fields that are not known, playlist names and paths.
#include "library.h"
#include "testenv.h"

TEST(cLibraryText, XmlTakesOnlyWellFormedUtf8AndAllowedCharacters)
{
  EXPECT_EQ(XmlEscaped("Björk & <Sugarcubes> \"'"), "Björk &amp; &lt;Sugarcubes&gt; &quot;&apos;");
  EXPECT_EQ(XmlEscaped("a\tb\x01\x1f" "c\x7f"), "a\tbc\x7f");
  // a byte that begins no character, an overlong '/', a surrogate, a character cut off at
  // the end, one beyond Unicode
  EXPECT_EQ(XmlEscaped("\xff" "x"), "\xEF\xBF\xBD" "x");
  EXPECT_EQ(XmlEscaped("\xc0\xaf"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(XmlEscaped("\xed\xa0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(XmlEscaped("\xe2\x82"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(XmlEscaped("\xf4\x90\x80\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(XmlEscaped("\xf0\x9f\x8e\xb5 \xe2\x82\xac"), "\xf0\x9f\x8e\xb5 \xe2\x82\xac");
}

TEST(cLibraryText, AnNfoLeavesOutWhatIsNotKnown)
{
  tClipInfo info = { "A", "T", "0000", "", 0 };
  EXPECT_EQ(NfoText(info), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<musicvideo>\n"
                           "  <title>T</title>\n  <artist>A</artist>\n  <album>T</album>\n  <genre>Music Video</genre>\n"
                           "</musicvideo>\n");
  EXPECT_EQ(NfoFile("/c/A - T.ts"), "/c/A - T.nfo");
  EXPECT_EQ(ThumbnailFile("/c/A - T (2).ts"), "/c/A - T (2)-thumb.jpg");
}

class cLibraryPlaylist : public cTestEnv {};

// Paths inside the audio folder are relative, others stay whole; nothing in a name can
// begin a line of its own.
TEST_F(cLibraryPlaylist, PathsAreRelativeToTheFolderAndNamesStayOnTheirLine)
{
  std::string error;
  std::vector<tPlaylistEntry> songs = {
    { root + "/A/T.mp3", 95, "A - T", 1 },
    { "/elsewhere/B.ogg", 60, "B - U\n/etc/passwd", 2 },
  };
  ASSERT_TRUE(WritePlaylist(root + "/", "R.m3u", songs, error)) << error;
  EXPECT_EQ(ReadFile(root + "/R.m3u"), "#EXTM3U\n#EXTINF:95,A - T\nA/T.mp3\n#EXTINF:60,B - U /etc/passwd\n/elsewhere/B.ogg\n");
  std::vector<tPlaylistEntry> read = ReadPlaylist(root, "R.m3u");
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].file + "|" + read[0].name + "|" + std::to_string(read[0].seconds), "A/T.mp3|A - T|95");
  EXPECT_FALSE(WritePlaylist(root + "/missing", "R.m3u", songs, error));
  EXPECT_NE(error.find(root + "/missing/R.m3u"), std::string::npos) << error;
  EXPECT_FALSE(WritePlaylist("", "R.m3u", songs, error));
}

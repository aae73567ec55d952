// The library's folders from the plug-in's command line, handed to the scripts and the
// cutter; a folder that cannot be written into is told once; the playlist of each
// converted recording.
#include <sys/stat.h>
#include <vdr/recording.h>

#include "audio_thread.h"
#include "conversion.h"
#include "hostfixtures.h"
#include "menu_convert.h"
#include "menu_recs.h"
#include "pluginlog.h"
#include "tracks.h"
#include "vimora_config.h"

class cLibraryFolders : public cConversionEnv {
protected:
  std::string record; // what the stand-in cutter was given
  void SetUp(void) override
  {
    cConversionEnv::SetUp();
    record = root + "/cuts";
    WriteFile(fileName + "/vimora", MusicChannelID);
  }
  int Count(const std::string &Text)
  {
    loop->Run(60000);
    int n = 0;
    for (const auto &m : Messages())
        n += m == Text;
    return n;
  }
};

TEST_F(cLibraryFolders, TheFoldersOfTheCommandLineReachTheScriptsAndTheCutter)
{
  std::string audio = root + "/library/Music \"$(x)\"", clips = root + "/library/Music videos";
  ASSERT_TRUE(MakeDirs(audio.c_str(), true));
  ASSERT_TRUE(MakeDirs(clips.c_str(), true));
  VimoraConfig.audiodir = audio;
  VimoraConfig.clipdir = clips;
  VimoraConfig.audioname = "%artist%/%title%";
  ASSERT_TRUE(LoadRozerez("--record=" + record));
  AddTrack("A", "T", 1999, 60, 60);
  ASSERT_EQ(WriteCutMarks(Recording()), 1);
  cConvertToAudioThread::Init(Recording(), true);
  RunConversion();
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].audioDir, audio);
  EXPECT_EQ(Calls()[0].audioName, "%artist%/%title%");
  EXPECT_NE(ReadFile(record).find("\nfolder " + clips + "\n--\n"), std::string::npos) << ReadFile(record);
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 2 }));
  // without the options the scripts' environment and rozerez's own folder hold
  VimoraConfig.audiodir.clear();
  VimoraConfig.clipdir.clear();
  AddTrack("B", "U", 2000, 180, 60);
  ASSERT_EQ(WriteCutMarks(Recording()), 1);
  cConvertToAudioThread::Init(Recording(), true);
  RunConversion();
  ASSERT_EQ(Calls().size(), 2u);
  EXPECT_EQ(Calls()[1].audioDir, root + "/audio");
  EXPECT_EQ(ReadFile(record).find("folder", ReadFile(record).find("--\n")), std::string::npos);
}

// A missing folder (perhaps a share that is not mounted) is not made, and one that is
// no folder is no better: one message and one log line with the folder, no script runs,
// nothing is marked converted and the marks stay.
TEST_F(cLibraryFolders, AFolderThatCannotBeWrittenIsToldOnce)
{
  cTestPluginLog log;
  ASSERT_TRUE(log.Open(root + "/vimora.log", 1));
  AddTrack("A", "T", 1999, 60, 60);
  AddTrack("B", "U", 2000, 180, 60);
  ASSERT_EQ(WriteCutMarks(Recording()), 2);
  std::string marks = ReadFile(MarksPath());
  std::string missing = root + "/share/music";
  VimoraConfig.audiodir = missing;
  cConvertToAudioThread::Init(Recording(), false);
  RunConversion();
  EXPECT_TRUE(Calls().empty());
  EXPECT_FALSE(FileExists(missing));
  EXPECT_EQ(Count("error: Cannot write into folder " + missing + ": No such file or directory"), 1);
  EXPECT_EQ(Count("info: Vimora audio conversion finished!"), 0);
  EXPECT_EQ(log.Messages(missing).size(), 1u);
  EXPECT_EQ(TrackStatus(), (std::vector<int>{ 0, 0 }));
  EXPECT_EQ(ReadFile(MarksPath()), marks);

  ASSERT_TRUE(LoadRozerez("--record=" + record));
  std::string file = root + "/a-file";
  WriteFile(file, "");
  VimoraConfig.audiodir.clear();
  VimoraConfig.clipdir = file;
  std::string error;
  EXPECT_FALSE(cMenuConvert::CutClips(Recording(), error));
  EXPECT_EQ(error, "Cannot write into folder " + file + ": Not a directory");
  EXPECT_EQ(log.Messages(file).size(), 1u);
  EXPECT_FALSE(FileExists(record));
  EXPECT_EQ(ReadFile(MarksPath()), marks);
}

// The playlist's lines, "" when there is none.
static std::vector<std::string> PlaylistLines(const std::string &File)
{
  std::string text = ReadFile(File);
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
      lines.push_back(text.substr(at, end - at));
  return lines;
}

// In broadcast order, the songs whose files were made, relative to the audio folder;
// converting again rewrites it with the songs made now and those made before whose files
// are still there.
TEST_F(cLibraryFolders, EachConvertedRecordingGetsItsPlaylist)
{
  AddTrack("A", "T", 1999, 60, 95);
  AddTrack("B", "U", 2000, 180, 60);
  AddTrack("C", "V", 2001, 300, 60);
  ASSERT_EQ(WriteCutMarks(Recording()), 3);
  Fail(1, "exit");
  cConvertToAudioThread::Init(Recording(), false);
  RunConversion();
  std::string playlist = root + "/audio/Music 2026-12-07 20.00.m3u";
  std::vector<std::string> lines = PlaylistLines(playlist);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "#EXTM3U");
  // the marks lie on I-frames inside the guide's times
  EXPECT_TRUE(lines[1] == "#EXTINF:94,A - T" || lines[1] == "#EXTINF:95,A - T") << lines[1];
  EXPECT_EQ(lines[2], "0.mp3");
  EXPECT_TRUE(lines[3] == "#EXTINF:59,C - V" || lines[3] == "#EXTINF:60,C - V") << lines[3];
  EXPECT_EQ(lines[4], "2.mp3");
  ASSERT_EQ(WriteCutMarks(Recording()), 1); // B, the one left
  cConvertToAudioThread::Init(Recording(), false);
  RunConversion();
  lines = PlaylistLines(playlist);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[2] + " " + lines[4] + " " + lines[6], "0.mp3 3.mp3 2.mp3");
  EXPECT_EQ(lines[3].substr(lines[3].find(',')), ",B - U");
  // a file that is gone leaves the playlist
  ASSERT_EQ(unlink((root + "/audio/0.mp3").c_str()), 0);
  WriteFile(MarksPath(), "0:05:00.00 C|V|2001\n0:06:00.00\n");
  cConvertToAudioThread::Init(Recording(), false);
  RunConversion();
  lines = PlaylistLines(playlist);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2] + " " + lines[4], "3.mp3 4.mp3");
  EXPECT_EQ(lines[3], "#EXTINF:60,C - V");
}

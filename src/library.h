// What the plug-in adds to the user's library beside the scripts' audio files and
// rozerez's clips, so that media centres read it without hand work: the folders named on
// the command line, a clip's NFO and thumbnail, a recording's playlist. Every file is
// written under a temporary name and renamed, so it is there whole or not at all, and
// replaced when it is made again.
#ifndef __VIMORA_LIBRARY_H
#define __VIMORA_LIBRARY_H

#include <functional>
#include <string>
#include <time.h>
#include <vector>

class cRecording;

// The text as one word between double quotes for the shell: the characters that stay
// special there are escaped, so that no value can end the word or run a command.
std::string ShellQuoted(const std::string &Text);

// Empty when Folder is a folder this process may write into; else what is wrong with
// it ("No such file or directory" ...). A missing folder is not created: it may be a
// share that is not mounted.
std::string FolderProblem(const std::string &Folder);

// The user's message that Folder cannot be written into, for Why (FolderProblem()).
std::string FolderMessage(const std::string &Folder, const std::string &Why);

// The folder the conversion scripts write into: -a/--audiodir, else VIMORA_AUDIO_DIR of
// the environment, else ~/Music/vimora; as the scripts choose it.
std::string AudioFolder(void);

// The text made fit for XML 1.0: markup characters as entities, characters that XML
// does not allow dropped, bytes that are not UTF-8 as U+FFFD.
std::string XmlEscaped(const std::string &Text);

// One clip's song as its NFO tells it.
struct tClipInfo {
  std::string artist, title, year; // year: empty or "0000" when unknown
  std::string channel;             // the channel's name, may be empty
  time_t aired;                    // when its broadcast began; 0: unknown
};

// The album and genre of every song of the library, in the NFOs as in the audio files'
// tags: each song is a single of its own, so the album is its title and its album
// artist its artist.
const char *const LibraryGenre = "Music Video";

// "<clip without .ts>.nfo" in the format Kodi and Jellyfin read for music videos.
std::string NfoFile(const std::string &ClipFile);
std::string NfoText(const tClipInfo &Info);
bool WriteNfo(const std::string &ClipFile, const tClipInfo &Info, std::string &Error);

// "<clip without .ts>-thumb.jpg": the still of the audio file's cover, the picture of the
// I-frame at or before the middle of the pair of marks (frames Start, End) of Recording,
// at most 600 pixels wide; ClipFile begins at the start mark's I-frame. Made by ffmpeg.
std::string ThumbnailFile(const std::string &ClipFile);
bool WriteThumbnail(const cRecording *Recording, int Start, int End, const std::string &ClipFile, std::string &Error);

// A song of a recording's playlist.
struct tPlaylistEntry {
  std::string file; // the audio file, relative to the playlist or absolute
  int seconds;
  std::string name; // "<artist> - <title>"
  time_t aired;     // when it was broadcast; 0: unknown
};

// "<recording name> <YYYY-MM-DD HH.MM>.m3u": the recording's start makes the name its
// own when a timer records the same programme every week.
std::string PlaylistName(const cRecording *Recording);
// The entries of the playlist Name in Folder, as they stand (none when there is none);
// aired is 0.
std::vector<tPlaylistEntry> ReadPlaylist(const std::string &Folder, const std::string &Name);
// The songs of a playlist converted again: New, and those of Old whose files are still
// there and that New does not make again (by file or name); in broadcast order by Aired (of an entry's name; 0 when it is
// not known), the unknown ones last in their order.
std::vector<tPlaylistEntry> MergedPlaylist(const std::string &Folder, std::vector<tPlaylistEntry> New, const std::vector<tPlaylistEntry> &Old,
                                           const std::function<time_t(const std::string &Name)> &Aired);
// Writes the playlist Name in Folder: "#EXTM3U", then "#EXTINF:<seconds>,<name>" and the
// file's path (relative to Folder when it lies inside it) per entry, in their order.
bool WritePlaylist(const std::string &Folder, const std::string &Name, const std::vector<tPlaylistEntry> &Entries, std::string &Error);

#endif

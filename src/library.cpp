#include "library.h"

#include <algorithm>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/i18n.h>
#include <vdr/recording.h>
#include <vdr/tools.h>

#include "compat.h"
#include "frame_rate.h"
#include "vimora_config.h"

std::string ShellQuoted(const std::string &Text)
{
  std::string quoted = "\"";
  for (char c : Text) {
      if (c == '"' || c == '$' || c == '`' || c == '\\')
         quoted += '\\';
      quoted += c;
  }
  return quoted + "\"";
}

std::string FolderProblem(const std::string &Folder)
{
  struct stat st;
  if (Folder.empty())
     return strerror(ENOENT);
  if (stat(Folder.c_str(), &st) != 0)
     return strerror(errno);
  if (!S_ISDIR(st.st_mode))
     return strerror(ENOTDIR);
  if (access(Folder.c_str(), W_OK | X_OK) != 0)
     return strerror(errno);
  return "";
}

std::string FolderMessage(const std::string &Folder, const std::string &Why)
{
  return *cString::sprintf(tr("Cannot write into folder %s: %s"), Folder.c_str(), Why.c_str());
}

std::string AudioFolder(void)
{
  if (!VimoraConfig.audiodir.empty())
     return VimoraConfig.audiodir;
  const char *dir = getenv("VIMORA_AUDIO_DIR");
  if (dir && *dir)
     return dir;
  const char *home = getenv("HOME");
  return home && *home ? std::string(home) + "/Music/vimora" : "";
}

// The length of the UTF-8 character at Text[i], 0 when no valid one begins there.
static size_t Utf8Length(const std::string &Text, size_t i)
{
  unsigned char c = Text[i];
  size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
  if (n == 0 || i + n > Text.size())
     return 0;
  unsigned int code = n == 1 ? c : c & (0x7F >> n);
  for (size_t k = 1; k < n; k++) {
      unsigned char b = Text[i + k];
      if ((b & 0xC0) != 0x80)
         return 0;
      code = code << 6 | (b & 0x3F);
  }
  // overlong forms, surrogates and what lies beyond Unicode are no characters
  static const unsigned int least[] = { 0, 0, 0x80, 0x800, 0x10000 };
  if (code < least[n] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
     return 0;
  return n;
}

std::string XmlEscaped(const std::string &Text)
{
  std::string xml;
  for (size_t i = 0; i < Text.size();) {
      size_t n = Utf8Length(Text, i);
      if (n == 0) {
         xml += "\xEF\xBF\xBD";
         i++;
         continue;
      }
      unsigned char c = Text[i];
      switch (c) {
        case '&': xml += "&amp;"; break;
        case '<': xml += "&lt;"; break;
        case '>': xml += "&gt;"; break;
        case '"': xml += "&quot;"; break;
        case '\'': xml += "&apos;"; break;
        default:
          if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r')
             xml.append(Text, i, n);
      }
      i += n;
  }
  return xml;
}

// The clip's name without its ".ts".
static std::string ClipBase(const std::string &ClipFile)
{
  size_t n = ClipFile.size();
  return n > 3 && ClipFile.compare(n - 3, 3, ".ts") == 0 ? ClipFile.substr(0, n - 3) : ClipFile;
}

std::string NfoFile(const std::string &ClipFile)
{
  return ClipBase(ClipFile) + ".nfo";
}

std::string ThumbnailFile(const std::string &ClipFile)
{
  return ClipBase(ClipFile) + "-thumb.jpg";
}

static bool KnownYear(const std::string &Year)
{
  return Year.find_first_not_of(" 0") != std::string::npos;
}

std::string NfoText(const tClipInfo &Info)
{
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<musicvideo>\n";
  auto element = [&xml](const char *Name, const std::string &Value) {
    if (!Value.empty())
       xml += std::string("  <") + Name + ">" + XmlEscaped(Value) + "</" + Name + ">\n";
  };
  element("title", Info.title);
  element("artist", Info.artist);
  element("album", Info.title);
  element("genre", LibraryGenre);
  if (KnownYear(Info.year))
     element("year", Info.year);
  element("studio", Info.channel);
  if (Info.aired) {
     struct tm tm;
     char date[16];
     if (localtime_r(&Info.aired, &tm) && strftime(date, sizeof(date), "%Y-%m-%d", &tm))
        element("aired", date);
  }
  return xml + "</musicvideo>\n";
}

// Writes Text as File through a temporary file beside it.
static bool WriteWhole(const std::string &File, const std::string &Text, std::string &Error)
{
  cSafeFile f(File.c_str());
  if (f.Open() && fwrite(Text.data(), 1, Text.size(), f) == Text.size() && f.Close())
     return true;
  Error = *cString::sprintf("cannot write %s: %s", File.c_str(), strerror(errno));
  return false;
}

bool WriteNfo(const std::string &ClipFile, const tClipInfo &Info, std::string &Error)
{
  return WriteWhole(NfoFile(ClipFile), NfoText(Info), Error);
}

// The I-frame at or before Frame, or Frame when there is none.
static int IFrameAtOrBefore(cIndexFile &Index, int Frame)
{
  uint16_t number;
  off_t offset;
  bool independent = false;
  if (Index.Get(Frame, &number, &offset, &independent) && independent)
     return Frame;
  int before = Index.GetNextIFrame(Frame, false);
  return before >= 0 ? before : Frame;
}

bool WriteThumbnail(const cRecording *Recording, int Start, int End, const std::string &ClipFile, std::string &Error)
{
  cIndexFile index(Recording->FileName(), false, Recording->IsPesRecording());
  cFrameRate rate(Recording);
  int first = IFrameAtOrBefore(index, Start);
  int cover = IFrameAtOrBefore(index, (Start + End) / 2);
  // Seconds from the clip's first picture to the cover's I-frame; half a frame less, so
  // that the rounding of the time stamps cannot pass it by.
  double at = rate.Seconds(cover - first) - rate.Seconds(0.5);
  std::string thumbnail = ThumbnailFile(ClipFile);
  std::string temp = thumbnail.substr(0, thumbnail.rfind('/') + 1) + ".vimora-thumb-XXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0) {
     Error = *cString::sprintf("cannot write beside %s: %s", ClipFile.c_str(), strerror(errno));
     return false;
  }
  close(fd);
  std::string command = *cString::sprintf("ffmpeg -nostdin -hide_banner -loglevel error -y -i %s -map 0:v:0 -frames:v 1 "
                                          "-vf \"setpts=PTS-STARTPTS,select='gte(t,%.3f)',scale='min(600,iw)':-2\" -f mjpeg %s </dev/null",
                                          ShellQuoted("file:" + ClipFile).c_str(), at < 0 ? 0 : at, ShellQuoted("file:" + temp).c_str());
  int status = CommandExitCode(SystemExec(command.c_str()));
  struct stat st;
  bool made = status == 0 && stat(temp.c_str(), &st) == 0 && st.st_size > 0;
  if (made && chmod(temp.c_str(), 0644) == 0 && rename(temp.c_str(), thumbnail.c_str()) == 0)
     return true;
  if (made)
     Error = *cString::sprintf("cannot store the thumbnail %s: %s", thumbnail.c_str(), strerror(errno));
  else
     Error = *cString::sprintf("ffmpeg made no thumbnail %s of the clip (exit status %d)", thumbnail.c_str(), status);
  unlink(temp.c_str());
  return false;
}

// One part of a file name, as the scripts make it: no '/', no control characters, no
// leading dot that would hide it.
static std::string NamePart(const std::string &Text)
{
  std::string name = Text;
  for (char &c : name) {
      if (c == '/')
         c = '_';
      else if ((unsigned char)c < ' ' || c == 0x7F)
         c = ' ';
  }
  for (size_t i = 0; i < name.size() && name[i] == '.'; i++)
      name[i] = '_';
  return name;
}

std::string PlaylistName(const cRecording *Recording)
{
  // the recorder's folders of recordings are parts of its name, separated by '~'
  std::string name = Recording->Name();
  for (char &c : name)
      if (c == '~')
         c = ' ';
  char start[32] = "";
  struct tm tm;
  time_t t = Recording->Start();
  if (localtime_r(&t, &tm))
     strftime(start, sizeof(start), " %Y-%m-%d %H.%M", &tm);
  return NamePart(name + start) + ".m3u";
}

// The folder with one '/' at its end.
static std::string Inside(const std::string &Folder)
{
  std::string inside = Folder;
  while (inside.size() > 1 && inside.back() == '/')
    inside.pop_back();
  return inside + '/';
}

std::vector<tPlaylistEntry> ReadPlaylist(const std::string &Folder, const std::string &Name)
{
  std::vector<tPlaylistEntry> entries;
  FILE *f = fopen((Inside(Folder) + Name).c_str(), "r");
  if (!f)
     return entries;
  cReadLine reader;
  tPlaylistEntry entry = { "", -1, "", 0 };
  while (char *line = reader.Read(f)) {
    std::string l = line;
    if (l.compare(0, 8, "#EXTINF:") == 0) {
       size_t comma = l.find(',');
       entry.seconds = atoi(l.c_str() + 8);
       entry.name = comma == std::string::npos ? "" : l.substr(comma + 1);
    }
    else if (!l.empty() && l[0] != '#') {
       entry.file = l;
       entries.push_back(entry);
       entry = { "", -1, "", 0 };
    }
  }
  fclose(f);
  return entries;
}

std::vector<tPlaylistEntry> MergedPlaylist(const std::string &Folder, std::vector<tPlaylistEntry> New, const std::vector<tPlaylistEntry> &Old,
                                           const std::function<time_t(const std::string &Name)> &Aired)
{
  std::string inside = Inside(Folder);
  auto path = [&inside](const std::string &File) { return File.compare(0, inside.size(), inside) == 0 ? File.substr(inside.size()) : File; };
  std::vector<tPlaylistEntry> merged = New;
  for (const tPlaylistEntry &o : Old) {
      bool again = false;
      for (const tPlaylistEntry &n : New)
          again = again || path(n.file) == path(o.file) || n.name == o.name;
      if (again || access((o.file[0] == '/' ? o.file : inside + o.file).c_str(), F_OK) != 0)
         continue;
      merged.push_back(o);
      merged.back().aired = Aired(o.name);
  }
  std::stable_sort(merged.begin(), merged.end(), [](const tPlaylistEntry &a, const tPlaylistEntry &b) {
    return a.aired && (!b.aired || a.aired < b.aired);
  });
  return merged;
}

bool WritePlaylist(const std::string &Folder, const std::string &Name, const std::vector<tPlaylistEntry> &Entries, std::string &Error)
{
  if (Folder.empty()) {
     Error = "no audio folder for the playlist " + Name;
     return false;
  }
  std::string inside = Inside(Folder);
  std::string text = "#EXTM3U\n";
  for (const tPlaylistEntry &e : Entries) {
      std::string line = e.name, path = e.file;
      if (path.compare(0, inside.size(), inside) == 0)
         path.erase(0, inside.size());
      // a line break would make the rest of the line an entry of its own
      for (std::string *s : { &line, &path })
          for (char &c : *s)
              if ((unsigned char)c < ' ' || c == 0x7F)
                 c = ' ';
      text += *cString::sprintf("#EXTINF:%d,%s\n%s\n", e.seconds, line.c_str(), path.c_str());
  }
  return WriteWhole(inside + Name, text, Error);
}

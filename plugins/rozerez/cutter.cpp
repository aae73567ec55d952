#include "cutter.h"

#include <algorithm>
#include <fcntl.h>
#include <limits>
#include <set>
#include <stdarg.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vdr/recording.h>

static const size_t TsSize = TsPacketSize;
static const uint8_t TsSync = 0x47;
// The recorder may put its tables before an I-frame's picture.
static const int MaxPacketsBeforePicture = 16;
// Far more than any encoder puts between an I-frame and the pictures shown before it.
static const int MaxLeadingPictures = 64;
// How far before the recorder's tables an I-frame's PES packet may begin: its parameter
// sets and messages fill a few kilobytes.
static const int MaxPacketsIntoPicture = 256;
// Room for " (n)", ".ts" and more within the 255 bytes a file name may have.
static const size_t MaxNameBytes = 200;
static const size_t CopyBufferSize = 1 << 20;

std::string ClipName(const char *Comment, int Position, double FramesPerSecond)
{
  std::string name = Comment ? Comment : "";
  for (char &c : name) {
      if (c == '/')
         c = '_';
      else if ((unsigned char)c < ' ' || c == 0x7F)
         c = ' ';
  }
  size_t first = name.find_first_not_of(' ');
  name = first == std::string::npos ? "" : name.substr(first, name.find_last_not_of(' ') - first + 1);
  if (name.empty()) {
     name = std::string("Clip at ") + *IndexToHMSF(Position, true, FramesPerSecond);
     std::replace(name.begin(), name.end(), ':', '.');
  }
  for (size_t i = 0; i < name.size() && name[i] == '.'; i++)
      name[i] = '_';
  if (name.size() > MaxNameBytes) {
     // not inside a UTF-8 character, which has at most three bytes after its first; a
     // longer run of such bytes is no character, and cutting it anywhere keeps a name
     size_t n = MaxNameBytes;
     while (n > MaxNameBytes - 3 && (name[n] & 0xC0) == 0x80)
       n--;
     name.resize(n);
  }
  return name;
}

std::string DefaultClipFolder(const char *RecordingFileName)
{
  std::string dir = RecordingFileName ? RecordingFileName : "";
  while (dir.size() > 1 && dir.back() == '/')
    dir.pop_back();
  size_t slash = dir.rfind('/');
  if (slash == std::string::npos)
     return "clips";
  return dir.substr(0, slash) + "/clips";
}

cClipCutter::cClipCutter(const char *RecordingFileName, const std::string &Folder)
{
  recording = RecordingFileName ? RecordingFileName : "";
  folder = Folder.empty() ? DefaultClipFolder(recording.c_str()) : Folder;
  clips = 0;
  // A recording made by a recorder before 1.7 names its files index.vdr, marks.vdr and
  // 001.ts; every later one index, marks and 00001.ts.
  isPesRecording = access(AddDirectory(recording.c_str(), "index"), F_OK) != 0 && access(AddDirectory(recording.c_str(), "index.vdr"), F_OK) == 0;
}

bool cClipCutter::Fail(const char *Format, ...)
{
  va_list ap;
  va_start(ap, Format);
  char *text = NULL;
  if (vasprintf(&text, Format, ap) >= 0) {
     error = text;
     free(text);
  }
  else
     error = "rozerez: out of memory";
  va_end(ap);
  return false;
}

std::string cClipCutter::MediaFile(int FileNumber) const
{
  return *cString::sprintf(isPesRecording ? "%s/%03d.ts" : "%s/%05d.ts", recording.c_str(), FileNumber);
}

bool cClipCutter::Cut(void)
{
  std::vector<tClip> plan;
  if (!Plan(plan))
     return false;
  for (const tClip &c : plan) {
      if (!CheckMedia(c))
         return false;
  }
  struct stat st;
  if (!MakeDirs(folder.c_str(), true) || stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
     return Fail("rozerez: cannot create the clip folder %s", folder.c_str());
  for (const tClip &c : plan) {
      if (!Write(c))
         return false;
      clips++;
      files.push_back(Target(c));
  }
  return true;
}

// Where each clip begins and ends, from the marks and the index.
bool cClipCutter::Plan(std::vector<tClip> &Clips)
{
  const char *rec = recording.c_str();
  struct stat st;
  if (recording.empty())
     return Fail("rozerez: no recording given");
  if (stat(rec, &st) != 0 || !S_ISDIR(st.st_mode))
     return Fail("rozerez: recording %s not found", rec);
  // The recorder writes the marks at the rate it reads from the recording's info, and
  // passes on whatever number the info holds: one no time is counted in means its default.
  double framesPerSecond = cRecording(rec).FramesPerSecond();
  if (!(framesPerSecond > 0 && framesPerSecond <= 1000))
     framesPerSecond = DEFAULTFRAMESPERSECOND;
  cMarks marks;
  if (!marks.Load(rec, framesPerSecond, isPesRecording))
     return Fail("rozerez: cannot read the marks of %s", rec);
  if (marks.Count() < 2)
     return Fail("rozerez: %s has no pair of marks", rec);
  cIndexFile index(rec, false, isPesRecording);
  int last = index.Last();
  if (last < 0)
     return Fail("rozerez: %s has no frame index", rec);
  std::set<std::string> names;
  for (const cMark *m = marks.First(); m && marks.Next(m); m = marks.Next(marks.Next(m))) {
      const cMark *end = marks.Next(m);
      cString at = IndexToHMSF(m->Position(), true, framesPerSecond);
      if (m->Position() > last)
         return Fail("rozerez: the mark at %s lies beyond the end of %s", *at, rec);
      if (end->Position() <= m->Position())
         return Fail("rozerez: the pair of marks at %s in %s is empty", *at, rec);
      uint16_t number;
      off_t offset;
      bool independent = false;
      int first = m->Position();
      index.Get(first, &number, &offset, &independent);
      if (!independent && (first = index.GetNextIFrame(m->Position(), false, &number, &offset)) < 0)
         return Fail("rozerez: no I-frame at or before the mark at %s in %s", *at, rec);
      tClip clip;
      clip.from = { number, offset };
      if (end->Position() <= last) {
         index.Get(end->Position(), &number, &offset);
         clip.to = { number, offset };
      }
      else {
         index.Get(last, &number, &offset);
         clip.to = { number, -1 };
      }
      FindLeading(index, first, std::min(end->Position(), last + 1), clip);
      std::string base = ClipName(m->Comment(), m->Position(), framesPerSecond);
      clip.name = base;
      for (int n = 2; !names.insert(clip.name).second; n++)
          clip.name = base + " (" + std::to_string(n) + ")";
      Clips.push_back(clip);
  }
  return true;
}

bool cClipCutter::PesAt(int FileNumber, off_t Offset, tPesStart &Start) const
{
  cFile media;
  if (!media.Open(MediaFile(FileNumber).c_str(), O_RDONLY))
     return false;
  uint8_t packets[MaxPacketsBeforePicture * TsSize];
  ssize_t n = pread(media, packets, sizeof(packets), Offset);
  for (ssize_t i = 0; i + ssize_t(TsSize) <= n; i += TsSize)
      if (PesStartOf(packets + i, Start) && Start.video)
         return true;
  return false;
}

// Whether Packet carries the start of a PAT or PMT section.
static bool StartsTable(const uint8_t *Packet)
{
  if (Packet[0] != 0x47 || !(Packet[1] & 0x40) || !(Packet[3] & 0x10))
     return false;
  size_t p = 4 + ((Packet[3] & 0x20) ? 1 + Packet[4] : 0);
  if (p >= TsSize || p + 1 + Packet[p] >= TsSize)
     return false;
  uint8_t table = Packet[p + 1 + Packet[p]];
  return table == 0x00 || table == 0x02;
}

bool cClipCutter::FindStart(tClip &Clip, tPesStart &IFrame) const
{
  cFile media;
  if (!media.Open(MediaFile(Clip.from.fileNumber).c_str(), O_RDONLY))
     return false;
  off_t index = Clip.from.offset - Clip.from.offset % TsSize;
  off_t begin = std::max(off_t(0), index - off_t(MaxPacketsIntoPicture * TsSize));
  std::vector<uint8_t> window((index - begin) + MaxPacketsIntoPicture * TsSize);
  ssize_t n = pread(media, window.data(), window.size(), begin);
  if (n < ssize_t(index - begin + TsSize))
     return false;
  size_t at = size_t(index - begin), end = size_t(n) - size_t(n) % TsSize;
  // The video is the stream of the nearest picture begun before the index's place (the
  // I-frame's own, or the one before it), else of the first one after it.
  tPesStart picture;
  int pid = -1;
  for (size_t p = at; pid < 0 && p >= TsSize;) {
      p -= TsSize;
      if (PesStartOf(&window[p], picture) && picture.video)
         pid = picture.pid;
  }
  for (size_t p = at; pid < 0 && p < end; p += TsSize)
      if (PesStartOf(&window[p], picture) && picture.video)
         pid = picture.pid;
  if (pid < 0)
     return false;
  size_t own = at; // the video's first packet from the index's place on
  while (own < end && TsPid(&window[own]) != pid)
        own += TsSize;
  if (own >= end)
     return false;
  if (PesStartOf(&window[own], IFrame))
     return IFrame.video && IFrame.hasPts;
  // The recorder put its tables inside the picture's PES packet: the clip begins where that
  // packet does, with the tables in front of it.
  for (size_t p = at; p < own; p += TsSize)
      if (StartsTable(&window[p]))
         Clip.tables.append(reinterpret_cast<const char *>(&window[p]), TsSize);
  for (size_t p = at; p >= TsSize;) {
      p -= TsSize;
      if (TsPid(&window[p]) == pid && PesStartOf(&window[p], IFrame)) {
         Clip.from.offset = begin + off_t(p);
         return IFrame.video && IFrame.hasPts;
      }
  }
  return false;
}

void cClipCutter::FindLeading(cIndexFile &Index, int First, int End, tClip &Clip) const
{
  Clip.videoPid = -1;
  tPesStart iFrame;
  if (!FindStart(Clip, iFrame)) {
     Clip.tables.clear();
     return; // not a stream we know: copied as it is
  }
  Clip.videoPid = iFrame.pid;
  uint16_t number, nextNumber;
  off_t offset, nextOffset;
  bool independent = false;
  for (int f = First + 1; f < End && f <= First + MaxLeadingPictures; f++) {
      if (!Index.Get(f, &number, &offset, &independent) || independent)
         break;
      tPesStart picture;
      if (!PesAt(number, offset, picture) || picture.pid != iFrame.pid || !picture.hasPts)
         break;
      if (!ShownBefore(picture.pts, iFrame.pts))
         continue;
      off_t to = Index.Get(f + 1, &nextNumber, &nextOffset) && nextNumber == number ? nextOffset : std::numeric_limits<off_t>::max();
      Clip.leading.push_back({ number, offset, to });
  }
}

bool cClipCutter::CheckMedia(const tClip &Clip)
{
  const char *rec = recording.c_str();
  for (int f = Clip.from.fileNumber; f <= Clip.to.fileNumber; f++) {
      struct stat st;
      if (stat(MediaFile(f).c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
         return Fail("rozerez: no media in %s", rec);
      if (f == Clip.to.fileNumber && Clip.to.offset > st.st_size)
         return Fail("rozerez: the media of %s is shorter than its index", rec);
  }
  bool inOrder = Clip.from.fileNumber < Clip.to.fileNumber ||
                 (Clip.from.fileNumber == Clip.to.fileNumber && (Clip.to.offset < 0 || Clip.from.offset < Clip.to.offset));
  uint8_t sync = 0;
  cFile f;
  if (!inOrder || !f.Open(MediaFile(Clip.from.fileNumber).c_str(), O_RDONLY) || pread(f, &sync, 1, Clip.from.offset) != 1 || sync != TsSync)
     return Fail("rozerez: the media of %s does not match its index", rec);
  return true;
}

std::string cClipCutter::Target(const tClip &Clip) const
{
  return folder + "/" + Clip.name + ".ts";
}

// Into a hidden temporary file first, so that a clip is there whole or not at all.
bool cClipCutter::Write(const tClip &Clip)
{
  std::string target = Target(Clip);
  std::string temp = folder + "/.rozerez-XXXXXX";
  int fd = mkostemp(&temp[0], O_CLOEXEC);
  if (fd < 0)
     return Fail("rozerez: cannot write into the clip folder %s: %m", folder.c_str());
  bool ok = Copy(fd, Clip) && fchmod(fd, 0644) == 0;
  ok = close(fd) == 0 && ok;
  if (ok && rename(temp.c_str(), target.c_str()) == 0)
     return true;
  int e = errno;
  unlink(temp.c_str());
  errno = e;
  return error.empty() ? Fail("rozerez: cannot write the clip %s: %m", target.c_str()) : false;
}

bool cClipCutter::Copy(int To, const tClip &Clip)
{
  std::vector<uint8_t> buffer(CopyBufferSize);
  cClipStream stream(Clip.videoPid, Clip.leading);
  if (!Clip.tables.empty() && safe_write(To, Clip.tables.data(), Clip.tables.size()) != ssize_t(Clip.tables.size()))
     return false;
  for (int number = Clip.from.fileNumber; number <= Clip.to.fileNumber; number++) {
      cFile media;
      struct stat st;
      if (!media.Open(MediaFile(number).c_str(), O_RDONLY) || fstat(media, &st) != 0)
         return Fail("rozerez: cannot read the media of %s: %m", recording.c_str());
      off_t begin = number == Clip.from.fileNumber ? Clip.from.offset : 0;
      off_t end = number == Clip.to.fileNumber && Clip.to.offset >= 0 ? Clip.to.offset : st.st_size;
      // whole packets only, even where an index or a cut-off file says otherwise
      begin -= begin % TsSize;
      end -= end % TsSize;
      while (begin < end) {
        ssize_t n = pread(media, buffer.data(), size_t(std::min(off_t(buffer.size()), end - begin)), begin);
        if (n < 0 && errno == EINTR)
           continue;
        if (n <= 0) {
           if (n == 0)
              errno = EIO; // the media became shorter while it was read
           return Fail("rozerez: cannot read the media of %s: %m", recording.c_str());
        }
        // a read that ends inside a packet leaves that packet for the next one
        ssize_t whole = n - n % TsSize;
        if (whole == 0)
           whole = n;
        ssize_t keep = ssize_t(stream.Filter(number, begin, buffer.data(), size_t(whole)));
        if (safe_write(To, buffer.data(), keep) != keep)
           return false;
        begin += whole;
      }
  }
  return true;
}

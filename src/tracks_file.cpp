#include "tracks_file.h"

#include <algorithm>
#include <atomic>
#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include "compat.h"
#include "log.h"
#include "tracks.h"

cTracksWriter::cTracksWriter(cTracks &Tracks)
: cThread("vimora: tracks.conf writer"), tracks(Tracks), stopping(false)
{
}

cTracksWriter::~cTracksWriter()
{
  Stop();
}

void cTracksWriter::Stop(void)
{
  stopping = true;
  Wake();
  Cancel(10);
}

void cTracksWriter::Action(void)
{
  SetPriority(19);
  while (Running() && !stopping) {
        long long delay;
        {
          cTracksLock lock(tracks);
          delay = tracks.Delay();
        }
        if (delay == 0)
           tracks.WritePending(false);
        else
           wake.Wait(delay < 0 ? 0 : int(std::min(delay, 60000LL)));
        }
}

// --- the catalogue's writing -------------------------------------------------

cTracks::~cTracks()
{
  StopWriter();
}

void cTracks::WakeWriter(void)
{
  writer->Wake();
}

void cTracks::StartWriter(void)
{
  cTracksLock lock(*this);
  if (writer)
     return;
  writer = new cTracksWriter(*this);
  writer->Start();
}

void cTracks::StopWriter(void)
{
  cTracksWriter *stopping;
  {
    cTracksLock lock(*this);
    stopping = writer;
  }
  if (!stopping)
     return;
  stopping->Stop();
  Flush();
  cTracksLock lock(*this);
  writer = NULL;
  delete stopping;
}

bool cTracks::Flush(void)
{
  return WritePending(true);
}

long long cTracks::Delay(void) const
{
  if (!rewrite && appends.empty() && patches.empty())
     return -1;
  long long due = pendingSince + cTracksWriter::BatchMs;
  if (rewrite)
     due = std::max(due, lastRewrite + cTracksWriter::RewriteMs);
  return std::max(due - VimoraNowMs(), 0LL);
}

bool cTracks::WritePending(bool Now)
{
  cMutexLock write(&writeMutex);
  std::string name, lines;
  std::vector<tPatch> edits;
  unsigned replaced;
  {
    cTracksLock lock(*this);
    long long delay = Delay();
    if (delay < 0 || (delay > 0 && !Now))
       return true;
    if (fileName.empty()) {
       // a list never loaded has no file: the changes stay in memory only
       appends.clear();
       rewrite = false;
       pendingSince = 0;
       return false;
    }
    name = fileName;
    replaced = generation;
    bool whole = rewrite;
    if (rewrite) {
       rewrite = false;
       patches.clear(); // the lines are taken as they are now
       lastRewrite = VimoraNowMs();
    }
    else {
       for (const cTrack *t : appends) {
           t->fileOffset = fileSize + (long long)lines.size();
           t->AppendLine(lines);
       }
       appends.clear();
       fileSize += (long long)lines.size(); // a failed append has the file written whole
       std::sort(patches.begin(), patches.end());
       patches.erase(std::unique(patches.begin(), patches.end()), patches.end());
       for (const cTrack *t : patches) {
           edits.push_back({ t->fileOffset, std::string() });
           t->AppendLine(edits.back().line);
       }
       patches.clear();
    }
    pendingSince = 0;
    if (!whole && lines.empty() && edits.empty())
       return true;
  }
  bool written;
  if (lines.empty() && edits.empty())
     written = Rewrite(name, replaced);
  else {
     written = lines.empty() || Append(name, lines);
     int overwritten = written && !edits.empty() ? Overwrite(name, edits) : 1;
     if (overwritten == 0) {
        // not a fault: a line written in a shorter form (six fields), or the file edited
        LogFile.iSysLog("%s holds a changed track's line other than the plug-in wrote it: the file is written whole", name.c_str());
        {
          cTracksLock lock(*this);
          lastRewrite = VimoraNowMs();
        }
        written = Rewrite(name, replaced);
     }
     else if (overwritten < 0)
        written = false;
  }
  if (!written) {
     // The whole file then, also over a line that was cut off.
     cTracksLock lock(*this);
     if (generation == replaced) {
        rewrite = true;
        if (!pendingSince)
           pendingSince = VimoraNowMs();
        if (writer) // it may have found nothing to do meanwhile, and sleep until told
           WakeWriter();
     }
  }
  return written;
}

bool cTracks::Append(const std::string &FileName, const std::string &Lines)
{
  int fd = open(FileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  bool written = fd >= 0;
  for (size_t done = 0; written && done < Lines.size();) {
      ssize_t n = write(fd, Lines.data() + done, Lines.size() - done);
      written = n > 0;
      done += written ? size_t(n) : 0;
  }
  if (fd >= 0 && close(fd) < 0)
     written = false;
  if (!written) {
     LOG_ERROR_STR(FileName.c_str());
     LogFile.eSysLog("could not add to %s", FileName.c_str());
  }
  return written;
}

// In blocks of lines taken under the Tracks lock and written without it. A track added
// meanwhile is at the end, and is written with the last block; a status changed in a
// block already written makes the file due again.
bool cTracks::Rewrite(const std::string &FileName, unsigned Generation)
{
  dsyslog("Saving configfile %s", FileName.c_str());
  cSafeFile f(FileName.c_str());
  bool written = f.Open();
  std::string block;
  const cTrack *last = NULL;
  long long bytes = 0;
  for (bool done = false; written && !done;) {
      block.clear();
      {
        cTracksLock lock(*this);
        if (generation != Generation)
           return true; // the list was replaced, and what was due with it
        const cTrack *from = last ? Next(last) : First();
        const cTrack *t = AppendLines(from, block, bytes);
        last = t ? Prev(t) : Last();
        if (!t) {
           appends.clear();
           done = true;
        }
      }
      written = fwrite(block.data(), 1, block.size(), f) == block.size();
      bytes += (long long)block.size();
  }
  written = written && f.Close();
  if (!written)
     LogFile.eSysLog("could not write %s", FileName.c_str());
  else {
     cTracksLock lock(*this);
     if (generation == Generation)
        fileSize = bytes;
  }
  return written;
}

// Where the status field of a line begins and ends: after the fifth ':' and before the
// sixth (the texts before it hold none, written as '|').
static bool StatusField(const char *Line, size_t Length, size_t &Begin, size_t &End)
{
  int colons = 0;
  for (size_t i = 0; i < Length; i++) {
      if (Line[i] != ':')
         continue;
      if (++colons == 5)
         Begin = i + 1;
      else if (colons == 6) {
         End = i;
         return true;
      }
  }
  return false;
}

// Whether Old, read from the file, is the line New of the same track with another status:
// the same bytes but for the status, a number of the same width.
static bool SameTrack(const char *Old, const std::string &New)
{
  size_t begin = 0, end = 0;
  if (!StatusField(New.data(), New.size(), begin, end))
     return false;
  for (size_t i = begin; i < end; i++)
      if (!isdigit((unsigned char)Old[i]))
         return false;
  return memcmp(Old, New.data(), begin) == 0 && memcmp(Old + end, New.data() + end, New.size() - end) == 0;
}

int cTracks::Overwrite(const std::string &FileName, const std::vector<tPatch> &Patches)
{
  int fd = open(FileName.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
     if (errno == ENOENT)
        return 0;
     LOG_ERROR_STR(FileName.c_str());
     return -1;
  }
  int result = 1;
  std::string old;
  for (const tPatch &p : Patches) {
      // the byte before the line too: a line begins after a line feed
      long long from = p.offset > 0 ? p.offset - 1 : 0;
      size_t want = p.line.size() + size_t(p.offset - from);
      old.resize(want);
      ssize_t n = pread(fd, &old[0], want, from);
      if (n < 0) {
         LOG_ERROR_STR(FileName.c_str());
         result = -1;
         break;
      }
      if (size_t(n) != want || (p.offset > 0 && old[0] != '\n') || !SameTrack(old.data() + (p.offset - from), p.line)) {
         result = 0;
         break;
      }
      if (pwrite(fd, p.line.data(), p.line.size(), p.offset) != ssize_t(p.line.size())) {
         LOG_ERROR_STR(FileName.c_str());
         result = -1;
         break;
      }
  }
  if (close(fd) < 0 && result > 0) {
     LOG_ERROR_STR(FileName.c_str());
     result = -1;
  }
  if (result < 0)
     LogFile.eSysLog("could not write %s", FileName.c_str());
  return result;
}

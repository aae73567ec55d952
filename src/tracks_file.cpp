#include "tracks_file.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
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
  if (!rewrite && appends.empty())
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
    if (rewrite) {
       rewrite = false;
       lastRewrite = VimoraNowMs();
    }
    else {
       for (const cTrack *t : appends)
           t->AppendLine(lines);
       appends.clear();
    }
    pendingSince = 0;
  }
  bool written = lines.empty() ? Rewrite(name, replaced) : Append(name, lines);
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
  for (bool done = false; written && !done;) {
      block.clear();
      {
        cTracksLock lock(*this);
        if (generation != Generation)
           return true; // the list was replaced, and what was due with it
        const cTrack *from = last ? Next(last) : First();
        const cTrack *t = AppendLines(from, block);
        last = t ? Prev(t) : Last();
        if (!t) {
           appends.clear();
           done = true;
        }
      }
      written = fwrite(block.data(), 1, block.size(), f) == block.size();
  }
  written = written && f.Close();
  if (!written)
     LogFile.eSysLog("could not write %s", FileName.c_str());
  return written;
}

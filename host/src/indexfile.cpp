#include <vdr/recording.h>

#include <algorithm>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framerate.h"

static const int IndexRecordSize = 8;
static const off_t MaxOffset = (off_t(1) << 40) - 1;
static const int StayOffEndSeconds = 4;

cIndexFile::cIndexFile(const char *FileName, bool Record, bool IsPesRecording, bool, bool)
{
  fileName = strdup(AddDirectory(FileName, IsPesRecording ? "index.vdr" : "index"));
  recordingFileName = FileName ? FileName : "";
  record = Record;
  stayOffEndFrames = -1;
  // The recorder's index keeps the flag in the top bit of the byte (bit 47 of the record);
  // the older index.vdr of this host kept it in the lowest.
  independentBit = IsPesRecording ? 0x01 : 0x80;
  bytesRead = 0;
  if (record) {
     if (!file.Open(fileName, O_RDWR | O_CREAT | O_APPEND)) {
        LOG_ERROR_STR(fileName);
        return;
     }
     // a record cut short by a crash would shift every frame written after it
     struct stat st;
     if (fstat(file, &st) == 0 && st.st_size % IndexRecordSize) {
        esyslog("ERROR: %s: dropping a partial record at the end", fileName);
        if (ftruncate(file, st.st_size - st.st_size % IndexRecordSize) < 0)
           LOG_ERROR_STR(fileName);
     }
  }
  CatchUp();
}

cIndexFile::~cIndexFile()
{
  free(fileName);
}

bool cIndexFile::CatchUp(void)
{
  if (!file.IsOpen()) {
     // a recording that has just begun may not have its index yet
     if (access(fileName, F_OK) != 0)
        return false;
     if (!file.Open(fileName, O_RDONLY)) {
        LOG_ERROR_STR(fileName);
        return false;
     }
  }
  struct stat st;
  if (fstat(file, &st) != 0) {
     LOG_ERROR_STR(fileName);
     return false;
  }
  off_t whole = st.st_size - st.st_size % IndexRecordSize;
  // One allocation for a whole recording rather than a dozen copies while it grows; a
  // recording still being made catches up by a few frames at a time, so the room at
  // least doubles then, or every catch-up would copy the whole index.
  size_t needed = index.size() + size_t((whole - std::min(whole, bytesRead)) / IndexRecordSize);
  if (needed > index.capacity())
     index.reserve(std::max(needed, 2 * index.capacity()));
  while (bytesRead < whole) {
    unsigned char buffer[IndexRecordSize * 1024];
    size_t wanted = size_t(std::min(off_t(sizeof(buffer)), whole - bytesRead));
    ssize_t n = pread(file, buffer, wanted, bytesRead);
    if (n < 0 && errno == EINTR)
       continue;
    if (n <= 0) {
       if (n < 0)
          LOG_ERROR_STR(fileName);
       break;
    }
    n -= n % IndexRecordSize;
    for (const unsigned char *b = buffer; b < buffer + n; b += IndexRecordSize) {
        tIndex i;
        i.offset = off_t(b[0]) | off_t(b[1]) << 8 | off_t(b[2]) << 16 | off_t(b[3]) << 24 | off_t(b[4]) << 32;
        i.independent = (b[5] & independentBit) != 0;
        i.number = uint16_t(b[6] | b[7] << 8);
        index.push_back(i);
    }
    bytesRead += n;
  }
  return true;
}

bool cIndexFile::Write(bool Independent, uint16_t FileNumber, off_t FileOffset)
{
  if (!record || !file.IsOpen() || FileOffset < 0 || FileOffset > MaxOffset)
     return false;
  unsigned char b[IndexRecordSize];
  for (int i = 0; i < 5; i++)
      b[i] = (unsigned char)(FileOffset >> (8 * i));
  b[5] = Independent ? independentBit : 0;
  b[6] = (unsigned char)(FileNumber);
  b[7] = (unsigned char)(FileNumber >> 8);
  if (safe_write(file, b, sizeof(b)) != IndexRecordSize) {
     LOG_ERROR_STR(fileName);
     return false;
  }
  index.push_back({ FileOffset, FileNumber, Independent });
  bytesRead += IndexRecordSize;
  return true;
}

bool cIndexFile::Get(int Index, uint16_t *FileNumber, off_t *FileOffset, bool *Independent, int *Length)
{
  // The recorder writes both without looking: a caller that passes null crashes it.
  if (!FileNumber || !FileOffset) {
     esyslog("ERROR: %s: cIndexFile::Get without a place for the file number and offset", fileName);
     return false;
  }
  CatchUp();
  if (Index < 0 || size_t(Index) >= index.size())
     return false;
  const tIndex &i = index[Index];
  if (FileNumber)
     *FileNumber = i.number;
  if (FileOffset)
     *FileOffset = i.offset;
  if (Independent)
     *Independent = i.independent;
  if (Length) {
     // an index from elsewhere may hold offsets that go backwards or leap beyond any frame
     off_t distance = size_t(Index) + 1 < index.size() && index[Index + 1].number == i.number ? index[Index + 1].offset - i.offset : -1;
     *Length = distance >= 0 && distance <= INT_MAX ? int(distance) : -1;
  }
  return true;
}

int cIndexFile::GetNextIFrame(int Index, bool Forward, uint16_t *FileNumber, off_t *FileOffset, int *Length)
{
  return GetNextIFrame(Index, Forward, FileNumber, FileOffset, Length, false);
}

int cIndexFile::GetNextIFrame(int Index, bool Forward, uint16_t *FileNumber, off_t *FileOffset, int *Length, bool StayOffEnd)
{
  int last = Last();
  if (Index < 0 || Index > last)
     return -1;
  if (Forward && StayOffEnd && stayOffEndFrames < 0) {
     // asked for once, by the player: the many indexes opened for a walk never read the info
     cRecording recording(recordingFileName.c_str());
     stayOffEndFrames = SecondsToFrames(StayOffEndSeconds, UsableFramesPerSecond(recording.FramesPerSecond()));
  }
  int limit = Forward && StayOffEnd ? last - stayOffEndFrames : last;
  for (;;) {
    Index += Forward ? 1 : -1;
    if (Index < 0 || Index > limit)
       return -1;
    if (index[Index].independent) {
       Get(Index, FileNumber, FileOffset, NULL, Length);
       return Index;
    }
  }
}

int cIndexFile::Last(void)
{
  CatchUp();
  return int(index.size()) - 1;
}

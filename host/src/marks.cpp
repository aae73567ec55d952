#include <vdr/recording.h>

#include <ctype.h>
#include <unistd.h>

#include "fields.h"

static const char *MarksFile(bool IsPesRecording)
{
  return IsPesRecording ? "marks.vdr" : "marks";
}

// --- cMark -----------------------------------------------------------------

cMark::cMark(int Position, const char *Comment, double FramesPerSecond)
  : comment(Comment)
{
  framesPerSecond = FramesPerSecond;
  position = Position;
}

cMark::~cMark()
{
}

int cMark::Compare(const cListObject &ListObject) const
{
  int other = static_cast<const cMark &>(ListObject).position;
  return position < other ? -1 : position > other ? 1 : 0;
}

cString cMark::ToText(void) const
{
  // a line break in the comment would end the mark's line
  std::string c = *comment ? Exchanged(Exchanged(*comment, '\n', ' '), '\r', ' ') : "";
  return cString::sprintf("%s%s%s", *IndexToHMSF(position, true, framesPerSecond), c.empty() ? "" : " ", c.c_str());
}

bool cMark::Parse(const char *s)
{
  if (*s == '-')
     return false; // no frame comes before the recording's start
  int p = HMSFToIndex(s, framesPerSecond);
  if (p < 0)
     return false;
  position = p;
  comment = NULL;
  const char *c = s;
  while (*c && !isspace((unsigned char)*c))
    c++;
  while (isspace((unsigned char)*c))
    c++;
  if (*c)
     comment = c;
  return true;
}

bool cMark::Save(FILE *f)
{
  return fprintf(f, "%s\n", *ToText()) > 0;
}

// --- cMarks ----------------------------------------------------------------

cString cMarks::MarksFileName(const cRecording *Recording)
{
  return AddDirectory(Recording->FileName(), MarksFile(Recording->IsPesRecording()));
}

bool cMarks::Load(const char *RecordingFileName, double FramesPerSecond, bool IsPesRecording)
{
  framesPerSecond = FramesPerSecond;
  loadFailed = !cConfig<cMark>::Load(AddDirectory(RecordingFileName, MarksFile(IsPesRecording)));
  Sort();
  return !loadFailed;
}

bool cMarks::Save(void)
{
  if (loadFailed) {
     esyslog("ERROR: %s could not be read - not writing over it", FileName());
     return false;
  }
  return cConfig<cMark>::Save();
}

void cMarks::Add(int Position)
{
  if (Get(Position))
     return;
  cMark *m = new cMark(Position, NULL, framesPerSecond);
  cMark *after = GetNext(Position);
  if (after)
     Ins(m, after);
  else
     cConfig<cMark>::Add(m);
}

const cMark *cMarks::Get(int Position) const
{
  for (const cMark *m = First(); m; m = Next(m))
      if (m->Position() == Position)
         return m;
  return NULL;
}

const cMark *cMarks::GetPrev(int Position) const
{
  for (const cMark *m = Last(); m; m = Prev(m))
      if (m->Position() < Position)
         return m;
  return NULL;
}

const cMark *cMarks::GetNext(int Position) const
{
  for (const cMark *m = First(); m; m = Next(m))
      if (m->Position() > Position)
         return m;
  return NULL;
}

// --- cResumeFile -----------------------------------------------------------

cResumeFile::cResumeFile(const char *FileName, bool IsPesRecording)
{
  fileName = strdup(AddDirectory(FileName, IsPesRecording ? "resume.vdr" : "resume"));
}

cResumeFile::~cResumeFile()
{
  free(fileName);
}

int cResumeFile::Read(void)
{
  if (access(fileName, F_OK) != 0)
     return -1;
  int resume = -1;
  ReadLines(fileName, [&resume](char *s) {
    std::vector<std::string> f = SplitFields(s, ' ');
    int index;
    if (f.size() != 2 || f[0] != "P" || !ParseInt(f[1], index) || index < 0)
       return false;
    if (resume < 0)
       resume = index;
    return true;
  });
  return resume;
}

bool cResumeFile::Save(int Index)
{
  if (Index < 0)
     return false;
  cSafeFile f(fileName);
  if (!f.Open())
     return false;
  if (fprintf(f, "P %d\n", Index) <= 0) {
     f.Discard();
     return false;
  }
  return f.Close();
}

void cResumeFile::Delete(void)
{
  if (remove(fileName) < 0 && errno != ENOENT)
     LOG_ERROR_STR(fileName);
}

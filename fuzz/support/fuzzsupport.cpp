#include "fuzzsupport.h"

#include <vdr/recording.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <vdr/tools.h>

void FuzzFail(const char *What, const std::string &Detail)
{
  fprintf(stderr, "FUZZ CHECK FAILED: %s\n  %s\n", What, Detail.c_str());
  abort();
}

// A message that spans lines could forge log lines of its own.
static void CheckLogLine(int, const char *Text, void *)
{
  for (const char *p = Text; *p; p++)
      if (*p == '\n' || *p == '\r')
         FuzzFail("host log message on one line", Text);
}

static std::string scratch;

static void RemoveScratch(void)
{
  if (!scratch.empty())
     RemoveFileOrDir(scratch.c_str());
}

const std::string &FuzzDir(void)
{
  if (scratch.empty()) {
     // memory-backed when available: the readers run thousands of times a second
     const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
     char tmpl[64];
     snprintf(tmpl, sizeof(tmpl), "%s/vimora-fuzz-XXXXXX", base);
     if (!mkdtemp(tmpl))
        FuzzFail("mkdtemp", tmpl);
     scratch = tmpl;
     atexit(RemoveScratch);
  }
  return scratch;
}

void FuzzInit(void)
{
  static bool done = false;
  if (done)
     return;
  done = true;
  setenv("TZ", "UTC", 1);
  tzset();
  SysLogLevel = 3; // every message is formatted and checked
  SetSysLogHook(CheckLogLine, NULL);
  FuzzDir();
}

const std::string &FuzzRecording(void)
{
  static std::string dir;
  if (dir.empty()) {
     dir = FuzzDir() + "/Music/2026-12-07.20.00.1-0.rec";
     MakeDirs(dir.c_str(), true);
     cIndexFile index(dir.c_str(), true);
     for (int i = 0; i < 250; i++)
         index.Write(i % 12 == 0, 1, off_t(i) * 1000);
  }
  return dir;
}

std::string FuzzFile(const char *Name, const uint8_t *Data, size_t Size)
{
  std::string path = FuzzDir() + "/" + Name;
  FILE *f = fopen(path.c_str(), "w");
  if (!f || fwrite(Data, 1, Size, f) != Size || fclose(f) != 0)
     FuzzFail("writing the input", path);
  return path;
}

std::string ReadWhole(const std::string &Path)
{
  std::string s;
  FILE *f = fopen(Path.c_str(), "r");
  if (!f)
     return s;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
    s.append(buffer, n);
  fclose(f);
  return s;
}

std::string FuzzText(const uint8_t *Data, size_t Size)
{
  return std::string((const char *)Data, strnlen((const char *)Data, Size));
}

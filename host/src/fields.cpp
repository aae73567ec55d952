#include "fields.h"

#include <ctype.h>
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <vdr/tools.h>

bool ParseLong(const std::string &s, long long &Value)
{
  if (s.empty() || !(isdigit((unsigned char)s[0]) || (s[0] == '-' && s.size() > 1)))
     return false;
  char *end;
  errno = 0;
  long long v = strtoll(s.c_str(), &end, 10);
  if (errno || *end)
     return false;
  Value = v;
  return true;
}

bool ParseInt(const std::string &s, int &Value)
{
  long long v;
  if (!ParseLong(s, v) || v < INT_MIN || v > INT_MAX)
     return false;
  Value = int(v);
  return true;
}

bool ParseHex(const std::string &s, int &Value)
{
  if (s.empty() || !isxdigit((unsigned char)s[0]))
     return false;
  char *end;
  errno = 0;
  unsigned long v = strtoul(s.c_str(), &end, 16);
  if (errno || *end || v > INT_MAX)
     return false;
  Value = int(v);
  return true;
}

std::vector<std::string> SplitFields(const char *s, char Separator, size_t MaxFields)
{
  std::vector<std::string> fields;
  for (;;) {
    const char *p = (MaxFields && fields.size() + 1 == MaxFields) ? NULL : strchr(s, Separator);
    if (!p) {
       fields.push_back(s);
       return fields;
    }
    fields.push_back(std::string(s, p));
    s = p + 1;
  }
}

std::string Exchanged(std::string s, char From, char To)
{
  for (auto &c : s)
      if (c == From)
         c = To;
  return s;
}

void ReportBadLine(const char *FileName, int Line)
{
  esyslog("ERROR: error in %s, line %d", FileName, Line);
}

int ReadLines(const char *FileName, const std::function<bool(char *Line)> &Parse)
{
  FILE *f = fopen(FileName, "re");
  if (!f) {
     LOG_ERROR_STR(FileName);
     return -1;
  }
  cReadLine ReadLine;
  char *s;
  int line = 0, errors = 0;
  while ((s = ReadLine.Read(f)) != NULL) {
    line++;
    if (!isempty(stripspace(s)) && !Parse(s)) {
       ReportBadLine(FileName, line);
       errors++;
    }
  }
  fclose(f);
  return errors;
}

#include "blacklist.h"

#include <ctype.h>
#include <regex.h>

#include "log.h"
#include "tracks.h"

bool CompareNoCase(const std::string &a, const std::string &b)
{
  if (a.size() != b.size())
     return false;
  for (size_t i = 0; i < a.size(); i++)
      if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i]))
         return false;
  return true;
}

bool cBlacklistEntry::Parse(const char *Line)
{
  cLineFields fields(Line, ';');
  std::string field;
  int count = 0;
  while (fields.Next(field)) {
    if (++count == 1)
       artist = field;
    else if (count == 2)
       title = field;
  }
  return count > 0;
}

bool cBlacklistEntry::operator==(const cBlacklistEntry &Other) const
{
  return artist == Other.artist && title == Other.title;
}

std::string cBlacklistEntry::Strip(const std::string &Text) const
{
  static const char *const Ignored[] = { " ", "'", "-", "\xB4", "`", ":" };
  std::string s(Text);
  for (const char *i : Ignored)
      s = ReplaceAll(s, i, "");
  return s;
}

// Pattern found anywhere in Text as an extended regular expression; an invalid
// pattern finds nothing.
static bool RegexFound(const std::string &Pattern, const std::string &Text)
{
  regex_t re;
  if (regcomp(&re, Pattern.c_str(), REG_EXTENDED) != 0)
     return false;
  bool found = regexec(&re, Text.c_str(), 0, NULL, 0) == 0;
  regfree(&re);
  return found;
}

static bool FieldMatches(const char *What, const std::string &Pattern, const std::string &Text, const cBlacklistEntry &Entry)
{
  bool match = CompareNoCase(Entry.Strip(Pattern), Entry.Strip(Text)) || RegexFound(Pattern, Text);
  LogFile.Log(3, "%s match '%s' against '%s': %s", What, Text.c_str(), Pattern.c_str(), match ? "yes" : "no");
  return match;
}

bool cBlacklistEntry::Matches(const cBlacklistEntry &Candidate) const
{
  return FieldMatches("artist", artist, Candidate.artist, *this) && FieldMatches("title", title, Candidate.title, *this);
}

bool cBlacklist::InList(const std::string &Artist, const std::string &Title)
{
  cBlacklistEntry candidate(Artist, Title);
  for (cBlacklistEntry *e = First(); e; e = Next(e))
      if (e->Matches(candidate))
         return true;
  return false;
}

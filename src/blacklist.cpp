#include "blacklist.h"

#include <ctype.h>
#include <regex.h>
#include <string.h>

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

// Length of the interval "{m}", "{m,}" or "{m,n}" at P, or 0 when there is none.
static size_t IntervalAt(const char *P)
{
  if (*P != '{')
     return 0;
  size_t i = 1;
  while (isdigit((unsigned char)P[i]) || P[i] == ',')
        i++;
  return P[i] == '}' && i > 1 ? i + 1 : 0;
}

// Whether Pattern holds three or more repetition operators in a row ("a*++", "b{2}??").
// Such stacks have no defined meaning in an extended expression, and the C library takes
// time exponential in their length to compile them: "x*++++++" alone would stop the
// recorder's start for minutes. Escaped characters and bracket expressions are text.
static bool StackedRepetitions(const std::string &Pattern)
{
  const char *p = Pattern.c_str();
  int run = 0;
  while (*p) {
    size_t interval = IntervalAt(p);
    if (interval || strchr("*+?", *p)) {
       if (++run >= 3)
          return true;
       p += interval ? interval : 1;
       continue;
    }
    run = 0;
    if (*p == '\\' && p[1])
       p += 2;
    else if (*p == '[') {
       // "[]" and "[^]" take the ']' as a member; "[:alpha:]" and the like end at ":]"
       p++;
       if (*p == '^')
          p++;
       if (*p == ']')
          p++;
       while (*p && *p != ']') {
         if (*p == '[' && (p[1] == ':' || p[1] == '.' || p[1] == '=')) {
            const char close[] = { p[1], ']', 0 };
            const char *end = strstr(p + 2, close);
            p = end ? end + 2 : p + 1;
         }
         else
            p++;
       }
       if (*p)
          p++;
    }
    else
       p++;
  }
  return false;
}

// A pattern compiled as an extended regular expression, or nothing when it is invalid
// (which includes stacked repetitions, see above).
class cPattern {
private:
  regex_t re;
  bool valid;

public:
  cPattern(const std::string &Pattern) { valid = !StackedRepetitions(Pattern) && regcomp(&re, Pattern.c_str(), REG_EXTENDED) == 0; }
  cPattern(const cPattern &) = delete;
  cPattern &operator=(const cPattern &) = delete;
  ~cPattern()
  {
    if (valid)
       regfree(&re);
  }
  // Found anywhere in Text; an invalid pattern finds nothing.
  bool Found(const std::string &Text) const { return valid && regexec(&re, Text.c_str(), 0, NULL, 0) == 0; }
};

struct cBlacklistEntry::tCompiled {
  std::string source[2]; // the artist and title patterns these were made from
  std::string key[2];    // normalised and lowered
  cPattern pattern0, pattern1;
  tCompiled(const cBlacklistEntry &Entry, const tBlacklistKeys &Keys)
  : source{ Entry.artist, Entry.title }, key{ Keys.artist, Keys.title }, pattern0(Entry.artist), pattern1(Entry.title) {}
  const cPattern &Pattern(int Field) const { return Field ? pattern1 : pattern0; }
};

cBlacklistEntry::cBlacklistEntry(void)
{
}

cBlacklistEntry::cBlacklistEntry(const std::string &Artist, const std::string &Title)
: artist(Artist), title(Title)
{
}

cBlacklistEntry::~cBlacklistEntry()
{
}

// Equal under CompareNoCase exactly when these are equal.
tBlacklistKeys cBlacklistEntry::Keys(void) const
{
  tBlacklistKeys keys{ Strip(artist), Strip(title) };
  for (std::string *s : { &keys.artist, &keys.title })
      for (auto &c : *s)
          c = char(tolower((unsigned char)c));
  return keys;
}

void cBlacklistEntry::Prepare(void)
{
  compiled = std::make_shared<const tCompiled>(*this, Keys());
}

bool cBlacklistEntry::FieldMatches(const char *What, const std::string &Pattern, const std::string &Text, const std::string &TextKey, int Field) const
{
  bool match;
  if (compiled && compiled->source[Field] == Pattern)
     match = compiled->key[Field] == TextKey || compiled->Pattern(Field).Found(Text);
  else
     match = CompareNoCase(Strip(Pattern), Strip(Text)) || cPattern(Pattern).Found(Text);
  LogFile.Log(3, "%s match '%s' against '%s': %s", What, Text.c_str(), Pattern.c_str(), match ? "yes" : "no");
  return match;
}

bool cBlacklistEntry::Matches(const cBlacklistEntry &Candidate, const tBlacklistKeys &Keys) const
{
  return FieldMatches("artist", artist, Candidate.artist, Keys.artist, 0) && FieldMatches("title", title, Candidate.title, Keys.title, 1);
}

bool cBlacklistEntry::Matches(const cBlacklistEntry &Candidate) const
{
  return Matches(Candidate, Candidate.Keys());
}

bool cBlacklist::Load(const char *FileName, bool AllowComments, bool MustExist)
{
  bool result = cConfig<cBlacklistEntry>::Load(FileName, AllowComments, MustExist);
  for (cBlacklistEntry *e = First(); e; e = Next(e))
      e->Prepare();
  return result;
}

bool cBlacklist::InList(const std::string &Artist, const std::string &Title)
{
  cBlacklistEntry candidate(Artist, Title);
  tBlacklistKeys keys = candidate.Keys();
  for (cBlacklistEntry *e = First(); e; e = Next(e))
      if (e->Matches(candidate, keys))
         return true;
  return false;
}

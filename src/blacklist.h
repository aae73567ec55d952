// The user's blacklist ("blacklist.conf", read only): artist;title patterns of tracks
// that are never wanted. A pattern matches when it equals the track's text ignoring
// case, blanks and some punctuation, or when it is found in the text as an extended
// regular expression. Filled once at start, read-only afterwards: no lock needed.
#ifndef __VIMORA_BLACKLIST_H
#define __VIMORA_BLACKLIST_H

#include <memory>
#include <string>
#include <vdr/config.h>

// Equal ignoring case (per byte).
bool CompareNoCase(const std::string &a, const std::string &b);

// A candidate's artist and title as the normalised comparison sees them.
struct tBlacklistKeys {
  std::string artist, title;
};

class cBlacklistEntry : public cListObject {
private:
  struct tCompiled;
  // The patterns normalised and compiled once (Prepare); used while the patterns
  // are still the texts they were made from. Never changed, so copies share it.
  std::shared_ptr<const tCompiled> compiled;
  bool FieldMatches(const char *What, const std::string &Pattern, const std::string &Text, const std::string &TextKey, int Field) const;

public:
  std::string artist;
  std::string title;
  cBlacklistEntry(void);
  cBlacklistEntry(const std::string &Artist, const std::string &Title);
  virtual ~cBlacklistEntry();
  // A "blacklist.conf" line; false when it holds nothing but blanks.
  bool Parse(const char *Line);
  bool operator==(const cBlacklistEntry &Other) const;
  // Text without blanks, apostrophes, hyphens, acute and grave accents and colons.
  std::string Strip(const std::string &Text) const;
  // Whether this entry, as a pattern, matches the candidate's artist and title.
  bool Matches(const cBlacklistEntry &Candidate) const;
  // Matches, with the candidate's normalised texts made once for the whole list.
  bool Matches(const cBlacklistEntry &Candidate, const tBlacklistKeys &Keys) const;
  tBlacklistKeys Keys(void) const;
  // Normalises and compiles the patterns for the lookups to come.
  void Prepare(void);
};

class cBlacklist : public cConfig<cBlacklistEntry> {
public:
  // cConfig's Load, with every entry prepared for matching.
  bool Load(const char *FileName = NULL, bool AllowComments = false, bool MustExist = false);
  bool InList(const std::string &Artist, const std::string &Title);
};

extern cBlacklist Blacklist;

#endif

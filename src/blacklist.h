// The user's blacklist ("blacklist.conf", read only): artist;title patterns of tracks
// that are never wanted. A pattern matches when it equals the track's text ignoring
// case, blanks and some punctuation, or when it is found in the text as an extended
// regular expression. Filled once at start, read-only afterwards: no lock needed.
#ifndef __VIMORA_BLACKLIST_H
#define __VIMORA_BLACKLIST_H

#include <string>
#include <vdr/config.h>

// Equal ignoring case (per byte).
bool CompareNoCase(const std::string &a, const std::string &b);

class cBlacklistEntry : public cListObject {
public:
  std::string artist;
  std::string title;
  cBlacklistEntry(void) {}
  cBlacklistEntry(const std::string &Artist, const std::string &Title) : artist(Artist), title(Title) {}
  // A "blacklist.conf" line; false when it holds nothing but blanks.
  bool Parse(const char *Line);
  bool operator==(const cBlacklistEntry &Other) const;
  // Text without blanks, apostrophes, hyphens, acute and grave accents and colons.
  std::string Strip(const std::string &Text) const;
  // Whether this entry, as a pattern, matches the candidate's artist and title.
  bool Matches(const cBlacklistEntry &Candidate) const;
};

class cBlacklist : public cConfig<cBlacklistEntry> {
public:
  bool InList(const std::string &Artist, const std::string &Title);
};

extern cBlacklist Blacklist;

#endif

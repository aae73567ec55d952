// Host-internal: a compiled gettext message catalogue (a .mo file), as msgfmt writes
// it and as the recorder reads a plug-in's translations through gettext.
#ifndef __VDRHOST_CATALOGUE_H
#define __VDRHOST_CATALOGUE_H

#include <string>
#include <string_view>
#include <unordered_map>

class cMessageCatalogue {
private:
  std::string data; // the whole file; the texts point into it
  std::unordered_map<std::string_view, const char *> texts;
  bool Parse(const char *FileName);

public:
  // Reads FileName whole. False, with the reason in the host log, for a file that
  // cannot be read, is no catalogue, is damaged or is not in UTF-8; such a catalogue
  // translates nothing.
  bool Load(const char *FileName);
  // The translation of Key, or null. It lives as long as the catalogue.
  const char *Translate(const char *Key) const;
  int Size(void) const { return int(texts.size()); }
};

#endif

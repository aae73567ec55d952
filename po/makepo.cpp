// Writes the plug-in's translation table as one gettext catalogue source per language:
//   vimora-makepo DIR   ->   DIR/<locale>.po for every translated column
// msgfmt compiles them into the vdr-vimora.mo files that tr() reads in the recorder
// and in our host. The table stays the only place where a translation is written.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <sys/stat.h>

#include "i18n.h"

// A C string as a po file quotes it; bytes above 0x7f pass unchanged (the file is UTF-8).
static std::string Quoted(const char *s)
{
  std::string q = "\"";
  for (; *s; s++) {
      unsigned char c = *s;
      switch (c) {
        case '"': q += "\\\""; break;
        case '\\': q += "\\\\"; break;
        case '\n': q += "\\n"; break;
        case '\t': q += "\\t"; break;
        default:
          if (c < 0x20 || c == 0x7f) {
             char octal[8];
             snprintf(octal, sizeof(octal), "\\%03o", c);
             q += octal;
          }
          else
             q += char(c);
      }
  }
  return q + "\"";
}

static bool WritePo(const std::string &Dir, int Language)
{
  std::string fileName = Dir + "/" + PhraseLocales[Language] + ".po";
  std::string tmpName = fileName + ".tmp";
  FILE *f = fopen(tmpName.c_str(), "we");
  if (!f) {
     fprintf(stderr, "vimora-makepo: cannot write %s: %s\n", tmpName.c_str(), strerror(errno));
     return false;
  }
  fprintf(f,
    "# Written by vimora-makepo from the plug-in's translation table (src/i18n.cpp):\n"
    "# change the table, not this file.\n"
    "msgid \"\"\n"
    "msgstr \"\"\n"
    "\"Project-Id-Version: %s\\n\"\n"
    "\"Language: %s\\n\"\n"
    "\"MIME-Version: 1.0\\n\"\n"
    "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
    "\"Content-Transfer-Encoding: 8bit\\n\"\n",
    PhraseDomain, PhraseLocales[Language]);
  for (const tPhrase *p = Phrases; (*p)[0]; p++) {
      // An empty text is left untranslated, so that msgfmt leaves it out and tr()
      // shows the English text.
      fprintf(f, "\nmsgid %s\nmsgstr %s\n", Quoted((*p)[0]).c_str(), Quoted((*p)[Language]).c_str());
  }
  bool ok = !ferror(f);
  ok = fclose(f) == 0 && ok;
  if (ok && rename(tmpName.c_str(), fileName.c_str()) != 0)
     ok = false;
  if (!ok) {
     fprintf(stderr, "vimora-makepo: cannot write %s: %s\n", fileName.c_str(), strerror(errno));
     remove(tmpName.c_str());
  }
  return ok;
}

int main(int argc, char *argv[])
{
  if (argc != 2) {
     fprintf(stderr, "Usage: vimora-makepo DIR\n");
     return 2;
  }
  std::string dir = argv[1];
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
     fprintf(stderr, "vimora-makepo: cannot create %s: %s\n", dir.c_str(), strerror(errno));
     return 1;
  }
  // the first column is the key language and has no catalogue
  for (int l = 1; l < PhraseLanguages; l++)
      if (!WritePo(dir, l))
         return 1;
  return 0;
}

// List files (cConfig) and the host's setup (setup.conf).
#ifndef __VDR_CONFIG_H
#define __VDR_CONFIG_H

#include <string>
#include <unistd.h>
#include <vector>
#include <vdr/i18n.h>
#include <vdr/tools.h>

// The recorder version whose interfaces this stand-in follows.
#define VDRVERSION  "2.6.0"
#define VDRVERSNUM   20600
#define APIVERSION  "2.6.0"
#define APIVERSNUM   20600

// Marks the stand-in: its time is the virtual clock of clock.h, not the system's.
#define VDR_STANDIN 1

// A list of T read from and written to a line-oriented file. T needs a default
// constructor, bool Parse(const char *Line) and bool Save(FILE *f).
template <class T> class cConfig : public cList<T> {
private:
  char *fileName;
  bool allowComments;

  // Private as in the recorder: a list bound to its file is emptied by Load(), which
  // also forgets the file name.
  void Clear(void)
  {
    free(fileName);
    fileName = NULL;
    cList<T>::Clear();
  }

protected:
  // The entry Load parses a line into; a list whose entries need more than their
  // default constructor makes its own.
  virtual T *NewEntry(void) const { return new T; }

public:
  cConfig(void) { fileName = NULL; allowComments = false; }
  virtual ~cConfig() { free(fileName); }
  const char *FileName(void) const { return fileName; }

  // Replaces the list by the file's entries. A missing file gives an empty list and
  // the result !MustExist; a line that does not parse is reported and skipped.
  bool Load(const char *FileName = NULL, bool AllowComments = false, bool MustExist = false)
  {
    Clear();
    if (FileName) {
       fileName = strdup(FileName);
       allowComments = AllowComments;
    }
    bool result = !MustExist;
    if (fileName && access(fileName, F_OK) == 0) {
       isyslog("loading %s", fileName);
       FILE *f = fopen(fileName, "re");
       if (f) {
          cReadLine ReadLine;
          char *s;
          int line = 0;
          result = true;
          while ((s = ReadLine.Read(f)) != NULL) {
            line++;
            if (allowComments) {
               char *p = strchr(s, '#');
               if (p)
                  *p = 0;
            }
            stripspace(s);
            if (!isempty(s)) {
               T *l = NewEntry();
               if (l->Parse(s))
                  this->Add(l);
               else {
                  esyslog("ERROR: error in %s, line %d", fileName, line);
                  delete l;
               }
            }
          }
          fclose(f);
       }
       else {
          LOG_ERROR_STR(fileName);
          result = false;
       }
    }
    if (!result)
       fprintf(stderr, "vdr: error while reading '%s'\n", fileName ? fileName : "");
    return result;
  }

  // Writes every entry in list order through a safe file. When an entry cannot be
  // written, nothing is committed and the old file stays.
  bool Save(void)
  {
    if (!fileName)
       return false;
    dsyslog("Saving configfile %s", fileName);
    cSafeFile f(fileName);
    if (!f.Open())
       return false;
    for (T *l = this->First(); l; l = this->Next(l)) {
        if (!l->Save(f)) {
           f.Discard();
           return false;
        }
    }
    return f.Close();
  }
};

// The host's own settings and the plug-ins' stored values ("name.key = value").
class cSetup {
private:
  struct tEntry {
    std::string plugin, key, value;
  };
  std::vector<tEntry> entries; // plug-in values in file order
  char *fileName;
  void Set(const std::string &Plugin, const std::string &Key, const std::string &Value);
  void ParseOSDLanguage(const std::string &Value);
  void ParseAudioLanguages(const std::string &Value);

public:
  char OSDLanguage[I18N_MAX_LOCALE_LEN]; // the locale of the user interface, "de_DE"
  // The preferred languages of the sound, most wanted first (indices as I18nLanguageCode
  // takes them), ended by -1; stored as the languages' first codes ("deu eng").
  int AudioLanguages[I18N_MAX_LANGUAGES + 1];
  int MultiSpeedMode;
  int ShowReplayMode;
  int OSDMessageTime;  // seconds a message stays on screen
  int MaxVideoFileSize; // MB: the recorder starts a new media file at an I-frame beyond it
  // The host's own, finer limit in bytes for tiny test media (0: MaxVideoFileSize holds);
  // not stored.
  long long MaxVideoFileBytes;
  // Where a recording's media file ends: beyond this many bytes.
  long long VideoFileLimit(void) const;
  cSetup(void);
  ~cSetup();
  bool Load(const char *FileName);
  bool Save(void);
  // Stores a plug-in's value (null Value removes it) and saves the file.
  void Store(const char *Name, const char *Value, const char *Plugin);
  // Calls Parse(Name, Value) for every stored value of the plug-in, in file order.
  template <class F> void ForEach(const char *Plugin, F Parse) const
  {
    for (const auto &e : entries)
        if (e.plugin == Plugin)
           Parse(e.key.c_str(), e.value.c_str());
  }
  // The stored value, or null.
  const char *Get(const char *Plugin, const char *Name) const;
};

extern cSetup Setup;

#endif

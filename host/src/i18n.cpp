#include <vdr/i18n.h>

#include <map>
#include <mutex>
#include <string.h>
#include <string>
#include <strings.h>
#include <vdr/config.h>

#include "hostphrases.h"

static const struct {
  const char *name;
  const char *code;
} languages[I18nNumLanguages] = {
  { "English", "en" }, { "German", "de" }, { "Slovenian", "sl" }, { "Italian", "it" },
  { "Dutch", "nl" }, { "Portuguese", "pt" }, { "French", "fr" }, { "Norwegian", "no" },
  { "Finnish", "fi" }, { "Polish", "pl" }, { "Spanish", "es" }, { "Greek", "el" },
  { "Swedish", "sv" }, { "Romanian", "ro" }, { "Hungarian", "hu" }, { "Catalan", "ca" },
  { "Russian", "ru" }, { "Croatian", "hr" }, { "Estonian", "et" }, { "Danish", "da" },
  { "Czech", "cs" },
};

static std::mutex tablesMutex;
static std::map<std::string, const tI18nPhrase *> tables; // plug-in name -> its table

void I18nRegister(const tI18nPhrase *const Phrases, const char *Plugin)
{
  std::lock_guard<std::mutex> lk(tablesMutex);
  tables[Plugin ? Plugin : ""] = Phrases;
}

static const char *Lookup(const tI18nPhrase *Phrases, const char *s, int Language)
{
  for (const tI18nPhrase *p = Phrases; p && (*p)[0]; p++) {
      if (strcmp((*p)[0], s) == 0) {
         const char *t = (*p)[Language];
         return t && *t ? t : NULL;
      }
  }
  return NULL;
}

const char *I18nTranslate(const char *s, const char *Plugin)
{
  if (!s)
     return s;
  int language = Setup.OSDLanguage;
  if (language > 0 && language < I18nNumLanguages) {
     const tI18nPhrase *table = NULL;
     if (Plugin) {
        std::lock_guard<std::mutex> lk(tablesMutex);
        auto it = tables.find(Plugin);
        if (it != tables.end())
           table = it->second;
     }
     const char *t = Lookup(table, s, language);
     if (!t)
        t = Lookup(HostPhrases, s, language);
     if (t)
        return t;
  }
  const char *p = strchr(s, '$');
  return p ? p + 1 : s;
}

const char *I18nLanguageName(int Language)
{
  return Language >= 0 && Language < I18nNumLanguages ? languages[Language].name : NULL;
}

int I18nLanguageIndex(const char *NameOrCode)
{
  for (int i = 0; NameOrCode && i < I18nNumLanguages; i++)
      if (strcasecmp(NameOrCode, languages[i].name) == 0 || strcasecmp(NameOrCode, languages[i].code) == 0)
         return i;
  return -1;
}

#include <vdr/i18n.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string.h>
#include <string>

#include "catalogue.h"
#include "hostphrases.h"

// The host's languages: those of its own texts, in their columns' order.
// The codes are those of ISO 639-2, the terminology code before the bibliographic one.
static const struct {
  const char *locale;
  const char *name;
  const char *code;
} languages[HostLanguages] = {
  { I18N_DEFAULT_LOCALE, "English", "eng" }, { "de_DE", "German", "deu,ger" }, { "sl_SI", "Slovenian", "slv,slo" },
  { "it_IT", "Italian", "ita" }, { "nl_NL", "Dutch", "nld,dut" }, { "pt_PT", "Portuguese", "por" },
  { "fr_FR", "French", "fra,fre" }, { "nn_NO", "Norwegian", "nor" }, { "fi_FI", "Finnish", "fin" },
  { "pl_PL", "Polish", "pol" }, { "es_ES", "Spanish", "spa" }, { "el_GR", "Greek", "ell,gre" },
  { "sv_SE", "Swedish", "swe" }, { "ro_RO", "Romanian", "ron,rum" }, { "hu_HU", "Hungarian", "hun" },
  { "ca_ES", "Catalan", "cat" }, { "ru_RU", "Russian", "rus" }, { "hr_HR", "Croatian", "hrv" },
  { "et_EE", "Estonian", "est" }, { "da_DK", "Danish", "dan" }, { "cs_CZ", "Czech", "ces,cze" },
};

static std::atomic<int> currentLanguage(0);

static std::mutex cataloguesMutex;
static std::string localeDir;
// (domain, language) -> its catalogue, null where there is none. Loaded catalogues are
// never dropped: translations handed out stay valid, as gettext's do.
static std::map<std::pair<std::string, int>, std::unique_ptr<cMessageCatalogue>> catalogues;

void I18nInitialize(const char *LocaleDir)
{
  std::lock_guard<std::mutex> lk(cataloguesMutex);
  localeDir = LocaleDir ? LocaleDir : "";
  // catalogues looked for in vain may be found in the new folder
  for (auto it = catalogues.begin(); it != catalogues.end(); ) {
      if (it->second)
         ++it;
      else
         it = catalogues.erase(it);
  }
}

void I18nSetLocale(const char *Locale)
{
  for (int i = 0; Locale && i < HostLanguages; i++) {
      if (strcmp(Locale, languages[i].locale) == 0) {
         currentLanguage = i;
         return;
      }
  }
}

int I18nCurrentLanguage(void)
{
  return currentLanguage;
}

void I18nSetLanguage(int Language)
{
  if (Language >= 0 && Language < HostLanguages)
     currentLanguage = Language;
}

int I18nNumLanguagesWithLocale(void)
{
  return HostLanguages;
}

const cStringList *I18nLanguages(void)
{
  static const cStringList *names = [] {
    cStringList *l = new cStringList;
    for (const auto &language : languages)
        l->Append(strdup(language.name));
    return l;
  }();
  return names;
}

const char *I18nLocale(int Language)
{
  return Language >= 0 && Language < HostLanguages ? languages[Language].locale : NULL;
}

const char *I18nLanguageCode(int Language)
{
  return Language >= 0 && Language < HostLanguages ? languages[Language].code : NULL;
}

int I18nLanguageIndex(const char *Code)
{
  size_t n = Code ? strlen(Code) : 0;
  for (int i = 0; n == 3 && i < HostLanguages; i++) {
      for (const char *c = languages[i].code; c; c = strchr(c, ',') ? strchr(c, ',') + 1 : NULL)
          if (strncmp(c, Code, 3) == 0)
             return i;
  }
  return -1;
}

static const char *PluginText(const char *Domain, int Language, const char *s)
{
  std::lock_guard<std::mutex> lk(cataloguesMutex);
  if (localeDir.empty())
     return NULL;
  auto key = std::make_pair(std::string(Domain), Language);
  auto it = catalogues.find(key);
  if (it == catalogues.end()) {
     std::unique_ptr<cMessageCatalogue> c(new cMessageCatalogue);
     cString fileName = cString::sprintf("%s/%s/LC_MESSAGES/%s.mo", localeDir.c_str(), languages[Language].locale, Domain);
     if (!c->Load(fileName))
        c.reset();
     it = catalogues.emplace(key, std::move(c)).first;
  }
  return it->second ? it->second->Translate(s) : NULL;
}

static const char *HostText(const char *s, int Language)
{
  for (const tHostPhrase *p = HostPhrases; (*p)[0]; p++) {
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
  int language = currentLanguage;
  if (language > 0) {
     // As in the recorder, a plug-in's text comes from its catalogue only: the host's
     // own texts are reached with trVDR().
     const char *t = Plugin ? PluginText(Plugin, language, s) : HostText(s, language);
     if (t)
        return t;
  }
  const char *p = strchr(s, '$');
  return p ? p + 1 : s;
}

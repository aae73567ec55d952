// Translation of user texts, as the recorder does it: a plug-in's texts come from its
// message catalogue <LocaleDir>/<locale>/LC_MESSAGES/vdr-NAME.mo, the host's own texts
// are built in (they stand for the recorder's vdr.mo). Languages are numbered in the
// host's order; 0 is the default locale, English, which has no catalogue.
#ifndef __VDR_I18N_H
#define __VDR_I18N_H

#include <stdio.h>
#include <vdr/tools.h>

#define I18N_DEFAULT_LOCALE "en_US"
#define I18N_MAX_LOCALE_LEN 16       // for buffers that hold en_US etc.
#define I18N_MAX_LANGUAGES  256      // for buffers that hold all available languages

// Where the plug-ins' catalogues are; the host copies the name. Sets the default
// locale as the current language.
void I18nInitialize(const char *LocaleDir = NULL);
// Sets the current language to Locale ("de_DE"); an unknown locale changes nothing.
void I18nSetLocale(const char *Locale);
int I18nCurrentLanguage(void);
// A Language outside the available ones changes nothing.
void I18nSetLanguage(int Language);
int I18nNumLanguagesWithLocale(void);
// The languages' names, indexed as I18nCurrentLanguage() counts.
const cStringList *I18nLanguages(void);
// The text in the current language: for a Plugin ("vdr-NAME") from its catalogue,
// else from the host's own texts; untranslated, the key itself after its first '$'
// ("Button$Mark" -> "Mark"). The result lives as long as the program.
const char *I18nTranslate(const char *s, const char *Plugin = NULL) __attribute__((format_arg(1)));
// The locale name of Language, or null.
const char *I18nLocale(int Language);
// The three-letter code of Language, or null; a language with several codes gives them
// separated by commas, the first being the one stored ("deu,ger").
const char *I18nLanguageCode(int Language);
// The language one of whose codes is Code, or -1.
int I18nLanguageIndex(const char *Code);

#ifdef PLUGIN_NAME_I18N
#define tr(s)  I18nTranslate(s, "vdr-" PLUGIN_NAME_I18N)
#define trVDR(s) I18nTranslate(s)  // a text of the host's own
#else
#define tr(s)  I18nTranslate(s)
#endif

#define trNOOP(s) (s)

#endif

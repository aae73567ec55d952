// Translation of user texts. Languages are numbered in the host's order, 0 = English.
#ifndef __VDR_I18N_H
#define __VDR_I18N_H

const int I18nNumLanguages = 21;

// One row of a translation table: the English text (also the key), then one text per
// language; an empty text means "not translated". A table ends with a null key.
typedef const char *tI18nPhrase[I18nNumLanguages];

void I18nRegister(const tI18nPhrase *const Phrases, const char *Plugin);
// The text in the interface language (Setup.OSDLanguage): the plug-in's table first,
// then the host's own, else the key itself after its first '$' ("Button$Mark" -> "Mark").
const char *I18nTranslate(const char *s, const char *Plugin = 0);
// The English name of a language ("German"), or null.
const char *I18nLanguageName(int Language);
// The language index of an English name or two-letter code, or -1.
int I18nLanguageIndex(const char *NameOrCode);

#ifdef PLUGIN_NAME_I18N
#define tr(s) I18nTranslate(s, PLUGIN_NAME_I18N)
#else
#define tr(s) I18nTranslate(s)
#endif

#endif

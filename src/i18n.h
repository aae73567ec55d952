// The plug-in's translations: one row per text, the English key first, then the
// text in each language of PhraseLocales (empty: not translated). The build turns
// the table into the message catalogues (vdr-vimora.mo) that tr() reads; the plug-in
// itself never walks it.
#ifndef __VIMORA_I18N_H
#define __VIMORA_I18N_H

#include <vdr/i18n.h>

// The key of the row that lists, per language, the characters a clip-name pattern
// may hold. Untranslated, the host shows the text after the '$'.
inline constexpr char AllowedCharsKey[] = "$ abcdefghijklmnopqrstuvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@";

const int PhraseLanguages = 21;
typedef const char *tPhrase[PhraseLanguages];

// Rows up to the one with a null key.
extern const tPhrase Phrases[];
// The recorder's locale name of each column; the first, English, is the key language.
extern const char *const PhraseLocales[PhraseLanguages];
// The gettext domain of the catalogues, as tr() names it.
inline constexpr char PhraseDomain[] = "vdr-vimora";

#endif

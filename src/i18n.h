// The plug-in's translations: one row per text, the English key first, then the
// text in each of the host's languages (empty: not translated).
#ifndef __VIMORA_I18N_H
#define __VIMORA_I18N_H

#include <vdr/i18n.h>

// The key of the row that lists, per language, the characters a clip-name pattern
// may hold. Untranslated, the host shows the text after the '$'.
inline constexpr char AllowedCharsKey[] = "$ abcdefghijklmnopqrstuvwxyz0123456789-.#~\\^$[]|()*+?{}/:%@";

extern const tI18nPhrase Phrases[];

#endif

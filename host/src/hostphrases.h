// Host-internal: the host's own texts, standing for the recorder's vdr.mo; plug-ins
// reach them with trVDR().
#ifndef __VDRHOST_HOSTPHRASES_H
#define __VDRHOST_HOSTPHRASES_H

// One row: the English key, then the text in each of the host's languages in
// I18nLocale() order (empty: not translated). The table ends with a null key.
const int HostLanguages = 21;
typedef const char *tHostPhrase[HostLanguages];

extern const tHostPhrase HostPhrases[];

#endif

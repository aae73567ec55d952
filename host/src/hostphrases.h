// Host-internal: the host's own translations of the texts it and its plug-ins share.
#ifndef __VDRHOST_HOSTPHRASES_H
#define __VDRHOST_HOSTPHRASES_H

#include <vdr/i18n.h>

extern const tI18nPhrase HostPhrases[];

#endif

// Remote-control keys. The codes are those plug-ins are built against; a held key
// carries k_Repeat, a released one k_Release on top of its code.
#ifndef __VDR_KEYS_H
#define __VDR_KEYS_H

enum eKeys {
  kUp = 0,
  kDown,
  kMenu,
  kOk,
  kBack,
  kLeft,
  kRight,
  kRed,
  kGreen,
  kYellow,
  kBlue,
  k0, k1, k2, k3, k4, k5, k6, k7, k8, k9,
  kInfo = 21,
  kPlayPause,
  kPlay = 23,
  kPause,
  kStop,
  kRecord,
  kEject,
  kFastFwd = 28,
  kFastRew,
  kNext = 30,
  kPrev,
  kPower,
  kChanUp,
  kChanDn,
  kChanPrev,
  kVolUp,
  kVolDn,
  kMute,
  kAudio,
  kSchedule,
  kChannels,
  kTimers,
  kRecordings,
  kSetup,
  kCommands,
  kUser1, kUser2, kUser3, kUser4, kUser5, kUser6, kUser7, kUser8, kUser9,
  // 55..66 are keys this host never delivers; kNone keeps its number.
  kNone = 67,
  k_Release = 0x4000,
  k_Repeat = 0x8000,
  k_Flags = k_Repeat | k_Release,
};

// The key without its repeat and release flags.
#define NORMALKEY(k) (eKeys((k) & ~k_Flags))
#define ISRAWKEY(k) (((k) & k_Flags) == 0)

class cKey {
public:
  // "Ok", "Red", "5", ... for a key without flags, else null.
  static const char *ToString(eKeys Key);
  // The key of such a name (case ignored), optionally followed by "|Repeat" or
  // "|Release"; kNone for an unknown name.
  static eKeys FromString(const char *Name);
};

#endif

#include <vdr/keys.h>

#include <string.h>
#include <strings.h>

static const struct {
  eKeys key;
  const char *name;
} keyNames[] = {
  { kUp, "Up" }, { kDown, "Down" }, { kMenu, "Menu" }, { kOk, "Ok" }, { kBack, "Back" },
  { kLeft, "Left" }, { kRight, "Right" }, { kRed, "Red" }, { kGreen, "Green" },
  { kYellow, "Yellow" }, { kBlue, "Blue" },
  { k0, "0" }, { k1, "1" }, { k2, "2" }, { k3, "3" }, { k4, "4" },
  { k5, "5" }, { k6, "6" }, { k7, "7" }, { k8, "8" }, { k9, "9" },
  { kInfo, "Info" }, { kPlayPause, "PlayPause" }, { kPlay, "Play" }, { kPause, "Pause" },
  { kStop, "Stop" }, { kRecord, "Record" }, { kEject, "Eject" }, { kFastFwd, "FastFwd" },
  { kFastRew, "FastRew" }, { kNext, "Next" }, { kPrev, "Prev" }, { kPower, "Power" },
  { kChanUp, "Channel+" }, { kChanDn, "Channel-" }, { kChanPrev, "PrevChannel" },
  { kVolUp, "Volume+" }, { kVolDn, "Volume-" }, { kMute, "Mute" }, { kAudio, "Audio" },
  { kSchedule, "Schedule" }, { kChannels, "Channels" }, { kTimers, "Timers" },
  { kRecordings, "Recordings" }, { kSetup, "Setup" }, { kCommands, "Commands" },
  { kUser1, "User1" }, { kUser2, "User2" }, { kUser3, "User3" }, { kUser4, "User4" },
  { kUser5, "User5" }, { kUser6, "User6" }, { kUser7, "User7" }, { kUser8, "User8" },
  { kUser9, "User9" }, { kNone, "None" },
};

const char *cKey::ToString(eKeys Key)
{
  for (const auto &k : keyNames)
      if (k.key == Key)
         return k.name;
  return NULL;
}

eKeys cKey::FromString(const char *Name)
{
  if (!Name)
     return kNone;
  const char *bar = strchr(Name, '|');
  size_t n = bar ? size_t(bar - Name) : strlen(Name);
  int flag = 0;
  if (bar) {
     if (strcasecmp(bar + 1, "Repeat") == 0)
        flag = k_Repeat;
     else if (strcasecmp(bar + 1, "Release") == 0)
        flag = k_Release;
     else
        return kNone;
  }
  for (const auto &k : keyNames)
      if (strlen(k.name) == n && strncasecmp(k.name, Name, n) == 0)
         return k.key == kNone ? kNone : eKeys(k.key | flag);
  return kNone;
}

// The stand-in's broadcast as it really goes on air, beside the guide: on real channels
// items start and last other than the guide says. A channel given items here is
// recorded from them; every other channel is recorded from its guide.
#ifndef __VDR_ONAIR_H
#define __VDR_ONAIR_H

#include <string>
#include <time.h>
#include <vector>
#include <vdr/channels.h>

struct tOnAirItem {
  time_t start;
  int duration; // seconds
  std::string title;
};

class cOnAir {
public:
  // Puts Title on air on Channel from Start for Duration seconds.
  static void Add(const tChannelID &Channel, time_t Start, int Duration, const char *Title);
  // The items of Channel by start time; false when it airs what its guide says.
  static bool Items(const tChannelID &Channel, std::vector<tOnAirItem> &Items);
  static void Clear(void);
};

#endif

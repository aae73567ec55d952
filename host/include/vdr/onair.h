// The stand-in's broadcast as it really goes on air, beside the guide: on real channels
// items start and last other than the guide says. A channel given items here is
// recorded from them; every other channel is recorded from its guide.
#ifndef __VDR_ONAIR_H
#define __VDR_ONAIR_H

#include <string>
#include <time.h>
#include <vector>
#include <vdr/channels.h>

// How an item begins after the one before, as music channels go from one video to the
// next: a gap of black and digital silence, the sound dipping for 0.2 s to -40 dB over a
// hard cut of the picture, a hard cut over which the sound runs on, or 0.5 s of black
// with the sound dipped as in the dip.
enum eTransition { trSilence, trDip, trCut, trFade };

// The transition named "silence", "dip", "cut" or "fade"; false for another name.
bool ParseTransition(const std::string &Name, eTransition &Transition);

struct tOnAirItem {
  time_t start;
  int duration; // seconds
  std::string title;
  eTransition transition = trSilence;
};

class cOnAir {
public:
  // Puts Title on air on Channel from Start for Duration seconds.
  static void Add(const tChannelID &Channel, time_t Start, int Duration, const char *Title, eTransition Transition = trSilence);
  // The items of Channel by start time; false when it airs what its guide says.
  static bool Items(const tChannelID &Channel, std::vector<tOnAirItem> &Items);
  static void Clear(void);
};

#endif

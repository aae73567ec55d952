#include <vdr/onair.h>

#include <algorithm>
#include <map>
#include <vdr/thread.h>

namespace {

// The recorder reads on its thread what scripts and tests add on theirs.
cMutex mutex;
std::map<std::string, std::vector<tOnAirItem>> channels;

} // namespace

bool ParseTransition(const std::string &Name, eTransition &Transition)
{
  static const char *const Names[] = { "silence", "dip", "cut", "fade" };
  for (int i = 0; i < 4; i++) {
      if (Name == Names[i]) {
         Transition = eTransition(i);
         return true;
      }
  }
  return false;
}

void cOnAir::Add(const tChannelID &Channel, time_t Start, int Duration, const char *Title, eTransition Transition)
{
  cMutexLock lock(&mutex);
  std::vector<tOnAirItem> &items = channels[*Channel.ToString()];
  tOnAirItem item = { Start, Duration, Title ? Title : "", Transition };
  items.insert(std::upper_bound(items.begin(), items.end(), item, [](const tOnAirItem &a, const tOnAirItem &b) { return a.start < b.start; }), item);
}

bool cOnAir::Items(const tChannelID &Channel, std::vector<tOnAirItem> &Items)
{
  cMutexLock lock(&mutex);
  auto it = channels.find(*Channel.ToString());
  if (it == channels.end())
     return false;
  Items = it->second;
  return true;
}

void cOnAir::Clear(void)
{
  cMutexLock lock(&mutex);
  channels.clear();
}

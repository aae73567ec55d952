#include <vdr/remote.h>

#include <deque>
#include <string>
#include <vdr/clock.h>
#include <vdr/thread.h>

static cMutex mutex;
static cCondWait keyPressed;
static std::deque<eKeys> keys;
static std::string plugin; // pending CallPlugin, empty for none

bool cRemote::Put(eKeys Key, bool AtFront)
{
  if (Key == kNone)
     return false;
  {
    cMutexLock lock(&mutex);
    if (AtFront)
       keys.push_front(Key);
    else
       keys.push_back(Key);
  }
  keyPressed.Signal();
  return true;
}

bool cRemote::CallPlugin(const char *Plugin)
{
  if (!Plugin || !*Plugin)
     return false;
  {
    cMutexLock lock(&mutex);
    if (!plugin.empty())
       return false;
    plugin = Plugin;
  }
  keyPressed.Signal();
  return true;
}

cString cRemote::GetPlugin(void)
{
  cMutexLock lock(&mutex);
  if (plugin.empty())
     return NULL;
  cString name(plugin.c_str());
  plugin.clear();
  return name;
}

bool cRemote::HasKeys(void)
{
  cMutexLock lock(&mutex);
  return !keys.empty();
}

eKeys cRemote::Get(int WaitMs)
{
  uint64_t deadline = cClock::NowMs() + uint64_t(WaitMs > 0 ? WaitMs : 0);
  for (;;) {
      {
        cMutexLock lock(&mutex);
        if (!keys.empty()) {
           eKeys k = keys.front();
           keys.pop_front();
           return k;
        }
      }
      uint64_t now = cClock::NowMs();
      if (now >= deadline)
         return kNone;
      keyPressed.Wait(int(deadline - now));
  }
}

void cRemote::Clear(void)
{
  cMutexLock lock(&mutex);
  keys.clear();
  plugin.clear();
}

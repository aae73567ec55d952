#include "broadcastdevice.h"

#include <vdr/sources.h>

// A recorder that stops taking packets must not make the queue grow without end: two
// seconds of a transponder's rate are kept, the oldest dropped beyond.
static const size_t MaxQueued = 2 * 64000000 / 8 / TS_SIZE;
static const int WaitMs = 100;

cBroadcastDevice::cBroadcastDevice(void)
{
  source = cSource::FromString("S19.2E");
  transponder = 0;
  dvrOpen = false;
}

cBroadcastDevice::~cBroadcastDevice()
{
  EndBroadcasts();
  // the device's thread calls GetTSPacket, which must not outlive this object
  Cancel(3);
}

cString cBroadcastDevice::DeviceType(void) const
{
  return "VIM";
}

cString cBroadcastDevice::DeviceName(void) const
{
  return "Vimora broadcast receiver";
}

bool cBroadcastDevice::ProvidesSource(int Source) const
{
  return Source == source;
}

bool cBroadcastDevice::ProvidesTransponder(const cChannel *Channel) const
{
  return ProvidesSource(Channel->Source());
}

// As a receiver with one tuner: a channel on the tuned transponder joins the receivers
// there; another needs them detached, which a higher priority may ask for.
bool cBroadcastDevice::ProvidesChannel(const cChannel *Channel, int Priority, bool *NeedsDetachReceivers) const
{
  bool result = false, needsDetach = false;
  if (ProvidesTransponder(Channel)) {
     result = Priority == IDLEPRIORITY || Priority > this->Priority();
     if (Priority > IDLEPRIORITY && Receiving()) {
        if (IsTunedToTransponder(Channel))
           result = true;
        else
           needsDetach = true;
        }
     }
  if (NeedsDetachReceivers)
     *NeedsDetachReceivers = needsDetach;
  return result;
}

int cBroadcastDevice::NumProvidedSystems(void) const
{
  return 1;
}

int cBroadcastDevice::SignalStrength(void) const
{
  return HasLock() ? 100 : -1;
}

int cBroadcastDevice::SignalQuality(void) const
{
  return HasLock() ? 100 : -1;
}

bool cBroadcastDevice::IsTunedToTransponder(const cChannel *Channel) const
{
  cMutexLock lock(&mutex);
  return tuned.Valid() && Channel->Source() == source && Channel->Transponder() == transponder;
}

bool cBroadcastDevice::HasLock(int TimeoutMs) const
{
  (void)TimeoutMs;
  cMutexLock lock(&mutex);
  return tuned.Valid();
}

bool cBroadcastDevice::SetChannelDevice(const cChannel *Channel, bool LiveView)
{
  (void)LiveView;
  cMutexLock lock(&mutex);
  // Tuned to its transponder already (live view joining a recording, a recording of
  // another channel there): as with a real tuner the stream goes on undisturbed, or the
  // recorder would count the continuity break as errors.
  if (tuned.Valid() && transponder == Channel->Transponder())
     return true;
  tuned = Channel->GetChannelID();
  transponder = Channel->Transponder();
  queue.clear();
  counters.clear();
  return true;
}

bool cBroadcastDevice::SetPid(cPidHandle *Handle, int Type, bool On)
{
  // every PID of the tuned channel is on air; the receivers pick theirs
  (void)Handle;
  (void)Type;
  (void)On;
  return true;
}

bool cBroadcastDevice::OpenDvr(void)
{
  cMutexLock lock(&mutex);
  dvrOpen = true;
  queue.clear();
  return true;
}

void cBroadcastDevice::CloseDvr(void)
{
  cMutexLock lock(&mutex);
  dvrOpen = false;
  queue.clear();
}

bool cBroadcastDevice::GetTSPacket(uchar *&Data)
{
  cMutexLock lock(&mutex);
  if (queue.empty())
     arrived.TimedWait(mutex, WaitMs);
  if (queue.empty())
     Data = NULL;
  else {
     handedOut = queue.front();
     queue.pop_front();
     Data = handedOut.data();
     }
  return true;
}

void cBroadcastDevice::Deliver(int Transponder, const uchar *Packet)
{
  cMutexLock lock(&mutex);
  if (!dvrOpen || !tuned.Valid() || Transponder != transponder)
     return;
  std::array<uchar, TS_SIZE> p;
  memcpy(p.data(), Packet, TS_SIZE);
  // each segment's multiplexer counted from 0; on air the count runs on
  if (p[3] & 0x10) {
     int pid = ((p[1] & 0x1F) << 8) | p[2];
     uchar &next = counters[pid];
     p[3] = (p[3] & 0xF0) | next;
     next = (next + 1) & 0x0F;
     }
  if (queue.size() >= MaxQueued)
     queue.pop_front();
  queue.push_back(p);
  arrived.Broadcast();
}

void cBroadcastDevice::SetBroadcast(cBroadcast *Broadcast)
{
  cMutexLock lock(&broadcastMutex);
  for (auto b = broadcasts.begin(); b != broadcasts.end(); ++b) {
      if ((*b)->ChannelID() == Broadcast->ChannelID()) {
         delete *b; // stops its thread
         broadcasts.erase(b);
         break;
         }
      }
  broadcasts.push_back(Broadcast);
  Broadcast->Start();
}

void cBroadcastDevice::EndBroadcasts(void)
{
  cMutexLock lock(&broadcastMutex);
  for (cBroadcast *b : broadcasts)
      delete b;
  broadcasts.clear();
}

std::string cBroadcastDevice::BroadcastState(void)
{
  cMutexLock lock(&broadcastMutex);
  if (broadcasts.size() == 1)
     return broadcasts[0]->State();
  std::string states;
  for (cBroadcast *b : broadcasts)
      states += (states.empty() ? "" : "; ") + std::string(*b->ChannelID().ToString()) + ": " + b->State();
  return states.empty() ? "none" : states;
}

#include "broadcastdevice.h"

#include <vdr/sources.h>

// A recorder that stops taking packets must not make the queue grow without end: ten
// seconds of the broadcast's rate are kept, the oldest dropped beyond.
static const size_t MaxQueued = 10 * 1000000 / 8 / TS_SIZE;
static const int WaitMs = 100;

cBroadcastDevice::cBroadcastDevice(void)
{
  source = cSource::FromString("S19.2E");
  transponder = 0;
  dvrOpen = false;
  broadcast = NULL;
}

cBroadcastDevice::~cBroadcastDevice()
{
  SetBroadcast(NULL);
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
  // Tuned to it already (live view joining a recording): as with a real tuner the stream
  // goes on undisturbed, or the recorder would count the continuity break as errors.
  if (tuned == Channel->GetChannelID() && transponder == Channel->Transponder())
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

void cBroadcastDevice::Deliver(const tChannelID &Channel, const uchar *Packet)
{
  cMutexLock lock(&mutex);
  if (!dvrOpen || !(tuned == Channel))
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
  delete broadcast; // stops its thread
  broadcast = Broadcast;
  if (broadcast)
     broadcast->Start();
}

std::string cBroadcastDevice::BroadcastState(void)
{
  cMutexLock lock(&broadcastMutex);
  return broadcast ? broadcast->State() : "none";
}

// Channels: the id that names a channel everywhere in the host ("S19.2E-1-1092-10100"),
// the channel itself and the host's channel list, read from channels.conf.
#ifndef __VDR_CHANNELS_H
#define __VDR_CHANNELS_H

#include <vdr/config.h>
#include <vdr/thread.h>
#include <vdr/tools.h>

// Source, network, transport stream and service id, and an optional radio id.
// A satellite transponder without a transport stream id is named by its frequency,
// with the polarization in the hundred thousands (H 1, V 2, L 3, R 4).
struct tChannelID {
private:
  int source;
  int nid;
  int tid;
  int sid;
  int rid;

public:
  tChannelID(void) { source = nid = tid = sid = rid = 0; }
  tChannelID(int Source, int Nid, int Tid, int Sid, int Rid = 0) { source = Source; nid = Nid; tid = Tid; sid = Sid; rid = Rid; }
  bool operator==(const tChannelID &Arg) const;
  bool operator!=(const tChannelID &Arg) const { return !(*this == Arg); }
  bool Valid(void) const { return (nid || tid) && sid; }
  tChannelID &ClrRid(void) { rid = 0; return *this; }
  tChannelID &ClrPolarization(void);
  int Source(void) const { return source; }
  int Nid(void) const { return nid; }
  int Tid(void) const { return tid; }
  int Sid(void) const { return sid; }
  int Rid(void) const { return rid; }
  // "S19.2E-1-1092-10100" or with a radio id "...-10100-2"; anything else gives InvalidID.
  static tChannelID FromString(const char *s);
  cString ToString(void) const;
  static const tChannelID InvalidID;
};

// Sources are coded as a type letter (S satellite, C cable, T terrestrial, A atsc) and,
// for satellites, the orbital position in tenths of a degree with a west flag.
int SourceFromString(const char *s, const char **End = NULL);
cString SourceToString(int Source);

#define MAXAPIDS 32 // audio
#define MAXDPIDS 16 // dolby (AC3 + DTS)
#define MAXLANGCODE1 4 // a 3 letter language code, zero terminated
#define MAXLANGCODE2 8 // up to two 3 letter language codes, separated by '+' and zero terminated

// One line of channels.conf:
//   name[,short name][;provider]:frequency:parameters:source:symbol rate:vpid:apid:tpid:caid:sid:nid:tid:rid
// with vpid as "pid[+pcr pid][=stream type]" and apid as audio PIDs, then after ';' the
// Dolby ones, each "pid[=language][@stream type]", separated by ','. A line that starts
// with ':' separates groups of channels and is no channel itself.
class cChannel : public cListObject {
  friend class cChannels;

private:
  char *name;
  char *nameSuffix; // ",short name;provider" as found
  char *parameters;
  char *pids; // vpid:apid:tpid:caid as found, kept for writing back
  int vpid, ppid, vtype;
  int apids[MAXAPIDS + 1]; // lists are zero-terminated
  int atypes[MAXAPIDS + 1];
  char alangs[MAXAPIDS][MAXLANGCODE2];
  int dpids[MAXDPIDS + 1];
  int dtypes[MAXDPIDS + 1];
  char dlangs[MAXDPIDS][MAXLANGCODE2];
  int frequency;
  int source;
  int srate;
  int sid, nid, tid, rid;
  int number;
  bool groupSep;
  void Reset(void);
  bool ParseVideo(const std::string &Field);
  bool ParseAudio(const std::string &Field);

public:
  cChannel(void);
  cChannel(const cChannel &) = delete;
  cChannel &operator=(const cChannel &) = delete;
  virtual ~cChannel();
  bool Parse(const char *s);
  bool Save(FILE *f);
  cString ToText(void) const;
  // The name without short name and provider.
  const char *Name(void) const { return name; }
  int Number(void) const { return number; }
  int Frequency(void) const { return frequency; }
  int Source(void) const { return source; }
  int Sid(void) const { return sid; }
  int Vpid(void) const { return vpid; }
  int Ppid(void) const { return ppid; }
  int Vtype(void) const { return vtype; }
  // The i-th audio or Dolby PID, its language and stream type; 0 and "" past the last.
  int Apid(int i) const { return (0 <= i && i < MAXAPIDS) ? apids[i] : 0; }
  int Dpid(int i) const { return (0 <= i && i < MAXDPIDS) ? dpids[i] : 0; }
  const char *Alang(int i) const { return (0 <= i && i < MAXAPIDS) ? alangs[i] : ""; }
  const char *Dlang(int i) const { return (0 <= i && i < MAXDPIDS) ? dlangs[i] : ""; }
  int Atype(int i) const { return (0 <= i && i < MAXAPIDS) ? atypes[i] : 0; }
  int Dtype(int i) const { return (0 <= i && i < MAXDPIDS) ? dtypes[i] : 0; }
  bool GroupSep(void) const { return groupSep; }
  // The polarization letter of a satellite channel, or 0.
  char Polarization(void) const;
  int Transponder(void) const;
  tChannelID GetChannelID(void) const;
};

// The channel list. Reach it through LOCK_CHANNELS_READ / LOCK_CHANNELS_WRITE, as in the
// recorder; the host sets it up through the global before any thread runs.
class cChannels : public cConfig<cChannel> {
private:
  static cStateLock stateLock;

public:
  static const cChannels *GetChannelsRead(cStateKey &StateKey, int TimeoutMs = 0);
  static cChannels *GetChannelsWrite(cStateKey &StateKey, int TimeoutMs = 0);
  // Reads channels.conf (bad lines are reported with file and line and skipped) and numbers the channels.
  bool Load(const char *FileName, bool AllowComments = false, bool MustExist = false);
  // Gives every channel its number, counted from 1 in list order; group separators get 0.
  void ReNumber(void);
  cChannel *GetByNumber(int Number) const;
  // The channel with this id; failing that, when asked, one that differs only in its
  // radio id, then one that differs in its polarization (and radio id, if that was asked too).
  cChannel *GetByChannelID(tChannelID ChannelID, bool TryWithoutRid = false, bool TryWithoutPolarization = false) const;
};

extern cChannels Channels;

DEF_LIST_LOCK(Channels);

#define LOCK_CHANNELS_READ  USE_LIST_LOCK_READ(Channels)
#define LOCK_CHANNELS_WRITE USE_LIST_LOCK_WRITE(Channels)

#endif

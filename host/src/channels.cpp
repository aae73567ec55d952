#include <vdr/channels.h>

#include <algorithm>
#include <ctype.h>
#include <limits.h>

#include "fields.h"

cChannels Channels;
cStateLock cChannels::stateLock("Channels");

const cChannels *cChannels::GetChannelsRead(cStateKey &StateKey, int TimeoutMs)
{
  return stateLock.Lock(StateKey, false, TimeoutMs) ? &Channels : NULL;
}

cChannels *cChannels::GetChannelsWrite(cStateKey &StateKey, int TimeoutMs)
{
  return stateLock.Lock(StateKey, true, TimeoutMs) ? &Channels : NULL;
}

const tChannelID tChannelID::InvalidID;

static const int SourceTypeShift = 16;
static const int SourceWest = 0x8000;
static const int SourcePositionMask = 0x7FFF;
static const int PolarizationStep = 100000;
static const char Polarizations[] = "HVLR";

// --- sources ---------------------------------------------------------------

int SourceFromString(const char *s, const char **End)
{
  if (!s || !*s || !strchr("SCTA", *s))
     return 0;
  int source = *s << SourceTypeShift;
  const char *p = s + 1;
  if (*s == 'S') {
     // the orbital position, "19.2E" or "13E"
     int degrees = 0, tenths = 0, digits = 0;
     while (isdigit((unsigned char)*p) && digits < 4) {
       degrees = degrees * 10 + *p++ - '0';
       digits++;
     }
     if (!digits || degrees > 180)
        return 0;
     if (*p == '.') {
        p++;
        if (!isdigit((unsigned char)*p))
           return 0;
        tenths = *p++ - '0';
     }
     if (*p != 'E' && *p != 'W')
        return 0;
     source |= (*p++ == 'W' ? SourceWest : 0) | (degrees * 10 + tenths);
  }
  if (End)
     *End = p;
  else if (*p)
     return 0;
  return source;
}

cString SourceToString(int Source)
{
  char type = char(Source >> SourceTypeShift);
  if (type == 'S') {
     int position = Source & SourcePositionMask;
     return cString::sprintf("S%d.%d%c", position / 10, position % 10, (Source & SourceWest) ? 'W' : 'E');
  }
  if (type && strchr("CTA", type))
     return cString::sprintf("%c", type);
  return "-";
}

// --- tChannelID ------------------------------------------------------------

bool tChannelID::operator==(const tChannelID &Arg) const
{
  return source == Arg.source && nid == Arg.nid && tid == Arg.tid && sid == Arg.sid && rid == Arg.rid;
}

tChannelID &tChannelID::ClrPolarization(void)
{
  tid %= PolarizationStep;
  return *this;
}

tChannelID tChannelID::FromString(const char *s)
{
  const char *p;
  int source = SourceFromString(s, &p);
  if (!source || *p != '-')
     return InvalidID;
  std::vector<std::string> f = SplitFields(p + 1, '-');
  int n[4] = { 0, 0, 0, 0 };
  if (f.size() < 3 || f.size() > 4)
     return InvalidID;
  for (size_t i = 0; i < f.size(); i++) {
      if (!ParseInt(f[i], n[i]) || n[i] < 0)
         return InvalidID;
  }
  return tChannelID(source, n[0], n[1], n[2], n[3]);
}

cString tChannelID::ToString(void) const
{
  if (rid)
     return cString::sprintf("%s-%d-%d-%d-%d", *SourceToString(source), nid, tid, sid, rid);
  return cString::sprintf("%s-%d-%d-%d", *SourceToString(source), nid, tid, sid);
}

// --- cChannel --------------------------------------------------------------

cChannel::cChannel(void)
{
  name = nameSuffix = parameters = pids = NULL;
  Reset();
}

cChannel::~cChannel()
{
  free(name);
  free(nameSuffix);
  free(parameters);
  free(pids);
}

void cChannel::Reset(void)
{
  free(name);
  free(nameSuffix);
  free(parameters);
  free(pids);
  name = nameSuffix = parameters = pids = NULL;
  frequency = source = srate = sid = nid = tid = rid = number = 0;
  vpid = ppid = vtype = 0;
  memset(apids, 0, sizeof(apids));
  memset(atypes, 0, sizeof(atypes));
  memset(alangs, 0, sizeof(alangs));
  memset(dpids, 0, sizeof(dpids));
  memset(dtypes, 0, sizeof(dtypes));
  memset(dlangs, 0, sizeof(dlangs));
  groupSep = false;
}

// "pid[+pcr pid][=stream type]"
bool cChannel::ParseVideo(const std::string &Field)
{
  size_t plus = Field.find('+'), equals = Field.find('=');
  std::string pid = Field.substr(0, std::min(plus, equals));
  std::string pcr = plus == std::string::npos ? "" : Field.substr(plus + 1, equals == std::string::npos ? std::string::npos : equals - plus - 1);
  std::string type = equals == std::string::npos ? "" : Field.substr(equals + 1);
  return ParseInt(pid, vpid) && (pcr.empty() || ParseInt(pcr, ppid)) && (type.empty() || ParseInt(type, vtype)) && vpid >= 0 && ppid >= 0 && vtype >= 0;
}

// "pid[=language][@stream type]" each; the list ends at the first PID 0.
static bool ParsePids(const std::string &Field, int *Pids, int *Types, char (*Langs)[MAXLANGCODE2], int Max)
{
  if (Field.empty())
     return true;
  std::vector<std::string> entries = SplitFields(Field.c_str(), ',');
  if (int(entries.size()) > Max)
     return false;
  for (size_t i = 0; i < entries.size(); i++) {
      const std::string &e = entries[i];
      size_t equals = e.find('='), at = e.find('@');
      std::string lang = equals == std::string::npos ? "" : e.substr(equals + 1, at == std::string::npos ? std::string::npos : at - equals - 1);
      if (!ParseInt(e.substr(0, std::min(equals, at)), Pids[i]) || Pids[i] < 0 || lang.size() >= MAXLANGCODE2 ||
          (at != std::string::npos && (!ParseInt(e.substr(at + 1), Types[i]) || Types[i] < 0)))
         return false;
      strn0cpy(Langs[i], lang.c_str(), MAXLANGCODE2);
  }
  return true;
}

// audio PIDs, then after ';' the Dolby ones
bool cChannel::ParseAudio(const std::string &Field)
{
  size_t semicolon = Field.find(';');
  return ParsePids(Field.substr(0, semicolon), apids, atypes, alangs, MAXAPIDS) &&
         (semicolon == std::string::npos || ParsePids(Field.substr(semicolon + 1), dpids, dtypes, dlangs, MAXDPIDS));
}

bool cChannel::Parse(const char *s)
{
  Reset();
  if (*s == ':') {
     groupSep = true;
     name = strdup(s + 1);
     return !isempty(name);
  }
  std::vector<std::string> f = SplitFields(s, ':');
  if (f.size() != 13 || f[0].empty())
     return false;
  // Negative numbers would make an id that no timer or guide line can name again, and
  // the transponder (frequency plus polarization) must fit an int.
  if (!ParseInt(f[1], frequency) || !ParseInt(f[4], srate) || !ParseInt(f[9], sid) ||
      !ParseInt(f[10], nid) || !ParseInt(f[11], tid) || !ParseInt(f[12], rid) ||
      frequency < 0 || frequency > INT_MAX - 4 * PolarizationStep || srate < 0 || sid < 0 || nid < 0 || tid < 0 || rid < 0 ||
      !(source = SourceFromString(f[3].c_str())) || !ParseVideo(f[5]) || !ParseAudio(f[6]))
     return false;
  std::string fullName = Exchanged(f[0], '|', ':');
  size_t end = fullName.find_first_of(",;");
  if (end == 0)
     return false;
  name = strdup(fullName.substr(0, end).c_str());
  nameSuffix = strdup(end == std::string::npos ? "" : fullName.substr(end).c_str());
  parameters = strdup(f[2].c_str());
  pids = strdup((f[5] + ":" + f[6] + ":" + f[7] + ":" + f[8]).c_str());
  return true;
}

cString cChannel::ToText(void) const
{
  std::string n = Exchanged(std::string(name ? name : "") + (nameSuffix ? nameSuffix : ""), ':', '|');
  if (groupSep)
     return cString::sprintf(":%s", n.c_str());
  return cString::sprintf("%s:%d:%s:%s:%d:%s:%d:%d:%d:%d", n.c_str(), frequency, parameters, *SourceToString(source), srate, pids, sid, nid, tid, rid);
}

bool cChannel::Save(FILE *f)
{
  return fprintf(f, "%s\n", *ToText()) > 0;
}

char cChannel::Polarization(void) const
{
  if ((source >> SourceTypeShift) != 'S' || !parameters)
     return 0;
  for (const char *p = parameters; *p; p++) {
      const char *pol = strchr(Polarizations, toupper((unsigned char)*p));
      if (pol)
         return *pol;
  }
  return 0;
}

int cChannel::Transponder(void) const
{
  char pol = Polarization();
  return frequency + (pol ? int(strchr(Polarizations, pol) - Polarizations + 1) * PolarizationStep : 0);
}

tChannelID cChannel::GetChannelID(void) const
{
  if (groupSep)
     return tChannelID::InvalidID;
  return tChannelID(source, nid, (nid || tid) ? tid : Transponder(), sid, rid);
}

// --- cChannels -------------------------------------------------------------

bool cChannels::Load(const char *FileName, bool AllowComments, bool MustExist)
{
  bool result = cConfig<cChannel>::Load(FileName, AllowComments, MustExist);
  ReNumber();
  return result;
}

void cChannels::ReNumber(void)
{
  int number = 1;
  for (cChannel *c = First(); c; c = Next(c))
      c->number = c->groupSep ? 0 : number++;
}

cChannel *cChannels::GetByNumber(int Number) const
{
  for (cChannel *c = First(); c; c = Next(c))
      if (!c->groupSep && c->number == Number)
         return c;
  return NULL;
}

cChannel *cChannels::GetByChannelID(tChannelID ChannelID, bool TryWithoutRid, bool TryWithoutPolarization) const
{
  auto find = [this](tChannelID Wanted, bool ClrRid, bool ClrPolarization) -> cChannel * {
    for (cChannel *c = First(); c; c = Next(c)) {
        if (c->groupSep)
           continue;
        tChannelID id = c->GetChannelID();
        if (ClrRid)
           id.ClrRid();
        if (ClrPolarization)
           id.ClrPolarization();
        if (id == Wanted)
           return c;
    }
    return NULL;
  };
  cChannel *channel = find(ChannelID, false, false);
  if (!channel && TryWithoutRid)
     channel = find(tChannelID(ChannelID).ClrRid(), true, false);
  if (!channel && TryWithoutPolarization) {
     tChannelID id = ChannelID;
     if (TryWithoutRid)
        id.ClrRid();
     channel = find(id.ClrPolarization(), TryWithoutRid, true);
  }
  return channel;
}

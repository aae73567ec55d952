#include <vdr/interface.h>

#include <vdr/remote.h>
#include <vdr/skins.h>

static cInterface interface;
cInterface *Interface = &interface;

bool cInterface::Confirm(const char *s, int Seconds, bool WaitForTimeout)
{
  isyslog("confirm: %s", s);
  Skins.Message(mtWarning, s, Seconds);
  eKeys k = cRemote::Get(Seconds * 1000);
  bool result = WaitForTimeout ? k == kNone : k == kOk;
  Skins.Message(mtStatus, NULL);
  isyslog("%sconfirmed", result ? "" : "not ");
  return result;
}

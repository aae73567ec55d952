// The vimoradevice plug-in: gives the recorder a primary device that can replay on a
// machine without a receiver or a screen (replaydevice.h).
#include <vdr/plugin.h>

#include "replaydevice.h"

static const char *VERSION = "0.1.0";
static const char *DESCRIPTION = "Replaying output device that shows nothing";

class cPluginVimoradevice : public cPlugin {
public:
  virtual const char *Version(void) { return VERSION; }
  virtual const char *Description(void) { return DESCRIPTION; }
  virtual bool Initialize(void);
};

bool cPluginVimoradevice::Initialize(void)
{
  new cReplayDevice; // the recorder owns its devices
  return true;
}

VDRPLUGINCREATOR(cPluginVimoradevice);

#include <vdr/device.h>

#include <stddef.h>
#include <vector>

// Plug-ins' devices stay for the life of the process, like the receiving devices.
static std::vector<cDevice *> &PluginDevices(void)
{
  static std::vector<cDevice *> *devices = new std::vector<cDevice *>;
  return *devices;
}

cDevice::cDevice(void)
{
  deviceNumber = MAXDEVICES + int(PluginDevices().size());
  PluginDevices().push_back(this);
}

cDevice *cDevice::GetDevice(int Index)
{
  // Built on first use and never destroyed: threads may still ask during shutdown.
  static cDevice *devices[MAXDEVICES] = { new cDevice(0), new cDevice(1) };
  return Index >= 0 && Index < MAXDEVICES ? devices[Index] : NULL;
}

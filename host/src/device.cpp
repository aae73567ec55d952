#include <vdr/device.h>

#include <stddef.h>

cDevice *cDevice::GetDevice(int Index)
{
  // Built on first use and never destroyed: threads may still ask during shutdown.
  static cDevice *devices[MAXDEVICES] = { new cDevice(0), new cDevice(1) };
  return Index >= 0 && Index < MAXDEVICES ? devices[Index] : NULL;
}

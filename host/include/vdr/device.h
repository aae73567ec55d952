// The host's receiving devices. The host has a fixed set of them; the recorder puts
// each recording on the device that carries the fewest.
#ifndef __VDR_DEVICE_H
#define __VDR_DEVICE_H

#define MAXDEVICES 2

class cDevice {
private:
  int deviceNumber;
  cDevice(int DeviceNumber) { deviceNumber = DeviceNumber; }

public:
  cDevice(const cDevice &) = delete;
  cDevice &operator=(const cDevice &) = delete;
  // Counted from 0.
  int DeviceNumber(void) const { return deviceNumber; }
  // The index of the card behind the device; every device here is a card of its own.
  int CardIndex(void) const { return deviceNumber; }
  static int NumDevices(void) { return MAXDEVICES; }
  // The device with this number, or null.
  static cDevice *GetDevice(int Index);
  static cDevice *PrimaryDevice(void) { return GetDevice(0); }
};

#endif

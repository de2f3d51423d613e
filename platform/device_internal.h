// Device services the kernel calls reach; internal to the platform.
#pragma once

#include <vector>

#include "platform/windef.h"

namespace platform::device {

// The hardware identity of the open device; false when no device is open.
bool HardwareId(std::vector<BYTE>* identity);
// Records a reboot request for the host (IOCTL_HAL_REBOOT).
void RequestReboot();
// Sets the clean-boot flag so the next Open wipes the object store; false
// when no device is open or the flag can't be written.
bool SetCleanBootFlag();

}  // namespace platform::device

// Process-wide session state of the entry points.
#pragma once

#include "platform/windef.h"

// "OMREL_AUTHENTICATE_MUTEX" while a logon session runs, else null.
extern HANDLE g_hAuthenticateMutex;
// The logon was asked for by the module's own main window.
extern bool g_bOwnWindowCall;
// The logon runs inside LockDevice.
extern bool g_bLockDeviceCall;
// The logon was asked for by another program: its dialog may go behind.
extern bool g_bOutsideCaller;

#include "lockout/session_flags.h"

HANDLE g_hAuthenticateMutex = nullptr;
bool g_bOwnWindowCall = false;
bool g_bLockDeviceCall = false;
bool g_bOutsideCaller = false;

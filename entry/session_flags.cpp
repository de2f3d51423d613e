#include "entry/session_flags.h"

HINSTANCE g_hResourceModule = nullptr;
HANDLE g_hAuthenticateMutex = nullptr;
int g_bOwnWindowCall = 0;
int g_bLockDeviceCall = 0;
int g_bOutsideCaller = 0;
int g_bPasswordVerified = 0;
int g_bSymbolPasswordVerified = 0;
int g_bSignatureVerified = 0;

// Process-wide session state of the entry points.
#pragma once

#include "platform/windef.h"

// Held while a logon session runs; a second logon answers at once.
inline constexpr const WCHAR* kAuthenticateMutexName = u"OMREL_AUTHENTICATE_MUTEX";

// Module whose string table, dialogs, icons and bitmaps are used.
extern HINSTANCE g_hResourceModule;
// "OMREL_AUTHENTICATE_MUTEX" while a logon session runs, else null.
extern HANDLE g_hAuthenticateMutex;
extern int g_bOwnWindowCall;
extern int g_bLockDeviceCall;
extern int g_bOutsideCaller;
extern int g_bPasswordVerified;
extern int g_bSymbolPasswordVerified;
extern int g_bSignatureVerified;

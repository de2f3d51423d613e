// Names of the module's named kernel objects, shared by every process of a
// device: one applet at a time, and one logon at a time.
#pragma once

#include "platform/windef.h"

inline constexpr const WCHAR* kAppMutexName = u"OMREL_APP_MUTEX";
inline constexpr const WCHAR* kAuthenticateMutexName = u"OMREL_AUTHENTICATE_MUTEX";

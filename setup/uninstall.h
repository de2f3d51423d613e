// The uninstaller's entry: after the master password, the system gets its
// own password prompt back and the module's settings, secrets and
// signature control registration are removed.
#pragma once

#include "platform/windef.h"

// 0 = removed; 1 = the master password prompt was cancelled, nothing
// changed; -1 = a logon runs, or the system password could not be reset.
extern "C" LONG Uninstall(HWND hwndParent);

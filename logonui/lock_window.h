// The change that keeps a window in lock mode under the logon.
#pragma once

#include "platform/windef.h"

// Hides the Done button of `window`, adds style bit 0x00010000 and
// updates it (a null window is ignored).
void PrepareLockWindow(HWND window);

// Window-state queries the store needs before the full window system: the
// active window of the calling thread owns error boxes.
#pragma once

#include "platform/windef.h"

// The calling thread's active window, or null when it has none.
HWND GetActiveWindow();

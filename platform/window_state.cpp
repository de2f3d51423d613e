#include "platform/window_state.h"

// No window of the device exists until the window system is running, so a
// thread has no active window yet.
HWND GetActiveWindow() {
  return nullptr;
}

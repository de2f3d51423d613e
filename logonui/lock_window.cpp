#include "logonui/lock_window.h"

#include "platform/ui/shell/shell.h"
#include "platform/ui/window/window.h"

namespace {
constexpr DWORD kLockStyle = 0x00010000;
}  // namespace

void PrepareLockWindow(HWND window) {
  if (window == nullptr) return;
  SHDoneButton(window, SHDB_HIDE);
  SetWindowLong(window, GWL_STYLE, GetWindowLong(window, GWL_STYLE) | kLockStyle);
  UpdateWindow(window);
}

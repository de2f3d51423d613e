#include "platform/ui/shell/shell_bar.h"

#include "platform/ui/shell/shell_internal.h"

namespace platform::ui::shell::detail {

HWND CreateBar(WNDPROC proc, LPCWSTR className, int top, int height) {
  WNDCLASS wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = className;
  RegisterClass(&wc);  // fails harmlessly when a previous start registered it
  return CreateWindowEx(WS_EX_TOPMOST | WS_EX_NOACTIVATE, className, u"", WS_POPUP | WS_VISIBLE, 0,
                        top, kScreenWidth, height, nullptr, 0, nullptr, nullptr);
}

void EndBarPress(HWND bar) {
  if (GetCapture() == bar) ReleaseCapture();
  InvalidateRect(bar, nullptr, FALSE);
}

}  // namespace platform::ui::shell::detail

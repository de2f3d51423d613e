// What the taskbar and the menu bar have in common: a strip across the
// screen that stays on top and never takes activation, and buttons that
// track the stylus from press to release.
#pragma once

#include "platform/ui/window/window.h"

namespace platform::ui::shell::detail {

// Registers the bar's class (again after a restart is harmless) and creates
// the bar, full screen width, at `top`.
HWND CreateBar(WNDPROC proc, LPCWSTR className, int top, int height);

// Ends a press on one of the bar's buttons: lets go of the stylus and
// repaints the bar with the button up.
void EndBarPress(HWND bar);

}  // namespace platform::ui::shell::detail

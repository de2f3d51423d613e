// The quick-access lock icon on the taskbar: a small program of the
// device beside the password module. The General page of the module's
// settings broadcasts "WM_CHANGE_ICON_STATE" (11 show, 12 hide) when its
// "Show command bar icon" is accepted; this program listens for it on a
// hidden top-level window and puts its padlock on the taskbar or takes it
// off. At boot it follows the stored "ShowQuickAccess". A tap on the
// padlock runs the action it was given (the device locks).
//
// The module knows nothing of it: only the message and the setting are
// shared.
#pragma once

#include <cstddef>
#include <functional>

#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window.h"

namespace pda {

// The taskbar icon's id under the program's window, and its size.
inline constexpr UINT kQuickAccessIconId = 1;
inline constexpr int kQuickAccessIconSize = 16;
inline constexpr std::size_t kQuickAccessIconPixels = kQuickAccessIconSize * kQuickAccessIconSize;

class QuickAccessIcon {
 public:
  explicit QuickAccessIcon(std::function<void()> onTap);
  ~QuickAccessIcon();
  QuickAccessIcon(const QuickAccessIcon&) = delete;
  QuickAccessIcon& operator=(const QuickAccessIcon&) = delete;

  // Makes the hidden window and shows or hides the icon as the stored
  // setting says. False when the window or the icon image can't be made.
  bool Start();
  // Shows or hides the icon as the stored setting says (after a boot).
  void FollowSetting();
  bool Shown() const { return shown_; }
  HWND Window() const { return window_; }

  // HKLM settings key "ShowQuickAccess" is 1. A device where the module
  // never stored its settings (no value) has nothing to lock with: no icon.
  static bool SettingOn();

 private:
  void Show(bool show);
  static LRESULT Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::function<void()> onTap_;
  HWND window_ = nullptr;
  HICON icon_ = nullptr;
  UINT changeIconMessage_ = 0;
  bool shown_ = false;
};

}  // namespace pda

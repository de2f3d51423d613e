#include "device/quick_access_icon.h"

#include <array>
#include <cstdint>

#include "platform/registry.h"
#include "platform/ui/shell/shell.h"
#include "setup/general_page.h"
#include "store/settings_model.h"

namespace pda {
namespace {

constexpr LPCWSTR kQuickAccessClass = u"PdaQuickAccess";
// The taskbar's note of a tap on the icon.
constexpr UINT kIconTapMessage = WM_USER + 1;

// A white padlock: a shackle over a body with a keyhole.
std::array<std::uint32_t, kQuickAccessIconPixels> PadlockPixels() {
  constexpr int n = kQuickAccessIconSize;
  constexpr std::uint32_t kWhite = 0xFFFFFFFF;
  constexpr std::uint32_t kHole = 0xFF14387C;
  std::array<std::uint32_t, kQuickAccessIconPixels> pixels{};
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      std::uint32_t& p = pixels[static_cast<std::size_t>(y * n + x)];
      const bool body = y >= 7 && y <= 14 && x >= 2 && x <= 13;
      const bool keyhole = (y >= 9 && y <= 12 && x >= 7 && x <= 8);
      // The shackle: the ring between radius 3 and 5 around (7.5, 6), upper half.
      const double dx = x - 7.5;
      const double dy = y - 6.0;
      const double r2 = dx * dx + dy * dy;
      const bool shackle = y <= 7 && r2 >= 9.0 && r2 <= 25.0;
      if (body)
        p = keyhole ? kHole : kWhite;
      else if (shackle)
        p = kWhite;
    }
  }
  return pixels;
}

}  // namespace

QuickAccessIcon::QuickAccessIcon(std::function<void()> onTap) : onTap_(std::move(onTap)) {}

QuickAccessIcon::~QuickAccessIcon() {
  if (window_ && IsWindow(window_)) {
    Show(false);
    DestroyWindow(window_);
  }
  if (icon_) DestroyIcon(icon_);
}

bool QuickAccessIcon::SettingOn() {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD value = 0;
  DWORD size = sizeof(value);
  DWORD type = 0;
  const LONG status = RegQueryValueEx(key, u"ShowQuickAccess", nullptr, &type,
                                      reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD && value == 1;
}

bool QuickAccessIcon::Start() {
  if (window_ && IsWindow(window_)) {
    FollowSetting();
    return true;
  }
  static const bool registered = [] {
    WNDCLASS wc{};
    wc.lpfnWndProc = &QuickAccessIcon::Proc;
    wc.lpszClassName = kQuickAccessClass;
    return RegisterClass(&wc) != 0;
  }();
  if (!registered) return false;
  if (!icon_) {
    const auto pixels = PadlockPixels();
    icon_ = CreateIconFromPixels(kQuickAccessIconSize, kQuickAccessIconSize, pixels.data());
    if (!icon_) return false;
  }
  changeIconMessage_ = RegisterWindowMessage(kChangeIconStateMessage);
  // Never shown: a top-level window only so the broadcast reaches it.
  window_ =
      CreateWindowEx(0, kQuickAccessClass, u"", WS_POPUP, 0, 0, 0, 0, nullptr, 0, nullptr, this);
  if (!window_) return false;
  FollowSetting();
  return true;
}

void QuickAccessIcon::FollowSetting() {
  Show(SettingOn());
}

void QuickAccessIcon::Show(bool show) {
  if (!window_) return;
  NOTIFYICONDATA data{};
  data.cbSize = sizeof(data);
  data.hWnd = window_;
  data.uID = kQuickAccessIconId;
  if (show && !shown_) {
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kIconTapMessage;
    data.hIcon = icon_;
    constexpr char16_t kTip[] = u"Lock the device";
    std::copy(std::begin(kTip), std::end(kTip), data.szTip);
    shown_ = Shell_NotifyIcon(NIM_ADD, &data) != FALSE;
  } else if (!show && shown_) {
    Shell_NotifyIcon(NIM_DELETE, &data);
    shown_ = false;
  }
}

LRESULT QuickAccessIcon::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCT*>(lParam);
    SetWindowLong(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return 0;
  }
  auto* self = reinterpret_cast<QuickAccessIcon*>(GetWindowLong(window, GWL_USERDATA));
  if (self && message == self->changeIconMessage_ && message != 0) {
    // Other values are not ours to interpret: the icon stays as it is.
    if (wParam == kShowQuickAccessIcon) self->Show(true);
    if (wParam == kHideQuickAccessIcon) self->Show(false);
    return 0;
  }
  if (self && message == kIconTapMessage) {
    if (wParam == kQuickAccessIconId && lParam == WM_LBUTTONUP && self->shown_ && self->onTap_) {
      // A copy: the lock runs a modal logon, during which anything may change.
      const std::function<void()> tap = self->onTap_;
      tap();
    }
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

}  // namespace pda

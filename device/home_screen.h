// The device's home screen ("Today"): the date, the time and the owner's
// name from the system's owner record, and below them the entries of what
// the device offers (added by the host).
//
// It is a modeless dialog of its own template id, so scripts see it as
// `expect dialog 1` and read its fields by id.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window.h"

namespace pda {

inline constexpr UINT kHomeScreenId = 1;
inline constexpr int kHomeDateId = 1001;   // "Monday, 1 January 2001"
inline constexpr int kHomeTimeId = 1002;   // "00:00", as the taskbar shows it
inline constexpr int kHomeOwnerId = 1003;  // the owner's name; empty when none is set

class HomeScreen {
 public:
  HomeScreen();
  ~HomeScreen();
  HomeScreen(const HomeScreen&) = delete;
  HomeScreen& operator=(const HomeScreen&) = delete;

  // Makes the window (filling the work area between the taskbar and the
  // menu bar) and brings it to the front. False when it can't be made.
  bool Show();
  HWND Window() const { return window_; }

  // An entry: a button below the owner's name; `action` runs when it is
  // tapped (or chosen with the keyboard). False for an id in use or
  // before Show. Entries with an icon take a row of their own with the
  // icon at its left; the others go two to a row.
  bool AddEntry(int id, std::u16string_view label, std::function<void()> action,
                HICON icon = nullptr);

  // Reads the clock and the owner record again and shows what changed.
  // The screen does this itself each minute and whenever it comes back to
  // the front.
  void Refresh();

  // Keyboard navigation between the entries (IsDialogMessage); the main
  // loop passes every message here first.
  bool PreTranslate(MSG* msg);

  // The owner's name: the first field of HKEY_CURRENT_USER
  // "ControlPanel\Owner" "Owner" (UTF-16 at offset 0, up to its first zero
  // or 36 characters); empty when the record is missing.
  static std::u16string OwnerName();
  // The date for a tick: on the virtual clock tick 0 is midnight of
  // Monday, 1 January 2001 and each 86,400,000 ms is a day; on the real
  // clock it is the host's local date.
  static std::u16string DateText(DWORD tick);

 private:
  struct Entry {
    int id;
    std::function<void()> action;
    HWND button;
    HICON icon;
    POINT iconAt;
  };

  static LONG_PTR Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc) const;
  void ArmClock();
  void SetText(int id, const std::u16string& text);
  HWND AddStatic(int id, int x, int y, int width, int height, HFONT font);

  HWND window_ = nullptr;
  HFONT dateFont_ = nullptr;
  HFONT timeFont_ = nullptr;
  HFONT headingFont_ = nullptr;
  std::vector<Entry> entries_;
  // Where the next entry goes: its row's top, and whether the row's left
  // half is taken.
  int nextTop_ = 0;
  bool rightHalf_ = false;
};

}  // namespace pda

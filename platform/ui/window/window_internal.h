// Window-system services for the rest of platform/ui (painter, dialogs,
// controls, class library, shell, scripted user). Not for module code.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/ui/window/window.h"

namespace platform::ui {

// Thickness in pixels of the frame drawn around a window with WS_BORDER,
// WS_DLGFRAME (so WS_CAPTION), WS_EX_DLGMODALFRAME, WS_EX_CLIENTEDGE,
// WS_EX_STATICEDGE, or a "Dialog" window with DS_MODALFRAME. The client
// area is the window rectangle inset by it on every side. No window has a
// caption bar of its own: the shell's title bar shows the foreground
// window's text.
inline constexpr int kFrameThickness = 1;
int FrameThickness(HWND window);

// Called with the class name when CreateWindowEx, GetClassInfo or
// RegisterClass's duplicate check meets a name that is not registered; a
// provider that owns the name registers it and returns true. Lets the
// owners of predefined classes ("Dialog", "BUTTON", ...) register them at
// first use. Providers may also simply register at library load.
using ClassProvider = std::function<bool(std::u16string_view className)>;
void AddClassProvider(ClassProvider provider);

// Called on the creating thread right after a window exists and before it
// gets WM_CREATE (the class library attaches its objects here). Returns the
// previous hook.
using CreateHook = std::function<void(HWND window, const CREATESTRUCT& create)>;
CreateHook SetCreateHook(CreateHook hook);

// The window's pending update: the invalid part of its client area and
// whether the background is to be erased. False when nothing is invalid.
bool GetUpdateState(HWND window, RECT* update, bool* erase);
// True when some visible window waits to be painted.
bool ScreenNeedsCompose();

// What the screen's picture depends on besides the windows' contents, read
// in one look: every shown window in paint order (bottom-most top-level
// window first, each followed by its children bottom-up) with its screen
// rectangle, the part of it its parents let show, and its styles; and the
// active and focus windows. Equal layouts (ignoring `invalid`) paint alike
// wherever no window is invalid. For the composer's incremental frames.
struct ShownWindow {
  HWND window;
  RECT outer;
  RECT visible;
  DWORD style;
  DWORD exStyle;
  bool invalid;
};
struct ScreenLayout {
  std::vector<ShownWindow> windows;
  HWND active = nullptr;
  HWND focus = nullptr;
  bool SameAs(const ScreenLayout& other) const;
};
void GetScreenLayout(ScreenLayout* layout);

// Wakes a thread blocked in its message loop's real-clock wait (input and
// posts from other threads, datagrams from other processes).
void WakeUp();

// Set in lParam of a WM_KEYDOWN when the input layer delivers the key's
// character itself (input::Char right after input::KeyDown): then
// TranslateMessage adds no WM_CHAR for it.
inline constexpr LPARAM kKeyCharDelivered = LPARAM{1} << 25;

}  // namespace platform::ui

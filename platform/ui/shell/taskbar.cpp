// The taskbar across the top of the screen: the start icon, the title of
// the window in front, the programs' icons, the clock and, for windows
// that have one, the Done button.
#include <algorithm>

#include "platform/kernel.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/shell/shell_bar.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/window_dc.h"

namespace platform::ui::shell {
namespace {

constexpr LPCWSTR kTaskbarClass = u"ShellTaskbar";
constexpr std::uintptr_t kClockTimer = 1;
constexpr COLORREF kBar = RGB(20, 56, 124);
constexpr COLORREF kBarEdge = RGB(8, 28, 70);
constexpr COLORREF kText = RGB(255, 255, 255);

bool g_donePressed = false;
// The taskbar icon under a press that has not been released yet.
HWND g_iconPressWindow = nullptr;
UINT g_iconPressId = 0;

HFONT TitleFont() {
  static HFONT font = CreateFont(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Tahoma");
  return font;
}

HFONT ClockFont() {
  static HFONT font = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Tahoma");
  return font;
}

void Fill(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
}

void DrawPolygon(HDC dc, const POINT* points, int count, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ oldBrush = SelectObject(dc, reinterpret_cast<HGDIOBJ>(brush));
  HGDIOBJ oldPen = SelectObject(dc, reinterpret_cast<HGDIOBJ>(pen));
  Polygon(dc, points, count);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(reinterpret_cast<HGDIOBJ>(pen));
  DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
}

// A compass-like diamond: the device's own start mark.
void PaintStartIcon(HDC dc) {
  const POINT outer[] = {{13, 4}, {22, 13}, {13, 22}, {4, 13}};
  const POINT inner[] = {{13, 8}, {18, 13}, {13, 18}, {8, 13}};
  const POINT core[] = {{13, 11}, {15, 13}, {13, 15}, {11, 13}};
  DrawPolygon(dc, outer, 4, RGB(255, 255, 255));
  DrawPolygon(dc, inner, 4, RGB(70, 140, 230));
  DrawPolygon(dc, core, 4, RGB(255, 255, 255));
}

void PaintDoneButton(HDC dc, RECT r) {
  Fill(dc, r, g_donePressed ? kText : RGB(52, 96, 172));
  HBRUSH frame = CreateSolidBrush(kText);
  FrameRect(dc, &r, frame);
  DeleteObject(reinterpret_cast<HGDIOBJ>(frame));
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(TitleFont()));
  SetTextColor(dc, g_donePressed ? kBar : kText);
  DrawText(dc, u"OK", 2, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

LONG ClockRight() {
  return DoneButtonVisible() ? DoneButtonRect().left - 6 : kScreenWidth - 4;
}

LONG ClockWidth(HDC dc, const std::u16string& time) {
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(ClockFont()));
  SIZE extent{};
  GetTextExtentPoint32(dc, time.c_str(), static_cast<int>(time.size()), &extent);
  SelectObject(dc, old);
  return extent.cx;
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  const RECT all = {0, 0, kScreenWidth, kTaskbarHeight};
  Fill(dc, all, kBar);
  Fill(dc, {0, kTaskbarHeight - 1, kScreenWidth, kTaskbarHeight}, kBarEdge);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kText);

  const bool startIcon = StartIconVisible();
  if (startIcon) PaintStartIcon(dc);
  if (DoneButtonVisible()) PaintDoneButton(dc, DoneButtonRect());
  const LONG right = ClockRight();

  const std::u16string time = ClockText(GetTickCount());
  RECT clock = {right - ClockWidth(dc, time), 0, right, kTaskbarHeight - 1};
  LONG titleRight = clock.left - 6;
  for (const TaskbarIcon& icon : TaskbarIcons()) {
    DrawIcon(dc, icon.rect.left, icon.rect.top, icon.icon);
    titleRight = std::min(titleRight, icon.rect.left - 6);
  }
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(ClockFont()));
  SetTextColor(dc, kText);
  DrawText(dc, time.c_str(), static_cast<int>(time.size()), &clock,
           DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

  SelectObject(dc, reinterpret_cast<HGDIOBJ>(TitleFont()));
  std::u16string title;
  if (HWND fg = detail::ShellForeground()) {
    const int length = GetWindowTextLength(fg);
    title.resize(static_cast<std::size_t>(length) + 1);
    title.resize(static_cast<std::size_t>(GetWindowText(fg, title.data(), length + 1)));
  }
  RECT titleRect = {startIcon ? kTaskbarHeight + 2 : 6, 0, titleRight, kTaskbarHeight - 1};
  DrawText(dc, title.c_str(), static_cast<int>(title.size()), &titleRect,
           DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, old);
  EndPaint(window, &ps);
}

bool Inside(const RECT& r, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(static_cast<DWORD>(lParam)));
  const int y = static_cast<short>(HIWORD(static_cast<DWORD>(lParam)));
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

bool InDone(LPARAM lParam) {
  return Inside(DoneButtonRect(), lParam);
}

// The taskbar icon under the stylus; false when there is none.
bool IconAt(LPARAM lParam, TaskbarIcon* found) {
  for (const TaskbarIcon& icon : TaskbarIcons()) {
    if (Inside(icon.rect, lParam)) {
      *found = icon;
      return true;
    }
  }
  return false;
}

void ArmClock(HWND window) {
  SetTimer(window, kClockTimer, MsToNextMinute(GetTickCount()), nullptr);
}

LRESULT TaskbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      ArmClock(window);
      return 0;
    case WM_TIMER:
      if (wParam != kClockTimer) break;
      // Re-armed each minute so the clock turns on the minute even when a
      // tick came late.
      ArmClock(window);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_LBUTTONDOWN: {
      TaskbarIcon icon;
      if (InDone(lParam)) {
        g_donePressed = true;
        SetCapture(window);
        InvalidateRect(window, nullptr, FALSE);
      } else if (IconAt(lParam, &icon)) {
        g_iconPressWindow = icon.window;
        g_iconPressId = icon.id;
        SetCapture(window);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      if (g_iconPressWindow != nullptr) {
        // Released on the icon it was pressed on: the program hears of it.
        TaskbarIcon icon;
        const bool same =
            IconAt(lParam, &icon) && icon.window == g_iconPressWindow && icon.id == g_iconPressId;
        g_iconPressWindow = nullptr;
        detail::EndBarPress(window);
        if (same) PostMessage(icon.window, icon.callbackMessage, icon.id, WM_LBUTTONUP);
        return 0;
      }
      if (!g_donePressed) return 0;
      g_donePressed = false;
      detail::EndBarPress(window);
      if (InDone(lParam)) detail::PressDone();
      return 0;
    }
    case WM_DESTROY:
      KillTimer(window, kClockTimer);
      g_donePressed = false;
      g_iconPressWindow = nullptr;
      return 0;
    default:
      break;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

}  // namespace

namespace detail {

LONG TaskbarIconsRight() {
  HDC dc = CreateCompatibleDC(nullptr);
  const LONG width = ClockWidth(dc, ClockText(GetTickCount()));
  DeleteDC(dc);
  return ClockRight() - width - 4;
}

HWND CreateTaskbar() {
  return CreateBar(TaskbarProc, kTaskbarClass, 0, kTaskbarHeight);
}

}  // namespace detail

}  // namespace platform::ui::shell

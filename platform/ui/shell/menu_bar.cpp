// The menu bar across the bottom of the screen with the input-panel button
// (raises and lowers the panel) and the arrow beside it (next input
// method).
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/shell/shell_bar.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/window_dc.h"

namespace platform::ui::shell {
namespace {

constexpr LPCWSTR kMenuBarClass = u"ShellMenuBar";
constexpr COLORREF kBar = RGB(222, 226, 232);
constexpr COLORREF kEdge = RGB(120, 124, 132);
constexpr COLORREF kGlyph = RGB(24, 28, 36);

enum class Part { kNone, kSipButton, kImSwitch };
Part g_pressed = Part::kNone;

// Menu-bar client coordinates of a screen rectangle.
RECT Local(RECT r) {
  r.top -= kMenuBarTop;
  r.bottom -= kMenuBarTop;
  return r;
}

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

Part PartAt(LPARAM lParam) {
  const POINT p = {static_cast<short>(LOWORD(static_cast<DWORD>(lParam))),
                   static_cast<short>(HIWORD(static_cast<DWORD>(lParam)))};
  if (!SipButtonVisible()) return Part::kNone;
  if (Contains(Local(SipButtonRect()), p)) return Part::kSipButton;
  if (Contains(Local(ImSwitchRect()), p)) return Part::kImSwitch;
  return Part::kNone;
}

void Fill(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
}

void Frame(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FrameRect(dc, &r, brush);
  DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
}

// A small keyboard: outline, three rows of keys and the space bar.
void PaintKeyboardGlyph(HDC dc, int cx, int cy) {
  const RECT body = {cx - 10, cy - 6, cx + 10, cy + 7};
  Frame(dc, body, kGlyph);
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 6 - (row == 2 ? 2 : 0); ++col) {
      const int x = cx - 8 + col * 3 + (row == 2 ? 3 : 0);
      const int y = cy - 4 + row * 3;
      Fill(dc, {x, y, x + 2, y + 2}, kGlyph);
    }
  }
  Fill(dc, {cx - 5, cy + 4, cx + 5, cy + 5}, kGlyph);
}

// A pen writing on a line.
void PaintPenGlyph(HDC dc, int cx, int cy) {
  HPEN pen = CreatePen(PS_SOLID, 2, kGlyph);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(pen));
  MoveToEx(dc, cx + 6, cy - 7, nullptr);
  LineTo(dc, cx - 3, cy + 3);
  SelectObject(dc, old);
  DeleteObject(reinterpret_cast<HGDIOBJ>(pen));
  Fill(dc, {cx - 5, cy + 3, cx - 3, cy + 5}, kGlyph);
  Fill(dc, {cx - 9, cy + 6, cx + 9, cy + 7}, kGlyph);
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  Fill(dc, {0, 0, kScreenWidth, kMenuBarHeight}, kBar);
  Fill(dc, {0, 0, kScreenWidth, 1}, kEdge);
  if (SipButtonVisible()) {
    const RECT button = Local(SipButtonRect());
    const bool down = PanelUp() || g_pressed == Part::kSipButton;
    if (down) {
      Fill(dc, button, RGB(190, 198, 212));
      Frame(dc, button, kEdge);
    }
    const int cx = (button.left + button.right) / 2;
    const int cy = (button.top + button.bottom) / 2;
    if (KeyboardIsCurrent()) {
      PaintKeyboardGlyph(dc, cx, cy);
    } else {
      PaintPenGlyph(dc, cx, cy);
    }
    const RECT arrow = Local(ImSwitchRect());
    if (g_pressed == Part::kImSwitch) Fill(dc, arrow, RGB(190, 198, 212));
    const int ax = (arrow.left + arrow.right) / 2;
    const int ay = (arrow.top + arrow.bottom) / 2;
    const POINT tip[] = {{ax - 3, ay + 2}, {ax + 3, ay + 2}, {ax, ay - 2}};
    HBRUSH brush = CreateSolidBrush(kGlyph);
    HPEN pen = CreatePen(PS_SOLID, 1, kGlyph);
    HGDIOBJ oldBrush = SelectObject(dc, reinterpret_cast<HGDIOBJ>(brush));
    HGDIOBJ oldPen = SelectObject(dc, reinterpret_cast<HGDIOBJ>(pen));
    Polygon(dc, tip, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(reinterpret_cast<HGDIOBJ>(pen));
    DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
  }
  EndPaint(window, &ps);
}

LRESULT MenuBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_LBUTTONDOWN:
      g_pressed = PartAt(lParam);
      if (g_pressed != Part::kNone) {
        SetCapture(window);
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONUP: {
      const Part pressed = g_pressed;
      g_pressed = Part::kNone;
      if (pressed == Part::kNone) return 0;
      detail::EndBarPress(window);
      if (PartAt(lParam) != pressed) return 0;
      if (pressed == Part::kSipButton) detail::TogglePanel();
      if (pressed == Part::kImSwitch) NextIM();
      return 0;
    }
    case WM_DESTROY:
      g_pressed = Part::kNone;
      return 0;
    default:
      break;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

}  // namespace

namespace detail {

HWND CreateMenuBar() {
  return CreateBar(MenuBarProc, kMenuBarClass, kMenuBarTop, kMenuBarHeight);
}

}  // namespace detail

}  // namespace platform::ui::shell

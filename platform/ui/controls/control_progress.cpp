// The "msctls_progress32" class: a bar filled in the highlight colour up to
// the position within the range; PBS_SMOOTH fills it in one piece,
// otherwise in blocks.
#include <algorithm>

#include "platform/ui/controls/control_paint.h"
#include "platform/ui/window/window_dc.h"

namespace platform::ui::controls {
namespace {

struct ProgressState {
  int low = 0;
  int high = 100;
  int position = 0;
};

StateTable<ProgressState>& Bars() {
  static StateTable<ProgressState> table;
  return table;
}

LRESULT PackRange(const ProgressState& s) {
  return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s.low), static_cast<WORD>(s.high)));
}

void SetPosition(HWND window, ProgressState& s, long long position) {
  const int clamped =
      static_cast<int>(std::clamp<long long>(position, s.low, std::max(s.low, s.high)));
  if (clamped == s.position) return;
  s.position = clamped;
  InvalidateRect(window, nullptr, TRUE);
}

void SetRange(HWND window, ProgressState& s, int low, int high) {
  s.low = low;
  s.high = high;
  s.position = std::clamp(s.position, s.low, std::max(s.low, s.high));
  InvalidateRect(window, nullptr, TRUE);
}

void Paint(HWND window, const ProgressState& s) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(window, &ps);
  if (dc) {
    RECT client{};
    GetClientRect(window, &client);
    FillSys(dc, client, COLOR_WINDOW);
    const RECT inner{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
    const long long range = static_cast<long long>(s.high) - s.low;
    const int width = std::max<int>(0, inner.right - inner.left);
    const int filled =
        range > 0 ? static_cast<int>((static_cast<long long>(s.position) - s.low) * width / range)
                  : 0;
    if (StyleOf(window) & PBS_SMOOTH) {
      FillSys(dc, {inner.left, inner.top, inner.left + filled, inner.bottom}, COLOR_HIGHLIGHT);
    } else {
      const int block = std::max<int>(2, (inner.bottom - inner.top) * 2 / 3);
      for (int x = 0; x < filled; x += block + 2) {
        FillSys(dc,
                {inner.left + x, inner.top, inner.left + std::min(x + block, width), inner.bottom},
                COLOR_HIGHLIGHT);
      }
    }
  }
  EndPaint(window, &ps);
}

}  // namespace

LRESULT ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto state = StateFor(Bars(), window, message);
  if (!state) return DefWindowProc(window, message, wParam, lParam);
  ProgressState& s = *state;

  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(window, s);
      return 0;
    case WM_ENABLE:
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case PBM_SETRANGE: {
      const LRESULT previous = PackRange(s);
      const DWORD range = static_cast<DWORD>(lParam);
      SetRange(window, s, LOWORD(range), HIWORD(range));
      return previous;
    }
    case PBM_SETRANGE32: {
      const LRESULT previous = PackRange(s);
      SetRange(window, s, static_cast<int>(static_cast<std::intptr_t>(wParam)),
               static_cast<int>(lParam));
      return previous;
    }
    case PBM_GETRANGE:
      if (lParam) *reinterpret_cast<PBRANGE*>(lParam) = {s.low, s.high};
      return wParam ? s.low : s.high;
    case PBM_SETPOS: {
      const int previous = s.position;
      SetPosition(window, s, static_cast<int>(static_cast<std::intptr_t>(wParam)));
      return previous;
    }
    case PBM_GETPOS:
      return s.position;
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace platform::ui::controls

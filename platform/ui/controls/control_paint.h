// Shared pieces of the standard controls (control_*.cpp): per-window state,
// parent notifications, text measuring and the handheld's 3-D looks.
// Private to the control sources.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window.h"

namespace platform::ui::controls {

// Window procedures of the control classes, registered by name on first use.
LRESULT ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ComboBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ComboListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT TabProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr LPCWSTR kComboListClass = u"ComboLBox";

// State of each window of one control class. Entries are shared so a
// window procedure keeps its state alive while a notification it sends
// destroys the window.
template <class State>
class StateTable {
 public:
  std::shared_ptr<State> Find(HWND window) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = states_.find(window);
    return it == states_.end() ? nullptr : it->second;
  }
  std::shared_ptr<State> Create(HWND window) {
    auto state = std::make_shared<State>();
    std::lock_guard<std::mutex> lock(mutex_);
    states_[window] = state;
    return state;
  }
  void Erase(HWND window) {
    std::lock_guard<std::mutex> lock(mutex_);
    states_.erase(window);
  }

 private:
  std::mutex mutex_;
  std::unordered_map<HWND, std::shared_ptr<State>> states_;
};

// The start of every control's window procedure: the window's state, made on
// its first message. On WM_NCDESTROY the state is handed to `onDrop` (to wipe
// what must not linger) and dropped, and the result is null: the caller then
// leaves the message to DefWindowProc.
template <class State, class OnDrop>
std::shared_ptr<State> StateFor(StateTable<State>& table, HWND window, UINT message,
                                OnDrop onDrop) {
  if (message == WM_NCDESTROY) {
    if (auto state = table.Find(window)) onDrop(*state);
    table.Erase(window);
    return nullptr;
  }
  auto state = table.Find(window);
  return state ? state : table.Create(window);
}
template <class State>
std::shared_ptr<State> StateFor(StateTable<State>& table, HWND window, UINT message) {
  return StateFor(table, window, message, [](State&) {});
}

// Answers the messages a control that keeps its own font and paints all of
// its area treats alike: WM_SETFONT and WM_GETFONT, WM_ENABLE (repaint in the
// new look), WM_ERASEBKGND (nothing to erase) and WM_PAINT. `invalidate`
// marks the control for repainting, `paint` paints it. Empty for any other
// message.
template <class State, class Paint, class Invalidate>
std::optional<LRESULT> CommonMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     State& state, Paint paint, Invalidate invalidate) {
  switch (message) {
    case WM_SETFONT:
      state.font = reinterpret_cast<HFONT>(wParam);
      if (lParam) invalidate(window);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(state.font);
    case WM_ENABLE:
      invalidate(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paint(window, state);
      return 0;
    default:
      return std::nullopt;
  }
}

// Signed client coordinates of a stylus message.
inline int XOf(LPARAM lParam) {
  return static_cast<short>(LOWORD(static_cast<DWORD>(lParam)));
}
inline int YOf(LPARAM lParam) {
  return static_cast<short>(HIWORD(static_cast<DWORD>(lParam)));
}
inline LPARAM PointParam(int x, int y) {
  return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
}
inline bool Contains(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

DWORD StyleOf(HWND window);
std::u16string WindowTextOf(HWND window);
// WM_COMMAND(MAKEWPARAM(id, code), window) to the parent. False when the
// window did not survive the notification.
bool NotifyParent(HWND window, WORD code);
// Asks the parent to repaint the area under a control that draws no
// background of its own (text on the parent's background).
void InvalidateUnder(HWND window);
// Marks the whole control for repainting, background included.
void InvalidateWhole(HWND window);

// Hands a stylus message that lands on a see-through control (a group box,
// a static without SS_NOTIFY, the page area of a tab control) to the window
// beneath it, as the handheld's hit testing does.
LRESULT PassThrough(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The control's font, or the system font when none was set.
HFONT FontOr(HFONT font);

// Measures text in a font outside painting.
class TextMeasure {
 public:
  TextMeasure(HWND window, HFONT font);
  ~TextMeasure();
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;

  int Width(std::u16string_view text) const;
  int LineHeight() const { return lineHeight_; }
  HDC Dc() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ oldFont_ = nullptr;
  int lineHeight_ = 0;
};

// Paints with a font selected and restores the DC afterwards.
class FontSelection {
 public:
  FontSelection(HDC dc, HFONT font) : dc_(dc), old_(SelectObject(dc, FontOr(font))) {}
  ~FontSelection() { SelectObject(dc_, old_); }
  FontSelection(const FontSelection&) = delete;
  FontSelection& operator=(const FontSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

SIZE BitmapSize(HBITMAP bitmap);
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y);

void FillSys(HDC dc, const RECT& rect, int colorIndex);
void FillColor(HDC dc, const RECT& rect, COLORREF color);
// One-pixel outline.
void Outline(HDC dc, const RECT& rect, COLORREF color);
// A 3-D raised face (button, scroll arrow, thumb) filling `rect`; pressed
// draws it sunk in. `isDefault` adds the black frame of the default button.
void DrawButtonFace(HDC dc, const RECT& rect, bool pressed, bool isDefault);
enum class Arrow { kUp, kDown, kLeft, kRight };
// A solid triangle centred in `rect`.
void DrawArrow(HDC dc, const RECT& rect, Arrow direction, COLORREF color);
// The check box square (13 px) with its mark, and the radio circle.
inline constexpr int kGlyphSize = 13;
void DrawCheckGlyph(HDC dc, int x, int y, bool checked, bool pressed, bool disabled);
void DrawRadioGlyph(HDC dc, int x, int y, bool checked, bool pressed, bool disabled);

// A vertical scroll bar drawn inside a control's client area, with arrow
// buttons at both ends and a thumb whose size shows the visible part.
inline constexpr int kScrollBarWidth = 13;
struct ScrollModel {
  int total = 0;     // lines (or items) in all
  int page = 1;      // lines visible at once
  int position = 0;  // first visible line, 0..total-page
};
enum class ScrollPart { kNone, kLineUp, kLineDown, kPageUp, kPageDown, kThumb };
struct ScrollGeometry {
  RECT up{};
  RECT down{};
  RECT track{};
  RECT thumb{};
};
ScrollGeometry LayoutScrollBar(const RECT& bar, const ScrollModel& model);
ScrollPart HitScrollBar(const RECT& bar, const ScrollModel& model, int x, int y);
// The position that puts the thumb's top at `thumbTop` within the track.
int ScrollPositionForThumb(const RECT& bar, const ScrollModel& model, int thumbTop);
void DrawScrollBar(HDC dc, const RECT& bar, const ScrollModel& model, ScrollPart pressed,
                   bool enabled);
// Applies a scroll request (SB_* code) to a position; returns the new one.
int ApplyScrollCode(const ScrollModel& model, int code, int thumbPosition);

}  // namespace platform::ui::controls

// Shared pieces of the standard controls and their registration: the
// classes are registered by name the first time someone asks for them.
#include "platform/ui/controls/control_paint.h"

#include <algorithm>

#include "platform/ui/window/window_dc.h"
#include "platform/ui/window/window_internal.h"
#include "platform/wstring.h"

namespace platform::ui::controls {
namespace {

struct ClassEntry {
  LPCWSTR name;
  WNDPROC proc;
};

constexpr ClassEntry kClasses[] = {
    {u"BUTTON", ButtonProc},
    {u"STATIC", StaticProc},
    {u"EDIT", EditProc},
    {u"COMBOBOX", ComboBoxProc},
    {kComboListClass, ComboListProc},
    {u"msctls_progress32", ProgressProc},
    {u"SysTabControl32", TabProc},
};

bool ProvideClass(std::u16string_view name) {
  for (const ClassEntry& entry : kClasses) {
    if (!EqualsNoCase(name, entry.name)) continue;
    WNDCLASS wc{};
    wc.lpfnWndProc = entry.proc;
    wc.lpszClassName = entry.name;
    // No background brush: each control paints its own client area, and
    // text controls leave the parent's background showing.
    return RegisterClass(&wc) != 0;
  }
  return false;
}

[[maybe_unused]] const bool kProviderAdded = [] {
  AddClassProvider(ProvideClass);
  return true;
}();

// Pen and brush selected for the length of a shape call.
class ShapeTools {
 public:
  ShapeTools(HDC dc, COLORREF line, COLORREF fill)
      : dc_(dc),
        pen_(CreatePen(PS_SOLID, 1, line)),
        brush_(CreateSolidBrush(fill)),
        oldPen_(SelectObject(dc, reinterpret_cast<HGDIOBJ>(pen_))),
        oldBrush_(SelectObject(dc, reinterpret_cast<HGDIOBJ>(brush_))) {}
  ~ShapeTools() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(reinterpret_cast<HGDIOBJ>(pen_));
    DeleteObject(reinterpret_cast<HGDIOBJ>(brush_));
  }
  ShapeTools(const ShapeTools&) = delete;
  ShapeTools& operator=(const ShapeTools&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_;
  HGDIOBJ oldBrush_;
};

}  // namespace

DWORD StyleOf(HWND window) {
  return static_cast<DWORD>(GetWindowLong(window, GWL_STYLE));
}

std::u16string WindowTextOf(HWND window) {
  const int length = GetWindowTextLength(window);
  std::u16string text(static_cast<std::size_t>(std::max(0, length)) + 1, u'\0');
  const int copied = GetWindowText(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(0, copied)));
  return text;
}

namespace {

bool ScreenContains(HWND window, POINT p) {
  RECT r{};
  GetWindowRect(window, &r);
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool ClientContains(HWND window, POINT p) {
  RECT r{};
  GetClientRect(window, &r);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return p.x >= origin.x && p.x < origin.x + r.right && p.y >= origin.y &&
         p.y < origin.y + r.bottom;
}

// The child-most window under `p` inside `window`, as input finds it: a
// disabled child leaves the point to its parent.
HWND Deepest(HWND window, POINT p) {
  if (!ClientContains(window, p)) return window;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!(StyleOf(child) & WS_VISIBLE) || !ScreenContains(child, p)) continue;
    if (StyleOf(child) & WS_DISABLED) return window;
    return Deepest(child, p);
  }
  return window;
}

}  // namespace

LRESULT PassThrough(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  POINT p{XOf(lParam), YOf(lParam)};
  ClientToScreen(window, &p);
  HWND target = nullptr;
  for (HWND below = GetWindow(window, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT)) {
    if (!(StyleOf(below) & WS_VISIBLE) || !ScreenContains(below, p)) continue;
    target = (StyleOf(below) & WS_DISABLED) ? GetParent(window) : Deepest(below, p);
    break;
  }
  if (!target) target = GetParent(window);
  if (!target || !(StyleOf(window) & WS_CHILD)) return 0;
  ScreenToClient(target, &p);
  return SendMessage(target, message, wParam, PointParam(p.x, p.y));
}

bool NotifyParent(HWND window, WORD code) {
  const HWND parent = GetParent(window);
  if (!parent) return true;
  const WORD id = static_cast<WORD>(GetDlgCtrlID(window));
  SendMessage(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(window));
  return IsWindow(window) != FALSE;
}

void InvalidateWhole(HWND window) {
  InvalidateRect(window, nullptr, TRUE);
}

void InvalidateUnder(HWND window) {
  const HWND parent = GetParent(window);
  if (parent && (StyleOf(window) & WS_CHILD)) {
    RECT r{};
    GetWindowRect(window, &r);
    POINT topLeft{r.left, r.top};
    POINT bottomRight{r.right, r.bottom};
    ScreenToClient(parent, &topLeft);
    ScreenToClient(parent, &bottomRight);
    const RECT under{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    InvalidateRect(parent, &under, TRUE);
  }
  InvalidateRect(window, nullptr, TRUE);
}

HFONT FontOr(HFONT font) {
  return font ? font : reinterpret_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

TextMeasure::TextMeasure(HWND window, HFONT font) : window_(window), dc_(GetDC(window)) {
  if (!dc_) return;
  oldFont_ = SelectObject(dc_, reinterpret_cast<HGDIOBJ>(FontOr(font)));
  TEXTMETRIC tm{};
  GetTextMetrics(dc_, &tm);
  lineHeight_ = std::max<int>(1, tm.tmHeight + tm.tmExternalLeading);
}

TextMeasure::~TextMeasure() {
  if (!dc_) return;
  SelectObject(dc_, oldFont_);
  ReleaseDC(window_, dc_);
}

int TextMeasure::Width(std::u16string_view text) const {
  if (!dc_ || text.empty()) return 0;
  SIZE size{};
  GetTextExtentPoint32(dc_, text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !GetObject(reinterpret_cast<HGDIOBJ>(bitmap), sizeof(bm), &bm)) return {0, 0};
  return {bm.bmWidth, bm.bmHeight};
}

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
  const SIZE size = BitmapSize(bitmap);
  if (size.cx <= 0 || size.cy <= 0) return;
  const HDC source = CreateCompatibleDC(dc);
  if (!source) return;
  const HGDIOBJ old = SelectObject(source, reinterpret_cast<HGDIOBJ>(bitmap));
  BitBlt(dc, x, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

void FillSys(HDC dc, const RECT& rect, int colorIndex) {
  FillRect(dc, &rect, GetSysColorBrush(colorIndex));
}

void FillColor(HDC dc, const RECT& rect, COLORREF color) {
  const HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &rect, brush);
  DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
}

void Outline(HDC dc, const RECT& r, COLORREF color) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  FillColor(dc, {r.left, r.top, r.right, r.top + 1}, color);
  FillColor(dc, {r.left, r.bottom - 1, r.right, r.bottom}, color);
  FillColor(dc, {r.left, r.top, r.left + 1, r.bottom}, color);
  FillColor(dc, {r.right - 1, r.top, r.right, r.bottom}, color);
}

namespace {

// Top-left and bottom-right lines of one bevel ring.
void Bevel(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  if (r.right - r.left < 2 || r.bottom - r.top < 2) return;
  FillColor(dc, {r.left, r.top, r.right - 1, r.top + 1}, topLeft);
  FillColor(dc, {r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
  FillColor(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  FillColor(dc, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

RECT Inset(const RECT& r, int by) {
  return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

}  // namespace

void DrawButtonFace(HDC dc, const RECT& rect, bool pressed, bool isDefault) {
  RECT r = rect;
  if (isDefault) {
    Outline(dc, r, GetSysColor(COLOR_3DDKSHADOW));
    r = Inset(r, 1);
  }
  FillSys(dc, Inset(r, 1), COLOR_BTNFACE);
  if (pressed) {
    // Sunk in: a dark frame and the shadow along the top and left.
    Outline(dc, r, GetSysColor(COLOR_3DDKSHADOW));
    const RECT inner = Inset(r, 1);
    FillColor(dc, {inner.left, inner.top, inner.right, inner.top + 1},
              GetSysColor(COLOR_BTNSHADOW));
    FillColor(dc, {inner.left, inner.top, inner.left + 1, inner.bottom},
              GetSysColor(COLOR_BTNSHADOW));
    return;
  }
  Bevel(dc, r, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_3DDKSHADOW));
  Bevel(dc, Inset(r, 1), GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_BTNSHADOW));
}

void DrawArrow(HDC dc, const RECT& rect, Arrow direction, COLORREF color) {
  const int w = rect.right - rect.left;
  const int h = rect.bottom - rect.top;
  const bool vertical = direction == Arrow::kUp || direction == Arrow::kDown;
  // Half-base of the triangle; its height is half-base + 1.
  const int half = std::max(1, std::min(vertical ? w : h, vertical ? h * 2 : w * 2) / 4);
  const int cx = rect.left + w / 2;
  const int cy = rect.top + h / 2;
  for (int i = 0; i <= half; ++i) {
    const int span = half - i;  // row i from the base
    switch (direction) {
      case Arrow::kDown: {
        const int y = cy - half / 2 + i;
        FillColor(dc, {cx - span, y, cx + span + 1, y + 1}, color);
        break;
      }
      case Arrow::kUp: {
        const int y = cy + half / 2 - i;
        FillColor(dc, {cx - span, y, cx + span + 1, y + 1}, color);
        break;
      }
      case Arrow::kRight: {
        const int x = cx - half / 2 + i;
        FillColor(dc, {x, cy - span, x + 1, cy + span + 1}, color);
        break;
      }
      case Arrow::kLeft: {
        const int x = cx + half / 2 - i;
        FillColor(dc, {x, cy - span, x + 1, cy + span + 1}, color);
        break;
      }
    }
  }
}

void DrawCheckGlyph(HDC dc, int x, int y, bool checked, bool pressed, bool disabled) {
  const RECT box{x, y, x + kGlyphSize, y + kGlyphSize};
  Outline(dc, box, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
  FillSys(dc, Inset(box, 1), pressed || disabled ? COLOR_BTNFACE : COLOR_WINDOW);
  if (!checked) return;
  // The tick: a short stroke down to the right, then a long one up, 3 px
  // thick.
  const COLORREF ink = GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
  const int baseX = x + 3;
  const int baseY = y + 5;
  for (int i = 0; i < 7; ++i) {
    const int top = i < 3 ? baseY + i : baseY + 2 - (i - 2);
    FillColor(dc, {baseX + i, top, baseX + i + 1, top + 3}, ink);
  }
}

void DrawRadioGlyph(HDC dc, int x, int y, bool checked, bool pressed, bool disabled) {
  const COLORREF ink = GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
  {
    ShapeTools tools(dc, ink, GetSysColor(pressed || disabled ? COLOR_BTNFACE : COLOR_WINDOW));
    Ellipse(dc, x, y, x + kGlyphSize, y + kGlyphSize);
  }
  if (checked) {
    ShapeTools tools(dc, ink, ink);
    Ellipse(dc, x + 4, y + 4, x + kGlyphSize - 4, y + kGlyphSize - 4);
  }
}

ScrollGeometry LayoutScrollBar(const RECT& bar, const ScrollModel& model) {
  ScrollGeometry g;
  const int height = bar.bottom - bar.top;
  const int arrow = std::min(kScrollBarWidth, height / 2);
  g.up = {bar.left, bar.top, bar.right, bar.top + arrow};
  g.down = {bar.left, bar.bottom - arrow, bar.right, bar.bottom};
  g.track = {bar.left, g.up.bottom, bar.right, g.down.top};
  const int trackHeight = g.track.bottom - g.track.top;
  if (model.total <= model.page || trackHeight <= 0) {
    g.thumb = {};
    return g;
  }
  const int thumbHeight = std::clamp(trackHeight * model.page / std::max(1, model.total),
                                     std::min(8, trackHeight), trackHeight);
  const int range = model.total - model.page;
  const int top = g.track.top + (trackHeight - thumbHeight) * model.position / std::max(1, range);
  g.thumb = {bar.left, top, bar.right, top + thumbHeight};
  return g;
}

ScrollPart HitScrollBar(const RECT& bar, const ScrollModel& model, int x, int y) {
  if (!Contains(bar, x, y)) return ScrollPart::kNone;
  const ScrollGeometry g = LayoutScrollBar(bar, model);
  if (Contains(g.up, x, y)) return ScrollPart::kLineUp;
  if (Contains(g.down, x, y)) return ScrollPart::kLineDown;
  if (g.thumb.bottom <= g.thumb.top) return ScrollPart::kNone;
  if (y < g.thumb.top) return ScrollPart::kPageUp;
  if (y >= g.thumb.bottom) return ScrollPart::kPageDown;
  return ScrollPart::kThumb;
}

int ScrollPositionForThumb(const RECT& bar, const ScrollModel& model, int thumbTop) {
  const ScrollGeometry g = LayoutScrollBar(bar, model);
  const int free = (g.track.bottom - g.track.top) - (g.thumb.bottom - g.thumb.top);
  const int range = model.total - model.page;
  if (free <= 0 || range <= 0) return 0;
  const int offset = std::clamp(thumbTop - g.track.top, 0, free);
  return (offset * range + free / 2) / free;
}

void DrawScrollBar(HDC dc, const RECT& bar, const ScrollModel& model, ScrollPart pressed,
                   bool enabled) {
  const ScrollGeometry g = LayoutScrollBar(bar, model);
  const bool scrollable = enabled && model.total > model.page;
  // Track: a light shade between the arrows.
  FillSys(dc, g.track, COLOR_3DLIGHT);
  DrawButtonFace(dc, g.up, pressed == ScrollPart::kLineUp, false);
  DrawButtonFace(dc, g.down, pressed == ScrollPart::kLineDown, false);
  const COLORREF arrowColor = GetSysColor(scrollable ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  DrawArrow(dc, g.up, Arrow::kUp, arrowColor);
  DrawArrow(dc, g.down, Arrow::kDown, arrowColor);
  if (scrollable && g.thumb.bottom > g.thumb.top) DrawButtonFace(dc, g.thumb, false, false);
}

int ApplyScrollCode(const ScrollModel& model, int code, int thumbPosition) {
  const int last = std::max(0, model.total - model.page);
  int position = model.position;
  switch (code) {
    case SB_LINEUP:
      position -= 1;
      break;
    case SB_LINEDOWN:
      position += 1;
      break;
    case SB_PAGEUP:
      position -= std::max(1, model.page);
      break;
    case SB_PAGEDOWN:
      position += std::max(1, model.page);
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      position = thumbPosition;
      break;
    case SB_TOP:
      position = 0;
      break;
    case SB_BOTTOM:
      position = last;
      break;
    default:
      break;
  }
  return std::clamp(position, 0, last);
}

}  // namespace platform::ui::controls

// The "EDIT" class: single-line fields with caret, selection, masking and
// horizontal scrolling, and multi-line word-wrapped text with a vertical
// scroll bar.
#include <openssl/crypto.h>

#include <algorithm>
#include <vector>

#include "platform/kernel.h"
#include "platform/ui/controls/control_paint.h"
#include "platform/ui/controls/controls_internal.h"
#include "platform/ui/window/window_dc.h"
#include "platform/wstring.h"

namespace platform::ui::controls {
namespace {

constexpr int kMargin = 2;
constexpr int kDefaultLimit = 30000;
constexpr int kLargestLimit = 0x7FFFFFFE;
constexpr UINT kF4 = VK_F1 + 3;

// One line as drawn: characters [start, end) are shown; the next line
// starts at `next` (after the line break of a hard break).
struct Line {
  int start;
  int end;
  int next;
};

struct EditState {
  HFONT font = nullptr;
  std::u16string text;
  int anchor = 0;  // the fixed end of the selection
  int caret = 0;   // the moving end, where the caret is drawn
  int limit = kDefaultLimit;
  WCHAR passwordChar = 0;
  bool modified = false;
  bool focused = false;
  bool selecting = false;  // stylus drag in the text
  bool shiftDown = false;
  bool inCombo = false;  // the edit part of a combo box
  int scrollX = 0;       // single line: pixels scrolled to the left
  int topLine = 0;       // multi-line: first line shown
  std::vector<Line> lines;
  bool layoutValid = false;
  ScrollPart barPressed = ScrollPart::kNone;
  int thumbGrab = 0;
};

StateTable<EditState>& Edits() {
  static StateTable<EditState> table;
  return table;
}

// Texts are wiped before their memory goes back: edits hold passwords.
void Wipe(std::u16string& text) {
  text.resize(text.capacity());
  if (!text.empty()) OPENSSL_cleanse(text.data(), text.size() * sizeof(char16_t));
  text.clear();
}

void ReplaceText(EditState& s, int start, int end, std::u16string_view insert) {
  const std::size_t newSize = s.text.size() - static_cast<std::size_t>(end - start) + insert.size();
  if (newSize > s.text.capacity()) {
    std::u16string grown;
    grown.reserve(std::max<std::size_t>({newSize, s.text.capacity() * 2, 32}));
    grown.append(s.text, 0, static_cast<std::size_t>(start));
    grown.append(insert);
    grown.append(s.text, static_cast<std::size_t>(end));
    Wipe(s.text);
    s.text.swap(grown);
  } else {
    s.text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), insert);
  }
  s.layoutValid = false;
}

int Length(const EditState& s) {
  return static_cast<int>(s.text.size());
}
int SelMin(const EditState& s) {
  return std::min(s.anchor, s.caret);
}
int SelMax(const EditState& s) {
  return std::max(s.anchor, s.caret);
}

bool IsMulti(DWORD style) {
  return style & ES_MULTILINE;
}

std::u16string DisplayOf(const EditState& s, DWORD style) {
  if (s.passwordChar && !IsMulti(style)) return std::u16string(s.text.size(), s.passwordChar);
  return s.text;
}

// Geometry of the client area.
struct Frame {
  RECT client{};
  RECT text{};  // where the text goes (the scroll bar excluded)
  RECT bar{};   // the scroll bar of a multi-line edit with WS_VSCROLL
  bool hasBar = false;
};

Frame FrameOf(HWND window, DWORD style) {
  Frame f;
  GetClientRect(window, &f.client);
  f.text = f.client;
  if (IsMulti(style) && (style & WS_VSCROLL)) {
    f.hasBar = true;
    f.bar = {std::max<LONG>(0, f.client.right - kScrollBarWidth), 0, f.client.right,
             f.client.bottom};
    f.text.right = f.bar.left;
  }
  f.text.left += kMargin;
  f.text.right = std::max(f.text.left, f.text.right - kMargin);
  return f;
}

int AvailableWidth(const Frame& f) {
  return f.text.right - f.text.left;
}

// Word wrapping: breaks after the last space that fits, inside a word
// only when the word alone is wider than the line.
std::vector<Line> Wrap(std::u16string_view text, int width, const TextMeasure& m) {
  std::vector<Line> lines;
  const int length = static_cast<int>(text.size());
  int paragraph = 0;
  while (true) {
    int breakAt = paragraph;
    while (breakAt < length && text[static_cast<std::size_t>(breakAt)] != u'\n' &&
           !(text[static_cast<std::size_t>(breakAt)] == u'\r' && breakAt + 1 < length &&
             text[static_cast<std::size_t>(breakAt) + 1] == u'\n')) {
      ++breakAt;
    }
    const bool hardBreak = breakAt < length;
    const int afterBreak =
        !hardBreak ? length : breakAt + (text[static_cast<std::size_t>(breakAt)] == u'\r' ? 2 : 1);
    int pos = paragraph;
    while (true) {
      int fits = pos;
      int lastSpace = -1;
      while (fits < breakAt) {
        const int widthWithNext = m.Width(
            text.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(fits + 1 - pos)));
        if (widthWithNext > width && fits > pos) break;
        ++fits;
        if (text[static_cast<std::size_t>(fits - 1)] == u' ') lastSpace = fits;
      }
      if (fits >= breakAt) {
        lines.push_back({pos, breakAt, afterBreak});
        break;
      }
      int end = fits;
      if (text[static_cast<std::size_t>(fits)] == u' ') {
        while (end < breakAt && text[static_cast<std::size_t>(end)] == u' ') ++end;
      } else if (lastSpace > pos) {
        end = lastSpace;
      }
      lines.push_back({pos, end, end});
      pos = end;
      if (pos >= breakAt) {
        // The break itself ends a line that ran full.
        lines.back().end = breakAt;
        lines.back().next = afterBreak;
        break;
      }
    }
    if (!hardBreak) break;
    paragraph = afterBreak;
  }
  return lines;
}

void EnsureLayout(HWND window, EditState& s, DWORD style, const TextMeasure& m) {
  if (!IsMulti(style)) return;
  if (s.layoutValid) return;
  s.lines = Wrap(s.text, AvailableWidth(FrameOf(window, style)), m);
  s.layoutValid = true;
}

int LineOf(const EditState& s, int position) {
  for (std::size_t i = 0; i < s.lines.size(); ++i) {
    if (position < s.lines[i].next) return static_cast<int>(i);
  }
  return std::max(0, static_cast<int>(s.lines.size()) - 1);
}

int VisibleLines(const Frame& f, const TextMeasure& m) {
  return std::max(1, static_cast<int>(f.client.bottom / m.LineHeight()));
}

ScrollModel ModelOf(const EditState& s, const Frame& f, const TextMeasure& m) {
  return {static_cast<int>(s.lines.size()), VisibleLines(f, m), s.topLine};
}

int ClampTopLine(const EditState& s, int top, const Frame& f, const TextMeasure& m) {
  const int last = std::max(0, static_cast<int>(s.lines.size()) - VisibleLines(f, m));
  return std::clamp(top, 0, last);
}

int SingleLineTop(const Frame& f, const TextMeasure& m) {
  return std::max(0, static_cast<int>((f.client.bottom - m.LineHeight()) / 2));
}

// Caret position in client pixels.
POINT CaretPoint(HWND window, EditState& s, DWORD style, const TextMeasure& m) {
  const Frame f = FrameOf(window, style);
  if (!IsMulti(style)) {
    const std::u16string display = DisplayOf(s, style);
    const int x =
        m.Width(std::u16string_view(display).substr(0, static_cast<std::size_t>(s.caret)));
    return {f.text.left - s.scrollX + x, SingleLineTop(f, m)};
  }
  EnsureLayout(window, s, style, m);
  const int line = LineOf(s, s.caret);
  const Line& l = s.lines[static_cast<std::size_t>(line)];
  const int x = m.Width(std::u16string_view(s.text).substr(
      static_cast<std::size_t>(l.start),
      static_cast<std::size_t>(std::min(s.caret, l.end) - l.start)));
  return {f.text.left + x, (line - s.topLine) * m.LineHeight()};
}

// The character boundary in [start, end] of `text` nearest to `x` pixels
// from the start.
int NearestBoundary(std::u16string_view text, int start, int end, int x, const TextMeasure& m) {
  int best = start;
  int bestDistance = std::abs(x);
  for (int i = start + 1; i <= end; ++i) {
    const int w =
        m.Width(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
    const int distance = std::abs(w - x);
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
    if (w > x) break;
  }
  return best;
}

int HitPosition(HWND window, EditState& s, DWORD style, int x, int y, const TextMeasure& m) {
  const Frame f = FrameOf(window, style);
  if (!IsMulti(style)) {
    const std::u16string display = DisplayOf(s, style);
    return NearestBoundary(display, 0, Length(s), x - f.text.left + s.scrollX, m);
  }
  EnsureLayout(window, s, style, m);
  const int row = y < 0 ? -1 : y / m.LineHeight();
  const int line =
      std::clamp(s.topLine + row, 0, std::max(0, static_cast<int>(s.lines.size()) - 1));
  const Line& l = s.lines[static_cast<std::size_t>(line)];
  return NearestBoundary(s.text, l.start, l.end, x - f.text.left, m);
}

void ScrollToCaret(HWND window, EditState& s, DWORD style, const TextMeasure& m) {
  const Frame f = FrameOf(window, style);
  if (IsMulti(style)) {
    EnsureLayout(window, s, style, m);
    const int line = LineOf(s, s.caret);
    const int visible = VisibleLines(f, m);
    if (line < s.topLine) s.topLine = line;
    if (line >= s.topLine + visible) s.topLine = line - visible + 1;
    s.topLine = ClampTopLine(s, s.topLine, f, m);
    return;
  }
  const std::u16string display = DisplayOf(s, style);
  const int available = AvailableWidth(f);
  const int total = m.Width(display);
  const int caretX =
      m.Width(std::u16string_view(display).substr(0, static_cast<std::size_t>(s.caret)));
  s.scrollX = std::min(s.scrollX, std::max(0, total - available + 1));
  if (caretX - s.scrollX > available - 1) s.scrollX = caretX - available + 1;
  if (caretX < s.scrollX) s.scrollX = std::max(0, caretX - available / 4);
  s.scrollX = std::max(0, s.scrollX);
}

// Whether text of the given display fits when the field does not scroll.
bool Fits(HWND window, const EditState& s, DWORD style, std::u16string_view candidate,
          const TextMeasure& m) {
  const Frame f = FrameOf(window, style);
  if (!IsMulti(style)) {
    if (style & ES_AUTOHSCROLL) return true;
    const std::u16string display = s.passwordChar ? std::u16string(candidate.size(), s.passwordChar)
                                                  : std::u16string(candidate);
    return m.Width(display) <= AvailableWidth(f);
  }
  if (style & ES_AUTOVSCROLL) return true;
  return static_cast<int>(Wrap(candidate, AvailableWidth(f), m).size()) <= VisibleLines(f, m);
}

void Refuse(HWND window) {
  MessageBeep(MB_OK_BEEP);
  NotifyParent(window, EN_MAXTEXT);
}

// EN_UPDATE before the field shows the change, EN_CHANGE after.
void TextChanged(HWND window) {
  if (!NotifyParent(window, EN_UPDATE)) return;
  InvalidateRect(window, nullptr, TRUE);
  NotifyParent(window, EN_CHANGE);
}

// Replaces the selection with `text`. `typed` applies the checks of
// typing (limit and room refuse the whole insert); otherwise the insert is
// cut to the limit. Returns false when nothing changed.
bool ReplaceSelection(HWND window, EditState& s, std::u16string_view text, bool typed) {
  const DWORD style = StyleOf(window);
  std::u16string insert(text);
  const int start = SelMin(s);
  const int end = SelMax(s);
  const int room = s.limit - (Length(s) - (end - start));
  if (static_cast<int>(insert.size()) > room) {
    if (typed || room <= 0) {
      Wipe(insert);
      Refuse(window);
      return false;
    }
    insert.resize(static_cast<std::size_t>(room));
    NotifyParent(window, EN_MAXTEXT);
  }
  TextMeasure m(window, s.font);
  if (typed && !(style & (IsMulti(style) ? ES_AUTOVSCROLL : ES_AUTOHSCROLL))) {
    std::u16string candidate = s.text;
    candidate.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start),
                      insert);
    const bool fits = Fits(window, s, style, candidate, m);
    Wipe(candidate);
    if (!fits) {
      Wipe(insert);
      Refuse(window);
      return false;
    }
  }
  ReplaceText(s, start, end, insert);
  s.anchor = s.caret = start + static_cast<int>(insert.size());
  Wipe(insert);
  s.modified = true;
  ScrollToCaret(window, s, style, m);
  TextChanged(window);
  return true;
}

void DeleteRange(HWND window, EditState& s, int start, int end) {
  if (start >= end) return;
  ReplaceText(s, start, end, u"");
  s.anchor = s.caret = start;
  s.modified = true;
  TextMeasure m(window, s.font);
  ScrollToCaret(window, s, StyleOf(window), m);
  TextChanged(window);
}

int StepLeft(const EditState& s, int position) {
  if (position <= 0) return 0;
  if (position >= 2 && s.text[static_cast<std::size_t>(position) - 1] == u'\n' &&
      s.text[static_cast<std::size_t>(position) - 2] == u'\r') {
    return position - 2;
  }
  return position - 1;
}

int StepRight(const EditState& s, int position) {
  if (position >= Length(s)) return Length(s);
  if (s.text[static_cast<std::size_t>(position)] == u'\r' && position + 1 < Length(s) &&
      s.text[static_cast<std::size_t>(position) + 1] == u'\n') {
    return position + 2;
  }
  return position + 1;
}

void MoveCaret(HWND window, EditState& s, int position) {
  s.caret = std::clamp(position, 0, Length(s));
  if (!s.shiftDown) s.anchor = s.caret;
  TextMeasure m(window, s.font);
  ScrollToCaret(window, s, StyleOf(window), m);
  InvalidateRect(window, nullptr, TRUE);
}

void OnKeyDown(HWND window, EditState& s, WPARAM key) {
  const DWORD style = StyleOf(window);
  if (s.inCombo) {
    const HWND combo = GetParent(window);
    const bool dropped = SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0) != 0;
    if (key == VK_UP || key == VK_DOWN || key == kF4 ||
        (dropped && (key == VK_RETURN || key == VK_ESCAPE))) {
      SendMessage(combo, WM_KEYDOWN, key, 0);
      return;
    }
  }
  const bool multi = IsMulti(style);
  switch (key) {
    case VK_SHIFT:
      s.shiftDown = true;
      return;
    case VK_LEFT:
    case VK_UP:
      if (key == VK_UP && multi) break;
      if (SelMin(s) != SelMax(s) && !s.shiftDown) {
        MoveCaret(window, s, SelMin(s));
      } else {
        MoveCaret(window, s, StepLeft(s, s.caret));
      }
      return;
    case VK_RIGHT:
    case VK_DOWN:
      if (key == VK_DOWN && multi) break;
      if (SelMin(s) != SelMax(s) && !s.shiftDown) {
        MoveCaret(window, s, SelMax(s));
      } else {
        MoveCaret(window, s, StepRight(s, s.caret));
      }
      return;
    case VK_DELETE:
      if (SelMin(s) != SelMax(s)) {
        DeleteRange(window, s, SelMin(s), SelMax(s));
      } else {
        DeleteRange(window, s, s.caret, StepRight(s, s.caret));
      }
      return;
    default:
      break;
  }
  if (!multi) {
    if (key == VK_HOME) MoveCaret(window, s, 0);
    if (key == VK_END) MoveCaret(window, s, Length(s));
    return;
  }
  TextMeasure m(window, s.font);
  EnsureLayout(window, s, style, m);
  const int line = LineOf(s, s.caret);
  const Line& l = s.lines[static_cast<std::size_t>(line)];
  switch (key) {
    case VK_HOME:
      MoveCaret(window, s, l.start);
      break;
    case VK_END:
      MoveCaret(window, s, l.end);
      break;
    case VK_UP:
    case VK_DOWN: {
      const int target = line + (key == VK_UP ? -1 : 1);
      if (target < 0 || target >= static_cast<int>(s.lines.size())) break;
      const Frame f = FrameOf(window, style);
      const int x = CaretPoint(window, s, style, m).x - f.text.left;
      const Line& t = s.lines[static_cast<std::size_t>(target)];
      MoveCaret(window, s, NearestBoundary(s.text, t.start, t.end, x, m));
      break;
    }
    default:
      break;
  }
}

void OnChar(HWND window, EditState& s, WCHAR c) {
  const DWORD style = StyleOf(window);
  if (c == u'\b') {
    if (SelMin(s) != SelMax(s)) {
      DeleteRange(window, s, SelMin(s), SelMax(s));
    } else {
      DeleteRange(window, s, StepLeft(s, s.caret), s.caret);
    }
    return;
  }
  if (c == u'\r' || c == u'\n') {
    if (!IsMulti(style)) return;
    ReplaceSelection(window, s, u"\r\n", true);
    return;
  }
  if (c == u'\t' && !IsMulti(style)) return;
  if (c < 0x20 && c != u'\t') return;
  const WCHAR one[1] = {c};
  ReplaceSelection(window, s, std::u16string_view(one, 1), true);
}

void SetSelection(HWND window, EditState& s, LONG_PTR start, LONG_PTR end) {
  const int length = Length(s);
  if (start == -1) {
    // Deselects; the caret stays where it is.
    s.anchor = s.caret;
  } else {
    const auto clamp = [&](LONG_PTR v) {
      return v < 0 ? length : static_cast<int>(std::min<LONG_PTR>(v, length));
    };
    s.anchor = clamp(start);
    s.caret = clamp(end);
    // Never between the two characters of a line break.
    if (s.anchor > 0 && s.anchor < length && s.text[static_cast<std::size_t>(s.anchor)] == u'\n' &&
        s.text[static_cast<std::size_t>(s.anchor) - 1] == u'\r') {
      --s.anchor;
    }
    if (s.caret > 0 && s.caret < length && s.text[static_cast<std::size_t>(s.caret)] == u'\n' &&
        s.text[static_cast<std::size_t>(s.caret) - 1] == u'\r') {
      --s.caret;
    }
  }
  TextMeasure m(window, s.font);
  ScrollToCaret(window, s, StyleOf(window), m);
  InvalidateRect(window, nullptr, TRUE);
}

void SetText(EditState& s, LPCWSTR text) {
  Wipe(s.text);
  if (text) ReplaceText(s, 0, 0, std::u16string_view(text));
  s.layoutValid = false;
  s.anchor = s.caret = 0;
  s.scrollX = 0;
  s.topLine = 0;
  s.modified = false;
}

void ScrollTo(HWND window, EditState& s, int top) {
  const DWORD style = StyleOf(window);
  TextMeasure m(window, s.font);
  EnsureLayout(window, s, style, m);
  const int clamped = ClampTopLine(s, top, FrameOf(window, style), m);
  if (clamped == s.topLine) return;
  s.topLine = clamped;
  InvalidateRect(window, nullptr, TRUE);
}

// Stylus on the scroll bar: arrows scroll a line, the track a page, the
// thumb follows the stylus. The focus stays where it is.
void OnBarDown(HWND window, EditState& s, int x, int y) {
  const DWORD style = StyleOf(window);
  TextMeasure m(window, s.font);
  EnsureLayout(window, s, style, m);
  const Frame f = FrameOf(window, style);
  const ScrollModel model = ModelOf(s, f, m);
  const ScrollPart part = HitScrollBar(f.bar, model, x, y);
  s.barPressed = part;
  SetCapture(window);
  switch (part) {
    case ScrollPart::kLineUp:
      ScrollTo(window, s, ApplyScrollCode(model, SB_LINEUP, 0));
      break;
    case ScrollPart::kLineDown:
      ScrollTo(window, s, ApplyScrollCode(model, SB_LINEDOWN, 0));
      break;
    case ScrollPart::kPageUp:
      ScrollTo(window, s, ApplyScrollCode(model, SB_PAGEUP, 0));
      break;
    case ScrollPart::kPageDown:
      ScrollTo(window, s, ApplyScrollCode(model, SB_PAGEDOWN, 0));
      break;
    case ScrollPart::kThumb:
      s.thumbGrab = y - LayoutScrollBar(f.bar, model).thumb.top;
      break;
    case ScrollPart::kNone:
      break;
  }
  InvalidateRect(window, nullptr, TRUE);
}

void OnBarMove(HWND window, EditState& s, int y) {
  if (s.barPressed != ScrollPart::kThumb) return;
  const DWORD style = StyleOf(window);
  TextMeasure m(window, s.font);
  const Frame f = FrameOf(window, style);
  ScrollTo(window, s, ScrollPositionForThumb(f.bar, ModelOf(s, f, m), y - s.thumbGrab));
}

void PaintSingle(const EditState& s, HDC dc, const Frame& f, DWORD style, const TextMeasure& m,
                 bool showSelection) {
  const std::u16string display = DisplayOf(s, style);
  const int top = SingleLineTop(f, m);
  const int left = f.text.left - s.scrollX;
  TextOut(dc, left, top, display.c_str(), static_cast<int>(display.size()));
  const std::u16string_view view(display);
  if (showSelection && SelMin(s) != SelMax(s)) {
    const int a = left + m.Width(view.substr(0, static_cast<std::size_t>(SelMin(s))));
    const int b = left + m.Width(view.substr(0, static_cast<std::size_t>(SelMax(s))));
    FillSys(dc, {a, top, b, top + m.LineHeight()}, COLOR_HIGHLIGHT);
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    const auto selected = view.substr(static_cast<std::size_t>(SelMin(s)),
                                      static_cast<std::size_t>(SelMax(s) - SelMin(s)));
    TextOut(dc, a, top, selected.data(), static_cast<int>(selected.size()));
  }
}

void PaintMulti(HWND window, EditState& s, HDC dc, const Frame& f, DWORD style,
                const TextMeasure& m, bool showSelection) {
  EnsureLayout(window, s, style, m);
  const int lineHeight = m.LineHeight();
  const COLORREF ink = GetTextColor(dc);
  const std::u16string_view text(s.text);
  for (int i = s.topLine; i < static_cast<int>(s.lines.size()); ++i) {
    const int y = (i - s.topLine) * lineHeight;
    if (y >= f.client.bottom) break;
    const Line& l = s.lines[static_cast<std::size_t>(i)];
    const auto shown =
        text.substr(static_cast<std::size_t>(l.start), static_cast<std::size_t>(l.end - l.start));
    SetTextColor(dc, ink);
    TextOut(dc, f.text.left, y, shown.data(), static_cast<int>(shown.size()));
    if (!showSelection) continue;
    const int a = std::max(SelMin(s), l.start);
    const int b = std::min(SelMax(s), l.end);
    if (a >= b) continue;
    const int xa = f.text.left + m.Width(shown.substr(0, static_cast<std::size_t>(a - l.start)));
    const int xb = f.text.left + m.Width(shown.substr(0, static_cast<std::size_t>(b - l.start)));
    FillSys(dc, {xa, y, xb, y + lineHeight}, COLOR_HIGHLIGHT);
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    const auto selected =
        shown.substr(static_cast<std::size_t>(a - l.start), static_cast<std::size_t>(b - a));
    TextOut(dc, xa, y, selected.data(), static_cast<int>(selected.size()));
  }
  if (f.hasBar) {
    DrawScrollBar(dc, f.bar, ModelOf(s, f, m), s.barPressed, !(style & WS_DISABLED));
  }
}

void Paint(HWND window, EditState& s) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(window, &ps);
  if (dc) {
    const DWORD style = StyleOf(window);
    const Frame f = FrameOf(window, style);
    TextMeasure m(window, s.font);
    FillSys(dc, f.client, COLOR_WINDOW);
    FontSelection font(dc, s.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor((style & WS_DISABLED) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    const bool showSelection = s.focused || (style & ES_NOHIDESEL);
    if (IsMulti(style)) {
      PaintMulti(window, s, dc, f, style, m, showSelection);
    } else {
      PaintSingle(s, dc, f, style, m, showSelection);
    }
    if (s.focused && SelMin(s) == SelMax(s)) {
      const POINT caret = CaretPoint(window, s, style, m);
      if (caret.y >= 0 && caret.y < f.client.bottom) {
        FillSys(dc, {caret.x, caret.y, caret.x + 1, caret.y + m.LineHeight()}, COLOR_WINDOWTEXT);
      }
    }
  }
  EndPaint(window, &ps);
}

LRESULT DialogCode(HWND window, const EditState& s, DWORD style, LPARAM lParam) {
  LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
  const auto* msg = reinterpret_cast<const MSG*>(lParam);
  const bool isReturn = msg && msg->wParam == (msg->message == WM_CHAR ? u'\r' : VK_RETURN);
  const bool isEscape = msg && msg->wParam == (msg->message == WM_CHAR ? 0x1B : VK_ESCAPE);
  if (IsMulti(style) && (style & ES_WANTRETURN) && isReturn) code |= DLGC_WANTALLKEYS;
  // An open drop-down list takes Enter and Escape from the combo's edit.
  if (s.inCombo && (isReturn || isEscape) &&
      SendMessage(GetParent(window), CB_GETDROPPEDSTATE, 0, 0)) {
    code |= DLGC_WANTALLKEYS;
  }
  return code;
}

bool IsComboParent(HWND parent) {
  if (!parent) return false;
  WCHAR name[16] = {};
  GetClassName(parent, name, 16);
  return EqualsNoCase(name, u"COMBOBOX");
}

}  // namespace

LRESULT EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto state =
      StateFor(Edits(), window, message, [](EditState& dropped) { Wipe(dropped.text); });
  if (!state) return DefWindowProc(window, message, wParam, lParam);
  EditState& s = *state;
  // A new font changes every line break.
  if (message == WM_SETFONT) s.layoutValid = false;
  if (const auto result =
          CommonMessage(window, message, wParam, lParam, s, Paint, InvalidateWhole)) {
    return *result;
  }
  const DWORD style = StyleOf(window);

  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCT*>(lParam);
      SetText(s, create ? create->lpszName : nullptr);
      if ((style & ES_PASSWORD) && !IsMulti(style)) s.passwordChar = u'*';
      s.inCombo = IsComboParent(GetParent(window));
      return 0;
    }
    case WM_GETDLGCODE:
      return DialogCode(window, s, style, lParam);
    case WM_SETTEXT:
      SetText(s, reinterpret_cast<LPCWSTR>(lParam));
      InvalidateRect(window, nullptr, TRUE);
      // As on the handheld: a single-line field reports the new text as a
      // change, a multi-line one does not.
      if (!IsMulti(style)) TextChanged(window);
      return TRUE;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      if (!buffer || wParam == 0) return 0;
      const int count = std::min<int>(Length(s), static_cast<int>(wParam) - 1);
      std::copy_n(s.text.data(), count, buffer);
      buffer[count] = 0;
      return count;
    }
    case WM_GETTEXTLENGTH:
      return Length(s);
    case WM_SIZE:
      s.layoutValid = false;
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_SETFOCUS: {
      s.focused = true;
      TextMeasure m(window, s.font);
      ScrollToCaret(window, s, style, m);
      InvalidateRect(window, nullptr, TRUE);
      NotifyParent(window, EN_SETFOCUS);
      return 0;
    }
    case WM_KILLFOCUS:
      s.focused = false;
      s.shiftDown = false;
      if (s.selecting) {
        s.selecting = false;
        if (GetCapture() == window) ReleaseCapture();
      }
      InvalidateRect(window, nullptr, TRUE);
      NotifyParent(window, EN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (style & WS_DISABLED) return 0;
      const int x = XOf(lParam);
      const int y = YOf(lParam);
      const Frame f = FrameOf(window, style);
      if (f.hasBar && Contains(f.bar, x, y)) {
        OnBarDown(window, s, x, y);
        return 0;
      }
      if (GetFocus() != window) {
        SetFocus(window);
        if (!IsWindow(window)) return 0;
      }
      TextMeasure m(window, s.font);
      const int position = HitPosition(window, s, style, x, y, m);
      s.caret = position;
      if (!s.shiftDown) s.anchor = position;
      s.selecting = true;
      SetCapture(window);
      ScrollToCaret(window, s, style, m);
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s.barPressed != ScrollPart::kNone) {
        OnBarMove(window, s, YOf(lParam));
      } else if (s.selecting) {
        TextMeasure m(window, s.font);
        const int position = HitPosition(window, s, style, XOf(lParam), YOf(lParam), m);
        if (position != s.caret) {
          s.caret = position;
          ScrollToCaret(window, s, style, m);
          InvalidateRect(window, nullptr, TRUE);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (s.barPressed != ScrollPart::kNone) {
        s.barPressed = ScrollPart::kNone;
        InvalidateRect(window, nullptr, TRUE);
      }
      s.selecting = false;
      if (GetCapture() == window) ReleaseCapture();
      return 0;
    case WM_KEYDOWN:
      if (style & WS_DISABLED) return 0;
      OnKeyDown(window, s, wParam);
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SHIFT) s.shiftDown = false;
      return 0;
    case WM_CHAR:
      if (style & WS_DISABLED) return 0;
      OnChar(window, s, static_cast<WCHAR>(wParam));
      return 0;
    case WM_VSCROLL: {
      if (!IsMulti(style)) return 0;
      TextMeasure m(window, s.font);
      EnsureLayout(window, s, style, m);
      const ScrollModel model = ModelOf(s, FrameOf(window, style), m);
      ScrollTo(window, s,
               ApplyScrollCode(model, LOWORD(static_cast<DWORD>(wParam)),
                               HIWORD(static_cast<DWORD>(wParam))));
      return 0;
    }
    case EM_GETSEL: {
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(SelMin(s));
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(SelMax(s));
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min(SelMin(s), 0xFFFF)),
                                           static_cast<WORD>(std::min(SelMax(s), 0xFFFF))));
    }
    case EM_SETSEL:
      SetSelection(window, s, static_cast<LONG_PTR>(static_cast<std::intptr_t>(wParam)), lParam);
      return 0;
    case EM_REPLACESEL: {
      const auto* text = reinterpret_cast<LPCWSTR>(lParam);
      ReplaceSelection(window, s, text ? std::u16string_view(text) : std::u16string_view(), false);
      return 0;
    }
    case EM_LIMITTEXT:
      s.limit =
          wParam == 0 ? kLargestLimit : static_cast<int>(std::min<WPARAM>(wParam, kLargestLimit));
      return 0;
    case EM_GETLIMITTEXT:
      return s.limit;
    case EM_SETPASSWORDCHAR: {
      if (IsMulti(style)) return 0;
      s.passwordChar = static_cast<WCHAR>(wParam);
      const DWORD masked = s.passwordChar ? (style | ES_PASSWORD) : (style & ~ES_PASSWORD);
      if (masked != style) SetWindowLong(window, GWL_STYLE, static_cast<LONG_PTR>(masked));
      TextMeasure m(window, s.font);
      ScrollToCaret(window, s, masked, m);
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    }
    case EM_GETPASSWORDCHAR:
      return s.passwordChar;
    case EM_GETMODIFY:
      return s.modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      s.modified = wParam != 0;
      return 0;
    case EM_GETLINECOUNT: {
      if (!IsMulti(style)) return 1;
      TextMeasure m(window, s.font);
      EnsureLayout(window, s, style, m);
      return static_cast<LRESULT>(s.lines.size());
    }
    case EM_GETFIRSTVISIBLELINE:
      return IsMulti(style) ? s.topLine : 0;
    case EM_LINESCROLL:
      if (!IsMulti(style)) return FALSE;
      ScrollTo(window, s, s.topLine + static_cast<int>(lParam));
      return TRUE;
    case EM_SCROLLCARET: {
      TextMeasure m(window, s.font);
      ScrollToCaret(window, s, style, m);
      InvalidateRect(window, nullptr, TRUE);
      return TRUE;
    }
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

std::u16string EditDisplayText(HWND edit) {
  const auto state = Edits().Find(edit);
  return state ? DisplayOf(*state, StyleOf(edit)) : std::u16string();
}

bool EditCaretPos(HWND edit, POINT* clientPoint) {
  const auto state = Edits().Find(edit);
  if (!state || !clientPoint) return false;
  TextMeasure m(edit, state->font);
  *clientPoint = CaretPoint(edit, *state, StyleOf(edit), m);
  return true;
}

}  // namespace platform::ui::controls

// The "SysTabControl32" class: a row of tabs along the top edge, or along
// the bottom edge with TCS_BOTTOM as the handheld's property sheets have
// them, above (or below) the area the pages are shown in.
#include <algorithm>
#include <vector>

#include "platform/ui/controls/control_paint.h"
#include "platform/ui/controls/controls_internal.h"
#include "platform/ui/window/window_dc.h"

namespace platform::ui::controls {
namespace {

constexpr int kTextPadding = 6;
constexpr int kFirstTabX = 2;

struct TabItem {
  std::u16string text;
  int image = -1;
  LPARAM param = 0;
};

struct TabState {
  HFONT font = nullptr;
  std::vector<TabItem> items;
  int selected = -1;
  bool focused = false;
};

StateTable<TabState>& Tabs() {
  static StateTable<TabState> table;
  return table;
}

int Count(const TabState& s) {
  return static_cast<int>(s.items.size());
}

bool AtBottom(HWND window) {
  return StyleOf(window) & TCS_BOTTOM;
}

int StripHeight(HWND window, const TabState& s) {
  TextMeasure m(window, s.font);
  return m.LineHeight() + 6;
}

// The tabs' rectangles in client pixels, left to right.
std::vector<RECT> Layout(HWND window, const TabState& s) {
  TextMeasure m(window, s.font);
  RECT client{};
  GetClientRect(window, &client);
  const int strip = m.LineHeight() + 6;
  const int top = AtBottom(window) ? client.bottom - strip : 0;
  std::vector<RECT> rects;
  int x = kFirstTabX;
  for (const TabItem& item : s.items) {
    const int width = std::max(m.Width(item.text) + 2 * kTextPadding, 2 * kTextPadding + 8);
    rects.push_back({x, top, x + width, top + strip});
    x += width;
  }
  return rects;
}

int TabAt(HWND window, const TabState& s, int x, int y) {
  const std::vector<RECT> rects = Layout(window, s);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (Contains(rects[i], x, y)) return static_cast<int>(i);
  }
  return -1;
}

LRESULT Notify(HWND window, UINT code) {
  const HWND parent = GetParent(window);
  if (!parent) return 0;
  NMHDR header{window, static_cast<UINT_PTR>(GetDlgCtrlID(window)), code};
  return SendMessage(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

// A change the user makes: the parent may refuse it in TCN_SELCHANGING.
void Select(HWND window, TabState& s, int index) {
  if (index < 0 || index >= Count(s) || index == s.selected) return;
  if (Notify(window, TCN_SELCHANGING) != 0) return;
  if (!IsWindow(window)) return;
  s.selected = index;
  InvalidateRect(window, nullptr, TRUE);
  Notify(window, TCN_SELCHANGE);
}

void Paint(HWND window, const TabState& s) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(window, &ps);
  if (dc) {
    RECT client{};
    GetClientRect(window, &client);
    const bool bottom = AtBottom(window);
    const int strip = StripHeight(window, s);
    const RECT stripRect = bottom ? RECT{0, client.bottom - strip, client.right, client.bottom}
                                  : RECT{0, 0, client.right, strip};
    FillSys(dc, client, COLOR_WINDOW);
    FillSys(dc, stripRect, COLOR_BTNFACE);
    const COLORREF line = GetSysColor(COLOR_WINDOWFRAME);
    // The edge between the pages and the tabs, open under the selected tab.
    const int edgeY = bottom ? stripRect.top : stripRect.bottom - 1;
    FillColor(dc, {0, edgeY, client.right, edgeY + 1}, line);
    const bool enabled = !(StyleOf(window) & WS_DISABLED);
    FontSelection font(dc, s.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    const std::vector<RECT> rects = Layout(window, s);
    for (std::size_t i = 0; i < rects.size(); ++i) {
      RECT r = rects[i];
      const bool selected = static_cast<int>(i) == s.selected;
      if (selected) {
        FillSys(dc, r, COLOR_WINDOW);
      }
      // Sides and the outer edge of the tab.
      const int outerY = bottom ? r.bottom - 1 : r.top;
      FillColor(dc, {r.left, r.top, r.left + 1, r.bottom}, line);
      FillColor(dc, {r.right - 1, r.top, r.right, r.bottom}, line);
      FillColor(dc, {r.left, outerY, r.right, outerY + 1}, line);
      const std::u16string& text = s.items[i].text;
      DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r,
               DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      if (selected && s.focused) {
        RECT focus{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
        DrawFocusRect(dc, &focus);
      }
    }
  }
  EndPaint(window, &ps);
}

void CopyItemOut(const TabItem& item, TCITEM* out) {
  if (out->mask & TCIF_TEXT && out->pszText && out->cchTextMax > 0) {
    const int count = std::min<int>(static_cast<int>(item.text.size()), out->cchTextMax - 1);
    std::copy_n(item.text.data(), count, out->pszText);
    out->pszText[count] = 0;
  }
  if (out->mask & TCIF_IMAGE) out->iImage = item.image;
  if (out->mask & TCIF_PARAM) out->lParam = item.param;
}

void CopyItemIn(const TCITEM& in, TabItem* item) {
  if (in.mask & TCIF_TEXT) item->text = in.pszText ? in.pszText : u"";
  if (in.mask & TCIF_IMAGE) item->image = in.iImage;
  if (in.mask & TCIF_PARAM) item->param = in.lParam;
}

}  // namespace

LRESULT TabProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto state = StateFor(Tabs(), window, message);
  if (!state) return DefWindowProc(window, message, wParam, lParam);
  TabState& s = *state;
  if (const auto result =
          CommonMessage(window, message, wParam, lParam, s, Paint, InvalidateWhole)) {
    return *result;
  }
  const DWORD style = StyleOf(window);
  const auto index = static_cast<std::intptr_t>(wParam);

  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SIZE:
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s.focused = message == WM_SETFOCUS;
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE: {
      // Taps beside the tabs belong to the pages shown in the control.
      const int tab = TabAt(window, s, XOf(lParam), YOf(lParam));
      if (tab < 0) return PassThrough(window, message, wParam, lParam);
      if ((message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) && !(style & WS_DISABLED)) {
        Select(window, s, tab);
      }
      return 0;
    }
    case WM_KEYDOWN:
      if (style & WS_DISABLED) return 0;
      if (wParam == VK_LEFT && s.selected > 0) Select(window, s, s.selected - 1);
      if (wParam == VK_RIGHT && s.selected + 1 < Count(s)) Select(window, s, s.selected + 1);
      return 0;
    case TCM_GETITEMCOUNT:
      return Count(s);
    case TCM_INSERTITEM: {
      const auto* in = reinterpret_cast<const TCITEM*>(lParam);
      if (!in || index < 0) return -1;
      const int at = static_cast<int>(std::min<std::intptr_t>(index, Count(s)));
      TabItem item;
      CopyItemIn(*in, &item);
      s.items.insert(s.items.begin() + at, std::move(item));
      if (s.selected < 0) {
        s.selected = 0;
      } else if (at <= s.selected) {
        ++s.selected;
      }
      InvalidateRect(window, nullptr, TRUE);
      return at;
    }
    case TCM_DELETEITEM:
      if (index < 0 || index >= Count(s)) return FALSE;
      s.items.erase(s.items.begin() + index);
      if (index == s.selected) {
        s.selected = -1;
      } else if (index < s.selected) {
        --s.selected;
      }
      InvalidateRect(window, nullptr, TRUE);
      return TRUE;
    case TCM_DELETEALLITEMS:
      s.items.clear();
      s.selected = -1;
      InvalidateRect(window, nullptr, TRUE);
      return TRUE;
    case TCM_GETITEM: {
      auto* out = reinterpret_cast<TCITEM*>(lParam);
      if (!out || index < 0 || index >= Count(s)) return FALSE;
      CopyItemOut(s.items[static_cast<std::size_t>(index)], out);
      return TRUE;
    }
    case TCM_SETITEM: {
      const auto* in = reinterpret_cast<const TCITEM*>(lParam);
      if (!in || index < 0 || index >= Count(s)) return FALSE;
      CopyItemIn(*in, &s.items[static_cast<std::size_t>(index)]);
      InvalidateRect(window, nullptr, TRUE);
      return TRUE;
    }
    case TCM_GETCURSEL:
      return s.selected;
    case TCM_SETCURSEL: {
      if (index < 0 || index >= Count(s)) return -1;
      const int previous = s.selected;
      s.selected = static_cast<int>(index);
      InvalidateRect(window, nullptr, TRUE);
      return previous;
    }
    case TCM_GETITEMRECT: {
      auto* out = reinterpret_cast<RECT*>(lParam);
      if (!out || index < 0 || index >= Count(s)) return FALSE;
      *out = Layout(window, s)[static_cast<std::size_t>(index)];
      return TRUE;
    }
    case TCM_ADJUSTRECT: {
      // The page area is the control less its strip of tabs.
      auto* rect = reinterpret_cast<RECT*>(lParam);
      if (!rect) return 0;
      const int strip = StripHeight(window, s);
      const int delta = wParam ? strip : -strip;  // TRUE: from the page area to the control
      if (AtBottom(window)) {
        rect->bottom += delta;
      } else {
        rect->top -= delta;
      }
      return 0;
    }
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

bool TabItemScreenRect(HWND tab, int index, RECT* screenRect) {
  RECT r{};
  if (!screenRect || !SendMessage(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                                  reinterpret_cast<LPARAM>(&r))) {
    return false;
  }
  POINT topLeft{r.left, r.top};
  POINT bottomRight{r.right, r.bottom};
  ClientToScreen(tab, &topLeft);
  ClientToScreen(tab, &bottomRight);
  *screenRect = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  return true;
}

}  // namespace platform::ui::controls

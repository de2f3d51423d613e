// The "COMBOBOX" class: a drop-down combo box with an edit part
// (CBS_DROPDOWN) or a selection field (CBS_DROPDOWNLIST), a drop button and
// a drop-down list shown as a topmost popup window ("ComboLBox").
#include <algorithm>
#include <vector>

#include "platform/ui/controls/control_paint.h"
#include "platform/ui/controls/controls_internal.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_dc.h"
#include "platform/ui/window/window_internal.h"
#include "platform/wstring.h"

namespace platform::ui::controls {
namespace {

constexpr int kEditId = 1001;
constexpr int kButtonWidth = kScrollBarWidth;
constexpr DWORD kTypeMask = 0x0003;
constexpr DWORD kSort = 0x0100;
constexpr UINT kF4 = VK_F1 + 3;

struct ComboState {
  HFONT font = nullptr;
  std::vector<std::u16string> items;
  int selected = -1;
  HWND edit = nullptr;  // the edit part of CBS_DROPDOWN
  HWND list = nullptr;  // the drop-down list (kept hidden while closed)
  bool dropped = false;
  int droppedHeight = 0;  // the height given from outside: the combo with its open list
  int shownHeight = -1;   // the height the combo box gave itself
  bool focused = false;
  bool buttonPressed = false;
  // Text changes the combo box makes itself are no typing.
  bool settingText = false;
  // The open list.
  int rows = 0;  // items visible at once
  int itemHeight = 0;
  int listTop = 0;  // first item shown
  int hot = -1;     // highlighted item
  bool hasBar = false;
  bool listPressed = false;  // the stylus went down in the list's items
  ScrollPart barPressed = ScrollPart::kNone;
  int thumbGrab = 0;
};

StateTable<ComboState>& Combos() {
  static StateTable<ComboState> table;
  return table;
}

DWORD TypeOf(DWORD style) {
  return style & kTypeMask;
}

bool HasEdit(DWORD style) {
  return TypeOf(style) == CBS_DROPDOWN || TypeOf(style) == CBS_SIMPLE;
}

HWND ComboOfList(HWND list) {
  return reinterpret_cast<HWND>(GetWindowLong(list, GWL_USERDATA));
}

int Count(const ComboState& s) {
  return static_cast<int>(s.items.size());
}

int LineHeight(HWND window, HFONT font) {
  TextMeasure m(window, font);
  return m.LineHeight();
}

int FieldHeight(HWND window, const ComboState& s) {
  return LineHeight(window, s.font) + 6;
}

RECT ButtonRect(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return {std::max<LONG>(1, client.right - 1 - kButtonWidth), 1,
          std::max<LONG>(1, client.right - 1), std::max<LONG>(1, client.bottom - 1)};
}

RECT FieldRect(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  const RECT button = ButtonRect(window);
  return {1, 1, button.left, std::max<LONG>(1, client.bottom - 1)};
}

// The combo box is as high as its field. A height given from outside (at
// creation, or by moving it) is the height of the combo box with its list
// open.
void FitToField(HWND window, ComboState& s) {
  RECT outer{};
  RECT client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  const int height = outer.bottom - outer.top;
  if (height != s.shownHeight) s.droppedHeight = height;
  const int frame = height - client.bottom;
  s.shownHeight = FieldHeight(window, s) + frame;
  if (height != s.shownHeight) {
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, s.shownHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (s.edit) {
    const RECT field = FieldRect(window);
    MoveWindow(s.edit, field.left, field.top, field.right - field.left, field.bottom - field.top,
               TRUE);
  }
}

void SetEditText(ComboState& s, LPCWSTR text) {
  if (!s.edit) return;
  s.settingText = true;
  SetWindowText(s.edit, text ? text : u"");
  s.settingText = false;
  SendMessage(s.edit, EM_SETSEL, 0, -1);
}

// Shows the selected item in the field.
void ShowSelection(HWND window, ComboState& s) {
  if (s.edit) {
    SetEditText(s, s.selected >= 0 ? s.items[static_cast<std::size_t>(s.selected)].c_str() : u"");
  }
  InvalidateRect(window, nullptr, TRUE);
}

// Prefix (or whole-text) search without regard to case, starting after
// `start` and going round the list once.
int Find(const ComboState& s, LONG_PTR start, LPCWSTR text, bool exact) {
  const int count = Count(s);
  if (count == 0 || !text) return static_cast<int>(CB_ERR);
  const std::u16string wanted = FoldCase(text);
  const int first = (start < 0 || start >= count) ? 0 : static_cast<int>(start) + 1;
  for (int n = 0; n < count; ++n) {
    const int i = (first + n) % count;
    const std::u16string item = FoldCase(s.items[static_cast<std::size_t>(i)]);
    if (exact ? item == wanted : item.compare(0, wanted.size(), wanted) == 0) return i;
  }
  return static_cast<int>(CB_ERR);
}

// --- the open list ---

RECT ListClient(const ComboState& s) {
  if (!s.list) return {};
  RECT client{};
  GetClientRect(s.list, &client);
  return client;
}

RECT ListBar(const ComboState& s) {
  const RECT client = ListClient(s);
  return {std::max<LONG>(0, client.right - kScrollBarWidth), 0, client.right, client.bottom};
}

ScrollModel ListModel(const ComboState& s) {
  return {Count(s), std::max(1, s.rows), s.listTop};
}

int ItemsRight(const ComboState& s) {
  return s.hasBar ? ListBar(s).left : ListClient(s).right;
}

int ItemAt(const ComboState& s, int x, int y) {
  if (x < 0 || x >= ItemsRight(s) || y < 0 || s.itemHeight <= 0) return -1;
  const int row = y / s.itemHeight;
  if (row >= s.rows) return -1;
  const int index = s.listTop + row;
  return index < Count(s) ? index : -1;
}

void ScrollListTo(ComboState& s, int top) {
  const int last = std::max(0, Count(s) - s.rows);
  const int clamped = std::clamp(top, 0, last);
  if (clamped == s.listTop) return;
  s.listTop = clamped;
  if (s.list) InvalidateRect(s.list, nullptr, TRUE);
}

void EnsureVisible(ComboState& s, int index) {
  if (index < 0) return;
  if (index < s.listTop) {
    ScrollListTo(s, index);
  } else if (index >= s.listTop + s.rows) {
    ScrollListTo(s, index - s.rows + 1);
  }
}

void OpenList(HWND window, ComboState& s) {
  if (s.dropped) return;
  if (!NotifyParent(window, CBN_DROPDOWN)) return;
  const DWORD style = StyleOf(window);
  RECT combo{};
  GetWindowRect(window, &combo);
  s.itemHeight = LineHeight(window, s.font) + 2;
  const int closedHeight = combo.bottom - combo.top;
  const int room = std::max(s.itemHeight, s.droppedHeight - closedHeight - 2);
  const int fitRows = std::max(1, room / s.itemHeight);
  s.rows = std::max(1, std::min(Count(s), fitRows));
  s.hasBar = (style & WS_VSCROLL) && Count(s) > s.rows;
  const int height = s.rows * s.itemHeight + 2 * kFrameThickness;
  const int width = combo.right - combo.left;
  int top = combo.bottom;
  if (top + height > screen::kHeight) top = std::max<LONG>(0, combo.top - height);
  if (!s.list) {
    s.list = CreateWindowEx(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kComboListClass, nullptr,
                            WS_POPUP | WS_BORDER, combo.left, top, width, height, window, 0,
                            nullptr, nullptr);
    if (!s.list) return;
    SetWindowLong(s.list, GWL_USERDATA, reinterpret_cast<LONG_PTR>(window));
  } else {
    SetWindowPos(s.list, HWND_TOPMOST, combo.left, top, width, height, SWP_NOACTIVATE);
  }
  s.hot = s.selected;
  if (s.edit && s.hot < 0) {
    const std::u16string typed = WindowTextOf(s.edit);
    if (!typed.empty()) s.hot = Find(s, -1, typed.c_str(), false);
  }
  s.listTop = 0;
  EnsureVisible(s, s.hot);
  s.listPressed = false;
  s.barPressed = ScrollPart::kNone;
  s.dropped = true;
  // Shown above everything without taking the activation from the dialog.
  ShowWindow(s.list, SW_SHOWNA);
  SetWindowPos(s.list, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  InvalidateRect(s.list, nullptr, TRUE);
  // Every tap goes to the list while it is open: one outside closes it.
  SetCapture(s.list);
  InvalidateRect(window, nullptr, TRUE);
}

void HideList(HWND window, ComboState& s) {
  s.dropped = false;
  s.listPressed = false;
  s.barPressed = ScrollPart::kNone;
  if (s.list) {
    if (GetCapture() == s.list) ReleaseCapture();
    ShowWindow(s.list, SW_HIDE);
  }
  InvalidateRect(window, nullptr, TRUE);
}

// Closes the list: with a choice (CBN_SELENDOK; the field then shows it)
// or without (CBN_SELENDCANCEL); CBN_CLOSEUP last.
void CloseList(HWND window, ComboState& s, bool chosen) {
  if (!s.dropped) return;
  HideList(window, s);
  if (chosen) {
    if (!NotifyParent(window, CBN_SELENDOK)) return;
    ShowSelection(window, s);
  } else {
    if (!NotifyParent(window, CBN_SELENDCANCEL)) return;
  }
  NotifyParent(window, CBN_CLOSEUP);
}

// A tap on an item of the open list.
void Choose(HWND window, ComboState& s, int index) {
  s.selected = index;
  if (!NotifyParent(window, CBN_SELCHANGE)) return;
  CloseList(window, s, true);
}

// Moves the selection by keyboard: in the open list the highlight follows;
// with the list closed the choice is made at once.
void Step(HWND window, ComboState& s, int delta) {
  const int count = Count(s);
  if (count == 0) return;
  const int from = s.dropped ? s.hot : s.selected;
  const int next = std::clamp(from < 0 ? 0 : from + delta, 0, count - 1);
  if (next == s.selected && (!s.dropped || next == s.hot)) return;
  s.selected = next;
  ShowSelection(window, s);
  if (s.dropped) {
    s.hot = next;
    EnsureVisible(s, next);
    if (s.list) InvalidateRect(s.list, nullptr, TRUE);
    NotifyParent(window, CBN_SELCHANGE);
    return;
  }
  if (!NotifyParent(window, CBN_SELCHANGE)) return;
  NotifyParent(window, CBN_SELENDOK);
}

void OnKeyDown(HWND window, ComboState& s, WPARAM key) {
  switch (key) {
    case VK_UP:
      Step(window, s, -1);
      break;
    case VK_DOWN:
      Step(window, s, 1);
      break;
    case kF4:
      if (s.dropped) {
        CloseList(window, s, false);
      } else {
        OpenList(window, s);
      }
      break;
    case VK_RETURN:
      if (s.dropped) {
        if (s.hot >= 0 && s.hot != s.selected) {
          Choose(window, s, s.hot);
        } else {
          CloseList(window, s, true);
        }
      }
      break;
    case VK_ESCAPE:
      if (s.dropped) CloseList(window, s, false);
      break;
    default:
      break;
  }
}

// Notifications of the edit part become the combo box's own; the edit's
// EN_* never reach the dialog.
void OnEditNotification(HWND window, ComboState& s, WORD code) {
  switch (code) {
    case EN_SETFOCUS:
      if (!s.focused) {
        s.focused = true;
        NotifyParent(window, CBN_SETFOCUS);
      }
      break;
    case EN_KILLFOCUS: {
      const HWND focus = GetFocus();
      if (focus == window || focus == s.edit || (focus && focus == s.list)) break;
      if (s.dropped) CloseList(window, s, false);
      if (!IsWindow(window)) break;
      s.focused = false;
      NotifyParent(window, CBN_KILLFOCUS);
      break;
    }
    case EN_UPDATE:
      if (!s.settingText) NotifyParent(window, CBN_EDITUPDATE);
      break;
    case EN_CHANGE:
      if (!s.settingText) NotifyParent(window, CBN_EDITCHANGE);
      break;
    default:
      break;
  }
}

void Paint(HWND window, const ComboState& s) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(window, &ps);
  if (dc) {
    const DWORD style = StyleOf(window);
    const bool enabled = !(style & WS_DISABLED);
    RECT client{};
    GetClientRect(window, &client);
    Outline(dc, client, GetSysColor(enabled ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW));
    const RECT field = FieldRect(window);
    const bool highlight = !HasEdit(style) && s.focused && !s.dropped && enabled;
    FillSys(dc, field, highlight ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    if (!HasEdit(style) && s.selected >= 0) {
      const std::u16string& text = s.items[static_cast<std::size_t>(s.selected)];
      FontSelection font(dc, s.font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(!enabled    ? COLOR_GRAYTEXT
                                   : highlight ? COLOR_HIGHLIGHTTEXT
                                               : COLOR_WINDOWTEXT));
      RECT textRect{field.left + 3, field.top, field.right - 1, field.bottom};
      DrawText(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    const RECT button = ButtonRect(window);
    DrawButtonFace(dc, button, s.buttonPressed, false);
    DrawArrow(dc, button, Arrow::kDown, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  }
  EndPaint(window, &ps);
}

void PaintList(HWND list, const ComboState& s) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(list, &ps);
  if (dc) {
    const RECT client = ListClient(s);
    FillSys(dc, client, COLOR_WINDOW);
    FontSelection font(dc, s.font);
    SetBkMode(dc, TRANSPARENT);
    const int right = ItemsRight(s);
    for (int row = 0; row < s.rows; ++row) {
      const int index = s.listTop + row;
      if (index >= Count(s)) break;
      RECT item{0, row * s.itemHeight, right, (row + 1) * s.itemHeight};
      const bool hot = index == s.hot;
      if (hot) FillSys(dc, item, COLOR_HIGHLIGHT);
      SetTextColor(dc, GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      const std::u16string& text = s.items[static_cast<std::size_t>(index)];
      item.left += 3;
      DrawText(dc, text.c_str(), static_cast<int>(text.size()), &item,
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (s.hasBar) DrawScrollBar(dc, ListBar(s), ListModel(s), s.barPressed, true);
  }
  EndPaint(list, &ps);
}

LRESULT DialogCode(const ComboState& s, LPARAM lParam) {
  LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
  const auto* msg = reinterpret_cast<const MSG*>(lParam);
  if (s.dropped && msg &&
      (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE || msg->wParam == u'\r' ||
       msg->wParam == 0x1B)) {
    code |= DLGC_WANTALLKEYS;
  }
  return code;
}

int InsertItem(ComboState& s, LPCWSTR text, bool sorted) {
  if (!text) text = u"";
  int index = Count(s);
  if (sorted) {
    const std::u16string key = FoldCase(text);
    index = 0;
    while (index < Count(s) && FoldCase(s.items[static_cast<std::size_t>(index)]) <= key) ++index;
  }
  s.items.insert(s.items.begin() + index, std::u16string(text));
  if (s.selected >= index) ++s.selected;
  if (s.dropped && s.list) InvalidateRect(s.list, nullptr, TRUE);
  return index;
}

}  // namespace

LRESULT ComboBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto state = StateFor(Combos(), window, message);
  if (!state) return DefWindowProc(window, message, wParam, lParam);
  ComboState& s = *state;
  const DWORD style = StyleOf(window);

  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCT*>(lParam);
      if (HasEdit(style)) {
        const DWORD editStyle =
            WS_CHILD | WS_VISIBLE | ((style & CBS_AUTOHSCROLL) ? ES_AUTOHSCROLL : 0);
        s.edit = CreateWindowEx(0, u"EDIT", u"", editStyle, 0, 0, 0, 0, window, kEditId,
                                create ? create->hInstance : nullptr, nullptr);
        if (!s.edit) return -1;
      }
      FitToField(window, s);
      return 0;
    }
    case WM_DESTROY:
      if (s.list) {
        const HWND list = s.list;
        s.list = nullptr;
        s.dropped = false;
        DestroyWindow(list);
      }
      return 0;
    case WM_GETDLGCODE:
      return DialogCode(s, lParam);
    case WM_SETFONT:
      s.font = reinterpret_cast<HFONT>(wParam);
      if (s.edit) SendMessage(s.edit, WM_SETFONT, wParam, lParam);
      FitToField(window, s);
      if (lParam) InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s.font);
    case WM_SIZE:
      FitToField(window, s);
      return 0;
    case WM_ENABLE:
      if (s.edit) EnableWindow(s.edit, static_cast<BOOL>(wParam));
      if (!wParam && s.dropped) CloseList(window, s, false);
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_SETTEXT: {
      const auto* text = reinterpret_cast<LPCWSTR>(lParam);
      if (s.edit) {
        SetEditText(s, text);
        return TRUE;
      }
      const int index = Find(s, -1, text ? text : u"", true);
      if (index < 0) return CB_ERR;
      s.selected = index;
      InvalidateRect(window, nullptr, TRUE);
      return TRUE;
    }
    case WM_GETTEXT: {
      if (s.edit) return SendMessage(s.edit, WM_GETTEXT, wParam, lParam);
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      if (!buffer || wParam == 0) return 0;
      const std::u16string text =
          s.selected >= 0 ? s.items[static_cast<std::size_t>(s.selected)] : std::u16string();
      const int count = std::min<int>(static_cast<int>(text.size()), static_cast<int>(wParam) - 1);
      std::copy_n(text.data(), count, buffer);
      buffer[count] = 0;
      return count;
    }
    case WM_GETTEXTLENGTH:
      if (s.edit) return SendMessage(s.edit, WM_GETTEXTLENGTH, 0, 0);
      return s.selected >= 0
                 ? static_cast<LRESULT>(s.items[static_cast<std::size_t>(s.selected)].size())
                 : 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(window, s);
      return 0;
    case WM_SETFOCUS:
      if (s.edit) {
        // The edit part takes the focus, with all its text selected.
        SetFocus(s.edit);
        if (IsWindow(s.edit)) SendMessage(s.edit, EM_SETSEL, 0, -1);
        return 0;
      }
      if (!s.focused) {
        s.focused = true;
        InvalidateRect(window, nullptr, TRUE);
        NotifyParent(window, CBN_SETFOCUS);
      }
      return 0;
    case WM_KILLFOCUS: {
      if (s.edit) return 0;
      const HWND focus = reinterpret_cast<HWND>(wParam);
      if (focus == window) return 0;
      if (s.dropped) CloseList(window, s, false);
      if (!IsWindow(window)) return 0;
      s.focused = false;
      InvalidateRect(window, nullptr, TRUE);
      NotifyParent(window, CBN_KILLFOCUS);
      return 0;
    }
    case WM_COMMAND:
      if (s.edit && reinterpret_cast<HWND>(lParam) == s.edit) {
        OnEditNotification(window, s, HIWORD(static_cast<DWORD>(wParam)));
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (style & WS_DISABLED) return 0;
      const bool onButton = Contains(ButtonRect(window), XOf(lParam), YOf(lParam));
      if (!onButton && HasEdit(style)) return 0;
      if (GetFocus() != window && GetFocus() != s.edit) {
        SetFocus(window);
        if (!IsWindow(window)) return 0;
      }
      if (s.dropped) {
        CloseList(window, s, false);
      } else {
        s.buttonPressed = true;
        OpenList(window, s);
        s.buttonPressed = false;
        InvalidateRect(window, nullptr, TRUE);
      }
      return 0;
    }
    case WM_KEYDOWN:
      if (style & WS_DISABLED) return 0;
      OnKeyDown(window, s, wParam);
      return 0;
    case WM_CHAR: {
      // A letter picks the next item that starts with it.
      if (s.edit || (style & WS_DISABLED) || wParam < 0x20) return 0;
      const WCHAR prefix[2] = {static_cast<WCHAR>(wParam), 0};
      const int index = Find(s, s.dropped ? s.hot : s.selected, prefix, false);
      if (index >= 0) Step(window, s, index - (s.dropped ? s.hot : s.selected));
      return 0;
    }
    case CB_ADDSTRING:
      return InsertItem(s, reinterpret_cast<LPCWSTR>(lParam), style & kSort);
    case CB_GETCOUNT:
      return Count(s);
    case CB_GETCURSEL:
      return s.selected;
    case CB_SETCURSEL: {
      const auto index = static_cast<std::intptr_t>(wParam);
      const bool valid = index >= 0 && index < Count(s);
      s.selected = valid ? static_cast<int>(index) : -1;
      if (s.dropped) {
        s.hot = s.selected;
        EnsureVisible(s, s.hot);
        if (s.list) InvalidateRect(s.list, nullptr, TRUE);
      }
      ShowSelection(window, s);
      return valid ? index : CB_ERR;
    }
    case CB_GETLBTEXT: {
      const auto index = static_cast<std::intptr_t>(wParam);
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      if (index < 0 || index >= Count(s) || !buffer) return CB_ERR;
      const std::u16string& text = s.items[static_cast<std::size_t>(index)];
      std::copy(text.begin(), text.end(), buffer);
      buffer[text.size()] = 0;
      return static_cast<LRESULT>(text.size());
    }
    case CB_GETLBTEXTLEN: {
      const auto index = static_cast<std::intptr_t>(wParam);
      if (index < 0 || index >= Count(s)) return CB_ERR;
      return static_cast<LRESULT>(s.items[static_cast<std::size_t>(index)].size());
    }
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      return Find(s, static_cast<LONG_PTR>(static_cast<std::intptr_t>(wParam)),
                  reinterpret_cast<LPCWSTR>(lParam), message == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING: {
      const int index = Find(s, static_cast<LONG_PTR>(static_cast<std::intptr_t>(wParam)),
                             reinterpret_cast<LPCWSTR>(lParam), false);
      if (index < 0) return CB_ERR;
      s.selected = index;
      if (s.dropped) {
        s.hot = index;
        EnsureVisible(s, index);
        if (s.list) InvalidateRect(s.list, nullptr, TRUE);
      }
      ShowSelection(window, s);
      return index;
    }
    case CB_SHOWDROPDOWN:
      if (wParam) {
        OpenList(window, s);
      } else {
        CloseList(window, s, false);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return s.dropped ? TRUE : FALSE;
    case CB_LIMITTEXT:
      if (s.edit) SendMessage(s.edit, EM_LIMITTEXT, wParam, 0);
      return TRUE;
    case CB_SETEDITSEL: {
      if (!s.edit) return CB_ERR;
      const auto part = [](WORD v) { return v == 0xFFFF ? LPARAM{-1} : LPARAM{v}; };
      const DWORD range = static_cast<DWORD>(lParam);
      SendMessage(s.edit, EM_SETSEL, static_cast<WPARAM>(part(LOWORD(range))), part(HIWORD(range)));
      return TRUE;
    }
    case CB_GETEDITSEL:
      if (!s.edit) return CB_ERR;
      return SendMessage(s.edit, EM_GETSEL, wParam, lParam);
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

LRESULT ComboListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND combo = ComboOfList(list);
  auto state = combo ? Combos().Find(combo) : nullptr;
  if (!state || state->list != list) return DefWindowProc(list, message, wParam, lParam);
  ComboState& s = *state;
  const int x = XOf(lParam);
  const int y = YOf(lParam);

  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintList(list, s);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!s.dropped) return 0;
      if (!Contains(ListClient(s), x, y)) {
        CloseList(combo, s, false);
        return 0;
      }
      if (s.hasBar && Contains(ListBar(s), x, y)) {
        const ScrollModel model = ListModel(s);
        const ScrollPart part = HitScrollBar(ListBar(s), model, x, y);
        s.barPressed = part;
        if (part == ScrollPart::kThumb) {
          s.thumbGrab = y - LayoutScrollBar(ListBar(s), model).thumb.top;
        } else if (part != ScrollPart::kNone) {
          const int code = part == ScrollPart::kLineUp     ? SB_LINEUP
                           : part == ScrollPart::kLineDown ? SB_LINEDOWN
                           : part == ScrollPart::kPageUp   ? SB_PAGEUP
                                                           : SB_PAGEDOWN;
          ScrollListTo(s, ApplyScrollCode(model, code, 0));
        }
        InvalidateRect(list, nullptr, TRUE);
        return 0;
      }
      s.listPressed = true;
      const int index = ItemAt(s, x, y);
      if (index >= 0 && index != s.hot) {
        s.hot = index;
        InvalidateRect(list, nullptr, TRUE);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s.barPressed == ScrollPart::kThumb) {
        ScrollListTo(s, ScrollPositionForThumb(ListBar(s), ListModel(s), y - s.thumbGrab));
      } else if (s.barPressed == ScrollPart::kNone && (wParam & MK_LBUTTON)) {
        // The highlight follows the stylus, also when it was put down on
        // the drop button and drawn into the list.
        const int index = ItemAt(s, x, y);
        if (index >= 0 && index != s.hot) {
          s.hot = index;
          s.listPressed = true;
          InvalidateRect(list, nullptr, TRUE);
        }
      }
      return 0;
    case WM_LBUTTONUP: {
      if (s.barPressed != ScrollPart::kNone) {
        s.barPressed = ScrollPart::kNone;
        InvalidateRect(list, nullptr, TRUE);
        return 0;
      }
      // The release of the tap that opened the list keeps it open.
      if (!s.listPressed) return 0;
      s.listPressed = false;
      const int index = ItemAt(s, x, y);
      if (index >= 0) Choose(combo, s, index);
      return 0;
    }
    default:
      return DefWindowProc(list, message, wParam, lParam);
  }
}

bool ComboDropButtonRect(HWND combo, RECT* screenRect) {
  if (!screenRect || !Combos().Find(combo)) return false;
  RECT r = ButtonRect(combo);
  POINT topLeft{r.left, r.top};
  POINT bottomRight{r.right, r.bottom};
  ClientToScreen(combo, &topLeft);
  ClientToScreen(combo, &bottomRight);
  *screenRect = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  return true;
}

HWND ComboListWindow(HWND combo) {
  const auto s = Combos().Find(combo);
  return s && s->dropped ? s->list : nullptr;
}

bool ComboListItemRect(HWND combo, int index, RECT* screenRect) {
  const auto s = Combos().Find(combo);
  if (!s || !s->dropped || !s->list || !screenRect) return false;
  if (index < s->listTop || index >= s->listTop + s->rows || index >= Count(*s)) return false;
  POINT origin{0, (index - s->listTop) * s->itemHeight};
  ClientToScreen(s->list, &origin);
  *screenRect = {origin.x, origin.y, origin.x + ItemsRight(*s), origin.y + s->itemHeight};
  return true;
}

bool ComboListScrollTo(HWND combo, int index) {
  const auto s = Combos().Find(combo);
  if (!s || !s->dropped || index < 0 || index >= Count(*s)) return false;
  EnsureVisible(*s, index);
  return true;
}

}  // namespace platform::ui::controls

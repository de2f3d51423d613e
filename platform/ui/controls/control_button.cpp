// The "BUTTON" class: push and default push buttons, automatic check boxes
// and radio buttons, group boxes, owner-drawn and bitmap buttons.
#include <algorithm>

#include "platform/ui/controls/control_paint.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/window/window_dc.h"

namespace platform::ui::controls {
namespace {

struct ButtonState {
  HFONT font = nullptr;
  WPARAM check = BST_UNCHECKED;
  bool pushed = false;  // drawn pressed
  bool focused = false;
  bool tracking = false;  // the stylus went down here; the button holds the capture
  bool spaceDown = false;
  HGDIOBJ image = nullptr;
  WPARAM imageType = IMAGE_BITMAP;
};

StateTable<ButtonState>& Buttons() {
  static StateTable<ButtonState> table;
  return table;
}

DWORD TypeOf(DWORD style) {
  return style & BS_TYPEMASK;
}

bool IsCheckType(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
         type == BS_AUTORADIOBUTTON;
}

bool IsRadioType(DWORD type) {
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// Controls that draw on the parent's background rather than a face of their
// own.
bool IsSeeThrough(DWORD type) {
  return IsCheckType(type) || type == BS_GROUPBOX;
}

void Repaint(HWND window) {
  if (IsSeeThrough(TypeOf(StyleOf(window)))) {
    InvalidateUnder(window);
  } else {
    InvalidateRect(window, nullptr, TRUE);
  }
}

void SetCheck(HWND window, ButtonState& state, WPARAM check) {
  const DWORD style = StyleOf(window);
  if (!IsCheckType(TypeOf(style))) return;
  if (IsRadioType(TypeOf(style))) {
    // The checked radio button of a group is the one Tab stops at.
    const DWORD tabStop = check ? WS_TABSTOP : 0;
    if ((style & WS_TABSTOP) != tabStop) {
      SetWindowLong(window, GWL_STYLE, static_cast<LONG_PTR>((style & ~WS_TABSTOP) | tabStop));
    }
  }
  if (state.check == check) return;
  state.check = check;
  Repaint(window);
}

// The radio group of `window`: from the nearest WS_GROUP sibling at or before
// it up to the next WS_GROUP sibling.
void UncheckGroupSiblings(HWND window) {
  HWND first = window;
  while (!(StyleOf(first) & WS_GROUP)) {
    const HWND previous = GetWindow(first, GW_HWNDPREV);
    if (!previous) break;
    first = previous;
  }
  for (HWND sibling = first; sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    if (sibling != first && (StyleOf(sibling) & WS_GROUP)) break;
    if (sibling == window) continue;
    if (TypeOf(StyleOf(sibling)) != BS_AUTORADIOBUTTON) continue;
    SendMessage(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

void Click(HWND window, ButtonState& state) {
  switch (TypeOf(StyleOf(window))) {
    case BS_AUTOCHECKBOX:
      SetCheck(window, state, state.check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED);
      break;
    case BS_AUTORADIOBUTTON:
      SetCheck(window, state, BST_CHECKED);
      UncheckGroupSiblings(window);
      break;
    default:
      break;
  }
  NotifyParent(window, BN_CLICKED);
}

void SetPushed(HWND window, ButtonState& state, bool pushed) {
  if (state.pushed == pushed) return;
  state.pushed = pushed;
  Repaint(window);
}

// A bitmap button takes the size of its bitmap.
void SizeToImage(HWND window, HBITMAP bitmap) {
  const SIZE size = BitmapSize(bitmap);
  if (size.cx <= 0 || size.cy <= 0) return;
  RECT outer{};
  RECT client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  const int frameX = (outer.right - outer.left) - client.right;
  const int frameY = (outer.bottom - outer.top) - client.bottom;
  SetWindowPos(window, nullptr, 0, 0, size.cx + frameX, size.cy + frameY,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT DialogCode(DWORD type) {
  switch (type) {
    case BS_PUSHBUTTON:
      return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_DEFPUSHBUTTON:
      return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return DLGC_BUTTON | DLGC_RADIOBUTTON;
    case BS_GROUPBOX:
      return DLGC_STATIC;
    default:
      return DLGC_BUTTON;
  }
}

void SetTextLook(HDC dc, bool enabled) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
}

void PaintPush(HWND window, const ButtonState& state, HDC dc, const RECT& client, DWORD style) {
  const bool enabled = !(style & WS_DISABLED);
  const bool isDefault = TypeOf(style) == BS_DEFPUSHBUTTON;
  if ((style & BS_BITMAP) && state.image && state.imageType == IMAGE_BITMAP) {
    // Only the normal image: pressed shifts it and frames it, disabled
    // shades every other pixel.
    const HBITMAP bitmap = reinterpret_cast<HBITMAP>(state.image);
    FillSys(dc, client, COLOR_BTNFACE);
    const int shift = state.pushed ? 1 : 0;
    DrawBitmap(dc, bitmap, shift, shift);
    if (state.pushed) Outline(dc, client, GetSysColor(COLOR_3DDKSHADOW));
    if (!enabled) {
      const COLORREF face = GetSysColor(COLOR_BTNFACE);
      for (int y = 0; y < client.bottom; ++y) {
        for (int x = y % 2; x < client.right; x += 2) SetPixel(dc, x, y, face);
      }
    }
    if (state.focused) {
      RECT focus{2, 2, client.right - 2, client.bottom - 2};
      DrawFocusRect(dc, &focus);
    }
    return;
  }
  DrawButtonFace(dc, client, state.pushed, isDefault);
  const std::u16string text = WindowTextOf(window);
  FontSelection font(dc, state.font);
  SetTextLook(dc, enabled);
  RECT textRect = client;
  if (state.pushed) {
    textRect.left += 2;
    textRect.top += 2;
  }
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
           DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (state.focused) {
    const int inset = isDefault ? 4 : 3;
    RECT focus{inset, inset, client.right - inset, client.bottom - inset};
    DrawFocusRect(dc, &focus);
  }
}

void PaintCheck(HWND window, const ButtonState& state, HDC dc, const RECT& client, DWORD style) {
  const bool enabled = !(style & WS_DISABLED);
  const int glyphY = (client.bottom - kGlyphSize) / 2;
  if (IsRadioType(TypeOf(style))) {
    DrawRadioGlyph(dc, 0, glyphY, state.check != BST_UNCHECKED, state.pushed, !enabled);
  } else {
    DrawCheckGlyph(dc, 0, glyphY, state.check != BST_UNCHECKED, state.pushed, !enabled);
  }
  const std::u16string text = WindowTextOf(window);
  FontSelection font(dc, state.font);
  SetTextLook(dc, enabled);
  RECT textRect{kGlyphSize + 4, 0, client.right, client.bottom};
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
           DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (state.focused && !text.empty()) {
    RECT measured = textRect;
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &measured,
             DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
    const int height = measured.bottom - measured.top;
    const int top = (client.bottom - height) / 2;
    RECT focus{textRect.left - 1, top - 1, std::min<LONG>(client.right, measured.right + 1),
               top + height + 1};
    DrawFocusRect(dc, &focus);
  }
}

void PaintGroupBox(HWND window, const ButtonState& state, HDC dc, const RECT& client, DWORD style) {
  const std::u16string text = WindowTextOf(window);
  FontSelection font(dc, state.font);
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  const int lineY = text.empty() ? 0 : tm.tmHeight / 2;
  const COLORREF line = GetSysColor(COLOR_BTNSHADOW);
  // The frame, with a gap in its top edge where the text sits.
  int gapLeft = 0;
  int gapRight = 0;
  RECT textRect{8, 0, client.right - 8, tm.tmHeight};
  if (!text.empty()) {
    RECT measured = textRect;
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &measured,
             DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
    gapLeft = 6;
    gapRight = std::min<LONG>(client.right - 2, measured.right + 2);
  }
  const RECT frame{0, lineY, client.right, client.bottom};
  FillColor(dc, {frame.left, frame.bottom - 1, frame.right, frame.bottom}, line);
  FillColor(dc, {frame.left, frame.top, frame.left + 1, frame.bottom}, line);
  FillColor(dc, {frame.right - 1, frame.top, frame.right, frame.bottom}, line);
  if (gapRight > gapLeft) {
    FillColor(dc, {frame.left, frame.top, gapLeft, frame.top + 1}, line);
    FillColor(dc, {gapRight, frame.top, frame.right, frame.top + 1}, line);
  } else {
    FillColor(dc, {frame.left, frame.top, frame.right, frame.top + 1}, line);
  }
  SetTextLook(dc, !(style & WS_DISABLED));
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &textRect, DT_LEFT | DT_SINGLELINE);
}

void PaintOwnerDrawn(HWND window, const ButtonState& state, HDC dc, const RECT& client,
                     DWORD style) {
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(GetDlgCtrlID(window));
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = (state.pushed ? ODS_SELECTED : 0) | (state.focused ? ODS_FOCUS : 0) |
                   ((style & WS_DISABLED) ? ODS_DISABLED : 0);
  item.hwndItem = window;
  item.hDC = dc;
  item.rcItem = client;
  const HWND parent = GetParent(window);
  if (parent) {
    SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(item.CtlID),
                reinterpret_cast<LPARAM>(&item));
  }
}

void Paint(HWND window, const ButtonState& state) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(window, &ps);
  if (dc) {
    RECT client{};
    GetClientRect(window, &client);
    const DWORD style = StyleOf(window);
    switch (TypeOf(style)) {
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
        PaintCheck(window, state, dc, client, style);
        break;
      case BS_GROUPBOX:
        PaintGroupBox(window, state, dc, client, style);
        break;
      case BS_OWNERDRAW:
        PaintOwnerDrawn(window, state, dc, client, style);
        break;
      default:
        PaintPush(window, state, dc, client, style);
        break;
    }
  }
  EndPaint(window, &ps);
}

bool InsideClient(HWND window, LPARAM lParam) {
  RECT client{};
  GetClientRect(window, &client);
  return Contains(client, XOf(lParam), YOf(lParam));
}

}  // namespace

LRESULT ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto state = StateFor(Buttons(), window, message);
  if (!state) return DefWindowProc(window, message, wParam, lParam);
  ButtonState& s = *state;
  if (const auto result = CommonMessage(window, message, wParam, lParam, s, Paint, Repaint)) {
    return *result;
  }
  const DWORD style = StyleOf(window);
  const DWORD type = TypeOf(style);

  switch (message) {
    case WM_GETDLGCODE:
      return DialogCode(type);
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProc(window, message, wParam, lParam);
      Repaint(window);
      return result;
    }
    case WM_SETFOCUS:
      s.focused = true;
      Repaint(window);
      return 0;
    case WM_KILLFOCUS:
      s.focused = false;
      s.spaceDown = false;
      if (s.tracking) {
        s.tracking = false;
        if (GetCapture() == window) ReleaseCapture();
      }
      s.pushed = false;
      Repaint(window);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (type == BS_GROUPBOX) return PassThrough(window, message, wParam, lParam);
      if (style & WS_DISABLED) return 0;
      if (GetFocus() != window) SetFocus(window);
      SetCapture(window);
      s.tracking = true;
      SetPushed(window, s, true);
      return 0;
    case WM_MOUSEMOVE:
      if (type == BS_GROUPBOX) return PassThrough(window, message, wParam, lParam);
      if (s.tracking) SetPushed(window, s, InsideClient(window, lParam));
      return 0;
    case WM_LBUTTONUP: {
      if (type == BS_GROUPBOX) return PassThrough(window, message, wParam, lParam);
      if (!s.tracking) return 0;
      s.tracking = false;
      if (GetCapture() == window) ReleaseCapture();
      const bool inside = InsideClient(window, lParam);
      SetPushed(window, s, false);
      if (inside && !(StyleOf(window) & WS_DISABLED)) Click(window, s);
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && type != BS_GROUPBOX && !(style & WS_DISABLED) && !s.spaceDown) {
        s.spaceDown = true;
        SetPushed(window, s, true);
      }
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE && s.spaceDown) {
        s.spaceDown = false;
        SetPushed(window, s, false);
        Click(window, s);
      }
      return 0;
    case WM_CHAR:
      return 0;
    case BM_GETCHECK:
      return IsCheckType(type) ? static_cast<LRESULT>(s.check) : BST_UNCHECKED;
    case BM_SETCHECK:
      SetCheck(window, s, std::min<WPARAM>(wParam, BST_INDETERMINATE));
      return 0;
    case BM_GETSTATE:
      return static_cast<LRESULT>(s.check | (s.pushed ? BST_PUSHED : 0) |
                                  (s.focused ? BST_FOCUS : 0));
    case BM_SETSTATE:
      SetPushed(window, s, wParam != 0);
      return 0;
    case BM_SETSTYLE: {
      // The low word is the button's own style; the window styles stay.
      const DWORD next = (style & 0xFFFF0000u) | (static_cast<DWORD>(wParam) & 0xFFFFu);
      SetWindowLong(window, GWL_STYLE, static_cast<LONG_PTR>(next));
      if (lParam) Repaint(window);
      return 0;
    }
    case BM_SETIMAGE: {
      if (wParam != IMAGE_BITMAP && wParam != IMAGE_ICON) return 0;
      const HGDIOBJ previous = s.imageType == wParam ? s.image : nullptr;
      s.image = reinterpret_cast<HGDIOBJ>(lParam);
      s.imageType = wParam;
      if ((style & BS_BITMAP) && wParam == IMAGE_BITMAP) {
        SizeToImage(window, reinterpret_cast<HBITMAP>(lParam));
      }
      Repaint(window);
      return reinterpret_cast<LRESULT>(previous);
    }
    case BM_GETIMAGE:
      return s.imageType == wParam ? reinterpret_cast<LRESULT>(s.image) : 0;
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace platform::ui::controls

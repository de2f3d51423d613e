// The "STATIC" class: text on the parent's background, icons, bitmaps and
// plain rectangles and frames.
#include <algorithm>

#include "platform/ui/controls/control_paint.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/window/window_dc.h"

namespace platform::ui::controls {
namespace {

// Static kinds beyond the three text alignments, icon and bitmap.
constexpr DWORD kBlackRect = 0x04;
constexpr DWORD kGrayRect = 0x05;
constexpr DWORD kWhiteRect = 0x06;
constexpr DWORD kBlackFrame = 0x07;
constexpr DWORD kGrayFrame = 0x08;
constexpr DWORD kWhiteFrame = 0x09;
constexpr DWORD kSimple = 0x0B;
constexpr DWORD kLeftNoWordWrap = 0x0C;

struct StaticState {
  HFONT font = nullptr;
  HGDIOBJ image = nullptr;
};

StateTable<StaticState>& Statics() {
  static StateTable<StaticState> table;
  return table;
}

DWORD KindOf(DWORD style) {
  return style & SS_TYPEMASK;
}

WPARAM ImageTypeFor(DWORD kind) {
  return kind == SS_ICON ? IMAGE_ICON : IMAGE_BITMAP;
}

bool HasImage(DWORD kind) {
  return kind == SS_ICON || kind == SS_BITMAP;
}

SIZE ImageSize(DWORD kind, HGDIOBJ image) {
  if (!image) return {0, 0};
  if (kind == SS_BITMAP) return BitmapSize(reinterpret_cast<HBITMAP>(image));
  SIZE size{0, 0};
  GetIconSize(reinterpret_cast<HICON>(image), &size);
  return size;
}

// Icon and bitmap statics take the size of their image unless they centre
// it in the size they were given.
void SizeToImage(HWND window, DWORD style, HGDIOBJ image) {
  if (style & SS_CENTERIMAGE) return;
  const SIZE size = ImageSize(KindOf(style), image);
  if (size.cx <= 0 || size.cy <= 0) return;
  RECT outer{};
  RECT client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  const int frameX = (outer.right - outer.left) - client.right;
  const int frameY = (outer.bottom - outer.top) - client.bottom;
  InvalidateUnder(window);
  SetWindowPos(window, nullptr, 0, 0, size.cx + frameX, size.cy + frameY,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PaintImage(HDC dc, const RECT& client, DWORD style, HGDIOBJ image) {
  const DWORD kind = KindOf(style);
  const SIZE size = ImageSize(kind, image);
  int x = 0;
  int y = 0;
  if (style & SS_CENTERIMAGE) {
    x = (client.right - size.cx) / 2;
    y = (client.bottom - size.cy) / 2;
  }
  if (kind == SS_ICON) {
    DrawIcon(dc, x, y, reinterpret_cast<HICON>(image));
  } else {
    DrawBitmap(dc, reinterpret_cast<HBITMAP>(image), x, y);
  }
}

void PaintText(HWND window, const StaticState& state, HDC dc, const RECT& client, DWORD style) {
  const std::u16string text = WindowTextOf(window);
  if (text.empty()) return;
  UINT format = 0;
  switch (KindOf(style)) {
    case SS_CENTER:
      format = DT_CENTER | DT_WORDBREAK;
      break;
    case SS_RIGHT:
      format = DT_RIGHT | DT_WORDBREAK;
      break;
    case kSimple:
      format = DT_LEFT | DT_SINGLELINE;
      break;
    case kLeftNoWordWrap:
      format = DT_LEFT;
      break;
    default:
      format = DT_LEFT | DT_WORDBREAK;
      break;
  }
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  FontSelection font(dc, state.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor((style & WS_DISABLED) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
  RECT r = client;
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

void Paint(HWND window, const StaticState& state) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(window, &ps);
  if (dc) {
    RECT client{};
    GetClientRect(window, &client);
    const DWORD style = StyleOf(window);
    switch (KindOf(style)) {
      case SS_ICON:
      case SS_BITMAP:
        if (state.image) PaintImage(dc, client, style, state.image);
        break;
      case kBlackRect:
        FillSys(dc, client, COLOR_WINDOWFRAME);
        break;
      case kGrayRect:
        FillSys(dc, client, COLOR_BTNSHADOW);
        break;
      case kWhiteRect:
        FillSys(dc, client, COLOR_WINDOW);
        break;
      case kBlackFrame:
        Outline(dc, client, GetSysColor(COLOR_WINDOWFRAME));
        break;
      case kGrayFrame:
        Outline(dc, client, GetSysColor(COLOR_BTNSHADOW));
        break;
      case kWhiteFrame:
        Outline(dc, client, GetSysColor(COLOR_WINDOW));
        break;
      default:
        PaintText(window, state, dc, client, style);
        break;
    }
  }
  EndPaint(window, &ps);
}

}  // namespace

LRESULT StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto state = StateFor(Statics(), window, message);
  if (!state) return DefWindowProc(window, message, wParam, lParam);
  StaticState& s = *state;
  if (const auto result =
          CommonMessage(window, message, wParam, lParam, s, Paint, InvalidateUnder)) {
    return *result;
  }
  const DWORD style = StyleOf(window);

  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProc(window, message, wParam, lParam);
      InvalidateUnder(window);
      return result;
    }
    case STM_SETIMAGE: {
      const DWORD kind = KindOf(style);
      if (!HasImage(kind) || wParam != ImageTypeFor(kind)) return 0;
      const HGDIOBJ previous = s.image;
      s.image = reinterpret_cast<HGDIOBJ>(lParam);
      SizeToImage(window, style, s.image);
      InvalidateUnder(window);
      return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETIMAGE: {
      const DWORD kind = KindOf(style);
      return HasImage(kind) && wParam == ImageTypeFor(kind) ? reinterpret_cast<LRESULT>(s.image)
                                                            : 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!(style & SS_NOTIFY)) return PassThrough(window, message, wParam, lParam);
      if (!(style & WS_DISABLED)) NotifyParent(window, STN_CLICKED);
      return 0;
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
      if (!(style & SS_NOTIFY)) return PassThrough(window, message, wParam, lParam);
      return 0;
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace platform::ui::controls

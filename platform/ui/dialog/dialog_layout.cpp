// Templates to windows: the dialog font and its base units, dialog units
// to pixels, the dialog's place on the screen and its controls.
#include <algorithm>
#include <map>
#include <mutex>
#include <string>

#include "platform/ui/dialog/dialog.h"
#include "platform/ui/dialog/dialog_internal.h"
#include "platform/ui/window/control_host.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_dc.h"
#include "platform/wstring.h"

namespace platform::ui::dialog_detail {
namespace {

// Used when the font system can't measure (no font file): the metrics of
// an 8-point sans serif at 96 dpi.
constexpr int kFallbackBaseX = 5;
constexpr int kFallbackBaseY = 13;

struct FontCache {
  std::mutex lock;
  std::map<std::pair<std::u16string, WORD>, DialogFont> fonts;
};

FontCache& Fonts() {
  static FontCache cache;
  return cache;
}

DialogFont MakeFont(LPCWSTR face, WORD pointSize) {
  DialogFont result;
  HDC dc = GetDC(nullptr);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dpi <= 0) dpi = 96;
  // Negative height: the character height without internal leading, as a
  // point size asks for.
  const int height = -((pointSize * dpi + 36) / 72);
  result.font = CreateFont(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, face);
  TEXTMETRIC metrics{};
  if (dc && result.font) {
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(result.font));
    if (GetTextMetrics(dc, &metrics)) {
      result.baseX = metrics.tmAveCharWidth;
      result.baseY = metrics.tmHeight;
    }
    SelectObject(dc, previous);
  }
  if (dc) ReleaseDC(nullptr, dc);
  if (result.baseX <= 0 || result.baseY <= 0) {
    result.baseX = kFallbackBaseX;
    result.baseY = kFallbackBaseY;
  }
  return result;
}

int ToPixelsX(const DialogFont& font, int units) {
  return units * font.baseX / 4;
}
int ToPixelsY(const DialogFont& font, int units) {
  return units * font.baseY / 8;
}

// The screen between the title bar and the menu bar.
RECT WorkArea() {
  return RECT{0, screen::kTitleBarHeight, screen::kWidth, screen::kHeight - screen::kMenuBarHeight};
}

void SetItemImage(HWND control, const DialogItemTemplate& item, HINSTANCE instance,
                  DialogState& state) {
  if (item.imageId == 0) return;
  const DWORD style = item.style;
  if (HasClass(control, u"STATIC")) {
    const DWORD type = style & SS_TYPEMASK;
    if (type == SS_ICON) {
      if (HICON icon = LoadIcon(instance, item.imageId)) {
        SendMessage(control, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
      }
    } else if (type == SS_BITMAP) {
      if (HBITMAP bitmap = LoadBitmap(instance, item.imageId)) {
        state.bitmaps.push_back(bitmap);
        SendMessage(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
      }
    }
  } else if (HasClass(control, u"BUTTON") && (style & BS_BITMAP)) {
    if (HBITMAP bitmap = LoadBitmap(instance, item.imageId)) {
      state.bitmaps.push_back(bitmap);
      SendMessage(control, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    }
  }
}

}  // namespace

void PlaceDialog(HWND dialog, int clientWidth, int clientHeight, int x, int y) {
  // The template gives the client area; a frame the window system draws
  // comes on top of it.
  RECT outer{}, client{};
  GetWindowRect(dialog, &outer);
  GetClientRect(dialog, &client);
  const int width =
      clientWidth + std::max<int>(0, (outer.right - outer.left) - (client.right - client.left));
  const int height =
      clientHeight + std::max<int>(0, (outer.bottom - outer.top) - (client.bottom - client.top));
  const DWORD style = static_cast<DWORD>(GetWindowLong(dialog, GWL_STYLE));
  if (!(style & WS_CHILD)) {
    const RECT work = WorkArea();
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (style & DS_CENTER) {
      x = std::max<int>(0, work.left + (work.right - work.left - width) / 2);
      y = std::max<int>(0, work.top + (work.bottom - work.top - height) / 2);
    } else if (owner) {
      POINT origin{0, 0};
      ClientToScreen(owner, &origin);
      x += origin.x;
      y += origin.y;
    } else {
      x += work.left;
      y += work.top;
    }
  }
  MoveWindow(dialog, x, y, width, height, FALSE);
}

DialogFont FontFor(LPCWSTR face, WORD pointSize) {
  if (!face || !*face || pointSize == 0) return DefaultFont();
  FontCache& cache = Fonts();
  std::lock_guard guard(cache.lock);
  auto key = std::make_pair(FoldCase(face), pointSize);
  auto it = cache.fonts.find(key);
  if (it == cache.fonts.end()) it = cache.fonts.emplace(key, MakeFont(face, pointSize)).first;
  return it->second;
}

DialogFont DefaultFont() {
  return FontFor(u"Tahoma", 8);
}

HWND CreateDialogWindow(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc,
                        bool modal) {
  EnsureDialogClass();
  auto state = std::make_shared<DialogState>();
  state->templateId = t.id;
  state->modal = modal;
  state->font = FontFor(t.fontFace, t.fontPointSize);

  const bool child = (t.style & WS_CHILD) != 0;
  DWORD exStyle = t.exStyle;
  if (child) exStyle |= WS_EX_CONTROLPARENT;
  // Hidden until initialised: the procedure sets up its controls first.
  HWND dialog = CreateWindowEx(exStyle, kDialogClass, t.title ? t.title : u"",
                               t.style & ~WS_VISIBLE, 0, 0, ToPixelsX(state->font, t.cx),
                               ToPixelsY(state->font, t.cy), owner, 0, instance, nullptr);
  if (!dialog) return nullptr;
  RegisterState(dialog, state);
  SetWindowLong(dialog, DWL_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  PlaceDialog(dialog, ToPixelsX(state->font, t.cx), ToPixelsY(state->font, t.cy),
              ToPixelsX(state->font, t.x), ToPixelsY(state->font, t.y));

  for (std::size_t i = 0; i < t.itemCount; ++i) {
    const DialogItemTemplate& item = t.items[i];
    const int x = ToPixelsX(state->font, item.x);
    const int y = ToPixelsY(state->font, item.y);
    const int cx = ToPixelsX(state->font, item.cx);
    const int cy = ToPixelsY(state->font, item.cy);
    const DWORD style = item.style | WS_CHILD | WS_VISIBLE;
    // A component's control is named by its class id and made by its
    // class object.
    HWND control =
        IsControlClassName(item.className)
            ? CreateHostedControl(item.className, style, x, y, cx, cy, dialog,
                                  static_cast<UINT>(item.id))
            : CreateWindowEx(item.exStyle, item.className, item.text ? item.text : u"", style, x, y,
                             cx, cy, dialog,
                             static_cast<std::uintptr_t>(static_cast<std::intptr_t>(item.id)),
                             instance, nullptr);
    // A control of an unknown class is left out; the dialog still works.
    if (!control) continue;
    SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(state->font.font), FALSE);
    SetItemImage(control, item, instance, *state);
    if (state->defId == 0 && HasClass(control, u"BUTTON") &&
        (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      state->defId = item.id;
      state->lookDefault = control;
    }
  }
  // Without a default push button Enter still means OK.
  if (state->defId == 0) state->defId = IDOK;
  return dialog;
}

}  // namespace platform::ui::dialog_detail

using namespace platform::ui::dialog_detail;

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  const std::shared_ptr<DialogState> state = StateOf(dialog);
  if (!state || !rect) return FALSE;
  rect->left = ToPixelsX(state->font, rect->left);
  rect->right = ToPixelsX(state->font, rect->right);
  rect->top = ToPixelsY(state->font, rect->top);
  rect->bottom = ToPixelsY(state->font, rect->bottom);
  return TRUE;
}

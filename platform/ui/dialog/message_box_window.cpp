// The message box as a window: icon, word-wrapped text and the buttons of
// its type, centred in the work area and modal over its owner.
#include <algorithm>
#include <vector>

#include "platform/message_box.h"
#include "platform/ui/dialog/dialog_internal.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_dc.h"

namespace platform::ui::dialog_detail {
namespace {

constexpr int kMargin = 8;
constexpr int kIconSize = 32;
constexpr int kButtonGap = 6;
constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 0xFFFE;

struct Button {
  int id;
  LPCWSTR label;
};

std::vector<Button> ButtonsOf(UINT type) {
  switch (type & 0x0F) {
    case MB_OKCANCEL:
      return {{IDOK, u"OK"}, {IDCANCEL, u"Cancel"}};
    case MB_YESNOCANCEL:
      return {{IDYES, u"Yes"}, {IDNO, u"No"}, {IDCANCEL, u"Cancel"}};
    case MB_YESNO:
      return {{IDYES, u"Yes"}, {IDNO, u"No"}};
    default:
      return {{IDOK, u"OK"}};
  }
}

std::uintptr_t IconOf(UINT type) {
  switch (type & 0xF0) {
    case MB_ICONHAND:
      return IDI_HAND;
    case MB_ICONQUESTION:
      return IDI_QUESTION;
    case MB_ICONEXCLAMATION:
      return IDI_EXCLAMATION;
    case MB_ICONINFORMATION:
      return IDI_ASTERISK;
    default:
      return 0;
  }
}

struct BoxInfo {
  UINT type;
  std::vector<Button> buttons;
};

LONG_PTR BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLong(box, DWL_USER, lParam);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const auto* info = reinterpret_cast<const BoxInfo*>(GetWindowLong(box, DWL_USER));
  if (!info) return FALSE;
  const int id = LOWORD(static_cast<DWORD>(wParam));
  for (const Button& button : info->buttons) {
    if (button.id == id) {
      EndDialog(box, id);
      return TRUE;
    }
  }
  // Escape (and closing) means Cancel where the box has one; a box with only
  // OK takes it as OK; Yes/No boxes wait for an answer.
  if (id == IDCANCEL && info->buttons.size() == 1) EndDialog(box, info->buttons.front().id);
  return TRUE;
}

// Height of `text` word-wrapped to `width` pixels in `font`.
int MeasureText(const DialogFont& font, const std::u16string& text, int width) {
  int height = 0;
  HDC dc = GetDC(nullptr);
  if (dc) {
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(font.font));
    RECT rect{0, 0, width, 0};
    height = DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect,
                      DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
  }
  if (height <= 0) {
    // No measurement: estimate the lines from the average character width.
    const int perLine = std::max(1, width / std::max(1, font.baseX));
    int lines = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find(u'\n', start);
      if (end == std::u16string::npos) end = text.size();
      lines += std::max<int>(1, (static_cast<int>(end - start) + perLine - 1) / perLine);
      start = end + 1;
    }
    height = lines * font.baseY;
  }
  return height;
}

int TextWidth(const DialogFont& font, LPCWSTR text) {
  SIZE size{0, 0};
  HDC dc = GetDC(nullptr);
  if (dc) {
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(font.font));
    std::u16string_view view(text);
    GetTextExtentPoint32(dc, text, static_cast<int>(view.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
  }
  return size.cx > 0 ? size.cx : static_cast<int>(std::u16string_view(text).size()) * font.baseX;
}

}  // namespace

int RunMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type,
                  const std::function<void(HWND)>& shown) {
  if (owner && !IsWindow(owner)) owner = nullptr;
  if (owner) owner = TopLevelOf(owner);
  BoxInfo info{type, ButtonsOf(type)};

  DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER | DS_MODALFRAME | DS_CENTER;
  if (type & MB_SETFOREGROUND) style |= DS_SETFOREGROUND;
  const DialogTemplate boxTemplate{0, style,           WS_EX_DLGMODALFRAME, 0, 0,       0,
                                   0, caption.c_str(), u"Tahoma",           8, nullptr, 0};
  HWND box = CreateDialogWindow(nullptr, boxTemplate, owner, BoxProc, true);
  if (!box) return 0;
  const std::shared_ptr<DialogState> state = StateOf(box);
  const DialogFont font = state->font;

  // Layout in pixels: icon on the left, the text beside it, the buttons in
  // a centred row below.
  const int width = screen::kWidth - 2 * kMargin;
  const std::uintptr_t iconId = IconOf(type);
  const int textLeft = iconId ? kMargin + kIconSize + kMargin : kMargin + 2;
  const int textWidth = width - textLeft - kMargin;
  const int maxHeight = screen::kHeight - screen::kTitleBarHeight - screen::kMenuBarHeight;
  const int buttonHeight = 14 * font.baseY / 8;
  int buttonWidth = 40 * font.baseX / 4;
  for (const Button& button : info.buttons) {
    buttonWidth = std::max(buttonWidth, TextWidth(font, button.label) + 16);
  }
  const int chrome = kMargin + kMargin + buttonHeight + kMargin;
  int textHeight = MeasureText(font, text, textWidth);
  textHeight = std::min(textHeight, maxHeight - chrome);
  const int contentHeight = std::max(textHeight, iconId ? kIconSize : 0);
  const int height = chrome + contentHeight;

  auto add = [&](LPCWSTR className, LPCWSTR label, DWORD controlStyle, int x, int y, int w, int h,
                 int id) {
    HWND control = CreateWindowEx(0, className, label, controlStyle | WS_CHILD | WS_VISIBLE, x, y,
                                  w, h, box, static_cast<std::uintptr_t>(id), nullptr, nullptr);
    if (control) {
      SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.font), FALSE);
    }
    return control;
  };
  if (iconId) {
    if (HWND icon = add(u"STATIC", u"", SS_ICON, kMargin, kMargin, kIconSize, kIconSize, kIconId)) {
      if (HICON image = LoadIcon(nullptr, iconId)) {
        SendMessage(icon, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(image));
      }
    }
  }
  add(u"STATIC", text.c_str(), SS_LEFT | SS_NOTIFY, textLeft,
      kMargin + (contentHeight - textHeight) / 2, textWidth, textHeight, kTextId);
  const int count = static_cast<int>(info.buttons.size());
  const int rowWidth = count * buttonWidth + (count - 1) * kButtonGap;
  int x = (width - rowWidth) / 2;
  const int y = kMargin + contentHeight + kMargin;
  for (int i = 0; i < count; ++i) {
    const Button& button = info.buttons[static_cast<std::size_t>(i)];
    DWORD buttonStyle = WS_TABSTOP | (i == 0 ? (BS_DEFPUSHBUTTON | WS_GROUP) : BS_PUSHBUTTON);
    HWND control =
        add(u"BUTTON", button.label, buttonStyle, x, y, buttonWidth, buttonHeight, button.id);
    if (i == 0) state->lookDefault = control;
    x += buttonWidth + kButtonGap;
  }
  state->defId = info.buttons.front().id;

  PlaceDialog(box, width, height, 0, 0);

  if (!InitializeDialog(box, reinterpret_cast<LPARAM>(&info))) return 0;
  if (shown) shown(box);
  return static_cast<int>(RunModal(box, owner));
}

}  // namespace platform::ui::dialog_detail

#include "tests/ui/dialog_test_support.h"

#include "platform/clock.h"
#include "platform/message_box.h"

namespace testing_support {
namespace {

DWORD TypeOf(HWND button) {
  return static_cast<DWORD>(GetWindowLong(button, GWL_STYLE)) & BS_TYPEMASK;
}

void SetCheck(HWND button, WPARAM state) {
  SetWindowLong(button, GWL_USERDATA, static_cast<LONG_PTR>(state));
}

void Click(HWND button) {
  const DWORD type = TypeOf(button);
  if (type == BS_AUTOCHECKBOX) {
    SetCheck(button, GetWindowLong(button, GWL_USERDATA) ? BST_UNCHECKED : BST_CHECKED);
  } else if (type == BS_AUTORADIOBUTTON) {
    HWND parent = GetParent(button);
    for (HWND other = GetNextDlgGroupItem(parent, button, FALSE); other && other != button;
         other = GetNextDlgGroupItem(parent, other, FALSE)) {
      if (TypeOf(other) == BS_AUTORADIOBUTTON) SetCheck(other, BST_UNCHECKED);
    }
    SetCheck(button, BST_CHECKED);
  }
  SendMessage(GetParent(button), WM_COMMAND,
              MAKELONG(static_cast<WORD>(GetDlgCtrlID(button)), BN_CLICKED),
              reinterpret_cast<LPARAM>(button));
}

LRESULT StandInButton(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE: {
      const DWORD type = TypeOf(button);
      if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (type == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON) {
        return DLGC_BUTTON | DLGC_RADIOBUTTON;
      }
      return DLGC_BUTTON;
    }
    case BM_GETCHECK:
      return GetWindowLong(button, GWL_USERDATA);
    case BM_SETCHECK:
      SetCheck(button, wParam);
      return 0;
    case BM_SETSTYLE: {
      const DWORD style = static_cast<DWORD>(GetWindowLong(button, GWL_STYLE));
      SetWindowLong(button, GWL_STYLE, (style & ~0xFFFFu) | LOWORD(static_cast<DWORD>(wParam)));
      return 0;
    }
    case BM_CLICK:
    case WM_LBUTTONUP:
      Click(button);
      return 0;
    default:
      return DefWindowProc(button, message, wParam, lParam);
  }
}

LRESULT StandInEdit(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      if ((GetWindowLong(edit, GWL_STYLE) & ES_MULTILINE) && msg && msg->message == WM_KEYDOWN &&
          msg->wParam == VK_RETURN) {
        code |= DLGC_WANTALLKEYS;
      }
      return code;
    }
    case WM_KEYDOWN:
      // The last key the edit saw, for the tests.
      SetWindowLong(edit, GWL_USERDATA, static_cast<LONG_PTR>(wParam));
      return 0;
    case WM_CHAR: {
      WCHAR text[256] = {};
      const int length = GetWindowText(edit, text, 255);
      text[length] = static_cast<WCHAR>(wParam);
      text[length + 1] = 0;
      SetWindowText(edit, text);
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(edit);
      return 0;
    default:
      return DefWindowProc(edit, message, wParam, lParam);
  }
}

LRESULT PlainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(window, message, wParam, lParam);
}

}  // namespace

void DialogTest::SetUp() {
  platform::clock::UseVirtual(1000);
  platform::message_box::ClearRecorded();
  platform::message_box::ClearAnswer();
  const struct {
    LPCWSTR name;
    WNDPROC proc;
  } classes[] = {{u"BUTTON", StandInButton},
                 {u"EDIT", StandInEdit},
                 {u"STATIC", PlainWindow},
                 {u"DialogTestOwner", PlainWindow}};
  for (const auto& c : classes) {
    WNDCLASS existing{};
    if (GetClassInfo(nullptr, c.name, &existing)) continue;
    WNDCLASS wc{};
    wc.lpfnWndProc = c.proc;
    wc.lpszClassName = c.name;
    if (RegisterClass(&wc)) standIns_.push_back(c.name);
  }
  previousHook_ = platform::ui::SetIdleHook([this] {
    if (steps_.empty()) return false;
    auto step = std::move(steps_.front());
    steps_.pop_front();
    step();
    return true;
  });
  previousExhausted_ = platform::ui::SetIdleExhaustedHandler([] {
    ADD_FAILURE() << "the modal loop waited with no steps left";
    HWND active = GetActiveWindow();
    if (!active || !EndDialog(active, -2)) std::abort();
  });
}

void DialogTest::TearDown() {
  for (HWND owner : owners_) {
    if (IsWindow(owner)) DestroyWindow(owner);
  }
  platform::ui::SetIdleHook(previousHook_);
  platform::ui::SetIdleExhaustedHandler(previousExhausted_);
  for (LPCWSTR name : standIns_) UnregisterClass(name, nullptr);
  platform::message_box::SetAnswer(IDOK);
  platform::message_box::ClearRecorded();
}

HWND DialogTest::MakeOwner(LPCWSTR title) {
  HWND owner = CreateWindowEx(0, u"DialogTestOwner", title, WS_POPUP | WS_VISIBLE, 0, 26, 240, 268,
                              nullptr, 0, nullptr, nullptr);
  owners_.push_back(owner);
  return owner;
}

std::u16string DialogTest::TextOf(HWND window) {
  WCHAR text[256] = {};
  const int length = GetWindowText(window, text, 256);
  return std::u16string(text, static_cast<std::size_t>(std::max(length, 0)));
}

DialogItemTemplate Item(int id, LPCWSTR className, DWORD style, short x, short y, short cx,
                        short cy, LPCWSTR text) {
  return DialogItemTemplate{id, className, style, 0, x, y, cx, cy, text, 0};
}

}  // namespace testing_support

#include "device/plain_prompt.h"

#include <openssl/crypto.h>

#include <array>
#include <iterator>

#include "platform/message_box.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/shell/shell.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/window.h"

namespace pda {
namespace {

// Passwords of the system are at most this long; a longer entry can't be
// one of them.
constexpr int kPasswordCapacity = 64;

constexpr DialogItemTemplate kItems[] = {
    {kPlainPromptLabelId, u"STATIC", SS_LEFT, 0, 6, 6, 138, 9, u"Enter the device password:", 0},
    {kPlainPromptEditId, u"EDIT", ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 6, 17,
     138, 12, nullptr, 0},
    {kPlainPromptMessageId, u"STATIC", SS_LEFT, 0, 6, 33, 138, 9, u"", 0},
    {IDOK, u"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 50, 45, 50, 14, u"OK", 0},
};

constexpr DialogTemplate kTemplate{
    kPlainPromptId,
    WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND | DS_SETFONT,
    0,
    0,
    0,
    150,
    64,
    u"Password",
    u"Tahoma",
    8,
    kItems,
    std::size(kItems)};

struct PromptState {
  const std::function<bool(LPCWSTR)>* check = nullptr;
};

void Submit(HWND dialog, const PromptState& state) {
  std::array<WCHAR, kPasswordCapacity + 1> typed{};
  GetDlgItemText(dialog, kPlainPromptEditId, typed.data(), static_cast<int>(typed.size()));
  const bool passed = (*state.check)(typed.data());
  OPENSSL_cleanse(typed.data(), typed.size() * sizeof(WCHAR));
  if (passed) {
    EndDialog(dialog, IDOK);
    return;
  }
  SetDlgItemText(dialog, kPlainPromptEditId, u"");
  SetDlgItemText(dialog, kPlainPromptMessageId, u"Wrong password. Try again.");
  SetFocus(GetDlgItem(dialog, kPlainPromptEditId));
}

LONG_PTR Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLong(dialog, DWL_USER, lParam);
      SendDlgItemMessage(dialog, kPlainPromptEditId, EM_LIMITTEXT, kPasswordCapacity, 0);
      SetFocus(GetDlgItem(dialog, kPlainPromptEditId));
      SHSipPreference(dialog, SIP_UP);
      return FALSE;  // the focus is set
    case WM_COMMAND: {
      const auto* state = reinterpret_cast<const PromptState*>(GetWindowLong(dialog, DWL_USER));
      const int id = LOWORD(static_cast<DWORD>(wParam));
      if (id == IDOK && state) Submit(dialog, *state);
      // Cancel, Escape and closing do nothing: only the password opens.
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

bool RunPlainPrompt(HWND owner, const std::function<bool(LPCWSTR)>& check) {
  PromptState state{&check};
  const LONG_PTR result =
      DialogBoxIndirectParam(nullptr, &kTemplate, owner, &Proc, reinterpret_cast<LPARAM>(&state));
  SHSipPreference(owner, SIP_FORCEDOWN);
  return result == IDOK;
}

}  // namespace pda

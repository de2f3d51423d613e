#include "entry/logon_session.h"

#include <cstring>

#include "entry/alarm_player.h"
#include "entry/false_logon_control.h"
#include "entry/session_flags.h"
#include "logonui/password_logon_dlg.h"
#include "logonui/signature_dlg.h"
#include "platform/message_box.h"
#include "platform/ui/shell.h"
#include "platform/ui/window.h"
#include "res/string_ids.h"
#include "store/credential_set.h"
#include "store/show_error.h"

namespace {

// The keyboard method as the last enumeration found it, and the method
// that was current before the last switch.
CLSID g_clsidKeyboard{};
CLSID g_clsidPrevious{};

int FindKeyboard(IMENUMINFO* info) {
  const std::u16string_view name(info->szName);
  if (name == u"Keyboard" || name == u"Tastatur") {
    g_clsidKeyboard = info->clsid;
    return 0;  // found: stop
  }
  return 1;
}

bool IsZero(const CLSID& clsid) {
  return clsid == CLSID{};
}

// Shows the password dialog until it accepts; `accepted` receives the text.
void RunPasswordDialog(std::u16string* accepted) {
  CPasswordLogonDlg dialog;
  while (dialog.DoModal() != IDOK) {
  }
  if (accepted != nullptr) AssignSecret(*accepted, dialog.GetEntry());
  g_bPasswordVerified = 1;
}

// Runs a new signature dialog until one accepts. Without the signature
// component the user password is asked for instead, so the device stays
// locked but usable.
void RunSignatureDialog() {
  for (;;) {
    CSignatureDlg dialog;
    dialog.SetSignatureMode(0);
    if (dialog.DoModal() == IDOK) break;
    if (dialog.ComponentFailed()) {
      RunPasswordDialog(nullptr);
      return;
    }
  }
  g_bSignatureVerified = 1;
}

}  // namespace

int SelectKeyboardInputMethod() {
  if (SipEnumIM(FindKeyboard) == 0) return 0;
  SipGetCurrentIM(&g_clsidPrevious);
  SipSetCurrentIM(&g_clsidKeyboard);
  CLSID current{};
  SipGetCurrentIM(&current);
  if (current == g_clsidKeyboard) return 1;
  SipSetCurrentIM(&g_clsidPrevious);
  return 0;
}

void RestoreInputMethod() {
  if (!IsZero(g_clsidPrevious)) SipSetCurrentIM(&g_clsidPrevious);
}

void LogonSession(DWORD method, std::u16string& secret) {
  PostMessage(HWND_BROADCAST, RegisterWindowMessage(kStopAlarmMessage), 0, 0);
  AlarmResume();
  ApplyPendingDelay();
  switch (method) {
    case 0:
      RunPasswordDialog(&secret);
      break;
    case 1:
      // The symbol pad is not built yet. The device must still not open
      // without proof, so this method asks for the user password, leaving
      // its own secret untouched.
      RunPasswordDialog(nullptr);
      break;
    case 2:
      RunSignatureDialog();
      break;
    default:
      ShowError(GetActiveWindow(), IDS_UNKNOWN_LOGON_METHOD, 0, MB_ICONHAND);
      break;
  }
  AlarmStop(true);
  ResetFalseLogonDelay();
  SetFalseLogonCount(0);
}

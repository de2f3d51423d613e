#include "entry/logon_session.h"

#include <cstring>

#include "lockout/alarm_player.h"
#include "lockout/false_logon_control.h"
#include "lockout/session_flags.h"
#include "logonui/password_logon_dlg.h"
#include "platform/message_box.h"
#include "platform/ui/shell/shell.h"
#include "platform/ui/window/window.h"
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
// Only another program's logon may go behind, and a lock-now logon never.
void RunPasswordDialog(std::u16string* accepted) {
  CPasswordLogonDlg dialog;
  dialog.m_bYieldForeground = g_bOutsideCaller;
  dialog.m_bLockNow = g_bLockDeviceCall;
  while (dialog.DoModal() != IDOK) {
  }
  if (accepted != nullptr) AssignSecret(*accepted, dialog.GetEntry());
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
    case 2:
      // The symbol pad and the signature dialog are not built yet. The
      // device must still not open without proof, so these methods ask
      // for the user password, leaving their own secrets untouched.
      RunPasswordDialog(nullptr);
      break;
    default:
      ShowError(GetActiveWindow(), IDS_UNKNOWN_LOGON_METHOD, 0, MB_ICONHAND);
      break;
  }
  AlarmStop(true);
  ResetFalseLogonDelay();
  SetFalseLogonCount(0);
}

#include "entry/logon_session.h"

#include <cstring>

#include "lockout/alarm_player.h"
#include "lockout/false_logon_control.h"
#include "lockout/session_flags.h"
#include "logonui/password_logon_dlg.h"
#include "logonui/signature_dlg.h"
#include "logonui/symbol_pad_dlg.h"
#include "platform/message_box.h"
#include "platform/store_batch.h"
#include "platform/ui/shell/shell.h"
#include "platform/ui/window/window.h"
#include "res/string_ids.h"
#include "store/credential_set.h"
#include "store/settings_record.h"
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
// False only when the dialog can't be shown at all.
bool RunPasswordDialog(std::u16string& accepted) {
  CPasswordLogonDlg dialog;
  dialog.m_bYieldForeground = g_bOutsideCaller;
  dialog.m_bLockNow = g_bLockDeviceCall;
  for (;;) {
    const INT_PTR result = dialog.DoModal();
    if (result == IDOK) break;
    if (result != IDCANCEL) return false;
  }
  AssignSecret(accepted, dialog.GetEntry());
  g_bPasswordVerified = true;
  return true;
}

// The pad in verification can't be dismissed; it ends only with a match.
// False when it can't be shown (or ended any other way).
bool RunSymbolPad(const std::u16string& reference) {
  CSymbolPadDlg pad;
  pad.m_bYieldForeground = g_bOutsideCaller;
  pad.m_bLockNow = g_bLockDeviceCall;
  pad.Setup(CSymbolPadDlg::kStepVerify, reference, g_Settings.PictoSymbolset,
            g_Settings.RandPictoOrder != 0);
  if (pad.DoModal() != IDOK) return false;
  g_bSymbolPasswordVerified = true;
  return true;
}

// Runs a new signature dialog until one accepts. Without the signature
// component the user password is asked for instead, so the device stays
// locked but usable. False only when no dialog can be shown at all.
bool RunSignatureDialog() {
  for (;;) {
    CSignatureDlg dialog;
    dialog.m_bYieldForeground = g_bOutsideCaller;
    dialog.m_bLockNow = g_bLockDeviceCall;
    dialog.SetSignatureMode(0);
    const INT_PTR result = dialog.DoModal();
    if (result == IDOK) break;
    if (dialog.ComponentFailed()) return RunPasswordDialog(g_strUserPassword);
    if (result != IDCANCEL) return false;
  }
  g_bSignatureVerified = true;
  return true;
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

bool LogonSession(DWORD method, std::u16string& secret) {
  PostMessage(HWND_BROADCAST, RegisterWindowMessage(kStopAlarmMessage), 0, 0);
  AlarmResume();
  ApplyPendingDelay();
  bool accepted = false;
  switch (method) {
    case 0:
      accepted = RunPasswordDialog(secret);
      break;
    case 1:
      accepted = RunSymbolPad(secret);
      break;
    case 2:
      accepted = RunSignatureDialog();
      break;
    default:
      // The password dialog guards the device when the method is unknown.
      ShowError(GetActiveWindow(), IDS_UNKNOWN_LOGON_METHOD, 0, MB_ICONHAND);
      accepted = RunPasswordDialog(g_strUserPassword);
      break;
  }
  if (!accepted) return false;
  // One change: a power cut leaves the alarm, the delay record and the
  // counter all cleared or all as they were.
  CStoreBatch batch;
  AlarmStop(true);
  ResetFalseLogonDelay();
  SetFalseLogonCount(0);
  batch.Commit();
  return true;
}

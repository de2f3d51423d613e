#include "setup/uninstall.h"

#include "entry/alarm_player.h"
#include "entry/false_logon_control.h"
#include "entry/session_flags.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/ui/afx/afx.h"
#include "res/string_ids.h"
#include "setup/current_password_dlg.h"
#include "store/credential_set.h"
#include "store/credential_store.h"
#include "store/device_key.h"
#include "store/os_password_api.h"
#include "store/registry_key.h"
#include "store/settings_model.h"
#include "store/show_error.h"

namespace {
constexpr const WCHAR* kModulePath = u"\\Windows\\Password.cpl";
constexpr const WCHAR* kAuthenticateMutexName = u"OMREL_AUTHENTICATE_MUTEX";
constexpr const WCHAR* kSignatureComponentPath = u"\\Windows\\Panel.ocx";

// Asks for the master password until it is given (true) or the prompt is
// cancelled (false). Every wrong one is a false logon with its delay.
bool ProveMasterPassword() {
  CCurrentPasswordDlg prompt;
  prompt.m_bMasterPrompt = 1;
  for (;;) {
    if (prompt.DoModal() != IDOK) return false;
    std::u16string entered = prompt.GetEnteredPassword();
    const bool right = entered == g_strMasterPassword;
    WipeSecret(entered);
    if (right) return true;
    RejectEntry(IDS_WRONG_MASTER_PASSWORD);
  }
}

// The module's own settings: without the key, or at least without
// "LogonMethod", the module counts as not configured.
void RemoveSettingsKey() {
  if (DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSettingsKeyPath)) return;
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0) == ERROR_SUCCESS) {
    RegDeleteValue(key.Get(), u"LogonMethod");
  }
}
}  // namespace

extern "C" __attribute__((visibility("default"))) LONG Uninstall(HWND hwndParent) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  OsPasswordApi osPassword;
  LONG result = -1;

  const HINSTANCE previousResources = g_hResourceModule;
  const HINSTANCE previousAfxResources = AfxGetResourceHandle();
  const HMODULE resources = LoadLibrary(kModulePath);
  if (resources != nullptr) {
    g_hResourceModule = resources;
    AfxSetResourceHandle(resources);
  }
  auto releaseResources = [&] {
    if (resources == nullptr) return;
    g_hResourceModule = previousResources;
    AfxSetResourceHandle(previousAfxResources);
    FreeLibrary(resources);
  };

  const HANDLE mutex = CreateMutex(nullptr, TRUE, kAuthenticateMutexName);
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    // A logon runs: nothing may be removed under it.
    MessageBeep(0);
    CloseHandle(mutex);
    releaseResources();
    return -1;
  }
  g_hAuthenticateMutex = mutex;

  LoadSettings(true, true);
  if (!g_strMasterPassword.empty() && !ProveMasterPassword()) {
    result = 1;
  } else if (!VerifyOsPassword(osPassword, g_strUserPassword)) {
    // The system password is not the one the module keeps: it could not be
    // reset, and nothing has been changed.
    ShowError(hwndParent, IDS_PASSWORD_RESET_FAILED, 0, MB_ICONHAND);
  } else {
    // The proof ends a running alarm as any accepted master password does.
    AlarmStop(true);
    // Ordered so that a power cut at any point leaves either the module's
    // working logon or the system's own prompt with the same password: the
    // redirect goes first, the system password only after the module's
    // traces, and the power-on prompt is switched off last.
    WritePasswordRedirect(u"");
    RemoveSettingsKey();
    DeleteRegistryTree(HKEY_CURRENT_USER, kSettingsKeyPath);
    DeleteCredentials();
    if (!ChangeOsPassword(osPassword, g_strUserPassword, u"")) {
      ShowError(hwndParent, IDS_PASSWORD_RESET_FAILED, 0, MB_ICONHAND);
    } else {
      SetOsPasswordActive(osPassword, u"", FALSE);
      WritePowerOnLogon(0);
      WriteActivePeriod(0);
      WipeAllSecrets();
      UnregisterSignatureControl(kSignatureComponentPath);
      result = 0;
    }
  }

  if (g_hAuthenticateMutex != nullptr) CloseHandle(g_hAuthenticateMutex);
  g_hAuthenticateMutex = nullptr;
  ScrambleSecrets();
  releaseResources();
  return result;
}

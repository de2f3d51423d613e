#include <openssl/crypto.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "entry/control_panel_app.h"
#include "entry/entry_points.h"
#include "entry/logon_session.h"
#include "entry/main_frame.h"
#include "lockout/session_flags.h"
#include "logonui/lock_window.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/resources.h"
#include "platform/system_names.h"
#include "platform/ui/afx/afx.h"
#include "platform/ui/afx/resource_module_scope.h"
#include "platform/ui/shell/shell.h"
#include "res/kernel_object_names.h"
#include "res/resource_ids.h"
#include "res/resource_module.h"
#include "res/string_ids.h"
#include "setup/install_wizard.h"
#include "store/credential_set.h"
#include "store/credential_store.h"
#include "store/device_key.h"
#include "store/os_password_api.h"
#include "store/settings_model.h"

namespace {

constexpr DWORD kCaptionBitsOff = 0x00CE0000;
constexpr DWORD kLogonStyleBitsOn = 0x10010000;
constexpr int kSavedTitleCapacity = 80;

void CopyField(WCHAR* field, std::size_t capacity, UINT stringId) {
  std::memset(field, 0, capacity * sizeof(WCHAR));
  LoadString(g_hResourceModule, stringId, field, static_cast<int>(capacity));
}

// Messages 5 and 9: the settings, single instance across processes.
LONG OpenSettings() {
  const HANDLE mutex = CreateMutex(nullptr, TRUE, kAppMutexName);
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    WCHAR title[64] = {};
    LoadString(g_hResourceModule, IDS_SETTINGS_CAPTION, title, 64);
    if (const HWND open = FindWindow(u"Dialog", title); open != nullptr) {
      SetForegroundWindow(open);
      ShowWindow(open, SW_SHOW);
    }
    CloseHandle(mutex);
    return 1;
  }
  // The settings show the module's own resources, whatever an earlier call
  // of this process left as the resource module.
  AfxSetResourceHandle(g_hResourceModule);
  CWinApp* app = AfxGetApp();
  auto* frame = new CMainFrame;
  app->m_pMainWnd = frame;
  if (frame->LoadFrame(IDR_MAINFRAME, FWS_ADDTOTITLE, nullptr, nullptr)) {
    frame->ShowWindow(app->m_nCmdShow);
    frame->UpdateWindow();
    RunSettings(frame, frame);
    // The control panel of the handheld ends the applet's process here;
    // this shell lives on, so the frame goes with the launch.
    frame->DestroyWindow();
  } else {
    app->m_pMainWnd = nullptr;
    delete frame;
  }
  if (mutex != nullptr) CloseHandle(mutex);
  return 0;
}

// The caller window's style and title, saved for the logon.
struct CSessionWindowState {
  DWORD style = 0;
  WCHAR title[kSavedTitleCapacity] = {};
};

}  // namespace

HWND GetOwnMainWindow() {
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd != nullptr)
    return app->m_pMainWnd->GetSafeHwnd();
  return GetActiveWindow();
}

LPWSTR CopyUserPassword() {
  const std::size_t bytes = (g_strUserPassword.size() + 1) * sizeof(WCHAR);
  auto* copy = static_cast<LPWSTR>(LocalAlloc(LPTR, bytes));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, g_strUserPassword.c_str(), bytes);
  return copy;
}

void WipeAndFreePassword(LPWSTR password) {
  if (password == nullptr) return;
  std::size_t length = 0;
  while (password[length] != 0) ++length;
  OPENSSL_cleanse(password, length * sizeof(WCHAR));
  LocalFree(password);
}

extern "C" __attribute__((visibility("default"))) LONG CPlApplet(HWND, UINT uMsg, LPARAM,
                                                                 LPARAM lParam2) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  g_hResourceModule = AfxGetInstanceHandle();
  switch (uMsg) {
    case CPL_INIT:
    case CPL_GETCOUNT:
      return 1;
    case CPL_INQUIRE: {
      auto* info = reinterpret_cast<CPLINFO*>(lParam2);
      info->idIcon = IDI_APPLET;
      info->idName = IDS_APPLET_NAME;
      info->idInfo = IDS_APPLET_INFO;
      info->lData = 0;
      return 0;
    }
    case CPL_DBLCLK:
    case CPL_STARTWPARMS:
      return OpenSettings();
    case CPL_STOP:
      return 1;
    case CPL_EXIT:
      return 0;
    case CPL_NEWINQUIRE: {
      auto* info = reinterpret_cast<NEWCPLINFO*>(lParam2);
      info->dwSize = sizeof(NEWCPLINFO);
      info->dwFlags = 0;
      info->dwHelpContext = 0;
      info->lData = 0;
      info->hIcon = static_cast<DWORD>(
          reinterpret_cast<std::uintptr_t>(LoadIcon(g_hResourceModule, IDI_APPLET)));
      CopyField(info->szName, 32, IDS_APPLET_NAME);
      CopyField(info->szInfo, 64, IDS_APPLET_INFO);
      std::memset(info->szHelpFile, 0, sizeof(info->szHelpFile));
      return 0;
    }
    default:
      return 1;
  }
}

extern "C" __attribute__((visibility("default"))) LPWSTR PromptForPasswd(HWND hwndCaller) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  CSessionWindowState saved;
  std::srand(GetTickCount());
  LoadSettings(true, true);
  const DWORD method = g_Settings.LogonMethod;

  auto runWizard = [hwndCaller]() {
    return ExecuteInstallWizard(hwndCaller) == 0 && UnscrambleSecrets();
  };
  if (g_strMasterPassword.empty() || g_strUserPassword.empty()) {
    // A record that exists but can't be read is no sign of a new device:
    // the wizard would assign new passwords, so the device stays locked.
    if (CredentialsUnreadable()) return nullptr;
    if (!runWizard()) return nullptr;
  }

  OsPasswordApi osPassword;
  if (VerifyOsPassword(osPassword, u"")) {
    // The system has no password: the configuration is lost.
    WipeSecret(g_strMasterPassword);
    WipeSecret(g_strUserPassword);
    if (!runWizard()) return nullptr;
  }
  if (!g_strUserPassword.empty() && !VerifyOsPassword(osPassword, g_strUserPassword)) {
    WipeSecret(g_strMasterPassword);
    WipeSecret(g_strUserPassword);
    if (!runWizard()) return nullptr;
  }

  const HWND own = GetOwnMainWindow();
  if (hwndCaller != nullptr && hwndCaller == own && !g_bLockDeviceCall) {
    g_bOwnWindowCall = true;
  } else {
    g_bOwnWindowCall = false;
    if (g_Settings.PowerOnLogon == 0 && !g_bLockDeviceCall) return nullptr;
  }

  if (own != nullptr) {
    saved.style = static_cast<DWORD>(GetWindowLong(own, GWL_STYLE));
    GetWindowText(own, saved.title, kSavedTitleCapacity);
    SetWindowText(own, u"");
    SetWindowLong(own, GWL_STYLE, (saved.style & ~kCaptionBitsOff) | kLogonStyleBitsOn);
  }

  const HANDLE mutex = CreateMutex(nullptr, TRUE, kAuthenticateMutexName);
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another logon runs: answer at once.
    CloseHandle(mutex);
    return CopyUserPassword();
  }
  g_hAuthenticateMutex = mutex;

  // The installed module's resources for the rest of the call.
  const CResourceModuleScope resources(kInstalledModulePath, &g_hResourceModule);
  SelectKeyboardInputMethod();
  g_bOutsideCaller = !g_bOwnWindowCall;

  bool accepted = false;
  switch (method) {
    case 1:
      accepted = LogonSession(1, g_strSymbolPassword);
      break;
    case 2:
      accepted = LogonSession(2, g_strSignature);
      break;
    default:
      // Method 0, and any unknown method, which the session answers with
      // its message and then the password dialog.
      accepted = LogonSession(method, g_strUserPassword);
      break;
  }

  RestoreInputMethod();
  if (g_hAuthenticateMutex != nullptr) CloseHandle(g_hAuthenticateMutex);
  g_hAuthenticateMutex = nullptr;
  if (g_bOwnWindowCall && own != nullptr) {
    if (saved.style != 0) SetWindowLong(own, GWL_STYLE, saved.style);
    if (saved.title[0] != 0) SetWindowText(own, saved.title);
    UpdateWindow(own);
  }
  g_bOutsideCaller = true;

  // No proof, no password: the device stays locked.
  LPWSTR copy = accepted ? CopyUserPassword() : nullptr;
  ScrambleSecrets();
  return copy;
}

extern "C" __attribute__((visibility("default"))) LONG LockDevice() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  g_bLockDeviceCall = true;
  const HWND active = GetActiveWindow();
  PrepareLockWindow(active);
  LPWSTR password = PromptForPasswd(nullptr);
  PrepareLockWindow(active);
  SHSipPreference(active, SIP_FORCEDOWN);
  WipeAndFreePassword(password);
  g_bLockDeviceCall = false;
  return 0;
}

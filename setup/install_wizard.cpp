#include "setup/install_wizard.h"

#include "entry/session_flags.h"
#include "platform/modules.h"
#include "platform/ui/afx/afx.h"
#include "platform/ui/shell/shell.h"
#include "res/string_ids.h"
#include "setup/install_wizard_dlg.h"
#include "store/device_key.h"
#include "store/os_password_api.h"

namespace {
constexpr const WCHAR* kModulePath = u"\\Windows\\Password.cpl";
constexpr const WCHAR* kSignatureComponentPath = u"\\Windows\\Panel.ocx";
}  // namespace

extern "C" __attribute__((visibility("default"))) LONG ExecuteInstallWizard(HWND) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  const HINSTANCE previousResources = g_hResourceModule;
  const HINSTANCE previousAfxResources = AfxGetResourceHandle();
  const HMODULE resources = LoadLibrary(kModulePath);
  if (resources != nullptr) {
    g_hResourceModule = resources;
    AfxSetResourceHandle(resources);
  }

  LONG result = -1;
  if (RegisterSignatureControl(kSignatureComponentPath)) {
    CInstallWizardDlg wizard;
    if (wizard.DoModal() == IDOK) {
      AfxMessageBox(IDS_INSTALL_COMPLETE, MB_ICONINFORMATION);
      result = 0;
    } else {
      AfxMessageBox(IDS_INSTALL_ABORTED, MB_ICONHAND);
      result = 1;
    }
  }

  SHSipPreference(GetActiveWindow(), SIP_FORCEDOWN);
  ScrambleSecrets();
  if (resources != nullptr) {
    g_hResourceModule = previousResources;
    AfxSetResourceHandle(previousAfxResources);
    FreeLibrary(resources);
  }
  return result;
}

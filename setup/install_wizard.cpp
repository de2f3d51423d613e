#include "setup/install_wizard.h"

#include "platform/modules.h"
#include "platform/system_names.h"
#include "platform/ui/afx/afx.h"
#include "platform/ui/afx/resource_module_scope.h"
#include "platform/ui/shell/shell.h"
#include "res/resource_module.h"
#include "res/string_ids.h"
#include "setup/install_wizard_dlg.h"
#include "store/device_key.h"
#include "store/os_password_api.h"

extern "C" __attribute__((visibility("default"))) LONG ExecuteInstallWizard(HWND) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  const CResourceModuleScope resources(kInstalledModulePath, &g_hResourceModule);

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
  return result;
}

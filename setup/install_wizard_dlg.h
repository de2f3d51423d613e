// The installation wizard (template 778): page 1 assigns the master
// password, page 2 the user password, which becomes the system password.
#pragma once

#include <string>

#include "platform/ui/afx/afx.h"
#include "platform/ui/shell/shell.h"
#include "store/os_password_api.h"

class CInstallWizardDlg : public CDialog {
 public:
  CInstallWizardDlg();
  ~CInstallWizardDlg() override;

 protected:
  void OnDestroy() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void WinHelp(DWORD_PTR data, UINT command = HELP_CONTEXT) override;
  BOOL PreTranslateMessage(MSG* msg) override;

  void ValidateWizardPage();
  void OnNext();
  void ShowMasterPage();
  void ShowUserPage();
  void OnPasswordChange();
  void OnInfoChange();
  void OnInfoSetFocus();
  void OnPasswordSetFocus();
  void OnPasswordKillFocus();
  LRESULT OnHelpRequest(WPARAM wParam, LPARAM lParam);
  void WriteControls();
  bool ProveSystemPassword();
  void FailUserPage(UINT messageId);
  // Stores the system password, its switches and the settings and secrets
  // in one batch; 0 when stored, else the string id of the step that failed.
  UINT StoreNewPasswords();

  std::u16string m_strInfo;
  OsPasswordApi m_osPassword;
  std::u16string m_strConfirm;
  std::u16string m_strNew;
  SIPINFO m_sipSaved{};
  std::u16string m_strConfirmLabel;
  std::u16string m_strNewLabel;
  std::u16string m_strCurrentOs;
  bool m_bUserDone = false;
  bool m_bMasterDone = false;
  // Set while the fields are written into the controls: the change
  // notifications that writing causes are not the user's typing.
  bool m_bWritingControls = false;

  DECLARE_MESSAGE_MAP()
};

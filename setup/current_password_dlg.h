// The small prompt for a current password (template 786), shared by the
// installation wizard and the uninstall.
#pragma once

#include <string>
#include <string_view>

#include "platform/ui/afx/afx.h"
#include "platform/ui/shell/shell.h"

class CCurrentPasswordDlg : public CDialog {
 public:
  CCurrentPasswordDlg();
  ~CCurrentPasswordDlg() override;

  // The text typed in the last run.
  std::u16string_view GetEnteredPassword() const { return m_strPassword; }

  bool m_bMasterPrompt = false;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  void OnCancel() override;
  void OnDestroy() override;

  void OnPasswordChange();
  void OnPasswordSetFocus();
  void OnPasswordKillFocus();

  std::u16string m_strPassword;
  SIPINFO m_sipSaved{};

  DECLARE_MESSAGE_MAP()
};

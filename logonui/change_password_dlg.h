// Asks for a new master or user password (template 626): the current one
// (unless the caller knows it), the new one and the new one again. Proves
// the current password; the caller stores the new one.
#pragma once

#include <string>

#include "logonui/logon_base_dlg.h"
#include "store/os_password_api.h"

class CChangePasswordDlg : public CLogonBaseDlg {
 public:
  static constexpr int kModeMaster = 1;
  static constexpr int kModeUser = 2;

  explicit CChangePasswordDlg(CWnd* parent = nullptr);
  ~CChangePasswordDlg() override;

  // `mode` kModeMaster or kModeUser; `currentKnown` 1: the current password
  // is taken from the credential set and not typed.
  void SetMode(int mode, int currentKnown);
  void GetNewPassword(std::u16string& password) const;
  void GetCurrentPassword(std::u16string& password) const;

  int m_nMinLength = 4;
  int m_nMaxLength = 32;
  int m_nMode = kModeUser;
  int m_bCurrentKnown = 0;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  void OnCancel() override;

  void OnFieldChange();
  void OnFieldSetFocus();
  void OnFieldKillFocus();
  LRESULT OnHelpRequest(WPARAM wParam, LPARAM lParam);
  bool IsInputValid() const;
  void FocusCurrent();

  OsPasswordApi m_osPassword;
  std::u16string m_strConfirm;
  std::u16string m_strNew;
  std::u16string m_strCurrent;

  DECLARE_MESSAGE_MAP()
};

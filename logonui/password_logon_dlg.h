// The logon dialog of the typed user password (template 628).
#pragma once

#include <string>
#include <string_view>

#include "logonui/logon_base_dlg.h"
#include "store/os_password_api.h"

class CPasswordLogonDlg : public CLogonBaseDlg {
 public:
  explicit CPasswordLogonDlg(CWnd* parent = nullptr);
  ~CPasswordLogonDlg() override;

  // The entry the last run accepted; a view, so no unwiped copy is made.
  std::u16string_view GetEntry() const { return m_strEntry; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;

  void OnEntryChange();
  void OnEntrySetFocus();
  void OnEntryKillFocus();
  void OnHelpButton();
  void UpdateOkButton();

  OsPasswordApi m_osPassword;
  std::u16string m_strEntry;
  std::u16string m_strOwnerText;

  DECLARE_MESSAGE_MAP()
};

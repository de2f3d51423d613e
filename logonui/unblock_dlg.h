// The unblock dialog (template 785), behind "Help" of a logon dialog: the
// master password proves the user, who then sets a new secret for the
// configured logon method, which is stored at once.
#pragma once

#include <string>

#include "logonui/logon_base_dlg.h"
#include "store/os_password_api.h"

class CUnblockDlg : public CLogonBaseDlg {
 public:
  explicit CUnblockDlg(CWnd* parent = nullptr);
  ~CUnblockDlg() override;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;

  void OnUnblock();
  void OnMasterChange();
  void OnMasterSetFocus();
  void OnMasterKillFocus();
  void OnInfoChange();
  LRESULT OnHelpRequest(WPARAM wParam, LPARAM lParam);

  // The inner dialog of each method; true when it set a new secret in
  // memory (the caller saves it).
  bool TakeNewUserPassword();
  bool TakeNewSymbolPassword();
  bool TakeNewSignature();
  bool StoreNewSecret();

  void FocusMaster();

  std::u16string m_strMaster;
  std::u16string m_strNewUserPassword;
  std::u16string m_strNewSymbolPassword;
  std::u16string m_strNewSignature;
  std::u16string m_strInfo;
  OsPasswordApi m_osPassword;

  DECLARE_MESSAGE_MAP()
};

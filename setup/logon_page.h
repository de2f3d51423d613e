// The Logon page (template 653): the logon method, random symbol order, and
// a new secret for the chosen method. Choosing a method whose secret does
// not exist yet makes the user create it before the choice is stored.
#pragma once

#include <string>

#include "setup/settings_page.h"
#include "store/os_password_api.h"

class CLogonPage : public CSettingsPage {
 public:
  CLogonPage();
  ~CLogonPage() override;

  void ApplyChanges() override;
  void LoadDefaults() override;
  bool IsModified() override;
  // "Change Password" (681): a new secret for the method on the page.
  void ChangeSecret();

  int m_nMethod = 0;  // 0 password, 1 symbols, 2 signature
  int m_bRandomOrder = 0;
  int m_bPasswordRadio = 0;
  int m_bSignatureRadio = 0;
  int m_bSymbolsRadio = 0;
  std::u16string m_strCurrentPassword;
  std::u16string m_strNewPassword;
  OsPasswordApi m_osPassword;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;

  void UpdateControls();
  void OnPasswordChosen();
  void OnSymbolsChosen();
  void OnSignatureChosen();
  void OnRandomOrderClicked();

  // The three dialogs of ChangeSecret, one call each; IDOK or IDCANCEL.
  // On IDOK: the current and new user password are on the page; the new
  // symbol password and its set are in the credentials and settings; the
  // enrolled signature is the signature secret.
  INT_PTR RunChangeUserPassword();
  INT_PTR RunSymbolPadSetting();
  INT_PTR RunSignatureEnrollment();

  DECLARE_MESSAGE_MAP()
};

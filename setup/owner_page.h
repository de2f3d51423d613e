// The Owner Information page (template 655): what the lock screen shows in
// its two information lines.
#pragma once

#include <string>

#include "setup/settings_page.h"

// The longest custom line the page takes.
inline constexpr int kWelcomeTextMaxChars = 40;

class COwnerPage : public CSettingsPage {
 public:
  COwnerPage();

  void ApplyChanges() override;
  void LoadDefaults() override;
  bool IsModified() override;

  int m_bShowOwnerInfo = 0;
  int m_nDisplay = 0;  // DisplayOwnerInfo being edited, 0..3
  int m_bSystemInfo = 0;
  int m_bPhone = 0;
  int m_bEmail = 0;
  int m_bCustom = 0;
  std::u16string m_strWelcome1;
  std::u16string m_strWelcome2;

 protected:
  // Set while the fields are written into the controls: the change
  // notifications that writing causes are not the user's typing.
  int m_bWritingControls = 0;

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;

  void UpdateControls();
  void OnShowClicked();
  void OnSystemClicked();
  void OnCustomClicked();
  void OnPhoneClicked();
  void OnEmailClicked();
  void OnTextChanged();
  void OnTextSetFocus();
  void OnTextKillFocus();

  DECLARE_MESSAGE_MAP()
};

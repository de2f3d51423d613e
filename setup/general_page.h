// The General page (template 649): logon at power-on and at ActiveSync
// connection, the power-off delay, and the command bar icon.
#pragma once

#include <string>

#include "setup/settings_page.h"
#include "store/os_password_api.h"

inline constexpr const WCHAR* kChangeIconStateMessage = u"WM_CHANGE_ICON_STATE";
// First parameter of "WM_CHANGE_ICON_STATE": show or hide the icon.
inline constexpr WPARAM kShowQuickAccessIcon = 11;
inline constexpr WPARAM kHideQuickAccessIcon = 12;

class CGeneralPage : public CSettingsPage {
 public:
  CGeneralPage();

  void ApplyChanges() override;
  void LoadDefaults() override;
  bool IsModified() override;

  int m_bDelay = 0;
  int m_bShowIcon = 0;
  std::u16string m_strDelayMinutes;
  // The minutes list, attached by DoDataExchange.
  CComboBox m_cbDelayMinutes;
  int m_bPowerOn = 0;
  int m_bActiveSync = 0;
  OsPasswordApi m_osPassword;
  UINT m_nChangeIconMsg = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  // The first page asks the question of the sheet's accepted close.
  BOOL OnApply() override;

  void UpdateControls();
  void OnSwitchClicked();
  void OnMinutesChosen();
  void OnMinutesTyped();

  DECLARE_MESSAGE_MAP()
};

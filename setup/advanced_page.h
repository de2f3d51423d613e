// The Advanced page (template 657): change the master password, and the
// false-logon limit with its action (sound alarm with a wave file that can
// be test-played, or hard reset).
#pragma once

#include <string>

#include "setup/settings_page.h"

class CAdvancedPage : public CSettingsPage {
 public:
  CAdvancedPage();
  ~CAdvancedPage() override;

  void ApplyChanges() override;
  void LoadDefaults() override;
  bool IsModified() override;
  // Test button 736: starts the alarm file without persisting, or stops it.
  void ToggleTestPlayback();
  void StopTestPlayback();

  int m_bLimit = 0;
  int m_bSoundAlarm = 0;
  int m_bHardReset = 0;
  int m_nAction = 1;  // 1 sound alarm, 0 hard reset
  std::u16string m_strLimitValue;
  // The limit list, attached by DoDataExchange.
  CComboBox m_cbLimitValue;
  std::u16string m_strAlarmFile;
  std::u16string m_strNewMaster;
  int m_bPlaying = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  BOOL OnKillActive() override;
  BOOL OnApply() override;
  void OnOK() override;
  void OnCancel() override;

  void UpdateControls();
  void WriteControls();
  void ShowTestBitmap(UINT bitmapId);
  void OnLimitClicked();
  void OnSoundAlarmClicked();
  void OnHardResetClicked();
  void OnLimitChosen();
  void OnLimitTyped();
  void OnFileChanged();
  void OnFileSetFocus();
  void OnFileKillFocus();
  void OnBrowse();
  void OnChangeMaster();
  LRESULT OnDrawItem(WPARAM, LPARAM lParam);

  // The change-password dialog in mode 1 (current master password typed);
  // IDOK with the new master password in m_strNewMaster.
  INT_PTR RunChangeMasterPassword();

  UINT m_nTestBitmap = 0;
  int m_bWritingControls = 0;

  DECLARE_MESSAGE_MAP()
};

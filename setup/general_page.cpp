#include "setup/general_page.h"

#include "platform/message_box.h"
#include "platform/store_batch.h"
#include "platform/system_names.h"
#include "platform/ui/window/window.h"
#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "setup/settings_sheet.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "store/show_error.h"

namespace {
constexpr DWORD kMaxDelayMinutes = 60;
constexpr UINT kAcceptQuestionFlags = MB_YESNOCANCEL | MB_ICONQUESTION;

std::u16string LoadText(UINT id) {
  WCHAR text[256] = {};
  LoadString(AfxGetResourceHandle(), id, text, 256);
  return text;
}
}  // namespace

DEFINE_MESSAGE_MAP(CGeneralPage, CSettingsPage,
                   {
                       ON_BN_CLICKED(IDC_POWER_ON_LOGON, OnSwitchClicked),
                       ON_BN_CLICKED(IDC_ACTIVESYNC_LOGON, OnSwitchClicked),
                       ON_BN_CLICKED(IDC_DELAY_ENABLE, OnSwitchClicked),
                       ON_BN_CLICKED(IDC_SHOW_ICON, OnSwitchClicked),
                       ON_CBN_SELENDOK(IDC_DELAY_MINUTES, OnMinutesChosen),
                       ON_CBN_EDITCHANGE(IDC_DELAY_MINUTES, OnMinutesTyped),
                   })

CGeneralPage::CGeneralPage() : CSettingsPage(IDD_GENERAL_PAGE) {
  m_nChangeIconMsg = RegisterWindowMessage(kChangeIconStateMessage);
}

void CGeneralPage::DoDataExchange(CDataExchange* pDX) {
  DDX_Check(pDX, IDC_ACTIVESYNC_LOGON, m_bActiveSync);
  DDX_Check(pDX, IDC_POWER_ON_LOGON, m_bPowerOn);
  DDX_CBString(pDX, IDC_DELAY_MINUTES, m_strDelayMinutes);
  DDX_Check(pDX, IDC_SHOW_ICON, m_bShowIcon);
  DDX_Check(pDX, IDC_DELAY_ENABLE, m_bDelay);
  DDX_Control(pDX, IDC_DELAY_MINUTES, m_cbDelayMinutes);
}

BOOL CGeneralPage::OnInitDialog() {
  CSettingsPage::OnInitDialog();
  const SettingsRecord& s = g_Settings;
  m_bShowIcon = static_cast<int>(s.ShowQuickAccess);
  m_bPowerOn = static_cast<int>(s.PowerOnLogon);
  m_bActiveSync = static_cast<int>(s.LogonActiveSync);
  m_bDelay = static_cast<int>(s.ActivationDelay);
  m_strDelayMinutes = DecimalText(s.ActivationDelayValue);
  if (m_cbDelayMinutes.m_hWnd != nullptr) {
    for (DWORD m = 1; m <= kMaxDelayMinutes; ++m)
      m_cbDelayMinutes.AddString(DecimalText(m).c_str());
    m_cbDelayMinutes.SelectString(-1, m_strDelayMinutes.c_str());
  }
  UpdateControls();
  return TRUE;
}

void CGeneralPage::UpdateControls() {
  // A power-on logon always includes the ActiveSync logon.
  if (m_bPowerOn == 1) m_bActiveSync = 1;
  const bool pocketPc = g_Settings.PlatformType == 2;
  if (CWnd* c = GetDlgItem(IDC_ACTIVESYNC_LOGON)) c->EnableWindow(m_bPowerOn != 1);
  if (CWnd* c = GetDlgItem(IDC_DELAY_ENABLE)) c->EnableWindow(m_bPowerOn == 1 && pocketPc);
  if (CWnd* c = GetDlgItem(IDC_DELAY_MINUTES)) {
    c->EnableWindow(m_bDelay == 1 && m_bPowerOn == 1 && pocketPc);
  }
  UpdateData(FALSE);
}

void CGeneralPage::OnSwitchClicked() {
  UpdateData(TRUE);
  UpdateControls();
}

void CGeneralPage::OnMinutesChosen() {
  UpdateData(TRUE);
  if (m_cbDelayMinutes.m_hWnd != nullptr && m_cbDelayMinutes.GetCurSel() != CB_ERR) {
    m_strDelayMinutes = m_cbDelayMinutes.GetLBText(m_cbDelayMinutes.GetCurSel());
    UpdateData(FALSE);
  }
}

void CGeneralPage::OnMinutesTyped() {
  // Only list entries can be chosen: typing puts the value back.
  UpdateData(FALSE);
}

bool CGeneralPage::IsModified() {
  const SettingsRecord& s = g_Settings;
  return s.ShowQuickAccess != static_cast<DWORD>(m_bShowIcon) ||
         s.PowerOnLogon != static_cast<DWORD>(m_bPowerOn) ||
         s.LogonActiveSync != static_cast<DWORD>(m_bActiveSync) ||
         s.ActivationDelay != static_cast<DWORD>(m_bDelay) ||
         s.ActivationDelayValue != LeadingNumber(m_strDelayMinutes);
}

BOOL CGeneralPage::OnApply() {
  if (QuerySiblings(kQueryModified, 0) != 0) {
    const std::u16string question = LoadText(IDS_ACCEPT_CHANGES_QUESTION);
    const std::u16string caption = LoadText(IDS_SETTINGS_CAPTION);
    switch (::MessageBox(m_hWnd, question.c_str(), caption.c_str(), kAcceptQuestionFlags)) {
      case IDYES:
        Sheet()->m_bAcceptChanges = 1;
        break;
      case IDNO:
        Sheet()->m_bAcceptChanges = 0;
        break;
      default:
        return FALSE;
    }
  }
  return CSettingsPage::OnApply();
}

void CGeneralPage::ApplyChanges() {
  SettingsRecord& s = g_Settings;
  s.ShowQuickAccess = static_cast<DWORD>(m_bShowIcon);
  s.PowerOnLogon = static_cast<DWORD>(m_bPowerOn);
  s.LogonActiveSync = static_cast<DWORD>(m_bActiveSync);
  s.ActivationDelay = static_cast<DWORD>(m_bDelay);
  s.ActivationDelayValue = LeadingNumber(m_strDelayMinutes);

  ::PostMessage(HWND_BROADCAST, m_nChangeIconMsg,
                m_bShowIcon == 1 ? kShowQuickAccessIcon : kHideQuickAccessIcon, 0);

  // The OS switches and the settings are one change: a failure or a
  // power cut leaves them all as they were.
  UINT failure = 0;
  {
    CStoreBatch batch;
    if (!SetOsPasswordActive(m_osPassword, g_strUserPassword,
                             static_cast<BOOL>(s.LogonActiveSync))) {
      failure = IDS_ACTIVESYNC_SWITCH_FAILED;
    } else if (!WritePowerOnLogon(s.PowerOnLogon)) {
      failure = IDS_POWER_ON_SWITCH_FAILED;
    } else if (!WritePasswordRedirect(kInstalledModulePath)) {
      failure = IDS_LOGON_HOOK_FAILED;
    } else if (!SaveSettings(true, false) || !batch.Commit()) {
      failure = IDS_SAVE_FAILED;
    }
  }
  if (failure != 0)
    ShowError(m_hWnd, failure, 0, failure == IDS_SAVE_FAILED ? MB_ICONINFORMATION : MB_ICONHAND);
}

void CGeneralPage::LoadDefaults() {
  m_bPowerOn = 1;
  m_bActiveSync = 1;
  m_bShowIcon = 1;
  m_strDelayMinutes = u"5";
  m_bDelay = 0;
  if (m_cbDelayMinutes.m_hWnd != nullptr) {
    m_cbDelayMinutes.SelectString(-1, m_strDelayMinutes.c_str());
  }
  UpdateControls();
}

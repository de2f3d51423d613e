#include "setup/owner_page.h"

#include "platform/message_box.h"
#include "platform/ui/shell/shell.h"
#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "store/settings_model.h"
#include "store/show_error.h"

namespace {
// DisplayOwnerInfo values.
constexpr int kShowNothing = 0;
constexpr int kShowPhone = 1;
constexpr int kShowEmail = 2;
constexpr int kShowCustom = 3;
}  // namespace

DEFINE_MESSAGE_MAP(COwnerPage, CSettingsPage,
                   {
                       ON_BN_CLICKED(IDC_SHOW_OWNER_INFO, OnShowClicked),
                       ON_BN_CLICKED(IDC_OWNER_SYSTEM, OnSystemClicked),
                       ON_BN_CLICKED(IDC_OWNER_CUSTOM, OnCustomClicked),
                       ON_BN_CLICKED(IDC_OWNER_PHONE, OnPhoneClicked),
                       ON_BN_CLICKED(IDC_OWNER_EMAIL, OnEmailClicked),
                       ON_EN_CHANGE(IDC_WELCOME_TEXT1, OnTextChanged),
                       ON_EN_CHANGE(IDC_WELCOME_TEXT2, OnTextChanged),
                       ON_EN_SETFOCUS(IDC_WELCOME_TEXT1, OnTextSetFocus),
                       ON_EN_SETFOCUS(IDC_WELCOME_TEXT2, OnTextSetFocus),
                       ON_EN_KILLFOCUS(IDC_WELCOME_TEXT1, OnTextKillFocus),
                       ON_EN_KILLFOCUS(IDC_WELCOME_TEXT2, OnTextKillFocus),
                   })

COwnerPage::COwnerPage() : CSettingsPage(IDD_OWNER_PAGE) {}

void COwnerPage::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_WELCOME_TEXT2, m_strWelcome2);
  DDV_MaxChars(pDX, m_strWelcome2, kWelcomeTextMaxChars);
  DDX_Text(pDX, IDC_WELCOME_TEXT1, m_strWelcome1);
  DDV_MaxChars(pDX, m_strWelcome1, kWelcomeTextMaxChars);
  DDX_Check(pDX, IDC_SHOW_OWNER_INFO, m_bShowOwnerInfo);
  DDX_Check(pDX, IDC_OWNER_SYSTEM, m_bSystemInfo);
  DDX_Check(pDX, IDC_OWNER_PHONE, m_bPhone);
  DDX_Check(pDX, IDC_OWNER_EMAIL, m_bEmail);
  DDX_Check(pDX, IDC_OWNER_CUSTOM, m_bCustom);
}

BOOL COwnerPage::OnInitDialog() {
  CSettingsPage::OnInitDialog();
  m_nDisplay = static_cast<int>(g_Settings.DisplayOwnerInfo);
  m_strWelcome1 = g_Settings.WelcomeText1;
  m_strWelcome2 = g_Settings.WelcomeText2;
  if (m_nDisplay != kShowNothing) m_bShowOwnerInfo = 1;
  UpdateControls();
  return TRUE;
}

BOOL COwnerPage::OnSetActive() {
  // The General page may have stored "at Power ON" meanwhile.
  UpdateControls();
  return CSettingsPage::OnSetActive();
}

void COwnerPage::UpdateControls() {
  if (m_bShowOwnerInfo == 0) m_nDisplay = kShowNothing;
  m_bPhone = m_nDisplay == kShowPhone;
  m_bEmail = m_nDisplay == kShowEmail;
  m_bCustom = m_nDisplay == kShowCustom;
  m_bSystemInfo = m_bShowOwnerInfo == 1 && m_bCustom == 0;
  const bool powerOn = g_Settings.PowerOnLogon == 1;
  auto enable = [this](int id, bool on) {
    if (CWnd* c = GetDlgItem(id)) c->EnableWindow(on);
  };
  enable(IDC_SHOW_OWNER_INFO, powerOn);
  enable(IDC_OWNER_SYSTEM, m_bShowOwnerInfo == 1 && powerOn);
  enable(IDC_OWNER_CUSTOM, m_bShowOwnerInfo == 1 && powerOn);
  enable(IDC_OWNER_PHONE, m_bSystemInfo == 1 && powerOn);
  enable(IDC_OWNER_EMAIL, m_bSystemInfo == 1 && powerOn);
  enable(IDC_WELCOME_TEXT1, m_bCustom == 1 && powerOn);
  enable(IDC_WELCOME_TEXT2, m_bCustom == 1 && powerOn);
  m_bWritingControls = 1;
  UpdateData(FALSE);
  m_bWritingControls = 0;
}

void COwnerPage::OnShowClicked() {
  UpdateData(TRUE);
  if (m_bShowOwnerInfo == 1) {
    m_bSystemInfo = 1;
    m_nDisplay = kShowPhone;
  }
  UpdateControls();
}

void COwnerPage::OnSystemClicked() {
  UpdateData(TRUE);
  // Back to the system information always starts with the telephone.
  if (m_bSystemInfo == 1) m_nDisplay = kShowPhone;
  UpdateControls();
}

void COwnerPage::OnCustomClicked() {
  UpdateData(TRUE);
  m_nDisplay = kShowCustom;
  UpdateControls();
}

void COwnerPage::OnPhoneClicked() {
  UpdateData(TRUE);
  m_nDisplay = kShowPhone;
  UpdateControls();
}

void COwnerPage::OnEmailClicked() {
  UpdateData(TRUE);
  m_nDisplay = kShowEmail;
  UpdateControls();
}

void COwnerPage::OnTextChanged() {
  if (m_bWritingControls) return;
  UpdateData(TRUE);
}

void COwnerPage::OnTextSetFocus() {
  SHSipPreference(m_hWnd, SIP_UP);
}

void COwnerPage::OnTextKillFocus() {
  SHSipPreference(m_hWnd, SIP_DOWN);
}

bool COwnerPage::IsModified() {
  return g_Settings.DisplayOwnerInfo != static_cast<DWORD>(m_nDisplay) ||
         g_Settings.WelcomeText1 != m_strWelcome1 || g_Settings.WelcomeText2 != m_strWelcome2;
}

void COwnerPage::ApplyChanges() {
  if (m_bShowOwnerInfo == 0 && m_bSystemInfo == 0) m_nDisplay = kShowNothing;
  g_Settings.DisplayOwnerInfo = static_cast<DWORD>(m_nDisplay);
  g_Settings.WelcomeText1 = m_strWelcome1;
  g_Settings.WelcomeText2 = m_strWelcome2;
  if (!SaveSettings(true, false)) ShowError(m_hWnd, IDS_SAVE_FAILED, 0, MB_ICONINFORMATION);
}

void COwnerPage::LoadDefaults() {
  m_bShowOwnerInfo = 1;
  m_nDisplay = kShowPhone;
  UpdateControls();
}

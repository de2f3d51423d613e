#include "logonui/change_password_dlg.h"

#include "lockout/alarm_player.h"
#include "lockout/false_logon_control.h"
#include "lockout/session_flags.h"
#include "logonui/resource_text.h"
#include "platform/kernel.h"
#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "store/credential_set.h"

namespace {
// The help request of this dialog carries its own data value.
constexpr DWORD_PTR kChangePasswordHelpData = 7;
}  // namespace

DEFINE_MESSAGE_MAP(CChangePasswordDlg, CLogonBaseDlg,
                   {
                       ON_EN_CHANGE(IDC_CURRENT_PASSWORD, OnFieldChange),
                       ON_EN_CHANGE(IDC_NEW_PASSWORD, OnFieldChange),
                       ON_EN_CHANGE(IDC_CONFIRM_PASSWORD, OnFieldChange),
                       ON_EN_SETFOCUS(IDC_CURRENT_PASSWORD, OnFieldSetFocus),
                       ON_EN_SETFOCUS(IDC_NEW_PASSWORD, OnFieldSetFocus),
                       ON_EN_SETFOCUS(IDC_CONFIRM_PASSWORD, OnFieldSetFocus),
                       ON_EN_KILLFOCUS(IDC_CURRENT_PASSWORD, OnFieldKillFocus),
                       ON_EN_KILLFOCUS(IDC_NEW_PASSWORD, OnFieldKillFocus),
                       ON_EN_KILLFOCUS(IDC_CONFIRM_PASSWORD, OnFieldKillFocus),
                       ON_MESSAGE(WM_HELP, OnHelpRequest),
                   })

CChangePasswordDlg::CChangePasswordDlg(CWnd* parent) : CLogonBaseDlg(IDD_CHANGE_PASSWORD, parent) {
  m_bFullScreen = 0;
  m_bUseInputPanel = 1;
  m_bShowBanner = 0;
  m_bYieldForeground = g_bOutsideCaller;
}

CChangePasswordDlg::~CChangePasswordDlg() {
  WipeSecret(m_strConfirm);
  WipeSecret(m_strNew);
  WipeSecret(m_strCurrent);
}

void CChangePasswordDlg::SetMode(int mode, int currentKnown) {
  m_nMode = mode;
  m_bCurrentKnown = currentKnown;
}

void CChangePasswordDlg::GetNewPassword(std::u16string& password) const {
  AssignSecret(password, m_strNew);
}

void CChangePasswordDlg::GetCurrentPassword(std::u16string& password) const {
  AssignSecret(password, m_strCurrent);
}

void CChangePasswordDlg::DoDataExchange(CDataExchange* pDX) {
  CLogonBaseDlg::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_CONFIRM_PASSWORD, m_strConfirm);
  DDX_Text(pDX, IDC_NEW_PASSWORD, m_strNew);
  DDX_Text(pDX, IDC_CURRENT_PASSWORD, m_strCurrent);
}

BOOL CChangePasswordDlg::OnInitDialog() {
  CLogonBaseDlg::OnInitDialog();
  if (CWnd* ok = GetDlgItem(IDOK)) ok->EnableWindow(FALSE);
  CWnd* current = GetDlgItem(IDC_CURRENT_PASSWORD);
  CWnd* fresh = GetDlgItem(IDC_NEW_PASSWORD);
  if (current != nullptr) {
    current->EnableWindow(TRUE);
    current->SetFocus();
  }
  bool skipCurrent = false;
  std::u16string title;
  if (m_nMode == kModeMaster) {
    title = LoadResourceText(IDS_CHANGE_MASTER_PASSWORD_TITLE);
    skipCurrent = g_strMasterPassword.empty();
  } else {
    title = LoadResourceText(IDS_CHANGE_USER_PASSWORD_TITLE);
    if (m_bCurrentKnown == 1) {
      AssignSecret(m_strCurrent, g_strUserPassword);
      skipCurrent = true;
    }
  }
  if (skipCurrent) {
    if (fresh != nullptr) fresh->SetFocus();
    if (current != nullptr) current->EnableWindow(FALSE);
  }
  SetWindowText(title);
  if (CWnd* frame = GetDlgItem(IDC_CHANGE_FRAME)) frame->SetWindowText(title);
  UpdateData(FALSE);
  // The focus was placed here.
  return FALSE;
}

bool CChangePasswordDlg::IsInputValid() const {
  auto fits = [this](const std::u16string& text) {
    const auto n = static_cast<int>(text.size());
    return n >= m_nMinLength && n <= m_nMaxLength;
  };
  if (m_bCurrentKnown == 0 && (!fits(m_strCurrent) || m_strCurrent == m_strNew)) return false;
  return !m_strNew.empty() && !m_strConfirm.empty() && fits(m_strNew) && m_strNew == m_strConfirm;
}

void CChangePasswordDlg::OnFieldChange() {
  UpdateData(TRUE);
  if (CWnd* ok = GetDlgItem(IDOK)) ok->EnableWindow(IsInputValid() ? TRUE : FALSE);
}

void CChangePasswordDlg::OnFieldSetFocus() {
  SHSipPreference(m_hWnd, SIP_UP);
}

void CChangePasswordDlg::OnFieldKillFocus() {
  SHSipPreference(m_hWnd, SIP_DOWN);
}

LRESULT CChangePasswordDlg::OnHelpRequest(WPARAM, LPARAM) {
  if (CWinApp* app = AfxGetApp()) app->WinHelp(kChangePasswordHelpData);
  return TRUE;
}

void CChangePasswordDlg::FocusCurrent() {
  if (CWnd* current = GetDlgItem(IDC_CURRENT_PASSWORD)) current->SetFocus();
}

void CChangePasswordDlg::OnOK() {
  UpdateData(TRUE);
  if (!IsInputValid()) {
    MessageBeep(MB_ICONHAND);
    FocusCurrent();
    return;
  }
  const bool proven = m_nMode == kModeMaster ? m_strCurrent == g_strMasterPassword
                                             : VerifyOsPassword(m_osPassword, m_strCurrent) != 0;
  if (!proven) {
    RejectEntry(m_nMode == kModeMaster ? IDS_WRONG_MASTER_PASSWORD : IDS_WRONG_USER_PASSWORD);
    return;
  }
  AlarmStop(true);
  ResetFalseLogonDelay();
  SetFalseLogonCount(0);
  EndDialog(IDOK);
}

void CChangePasswordDlg::OnCancel() {
  // While the alarm sounds in the applet's own logon, the way out is a
  // proven password, not Cancel.
  if (g_bOwnWindowCall == 1 && g_bAlarmPlaying == 1) {
    MessageBeep(MB_ICONHAND);
    FocusCurrent();
    return;
  }
  CLogonBaseDlg::OnCancel();
}

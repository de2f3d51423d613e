#include "setup/install_wizard_dlg.h"

#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/store_batch.h"
#include "platform/system_names.h"
#include "platform/wstring.h"
#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "setup/current_password_dlg.h"
#include "setup/input_panel_state.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "store/show_error.h"

namespace {

constexpr std::size_t kMinPasswordLength = 4;
constexpr std::size_t kMaxPasswordLength = 32;
constexpr int kSystemPasswordAttempts = 3;
constexpr DWORD_PTR kWizardHelpData = 5;

bool IsPushButton(HWND window) {
  WCHAR className[16] = {};
  if (window == nullptr || GetClassName(window, className, 16) == 0 ||
      platform::FoldCase(className) != u"button")
    return false;
  const auto type = static_cast<DWORD>(GetWindowLong(window, GWL_STYLE)) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

std::u16string LoadText(UINT id) {
  LPWSTR text = nullptr;
  const int length = LoadString(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::u16string(text, static_cast<std::size_t>(length)) : std::u16string();
}

}  // namespace

DEFINE_MESSAGE_MAP(CInstallWizardDlg, CDialog,
                   {
                       ON_EN_CHANGE(IDC_NEW_PASSWORD, OnPasswordChange),
                       ON_EN_CHANGE(IDC_CONFIRM_PASSWORD, OnPasswordChange),
                       ON_EN_CHANGE(IDC_WIZARD_INFO, OnInfoChange),
                       ON_EN_SETFOCUS(IDC_WIZARD_INFO, OnInfoSetFocus),
                       ON_EN_SETFOCUS(IDC_NEW_PASSWORD, OnPasswordSetFocus),
                       ON_EN_SETFOCUS(IDC_CONFIRM_PASSWORD, OnPasswordSetFocus),
                       ON_EN_KILLFOCUS(IDC_NEW_PASSWORD, OnPasswordKillFocus),
                       ON_EN_KILLFOCUS(IDC_CONFIRM_PASSWORD, OnPasswordKillFocus),
                       ON_BN_CLICKED(IDC_WIZARD_NEXT, OnNext),
                       ON_MESSAGE(WM_HELP, OnHelpRequest),
                   })

CInstallWizardDlg::CInstallWizardDlg() : CDialog(IDD_INSTALL_WIZARD) {}

CInstallWizardDlg::~CInstallWizardDlg() {
  WipeSecret(m_strNew);
  WipeSecret(m_strConfirm);
  WipeSecret(m_strCurrentOs);
}

void CInstallWizardDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_WIZARD_INFO, m_strInfo);
  DDX_Text(pDX, IDC_NEW_LABEL, m_strNewLabel);
  DDX_Text(pDX, IDC_NEW_PASSWORD, m_strNew);
  DDX_Text(pDX, IDC_CONFIRM_LABEL, m_strConfirmLabel);
  DDX_Text(pDX, IDC_CONFIRM_PASSWORD, m_strConfirm);
}

BOOL CInstallWizardDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_sipSaved = SaveAndDockInputPanel(m_hWnd);
  LoadSettings(true, true);
  ShowMasterPage();
  WriteControls();
  // The page text is read, not edited: no selection, caret at its end.
  SendDlgItemMessage(IDC_WIZARD_INFO, EM_SETSEL, static_cast<WPARAM>(-1), 0);
  SendDlgItemMessage(IDC_WIZARD_INFO, EM_SCROLLCARET);
  ValidateWizardPage();
  return TRUE;
}

void CInstallWizardDlg::OnDestroy() {
  RestoreInputPanel(m_hWnd, m_sipSaved);
  CDialog::OnDestroy();
}

void CInstallWizardDlg::ShowMasterPage() {
  m_strInfo = LoadText(IDS_WIZARD_MASTER_INFO);
  m_strNewLabel = LoadText(IDS_NEW_MASTER_PASSWORD_LABEL);
  m_strConfirmLabel = LoadText(IDS_CONFIRM_MASTER_PASSWORD_LABEL);
}

void CInstallWizardDlg::ShowUserPage() {
  m_strInfo = LoadText(IDS_WIZARD_USER_INFO);
  m_strNewLabel = LoadText(IDS_NEW_USER_PASSWORD_LABEL);
  m_strConfirmLabel = LoadText(IDS_CONFIRM_USER_PASSWORD_LABEL);
}

void CInstallWizardDlg::ValidateWizardPage() {
  bool enable = false;
  if (m_bMasterDone && m_bUserDone) {
    enable = true;
  } else {
    enable = !m_strNew.empty() && !m_strConfirm.empty() && m_strNew.size() >= kMinPasswordLength &&
             m_strNew.size() <= kMaxPasswordLength && m_strNew == m_strConfirm;
  }
  if (CWnd* next = GetDlgItem(IDC_WIZARD_NEXT)) next->EnableWindow(enable);
  WriteControls();
}

// A written password field reports the change like typing would; reading
// the controls back then would take the other field before it is written
// (a new page would keep the old confirmation).
void CInstallWizardDlg::WriteControls() {
  const bool outer = m_bWritingControls;
  m_bWritingControls = true;
  UpdateData(FALSE);
  m_bWritingControls = outer;
}

void CInstallWizardDlg::OnPasswordChange() {
  if (m_bWritingControls) return;
  UpdateData(TRUE);
  ValidateWizardPage();
}

void CInstallWizardDlg::OnInfoChange() {
  MessageBeep(MB_ICONHAND);
  WriteControls();
}

void CInstallWizardDlg::OnInfoSetFocus() {
  const LRESULT length = SendDlgItemMessage(IDC_WIZARD_INFO, WM_GETTEXTLENGTH);
  SendDlgItemMessage(IDC_WIZARD_INFO, EM_SETSEL, static_cast<WPARAM>(length), length);
  SendDlgItemMessage(IDC_WIZARD_INFO, EM_SCROLLCARET);
}

void CInstallWizardDlg::OnPasswordSetFocus() {
  SHSipPreference(m_hWnd, SIP_UP);
}

void CInstallWizardDlg::OnPasswordKillFocus() {
  SHSipPreference(m_hWnd, SIP_DOWN);
}

void CInstallWizardDlg::OnOK() {
  ValidateWizardPage();
  const CWnd* next = GetDlgItem(IDC_WIZARD_NEXT);
  if (next != nullptr && next->IsWindowEnabled()) {
    OnNext();
  } else {
    MessageBeep(MB_ICONHAND);
  }
}

// Enter is the wizard's OK command (OnOK), also while Next is disabled:
// the dialog manager would send it to the disabled default button, which
// swallows it, and the user would not hear that the page isn't complete.
// A focused push button keeps Enter for itself.
BOOL CInstallWizardDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN &&
      (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd)) && !IsPushButton(::GetFocus())) {
    OnOK();
    return TRUE;
  }
  return CDialog::PreTranslateMessage(msg);
}

void CInstallWizardDlg::OnCancel() {
  EndDialog(IDCANCEL);
}

void CInstallWizardDlg::WinHelp(DWORD_PTR, UINT command) {
  if (CWinApp* app = AfxGetApp()) app->WinHelp(kWizardHelpData, command);
}

LRESULT CInstallWizardDlg::OnHelpRequest(WPARAM, LPARAM) {
  WinHelp(kWizardHelpData);
  return TRUE;
}

// The system already has a password: the user proves he knows it. False
// when the wizard went back to page 1 or ended.
bool CInstallWizardDlg::ProveSystemPassword() {
  CCurrentPasswordDlg prompt;
  prompt.m_bMasterPrompt = false;
  for (int failures = 0;;) {
    if (prompt.DoModal() != IDOK) {
      // Back to page 1; the reload puts the stored secrets back.
      LoadSettings(true, true);
      ShowMasterPage();
      ValidateWizardPage();
      return false;
    }
    AssignSecret(m_strCurrentOs, prompt.GetEnteredPassword());
    if (VerifyOsPassword(m_osPassword, m_strCurrentOs)) return true;
    if (++failures == kSystemPasswordAttempts) {
      EndDialog(IDCANCEL);
      return false;
    }
    ShowError(m_hWnd, IDS_WRONG_USER_PASSWORD, 0, MB_ICONHAND);
  }
}

UINT CInstallWizardDlg::StoreNewPasswords() {
  CStoreBatch batch;
  if (!ChangeOsPassword(m_osPassword, m_strCurrentOs, m_strNew)) return IDS_PASSWORD_NOT_SET;
  AssignSecret(g_strUserPassword, m_strNew);
  if (!SetOsPasswordActive(m_osPassword, g_strUserPassword, 1)) return IDS_ACTIVESYNC_SWITCH_FAILED;
  g_Settings.LogonActiveSync = 1;
  if (!WritePowerOnLogon(1)) return IDS_POWER_ON_SWITCH_FAILED;
  g_Settings.PowerOnLogon = 1;
  if (!WritePasswordRedirect(kInstalledModulePath)) return IDS_LOGON_HOOK_FAILED;
  // From here on a failure stalls the wizard until it is cancelled.
  m_bUserDone = true;
  g_Settings.LogonMethod = 0;
  if (!SaveSettings(true, true) || !batch.Commit()) return IDS_SAVE_FAILED;
  return 0;
}

void CInstallWizardDlg::FailUserPage(UINT messageId) {
  ShowError(m_hWnd, messageId, 0, MB_ICONHAND);
  ShowUserPage();
  ValidateWizardPage();
}

void CInstallWizardDlg::OnNext() {
  if (!m_bMasterDone) {
    ShowUserPage();
    AssignSecret(g_strMasterPassword, m_strNew);
    ValidateWizardPage();
    if (!VerifyOsPassword(m_osPassword, u"") && !ProveSystemPassword()) return;
    GotoDlgCtl(GetDlgItem(IDC_NEW_PASSWORD));
    WipeSecret(m_strNew);
    WipeSecret(m_strConfirm);
    m_bMasterDone = true;
    SetDlgItemText(IDC_WIZARD_NEXT, LoadText(IDS_WIZARD_FINISH));
    ValidateWizardPage();
    return;
  }
  if (m_bUserDone) return;

  // Everything Finish! stores is one batch: a failed step or a power cut
  // leaves the device as it was, the system password included, so a retry
  // changes it from the same proven password.
  std::u16string previousUser;
  AssignSecret(previousUser, g_strUserPassword);
  const UINT failure = StoreNewPasswords();
  if (failure == 0) {
    WipeSecret(previousUser);
    EndDialog(IDOK);
    return;
  }
  // Nothing was stored: the password in memory goes back with the system's.
  AssignSecret(g_strUserPassword, previousUser);
  WipeSecret(previousUser);
  if (failure != IDS_SAVE_FAILED) return FailUserPage(failure);
  ShowError(m_hWnd, IDS_SAVE_FAILED, 0, MB_ICONINFORMATION);
}

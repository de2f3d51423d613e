#include "logonui/unblock_dlg.h"

#include "lockout/alarm_player.h"
#include "lockout/false_logon_control.h"
#include "lockout/session_flags.h"
#include "logonui/change_password_dlg.h"
#include "logonui/resource_text.h"
#include "logonui/signature_dlg.h"
#include "logonui/symbol_pad_dlg.h"
#include "platform/kernel.h"
#include "platform/store_batch.h"
#include "res/kernel_object_names.h"
#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "store/settings_record.h"
#include "store/show_error.h"
#include "store/user_password_save.h"

DEFINE_MESSAGE_MAP(CUnblockDlg, CLogonBaseDlg,
                   {
                       ON_BN_CLICKED(IDC_UNBLOCK_OK, OnUnblock),
                       ON_EN_CHANGE(IDC_MASTER_ENTRY, OnMasterChange),
                       ON_EN_SETFOCUS(IDC_MASTER_ENTRY, OnMasterSetFocus),
                       ON_EN_KILLFOCUS(IDC_MASTER_ENTRY, OnMasterKillFocus),
                       ON_EN_CHANGE(IDC_WIZARD_INFO, OnInfoChange),
                       ON_MESSAGE(WM_HELP, OnHelpRequest),
                   })

CUnblockDlg::CUnblockDlg(CWnd* parent) : CLogonBaseDlg(IDD_UNBLOCK, parent) {
  m_bFullScreen = 1;
  m_bUseInputPanel = 1;
  m_bShowBanner = 0;
  // Stands between the user and the device like the logon it came from.
  m_bYieldForeground = 0;
}

CUnblockDlg::~CUnblockDlg() {
  WipeSecret(m_strMaster);
  WipeSecret(m_strNewUserPassword);
  WipeSecret(m_strNewSymbolPassword);
  WipeSecret(m_strNewSignature);
}

void CUnblockDlg::DoDataExchange(CDataExchange* pDX) {
  CLogonBaseDlg::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_MASTER_ENTRY, m_strMaster);
  DDX_Text(pDX, IDC_WIZARD_INFO, m_strInfo);
}

BOOL CUnblockDlg::OnInitDialog() {
  CLogonBaseDlg::OnInitDialog();
  switch (g_Settings.LogonMethod) {
    case 0:
      m_strInfo = LoadResourceText(IDS_UNBLOCK_INFO_PASSWORD);
      break;
    case 1:
      m_strInfo = LoadResourceText(IDS_UNBLOCK_INFO_SYMBOLS);
      break;
    case 2:
      m_strInfo = LoadResourceText(IDS_UNBLOCK_INFO_SIGNATURE);
      break;
    default:
      m_strInfo.clear();
      break;
  }
  UpdateData(FALSE);
  SendDlgItemMessage(IDC_WIZARD_INFO, EM_SETSEL, static_cast<WPARAM>(-1), 0);
  if (CWnd* ok = GetDlgItem(IDC_UNBLOCK_OK)) ok->EnableWindow(FALSE);
  FocusMaster();
  return FALSE;
}

void CUnblockDlg::FocusMaster() {
  if (CWnd* master = GetDlgItem(IDC_MASTER_ENTRY)) master->SetFocus();
}

void CUnblockDlg::OnMasterChange() {
  UpdateData(TRUE);
  if (CWnd* ok = GetDlgItem(IDC_UNBLOCK_OK)) ok->EnableWindow(m_strMaster.empty() ? FALSE : TRUE);
}

void CUnblockDlg::OnMasterSetFocus() {
  SHSipPreference(m_hWnd, SIP_UP);
}

void CUnblockDlg::OnMasterKillFocus() {
  SHSipPreference(m_hWnd, SIP_DOWN);
}

void CUnblockDlg::OnInfoChange() {
  if (CWnd* info = GetDlgItem(IDC_WIZARD_INFO); info && info->GetWindowText() != m_strInfo) {
    info->SetWindowText(m_strInfo);
  }
}

LRESULT CUnblockDlg::OnHelpRequest(WPARAM, LPARAM) {
  if (CWinApp* app = AfxGetApp()) app->WinHelp(0);
  return TRUE;
}

// The template has no default button: Enter means OK (729) when OK is
// enabled, and nothing otherwise.
void CUnblockDlg::OnOK() {
  if (CWnd* ok = GetDlgItem(IDC_UNBLOCK_OK); ok != nullptr && ok->IsWindowEnabled()) OnUnblock();
}

bool CUnblockDlg::TakeNewUserPassword() {
  CChangePasswordDlg change(this);
  change.m_bFullScreen = 1;
  change.SetMode(CChangePasswordDlg::kModeUser, 1);
  if (change.DoModal() != IDOK) return false;
  change.GetNewPassword(m_strNewUserPassword);
  // The new password is stored by OnUnblock, together with the system's.
  return true;
}

bool CUnblockDlg::TakeNewSymbolPassword() {
  CSymbolPadDlg pad(this);
  pad.m_bFullScreen = 1;
  pad.m_bUseInputPanel = 0;
  pad.Setup(CSymbolPadDlg::kStepFirstEntry, g_strSymbolPassword, g_Settings.PictoSymbolset,
            g_Settings.RandPictoOrder != 0);
  if (pad.DoModal() != IDOK) return false;
  std::u16string reference;
  pad.GetResult(reference, m_strNewSymbolPassword, &g_Settings.PictoSymbolset);
  WipeSecret(reference);
  AssignSecret(g_strSymbolPassword, m_strNewSymbolPassword);
  WipeSecret(m_strNewSymbolPassword);
  g_bSymbolPasswordVerified = true;
  return true;
}

// A new signature, enrolled full screen without the input panel.
bool CUnblockDlg::TakeNewSignature() {
  {
    CSignatureDlg enroll(this);
    enroll.m_bFullScreen = true;
    enroll.m_bUseInputPanel = false;
    enroll.SetSignatureMode(1);
    if (enroll.DoModal() == IDOK) enroll.GetEnrolledTemplate(m_strNewSignature);
  }
  if (m_strNewSignature.empty()) return false;
  AssignSecret(g_strSignature, m_strNewSignature);
  WipeSecret(m_strNewSignature);
  g_bSignatureVerified = true;
  return true;
}

// The system password (when the user password is new), the settings and
// the secrets in one batch: a power cut or a failure leaves the old ones
// everywhere, never a system password that the stored secrets don't know.
bool CUnblockDlg::StoreNewSecret() {
  const bool newPassword = !m_strNewUserPassword.empty();
  const UINT failure =
      SaveUserPassword(m_osPassword, g_strUserPassword, m_strNewUserPassword, true);
  WipeSecret(m_strNewUserPassword);
  if (failure != 0) {
    ShowError(m_hWnd, failure, 0, failure == IDS_SAVE_FAILED ? MB_ICONINFORMATION : MB_ICONHAND);
    return false;
  }
  if (newPassword) g_bPasswordVerified = true;
  return true;
}

void CUnblockDlg::OnUnblock() {
  UpdateData(TRUE);
  if (m_strMaster != g_strMasterPassword) {
    // Emptied so the next attempt starts clean.
    WipeSecret(m_strMaster);
    UpdateData(FALSE);
    if (CWnd* ok = GetDlgItem(IDC_UNBLOCK_OK)) ok->EnableWindow(FALSE);
    RejectEntry(IDS_WRONG_MASTER_PASSWORD);
    FocusMaster();
    return;
  }
  {
    CStoreBatch batch;
    AlarmStop(true);
    ResetFalseLogonDelay();
    SetFalseLogonCount(0);
    batch.Commit();
  }

  // The inner dialog runs without the logon mutex.
  if (g_hAuthenticateMutex != nullptr) CloseHandle(g_hAuthenticateMutex);
  g_hAuthenticateMutex = nullptr;
  bool changed = false;
  switch (g_Settings.LogonMethod) {
    case 0:
      changed = TakeNewUserPassword();
      break;
    case 1:
      changed = TakeNewSymbolPassword();
      break;
    case 2:
      changed = TakeNewSignature();
      break;
    default:
      break;
  }
  g_hAuthenticateMutex = CreateMutex(nullptr, TRUE, kAuthenticateMutexName);

  if (changed && StoreNewSecret()) {
    EndDialog(IDOK);
    return;
  }
  FocusMaster();
  UpdateData(FALSE);
}

#include "logonui/password_logon_dlg.h"

#include "lockout/false_logon_control.h"
#include "lockout/session_flags.h"
#include "logonui/unblock_dlg.h"
#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "store/credential_set.h"

DEFINE_MESSAGE_MAP(CPasswordLogonDlg, CLogonBaseDlg,
                   {
                       ON_EN_CHANGE(IDC_PASSWORD_ENTRY, OnEntryChange),
                       ON_EN_SETFOCUS(IDC_PASSWORD_ENTRY, OnEntrySetFocus),
                       ON_EN_KILLFOCUS(IDC_PASSWORD_ENTRY, OnEntryKillFocus),
                       ON_BN_CLICKED(IDC_HELP_BUTTON, OnHelpButton),
                   })

CPasswordLogonDlg::CPasswordLogonDlg(CWnd* parent) : CLogonBaseDlg(IDD_PASSWORD_LOGON, parent) {
  m_bFullScreen = true;
  m_bUseInputPanel = true;
  m_bShowBanner = true;
  m_nBanner = 0;
}

CPasswordLogonDlg::~CPasswordLogonDlg() {
  WipeSecret(m_strEntry);
}

void CPasswordLogonDlg::DoDataExchange(CDataExchange* pDX) {
  CLogonBaseDlg::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_OWNER_TEXT, m_strOwnerText);
  DDX_Text(pDX, IDC_PASSWORD_ENTRY, m_strEntry);
}

BOOL CPasswordLogonDlg::OnInitDialog() {
  CLogonBaseDlg::OnInitDialog();
  WipeSecret(m_strEntry);
  m_strOwnerText = m_strOwnerLine1 + u"\r\n" + m_strOwnerLine2;
  if (CWnd* entry = GetDlgItem(IDC_PASSWORD_ENTRY)) entry->SetFocus();
  UpdateOkButton();
  UpdateData(FALSE);
  // The focus was placed here.
  return FALSE;
}

void CPasswordLogonDlg::UpdateOkButton() {
  if (CWnd* ok = GetDlgItem(IDOK)) ok->EnableWindow(!m_strEntry.empty());
}

void CPasswordLogonDlg::OnEntryChange() {
  UpdateData(TRUE);
  UpdateOkButton();
  UpdateData(FALSE);
}

void CPasswordLogonDlg::OnEntrySetFocus() {
  SHSipPreference(m_hWnd, SIP_UP);
}

void CPasswordLogonDlg::OnEntryKillFocus() {
  SHSipPreference(m_hWnd, SIP_FORCEDOWN);
}

void CPasswordLogonDlg::OnHelpButton() {
  CUnblockDlg unblock(this);
  if (unblock.DoModal() == IDOK) {
    // The user logs on with the new password.
    WipeSecret(m_strEntry);
    UpdateData(FALSE);
    UpdateOkButton();
  }
  if (CWnd* entry = GetDlgItem(IDC_PASSWORD_ENTRY)) entry->SetFocus();
}

void CPasswordLogonDlg::OnOK() {
  UpdateData(TRUE);
  if (VerifyOsPassword(m_osPassword, m_strEntry)) {
    EndDialog(IDOK);
    return;
  }
  RejectEntry(IDS_WRONG_USER_PASSWORD);
  // A rejected entry is emptied so the next attempt starts clean.
  WipeSecret(m_strEntry);
  UpdateData(FALSE);
  UpdateOkButton();
  if (CWnd* entry = GetDlgItem(IDC_PASSWORD_ENTRY)) entry->SetFocus();
}

#include "setup/current_password_dlg.h"

#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "setup/input_panel_state.h"
#include "store/credential_set.h"

DEFINE_MESSAGE_MAP(CCurrentPasswordDlg, CDialog,
                   {
                       ON_EN_CHANGE(IDC_CURRENT_PASSWORD, OnPasswordChange),
                       ON_EN_SETFOCUS(IDC_CURRENT_PASSWORD, OnPasswordSetFocus),
                       ON_EN_KILLFOCUS(IDC_CURRENT_PASSWORD, OnPasswordKillFocus),
                   })

CCurrentPasswordDlg::CCurrentPasswordDlg() : CDialog(IDD_CURRENT_PASSWORD) {}

CCurrentPasswordDlg::~CCurrentPasswordDlg() {
  WipeSecret(m_strPassword);
}

void CCurrentPasswordDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_CURRENT_PASSWORD, m_strPassword);
}

BOOL CCurrentPasswordDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_sipSaved = SaveAndDockInputPanel(m_hWnd);
  WCHAR title[64] = {};
  LoadString(AfxGetResourceHandle(),
             m_bMasterPrompt ? IDS_CURRENT_MASTER_PASSWORD : IDS_CURRENT_USER_PASSWORD, title, 64);
  SetDlgItemText(IDC_CURRENT_FRAME, title);
  WipeSecret(m_strPassword);
  if (CWnd* ok = GetDlgItem(IDOK)) ok->EnableWindow(FALSE);
  UpdateData(FALSE);
  return TRUE;
}

void CCurrentPasswordDlg::OnPasswordChange() {
  UpdateData(TRUE);
  if (CWnd* ok = GetDlgItem(IDOK)) ok->EnableWindow(!m_strPassword.empty());
}

void CCurrentPasswordDlg::OnPasswordSetFocus() {
  SHSipPreference(m_hWnd, SIP_UP);
}

void CCurrentPasswordDlg::OnPasswordKillFocus() {
  SHSipPreference(m_hWnd, SIP_DOWN);
}

void CCurrentPasswordDlg::OnOK() {
  // Enter with nothing typed does what the disabled OK button does.
  if (CWnd* ok = GetDlgItem(IDOK); ok != nullptr && !ok->IsWindowEnabled()) return;
  CDialog::OnOK();
}

void CCurrentPasswordDlg::OnCancel() {
  CDialog::OnCancel();
}

void CCurrentPasswordDlg::OnDestroy() {
  RestoreInputPanel(m_hWnd, m_sipSaved);
  CDialog::OnDestroy();
}

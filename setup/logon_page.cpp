#include "setup/logon_page.h"

#include "logonui/change_password_dlg.h"
#include "logonui/signature_dlg.h"
#include "logonui/symbol_pad_dlg.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "store/show_error.h"
#include "store/user_password_save.h"

namespace {
constexpr int kMethodPassword = 0;
constexpr int kMethodSymbols = 1;
constexpr int kMethodSignature = 2;
}  // namespace

DEFINE_MESSAGE_MAP(CLogonPage, CSettingsPage,
                   {
                       ON_BN_CLICKED(IDC_METHOD_PASSWORD, OnPasswordChosen),
                       ON_BN_CLICKED(IDC_METHOD_SYMBOLS, OnSymbolsChosen),
                       ON_BN_CLICKED(IDC_METHOD_SIGNATURE, OnSignatureChosen),
                       ON_BN_CLICKED(IDC_RANDOM_ORDER, OnRandomOrderClicked),
                       ON_BN_CLICKED(IDC_CHANGE_SECRET, ChangeSecret),
                   })

CLogonPage::CLogonPage() : CSettingsPage(IDD_LOGON_PAGE) {}

CLogonPage::~CLogonPage() {
  WipeSecret(m_strCurrentPassword);
  WipeSecret(m_strNewPassword);
}

void CLogonPage::DoDataExchange(CDataExchange* pDX) {
  DDX_Check(pDX, IDC_RANDOM_ORDER, m_bRandomOrder);
  DDX_Check(pDX, IDC_METHOD_PASSWORD, m_bPasswordRadio);
  DDX_Check(pDX, IDC_METHOD_SIGNATURE, m_bSignatureRadio);
  DDX_Check(pDX, IDC_METHOD_SYMBOLS, m_bSymbolsRadio);
}

BOOL CLogonPage::OnInitDialog() {
  CSettingsPage::OnInitDialog();
  m_bRandomOrder = g_Settings.RandPictoOrder != 0 ? 1 : 0;
  m_nMethod = static_cast<int>(g_Settings.LogonMethod);
  UpdateControls();
  return TRUE;
}

BOOL CLogonPage::OnSetActive() {
  UpdateControls();
  return CSettingsPage::OnSetActive();
}

void CLogonPage::UpdateControls() {
  m_bPasswordRadio = m_nMethod == kMethodPassword;
  m_bSymbolsRadio = m_nMethod == kMethodSymbols;
  m_bSignatureRadio = m_nMethod == kMethodSignature;
  UINT label = IDS_CHANGE_USER_PASSWORD_BUTTON;
  if (m_nMethod == kMethodSymbols) label = IDS_CHANGE_SYMBOL_PASSWORD_BUTTON;
  if (m_nMethod == kMethodSignature) label = IDS_ENROLL_SIGNATURE_BUTTON;
  WCHAR text[64] = {};
  LoadString(AfxGetResourceHandle(), label, text, 64);
  SetDlgItemText(IDC_CHANGE_SECRET, text);

  const bool powerOn = g_Settings.PowerOnLogon != 0;
  const bool anyLogon = powerOn || g_Settings.LogonActiveSync != 0;
  auto enable = [this](int id, bool on) {
    if (CWnd* c = GetDlgItem(id)) c->EnableWindow(on);
  };
  enable(IDC_RANDOM_ORDER, powerOn && m_nMethod == kMethodSymbols);
  enable(IDC_METHOD_PASSWORD, anyLogon);
  enable(IDC_CHANGE_SECRET, anyLogon);
  enable(IDC_METHOD_SYMBOLS, powerOn);
  enable(IDC_METHOD_SIGNATURE, powerOn);
  UpdateData(FALSE);
}

void CLogonPage::OnPasswordChosen() {
  UpdateData(TRUE);
  m_nMethod = kMethodPassword;
  UpdateControls();
}

void CLogonPage::OnSymbolsChosen() {
  UpdateData(TRUE);
  m_nMethod = kMethodSymbols;
  UpdateControls();
}

void CLogonPage::OnSignatureChosen() {
  UpdateData(TRUE);
  m_nMethod = kMethodSignature;
  UpdateControls();
}

void CLogonPage::OnRandomOrderClicked() {
  UpdateData(TRUE);
}

bool CLogonPage::IsModified() {
  return g_Settings.RandPictoOrder != static_cast<DWORD>(m_bRandomOrder) ||
         g_Settings.LogonMethod != static_cast<DWORD>(m_nMethod) || !m_strNewPassword.empty();
}

void CLogonPage::LoadDefaults() {
  m_bRandomOrder = 0;
  m_nMethod = kMethodPassword;
  UpdateControls();
}

// The change-password dialog for the user password, the current one known.
INT_PTR CLogonPage::RunChangeUserPassword() {
  CChangePasswordDlg dialog(this);
  dialog.SetMode(CChangePasswordDlg::kModeUser, 1);
  const INT_PTR result = dialog.DoModal();
  if (result == IDOK) {
    dialog.GetCurrentPassword(m_strCurrentPassword);
    dialog.GetNewPassword(m_strNewPassword);
  }
  return result;
}

// The symbol pad, not full screen, set up for a new symbol password in
// PictoSymbolset with the stored random order (not the page's unsaved box).
INT_PTR CLogonPage::RunSymbolPadSetting() {
  CSymbolPadDlg pad(this);
  pad.m_bFullScreen = 0;
  pad.Setup(CSymbolPadDlg::kStepFirstEntry, g_strSymbolPassword, g_Settings.PictoSymbolset,
            g_Settings.RandPictoOrder != 0);
  const INT_PTR result = pad.DoModal();
  if (result == IDOK) {
    std::u16string reference;
    std::u16string entry;
    pad.GetResult(reference, entry, &g_Settings.PictoSymbolset);
    AssignSecret(g_strSymbolPassword, entry);
    WipeSecret(reference);
    WipeSecret(entry);
  }
  return result;
}

// The signature dialog, not full screen, in enrollment; its template
// becomes the signature secret.
INT_PTR CLogonPage::RunSignatureEnrollment() {
  CSignatureDlg enroll(this);
  enroll.m_bFullScreen = false;
  enroll.SetSignatureMode(1);
  const INT_PTR result = enroll.DoModal();
  if (result == IDOK) {
    std::u16string enrolled;
    enroll.GetEnrolledTemplate(enrolled);
    AssignSecret(g_strSignature, enrolled);
    WipeSecret(enrolled);
  }
  return result;
}

void CLogonPage::ChangeSecret() {
  INT_PTR result = IDCANCEL;
  switch (m_nMethod) {
    case kMethodPassword:
      result = RunChangeUserPassword();
      if (result == IDOK) g_bPasswordVerified = true;
      break;
    case kMethodSymbols:
      result = RunSymbolPadSetting();
      if (result == IDOK) g_bSymbolPasswordVerified = true;
      break;
    case kMethodSignature:
      result = RunSignatureEnrollment();
      if (result == IDOK) g_bSignatureVerified = true;
      break;
    default:
      break;
  }
  if (result != IDOK) {
    UpdateControls();
    return;
  }
  // A new user password goes to the system and to the secrets together; on
  // failure it stays on the page so that a later change tries again.
  const bool newPassword = !m_strNewPassword.empty() && g_bPasswordVerified;
  const UINT failure = SaveUserPassword(
      m_osPassword, m_strCurrentPassword,
      newPassword ? std::u16string_view(m_strNewPassword) : std::u16string_view(), false);
  if (failure == 0 && newPassword) {
    AssignSecret(m_strCurrentPassword, m_strNewPassword);
    WipeSecret(m_strNewPassword);
  }
  if (failure == IDS_PASSWORD_NOT_SET) {
    ShowError(m_hWnd, IDS_PASSWORD_NOT_SET, 0, MB_ICONHAND);
    return;
  }
  if (failure != 0) ShowError(m_hWnd, IDS_SAVE_FAILED, 0, MB_ICONINFORMATION);
  UpdateControls();
}

void CLogonPage::ApplyChanges() {
  UpdateData(TRUE);
  if (m_nMethod != static_cast<int>(g_Settings.LogonMethod)) {
    auto createMissing = [this](UINT notice, bool& verified) {
      AfxMessageBox(notice, MB_ICONINFORMATION);
      ChangeSecret();
      if (!verified) {
        m_nMethod = static_cast<int>(g_Settings.LogonMethod);
        MessageBeep(MB_ICONHAND);
      }
    };
    if (m_nMethod == kMethodSignature && !g_bSignatureVerified && g_strSignature.empty()) {
      createMissing(IDS_ENROLL_SIGNATURE_NOW, g_bSignatureVerified);
    } else if (m_nMethod == kMethodSymbols && !g_bSymbolPasswordVerified &&
               g_strSymbolPassword.empty()) {
      createMissing(IDS_CREATE_SYMBOL_PASSWORD_NOW, g_bSymbolPasswordVerified);
    }
  }
  g_Settings.LogonMethod = static_cast<DWORD>(m_nMethod);
  g_Settings.RandPictoOrder = static_cast<DWORD>(m_bRandomOrder);
  if (!SaveSettings(true, false)) ShowError(m_hWnd, IDS_SAVE_FAILED, 0, MB_ICONINFORMATION);
  UpdateControls();
}

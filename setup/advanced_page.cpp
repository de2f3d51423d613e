#include "setup/advanced_page.h"

#include <vector>

#include "lockout/alarm_player.h"
#include "logonui/change_password_dlg.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/shell/file_dialog.h"
#include "platform/ui/shell/shell.h"
#include "platform/ui/window/window_dc.h"
#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "setup/settings_sheet.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "store/show_error.h"

namespace {
constexpr DWORD kMaxLimitValue = 10;
constexpr int kPathCapacity = 260;

// The path the file field was last left with while it named no file.
std::u16string& LastRejectedPath() {
  static std::u16string path;
  return path;
}

bool FileExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributes(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// "Wave Files (*.wav)|*.wav||" as the open-file dialog's zero-separated list.
std::vector<WCHAR> FilterFromText(UINT id) {
  WCHAR text[128] = {};
  LoadString(AfxGetResourceHandle(), id, text, 128);
  std::vector<WCHAR> filter;
  for (const WCHAR* c = text; *c != 0; ++c) filter.push_back(*c == u'|' ? 0 : *c);
  filter.push_back(0);
  filter.push_back(0);
  return filter;
}
}  // namespace

DEFINE_MESSAGE_MAP(CAdvancedPage, CSettingsPage,
                   {
                       ON_BN_CLICKED(IDC_LIMIT_ENABLE, OnLimitClicked),
                       ON_BN_CLICKED(IDC_SOUND_ALARM, OnSoundAlarmClicked),
                       ON_BN_CLICKED(IDC_HARD_RESET, OnHardResetClicked),
                       ON_BN_CLICKED(IDC_TEST_ALARM, ToggleTestPlayback),
                       ON_BN_CLICKED(IDC_BROWSE_ALARM, OnBrowse),
                       ON_BN_CLICKED(IDC_CHANGE_MASTER, OnChangeMaster),
                       ON_CBN_SELENDOK(IDC_LIMIT_VALUE, OnLimitChosen),
                       ON_CBN_EDITCHANGE(IDC_LIMIT_VALUE, OnLimitTyped),
                       ON_EN_CHANGE(IDC_ALARM_FILE, OnFileChanged),
                       ON_EN_SETFOCUS(IDC_ALARM_FILE, OnFileSetFocus),
                       ON_EN_KILLFOCUS(IDC_ALARM_FILE, OnFileKillFocus),
                       ON_MESSAGE(WM_DRAWITEM, OnDrawItem),
                   })

CAdvancedPage::CAdvancedPage() : CSettingsPage(IDD_ADVANCED_PAGE) {}

CAdvancedPage::~CAdvancedPage() {
  WipeSecret(m_strNewMaster);
}

void CAdvancedPage::DoDataExchange(CDataExchange* pDX) {
  DDX_Check(pDX, IDC_LIMIT_ENABLE, m_bLimit);
  DDX_Check(pDX, IDC_SOUND_ALARM, m_bSoundAlarm);
  DDX_Check(pDX, IDC_HARD_RESET, m_bHardReset);
  DDX_CBString(pDX, IDC_LIMIT_VALUE, m_strLimitValue);
  DDX_Text(pDX, IDC_ALARM_FILE, m_strAlarmFile);
  DDX_Control(pDX, IDC_LIMIT_VALUE, m_cbLimitValue);
}

BOOL CAdvancedPage::OnInitDialog() {
  CSettingsPage::OnInitDialog();
  const SettingsRecord& s = g_Settings;
  m_bLimit = static_cast<int>(s.MaxFalseLogonRetries);
  m_strLimitValue = DecimalText(s.MaxFalseLogonRetriesValue);
  m_strAlarmFile = s.AlarmSound;
  m_nAction = static_cast<int>(s.ActionAfterMaxFalseLogons);
  if (m_nAction == 0) m_bHardReset = 1;
  if (m_nAction == 1) m_bSoundAlarm = 1;
  if (m_cbLimitValue.m_hWnd != nullptr) {
    for (DWORD n = 1; n <= kMaxLimitValue; ++n) m_cbLimitValue.AddString(DecimalText(n).c_str());
    m_cbLimitValue.SelectString(-1, m_strLimitValue.c_str());
  }
  ShowTestBitmap(IDB_ALARM_PLAY);
  m_bPlaying = 0;
  UpdateControls();
  return TRUE;
}

BOOL CAdvancedPage::OnSetActive() {
  UpdateControls();
  return CSettingsPage::OnSetActive();
}

BOOL CAdvancedPage::OnKillActive() {
  UpdateControls();
  return CSettingsPage::OnKillActive();
}

void CAdvancedPage::WriteControls() {
  m_bWritingControls = 1;
  UpdateData(FALSE);
  m_bWritingControls = 0;
}

void CAdvancedPage::UpdateControls() {
  if (m_bSoundAlarm == 1 && m_strAlarmFile.empty()) m_strAlarmFile = kDefaultAlarmFile;
  // The power-on logon gates the whole limit section.
  const bool powerOn = g_Settings.PowerOnLogon == 1;
  const bool limit = m_bLimit == 1 && powerOn;
  const bool file = limit && m_bSoundAlarm == 1;
  auto enable = [this](int id, bool on) {
    if (CWnd* c = GetDlgItem(id)) c->EnableWindow(on);
  };
  enable(IDC_LIMIT_ENABLE, powerOn);
  enable(IDC_LIMIT_VALUE, limit);
  enable(IDC_SOUND_ALARM, limit);
  enable(IDC_HARD_RESET, limit);
  enable(IDC_TEST_ALARM, limit);
  enable(IDC_ALARM_FILE, file);
  enable(IDC_BROWSE_ALARM, file);
  WriteControls();
}

void CAdvancedPage::ShowTestBitmap(UINT bitmapId) {
  m_nTestBitmap = bitmapId;
  if (CWnd* button = GetDlgItem(IDC_TEST_ALARM)) {
    button->Invalidate();
    button->UpdateWindow();
  }
}

LRESULT CAdvancedPage::OnDrawItem(WPARAM, LPARAM lParam) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (item == nullptr || item->CtlID != static_cast<UINT>(IDC_TEST_ALARM)) return FALSE;
  const HBITMAP bitmap = LoadBitmap(AfxGetResourceHandle(), m_nTestBitmap);
  if (bitmap == nullptr) return TRUE;
  BITMAP info{};
  GetObject(bitmap, sizeof(info), &info);
  const HDC source = CreateCompatibleDC(item->hDC);
  const HGDIOBJ old = SelectObject(source, reinterpret_cast<HGDIOBJ>(bitmap));
  // Centred in the button; a pressed button shows it one pixel down.
  const int pressed = (item->itemState & ODS_SELECTED) ? 1 : 0;
  const int x = (item->rcItem.left + item->rcItem.right - info.bmWidth) / 2 + pressed;
  const int y = (item->rcItem.top + item->rcItem.bottom - info.bmHeight) / 2 + pressed;
  BitBlt(item->hDC, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap));
  return TRUE;
}

void CAdvancedPage::StopTestPlayback() {
  if (m_bPlaying != 1) return;
  ShowTestBitmap(IDB_ALARM_PLAY);
  AlarmStop(false);
  m_bPlaying = 0;
}

void CAdvancedPage::ToggleTestPlayback() {
  if (m_bSoundAlarm == 0 || m_strAlarmFile.empty()) {
    MessageBeep(MB_ICONHAND);
    return;
  }
  if (m_bPlaying == 1) {
    StopTestPlayback();
    return;
  }
  ShowTestBitmap(IDB_ALARM_STOP);
  // The page's file for this one call; the stored one stays in force.
  std::u16string stored = g_Settings.AlarmSound;
  g_Settings.AlarmSound = m_strAlarmFile;
  const MMRESULT started = AlarmStart(false);
  g_Settings.AlarmSound = std::move(stored);
  if (started != MMSYSERR_NOERROR) {
    ShowTestBitmap(IDB_ALARM_PLAY);
    ShowError(m_hWnd, IDS_ALARM_PLAY_FAILED, 0, MB_ICONINFORMATION);
    m_bPlaying = 0;
  } else {
    m_bPlaying = 1;
  }
}

void CAdvancedPage::OnLimitClicked() {
  UpdateData(TRUE);
  UpdateControls();
}

void CAdvancedPage::OnSoundAlarmClicked() {
  UpdateData(TRUE);
  m_nAction = 1;
  UpdateControls();
}

void CAdvancedPage::OnHardResetClicked() {
  UpdateData(TRUE);
  m_nAction = 0;
  UpdateControls();
}

void CAdvancedPage::OnLimitChosen() {
  UpdateData(TRUE);
  if (m_cbLimitValue.m_hWnd != nullptr && m_cbLimitValue.GetCurSel() != CB_ERR) {
    m_strLimitValue = m_cbLimitValue.GetLBText(m_cbLimitValue.GetCurSel());
  }
  WriteControls();
}

void CAdvancedPage::OnLimitTyped() {
  // Only list entries can be chosen: typing puts the value back.
  WriteControls();
}

void CAdvancedPage::OnFileChanged() {
  if (m_bWritingControls) return;
  UpdateData(TRUE);
}

void CAdvancedPage::OnFileSetFocus() {
  SHSipPreference(m_hWnd, SIP_UP);
}

void CAdvancedPage::OnFileKillFocus() {
  if (m_bSoundAlarm == 0 || (!m_strAlarmFile.empty() && FileExists(m_strAlarmFile))) {
    SHSipPreference(m_hWnd, SIP_FORCEDOWN);
    return;
  }
  const DWORD lastError = GetLastError();
  MessageBeep(MB_ICONHAND);
  if (m_strAlarmFile != LastRejectedPath()) {
    LastRejectedPath() = m_strAlarmFile;
    ShowError(m_hWnd, IDS_FILE_NOT_FOUND, static_cast<int>(lastError), MB_ICONEXCLAMATION);
    if (CWnd* field = GetDlgItem(IDC_ALARM_FILE)) GotoDlgCtl(field);
  } else {
    // The same missing path twice: the user gets the default file.
    m_strAlarmFile = kDefaultAlarmFile;
    WriteControls();
  }
}

void CAdvancedPage::OnBrowse() {
  StopTestPlayback();
  const std::vector<WCHAR> filter = FilterFromText(IDS_WAVE_FILE_FILTER);
  WCHAR path[kPathCapacity] = {};
  m_strAlarmFile.copy(path, kPathCapacity - 1);
  OPENFILENAME ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = m_hWnd;
  ofn.lpstrFilter = filter.data();
  ofn.lpstrFile = path;
  ofn.nMaxFile = kPathCapacity;
  ofn.Flags = OFN_FILEMUSTEXIST;
  ofn.lpstrDefExt = u"*.wav";
  if (GetOpenFileName(&ofn)) m_strAlarmFile = path;
  if (m_strAlarmFile.empty()) m_strAlarmFile = kDefaultAlarmFile;
  UpdateControls();
}

// The change-password dialog set to the master password, the current one
// to be typed.
INT_PTR CAdvancedPage::RunChangeMasterPassword() {
  CChangePasswordDlg dialog(this);
  dialog.SetMode(CChangePasswordDlg::kModeMaster, 0);
  const INT_PTR result = dialog.DoModal();
  if (result == IDOK) dialog.GetNewPassword(m_strNewMaster);
  return result;
}

void CAdvancedPage::OnChangeMaster() {
  if (RunChangeMasterPassword() != IDOK) return;
  AssignSecret(g_strMasterPassword, m_strNewMaster);
  WipeSecret(m_strNewMaster);
  if (!SaveSettings(false, true)) ShowError(m_hWnd, IDS_SAVE_FAILED, 0, MB_ICONINFORMATION);
}

bool CAdvancedPage::IsModified() {
  const SettingsRecord& s = g_Settings;
  return s.ActionAfterMaxFalseLogons != static_cast<DWORD>(m_nAction) ||
         s.MaxFalseLogonRetriesValue != LeadingNumber(m_strLimitValue) ||
         s.MaxFalseLogonRetries != static_cast<DWORD>(m_bLimit) || m_strAlarmFile != s.AlarmSound;
}

void CAdvancedPage::ApplyChanges() {
  StopTestPlayback();
  SettingsRecord& s = g_Settings;
  s.MaxFalseLogonRetries = static_cast<DWORD>(m_bLimit);
  s.MaxFalseLogonRetriesValue = LeadingNumber(m_strLimitValue);
  s.AlarmSound = m_strAlarmFile;
  s.ActionAfterMaxFalseLogons = static_cast<DWORD>(m_nAction);
  if (!SaveSettings(true, false)) ShowError(m_hWnd, IDS_SAVE_FAILED, 0, MB_ICONINFORMATION);
  UpdateControls();
}

void CAdvancedPage::LoadDefaults() {
  StopTestPlayback();
  m_bLimit = 1;
  m_strLimitValue = u"5";
  m_nAction = 1;
  m_strAlarmFile = kDefaultAlarmFile;
  m_bSoundAlarm = 1;
  m_bHardReset = 0;
  UpdateControls();
}

BOOL CAdvancedPage::OnApply() {
  StopTestPlayback();
  return CSettingsPage::OnApply();
}

void CAdvancedPage::OnOK() {
  StopTestPlayback();
  CSettingsPage::OnOK();
}

void CAdvancedPage::OnCancel() {
  StopTestPlayback();
  CSettingsPage::OnCancel();
}

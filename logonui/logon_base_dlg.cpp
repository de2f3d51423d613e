#include "logonui/logon_base_dlg.h"

#include "logonui/lock_window.h"
#include "res/resource_ids.h"
#include "store/settings_record.h"

namespace {

constexpr UINT kFirstAppButton = 0xC1;
constexpr UINT kLastAppButton = 0xCF;
constexpr int kBarHeight = 26;
constexpr int kBannerWidth = 227;
constexpr int kBannerHeight = 60;
constexpr int kBannerTop = 7;

// Re-entrancy guards: the resize and the watchdog cause the very messages
// that would run them again.
bool g_bInResize = false;
bool g_bInWatchdog = false;

SIPINFO ReadSipInfo() {
  SIPINFO info{};
  info.cbSize = sizeof(info);
  SHSipInfo(SPI_GETSIPINFO, 0, &info, 0);
  return info;
}

}  // namespace

DEFINE_MESSAGE_MAP(CLogonBaseDlg, CDialog,
                   {
                       ON_WM_PAINT(),
                       ON_WM_SIZE(),
                       ON_WM_ACTIVATE(),
                       ON_MESSAGE(WM_APPLY_SCREEN_STATE, OnApplyScreenState),
                       ON_MESSAGE(WM_FIT_TO_SCREEN, OnFitToScreen),
                       ON_WM_CLOSE(),
                       ON_WM_TIMER(),
                   })

CLogonBaseDlg::CLogonBaseDlg(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {}

CLogonBaseDlg::~CLogonBaseDlg() {
  if (m_hBanner != nullptr) DeleteObject(reinterpret_cast<HGDIOBJ>(m_hBanner));
}

void CLogonBaseDlg::DoDataExchange(CDataExchange*) {}

BOOL CLogonBaseDlg::OnInitDialog() {
  // A lock-now logon always stays in front and full screen.
  if (m_bLockNow) {
    m_bYieldForeground = false;
    m_bFullScreen = true;
  }
  if (m_bShowBanner && m_nBanner >= 0 && m_nBanner <= 2) {
    m_hBanner = LoadBitmap(AfxGetInstanceHandle(), IDB_BANNER_PASSWORD + m_nBanner);
    if (m_hBanner != nullptr)
      GetObject(reinterpret_cast<HGDIOBJ>(m_hBanner), sizeof(m_bmBanner), &m_bmBanner);
  }
  if (m_bFullScreen) {
    m_bFullScreenSizing = FALSE;
    CDialog::OnInitDialog();
    SHINITDLGINFO init{SHIDIM_FLAGS, m_hWnd, SHIDIF_FULLSCREENNOMENUBAR};
    SHInitDialog(&init);
    SHDoneButton(m_hWnd, SHDB_HIDE);
  } else {
    CDialog::OnInitDialog();
  }
  if (m_bUseInputPanel) {
    m_sipSaved = ReadSipInfo();
    SHSipPreference(m_hWnd, SIP_FORCEDOWN);
    SIPINFO docked = m_sipSaved;
    docked.fdwFlags = (docked.fdwFlags & ~SIPF_LOCKED) | SIPF_DOCKED | SIPF_DISABLECOMPLETION;
    SHSipInfo(SPI_SETSIPINFO, 0, &docked, 0);
  }
  PostMessage(WM_APPLY_SCREEN_STATE);
  // The hardware buttons are captured and swallowed while the dialog is up.
  for (UINT key = kFirstAppButton; key <= kLastAppButton; ++key)
    RegisterHotKey(m_hWnd, static_cast<int>(key), MOD_WIN, key);
  switch (g_Settings.DisplayOwnerInfo) {
    case 1:
      m_strOwnerLine1 = g_Settings.OwnerName;
      m_strOwnerLine2 = g_Settings.OwnerPhone;
      break;
    case 2:
      m_strOwnerLine1 = g_Settings.OwnerName;
      m_strOwnerLine2 = g_Settings.OwnerEmail;
      break;
    case 3:
      m_strOwnerLine1 = g_Settings.WelcomeText1;
      m_strOwnerLine2 = g_Settings.WelcomeText2;
      break;
    default:
      m_strOwnerLine1.clear();
      m_strOwnerLine2.clear();
      break;
  }
  UpdateWindow();
  Invalidate();
  SetTimer(kWatchdogTimerId, 10);
  return TRUE;
}

void CLogonBaseDlg::RequestScreenState() {
  PostMessage(WM_APPLY_SCREEN_STATE);
  PostMessage(WM_FIT_TO_SCREEN);
}

LRESULT CLogonBaseDlg::OnApplyScreenState(WPARAM, LPARAM) {
  ApplyScreenState();
  return 0;
}

void CLogonBaseDlg::ApplyScreenState() {
  SIPINFO info = ReadSipInfo();
  if (g_Settings.PlatformType != 1) SHSipPreference(m_hWnd, SIP_FORCEDOWN);
  SetForegroundWindow();
  if (m_bFullScreen) PrepareLockWindow(m_hWnd);
  if (m_bUseInputPanel) {
    SHSipInfo(SPI_SETSIPINFO, 0, &info, 0);
    if (info.fdwFlags & SIPF_ON) SHSipPreference(m_hWnd, SIP_UP);
  }
  SHFullScreen(m_hWnd, m_bUseInputPanel ? SHFS_SHOWSIPBUTTON : SHFS_HIDESIPBUTTON);
  SHFullScreen(m_hWnd, m_bFullScreen ? SHFS_HIDETASKBAR | SHFS_HIDESTARTICON
                                     : SHFS_SHOWTASKBAR | SHFS_SHOWSTARTICON);
  if (CWnd* bar = GetDlgItem(AFX_IDW_COMMANDBAR)) bar->ShowWindow(SW_HIDE);
  UpdateWindow();
  Invalidate();
}

LRESULT CLogonBaseDlg::OnFitToScreen(WPARAM, LPARAM) {
  FitToScreen();
  return 0;
}

void CLogonBaseDlg::FitToScreen() {
  if (!m_bFullScreen) return;
  RECT rect{};
  GetWindowRect(&rect);
  // Cover the title bar above and the menu bar below.
  if (rect.top >= kBarHeight) {
    rect.top -= kBarHeight;
    rect.bottom += kBarHeight;
  }
  MoveWindow(rect, TRUE);
}

void CLogonBaseDlg::OnSize(UINT type, int cx, int cy) {
  CDialog::OnSize(type, cx, cy);
  if (g_bInResize || !m_bFullScreen) return;
  g_bInResize = true;
  FitToScreen();
  g_bInResize = false;
}

void CLogonBaseDlg::OnActivate(UINT state, HWND other, BOOL minimized) {
  if (state == WA_ACTIVE) {
    RequestScreenState();
  } else if (state == WA_INACTIVE && !MayYieldForeground(other)) {
    SetForegroundWindow();
    RequestScreenState();
    return;
  }
  CDialog::OnActivate(state, other, minimized);
}

void CLogonBaseDlg::OnTimer(UINT_PTR id) {
  if (id != kWatchdogTimerId) {
    CDialog::OnTimer(id);
    return;
  }
  if (g_bInWatchdog) return;
  g_bInWatchdog = true;
  // In front: nothing to do, and nothing is posted.
  const HWND active = ::GetActiveWindow();
  if (!(active == m_hWnd && ::GetForegroundWindow() == m_hWnd) && !MayYieldForeground(active))
    RequestScreenState();
  g_bInWatchdog = false;
}

bool CLogonBaseDlg::MayYieldForeground(HWND other) const {
  if (m_bYieldForeground) return true;
  const bool reminder = FindWindow(u"Dialog", u"Erinnerung") != nullptr ||
                        FindWindow(u"Dialog", u"Reminder") != nullptr;
  if (other == nullptr) return reminder;
  HWND window = other;
  for (;;) {
    const HWND parent = ::GetParent(window);
    if (parent == nullptr || parent == window) return reminder;
    if (parent == m_hWnd) return true;
    window = parent;
  }
}

void CLogonBaseDlg::OnPaint() {
  CPaintDC dc(this);
  if (m_nScreenWidth == 0 && m_nScreenHeight == 0) {
    m_nScreenWidth = GetDeviceCaps(dc, HORZRES);
    m_nScreenHeight = GetDeviceCaps(dc, VERTRES);
  }
  if (m_hBanner != nullptr) {
    RECT client{};
    GetClientRect(&client);
    const HDC memory = CreateCompatibleDC(dc);
    const HGDIOBJ previous = SelectObject(memory, reinterpret_cast<HGDIOBJ>(m_hBanner));
    StretchBlt(dc, (client.right - client.left - kBannerWidth) / 2, kBannerTop, kBannerWidth,
               kBannerHeight, memory, 0, 0, m_bmBanner.bmWidth, m_bmBanner.bmHeight, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
  }
  if (m_bUseInputPanel) {
    // The upper edge of the input panel's button bar.
    MoveToEx(dc, 0, m_nScreenHeight - kBarHeight, nullptr);
    LineTo(dc, m_nScreenWidth, m_nScreenHeight - kBarHeight);
  }
}

void CLogonBaseDlg::OnClose() {
  m_bYieldForeground = true;
  CDialog::OnClose();
}

void CLogonBaseDlg::OnDestroy() {
  KillTimer(kWatchdogTimerId);
  for (UINT key = kFirstAppButton; key <= kLastAppButton; ++key)
    UnregisterHotKey(m_hWnd, static_cast<int>(key));
  m_bYieldForeground = true;
  if (m_bUseInputPanel) {
    SHSipPreference(m_hWnd, SIP_FORCEDOWN);
    SHSipInfo(SPI_SETSIPINFO, 0, &m_sipSaved, 0);
  }
  if (m_bFullScreen) SHFullScreen(m_hWnd, SHFS_SHOWTASKBAR | SHFS_SHOWSTARTICON);
  CDialog::OnDestroy();
}

#include "entry/main_frame.h"

#include "entry/entry_points.h"
#include "entry/logon_session.h"
#include "lockout/alarm_player.h"
#include "platform/message_box.h"
#include "res/string_ids.h"
#include "setup/settings_sheet.h"
#include "store/device_key.h"
#include "store/show_error.h"

UINT g_nStopAlarmMessage = 0;

namespace {
constexpr DWORD kNoDoneButtonStyle = 0x00010000;
}  // namespace

IMPLEMENT_DYNAMIC(CMainFrame, CFrameWnd)

DEFINE_MESSAGE_MAP(CMainFrame, CFrameWnd,
                   {
                       ON_WM_CREATE(),
                       ON_REGISTERED_MESSAGE(g_nStopAlarmMessage, OnStopAlarm),
                   })

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
  cs.style |= kNoDoneButtonStyle;
  return CFrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(CREATESTRUCT* create) {
  if (CFrameWnd::OnCreate(create) == -1) return -1;
  g_nStopAlarmMessage = RegisterWindowMessage(kStopAlarmMessage);
  return 0;
}

LRESULT CMainFrame::OnStopAlarm(WPARAM clear, LPARAM) {
  AlarmStop(clear != 0);
  return 0;
}

void RunSettings(CMainFrame* frame, CWnd* parent) {
  const HWND own = GetOwnMainWindow();
  LPWSTR password = PromptForPasswd(own);
  if (password == nullptr) return;
  WipeAndFreePassword(password);
  if (!UnscrambleSecrets()) {
    ShowError(frame != nullptr ? frame->GetSafeHwnd() : own, IDS_UNSCRAMBLE_FAILED, 0, MB_ICONHAND);
    return;
  }
  SelectKeyboardInputMethod();
  {
    CSettingsSheet sheet(IDS_SETTINGS_CAPTION, parent, 0);
    sheet.DoModal();
    ScrambleSecrets();
    RestoreInputMethod();
  }
}

// The lock-screen base of every logon, unblock and change-password dialog:
// full screen without taskbar, hardware buttons captured, a banner, the
// owner lines, and a 10 ms watchdog that keeps the dialog in front.
#pragma once

#include <string>

#include "platform/ui/afx/afx.h"
#include "platform/ui/shell/shell.h"

inline constexpr UINT WM_APPLY_SCREEN_STATE = WM_USER + 1;
inline constexpr UINT WM_FIT_TO_SCREEN = WM_USER + 2;
inline constexpr UINT_PTR kWatchdogTimerId = 2345;

class CLogonBaseDlg : public CDialog {
 public:
  CLogonBaseDlg(UINT templateId, CWnd* parent);
  ~CLogonBaseDlg() override;

  // Whether the dialog may stay behind `other` (null: no window).
  bool MayYieldForeground(HWND other) const;

  bool m_bYieldForeground = true;
  // A lock-now logon (LockDevice): every run stays in front, full screen.
  bool m_bLockNow = false;
  BITMAP m_bmBanner{};
  HBITMAP m_hBanner = nullptr;
  bool m_bFullScreen = true;
  bool m_bUseInputPanel = false;
  bool m_bShowBanner = true;
  SIPINFO m_sipSaved{};
  int m_nBanner = -1;
  std::u16string m_strOwnerLine1;
  std::u16string m_strOwnerLine2;
  int m_nScreenWidth = 0;
  int m_nScreenHeight = 0;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnDestroy() override;

  void OnPaint();
  void OnSize(UINT type, int cx, int cy);
  void OnActivate(UINT state, HWND other, BOOL minimized);
  void OnTimer(UINT_PTR id);
  void OnClose();
  LRESULT OnApplyScreenState(WPARAM wParam, LPARAM lParam);
  LRESULT OnFitToScreen(WPARAM wParam, LPARAM lParam);
  void ApplyScreenState();
  void FitToScreen();
  void RequestScreenState();

  DECLARE_MESSAGE_MAP()
};

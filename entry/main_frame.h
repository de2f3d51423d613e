// The applet's frame window (frame resource 500) and the settings launch:
// the logon first, then the settings sheet. The frame also stops a test
// playback of this process when another logon broadcasts "WM_STOP_ALARM".
#pragma once

#include "platform/ui/afx/afx.h"

// The number of the registered message "WM_STOP_ALARM", filled when the
// frame is created.
extern UINT g_nStopAlarmMessage;

class CMainFrame : public CFrameWnd {
  DECLARE_DYNAMIC(CMainFrame)

 public:
  CMainFrame() = default;
  ~CMainFrame() override = default;

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;

 protected:
  int OnCreate(CREATESTRUCT* create);
  LRESULT OnStopAlarm(WPARAM clear, LPARAM);

  DECLARE_MESSAGE_MAP()
};

// The settings launch on `frame`, with `parent` as the sheet's parent.
void RunSettings(CMainFrame* frame, CWnd* parent);

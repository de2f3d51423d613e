// CWinApp: the application object. Each module (the program, or a
// shared library such as Password.cpl) has exactly one, a static instance
// whose constructor makes it the application of that module's state:
//
//   class CControlPanelApp : public CWinApp { ... };
//   CControlPanelApp theApp;   // AfxGetApp() inside the module's entry points
#pragma once

#include <string>

#include "platform/ui/afx/afx_module_state.h"
#include "platform/ui/afx/afx_wnd.h"

class CWinApp : public CCmdTarget {
  DECLARE_DYNAMIC(CWinApp)

 public:
  // `appName`: the application's title (message-box captions); null takes
  // string AFX_IDS_APP_TITLE of the resource module. `state`: the module
  // whose application this is; the default is the module whose code runs
  // the constructor.
  explicit CWinApp(LPCWSTR appName = nullptr, AFX_MODULE_STATE* state = AfxGetStaticModuleState());
  // Destroys a main window that still exists, while the module's code is
  // still there to handle its last messages.
  ~CWinApp() override;

  virtual BOOL InitInstance();
  virtual int ExitInstance();
  // The program's message loop: runs until WM_QUIT (posted when the main
  // frame is destroyed during Run), then ExitInstance.
  virtual int Run();

  // The help call: every help request of the application's windows ends
  // here (WM_HELP and ID_HELP with data 0). The base does nothing.
  virtual void WinHelp(DWORD_PTR data, UINT command = HELP_CONTEXT);
  // AfxMessageBox: a message box with the application's title as caption,
  // owned by the active window (else the main window).
  virtual int DoMessageBox(LPCWSTR prompt, UINT type, UINT helpId);

  AFX_MODULE_STATE* GetModuleState() const { return m_pModuleState; }
  BOOL IsRunning() const { return m_bRunning; }

  CWnd* m_pMainWnd = nullptr;
  int m_nCmdShow = SW_SHOW;
  LPCWSTR m_pszAppName = nullptr;

 private:
  AFX_MODULE_STATE* m_pModuleState;
  CWinApp* m_pPreviousApp;
  std::u16string m_strAppName;
  BOOL m_bRunning = FALSE;
};

// A message box with the application's title as caption (MB_ flags as for
// MessageBox); the string form loads `promptId` from the resource module.
int AfxMessageBox(LPCWSTR text, UINT type = 0, UINT helpId = 0);
int AfxMessageBox(UINT promptId, UINT type = 0, UINT helpId = UINT(-1));

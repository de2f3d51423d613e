#include "platform/ui/afx/afx_app.h"

#include "platform/message_box.h"
#include "platform/ui/afx/afx_internal.h"

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

CWinApp::CWinApp(LPCWSTR appName, AFX_MODULE_STATE* state)
    : m_pModuleState(state ? state : AfxGetModuleState()) {
  m_pPreviousApp = m_pModuleState->m_pCurrentWinApp;
  m_pModuleState->m_pCurrentWinApp = this;
  if (appName) {
    m_strAppName = appName;
    m_pszAppName = m_strAppName.c_str();
  }
}

CWinApp::~CWinApp() {
  // A library's frame would outlive its code; the program's own windows go
  // with the process.
  if (m_pMainWnd && m_pMainWnd->m_hWnd && m_pModuleState->m_pModuleIdentity &&
      m_pModuleState != afx::detail::ProgramModuleState()) {
    CModuleStateScope scope(m_pModuleState);
    m_pMainWnd->DestroyWindow();
  }
  if (m_pModuleState->m_pCurrentWinApp == this) {
    m_pModuleState->m_pCurrentWinApp = m_pPreviousApp;
  }
}

BOOL CWinApp::InitInstance() {
  return TRUE;
}

int CWinApp::ExitInstance() {
  return 0;
}

int CWinApp::Run() {
  CModuleStateScope scope(m_pModuleState);
  m_bRunning = TRUE;
  MSG msg{};
  while (::GetMessage(&msg, nullptr, 0, 0)) {
    CWnd* target = CWnd::FromHandlePermanent(msg.hwnd);
    if (target && target->PreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessage(&msg);
  }
  m_bRunning = FALSE;
  return ExitInstance();
}

void CWinApp::WinHelp(DWORD_PTR, UINT) {}

int CWinApp::DoMessageBox(LPCWSTR prompt, UINT type, UINT) {
  HWND owner = ::GetActiveWindow();
  if (!owner && m_pMainWnd) owner = m_pMainWnd->m_hWnd;
  CModuleStateScope scope(m_pModuleState);
  return ::MessageBox(owner, prompt, AfxGetAppName(), type);
}

CWinApp* AfxGetApp() {
  return AfxGetModuleState()->m_pCurrentWinApp;
}

CWnd* AfxGetMainWnd() {
  CWinApp* app = AfxGetApp();
  return app ? app->m_pMainWnd : nullptr;
}

LPCWSTR AfxGetAppName() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pszAppName) return app->m_pszAppName;
  // The resource module's title string; its text lives as long as the
  // module.
  LPCWSTR text = nullptr;
  if (::LoadString(AfxGetResourceHandle(), AFX_IDS_APP_TITLE, reinterpret_cast<LPWSTR>(&text), 0) >
      0) {
    return text;
  }
  return nullptr;
}

int AfxMessageBox(LPCWSTR text, UINT type, UINT helpId) {
  if (CWinApp* app = AfxGetApp()) return app->DoMessageBox(text, type, helpId);
  return ::MessageBox(::GetActiveWindow(), text, AfxGetAppName(), type);
}

int AfxMessageBox(UINT promptId, UINT type, UINT helpId) {
  const std::u16string text = afx::detail::LoadStringText(AfxGetResourceHandle(), promptId);
  return AfxMessageBox(text.c_str(), type, helpId == UINT(-1) ? promptId : helpId);
}

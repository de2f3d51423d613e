#include "platform/ui/afx/afx_frame.h"

#include "platform/ui/afx/afx_app.h"
#include "platform/ui/afx/afx_internal.h"

IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

DEFINE_MESSAGE_MAP(CFrameWnd, CWnd,
                   {
                       afx::On<WM_CREATE, &ThisClass::OnCreate>(),
                       afx::On<WM_CLOSE, &ThisClass::OnClose>(),
                   })

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd() {
  if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD defaultStyle, CWnd* parent, void*) {
  if (m_hWnd) return FALSE;
  m_nIDHelp = resourceId;
  HINSTANCE resources = AfxGetResourceHandle();
  // A frame string may carry more fields after a line break; the first is
  // the title.
  m_strTitle = afx::detail::LoadStringText(resources, resourceId);
  if (const auto end = m_strTitle.find(u'\n'); end != std::u16string::npos) m_strTitle.resize(end);
  if (!m_hIcon) m_hIcon = ::LoadIcon(resources, resourceId);
  // The frame stays the caller's while it is being made, even if the
  // window fails and is destroyed on the way.
  const BOOL autoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  const BOOL created =
      CreateEx(0, nullptr, m_strTitle.c_str(), defaultStyle, CW_USEDEFAULT, CW_USEDEFAULT,
               CW_USEDEFAULT, CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr, 0);
  m_bAutoDelete = autoDelete;
  return created;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) {
    cs.lpszClass = AfxRegisterWndClass(0, nullptr, ::GetSysColorBrush(COLOR_WINDOW), m_hIcon);
    if (!cs.lpszClass) return FALSE;
  }
  if (cs.x == CW_USEDEFAULT || cs.cx == CW_USEDEFAULT) {
    const RECT work = afx::detail::WorkArea();
    if (cs.x == CW_USEDEFAULT) {
      cs.x = work.left;
      cs.y = work.top;
    }
    if (cs.cx == CW_USEDEFAULT) {
      cs.cx = work.right - work.left;
      cs.cy = work.bottom - work.top;
    }
  }
  return TRUE;
}

int CFrameWnd::OnCreate(CREATESTRUCT* create) {
  return CWnd::OnCreate(create);
}

void CFrameWnd::OnClose() {
  DestroyWindow();
}

void CFrameWnd::OnDestroy() {
  // The program's main frame going away ends the program's loop.
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this && app->IsRunning()) ::PostQuitMessage(0);
  CWnd::OnDestroy();
}

void CFrameWnd::PostNcDestroy() {
  if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
  if (m_bAutoDelete) delete this;
}

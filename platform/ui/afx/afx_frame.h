// CFrameWnd: a top-level window loaded from a resource id: its title is the
// string of that id and its icon the icon of that id.
//
//   auto* frame = new CMainFrame;          // frames delete themselves when
//   AfxGetApp()->m_pMainWnd = frame;       // their window is destroyed
//   frame->LoadFrame(IDR_MAINFRAME, FWS_ADDTOTITLE, nullptr, nullptr);
//   frame->ShowWindow(AfxGetApp()->m_nCmdShow);
//   frame->UpdateWindow();
#pragma once

#include <string>

#include "platform/ui/afx/afx_wnd.h"

// Frame style: the title carries the document's name (kept in the style).
inline constexpr DWORD FWS_ADDTOTITLE = 0x00008000;

class CFrameWnd : public CWnd {
  DECLARE_DYNAMIC(CFrameWnd)

 public:
  CFrameWnd();
  ~CFrameWnd() override;

  // Creates the frame: title from string `resourceId` (up to its first
  // '\n'), icon `resourceId`, both from AfxGetResourceHandle(); the style
  // is `defaultStyle` as PreCreateWindow leaves it. FALSE when the window
  // could not be made (PreCreateWindow refused, WM_CREATE returned -1).
  virtual BOOL LoadFrame(UINT resourceId, DWORD defaultStyle = FWS_ADDTOTITLE,
                         CWnd* parent = nullptr, void* context = nullptr);
  // The frame's class (a library class with the frame's icon) and its
  // place: the screen between title bar and menu bar unless given.
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;

  UINT m_nIDHelp = 0;
  HICON m_hIcon = nullptr;
  // The object deletes itself after its window is destroyed.
  BOOL m_bAutoDelete = TRUE;

 protected:
  int OnCreate(CREATESTRUCT* create);
  void OnClose();
  void OnDestroy() override;
  void PostNcDestroy() override;

  DECLARE_MESSAGE_MAP()

 private:
  std::u16string m_strTitle;
};

// Module state: which module's resources and application object the class
// library works with at the moment.
//
// Each shared object (the host program, Password.cpl, ...) has one state of
// its own, holding its application object and its resource module. An entry
// point of a module makes its state current for the duration of the call:
//
//   extern "C" LONG CPlApplet(...) {
//     AFX_MANAGE_STATE(AfxGetStaticModuleState());
//     ...
//   }
//
// Without such a scope the host program's state is current. Windows keep the
// state that was current when their object was made and make it current
// again while they handle a message.
#pragma once

#include "platform/windef.h"

class CWinApp;
class CWnd;

struct AFX_MODULE_STATE {
  // The module's one application object (set by its constructor).
  CWinApp* m_pCurrentWinApp = nullptr;
  // Module handle of the module; null means: the shared object the state
  // belongs to, as LoadLibrary (or GetModuleHandle(nullptr) for the
  // program) knows it.
  HINSTANCE m_hCurrentInstanceHandle = nullptr;
  // Where templates, strings, bitmaps and icons come from; null means the
  // instance handle.
  HINSTANCE m_hCurrentResourceHandle = nullptr;
  // The shared object this state belongs to (null for a state made by hand,
  // e.g. in tests).
  const void* m_pModuleIdentity = nullptr;
};

namespace afx::detail {
// The state of the shared object that contains `address`; made on first use.
AFX_MODULE_STATE* ModuleStateOfAddress(const void* address);
// One per shared object: hidden symbols are never shared between them.
[[gnu::visibility("hidden")]] inline const char kModuleAnchor = 0;
}  // namespace afx::detail

// The state of the shared object whose code calls this (hidden, so each
// module gets its own copy of this function and of its anchor).
[[gnu::visibility("hidden")]] inline AFX_MODULE_STATE* AfxGetStaticModuleState() {
  return afx::detail::ModuleStateOfAddress(&afx::detail::kModuleAnchor);
}

// The current state of the calling thread.
AFX_MODULE_STATE* AfxGetModuleState();
// Makes `state` current (null: the program's own); returns the previous one.
AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* state);

// Makes a state current for its lifetime and restores the previous one.
class CModuleStateScope {
 public:
  explicit CModuleStateScope(AFX_MODULE_STATE* state) : m_pPrevious(AfxSetModuleState(state)) {}
  ~CModuleStateScope() { AfxSetModuleState(m_pPrevious); }
  CModuleStateScope(const CModuleStateScope&) = delete;
  CModuleStateScope& operator=(const CModuleStateScope&) = delete;

 private:
  AFX_MODULE_STATE* m_pPrevious;
};

#define AFX_MANAGE_STATE(state) CModuleStateScope afxManageStateScope_(state)

// Of the current state.
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE resources);
CWinApp* AfxGetApp();
// The application's main window, or null.
CWnd* AfxGetMainWnd();
// The application's title (message-box captions): the name given to the
// application object, else string AFX_IDS_APP_TITLE of the resource module;
// null when neither exists.
LPCWSTR AfxGetAppName();

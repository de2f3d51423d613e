#include "platform/ui/afx/resource_module_scope.h"

#include "platform/modules.h"
#include "platform/ui/afx/afx_module_state.h"

CResourceModuleScope::CResourceModuleScope(LPCWSTR path, HINSTANCE* handle)
    : m_pHandle(handle), m_hLibrary(LoadLibrary(path)) {
  if (m_hLibrary == nullptr) return;
  m_hPrevious = *m_pHandle;
  m_hPreviousAfx = AfxGetResourceHandle();
  *m_pHandle = m_hLibrary;
  AfxSetResourceHandle(m_hLibrary);
}

CResourceModuleScope::~CResourceModuleScope() {
  if (m_hLibrary == nullptr) return;
  *m_pHandle = m_hPrevious;
  AfxSetResourceHandle(m_hPreviousAfx);
  FreeLibrary(m_hLibrary);
}

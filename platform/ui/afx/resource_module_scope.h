// Swaps the resources a module call loads from for the length of a scope.
#pragma once

#include "platform/windef.h"

// Loads the library at `path` and makes it the resource module: `*handle`
// (the caller's own resource handle) and the class library's resource
// handle both point at it. Leaving the scope, also when an exception
// unwinds through it (the host's reboot does), restores both handles and
// frees the library. A library that can't be loaded changes nothing.
class CResourceModuleScope {
 public:
  CResourceModuleScope(LPCWSTR path, HINSTANCE* handle);
  ~CResourceModuleScope();
  CResourceModuleScope(const CResourceModuleScope&) = delete;
  CResourceModuleScope& operator=(const CResourceModuleScope&) = delete;

  bool IsLoaded() const { return m_hLibrary != nullptr; }

 private:
  HINSTANCE* m_pHandle;
  HINSTANCE m_hPrevious = nullptr;
  HINSTANCE m_hPreviousAfx = nullptr;
  HMODULE m_hLibrary = nullptr;
};

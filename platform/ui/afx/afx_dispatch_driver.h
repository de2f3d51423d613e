// The class library's client of automation objects: holds one IDispatch
// and calls its members by dispatch id. Results come back as HRESULTs;
// nothing is thrown.
#pragma once

#include <initializer_list>

#include "platform/com.h"

class COleDispatchDriver {
 public:
  COleDispatchDriver() = default;
  ~COleDispatchDriver() { ReleaseDispatch(); }
  COleDispatchDriver(const COleDispatchDriver&) = delete;
  COleDispatchDriver& operator=(const COleDispatchDriver&) = delete;

  // Creates the object of the program id and holds its IDispatch. FALSE
  // (holding nothing) when the class is unknown or the object can't be
  // made; the reason in *result when given.
  BOOL CreateDispatch(LPCWSTR progId, HRESULT* result = nullptr);
  // Holds `dispatch`, releasing it at the end when `autoRelease`.
  void AttachDispatch(LPDISPATCH dispatch, BOOL autoRelease = TRUE);
  LPDISPATCH DetachDispatch();
  void ReleaseDispatch();

  // Calls member `member` with `args` in their natural order (the first
  // argument first). A property put passes its value as the one argument.
  // `result` (may be null) receives the returned value.
  HRESULT InvokeHelper(DISPID member, WORD flags, VARIANT* result,
                       std::initializer_list<VARIANT> args = {}) const;

  LPDISPATCH m_lpDispatch = nullptr;
  BOOL m_bAutoRelease = TRUE;
};

// Argument values for InvokeHelper. They do not own what they point at.
VARIANT VariantI4(LONG value);
VARIANT VariantDispatch(LPDISPATCH dispatch);
VARIANT VariantBstr(BSTR text);
VARIANT VariantBstrOut(BSTR* text);

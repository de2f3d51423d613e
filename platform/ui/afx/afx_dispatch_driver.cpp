#include "platform/ui/afx/afx_dispatch_driver.h"

#include <algorithm>
#include <vector>

BOOL COleDispatchDriver::CreateDispatch(LPCWSTR progId, HRESULT* result) {
  ReleaseDispatch();
  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID(progId, &clsid);
  if (SUCCEEDED(hr)) {
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(&m_lpDispatch));
  }
  if (result != nullptr) *result = hr;
  if (FAILED(hr)) m_lpDispatch = nullptr;
  m_bAutoRelease = TRUE;
  return m_lpDispatch != nullptr;
}

void COleDispatchDriver::AttachDispatch(LPDISPATCH dispatch, BOOL autoRelease) {
  ReleaseDispatch();
  m_lpDispatch = dispatch;
  m_bAutoRelease = autoRelease;
}

LPDISPATCH COleDispatchDriver::DetachDispatch() {
  LPDISPATCH dispatch = m_lpDispatch;
  m_lpDispatch = nullptr;
  return dispatch;
}

void COleDispatchDriver::ReleaseDispatch() {
  if (m_lpDispatch != nullptr && m_bAutoRelease) m_lpDispatch->Release();
  m_lpDispatch = nullptr;
}

HRESULT COleDispatchDriver::InvokeHelper(DISPID member, WORD flags, VARIANT* result,
                                         std::initializer_list<VARIANT> args) const {
  if (m_lpDispatch == nullptr) return E_POINTER;
  // Invoke takes the arguments last-first.
  std::vector<VARIANT> reversed(args.begin(), args.end());
  std::reverse(reversed.begin(), reversed.end());
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  if (result != nullptr) VariantInit(result);
  UINT argError = 0;
  return m_lpDispatch->Invoke(member, IID_NULL, 0, flags, &params, result, nullptr, &argError);
}

VARIANT VariantI4(LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT VariantDispatch(LPDISPATCH dispatch) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = dispatch;
  return v;
}

VARIANT VariantBstr(BSTR text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = text;
  return v;
}

VARIANT VariantBstrOut(BSTR* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_BSTR;
  v.pbstrVal = text;
  return v;
}

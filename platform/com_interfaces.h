// The component runtime's result codes and the interfaces its objects
// speak: IUnknown (identity and reference counting), IDispatch (calls by
// dispatch id), IClassFactory (object creation) and IControlFactory (the
// class object of a windowed control makes the control's window).
#pragma once

#include "platform/guid.h"
#include "platform/windef.h"

struct VARIANT;
struct DISPPARAMS;
struct RECT;

// Result codes (S_OK and E_FAIL are in windef.h, S_FALSE in com.h).
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);

constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}
// A platform error code (faults, last error) as a result code.
constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
  return error == 0 ? S_OK : static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

using DISPID = LONG;
using LCID = DWORD;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

// Invoke flags.
inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;

// Interface identifiers.
inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IControlFactory = {
    0x3B6C0E21, 0x7D4A, 0x4F0B, {0x9E, 0x52, 0x61, 0x0C, 0x8F, 0x2D, 0x14, 0xA7}};
// IID_NULL: "no particular interface", as Invoke's riid must be.
inline constexpr IID IID_NULL = {};

// Objects are released through Release, never deleted through these.
class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

// What a failed Invoke may describe; the runtime's objects leave it empty.
struct EXCEPINFO {
  WORD wCode;
  HRESULT scode;
};

class IDispatch : public IUnknown {
 public:
  // Type information is not offered: 0 and E_NOTIMPL.
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  // `iid` must be IID_NULL. Arguments come last-first in params->rgvarg;
  // a property put names its value DISPID_PROPERTYPUT. DISP_E_MEMBERNOTFOUND
  // for an id or kind of call the object does not have.
  virtual HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* exception, UINT* argError) = 0;

 protected:
  ~IDispatch() = default;
};
using LPDISPATCH = IDispatch*;
using LPUNKNOWN = IUnknown*;

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

// The class object of a windowed control: makes the control as a child
// window of `parent` with the id and the place given. The window holds the
// control object for as long as it lives and answers
// WM_GETCONTROLDISPATCH (platform/ui/window/control_host.h).
class IControlFactory : public IUnknown {
 public:
  virtual HRESULT CreateControlWindow(HWND parent, UINT id, DWORD style, const RECT& place,
                                      HWND* window) = 0;

 protected:
  ~IControlFactory() = default;
};

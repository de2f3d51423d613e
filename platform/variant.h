// Automation values: BSTR strings, VARIANT and the argument block of
// IDispatch::Invoke.
#pragma once

#include "platform/com_interfaces.h"
#include "platform/windef.h"

// A BSTR points at its characters (zero-terminated); its length is kept in
// front of them, so it may also hold zeros. Null is the empty string.
using BSTR = WCHAR*;

// Copies `text` (null: returns null). Null when out of memory.
BSTR SysAllocString(LPCWSTR text);
BSTR SysAllocStringLen(LPCWSTR text, UINT length);
// Frees a BSTR (null is fine). The characters are wiped first: automation
// strings carry secrets (the enrolled signature) through the runtime.
void SysFreeString(BSTR text);
// Characters, not counting the terminating zero; 0 for null.
UINT SysStringLen(BSTR text);

using VARTYPE = unsigned short;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_BYREF = 0x4000;

struct VARIANT {
  VARTYPE vt;
  union {
    LONG lVal;
    double dblVal;
    BSTR bstrVal;
    IDispatch* pdispVal;
    BSTR* pbstrVal;  // VT_BYREF | VT_BSTR: an out string
  };
};

void VariantInit(VARIANT* value);
// Frees what the value owns (its string, its reference) and leaves it
// VT_EMPTY. By-reference values own nothing.
HRESULT VariantClear(VARIANT* value);

struct DISPPARAMS {
  VARIANT* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

// Holds a VARIANT and clears it when it goes.
class VariantHolder {
 public:
  VariantHolder() { VariantInit(&value_); }
  ~VariantHolder() { VariantClear(&value_); }
  VariantHolder(const VariantHolder&) = delete;
  VariantHolder& operator=(const VariantHolder&) = delete;
  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

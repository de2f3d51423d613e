// Globally unique identifiers as the component runtime names classes and
// interfaces: the binary form, and the braced text form the registry keeps
// ("{5281D351-DC25-4153-8A45-79705258FF18}").
#pragma once

#include "platform/windef.h"

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
  bool operator==(const GUID&) const = default;
};
using CLSID = GUID;
using IID = GUID;
using REFGUID = const GUID&;
using REFCLSID = const CLSID&;
using REFIID = const IID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
  return a == b;
}

// Characters of the braced text form, without the terminating zero.
inline constexpr int kGuidTextLength = 38;

// Reads the braced text form (hex digits in either case). CO_E_CLASSSTRING
// for anything else.
HRESULT CLSIDFromString(LPCWSTR text, CLSID* clsid);
// Writes the braced text form with upper-case digits and its terminating
// zero; returns the characters written including the zero, or 0 when
// `size` is too small.
int StringFromGUID2(REFGUID guid, LPWSTR buffer, int size);

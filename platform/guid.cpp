#include "platform/guid.h"

#include "platform/com.h"

namespace {

int HexValue(WCHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads `digits` hex digits at *text and moves past them.
bool ReadHex(LPCWSTR* text, int digits, std::uint64_t* value) {
  std::uint64_t v = 0;
  for (int i = 0; i < digits; ++i) {
    const int d = HexValue((*text)[i]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<unsigned>(d);
  }
  *text += digits;
  *value = v;
  return true;
}

bool Expect(LPCWSTR* text, WCHAR c) {
  if (**text != c) return false;
  ++*text;
  return true;
}

}  // namespace

HRESULT CLSIDFromString(LPCWSTR text, CLSID* clsid) {
  if (text == nullptr || clsid == nullptr) return E_INVALIDARG;
  LPCWSTR p = text;
  std::uint64_t a = 0, b = 0, c = 0, d = 0, e = 0;
  const bool ok = Expect(&p, u'{') && ReadHex(&p, 8, &a) && Expect(&p, u'-') &&
                  ReadHex(&p, 4, &b) && Expect(&p, u'-') && ReadHex(&p, 4, &c) &&
                  Expect(&p, u'-') && ReadHex(&p, 4, &d) && Expect(&p, u'-') &&
                  ReadHex(&p, 12, &e) && Expect(&p, u'}') && *p == 0;
  if (!ok) return CO_E_CLASSSTRING;
  GUID guid{};
  guid.Data1 = static_cast<DWORD>(a);
  guid.Data2 = static_cast<WORD>(b);
  guid.Data3 = static_cast<WORD>(c);
  guid.Data4[0] = static_cast<BYTE>(d >> 8);
  guid.Data4[1] = static_cast<BYTE>(d);
  for (int i = 0; i < 6; ++i) guid.Data4[2 + i] = static_cast<BYTE>(e >> (8 * (5 - i)));
  *clsid = guid;
  return S_OK;
}

int StringFromGUID2(REFGUID guid, LPWSTR buffer, int size) {
  if (buffer == nullptr || size < kGuidTextLength + 1) return 0;
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  int at = 0;
  auto put = [&](std::uint64_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) buffer[at++] = kDigits[(value >> (4 * i)) & 0xF];
  };
  buffer[at++] = u'{';
  put(guid.Data1, 8);
  buffer[at++] = u'-';
  put(guid.Data2, 4);
  buffer[at++] = u'-';
  put(guid.Data3, 4);
  buffer[at++] = u'-';
  put(guid.Data4[0], 2);
  put(guid.Data4[1], 2);
  buffer[at++] = u'-';
  for (int i = 2; i < 8; ++i) put(guid.Data4[i], 2);
  buffer[at++] = u'}';
  buffer[at++] = 0;
  return at;
}

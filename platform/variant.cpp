#include "platform/variant.h"

#include <openssl/crypto.h>

#include <cstdlib>
#include <cstring>

namespace {

// The length in bytes sits in the 4 bytes before the characters.
constexpr std::size_t kPrefix = sizeof(std::uint32_t);

std::uint32_t* Header(BSTR text) {
  return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(text) - kPrefix);
}

}  // namespace

BSTR SysAllocStringLen(LPCWSTR text, UINT length) {
  if (length > 0x3FFFFFF0u) return nullptr;
  const std::size_t bytes = std::size_t(length) * sizeof(WCHAR);
  char* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(WCHAR)));
  if (block == nullptr) return nullptr;
  const std::uint32_t size = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &size, kPrefix);
  BSTR result = reinterpret_cast<BSTR>(block + kPrefix);
  if (text != nullptr) {
    std::memcpy(result, text, bytes);
  } else {
    std::memset(result, 0, bytes);
  }
  result[length] = 0;
  return result;
}

BSTR SysAllocString(LPCWSTR text) {
  if (text == nullptr) return nullptr;
  UINT length = 0;
  while (text[length] != 0) ++length;
  return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
  if (text == nullptr) return;
  std::uint32_t* header = Header(text);
  OPENSSL_cleanse(header, kPrefix + *header + sizeof(WCHAR));
  std::free(header);
}

UINT SysStringLen(BSTR text) {
  return text == nullptr ? 0 : *Header(text) / sizeof(WCHAR);
}

void VariantInit(VARIANT* value) {
  if (value == nullptr) return;
  std::memset(value, 0, sizeof *value);
  value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value) {
  if (value == nullptr) return E_INVALIDARG;
  if (value->vt == VT_BSTR) {
    SysFreeString(value->bstrVal);
  } else if (value->vt == VT_DISPATCH && value->pdispVal != nullptr) {
    value->pdispVal->Release();
  }
  VariantInit(value);
  return S_OK;
}

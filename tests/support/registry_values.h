// Registry values as raw bytes, for tests that check or plant exactly what
// is stored.
#pragma once

#include <initializer_list>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/windef.h"

namespace testing_support {

using Bytes = std::vector<BYTE>;

// The bytes of a value (and its type into *type), or nothing when the key
// or the value is missing.
std::optional<Bytes> RegBytes(HKEY root, const char16_t* path, const char16_t* name,
                              DWORD* type = nullptr);
// Creates the key as needed and stores the value (a null name: only the
// key); a failure fails the test.
void SetRegBytes(HKEY root, const char16_t* path, const char16_t* name, DWORD type,
                 const Bytes& bytes);
void SetRegDword(HKEY root, const char16_t* path, const char16_t* name, DWORD value);

// UTF-16LE code units, with the terminating zero unless told otherwise.
Bytes Utf16Bytes(std::u16string_view text, bool withTerminator = true);
Bytes DwordBytes(DWORD value);  // little-endian, as REG_DWORD holds it

// The system's 768-byte owner record with each text at its byte offset
// (the name at 0, the company at 72, ...), cut or padded to `size`.
Bytes OwnerRecord(std::initializer_list<std::pair<std::size_t, std::u16string_view>> fields,
                  std::size_t size = 768);

// A false-logon delay record ("PwDelay", "LRU0") as the module writes it.
Bytes DelayRecordBytes(DWORD time, DWORD count, DWORD pending);

}  // namespace testing_support

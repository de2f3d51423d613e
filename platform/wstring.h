// UTF-16 text helpers. The module works in UTF-16 only; UTF-8 conversion is
// for the host and the logs.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "platform/windef.h"

std::size_t wcslen16(LPCWSTR text);
// wsprintf-style formatting into a buffer of `capacity` characters
// (terminator included; truncates). Supports %d %i %u %x %X %s (UTF-16
// string) %c %% with optional width and '0' padding. Returns characters
// written without the terminator.
int wsprintf(LPWSTR buffer, std::size_t capacity, LPCWSTR format, ...);
int wvsprintf(LPWSTR buffer, std::size_t capacity, LPCWSTR format, va_list args);

namespace platform {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// Case folding for names (registry keys, values, kernel objects): simple
// per-character folding of ASCII and Latin-1 letters.
std::u16string FoldCase(std::u16string_view text);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace platform

// Files of the device's file system, by device path ("\Windows\x.wav").
#pragma once

#include <cstdio>

#include "platform/errors.h"
#include "platform/windef.h"

// Opens a device file with a C stdio mode (u"rb", ...); null with the last
// error set when it can't be opened.
std::FILE* _wfopen(LPCWSTR path, LPCWSTR mode);

inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_NORMAL, or
// INVALID_FILE_ATTRIBUTES with ERROR_FILE_NOT_FOUND.
DWORD GetFileAttributes(LPCWSTR path);

// Module resources. A module publishes its resources through one exported
// C function, `ModuleResources`, that returns a ResourceDirectory; the
// platform finds it through the module handle, so LoadString(module, ...)
// reads the string table of that module.
#pragma once

#include "platform/windef.h"

struct StringResource {
  UINT id;
  LPCWSTR text;
};

struct ResourceDirectory {
  const StringResource* strings;  // sorted by id
  std::size_t stringCount;
};

using ModuleResourcesProc = const ResourceDirectory* (*)();
inline constexpr const char* kModuleResourcesExport = "ModuleResources";

// Copies string `id` of `module` into `buffer` (capacity `bufferLength`
// characters, terminator included, truncating). Returns the number of
// characters copied without the terminator; 0 when the string does not
// exist (last error ERROR_RESOURCE_NAME_NOT_FOUND-like: ERROR_FILE_NOT_FOUND).
// With bufferLength 0, stores a read-only pointer to the text in *buffer
// (cast to LPWSTR*) and returns its length.
int LoadString(HINSTANCE module, UINT id, LPWSTR buffer, int bufferLength);

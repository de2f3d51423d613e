// Dialog templates, bitmaps and icons of a module. Like the string table,
// they are published through the module's exported `ModuleResources`
// directory; each table is sorted by id, so a lookup is a binary search.
#include <algorithm>

#include "platform/errors.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/resources.h"

namespace {

// The directory of `module` (the program itself for null), or null with the
// last error set. A successful lookup leaves the caller's last error alone.
const ResourceDirectory* DirectoryOf(HINSTANCE module) {
  const DWORD previousError = GetLastError();
  HMODULE handle = module != nullptr ? module : GetModuleHandle(nullptr);
  if (handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto proc = reinterpret_cast<ModuleResourcesProc>(GetProcAddress(handle, kModuleResourcesExport));
  if (proc == nullptr) {
    // A module without resources simply has none of the one asked for; a
    // bad handle keeps the error GetProcAddress gave.
    if (GetLastError() != ERROR_INVALID_HANDLE) SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  SetLastError(previousError);
  return proc();
}

template <typename Entry>
const Entry* FindById(const Entry* table, std::size_t count, UINT id) {
  if (table == nullptr) return nullptr;
  const Entry* end = table + count;
  const Entry* found =
      std::lower_bound(table, end, id, [](const Entry& entry, UINT key) { return entry.id < key; });
  return found != end && found->id == id ? found : nullptr;
}

template <typename Entry>
const Entry* Lookup(HINSTANCE module, UINT id, const Entry* ResourceDirectory::*table,
                    std::size_t ResourceDirectory::*count) {
  const ResourceDirectory* directory = DirectoryOf(module);
  if (directory == nullptr) return nullptr;
  const Entry* found = FindById(directory->*table, directory->*count, id);
  if (found == nullptr) SetLastError(ERROR_FILE_NOT_FOUND);
  return found;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(HINSTANCE module, UINT id) {
  return Lookup(module, id, &ResourceDirectory::dialogs, &ResourceDirectory::dialogCount);
}

const BitmapResource* FindBitmapResource(HINSTANCE module, UINT id) {
  return Lookup(module, id, &ResourceDirectory::bitmaps, &ResourceDirectory::bitmapCount);
}

const IconResource* FindIconResource(HINSTANCE module, UINT id) {
  return Lookup(module, id, &ResourceDirectory::icons, &ResourceDirectory::iconCount);
}

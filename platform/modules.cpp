// Module loading: device paths are mapped into the device's fs/ folder and
// the file is loaded with dlopen. Each file is loaded once and counted; an
// HMODULE points at our record, never at the dlopen handle.
#include "platform/modules.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/resources.h"
#include "platform/wstring.h"

namespace {

struct Module {
  std::filesystem::path file;  // canonical host path; empty for the program
  void* library = nullptr;     // dlopen handle
  const link_map* map = nullptr;
  unsigned references = 0;
  // Looked-up exports, found or not: finding the owner of a symbol scans the
  // library's symbol table, and resources are looked up on every string.
  std::map<std::string, void*, std::less<>> exports;
};

struct Loader {
  // Recursive: a library's constructors and destructors may load or free
  // other modules while we hold the lock.
  std::recursive_mutex lock;
  std::map<std::filesystem::path, std::unique_ptr<Module>> loaded;
  std::unique_ptr<Module> program;
  // A lock of their own: an observer may be added while another thread
  // holds the loader lock (from inside a library's constructor).
  std::mutex observersLock;
  std::vector<std::function<void(const void*)>> unloadObservers;
};

Loader& Get() {
  static Loader loader;
  return loader;
}

const link_map* MapOf(void* library) {
  link_map* map = nullptr;
  return ::dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 ? map : nullptr;
}

Module* ProgramModule(Loader& loader) {
  if (!loader.program) {
    auto program = std::make_unique<Module>();
    program->library = ::dlopen(nullptr, RTLD_NOW);
    program->map = program->library ? MapOf(program->library) : nullptr;
    program->references = 1;
    loader.program = std::move(program);
  }
  return loader.program.get();
}

// The record behind a handle, or null for a handle we never gave out (or one
// already freed). Called with the loader lock held.
Module* Find(Loader& loader, HMODULE handle) {
  auto* candidate = reinterpret_cast<Module*>(handle);
  if (candidate == nullptr) return nullptr;
  if (loader.program.get() == candidate) return candidate;
  for (const auto& [file, module] : loader.loaded) {
    if (module.get() == candidate) return candidate;
  }
  return nullptr;
}

// "x.dll" is "\Windows\x.dll"; anything with a '\' is a device path.
std::filesystem::path HostPathOf(std::u16string_view name) {
  std::u16string devicePath(name);
  if (devicePath.find(u'\\') == std::u16string::npos) {
    devicePath = u"\\Windows\\" + devicePath;
  }
  return platform::device::MapPath(devicePath);
}

// The canonical host path of an existing module file, or empty.
std::filesystem::path ExistingFile(std::u16string_view name) {
  if (name.empty() || !platform::device::IsOpen()) return {};
  const std::filesystem::path path = HostPathOf(name);
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return {};
  std::filesystem::path canonical = std::filesystem::canonical(path, ec);
  return ec ? std::filesystem::path() : canonical;
}

bool LooksLikeElf(const std::filesystem::path& file) {
  char magic[4] = {};
  std::ifstream in(file, std::ios::binary);
  in.read(magic, sizeof magic);
  return in.gcount() == 4 && std::memcmp(magic,
                                         "\x7f"
                                         "ELF",
                                         4) == 0;
}

// An export of the module itself, not of a library it depends on (which
// dlsym would also search), as the handheld's export tables work.
void* OwnSymbol(Module& module, const char* name) {
  if (auto known = module.exports.find(std::string_view(name)); known != module.exports.end())
    return known->second;
  ::dlerror();
  void* symbol = ::dlsym(module.library, name);
  Dl_info info;
  link_map* where = nullptr;
  if (symbol != nullptr &&
      (::dladdr1(symbol, &info, reinterpret_cast<void**>(&where), RTLD_DL_LINKMAP) == 0 ||
       where != module.map)) {
    symbol = nullptr;
  }
  module.exports.emplace(name, symbol);
  return symbol;
}

}  // namespace

HMODULE LoadLibrary(LPCWSTR fileName) {
  if (platform::faults::CheckAndSetLastError("LoadLibrary")) return nullptr;
  if (fileName == nullptr || *fileName == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::filesystem::path file = ExistingFile(fileName);
  if (file.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  Loader& loader = Get();
  std::lock_guard guard(loader.lock);
  auto it = loader.loaded.find(file);
  if (it != loader.loaded.end()) {
    ++it->second->references;
    return reinterpret_cast<HMODULE>(it->second.get());
  }
  ::dlerror();
  void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    // A file that isn't a library at all is an ordinary bad format; a
    // library that fails to link is worth telling the developer about.
    if (LooksLikeElf(file)) {
      const char* reason = ::dlerror();
      std::fprintf(stderr, "LoadLibrary %s: %s\n", file.c_str(), reason ? reason : "?");
    }
    SetLastError(ERROR_BAD_FORMAT);
    return nullptr;
  }
  auto module = std::make_unique<Module>();
  module->file = file;
  module->library = library;
  module->map = MapOf(library);
  module->references = 1;
  Module* record = module.get();
  loader.loaded.emplace(file, std::move(module));
  return reinterpret_cast<HMODULE>(record);
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
  if (platform::faults::CheckAndSetLastError("GetProcAddress")) return nullptr;
  Loader& loader = Get();
  std::lock_guard guard(loader.lock);
  Module* record = Find(loader, module);
  if (record == nullptr || record->library == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (procName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* symbol = OwnSymbol(*record, procName);
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  if (platform::faults::CheckAndSetLastError("FreeLibrary")) return FALSE;
  Loader& loader = Get();
  std::lock_guard guard(loader.lock);
  Module* record = Find(loader, module);
  if (record == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (record == loader.program.get()) return TRUE;  // the program stays
  if (--record->references > 0) return TRUE;
  auto node = loader.loaded.extract(record->file);
  // Unload after the record is gone, so destructors that call back in see
  // a consistent table.
  void* library = node.mapped()->library;
  const link_map* map = node.mapped()->map;
  node = {};
  ::dlclose(library);
  std::vector<std::function<void(const void*)>> observers;
  {
    std::lock_guard observersGuard(loader.observersLock);
    observers = loader.unloadObservers;
  }
  for (const auto& observer : observers) observer(map);
  return TRUE;
}

HMODULE GetModuleHandle(LPCWSTR moduleName) {
  Loader& loader = Get();
  std::lock_guard guard(loader.lock);
  if (moduleName == nullptr) return reinterpret_cast<HMODULE>(ProgramModule(loader));
  const std::filesystem::path file = ExistingFile(moduleName);
  auto it = file.empty() ? loader.loaded.end() : loader.loaded.find(file);
  if (it == loader.loaded.end()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HMODULE>(it->second.get());
}

int LoadString(HINSTANCE module, UINT id, LPWSTR buffer, int bufferLength) {
  if (platform::faults::CheckAndSetLastError("LoadString")) return 0;
  if (buffer == nullptr || bufferLength < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const ResourceDirectory* directory = nullptr;
  {
    Loader& loader = Get();
    std::lock_guard guard(loader.lock);
    // As on the handheld, a null instance means the program itself.
    Module* record = module == nullptr ? ProgramModule(loader) : Find(loader, module);
    if (record == nullptr || record->library == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    auto proc = reinterpret_cast<ModuleResourcesProc>(OwnSymbol(*record, kModuleResourcesExport));
    if (proc != nullptr) directory = proc();
  }
  const StringResource* end = nullptr;
  const StringResource* found = nullptr;
  if (directory != nullptr && directory->strings != nullptr) {
    end = directory->strings + directory->stringCount;
    found = std::lower_bound(directory->strings, end, id,
                             [](const StringResource& entry, UINT key) { return entry.id < key; });
  }
  if (found == nullptr || found == end || found->id != id || found->text == nullptr) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const std::size_t length = wcslen16(found->text);
  if (bufferLength == 0) {
    *reinterpret_cast<LPCWSTR*>(buffer) = found->text;
    return static_cast<int>(length);
  }
  const std::size_t copied = std::min(length, static_cast<std::size_t>(bufferLength) - 1);
  std::copy_n(found->text, copied, buffer);
  buffer[copied] = 0;
  return static_cast<int>(copied);
}

namespace platform::modules {

void OnUnload(std::function<void(const void* linkMap)> observer) {
  Loader& loader = Get();
  std::lock_guard guard(loader.observersLock);
  loader.unloadObservers.push_back(std::move(observer));
}

}  // namespace platform::modules

#include "platform/com.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/kernel.h"
#include "platform/modules.h"

namespace {

thread_local unsigned t_initCount = 0;

using CanUnloadNowProc = HRESULT (*)();

struct Runtime {
  std::mutex lock;
  // One entry per reference the runtime holds; a library loaded twice for
  // components is listed twice and needs two "yes" answers to go.
  std::vector<HMODULE> libraries;
};

Runtime& Get() {
  static Runtime runtime;
  return runtime;
}

}  // namespace

HRESULT CoInitializeEx(void*, DWORD) {
  return t_initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (t_initCount > 0) --t_initCount;
}

void CoFreeUnusedLibraries() {
  // Housekeeping must not disturb the caller's last error.
  const DWORD lastError = GetLastError();
  std::vector<HMODULE> candidates;
  {
    Runtime& runtime = Get();
    std::lock_guard guard(runtime.lock);
    candidates = runtime.libraries;
  }
  for (HMODULE library : candidates) {
    auto canUnload = reinterpret_cast<CanUnloadNowProc>(GetProcAddress(library, "DllCanUnloadNow"));
    if (canUnload == nullptr || canUnload() != S_OK) continue;
    {
      Runtime& runtime = Get();
      std::lock_guard guard(runtime.lock);
      auto it = std::find(runtime.libraries.begin(), runtime.libraries.end(), library);
      if (it == runtime.libraries.end()) continue;
      runtime.libraries.erase(it);
    }
    FreeLibrary(library);
  }
  SetLastError(lastError);
}

namespace platform::com {

HMODULE LoadComponentLibrary(LPCWSTR fileName) {
  HMODULE library = LoadLibrary(fileName);
  if (library == nullptr) return nullptr;
  Runtime& runtime = Get();
  std::lock_guard guard(runtime.lock);
  runtime.libraries.push_back(library);
  return library;
}

unsigned InitCount() {
  return t_initCount;
}

}  // namespace platform::com

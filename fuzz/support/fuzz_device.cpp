#include "fuzz/support/fuzz_device.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/device.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/registry.h"

namespace fuzz {
namespace {

std::filesystem::path g_folder;

void RemoveDevice() {
  platform::device::Close();
  std::error_code ec;
  if (!g_folder.empty()) std::filesystem::remove_all(g_folder.parent_path(), ec);
}

// The key's subkeys and values go first; the key itself last.
bool DeleteTree(HKEY parent, const std::u16string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return true;
  bool ok = true;
  for (;;) {
    WCHAR name[REG_MAX_NAME + 1] = {};
    DWORD length = REG_MAX_NAME + 1;
    if (RegEnumKeyEx(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (!DeleteTree(key, std::u16string(name, length))) {
      ok = false;
      break;
    }
  }
  RegCloseKey(key);
  return ok && RegDeleteKey(parent, path.c_str()) == ERROR_SUCCESS;
}

constexpr std::string_view kFolderPrefix = "veyr-fuzz-";

// A fuzzer that stops on a finding or is killed never runs its exit
// cleanup, so each start removes the folders of processes that are gone.
// A folder's name carries its process id: veyr-fuzz-<pid>-<random>.
void RemoveFoldersOfEndedProcesses(const std::filesystem::path& base) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(kFolderPrefix)) continue;
    const std::string rest = name.substr(kFolderPrefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || rest.find_first_not_of("0123456789") != dash)
      continue;
    if (std::filesystem::exists("/proc/" + rest.substr(0, dash), ec)) continue;
    std::filesystem::remove_all(entry.path(), ec);
  }
}

}  // namespace

void Broken(const char* what) {
  std::fprintf(stderr, "fuzz: broken promise: %s\n", what);
  std::abort();
}

void OpenDevice() {
  if (platform::device::IsOpen()) return;
  const char* shm = "/dev/shm";
  const std::filesystem::path base = std::filesystem::is_directory(shm)
                                         ? std::filesystem::path(shm)
                                         : std::filesystem::temp_directory_path();
  RemoveFoldersOfEndedProcesses(base);
  std::string pattern =
      (base / (std::string(kFolderPrefix) + std::to_string(getpid()) + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) Broken("no temporary folder for the device");
  g_folder = std::filesystem::path(pattern) / "device";
  std::string error;
  if (!platform::device::Open(g_folder, &error)) {
    std::fprintf(stderr, "fuzz: device: %s\n", error.c_str());
    std::abort();
  }
  std::atexit(RemoveDevice);
  platform::clock::UseVirtual(1000);
  platform::message_box::SetAnswer(IDOK);
}

void DeleteKey(HKEY root, LPCWSTR path) {
  if (!DeleteTree(root, path)) Broken("a registry key can't be deleted");
}

bool SetValue(HKEY root, LPCWSTR path, LPCWSTR name, DWORD type, std::string_view bytes) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyEx(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                     &disposition) != ERROR_SUCCESS)
    return false;
  const LONG result = RegSetValueEx(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

}  // namespace fuzz

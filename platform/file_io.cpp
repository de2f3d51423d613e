#include "platform/file_io.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/wstring.h"

namespace {

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
      return ERROR_DISK_FULL;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

}  // namespace

std::FILE* _wfopen(LPCWSTR path, LPCWSTR mode) {
  if (platform::faults::CheckAndSetLastError("_wfopen")) return nullptr;
  if (path == nullptr || mode == nullptr || *path == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::filesystem::path file = platform::device::MapPath(path);
  if (file.empty()) {
    SetLastError(ERROR_NOT_READY);
    return nullptr;
  }
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  const bool existed = std::filesystem::exists(file, ec);
  std::FILE* stream = std::fopen(file.c_str(), platform::ToUtf8(mode).c_str());
  if (stream == nullptr) {
    SetLastError(ErrorFromErrno(errno));
    return nullptr;
  }
  // A file the device makes is its owner's alone, like the rest of the
  // device folder.
  if (!existed) ::fchmod(::fileno(stream), 0600);
  return stream;
}

DWORD GetFileAttributes(LPCWSTR path) {
  if (path == nullptr || *path == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  const std::filesystem::path file = platform::device::MapPath(path);
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  if (file.empty() || ec || !std::filesystem::exists(status)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return std::filesystem::is_directory(status) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

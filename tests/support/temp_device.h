// A throw-away device folder for one test: created under the temp folder,
// opened as the process's device, with the built system files installed,
// and removed again afterwards.
#pragma once

#include <filesystem>

namespace testing_support {

class TempDevice {
 public:
  explicit TempDevice(bool installRomFiles = true);
  ~TempDevice();
  TempDevice(const TempDevice&) = delete;
  TempDevice& operator=(const TempDevice&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  // Closes and opens the device again, as a new boot would.
  void Reopen();

 private:
  std::filesystem::path folder_;
};

// Folder holding the built system files (pda, coredll.dll, ...).
std::filesystem::path BinDir();

}  // namespace testing_support

// A throw-away device folder for one test: created under the temp folder,
// opened as the process's device, with the built system files installed,
// and removed again afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

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

// Copies a built test fixture (tests/fixtures) to a path of the open
// device, making folders as needed; returns the host path.
std::filesystem::path InstallFixture(const char* fixture, std::u16string_view devicePath);

// A whole file as bytes (empty when it can't be read), and a file written
// with exactly `bytes`.
std::string ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace testing_support

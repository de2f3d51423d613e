#include "tests/support/temp_device.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/device.h"
#include "platform/faults.h"

namespace testing_support {

std::filesystem::path BinDir() {
  return VEYR_BIN_DIR;
}

TempDevice::TempDevice(bool installRomFiles) {
  std::string pattern = (std::filesystem::temp_directory_path() / "veyr-device-XXXXXX").string();
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
  folder_ = pattern;
  // mkdtemp made the folder; the device is created inside it so that
  // device creation runs as on a fresh machine.
  folder_ /= "device";
  platform::faults::Clear();
  std::string error;
  if (!platform::device::Open(folder_, &error)) ADD_FAILURE() << "device open: " << error;
  if (installRomFiles) platform::device::InstallRomFiles(BinDir());
}

TempDevice::~TempDevice() {
  platform::faults::Clear();
  platform::device::Close();
  std::error_code ec;
  std::filesystem::remove_all(folder_.parent_path(), ec);
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempDevice::Reopen() {
  platform::device::Close();
  std::string error;
  if (!platform::device::Open(folder_, &error)) ADD_FAILURE() << "device reopen: " << error;
}

}  // namespace testing_support

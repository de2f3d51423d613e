// Common set-up of the module-level tests: a temp device, the module's own
// resources, default settings, empty secrets, no recorded boxes.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/windef.h"
#include "tests/support/temp_device.h"

namespace testing_support {

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Raw bytes of a registry value, or nothing when it is missing.
  static std::optional<std::vector<BYTE>> RegBytes(HKEY root, const char16_t* path,
                                                   const char16_t* name);
  static void SetRegBytes(HKEY root, const char16_t* path, const char16_t* name, DWORD type,
                          const std::vector<BYTE>& bytes);
  static void SetRegDword(HKEY root, const char16_t* path, const char16_t* name, DWORD value);
  static std::vector<BYTE> Utf16Bytes(std::u16string_view text, bool withTerminator = true);

  std::optional<TempDevice> device_;
};

}  // namespace testing_support

// Common set-up of the module-level tests: a temp device, the module's own
// resources, default settings, empty secrets, no recorded boxes.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/windef.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace testing_support {

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The registry_values.h helpers, in reach of the tests' own members.
  static std::optional<Bytes> RegBytes(HKEY root, const char16_t* path, const char16_t* name) {
    return testing_support::RegBytes(root, path, name);
  }
  static void SetRegBytes(HKEY root, const char16_t* path, const char16_t* name, DWORD type,
                          const Bytes& bytes) {
    testing_support::SetRegBytes(root, path, name, type, bytes);
  }
  static void SetRegDword(HKEY root, const char16_t* path, const char16_t* name, DWORD value) {
    testing_support::SetRegDword(root, path, name, value);
  }
  static Bytes Utf16Bytes(std::u16string_view text, bool withTerminator = true) {
    return testing_support::Utf16Bytes(text, withTerminator);
  }

  std::optional<TempDevice> device_;
};

}  // namespace testing_support

// Apart from temp_device.cpp, which the benchmarks build too: only the test
// programs know where the fixtures are.
#include <gtest/gtest.h>

#include "platform/device.h"
#include "tests/support/temp_device.h"

namespace testing_support {

std::filesystem::path InstallFixture(const char* fixture, std::u16string_view devicePath) {
  const std::filesystem::path target = platform::device::MapPath(devicePath);
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  std::filesystem::copy_file(std::filesystem::path(VEYR_FIXTURE_DIR) / fixture, target,
                             std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) ADD_FAILURE() << "installing " << fixture << ": " << ec.message();
  return target;
}

}  // namespace testing_support

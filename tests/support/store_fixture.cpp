#include "tests/support/store_fixture.h"

#include "platform/faults.h"
#include "platform/message_box.h"
#include "platform/modules.h"
#include "res/resource_module.h"
#include "store/credential_set.h"
#include "store/settings_record.h"

namespace testing_support {

void StoreTest::SetUp() {
  device_.emplace();
  g_hResourceModule = GetModuleHandle(nullptr);
  g_Settings = SettingsRecord{};
  WipeAllSecrets();
  platform::message_box::ClearRecorded();
}

void StoreTest::TearDown() {
  platform::faults::Clear();
  WipeAllSecrets();
  g_Settings = SettingsRecord{};
  device_.reset();
}

}  // namespace testing_support

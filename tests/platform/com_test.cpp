// The component runtime: per-thread initialisation and freeing unused
// component libraries.
#include "platform/com.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/device.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "tests/support/temp_device.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDevice;

TEST(ComRuntime, FreeUnusedLibrariesUnloadsThoseThatAgree) {
  TempDevice device(false);
  testing_support::InstallFixture("fixture_signature.ocx", u"\\Windows\\Panel.ocx");
  testing_support::InstallFixture("fixture_module.dll", u"\\Windows\\Busy.dll");
  testing_support::InstallFixture("fixture_noentry.ocx", u"\\Windows\\NoEntry.ocx");
  HMODULE idle = platform::com::LoadComponentLibrary(u"Panel.ocx");
  HMODULE busy = platform::com::LoadComponentLibrary(u"Busy.dll");
  HMODULE silent = platform::com::LoadComponentLibrary(u"NoEntry.ocx");
  ASSERT_NE(idle, nullptr);
  ASSERT_NE(busy, nullptr);
  ASSERT_NE(silent, nullptr);
  // The caller's own reference survives the runtime's.
  HMODULE held = LoadLibrary(u"Panel.ocx");
  EXPECT_EQ(held, idle);

  SetLastError(ERROR_ACCESS_DENIED);
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetModuleHandle(u"Panel.ocx"), idle);
  EXPECT_EQ(GetModuleHandle(u"Busy.dll"), busy);  // DllCanUnloadNow says S_FALSE
  EXPECT_EQ(GetModuleHandle(u"NoEntry.ocx"), silent);

  FreeLibrary(held);
  EXPECT_EQ(GetModuleHandle(u"Panel.ocx"), nullptr);
  CoFreeUnusedLibraries();  // nothing left to drop for it
  EXPECT_EQ(GetModuleHandle(u"Busy.dll"), busy);

  // Without another reference, the runtime's was the last.
  ASSERT_NE(platform::com::LoadComponentLibrary(u"Panel.ocx"), nullptr);
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetModuleHandle(u"Panel.ocx"), nullptr);
}

}  // namespace

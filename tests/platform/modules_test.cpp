// Loading modules from the device's file system, their entries and their
// string tables.
#include "platform/modules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/device.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/resources.h"
#include "tests/support/temp_device.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDevice;

using AnswerProc = int (*)();

fs::path Install(const char* fixture, std::u16string_view devicePath) {
  return fs::canonical(testing_support::InstallFixture(fixture, devicePath));
}

// Whether the file is mapped into this process, i.e. really loaded.
bool IsMapped(const fs::path& file) {
  return testing_support::ReadFile("/proc/self/maps").find(file.string()) != std::string::npos;
}

class Modules : public ::testing::Test {
 protected:
  TempDevice device_{false};
};

TEST_F(Modules, BareNamesAndDevicePathsFindTheSameModuleUntilItsLastFree) {
  const fs::path file = Install("fixture_module.dll", u"\\Windows\\Fixture.dll");
  EXPECT_EQ(GetModuleHandle(u"fixture.dll"), nullptr);
  HMODULE byName = LoadLibrary(u"fixture.DLL");
  ASSERT_NE(byName, nullptr);
  EXPECT_TRUE(IsMapped(file));
  EXPECT_EQ(LoadLibrary(u"\\WINDOWS\\FIXTURE.dll"), byName);
  EXPECT_EQ(GetModuleHandle(u"\\windows\\fixture.dll"), byName);
  auto answer = reinterpret_cast<AnswerProc>(GetProcAddress(byName, "FixtureAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  // Each load needs its free; the last one unloads.
  EXPECT_TRUE(FreeLibrary(byName));
  EXPECT_EQ(GetModuleHandle(u"fixture.dll"), byName);
  EXPECT_TRUE(IsMapped(file));
  EXPECT_TRUE(FreeLibrary(byName));
  EXPECT_EQ(GetModuleHandle(u"fixture.dll"), nullptr);
  EXPECT_FALSE(IsMapped(file));
  // The freed handle is no longer accepted anywhere.
  SetLastError(0);
  EXPECT_FALSE(FreeLibrary(byName));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetProcAddress(byName, "FixtureAnswer"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  // A bare name means \Windows\ only; elsewhere the full path is needed.
  Install("fixture_module.dll", u"\\Program Files\\Tools\\Other.dll");
  SetLastError(0);
  EXPECT_EQ(LoadLibrary(u"Other.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  HMODULE other = LoadLibrary(u"\\program files\\tools\\other.DLL");
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(GetModuleHandle(u"Other.dll"), nullptr);
  FreeLibrary(other);
}

TEST_F(Modules, LoadFailuresTellWhy) {
  SetLastError(0);
  EXPECT_EQ(LoadLibrary(u"missing.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(LoadLibrary(u"\\Nowhere\\missing.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  fs::create_directories(platform::device::MapPath(u"\\Windows\\folder.dll"));
  EXPECT_EQ(LoadLibrary(u"folder.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

  Install("not_a_library.dll", u"\\Windows\\not_a_library.dll");
  SetLastError(0);
  EXPECT_EQ(LoadLibrary(u"not_a_library.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
  EXPECT_EQ(GetModuleHandle(u"not_a_library.dll"), nullptr);
}

TEST_F(Modules, OnlyTheModulesOwnEntriesAreFound) {
  Install("fixture_noentry.ocx", u"\\Windows\\NoEntry.ocx");
  HMODULE module = LoadLibrary(u"NoEntry.ocx");
  ASSERT_NE(module, nullptr);
  EXPECT_NE(GetProcAddress(module, "FixtureNoEntry"), nullptr);
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, "DllRegisterServer"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  // The platform library is a dependency, not part of the module.
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, "GetLastError"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  FreeLibrary(module);
}

TEST_F(Modules, LoadStringCopiesTruncatesAndPoints) {
  Install("fixture_module.dll", u"\\Windows\\fixture_module.dll");
  HMODULE module = LoadLibrary(u"fixture_module.dll");
  ASSERT_NE(module, nullptr);
  WCHAR text[32];
  EXPECT_EQ(LoadString(module, 1, text, 32), 3);
  EXPECT_EQ(std::u16string(text), u"One");
  EXPECT_EQ(LoadString(module, 2, text, 32), 10);
  EXPECT_EQ(std::u16string(text), u"Two\r\nLines");
  EXPECT_EQ(LoadString(module, 2, text, 4), 3);
  EXPECT_EQ(std::u16string(text), u"Two");
  text[0] = u'?';
  EXPECT_EQ(LoadString(module, 1, text, 1), 0);
  EXPECT_EQ(text[0], 0);

  LPCWSTR pointer = nullptr;
  EXPECT_EQ(LoadString(module, 2, reinterpret_cast<LPWSTR>(&pointer), 0), 10);
  EXPECT_EQ(std::u16string(pointer, 10), u"Two\r\nLines");

  for (UINT missing : {0u, 3u, 650u}) {  // 650 is the program's, not the module's
    SetLastError(0);
    EXPECT_EQ(LoadString(module, missing, text, 32), 0) << missing;
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << missing;
  }
  FreeLibrary(module);
}

TEST_F(Modules, InjectedFaults) {
  platform::faults::Scope faults;
  Install("fixture_module.dll", u"\\Windows\\fixture_module.dll");
  HMODULE module = LoadLibrary(u"fixture_module.dll");
  ASSERT_NE(module, nullptr);

  platform::faults::Fail("GetProcAddress", ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetProcAddress(module, "FixtureAnswer"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_NE(GetProcAddress(module, "FixtureAnswer"), nullptr);

  // A failed free keeps the reference.
  platform::faults::Fail("FreeLibrary", ERROR_BUSY);
  EXPECT_FALSE(FreeLibrary(module));
  EXPECT_EQ(GetLastError(), ERROR_BUSY);
  EXPECT_EQ(GetModuleHandle(u"fixture_module.dll"), module);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandle(u"fixture_module.dll"), nullptr);
}

}  // namespace

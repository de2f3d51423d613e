// The resource-module swap of the entry points: on every way out of the
// scope, an exception included, both resource handles come back and the
// library is released.
#include "platform/ui/afx/resource_module_scope.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/modules.h"
#include "platform/ui/afx/afx_module_state.h"
#include "tests/support/temp_device.h"

namespace {

constexpr const WCHAR* kLibrary = u"\\Windows\\Resources.dll";

class ResourceModuleScopeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::InstallFixture("fixture_module.dll", kLibrary);
    AfxSetResourceHandle(own_);
  }

  testing_support::TempDevice device_{false};
  const HINSTANCE own_ = GetModuleHandle(nullptr);
  HINSTANCE handle_ = own_;
};

TEST_F(ResourceModuleScopeTest, SwapsBothHandlesAndRestoresThemWhenAnExceptionUnwinds) {
  HMODULE loaded = nullptr;
  try {
    const CResourceModuleScope scope(kLibrary, &handle_);
    ASSERT_TRUE(scope.IsLoaded());
    loaded = GetModuleHandle(kLibrary);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(handle_, loaded);
    EXPECT_EQ(AfxGetResourceHandle(), loaded);
    throw std::runtime_error("reboot");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(handle_, own_);
  EXPECT_EQ(AfxGetResourceHandle(), own_);
  EXPECT_EQ(GetModuleHandle(kLibrary), nullptr) << "the library is released";
}

TEST_F(ResourceModuleScopeTest, NestedScopesRestoreInTurnAndAMissingLibraryChangesNothing) {
  {
    const CResourceModuleScope outer(kLibrary, &handle_);
    const HINSTANCE loaded = handle_;
    {
      const CResourceModuleScope missing(u"\\Windows\\Missing.dll", &handle_);
      EXPECT_FALSE(missing.IsLoaded());
      EXPECT_EQ(handle_, loaded);
      EXPECT_EQ(AfxGetResourceHandle(), loaded);
    }
    {
      // The same library again: its own reference, so the outer one stays.
      const CResourceModuleScope inner(kLibrary, &handle_);
      EXPECT_EQ(handle_, loaded);
    }
    EXPECT_EQ(handle_, loaded);
    EXPECT_EQ(GetModuleHandle(kLibrary), loaded);
  }
  EXPECT_EQ(handle_, own_);
  EXPECT_EQ(AfxGetResourceHandle(), own_);
  EXPECT_EQ(GetModuleHandle(kLibrary), nullptr);
}

}  // namespace

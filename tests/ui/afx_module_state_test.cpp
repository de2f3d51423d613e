// Module state and the application object: the current application and
// resources follow the state made current by an entry point, per module;
// message boxes carry the application's title. The entry points' swap of
// the resource module: on every way out of the scope, an exception
// included, both resource handles come back and the library is released.
#include <stdexcept>

#include "platform/message_box.h"
#include "platform/modules.h"
#include "platform/ui/afx/resource_module_scope.h"
#include "tests/support/temp_device.h"
#include "tests/ui/afx_test_support.h"

using namespace testing_support;

namespace {

struct AfxFixtureView {
  CWinApp* app;
  CWinApp* moduleApp;
  HINSTANCE instance;
  HINSTANCE resources;
  AFX_MODULE_STATE* state;
};
using EntryProc = void (*)(AfxFixtureView*);

class AfxModuleStateTest : public AfxTest {};

TEST_F(AfxModuleStateTest, ScopeSelectsApplicationAndResourcesUntilItEnds) {
  EXPECT_EQ(AfxGetApp(), &app_);
  EXPECT_EQ(AfxGetResourceHandle(), GetModuleHandle(nullptr));
  {
    AFX_MODULE_STATE other;
    CModuleStateScope scope(&other);
    EXPECT_EQ(AfxGetApp(), nullptr);
    RecordingApp otherApp(&other);
    EXPECT_EQ(AfxGetApp(), &otherApp);
    AfxSetResourceHandle(reinterpret_cast<HINSTANCE>(0x1234));
    EXPECT_EQ(AfxGetResourceHandle(), reinterpret_cast<HINSTANCE>(0x1234));
  }
  EXPECT_EQ(AfxGetApp(), &app_);
  EXPECT_EQ(AfxGetResourceHandle(), GetModuleHandle(nullptr)) << "kept per state";

  // Without any scope, the program's own state is current.
  AFX_MODULE_STATE* outer = AfxSetModuleState(nullptr);
  EXPECT_EQ(AfxGetModuleState(), AfxGetStaticModuleState());
  EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandle(nullptr));
  AfxSetModuleState(outer);
}

TEST_F(AfxModuleStateTest, EachModuleHasItsOwnApplicationAndResources) {
  TempDevice device(false);
  InstallFixture("fixture_afx_module.dll", u"\\Windows\\AfxFixture.dll");
  HMODULE module = LoadLibrary(u"AfxFixture.dll");
  ASSERT_NE(module, nullptr);
  auto entry = reinterpret_cast<EntryProc>(GetProcAddress(module, "AfxFixtureEntry"));
  ASSERT_NE(entry, nullptr);
  AfxFixtureView view{};
  entry(&view);
  EXPECT_EQ(view.app, view.moduleApp) << "the module's own application";
  EXPECT_NE(view.app, &app_);
  EXPECT_EQ(view.instance, module);
  EXPECT_EQ(view.resources, module);
  EXPECT_NE(view.state, AfxGetStaticModuleState());
  EXPECT_EQ(AfxGetApp(), &app_) << "the caller's state is back";

  {
    // Work done in the module's state takes the module's resources.
    CModuleStateScope scope(view.state);
    auto* frame = new CFrameWnd;
    ASSERT_TRUE(frame->LoadFrame(500));
    EXPECT_EQ(frame->GetWindowText(), u"Fixture Frame");
    frame->DestroyWindow();
  }
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(view.state->m_pCurrentWinApp, nullptr) << "gone with its module";
}

class ResourceModuleScopeTest : public AfxTest {
 protected:
  static constexpr const WCHAR* kLibrary = u"\\Windows\\Resources.dll";
  void SetUp() override {
    AfxTest::SetUp();
    InstallFixture("fixture_module.dll", kLibrary);
  }

  TempDevice device_{false};
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

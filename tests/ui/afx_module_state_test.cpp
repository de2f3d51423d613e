// Module state and the application object: the current application and
// resources follow the state made current by an entry point, per module;
// message boxes carry the application's title.
#include "platform/message_box.h"
#include "platform/modules.h"
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

}  // namespace

// Message maps and the objects behind window handles; frames; module
// states and resource scopes.
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/ui/afx/resource_module_scope.h"
#include "res/string_ids.h"
#include "tests/fixtures/afx_fixture_view.h"
#include "tests/support/temp_device.h"
#include "tests/ui/dialog_test_support.h"

using namespace testing_support;

namespace {

UINT g_testMessage = 0;

constexpr UINT kFirstRange = 20;
constexpr UINT kLastRange = 29;
constexpr UINT kCode = 0xFFFFF000;

class BaseWnd : public CWnd {
 public:
  std::vector<std::string> log;

 protected:
  LRESULT Note(const std::string& what, LRESULT result = 0) {
    log.push_back(what);
    return result;
  }
  void OnTimer(UINT_PTR id) { Note("timer " + std::to_string(id)); }
  LRESULT OnFirst(WPARAM, LPARAM) { return Note("base first", 11); }
  LRESULT OnSecond(WPARAM, LPARAM) { return Note("base second", 12); }
  void OnClicked() { Note("clicked"); }

  DECLARE_MESSAGE_MAP()
};

DEFINE_MESSAGE_MAP(BaseWnd, CWnd,
                   {
                       afx::On<WM_TIMER, &ThisClass::OnTimer>(),
                       afx::On<WM_USER + 1, &ThisClass::OnFirst>(),
                       afx::On<WM_USER + 2, &ThisClass::OnSecond>(),
                       afx::OnCommand<10, &ThisClass::OnClicked>(),
                   })

class DerivedWnd : public BaseWnd {
 public:
  bool failCreate = false;
  int postNcDestroyCalls = 0;
  LRESULT defaultResult = 0;

 protected:
  int OnCreate(CREATESTRUCT*) { return failCreate ? -1 : 0; }
  LRESULT OnFirst(WPARAM, LPARAM) { return Note("derived first", 21); }
  // Asks the previous procedure for its answer.
  void OnFourth() { defaultResult = Default(); }
  void OnSize(UINT, int cx, int cy) {
    log.push_back("size " + std::to_string(cx) + "x" + std::to_string(cy));
  }
  void OnActivate(UINT state, HWND other, BOOL minimized) {
    log.push_back("activate " + std::to_string(state) + (other ? " other" : " none") +
                  (minimized ? " minimized" : ""));
  }
  void OnChange() { log.push_back("change"); }
  void OnRange(UINT id) { log.push_back("range " + std::to_string(id)); }
  void OnNotified(NMHDR*, LRESULT* result) { *result = 77; }
  void OnNotifiedRange(UINT id, NMHDR*, LRESULT* result) { *result = static_cast<LRESULT>(id); }
  void OnTestMessage() { log.push_back("registered"); }
  void PostNcDestroy() override { ++postNcDestroyCalls; }

  DECLARE_MESSAGE_MAP()
};

DEFINE_MESSAGE_MAP(
    DerivedWnd, BaseWnd,
    {
        afx::On<WM_CREATE, &ThisClass::OnCreate>(),
        afx::On<WM_USER + 1, &ThisClass::OnFirst>(),
        afx::On<WM_USER + 4, &ThisClass::OnFourth>(),
        afx::On<WM_SIZE, &ThisClass::OnSize>(),
        afx::On<WM_ACTIVATE, &ThisClass::OnActivate>(),
        afx::OnControl<EN_CHANGE, 10, &ThisClass::OnChange>(),
        afx::OnControlRange<BN_CLICKED, kFirstRange, kLastRange, &ThisClass::OnRange>(),
        afx::OnNotify<kCode, 10, &ThisClass::OnNotified>(),
        afx::OnNotifyRange<kCode, kFirstRange, kLastRange, &ThisClass::OnNotifiedRange>(),
        afx::OnRegistered<&ThisClass::OnTestMessage>(&g_testMessage),
    })

// A window class of its own, so the subclassing tests see the previous
// procedure answer.
LRESULT RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 3 || message == WM_USER + 4) return 99;
  return DefWindowProc(window, message, wParam, lParam);
}

class AfxMessageMapTest : public AfxTest {
 protected:
  void SetUp() override {
    AfxTest::SetUp();
    WNDCLASS wc{};
    wc.lpfnWndProc = RecorderProc;
    wc.lpszClassName = u"AfxRecorder";
    if (!GetClassInfo(nullptr, wc.lpszClassName, nullptr)) RegisterClass(&wc);
  }
  static BOOL Create(CWnd& object, LPCWSTR className = nullptr) {
    return object.CreateEx(0, className ? className : AfxRegisterWndClass(0), u"Test",
                           WS_POPUP | WS_VISIBLE, 0, 26, 100, 100, nullptr, 0);
  }
  static LRESULT Command(CWnd& w, UINT id, WORD code) {
    return w.SendMessage(WM_COMMAND, MAKELONG(static_cast<WORD>(id), code));
  }
  static LRESULT Notify(CWnd& w, UINT id, UINT code) {
    NMHDR header{nullptr, id, code};
    return w.SendMessage(WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
  }
};

TEST_F(AfxMessageMapTest, DerivedMapComesBeforeItsBaseThenThePreviousProcedure) {
  DerivedWnd w;
  ASSERT_TRUE(Create(w, u"AfxRecorder"));
  w.log.clear();
  EXPECT_EQ(w.SendMessage(WM_USER + 1), 21);
  EXPECT_EQ(w.SendMessage(WM_USER + 2), 12);
  EXPECT_EQ(w.log, (std::vector<std::string>{"derived first", "base second"}));
  EXPECT_EQ(w.SendMessage(WM_USER + 3), 99) << "no entry: the class's own procedure";
  w.SendMessage(WM_USER + 4);
  EXPECT_EQ(w.defaultResult, 99) << "Default() from inside a handler";
}

TEST_F(AfxMessageMapTest, CommandsNotificationsAndMessagesAreKeptApart) {
  DerivedWnd w;
  ASSERT_TRUE(Create(w));
  w.log.clear();
  Command(w, 10, BN_CLICKED);
  Command(w, 10, EN_CHANGE);
  Command(w, 25, BN_CLICKED);
  Command(w, 25, EN_CHANGE);  // the range is for clicks only
  Command(w, 30, BN_CLICKED);
  EXPECT_EQ(w.log, (std::vector<std::string>{"clicked", "change", "range 25"}));
  EXPECT_EQ(Notify(w, 10, kCode), 77);
  EXPECT_EQ(Notify(w, 23, kCode), 23);
  EXPECT_EQ(Notify(w, 11, kCode), 0);
  EXPECT_EQ(Notify(w, 10, kCode + 1), 0);
  // A WM_NOTIFY is not a message entry, nor a command an accelerator
  // without control.
  EXPECT_EQ(w.log.size(), 3u);
  w.SendMessage(WM_COMMAND, MAKELONG(10, 1), 0);
  EXPECT_EQ(w.log.back(), "clicked") << "accelerator = command";
}

TEST_F(AfxMessageMapTest, TypedHandlersGetTheirArguments) {
  DerivedWnd w;
  ASSERT_TRUE(Create(w));
  w.log.clear();
  w.MoveWindow(0, 26, 120, 80);
  w.SendMessage(WM_ACTIVATE, MAKELONG(WA_CLICKACTIVE, 1), reinterpret_cast<LPARAM>(w.m_hWnd));
  w.SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(w.log, (std::vector<std::string>{"size 120x80", "activate 2 other minimized",
                                             "activate 0 none"}));

  w.log.clear();
  w.SetTimer(5, 100);
  platform::ui::AdvanceClockTo(GetTickCount() + 250);
  platform::ui::RunModalLoop([&] { return w.log.size() >= 2; });
  w.KillTimer(5);
  EXPECT_EQ(w.log, (std::vector<std::string>{"timer 5", "timer 5"}));
}

TEST_F(AfxMessageMapTest, RegisteredMessageMatchesOnceItsNumberIsKnown) {
  DerivedWnd w;
  ASSERT_TRUE(Create(w));
  w.log.clear();
  g_testMessage = 0;
  w.SendMessage(0);  // WM_NULL must not meet an unregistered entry
  g_testMessage = RegisterWindowMessage(u"AFX_TEST_MESSAGE");
  ASSERT_GE(g_testMessage, 0xC000u);
  w.SendMessage(g_testMessage);
  EXPECT_EQ(w.log, (std::vector<std::string>{"registered"}));
}

TEST_F(AfxMessageMapTest, ObjectsAreFoundFromTheirHandlesUntilTheWindowGoes) {
  DerivedWnd refused;
  refused.failCreate = true;
  EXPECT_FALSE(Create(refused));
  EXPECT_EQ(refused.m_hWnd, nullptr);

  DerivedWnd w;
  ASSERT_TRUE(Create(w));
  HWND window = w.m_hWnd;
  EXPECT_EQ(CWnd::FromHandle(window), &w);
  EXPECT_EQ(CWnd::FromHandlePermanent(window), &w);

  HWND foreign = CreateWindowEx(0, u"AfxRecorder", u"Foreign", WS_POPUP, 0, 0, 10, 10, nullptr, 0,
                                nullptr, nullptr);
  CWnd* temporary = CWnd::FromHandle(foreign);
  ASSERT_NE(temporary, nullptr);
  EXPECT_EQ(CWnd::FromHandle(foreign), temporary) << "one wrapper per window";
  EXPECT_EQ(CWnd::FromHandlePermanent(foreign), nullptr);
  EXPECT_EQ(temporary->GetWindowText(), u"Foreign");

  // Subclassing routes the window through an object and back.
  DerivedWnd sub;
  ASSERT_TRUE(sub.SubclassWindow(foreign));
  EXPECT_EQ(CWnd::FromHandle(foreign), &sub);
  EXPECT_EQ(sub.SendMessage(WM_USER + 1), 21);
  EXPECT_EQ(sub.UnsubclassWindow(), foreign);
  EXPECT_EQ(SendMessage(foreign, WM_USER + 1, 0, 0), 0) << "the class's procedure again";
  DestroyWindow(foreign);

  DestroyWindow(window);
  EXPECT_EQ(w.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
  EXPECT_EQ(w.postNcDestroyCalls, 1);

  {
    DerivedWnd scoped;
    ASSERT_TRUE(Create(scoped));
    window = scoped.m_hWnd;
  }
  EXPECT_FALSE(IsWindow(window)) << "the object takes its window with it";
}

UINT g_stopMessage = 0;

class TestFrame : public CFrameWnd {
  DECLARE_DYNAMIC(TestFrame)

 public:
  explicit TestFrame(int* deleted) : deleted_(deleted) {}
  ~TestFrame() override { ++*deleted_; }

  BOOL PreCreateWindow(CREATESTRUCT& cs) override {
    cs.style |= 0x00010000;
    return CFrameWnd::PreCreateWindow(cs);
  }

  std::vector<WPARAM> stops;

 protected:
  int OnCreate(CREATESTRUCT* create) {
    if (CFrameWnd::OnCreate(create) == -1) return -1;
    g_stopMessage = RegisterWindowMessage(u"AFX_TEST_STOP");
    return 0;
  }
  LRESULT OnStop(WPARAM wParam, LPARAM) {
    stops.push_back(wParam);
    return 0;
  }

  DECLARE_MESSAGE_MAP()

 private:
  int* deleted_;
};

IMPLEMENT_DYNAMIC(TestFrame, CFrameWnd)

DEFINE_MESSAGE_MAP(TestFrame, CFrameWnd,
                   {
                       afx::On<WM_CREATE, &ThisClass::OnCreate>(),
                       afx::OnRegistered<&ThisClass::OnStop>(&g_stopMessage),
                   })

class AfxFrameTest : public AfxTest {};

TEST_F(AfxFrameTest, LoadFrameTakesTitleAndStyleAndAnswersItsMessages) {
  int deleted = 0;
  auto* frame = new TestFrame(&deleted);
  app_.m_pMainWnd = frame;
  ASSERT_TRUE(frame->LoadFrame(IDS_FRAME_TITLE, FWS_ADDTOTITLE, nullptr, nullptr));
  EXPECT_EQ(frame->GetWindowText(), u"Settings");
  EXPECT_EQ(frame->GetStyle() & (0x00010000 | FWS_ADDTOTITLE), 0x00010000 | FWS_ADDTOTITLE)
      << "the default style as the pre-create hook left it";
  EXPECT_STREQ(frame->GetRuntimeClass()->m_lpszClassName, "TestFrame");
  EXPECT_TRUE(frame->IsKindOf(RUNTIME_CLASS(CFrameWnd)));
  WCHAR className[64] = {};
  GetClassName(frame->m_hWnd, className, 64);
  EXPECT_EQ(std::u16string(className).substr(0, 4), u"Afx:");
  RECT rect{};
  frame->GetWindowRect(&rect);
  EXPECT_EQ(rect.top, 26);
  EXPECT_EQ(rect.right, 240);

  frame->ShowWindow(app_.m_nCmdShow);
  frame->UpdateWindow();
  EXPECT_TRUE(frame->IsWindowVisible());

  ASSERT_NE(g_stopMessage, 0u) << "registered while the frame was created";
  PostMessage(HWND_BROADCAST, g_stopMessage, 1, 0);
  Pump();
  EXPECT_EQ(frame->stops, std::vector<WPARAM>{1});

  frame->SendMessage(WM_CLOSE);
  EXPECT_EQ(deleted, 1) << "the frame deletes itself with its window";
  EXPECT_EQ(app_.m_pMainWnd, nullptr);
}

TEST_F(AfxFrameTest, FailedLoadLeavesTheFrameToItsCaller) {
  int deleted = 0;
  class Refusing : public TestFrame {
   public:
    using TestFrame::TestFrame;
    BOOL PreCreateWindow(CREATESTRUCT&) override { return FALSE; }
  };
  auto* frame = new Refusing(&deleted);
  EXPECT_FALSE(frame->LoadFrame(IDS_FRAME_TITLE));
  EXPECT_EQ(frame->m_hWnd, nullptr);
  EXPECT_EQ(deleted, 0);
  delete frame;
}

using EntryProc = void (*)(AfxFixtureView*);

class AfxModuleStateTest : public AfxTest {};

TEST_F(AfxModuleStateTest, ScopeSelectsApplicationAndResourcesUntilItEnds) {
  EXPECT_EQ(AfxGetApp(), &app_);
  EXPECT_EQ(AfxGetResourceHandle(), GetModuleHandle(nullptr));
  {
    AFX_MODULE_STATE other;
    CModuleStateScope scope(&other);
    EXPECT_EQ(AfxGetApp(), nullptr);
    CWinApp otherApp(u"Other", &other);
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
    AfxSetResourceHandle(GetModuleHandle(nullptr));
  }
  EXPECT_TRUE(FreeLibrary(module));
  // Loaded again (the loader may well reuse the addresses), it starts afresh.
  module = LoadLibrary(u"AfxFixture.dll");
  entry = reinterpret_cast<EntryProc>(GetProcAddress(module, "AfxFixtureEntry"));
  entry(&view);
  EXPECT_EQ(view.resources, module);
  EXPECT_TRUE(FreeLibrary(module));
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

// A scope swaps the handle it is given and the class library's, and gives
// both back in turn, also when an exception unwinds it.
TEST_F(ResourceModuleScopeTest, SwapsBothHandlesAndRestoresThemInTurn) {
  try {
    const CResourceModuleScope outer(kLibrary, &handle_);
    ASSERT_TRUE(outer.IsLoaded());
    const HINSTANCE loaded = GetModuleHandle(kLibrary);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(handle_, loaded);
    EXPECT_EQ(AfxGetResourceHandle(), loaded);
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
    throw std::runtime_error("reboot");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(handle_, own_);
  EXPECT_EQ(AfxGetResourceHandle(), own_);
  EXPECT_EQ(GetModuleHandle(kLibrary), nullptr) << "the library is released";
}

}  // namespace

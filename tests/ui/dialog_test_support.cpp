#include "tests/ui/dialog_test_support.h"

#include <cstdlib>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/modules.h"

namespace testing_support {
namespace {
constexpr LPCWSTR kOwnerClass = u"DialogTestOwner";
}  // namespace

void DialogTest::SetUp() {
  platform::clock::UseVirtual(1000);
  platform::message_box::ClearRecorded();
  platform::message_box::ClearAnswer();
  WNDCLASS existing{};
  if (!GetClassInfo(nullptr, kOwnerClass, &existing)) {
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = kOwnerClass;
    RegisterClass(&wc);
  }
  previousHook_ = platform::ui::SetIdleHook([this] { return RunNext(); });
  previousExhausted_ = platform::ui::SetIdleExhaustedHandler([] {
    ADD_FAILURE() << "the modal loop waited with no steps left";
    HWND active = GetActiveWindow();
    // A class-library window runs its own loop; a plain dialog ends by handle.
    if (CWnd* object = CWnd::FromHandlePermanent(active)) {
      object->EndModalLoop(-2);
    } else if (!active || !EndDialog(active, -2)) {
      std::abort();
    }
  });
}

void DialogTest::TearDown() {
  Pump();
  for (HWND owner : owners_) {
    if (IsWindow(owner)) DestroyWindow(owner);
  }
  platform::ui::SetIdleHook(previousHook_);
  platform::ui::SetIdleExhaustedHandler(previousExhausted_);
  platform::message_box::SetAnswer(IDOK);
  platform::message_box::ClearRecorded();
}

bool DialogTest::RunNext() {
  if (steps_.empty()) return false;
  auto step = std::move(steps_.front());
  steps_.pop_front();
  step();
  return true;
}

void DialogTest::Pump() {
  for (int rounds = 0; rounds < 100000; ++rounds) {
    MSG msg{};
    if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    } else if (!RunNext()) {
      return;
    }
  }
  ADD_FAILURE() << "the message loop never became idle";
}

HWND DialogTest::MakeOwner(LPCWSTR title) {
  HWND owner = CreateWindowEx(0, kOwnerClass, title, WS_POPUP | WS_VISIBLE, 0, 26, 240, 268,
                              nullptr, 0, nullptr, nullptr);
  owners_.push_back(owner);
  return owner;
}

std::u16string DialogTest::TextOf(HWND window) {
  WCHAR text[256] = {};
  const int length = GetWindowText(window, text, 256);
  return std::u16string(text, static_cast<std::size_t>(std::max(length, 0)));
}

DialogItemTemplate Item(int id, LPCWSTR className, DWORD style, short x, short y, short cx,
                        short cy, LPCWSTR text) {
  return DialogItemTemplate{id, className, style, 0, x, y, cx, cy, text, 0};
}

// Before the derived fixtures' members: window objects keep the state that
// is current when they are made.
AfxTest::AfxTest() {
  state_.m_hCurrentInstanceHandle = GetModuleHandle(nullptr);
  scope_ = std::make_unique<CModuleStateScope>(&state_);
}

void AfxTest::SetUp() {
  DialogTest::SetUp();
  platform::message_box::SetAnswer(IDOK);
}

}  // namespace testing_support

#include "tests/ui/dialog_test_support.h"

#include "platform/clock.h"
#include "platform/message_box.h"

namespace testing_support {
namespace {

constexpr LPCWSTR kOwnerClass = u"DialogTestOwner";

LRESULT PlainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(window, message, wParam, lParam);
}

}  // namespace

void IdleSteps::Install(platform::ui::IdleExhaustedHandler exhausted) {
  previousHook_ = platform::ui::SetIdleHook([this] { return RunNext(); });
  previousExhausted_ = platform::ui::SetIdleExhaustedHandler(std::move(exhausted));
}

void IdleSteps::Remove() {
  platform::ui::SetIdleHook(previousHook_);
  platform::ui::SetIdleExhaustedHandler(previousExhausted_);
}

bool IdleSteps::RunNext() {
  if (steps_.empty()) return false;
  auto step = std::move(steps_.front());
  steps_.pop_front();
  step();
  return true;
}

void DialogTest::SetUp() {
  platform::clock::UseVirtual(1000);
  platform::message_box::ClearRecorded();
  platform::message_box::ClearAnswer();
  WNDCLASS existing{};
  if (!GetClassInfo(nullptr, kOwnerClass, &existing)) {
    WNDCLASS wc{};
    wc.lpfnWndProc = PlainWindow;
    wc.lpszClassName = kOwnerClass;
    RegisterClass(&wc);
  }
  steps_.Install([] {
    ADD_FAILURE() << "the modal loop waited with no steps left";
    HWND active = GetActiveWindow();
    if (!active || !EndDialog(active, -2)) std::abort();
  });
}

void DialogTest::TearDown() {
  for (HWND owner : owners_) {
    if (IsWindow(owner)) DestroyWindow(owner);
  }
  steps_.Remove();
  platform::message_box::SetAnswer(IDOK);
  platform::message_box::ClearRecorded();
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

}  // namespace testing_support

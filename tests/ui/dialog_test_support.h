// Shared by the dialog, message-box and file-dialog tests: a fixture on the
// virtual clock that drives modal loops with scripted steps.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/dialog/dialog.h"
#include "platform/ui/window/message_loop.h"

namespace testing_support {

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Steps run one at a time whenever the thread is idle (no message
  // waiting): each posts input, checks the screen or ends a dialog. When
  // the steps run out while a modal loop still waits, the test fails and
  // the open dialogs are ended with -2.
  void Then(std::function<void()> step) { steps_.push_back(std::move(step)); }
  bool StepsDone() const { return steps_.empty(); }

  // A plain visible top-level window to own dialogs.
  HWND MakeOwner(LPCWSTR title = u"Owner");
  std::u16string TextOf(HWND window);

 private:
  std::deque<std::function<void()>> steps_;
  std::vector<HWND> owners_;
  platform::ui::IdleHook previousHook_;
  platform::ui::IdleExhaustedHandler previousExhausted_;
};

// A template item in one line.
DialogItemTemplate Item(int id, LPCWSTR className, DWORD style, short x, short y, short cx,
                        short cy, LPCWSTR text = nullptr);

}  // namespace testing_support

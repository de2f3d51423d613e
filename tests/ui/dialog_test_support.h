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

// Steps run one at a time whenever the thread is idle (no message
// waiting): each posts input, checks the screen or ends a dialog. They are
// the idle hook from Install to Remove; `exhausted` runs when a modal loop
// still waits with no steps left.
class IdleSteps {
 public:
  void Install(platform::ui::IdleExhaustedHandler exhausted);
  void Remove();
  void Then(std::function<void()> step) { steps_.push_back(std::move(step)); }
  bool Done() const { return steps_.empty(); }
  // Runs the next step; false when there is none.
  bool RunNext();

 private:
  std::deque<std::function<void()>> steps_;
  platform::ui::IdleHook previousHook_;
  platform::ui::IdleExhaustedHandler previousExhausted_;
};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // When the steps run out while a modal loop still waits, the test fails
  // and the open dialogs are ended with -2.
  void Then(std::function<void()> step) { steps_.Then(std::move(step)); }
  bool StepsDone() const { return steps_.Done(); }

  // A plain visible top-level window to own dialogs.
  HWND MakeOwner(LPCWSTR title = u"Owner");
  std::u16string TextOf(HWND window);

 private:
  IdleSteps steps_;
  std::vector<HWND> owners_;
};

// A template item in one line.
DialogItemTemplate Item(int id, LPCWSTR className, DWORD style, short x, short y, short cx,
                        short cy, LPCWSTR text = nullptr);

}  // namespace testing_support

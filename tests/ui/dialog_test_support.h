// Shared by the dialog, message-box, file-dialog and class-library tests: a
// fixture on the virtual clock that drives modal loops with scripted steps.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/afx/afx.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/window/message_loop.h"

namespace testing_support {

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Steps run one at a time whenever the thread is idle (no message
  // waiting): each posts input, checks the screen or ends a dialog. When
  // they run out while a modal loop still waits, the test fails and the
  // innermost loop ends with -2.
  void Then(std::function<void()> step) { steps_.push_back(std::move(step)); }
  bool StepsDone() const { return steps_.empty(); }
  // Runs queued messages and steps until the thread is idle with no steps.
  void Pump();

  // A plain visible top-level window to own dialogs.
  HWND MakeOwner(LPCWSTR title = u"Owner");
  std::u16string TextOf(HWND window);

 private:
  bool RunNext();

  std::deque<std::function<void()>> steps_;
  platform::ui::IdleHook previousHook_;
  platform::ui::IdleExhaustedHandler previousExhausted_;
  std::vector<HWND> owners_;
};

// A template item in one line.
DialogItemTemplate Item(int id, LPCWSTR className, DWORD style, short x, short y, short cx,
                        short cy, LPCWSTR text = nullptr);

// The class-library tests: a module state of their own with its
// application; message boxes answer themselves with OK.
class AfxTest : public DialogTest {
 protected:
  AfxTest();
  void SetUp() override;

  AFX_MODULE_STATE state_;
  CWinApp app_{u"Test Application", &state_};

 private:
  std::unique_ptr<CModuleStateScope> scope_;
};

// A popup dialog template without caption (so the library's full-screen
// sizing leaves it alone) around `items`.
template <std::size_t N>
DialogTemplate AfxDialogTemplate(const DialogItemTemplate (&items)[N], LPCWSTR title = u"Test",
                                 DWORD style = WS_POPUP | DS_SETFONT) {
  return DialogTemplate{0, style, 0, 0, 0, 160, 150, title, u"Tahoma", 8, items, N};
}

}  // namespace testing_support

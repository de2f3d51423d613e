// Shared by the class-library tests: a module state of their own with an
// application that records its help calls, the virtual clock, and steps
// that run whenever a modal loop is idle.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/afx/afx.h"
#include "platform/ui/window/message_loop.h"
#include "tests/ui/dialog_test_support.h"

namespace testing_support {

class RecordingApp : public CWinApp {
 public:
  explicit RecordingApp(AFX_MODULE_STATE* state) : CWinApp(u"Test Application", state) {}
  void WinHelp(DWORD_PTR data, UINT command) override {
    helpData.push_back(data);
    helpCommands.push_back(command);
  }
  std::vector<DWORD_PTR> helpData;
  std::vector<UINT> helpCommands;
};

class AfxTest : public ::testing::Test {
 protected:
  AfxTest();
  ~AfxTest() override;
  void SetUp() override;
  void TearDown() override;

  // Steps run one at a time whenever the thread is idle. When they run out
  // while a modal loop still waits, the test fails and the innermost
  // class-library loop ends with -2.
  void Then(std::function<void()> step) { steps_.Then(std::move(step)); }
  bool StepsDone() const { return steps_.Done(); }
  // Runs queued messages and steps until the thread is idle with no steps.
  void Pump();

  AFX_MODULE_STATE state_;
  RecordingApp app_{&state_};

 private:
  std::unique_ptr<CModuleStateScope> scope_;
  IdleSteps steps_;
};

// A popup dialog template without caption (so the library's full-screen
// sizing leaves it alone) around `items`.
template <std::size_t N>
DialogTemplate AfxDialogTemplate(const DialogItemTemplate (&items)[N], LPCWSTR title = u"Test",
                                 DWORD style = WS_POPUP | DS_SETFONT) {
  return DialogTemplate{0, style, 0, 0, 0, 160, 150, title, u"Tahoma", 8, items, N};
}

}  // namespace testing_support

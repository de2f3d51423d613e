#include "tests/ui/afx_test_support.h"

#include <cstdlib>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/modules.h"

namespace testing_support {

AfxTest::AfxTest() {
  state_.m_hCurrentInstanceHandle = GetModuleHandle(nullptr);
  // Before the derived fixtures' members: window objects keep the state
  // that is current when they are made.
  scope_ = std::make_unique<CModuleStateScope>(&state_);
}

AfxTest::~AfxTest() = default;

void AfxTest::SetUp() {
  platform::clock::UseVirtual(1000);
  platform::message_box::SetAnswer(IDOK);
  platform::message_box::ClearRecorded();
  steps_.Install([] {
    ADD_FAILURE() << "a modal loop waited with no steps left";
    CWnd* active = CWnd::FromHandlePermanent(GetActiveWindow());
    if (!active) std::abort();
    active->EndModalLoop(-2);
  });
}

void AfxTest::TearDown() {
  Pump();
  steps_.Remove();
  platform::message_box::ClearRecorded();
}

void AfxTest::Pump() {
  for (int rounds = 0; rounds < 100000; ++rounds) {
    MSG msg{};
    if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    } else if (!steps_.RunNext()) {
      return;
    }
  }
  ADD_FAILURE() << "the message loop never became idle";
}

}  // namespace testing_support

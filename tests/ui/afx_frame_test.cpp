// CFrameWnd: loaded from a resource id with its title string, the
// pre-create hook, its message map with a registered message, closing and
// deleting itself.
#include <string>
#include <vector>

#include "res/string_ids.h"
#include "tests/ui/afx_test_support.h"

using namespace testing_support;

namespace {

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

}  // namespace

#include "platform/message_box.h"

#include <gtest/gtest.h>

namespace {

namespace mb = platform::message_box;

class MessageBoxTest : public ::testing::Test {
 protected:
  MessageBoxTest() { Reset(); }
  ~MessageBoxTest() override { Reset(); }
  static void Reset() {
    mb::ClearRecorded();
    mb::SetAnswer(IDOK);
    mb::SetObserver(nullptr);
  }
};

std::vector<std::u16string> g_observed;

TEST_F(MessageBoxTest, RecordsEveryBoxAndTellsTheObserver) {
  g_observed.clear();
  mb::SetObserver([](const mb::Record& r) { g_observed.push_back(r.caption + u": " + r.text); });
  const HWND owner = reinterpret_cast<HWND>(0x1234);
  EXPECT_EQ(MessageBox(owner, u"General error #5!", u"Error", MB_OK | MB_ICONHAND), IDOK);
  EXPECT_EQ(MessageBox(nullptr, nullptr, nullptr, MB_ICONINFORMATION), IDOK);

  ASSERT_EQ(mb::Recorded().size(), 2u);
  EXPECT_EQ(mb::Recorded()[0].owner, owner);
  EXPECT_EQ(mb::Recorded()[0].text, u"General error #5!");
  EXPECT_EQ(mb::Recorded()[0].type, MB_OK | MB_ICONHAND);
  EXPECT_EQ(mb::Recorded()[1].text, u"");
  EXPECT_EQ(mb::Recorded()[1].caption, u"Error");
  EXPECT_EQ(g_observed, (std::vector<std::u16string>{u"Error: General error #5!", u"Error: "}));

  mb::ClearRecorded();
  EXPECT_TRUE(mb::Recorded().empty());
}

TEST_F(MessageBoxTest, AnswersWithAButtonTheBoxHas) {
  EXPECT_EQ(MessageBox(nullptr, u"?", u"Q", MB_YESNO), IDYES);
  mb::SetAnswer(IDNO);
  EXPECT_EQ(MessageBox(nullptr, u"?", u"Q", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(MessageBox(nullptr, u"?", u"Q", MB_YESNOCANCEL), IDNO);
  EXPECT_EQ(MessageBox(nullptr, u"!", u"N", MB_OK), IDOK);
  mb::SetAnswer(IDCANCEL);
  EXPECT_EQ(MessageBox(nullptr, u"?", u"Q", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBox(nullptr, u"?", u"Q", MB_YESNO), IDYES);
}

}  // namespace

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

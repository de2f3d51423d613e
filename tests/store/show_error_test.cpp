#include "store/show_error.h"

#include <gtest/gtest.h>

#include "platform/kernel.h"
#include "platform/message_box.h"
#include "tests/support/store_fixture.h"

namespace {

using testing_support::StoreTest;

class ShowErrorTest : public StoreTest {
 protected:
  const platform::message_box::Record& Last() {
    EXPECT_FALSE(platform::message_box::Recorded().empty());
    return platform::message_box::Recorded().back();
  }
};

TEST_F(ShowErrorTest, LastErrorIsFormattedIntoTheText) {
  SetLastError(5);
  ShowError(nullptr, 606, -1, MB_ICONHAND);
  EXPECT_EQ(Last().text, u"General error #5!");
  EXPECT_EQ(Last().caption, u"Error");
  EXPECT_EQ(Last().type, MB_ICONHAND | MB_SETFOREGROUND);
}

TEST_F(ShowErrorTest, NoLastErrorLeavesTheFormatAsItStands) {
  SetLastError(0);
  ShowError(nullptr, 606, -1, MB_ICONHAND);
  EXPECT_EQ(Last().text, u"General error #%d!");
}

TEST_F(ShowErrorTest, ExplicitCodesAndPlainNotices) {
  ShowError(nullptr, 606, 1392, MB_ICONHAND);
  EXPECT_EQ(Last().text, u"General error #1392!");
  ShowError(nullptr, 600, 0, MB_ICONINFORMATION);
  EXPECT_EQ(Last().text, u"Error when saving the settings!");
  EXPECT_EQ(Last().caption, u"Error");
  EXPECT_EQ(Last().type, MB_ICONINFORMATION | MB_SETFOREGROUND);
}

}  // namespace

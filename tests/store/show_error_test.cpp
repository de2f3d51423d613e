#include "store/show_error.h"

#include <gtest/gtest.h>

#include "platform/kernel.h"
#include "platform/message_box.h"
#include "tests/support/store_fixture.h"

namespace {

using testing_support::StoreTest;

class ShowErrorTest : public StoreTest {};

// The text comes from the string table with the code formatted in (-1 takes
// the last error, none when it is 0); caption "Error"; always foreground.
TEST_F(ShowErrorTest, TextCaptionAndType) {
  struct Case {
    UINT id;
    int code;
    DWORD lastError;
    UINT type;
    const char16_t* text;
  } const cases[] = {
      {606, -1, 5, MB_ICONHAND, u"General error #5!"},
      {606, -1, 0, MB_ICONHAND, u"General error #%d!"},
      {606, 1392, 5, MB_ICONHAND, u"General error #1392!"},
      {600, 0, 5, MB_ICONINFORMATION, u"Error when saving the settings!"},
  };
  for (const Case& c : cases) {
    SetLastError(c.lastError);
    ShowError(nullptr, c.id, c.code, c.type);
    ASSERT_FALSE(platform::message_box::Recorded().empty());
    const platform::message_box::Record& shown = platform::message_box::Recorded().back();
    EXPECT_EQ(shown.text, c.text);
    EXPECT_EQ(shown.caption, u"Error");
    EXPECT_EQ(shown.type, c.type | MB_SETFOREGROUND);
  }
}

}  // namespace

#include "platform/message_box.h"

#include <gtest/gtest.h>

#include "platform/ui/dialog/dialog.h"
#include "platform/ui/window/input.h"
#include "tests/ui/dialog_test_support.h"

namespace {

using testing_support::DialogTest;
namespace input = platform::ui::input;
namespace mb = platform::message_box;

class MessageBoxWindowTest : public DialogTest {
 protected:
  // The box in front, checked to be one.
  HWND Box() {
    HWND box = GetActiveWindow();
    EXPECT_TRUE(mb::IsMessageBoxWindow(box, nullptr));
    return box;
  }
};

TEST_F(MessageBoxWindowTest, ShowsItsButtonsWithTheResultIdsAndTheFirstAsDefault) {
  HWND owner = MakeOwner();
  SetActiveWindow(owner);
  Then([&] {
    HWND box = Box();
    EXPECT_EQ(FindWindow(u"Dialog", u"Question"), box);
    mb::Record record;
    ASSERT_TRUE(mb::IsMessageBoxWindow(box, &record));
    EXPECT_EQ(record.text, u"Save the changes?");
    EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), u"Save the changes?");
    EXPECT_NE(GetDlgItem(box, IDNO), nullptr);
    EXPECT_NE(GetDlgItem(box, IDCANCEL), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetFocus(), GetDlgItem(box, IDYES));
    EXPECT_EQ(SendMessage(box, DM_GETDEFID, 0, 0), MAKELONG(IDYES, DC_HASDEFID));
    EXPECT_FALSE(IsWindowEnabled(owner));
    input::Key(VK_RETURN);
  });
  EXPECT_EQ(MessageBox(owner, u"Save the changes?", u"Question", MB_YESNOCANCEL | MB_ICONQUESTION),
            IDYES);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_EQ(FindWindow(u"Dialog", u"Question"), nullptr);
  ASSERT_EQ(mb::Recorded().size(), 1u);
  EXPECT_EQ(mb::Recorded()[0].owner, owner);
}

TEST_F(MessageBoxWindowTest, EscapeCancelsOnlyWhereTheBoxCanBeCancelled) {
  Then([] { input::Key(VK_ESCAPE); });
  EXPECT_EQ(MessageBox(nullptr, u"Go on?", u"Q", MB_OKCANCEL), IDCANCEL);
  // A box with only OK takes Escape as OK.
  Then([] { input::Key(VK_ESCAPE); });
  EXPECT_EQ(MessageBox(nullptr, u"Done.", u"Info", MB_OK | MB_ICONINFORMATION), IDOK);
  // Yes/No boxes wait for an answer.
  Then([] { input::Key(VK_ESCAPE); });
  Then([&] {
    HWND box = Box();
    EXPECT_TRUE(IsWindowVisible(box));
    PostMessage(box, WM_CLOSE, 0, 0);
  });
  Then([&] {
    Box();
    input::Key(VK_RETURN);
  });
  EXPECT_EQ(MessageBox(nullptr, u"Keep?", u"Q", MB_YESNO), IDYES);
  EXPECT_TRUE(StepsDone());
}

mb::Record g_seen;
int g_seenCount = 0;

TEST_F(MessageBoxWindowTest, AutoAnswerModeRecordsWithoutAWindow) {
  g_seenCount = 0;
  mb::SetObserver([](const mb::Record& r) {
    g_seen = r;
    ++g_seenCount;
    // No window: the box is answered where it is asked.
    EXPECT_EQ(FindWindow(u"Dialog", u"Auto"), nullptr);
  });
  mb::SetAnswer(IDNO);
  EXPECT_TRUE(mb::AutoAnswering());
  EXPECT_EQ(MessageBox(nullptr, u"?", u"Auto", MB_YESNOCANCEL), IDNO);
  EXPECT_EQ(MessageBox(nullptr, u"!", u"Auto", MB_OK), IDOK);
  // An answer the box lacks falls back to its first button.
  mb::SetAnswer(IDCANCEL);
  EXPECT_EQ(MessageBox(nullptr, u"?", u"Auto", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBox(nullptr, u"?", u"Auto", MB_YESNO), IDYES);
  EXPECT_EQ(g_seenCount, 4);
  EXPECT_EQ(g_seen.caption, u"Auto");

  // Real boxes tell the observer too, while the box is there.
  mb::ClearAnswer();
  EXPECT_FALSE(mb::AutoAnswering());
  mb::SetObserver([](const mb::Record& r) {
    g_seen = r;
    ++g_seenCount;
  });
  Then([] { input::Key(VK_RETURN); });
  EXPECT_EQ(MessageBox(nullptr, u"Real", nullptr, MB_OK), IDOK);
  EXPECT_EQ(g_seenCount, 5);
  EXPECT_EQ(g_seen.caption, u"Error");
  EXPECT_EQ(mb::Recorded().size(), 5u);
  mb::SetObserver(nullptr);
}

}  // namespace

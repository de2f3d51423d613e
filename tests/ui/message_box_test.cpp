#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include "platform/device.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/shell/file_dialog.h"
#include "platform/ui/window/input.h"
#include "tests/support/temp_device.h"
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

using testing_support::DialogTest;
namespace input = platform::ui::input;
namespace mb = platform::message_box;

class FileDialogTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    device_.emplace(false);
    for (const char16_t* file : {u"\\My Documents\\b.WAV", u"\\My Documents\\a.wav",
                                 u"\\My Documents\\notes.txt", u"\\My Documents\\Sounds\\c.wav"}) {
      const auto path = platform::device::MapPath(file);
      std::filesystem::create_directories(path.parent_path());
      std::ofstream(path) << "RIFF";
    }
    std::fill(std::begin(file_), std::end(file_), u'\0');
    ofn_ = OPENFILENAME{};
    ofn_.lStructSize = sizeof(OPENFILENAME);
    ofn_.lpstrFilter = u"Wave Files (*.wav)\0*.wav\0All Files (*.*)\0*.*\0\0";
    ofn_.nFilterIndex = 1;
    ofn_.lpstrFile = file_;
    ofn_.nMaxFile = MAX_PATH;
    ofn_.lpstrTitle = u"Alarm";
    ofn_.lpstrDefExt = u"wav";
    ofn_.Flags = OFN_HIDEREADONLY;
  }
  void TearDown() override {
    DialogTest::TearDown();
    device_.reset();
  }

  std::vector<std::u16string> Listed() {
    HWND list = GetDlgItem(GetActiveWindow(), IDC_FILEDIALOG_LIST);
    std::vector<std::u16string> names;
    const LRESULT count = SendMessage(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      WCHAR name[MAX_PATH] = {};
      SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
      names.emplace_back(name);
    }
    return names;
  }
  // Types a name into the name field and presses Enter (OK).
  void Enter(const std::u16string& name) {
    HWND dialog = GetActiveWindow();
    SetDlgItemText(dialog, IDC_FILEDIALOG_NAME, name.c_str());
    input::Key(VK_RETURN);
  }

  std::optional<testing_support::TempDevice> device_;
  WCHAR file_[MAX_PATH];
  OPENFILENAME ofn_;
};

TEST_F(FileDialogTest, ListsFoldersAndMatchingFilesAndAppendsTheDefaultExtension) {
  Then([&] {
    HWND dialog = GetActiveWindow();
    EXPECT_EQ(FindWindow(u"Dialog", u"Alarm"), dialog);
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_FILEDIALOG_FOLDER)), u"\\My Documents");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_FILEDIALOG_TYPE)), u"Wave Files (*.wav)");
    EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"..", u"Sounds", u"a.wav", u"b.WAV"}));
    Enter(u"sounds");  // a folder name opens the folder
  });
  Then([&] {
    EXPECT_EQ(TextOf(GetDlgItem(GetActiveWindow(), IDC_FILEDIALOG_FOLDER)),
              u"\\My Documents\\Sounds");
    EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"..", u"c.wav"}));
    Enter(u"new");
  });
  ASSERT_TRUE(GetOpenFileName(&ofn_));
  EXPECT_EQ(std::u16string(file_), u"\\My Documents\\Sounds\\new.wav");
  EXPECT_EQ(ofn_.nFileOffset, 21);
  EXPECT_EQ(ofn_.nFileExtension, 25);
  EXPECT_TRUE(StepsDone());
}

TEST_F(FileDialogTest, SecondFilterAndTheParentEntry) {
  ofn_.nFilterIndex = 2;
  ofn_.lpstrInitialDir = u"\\my documents\\SOUNDS";
  WCHAR title[32] = {};
  ofn_.lpstrFileTitle = title;
  ofn_.nMaxFileTitle = 32;
  Then([&] {
    EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"..", u"c.wav"}));
    HWND list = GetDlgItem(GetActiveWindow(), IDC_FILEDIALOG_LIST);
    // Select "..", then a second tap on it opens it.
    SendMessage(list, LB_SETCURSEL, 0, 0);
    Enter(u"");
  });
  Then([&] {
    EXPECT_EQ(Listed(),
              (std::vector<std::u16string>{u"..", u"Sounds", u"a.wav", u"b.WAV", u"notes.txt"}));
    HWND list = GetDlgItem(GetActiveWindow(), IDC_FILEDIALOG_LIST);
    SendMessage(list, LB_SETCURSEL, 4, 0);  // the name field follows the selection
    EXPECT_EQ(TextOf(GetDlgItem(GetActiveWindow(), IDC_FILEDIALOG_NAME)), u"notes.txt");
    input::Key(VK_RETURN);
  });
  ASSERT_TRUE(GetOpenFileName(&ofn_));
  EXPECT_EQ(std::u16string(file_), u"\\My Documents\\notes.txt");
  EXPECT_EQ(std::u16string(title), u"notes.txt");
}

TEST_F(FileDialogTest, FileMustExistRefusesAMissingFileWithABox) {
  ofn_.Flags |= OFN_FILEMUSTEXIST;
  mb::SetAnswer(IDOK);  // the refusal box answers itself
  Then([&] { Enter(u"missing"); });
  Then([&] {
    ASSERT_EQ(mb::Recorded().size(), 1u);
    EXPECT_NE(mb::Recorded()[0].text.find(u"missing.wav"), std::u16string::npos);
    EXPECT_EQ(mb::Recorded()[0].caption, u"Alarm");
    // Still open; an existing file, typed in another case, is taken with
    // its own spelling.
    EXPECT_EQ(FindWindow(u"Dialog", u"Alarm"), GetActiveWindow());
    Enter(u"B");
  });
  ASSERT_TRUE(GetOpenFileName(&ofn_));
  EXPECT_EQ(std::u16string(file_), u"\\My Documents\\b.WAV");
  EXPECT_EQ(mb::Recorded().size(), 1u);
}

TEST_F(FileDialogTest, CancelAndBadArguments) {
  HWND owner = MakeOwner();
  ofn_.hwndOwner = owner;
  Then([&] {
    EXPECT_FALSE(IsWindowEnabled(owner));
    input::Key(VK_ESCAPE);
  });
  EXPECT_FALSE(GetOpenFileName(&ofn_));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(file_[0], 0);

  ofn_.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileName(&ofn_));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);

  ofn_.lStructSize = sizeof(OPENFILENAME);
  ofn_.nMaxFile = 10;  // too small for the path chosen
  Then([&] { Enter(u"a"); });
  EXPECT_FALSE(GetOpenFileName(&ofn_));
  EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
}

}  // namespace

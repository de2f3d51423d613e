#include "platform/ui/shell/file_dialog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "platform/device.h"
#include "platform/message_box.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/window/input.h"
#include "tests/support/temp_device.h"
#include "tests/ui/dialog_test_support.h"

namespace {

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

// Dialogs: layout in dialog units, focus, modal runs, tab, arrow and
// Enter keys; message boxes and the file dialog.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/beeps.h"
#include "platform/device.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/recent_records.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/shell/file_dialog.h"
#include "platform/ui/window/input.h"
#include "platform/ui/window/window_dc.h"
#include "tests/support/temp_device.h"
#include "tests/ui/dialog_test_support.h"

namespace {

using testing_support::DialogTest;
using testing_support::Item;
namespace input = platform::ui::input;

constexpr int kName = 100;
constexpr int kNotes = 101;
constexpr int kCheck = 102;
constexpr int kRadio1 = 110;
constexpr int kRadio2 = 111;
constexpr int kRadio3 = 112;
constexpr int kAfter = 120;

const DialogItemTemplate kItems[] = {
    Item(IDC_STATIC, u"STATIC", SS_LEFT, 4, 4, 60, 8, u"Name:"),
    Item(kName, u"EDIT", WS_TABSTOP | WS_BORDER, 4, 14, 100, 12),
    Item(kNotes, u"EDIT", WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN, 4, 30, 100, 24),
    Item(kCheck, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 4, 58, 80, 10, u"Remember"),
    Item(kRadio1, u"BUTTON", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 4, 70, 60, 10, u"One"),
    Item(kRadio2, u"BUTTON", BS_AUTORADIOBUTTON, 4, 80, 60, 10, u"Two"),
    Item(kRadio3, u"BUTTON", BS_AUTORADIOBUTTON, 4, 90, 60, 10, u"Three"),
    Item(kAfter, u"BUTTON", BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 4, 100, 60, 10, u"After"),
    Item(IDOK, u"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 40, 114, 40, 14, u"OK"),
    Item(IDCANCEL, u"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 84, 114, 40, 14, u"Cancel"),
};

DialogTemplate Sample(DWORD style = WS_POPUP | WS_CAPTION | DS_SETFONT | DS_CENTER) {
  return DialogTemplate{500, style,     0,         6, 4,      140,
                        132, u"Sample", u"Tahoma", 8, kItems, std::size(kItems)};
}

// What the sample dialog's procedure saw and how it behaves.
struct Log {
  std::vector<int> commands;  // ids of WM_COMMAND, BN_CLICKED only
  HWND initFirst = nullptr;   // WM_INITDIALOG's wParam
  int focusAtInit = 0;        // control the procedure focuses itself (returns FALSE)
  bool endOnButtons = true;   // IDOK / IDCANCEL end the dialog with their id
};
Log g_log;

LONG_PTR SampleProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      g_log.initFirst = reinterpret_cast<HWND>(wParam);
      if (g_log.focusAtInit) {
        SetFocus(GetDlgItem(dialog, g_log.focusAtInit));
        return FALSE;
      }
      return TRUE;
    case WM_COMMAND: {
      if (HIWORD(static_cast<DWORD>(wParam)) != BN_CLICKED) return FALSE;
      const int id = LOWORD(static_cast<DWORD>(wParam));
      g_log.commands.push_back(id);
      if (g_log.endOnButtons && (id == IDOK || id == IDCANCEL)) EndDialog(dialog, id);
      return TRUE;
    }
    case WM_APP:
      SetWindowLong(dialog, DWL_MSGRESULT, 77);
      return TRUE;
    default:
      return FALSE;
  }
}

class DialogManagerTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    g_log = Log{};
  }
  LONG_PTR RunSample(HWND owner = nullptr, DWORD style = Sample().style) {
    const DialogTemplate t = Sample(style);
    return DialogBoxIndirectParam(nullptr, &t, owner, SampleProc, 0);
  }
  static HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
};

RECT ClientRectOnScreen(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return RECT{origin.x, origin.y, origin.x + r.right, origin.y + r.bottom};
}

TEST_F(DialogManagerTest, LaysOutTheTemplateInDialogUnitsOfItsFont) {
  // Base units: the average character width and the height of the
  // template's font.
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  HFONT font =
      CreateFont(-((8 * dpi + 36) / 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Tahoma");
  HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(font));
  TEXTMETRIC tm{};
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  SelectObject(dc, previous);
  DeleteObject(reinterpret_cast<HGDIOBJ>(font));
  ReleaseDC(nullptr, dc);
  const int bx = tm.tmAveCharWidth, by = tm.tmHeight;
  ASSERT_GT(bx, 2);
  ASSERT_GT(by, 6);

  const DialogTemplate t = Sample(WS_POPUP | DS_SETFONT);
  HWND owner = MakeOwner();
  HWND dialog = CreateDialogIndirectParam(nullptr, &t, owner, SampleProc, 0);
  ASSERT_TRUE(dialog);
  const RECT client = ClientRectOnScreen(dialog);
  EXPECT_EQ(client.right - client.left, 140 * bx / 4);
  EXPECT_EQ(client.bottom - client.top, 132 * by / 8);
  // Without DS_CENTER the template position is taken in the owner's client area.
  const RECT ownerClient = ClientRectOnScreen(owner);
  RECT outer{};
  GetWindowRect(dialog, &outer);
  EXPECT_EQ(outer.left, ownerClient.left + 6 * bx / 4);
  EXPECT_EQ(outer.top, ownerClient.top + 4 * by / 8);

  for (const DialogItemTemplate& item : kItems) {
    if (item.id == IDC_STATIC) continue;
    RECT got{};
    GetWindowRect(Item(dialog, item.id), &got);
    EXPECT_EQ(
        (std::array<LONG, 4>{got.left - client.left, got.top - client.top, got.right - got.left,
                             got.bottom - got.top}),
        (std::array<LONG, 4>{item.x * bx / 4, item.y * by / 8, item.cx * bx / 4, item.cy * by / 8}))
        << item.id;
  }
  EXPECT_EQ(GetDialogTemplateId(dialog), 500u);
  EXPECT_EQ(GetDialogTemplateId(owner), 0u);
  // No WS_VISIBLE in the template: made but not shown.
  EXPECT_FALSE(IsWindowVisible(dialog));
  DestroyWindow(dialog);
  EXPECT_EQ(GetDialogTemplateId(dialog), 0u);
}

TEST_F(DialogManagerTest, ModalRunDisablesTheOwnerAndGivesItBackTheActivation) {
  HWND owner = MakeOwner();
  SetActiveWindow(owner);
  HWND dialog = nullptr;
  Then([&] {
    dialog = GetActiveWindow();
    EXPECT_NE(dialog, owner);
    EXPECT_FALSE(IsWindowEnabled(owner));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
    EndDialog(dialog, 42);
  });
  EXPECT_EQ(RunSample(owner), 42);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);

  // A template the module doesn't have.
  EXPECT_EQ(DialogBoxParam(nullptr, 0xBEEF, owner, SampleProc, 0), -1);
  EXPECT_EQ(CreateDialogParam(nullptr, 0xBEEF, owner, SampleProc, 0), nullptr);
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(DialogManagerTest, TabWalksTheTabStopsSkippingDisabledAndHiddenOnes) {
  HWND dialog = nullptr;
  Then([&] {
    dialog = GetActiveWindow();
    // The first tab stop was offered to WM_INITDIALOG and has the focus.
    EXPECT_EQ(g_log.initFirst, Item(dialog, kName));
    EnableWindow(Item(dialog, kNotes), FALSE);
    ShowWindow(Item(dialog, kCheck), SW_HIDE);
    input::Key(VK_TAB);
  });
  Then([&] {
    // Name -> (Notes disabled, Check hidden) -> the radio group's stop.
    EXPECT_EQ(GetFocus(), Item(dialog, kRadio1));
    input::Key(VK_TAB);
    input::Key(VK_TAB);
    input::Key(VK_TAB);
  });
  Then([&] {
    EXPECT_EQ(GetFocus(), Item(dialog, IDCANCEL));
    input::Key(VK_TAB);  // wraps round
  });
  Then([&] {
    EXPECT_EQ(GetFocus(), Item(dialog, kName));
    input::KeyDown(VK_SHIFT);
    input::Key(VK_TAB);
    input::KeyUp(VK_SHIFT);
  });
  Then([&] {
    EXPECT_EQ(GetFocus(), Item(dialog, IDCANCEL));
    EXPECT_EQ(GetNextDlgTabItem(dialog, Item(dialog, kName), TRUE), Item(dialog, IDCANCEL));
    EXPECT_EQ(GetNextDlgTabItem(dialog, nullptr, FALSE), Item(dialog, kName));
    EndDialog(dialog, 0);
  });
  RunSample();
  EXPECT_TRUE(StepsDone());
}

TEST_F(DialogManagerTest, ArrowsMoveWithinTheRadioGroupAndCheckTheButton) {
  HWND dialog = nullptr;
  g_log.focusAtInit = kRadio1;
  Then([&] {
    dialog = GetActiveWindow();
    CheckRadioButton(dialog, kRadio1, kRadio3, kRadio1);
    EnableWindow(Item(dialog, kRadio2), FALSE);
    input::Key(VK_DOWN);
  });
  Then([&] {
    // The disabled radio is skipped.
    EXPECT_EQ(GetFocus(), Item(dialog, kRadio3));
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadio3), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadio1), BST_UNCHECKED);
    EXPECT_EQ(g_log.commands, std::vector<int>{kRadio3});
    input::Key(VK_DOWN);  // wraps to the group's start, not into the next group
  });
  Then([&] {
    EXPECT_EQ(GetFocus(), Item(dialog, kRadio1));
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadio1), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kRadio3), BST_UNCHECKED);
    input::Key(VK_UP);
  });
  Then([&] {
    EXPECT_EQ(GetFocus(), Item(dialog, kRadio3));
    EXPECT_EQ(GetNextDlgGroupItem(dialog, Item(dialog, kRadio3), FALSE), Item(dialog, kRadio1));
    EXPECT_EQ(GetNextDlgGroupItem(dialog, Item(dialog, kAfter), FALSE), Item(dialog, kAfter));
    EndDialog(dialog, 0);
  });
  RunSample();
  EXPECT_TRUE(StepsDone());
}

// Keys that reached the multi-line edit, seen through a subclass.
std::vector<WPARAM> g_notesKeys;
WNDPROC g_notesProc = nullptr;
LRESULT NotesSpy(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN) g_notesKeys.push_back(wParam);
  return CallWindowProc(g_notesProc, edit, message, wParam, lParam);
}

TEST_F(DialogManagerTest, EnterPressesTheDefaultOrFocusedButtonButNotInAMultiLineEdit) {
  g_log.endOnButtons = false;
  g_notesKeys.clear();
  HWND dialog = nullptr;
  const auto focus = [&](int id) {
    SendMessage(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(dialog, id)), TRUE);
  };
  const auto look = [&](int id) {
    return GetWindowLong(Item(dialog, id), GWL_STYLE) & BS_TYPEMASK;
  };
  Then([&] {
    dialog = GetActiveWindow();
    g_notesProc = reinterpret_cast<WNDPROC>(
        SetWindowLong(Item(dialog, kNotes), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&NotesSpy)));
    EXPECT_EQ(SendMessage(dialog, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
    input::Key(VK_RETURN);  // focus in the name field
  });
  Then([&] {
    EXPECT_EQ(g_log.commands, std::vector<int>{IDOK});
    focus(kNotes);
    input::Key(VK_RETURN);
  });
  Then([&] {
    // The multi-line edit takes the key itself.
    EXPECT_EQ(g_log.commands, std::vector<int>{IDOK});
    EXPECT_EQ(g_notesKeys, std::vector<WPARAM>{VK_RETURN});
    focus(IDCANCEL);
    input::Key(VK_RETURN);
  });
  Then([&] {
    // A focused push button is the one Enter presses, and looks it.
    EXPECT_EQ(g_log.commands, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(look(IDCANCEL), BS_DEFPUSHBUTTON);
    EXPECT_EQ(look(IDOK), BS_PUSHBUTTON);
    SendMessage(dialog, DM_SETDEFID, kCheck, 0);
    focus(kName);
    input::Key(VK_RETURN);
  });
  Then([&] {
    EXPECT_EQ(g_log.commands, (std::vector<int>{IDOK, IDCANCEL, kCheck}));
    EXPECT_EQ(look(IDCANCEL), BS_PUSHBUTTON);
    // A disabled default button ignores Enter.
    SendMessage(dialog, DM_SETDEFID, IDOK, 0);
    EnableWindow(Item(dialog, IDOK), FALSE);
    input::Key(VK_RETURN);
  });
  Then([&] {
    EXPECT_EQ(g_log.commands, (std::vector<int>{IDOK, IDCANCEL, kCheck}));
    EndDialog(dialog, 0);
  });
  RunSample();
  EXPECT_TRUE(StepsDone());
}

namespace mb = platform::message_box;

TEST(RecentRecordsTest, ALongRunKeepsTheLatestBoxesAndBeepsOnly) {
  mb::ClearRecorded();
  platform::beeps::Clear();
  for (UINT i = 1; i <= 5 * platform::kKeptRecords; ++i) {
    MessageBox(nullptr, std::u16string(i % 7, u'x').c_str(), u"Box", MB_OK);
    MessageBeep(i);
  }
  for (const std::size_t kept : {mb::Recorded().size(), platform::beeps::Recorded().size()})
    EXPECT_TRUE(kept >= platform::kKeptRecords && kept <= 2 * platform::kKeptRecords) << kept;
  EXPECT_EQ(mb::Recorded().back().text.size(), 5 * platform::kKeptRecords % 7);
  EXPECT_EQ(platform::beeps::Recorded().back(), 5 * platform::kKeptRecords);
  mb::ClearRecorded();
  platform::beeps::Clear();
}

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
    // No window: an auto-answered box is answered where it is asked.
    EXPECT_TRUE(!mb::AutoAnswering() || FindWindow(u"Dialog", u"Auto") == nullptr);
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
  Then([] { input::Key(VK_RETURN); });
  EXPECT_EQ(MessageBox(nullptr, u"Real", nullptr, MB_OK), IDOK);
  EXPECT_EQ(g_seenCount, 5);
  EXPECT_EQ(g_seen.caption, u"Error");
  EXPECT_EQ(mb::Recorded().size(), 5u);
  mb::SetObserver(nullptr);
}

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
  WCHAR file_[MAX_PATH] = {};
  OPENFILENAME ofn_{};
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

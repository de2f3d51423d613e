// The scripted user driving real dialogs through the device's input, and
// reading scripts.
#include "platform/ui/script/scripted_user.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/message_box.h"
#include "platform/modules.h"
#include "platform/ui/afx/afx.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/script/script.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/message_loop.h"
#include "tests/support/run_scripted.h"
#include "tests/support/temp_device.h"
#include "tests/ui/dialog_test_support.h"

namespace {

using platform::ui::ScriptedUser;
using platform::ui::ScriptStopped;
using ::testing::HasSubstr;
using testing_support::RunScripted;
using testing_support::StopOf;

using Stylus = std::tuple<UINT, int, int>;  // message, x, y

std::vector<Stylus> g_stylus;
WNDPROC g_ownerProc = nullptr;

LRESULT StylusSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN || message == WM_MOUSEMOVE || message == WM_LBUTTONUP) {
    const auto value = static_cast<DWORD>(lParam);
    g_stylus.push_back({message, LOWORD(value), HIWORD(value)});
  }
  return CallWindowProc(g_ownerProc, window, message, wParam, lParam);
}

// What the test's dialogs do: record each clicked button, let the test act
// on it, and end on OK / Cancel by default.
struct DialogScript {
  std::function<void(HWND)> init;
  // True when it handled the command itself.
  std::function<bool(HWND, int)> command;
  std::vector<int> clicked;
};
DialogScript* g_dialog = nullptr;

LONG_PTR RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    if (g_dialog && g_dialog->init) g_dialog->init(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND || HIWORD(static_cast<DWORD>(wParam)) != BN_CLICKED) return FALSE;
  const int id = LOWORD(static_cast<DWORD>(wParam));
  if (g_dialog) {
    g_dialog->clicked.push_back(id);
    if (g_dialog->command && g_dialog->command(dialog, id)) return TRUE;
  }
  if (id == IDOK || id == IDCANCEL) EndDialog(dialog, id);
  return TRUE;
}

// How a script stopped: its exit status and why; empty when it ran through.
std::string Stopped(std::string_view script, const std::function<void()>& job) {
  const auto stop = StopOf(script, job);
  return stop ? std::to_string(stop->ExitStatus()) + ": " + stop->what() : "";
}

class ScriptedUserTest : public testing_support::DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    platform::message_box::SetAnswer(IDOK);
    g_dialog = &dialog_;
    platform::ui::shell::Start();
    owner_ = MakeOwner();
  }

  void TearDown() override {
    g_dialog = nullptr;
    DialogTest::TearDown();
    platform::ui::shell::Stop();
  }

  LONG_PTR RunDialog(UINT templateId) {
    return DialogBoxParam(GetModuleHandle(nullptr), templateId, owner_, RecordingProc, 0);
  }

  // No dialog is left behind and the owner takes input again.
  void ExpectCleanedUp() {
    EXPECT_EQ(FindWindow(u"Dialog", nullptr), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_EQ(platform::ui::scripted_user::TopmostWindow(), owner_);
  }

  testing_support::TempDevice device_;
  DialogScript dialog_;
  HWND owner_ = nullptr;
};

// pda's script tests read the stop of a failed expectation on a dialog.
TEST_F(ScriptedUserTest, AFailedExpectationNamesThePlainWindowInFront) {
  EXPECT_THAT(Stopped("expect dialog 628", nullptr),
              HasSubstr("shows window 'Owner' (class DialogTestOwner)"));
}

TEST_F(ScriptedUserTest, ATapOnADisabledControlIsIgnored) {
  dialog_.init = [](HWND dialog) { EnableWindow(GetDlgItem(dialog, IDOK), FALSE); };
  dialog_.command = [](HWND dialog, int id) {
    if (id == 724) EndDialog(dialog, 724);
    return id == 724;
  };
  LONG_PTR result = 0;
  RunScripted("check 1 enabled 0\ntap 1\ntap 724", [&] { result = RunDialog(628); });
  EXPECT_EQ(result, 724);
  EXPECT_EQ(dialog_.clicked, std::vector<int>{724});
}

// The pad's keys are found by the symbol their text names (the logon
// tests type on pads in any order); a screen without such a key stops the
// script.
TEST_F(ScriptedUserTest, SymbolsStopOnAScreenWithoutTheKeyOrOnANonDigit) {
  EXPECT_EQ(Stopped("symbols 1", [&] { RunDialog(628); }),
            "3: line 1 (symbols 1): the screen shows dialog 628, which has no symbol key 1");
  EXPECT_EQ(Stopped("symbols 2-", [&] { RunDialog(522); }),
            "3: line 1 (symbols 2-): a symbol is a digit 0..9, not '-'");
  ExpectCleanedUp();
}

// Typing over a field is the logon tests' part; typing nothing clears it.
TEST_F(ScriptedUserTest, AnEmptyTypeClearsTheFieldAndADisabledOneStopsTheScript) {
  dialog_.init = [](HWND dialog) { SetDlgItemText(dialog, 679, u"old text"); };
  LONG_PTR result = 0;
  RunScripted("type 679\ncheck 679 text\ntap 1", [&] { result = RunDialog(628); });
  EXPECT_EQ(result, IDOK);

  dialog_.init = [](HWND dialog) { EnableWindow(GetDlgItem(dialog, 679), FALSE); };
  EXPECT_THAT(Stopped("type 679 abc", [&] { RunDialog(628); }),
              HasSubstr("control 679 did not take the focus (it is disabled)"));
}

TEST_F(ScriptedUserTest, SipTypesWithTheSoftKeyboardIntoTheFocusedField) {
  LONG_PTR result = 0;
  RunScripted(R"(
expect dialog 778
sip Pa55 word!
check 684 text Pa55 word!
check 685 text
key Escape
)",
              [&] { result = RunDialog(778); });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(platform::ui::shell::PanelUp());

  // The raised panel lies over the wizard's buttons: a person can't reach
  // them, and neither can the script.
  EXPECT_EQ(Stopped("tap 2", [&] { RunDialog(778); }),
            "3: line 1 (tap 2): control 2 of dialog 778 'Welcome' can't be tapped: it is covered "
            "by window 'Input Panel' (class ShellInputPanel)");
}

TEST_F(ScriptedUserTest, APenStrokeIsDownMovesAndUp) {
  g_stylus.clear();
  g_ownerProc = reinterpret_cast<WNDPROC>(
      SetWindowLong(owner_, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&StylusSpy)));
  RunScripted("pen 10,40 20,50 30,62", nullptr);
  // The owner's client area starts at y 26.
  const std::vector<Stylus> expected = {{WM_LBUTTONDOWN, 10, 14},
                                        {WM_MOUSEMOVE, 20, 24},
                                        {WM_MOUSEMOVE, 30, 36},
                                        {WM_LBUTTONUP, 30, 36}};
  EXPECT_EQ(g_stylus, expected);
}

TEST_F(ScriptedUserTest, AScriptThatEndsWhileABoxWaitsStopsAndLeavesNothingBehind) {
  dialog_.command = [](HWND dialog, int id) {
    if (id == IDOK) MessageBox(dialog, u"General error #7!", nullptr, MB_YESNO);
    return id == IDOK;
  };
  const auto outerHook = [] { return false; };
  platform::ui::SetIdleHook(outerHook);
  const auto stop = StopOf("expect dialog 628\ntap 1\nexpect box 606", [&] { RunDialog(628); });
  ASSERT_TRUE(stop);
  EXPECT_EQ(stop->reason(), ScriptStopped::Reason::kRanOut);
  EXPECT_EQ(stop->ExitStatus(), 4);
  EXPECT_STREQ(stop->what(),
               "the script ended while the program still waits for input; the screen shows "
               "message box \"General error #7!\"");
  ExpectCleanedUp();
  EXPECT_TRUE(platform::message_box::AutoAnswering());
  // The run's own hook is gone again.
  const platform::ui::IdleHook restored = platform::ui::SetIdleHook(nullptr);
  EXPECT_NE(restored.target<decltype(outerHook)>(), nullptr);
}

TEST_F(ScriptedUserTest, AClassLibraryDialogLeftByAStopIsDestroyed) {
  CDialog dialog(786, nullptr);
  const auto stop = StopOf("expect dialog 786", [&] { dialog.DoModal(); });
  ASSERT_TRUE(stop);
  EXPECT_EQ(stop->reason(), ScriptStopped::Reason::kRanOut);
  EXPECT_EQ(dialog.m_hWnd, nullptr);
  EXPECT_EQ(FindWindow(u"Dialog", nullptr), nullptr);
}

TEST_F(ScriptedUserTest, TapWithAnItemChoosesFromAComboList) {
  // Tabs are chosen by the settings sheet's own tests.
  const DialogItemTemplate items[] = {
      {100, u"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 5, 5, 100, 60, nullptr, 0}};
  const DialogTemplate sample{
      0, WS_POPUP | DS_SETFONT, 0, 0, 0, 160, 150, u"Items", u"Tahoma", 8, items, 1};
  static const char16_t* const kFruit[] = {u"Apple", u"Banana", u"Cherry", u"Date", u"Elder",
                                           u"Fig",   u"Grape",  u"Kiwi",   u"Lime", u"Mango"};
  dialog_.init = [](HWND dialog) {
    for (const char16_t* fruit : kFruit) {
      SendDlgItemMessage(dialog, 100, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fruit));
    }
  };
  LRESULT fruit = -1;
  RunScripted(ScriptedUser{}.TapItem(100, "kiwi").Then([&] {
    HWND dialog = platform::ui::scripted_user::TopmostWindow();
    fruit = SendDlgItemMessage(dialog, 100, CB_GETCURSEL, 0, 0);
    EndDialog(dialog, IDOK);
  }),
              [&] { DialogBoxIndirectParam(nullptr, &sample, owner_, RecordingProc, 0); });
  EXPECT_EQ(fruit, 7);

  EXPECT_THAT(Stopped("tap 100 Papaya",
                      [&] { DialogBoxIndirectParam(nullptr, &sample, owner_, RecordingProc, 0); }),
              HasSubstr("combo box 100 has no item \"Papaya\""));
  ExpectCleanedUp();
}

TEST(ScriptedUserFormat, AFormattedTextMatchesItsFormat) {
  using platform::ui::scripted_user::MatchesFormat;
  EXPECT_TRUE(MatchesFormat(u"General error #%d!", u"General error #606!"));
  EXPECT_TRUE(MatchesFormat(u"General error #%d!", u"General error #-3!"));
  EXPECT_FALSE(MatchesFormat(u"General error #%d!", u"General error #!"));
  EXPECT_FALSE(MatchesFormat(u"General error #%d!", u"General error #12x!"));
  EXPECT_TRUE(MatchesFormat(u"Signature #%d is inconsistent!\r\nPlease enroll again!",
                            u"Signature #2 is inconsistent!\r\nPlease enroll again!"));
  EXPECT_TRUE(MatchesFormat(u"%s and %s", u"salt and pepper and more"));
  EXPECT_TRUE(MatchesFormat(u"%04X at 100%%", u"00FF at 100%"));
  EXPECT_FALSE(MatchesFormat(u"plain", u"plain text"));
}

using platform::ui::ParseScript;

std::vector<std::string> Parsed(std::string_view script) {
  ScriptedUser user;
  std::string error;
  EXPECT_TRUE(ParseScript(script, &user, &error)) << error;
  return user.Listing();
}

std::string ErrorOf(std::string_view script) {
  ScriptedUser user;
  std::string error;
  EXPECT_FALSE(ParseScript(script, &user, &error)) << script;
  return error;
}

TEST(Script, ReadsEveryLineKind) {
  // Each line as written and as listed back, odd spacing and case
  // normalised.
  const std::pair<std::string, std::string> lines[] = {
      {"expect dialog 628", "expect dialog 628"},
      {"expect  box   0x25E", "expect box 606"},
      {"tap 1", "tap 1"},
      {"tap 100 Kiwi fruit", "tap 100 Kiwi fruit"},
      {"tapxy 0 319", "tapxy 0 319"},
      {"type 679 two  words ", "type 679 two  words "},
      {"type 679", "type 679"},
      {"key enter", "key Enter"},
      {"key F12", "key F12"},
      {"sip Hello, World!", "sip Hello, World!"},
      {"pen 10,20 30,40   50,60", "pen 10,20 30,40 50,60"},
      {"wait 9000", "wait 9000"},
      {"check 679 text secret", "check 679 text secret"},
      {"check 2 enabled 0", "check 2 enabled 0"},
      {"check 3 checked 2", "check 3 checked 2"},
      {"shot out/one.png  ", "shot out/one.png"},
  };
  std::string script = "# a logon\n";
  std::vector<std::string> expected;
  for (const auto& [written, listed] : lines) {
    script += written + "\n";
    expected.push_back("line " + std::to_string(expected.size() + 2) + ": " + listed);
  }
  EXPECT_EQ(Parsed(script), expected);
}

TEST(Script, IgnoresBlankLinesCommentsLineEndsAndAByteOrderMark) {
  const std::vector<std::string> expected = {"line 3: tap 1", "line 5: wait 0"};
  EXPECT_EQ(Parsed("\xEF\xBB\xBF# comment\r\n   \r\n  tap 1\r\n\t# indented comment\r\nwait 0"),
            expected);
  EXPECT_TRUE(Parsed("").empty());
}

TEST(Script, NamesTheLineOfAnError) {
  EXPECT_EQ(ErrorOf("tap 1\n\nfly away"), "line 3: unknown command 'fly'");
  // Each malformed line is refused with the line and the command named.
  for (const char* bad :
       {"expect window 5", "expect dialog six", "expect dialog 628 now", "tap OK", "tapxy 240 10",
        "tapxy 10", "type\n", "key Space", "key F13", "sip", "pen", "pen 1,2 3;4", "pen 1,320",
        "wait -5", "check 1 colour red", "check 1 enabled yes", "check 1 checked 3", "shot   "}) {
    const std::string command =
        std::string(bad).substr(0, std::string_view(bad).find_first_of(" \n"));
    EXPECT_EQ(ErrorOf(bad).rfind("line 1: " + command, 0), 0u) << bad;
  }
}

TEST(Script, TheHostAddsLinesOfItsOwn) {
  std::vector<std::string> seen;
  ASSERT_TRUE(platform::ui::RegisterScriptCommand(
      "reset", [&seen](ScriptedUser& user, std::string_view arguments, std::string* error) {
        if (arguments != "soft" && arguments != "hard") {
          *error = "give soft or hard";
          return false;
        }
        seen.emplace_back(arguments);
        user.Then([] {}).Then([] {});
        return true;
      }));
  const std::vector<std::string> expected = {"line 1: tap 5", "line 2: step", "line 2: step"};
  EXPECT_EQ(Parsed("tap 5\nreset   hard  \n"), expected);
  EXPECT_EQ(seen, std::vector<std::string>{"hard"});
  EXPECT_EQ(ErrorOf("reset\n"), "line 1: reset: give soft or hard");

  // The built-in lines stay as they are; odd names are refused.
  EXPECT_FALSE(platform::ui::RegisterScriptCommand("tap", nullptr));
  EXPECT_FALSE(platform::ui::RegisterScriptCommand("two words", nullptr));
  EXPECT_FALSE(platform::ui::RegisterScriptCommand("", nullptr));
  ASSERT_TRUE(platform::ui::RegisterScriptCommand("reset", nullptr));
  EXPECT_EQ(ErrorOf("reset soft"), "line 1: unknown command 'reset'");
}

}  // namespace

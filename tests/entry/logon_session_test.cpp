// The logon session as a person meets it through PromptForPasswd: wrong
// passwords and their growing delays, a power cut in the middle of a delay
// with the alarm sounding at the false-logon limit.
// "Help" at the lock screen: the master password unblocks, the user sets a
// new secret, and logs on with it, with what the device stores on every
// road, including the failing ones.
#include <gtest/gtest.h>

#include <unistd.h>
#include <optional>
#include <string>
#include <utility>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/window.h"
#include "platform/wave_out.h"
#include "platform/wstring.h"
#include "tests/support/child_process.h"
#include "tests/support/run_scripted.h"
#include "tests/support/scenario_fixture.h"

namespace {

using namespace platform::ui::scripted_user;
using namespace testing_support;

constexpr DWORD kQuietVolume = 0x40004000;
constexpr LPCWSTR kListenerClass = u"StopAlarmListener";

// The parameters of the "WM_STOP_ALARM" a settings frame open elsewhere hears.
std::optional<std::pair<WPARAM, LPARAM>> g_heard;

LRESULT ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == RegisterWindowMessage(u"WM_STOP_ALARM")) g_heard = {wParam, lParam};
  return DefWindowProc(window, message, wParam, lParam);
}

// A wrong password typed and confirmed, the error box answered.
std::string WrongTry(int n) {
  return "expect dialog 628\ntype 679 wrong-" + std::to_string(n) +
         "\ntap 1\nexpect box 590\ntap 1\n";
}

// The delay dialog shows `seconds` seconds and not a tick less: still up
// when the time has passed (its last tick shows 100 %), gone one tick later.
std::string Delay(int seconds) {
  return "expect dialog 634\nwait " + std::to_string(seconds * 1000) +
         "\nexpect dialog 634\nwait 20\nexpect dialog 628\n";
}

class LogonSessionTest : public ScenarioTest {
 protected:
  DWORD recorded_ = 0;

  void TearDown() override {
    waveOutSetVolume(nullptr, 0xFFFFFFFF);
    ScenarioTest::TearDown();
  }
  // The text of the delay dialog's message control.
  static std::function<void()> DelayText(UINT id) {
    return [id] {
      const HWND text = FindControl(TopmostWindow(), 688);
      Require(text != nullptr, "no control 688");
      Require(ReadProperty(text, Property::kText) == platform::ToUtf8(Text(id)),
              "the delay shows \"" + ReadProperty(text, Property::kText) + "\"");
    };
  }
  // "Retry" and the "PwDelay" record. A false logon just recorded carries
  // the current tick; the clock stands still until the script waits.
  std::function<void()> Counted(DWORD retry, DWORD count, DWORD pending) {
    return [this, retry, count, pending] {
      Require(Retry() == retry, "\"Retry\" is not " + std::to_string(retry));
      const auto record = DelayRecord();
      Require(record && record->wellFormed, "\"PwDelay\" is no 36-byte LRU0 record");
      Require(record->count == count && record->pending == pending,
              "\"PwDelay\" holds count " + std::to_string(record->count) + ", pending " +
                  std::to_string(record->pending));
      if (pending == 1) recorded_ = GetTickCount();
      Require(record->time == recorded_, "\"PwDelay\" holds the time " +
                                             std::to_string(record->time) + ", not " +
                                             std::to_string(recorded_));
    };
  }
};

TEST_F(LogonSessionTest, WrongPasswordsAreCountedAndDelayedByTheSquareOfTheirNumber) {
  Configure({});
  Script script;
  script.Lines(WrongTry(1))
      .Then(Counted(1, 1, 1))
      .Then(DelayText(605))
      .Lines(Delay(1))
      .Then(Counted(1, 1, 0))
      .Lines(WrongTry(2))
      .Then(Counted(2, 2, 1))
      // The progress follows the clock: a quarter after one of four seconds.
      .Lines("expect dialog 634\nwait 1000\n")
      .Then([] {
        const HWND progress = FindControl(TopmostWindow(), 689);
        Require(progress != nullptr && SendMessage(progress, PBM_GETPOS, 0, 0) == 25,
                "the progress is not at 25 % after one of four seconds");
      })
      .Lines("wait 3000\nexpect dialog 634\nwait 20\nexpect dialog 628\n")
      .Lines(WrongTry(3))
      .Then(Counted(3, 3, 1))
      .Then(DelayText(605))
      .Lines(Delay(9))
      .Then(Counted(3, 3, 0))
      // The entry was emptied after each wrong one; Escape only shows the
      // logon again.
      .Lines(
          "check 679 text \ncheck 1 enabled 0\ntype 679 user1\nkey Escape\n"
          "expect dialog 628\ncheck 679 text \ntype 679 user1234\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  // Accepted: everything about the false logons is forgotten.
  EXPECT_EQ(Retry(), 0u);
  EXPECT_FALSE(DelayRecord().has_value());
  EXPECT_EQ(platform::message_box::Recorded().size(), 3u);
}

TEST_F(LogonSessionTest, APowerCutDuringTheDelayServesItAgainWithTheAlarmStillSounding) {
  Configure({.maxFalseLogons = 2, .actionAfterMax = 1});

  // The first boot: two wrong passwords, the second reaches the limit and
  // the alarm sounds; the battery is pulled during the delay.
  ChildProcess boot([this](ChildProcess& self) {
    // The volume the alarm will save: opening the output is the only way to
    // reach the device volume.
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 8000, 8000, 1, 8, 0};
    HWAVEOUT out = nullptr;
    if (waveOutOpen(&out, 0, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) {
      waveOutSetVolume(out, kQuietVolume);
      waveOutClose(out);
    }
    waveOutSetVolume(nullptr, kQuietVolume);
    Script script;
    script.Lines(WrongTry(1) + Delay(1) + WrongTry(2) + "expect dialog 634\nwait 2000\n")
        .Then([&self] {
          const auto status = platform::wave_out::CurrentStatus();
          self.Report(status.playing && status.looping ? "alarm" : "silent");
          for (;;) ::pause();
        });
    if (const auto stop = StopOf(script.User(), [this] { module_->Prompt(); }))
      self.Report(std::string("stopped: ") + stop->what());
  });
  ASSERT_EQ(boot.NextLine(), "alarm");
  boot.Kill();
  EXPECT_EQ(Retry(), 2u);
  const auto record = DelayRecord();
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->count, 2u);
  EXPECT_EQ(record->pending, 1u);

  // The next boot: the alarm sounds again at full volume and the whole
  // delay of the second false logon is served before the logon. Other
  // programs are told to stop their test playbacks.
  device_->Reopen();
  ASSERT_FALSE(platform::wave_out::CurrentStatus().open);
  WNDCLASS wc{};
  wc.lpfnWndProc = ListenerProc;
  wc.lpszClassName = kListenerClass;
  RegisterClass(&wc);
  const HWND listener = CreateWindowEx(0, kListenerClass, u"Settings", WS_POPUP, 0, 0, 10, 10,
                                       nullptr, 0, nullptr, nullptr);
  g_heard.reset();
  Script script;
  script.Lines("expect dialog 634\n")
      .Then([] {
        Require(g_heard == std::pair<WPARAM, LPARAM>(0, 0),
                "no WM_STOP_ALARM (0, 0) was broadcast");
      })
      .Then(DelayText(604))
      .Then([] {
        const auto status = platform::wave_out::CurrentStatus();
        Require(status.playing && status.looping, "the alarm did not resume");
        Require(status.deviceVolume == 0xFFFFFFFF && status.masterVolume == 0xFFFFFFFF,
                "the alarm does not sound at full volume");
      })
      .Lines(Delay(4))
      .Then([] {
        const auto served = DelayRecord();
        Require(served && served->count == 2 && served->pending == 0, "the delay is still owed");
      })
      .Lines("type 679 user1234\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  DestroyWindow(listener);
  UnregisterClass(kListenerClass, nullptr);

  // The accepted logon ends the alarm and puts the volume from before the
  // first alarm back.
  const auto status = platform::wave_out::CurrentStatus();
  EXPECT_FALSE(status.open);
  EXPECT_EQ(status.masterVolume, kQuietVolume);
  EXPECT_EQ(status.deviceVolume, kQuietVolume);
}

// The new user password typed twice in the change-password dialog.
std::string NewUserPassword(const std::string& password) {
  return "expect dialog 626\ncheck 777 enabled 0\ntype 684 " + password + "\ntype 685 " + password +
         "\n";
}

using UnblockTest = ScenarioTest;

TEST_F(UnblockTest, AWrongMasterIsAFalseLogonTheRightOneSetsANewUserPassword) {
  Configure({});
  Script script;
  script
      .Lines(
          "expect dialog 628\ntype 679 forgotten\ntap 1\nexpect box 590\ntap 1\nwait 1020\n"
          "expect dialog 628\ntap 724\nexpect dialog 785\ntype 727 Master#2\ntap 729\n"
          "expect box 631\ntap 1\n")
      .Then([] {
        Require(Retry() == 2u, "the wrong master password was not counted");
        Require(DelayRecord() && DelayRecord()->count == 2, "no delay for the wrong master");
      })
      // Four seconds for the second false logon; then the field is empty.
      .Lines(
          "expect dialog 634\nwait 4020\nexpect dialog 785\ncheck 727 text \n"
          "type 727 Master#1\ntap 729\n")
      .Then([] {
        // Proving the master password forgets the false logons at once.
        Require(Retry() == 0u && !DelayRecord(), "the false-logon state is not cleared");
      })
      // 3 and 33 characters are refused; 4 with its confirmation are taken.
      .Lines(NewUserPassword("abc") + "check 1 enabled 0\n" +
             NewUserPassword(std::string(33, 'x')) + "check 1 enabled 0\n" +
             NewUserPassword("new4") + "check 1 enabled 1\ntap 1\n")
      // Back at the password dialog, empty, and the new password logs on.
      .Lines(
          "expect dialog 628\ncheck 679 text \ncheck 1 enabled 0\n"
          "type 679 user1234\ntap 1\nexpect box 590\ntap 1\nwait 1020\n"
          "expect dialog 628\ntype 679 new4\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"new4");
  EXPECT_TRUE(system_->Check(u"new4"));
  EXPECT_EQ(StoredPasswords(), Passwords(u"Master#1", u"new4"));
}

TEST_F(UnblockTest, ARefusedSystemPasswordChangesNoSecretAndACancelledChangeNoneEither) {
  Configure({});
  Script script;
  // The right master password twice, the new secret's dialog escaped once.
  script
      .Lines(
          "expect dialog 628\ntap 724\nexpect dialog 785\ncheck 729 enabled 0\n"
          "type 727 Master#1\ntap 729\nexpect dialog 626\nkey Escape\nexpect dialog 785\n"
          "type 727 Master#1\ntap 729\n" +
          NewUserPassword("new12345"))
      .Then([] {
        // The first call proves the current password, the second changes it.
        platform::faults::Fail("SetPassword", ERROR_ACCESS_DENIED, 2);
      })
      .Lines(
          "tap 1\nexpect box 588\ntap 1\nexpect dialog 785\ntap 2\nexpect dialog 628\n"
          "type 679 user1234\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_TRUE(system_->Check(u"user1234"));
  EXPECT_EQ(StoredPasswords(), Passwords(u"Master#1", u"user1234"));
}

TEST_F(UnblockTest, TheSymbolPadUnblocksIntoANewPasswordInTheOtherSet) {
  Configure({.logonMethod = 1, .symbols = u"4711", .symbolSet = 0});
  Script script;
  script.Lines(
      "expect dialog 522\ntap 743\nexpect dialog 785\ntype 727 Master#1\ntap 729\n"
      // The pad in its setting use: the other set, then the OK rules.
      "expect dialog 522\ncheck 576 visible 1\ncheck 501 visible 1\ntap 501\n"
      "symbols 123\ncheck 1 enabled 0\nsymbols 4\ncheck 1 enabled 1\nsymbols 56789\n"
      "check 1 enabled 0\ntap 514\nsymbols 1234\ntap 1\n"
      // Confirmation: no set switch; a different entry starts over.
      "check 501 visible 0\nsymbols 1235\ntap 1\nexpect box 580\ntap 1\n"
      "expect dialog 522\ncheck 501 visible 1\nsymbols 1234\ntap 1\nsymbols 1234\ntap 1\n"
      // Back at the lock screen's pad; the old password is gone.
      "expect dialog 522\ncheck 501 visible 0\nsymbols 4711\ntap 1\nexpect box 652\ntap 1\n"
      "wait 1020\nexpect dialog 522\nsymbols 1234\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_EQ(StoredSymbols(), u"1234");
  EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, testing_support::kZentrakKey, u"PictoSymbolset"), 1u);
}

TEST_F(UnblockTest, AFailedSaveKeepsTheOldRecordAndTheNewPasswordInMemory) {
  Configure({.logonMethod = 1, .symbols = u"4711"});
  Script script;
  script
      .Lines(
          "expect dialog 522\ntap 743\nexpect dialog 785\ntype 727 Master#1\ntap 729\n"
          "expect dialog 522\nsymbols 2222\ntap 1\nsymbols 2222\n")
      .Then([] { platform::faults::Fail("CeWriteRecordProps", ERROR_DISK_FULL); })
      // The store reports its own error first.
      .Lines(
          "tap 1\nexpect box 606\ntap 1\nexpect box 600\ntap 1\nexpect dialog 785\ntap 2\n"
          "expect dialog 522\nsymbols 2222\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_EQ(StoredSymbols(), u"4711");
}

}  // namespace

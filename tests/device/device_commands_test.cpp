// pda's jobs and the device from end to end: the built program on a
// throw-away device, driven by scripts, checked by its exit status and by
// what the device holds afterwards.
// pda's command line: options stored, defaults kept, mistakes refused.
#include "device/device_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/command_line.h"
#include "device/quick_access_icon.h"
#include "platform/device.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/ui/shell/shell_internal.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "store/settings_record.h"
#include "tests/support/module_under_test.h"
#include "tests/support/pda_runner.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

using testing_support::RegBytes;
using testing_support::SetRegBytes;
using testing_support::SetRegDword;
using testing_support::Utf16Bytes;

constexpr const char16_t* kFixtureKey = u"Fixture\\PasswordModule";
// Installs with the master password "Master#1" and the user password "user1234".
constexpr const char* kInstall =
    "expect dialog 778\ntype 684 Master#1\ntype 685 Master#1\nkey Enter\n"
    "expect dialog 778\ntype 684 user1234\ntype 685 user1234\nkey Enter\n"
    "expect box 627\ntap 1\n";

using testing_support::Quoted;
using testing_support::RunPda;
using Outcome = testing_support::PdaOutcome;

bool CheckSystemPassword(std::u16string_view password) {
  return testing_support::SystemPassword().Check(password);
}

class DeviceCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = device_.folder().parent_path() / "host";
    std::filesystem::create_directories(host_);
  }

  // Runs pda on the device (closed here meanwhile, as another process
  // would find it) with `script` when it is not empty.
  Outcome Pda(const std::string& command, const std::string& script = {},
              const std::string& options = {}) {
    std::string arguments = "--device " + Quoted(device_.folder()) + " --headless " + options;
    if (!script.empty()) {
      const std::filesystem::path file = host_ / ("script" + std::to_string(++scripts_) + ".txt");
      std::ofstream(file, std::ios::binary | std::ios::trunc) << script;
      arguments += " --script " + Quoted(file);
    }
    platform::device::Close();
    const Outcome outcome = RunPda(arguments + " " + command);
    device_.Reopen();
    return outcome;
  }

  // Runs pda and expects `status`; the outcome for further checks.
  Outcome Expect(int status, const std::string& command, const std::string& script = {}) {
    Outcome outcome = Pda(command, script);
    EXPECT_EQ(outcome.status, status) << command << "\n" << script << outcome.output;
    return outcome;
  }

  // The stand-in module as the password provider; the system password is
  // "right1234".
  void UseFixture(bool powerOn) {
    testing_support::InstallFixture("fixture_password.cpl", u"\\Windows\\Fixture.cpl");
    ASSERT_TRUE(testing_support::SystemPassword().Set(u"", u"right1234"));
    SetRegBytes(HKEY_LOCAL_MACHINE, u"ControlPanel\\Password", u"Redirect", REG_SZ,
                Utf16Bytes(u"\\Windows\\Fixture.cpl"));
    SetRegBytes(HKEY_CURRENT_USER, u"ControlPanel\\Owner", u"PowrPass", REG_BINARY,
                {BYTE(powerOn ? 2 : 0)});
  }
  void SetAnswer(std::u16string_view answer) {
    SetRegBytes(HKEY_LOCAL_MACHINE, kFixtureKey, u"Answer", REG_SZ, Utf16Bytes(answer));
  }

  testing_support::TempDevice device_;
  std::filesystem::path host_;
  int scripts_ = 0;
};

TEST_F(DeviceCommandsTest, PromptAndLockExitWithWhatTheShellsCheckSaysOfTheAnswer) {
  ASSERT_NO_FATAL_FAILURE(UseFixture(false));
  SetAnswer(u"right1234");
  Expect(0, "prompt");
  SetAnswer(u"Right1234");
  Expect(2, "prompt");
  RegDeleteKey(HKEY_LOCAL_MACHINE, kFixtureKey);
  Expect(1, "prompt");

  Expect(0, "lock");
  SetRegDword(HKEY_LOCAL_MACHINE, kFixtureKey, u"Lock", 5);
  Expect(2, "lock");
}

TEST_F(DeviceCommandsTest, InstallPromptAndLockWithTheModuleAndTheScriptedUser) {
  Expect(1, "install", "expect dialog 778\nkey Escape\nexpect box 658\ntap 1\n");
  ASSERT_EQ(Expect(0, "install", kInstall).status, 0);
  EXPECT_TRUE(CheckSystemPassword(u"user1234"));

  // A script that ends while the logon waits: 4, naming the screen.
  Outcome outcome = Expect(4, "prompt", "expect dialog 628\n");
  EXPECT_NE(outcome.output.find("the screen shows dialog 628"), std::string::npos)
      << outcome.output;

  // A false logon, and the battery pulled during its delay ...
  outcome = Expect(0, "prompt",
                   "expect dialog 628\ntype 679 guess\ntap 1\nexpect box 590\ntap 1\n"
                   "expect dialog 634\ncut\ntap 1\n");
  EXPECT_NE(outcome.output.find("pda: power cut"), std::string::npos) << outcome.output;
  // ... the next logon first serves the delay it still owes.
  Expect(0, "prompt",
         "expect dialog 634\ncheck 688 text Delay from previous attempt...\nwait 1100\n"
         "expect dialog 628\ntype 679 user1234\ntap 1\n");

  Expect(0, "lock", "expect dialog 628\ntype 679 user1234\ntap 1\n");
}

TEST_F(DeviceCommandsTest, SettingsAndUninstallWithTheModuleAndTheScriptedUser) {
  ASSERT_EQ(Pda("install", kInstall).status, 0);
  // The logon first, then the sheet; "at Power ON" off and accepted.
  Expect(0, "settings",
         "expect dialog 628\ntype 679 user1234\ntap 1\ncheck 669 checked 1\n"
         "tap 669\ntap 711\nkey Escape\n");
  // The script runs out while the sheet still waits.
  Expect(4, "settings", "expect dialog 628\ntype 679 user1234\ntap 1\ncheck 669 checked 0\n");

  Expect(1, "uninstall", "expect dialog 786\ntap 2\n");
  EXPECT_TRUE(CheckSystemPassword(u"user1234"));
  Expect(0, "uninstall", "expect dialog 786\ntype 777 Master#1\ntap 1\n");
  EXPECT_TRUE(CheckSystemPassword(u""));
  const Outcome inspect = Pda("inspect --json");
  EXPECT_EQ(inspect.output.find("Zentrak"), std::string::npos) << inspect.output;
  EXPECT_EQ(inspect.output.find("Redirect"), std::string::npos) << inspect.output;
}

// Whatever the method, the prompt answers only after an accepted logon: the
// symbol pad can't be escaped, and an unknown method is guarded by the
// password dialog after its message.
TEST_F(DeviceCommandsTest, ThePromptNeverOpensTheDeviceWithoutProof) {
  ASSERT_EQ(Pda("install", kInstall).status, 0);
  ASSERT_TRUE(LoadSettings(true, true));
  g_Settings.LogonMethod = 1;
  AssignSecret(g_strSymbolPassword, u"4711");
  ASSERT_TRUE(SaveSettings(true, true));
  WipeAllSecrets();

  Expect(4, "prompt", "expect dialog 522\nkey Escape\nexpect dialog 522\n");
  const Outcome outcome = Expect(3, "prompt", "expect dialog 522\nsymbols 47x1\n");
  EXPECT_NE(outcome.output.find("line 2 (symbols 47x1)"), std::string::npos) << outcome.output;
  Expect(0, "prompt", "expect dialog 522\nsymbols 4711\ntap 1\n");

  SetRegDword(HKEY_LOCAL_MACHINE, u"Software\\Vexlund\\Zentrak", u"LogonMethod", 7);
  Expect(4, "prompt",
         "expect box 602\ntap 1\nexpect dialog 628\nkey Escape\n"
         "expect dialog 628\n");
  Expect(0, "prompt", "expect box 602\ntap 1\nexpect dialog 628\ntype 679 user1234\ntap 1\n");
  // Nothing of this changed what the device stores.
  ASSERT_TRUE(LoadSettings(true, true));
  EXPECT_EQ(g_strSymbolPassword, u"4711");
  EXPECT_EQ(g_strUserPassword, u"user1234");
  EXPECT_EQ(g_Settings.LogonMethod, 7u);
  WipeAllSecrets();
}

TEST_F(DeviceCommandsTest, TheTaskbarsLockIconLocksAndFollowsTheGeneralPage) {
  ASSERT_EQ(Pda("install", kInstall).status, 0);
  // Where pda's taskbar shows the icon: the same shell, here.
  std::string tapIcon;
  {
    platform::ui::shell::Start();
    pda::QuickAccessIcon probe(nullptr);
    ASSERT_TRUE(probe.Start());
    ASSERT_TRUE(probe.Shown()) << "the installed settings show the icon";
    const RECT at = platform::ui::shell::TaskbarIcons().at(0).rect;
    tapIcon = "tapxy " + std::to_string(at.left + 8) + " " + std::to_string(at.top + 8) + "\n";
    platform::ui::shell::Stop();
  }
  constexpr const char* kLogon = "expect dialog 628\ntype 679 user1234\ntap 1\n";
  const std::string home = "expect dialog 1\n";
  // A tap locks; then the General page's "Show command bar icon" is cleared
  // and accepted, and the icon is gone at once ...
  Outcome outcome =
      Expect(0, "",
             kLogon + home + tapIcon + kLogon + home + "tap 1010\n" + kLogon +
                 "check 695 checked 1\ntap 695\ntap 711\nkey Escape\n" + home + tapIcon + home);
  const std::string tapped = "pda: the taskbar's lock icon was tapped";
  const std::size_t first = outcome.output.find(tapped);
  EXPECT_NE(first, std::string::npos) << outcome.output;
  EXPECT_EQ(outcome.output.find(tapped, first + 1), std::string::npos) << outcome.output;
  // ... and stays off at the next boot.
  outcome = Expect(0, "", kLogon + home + tapIcon + home);
  EXPECT_EQ(outcome.output.find(tapped), std::string::npos) << outcome.output;
}

TEST_F(DeviceCommandsTest, TheHomeScreensEntriesResetTheDevice) {
  ASSERT_NO_FATAL_FAILURE(UseFixture(false));
  SetRegDword(HKEY_CURRENT_USER, u"Marker", u"Kept", 1);
  const Outcome outcome =
      Expect(0, "",
             "expect dialog 1\ncheck 1010 text Veyrholm PDA\ntap 1014\nexpect dialog 1\n"
             "tap 1015\nexpect dialog 778\nkey Escape\nexpect box 658\ntap 1\n"
             "expect dialog 1\n");
  EXPECT_NE(outcome.output.find("pda: soft reset"), std::string::npos) << outcome.output;
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, u"Marker", u"Kept").has_value());
  EXPECT_FALSE(CheckSystemPassword(u"right1234"));
}

TEST_F(DeviceCommandsTest, TheDemoRunsToTheEndAndLeavesAPictureOfEveryScreen) {
  const std::filesystem::path shots = host_ / "demo";
  const Outcome outcome = Pda("demo --screenshots " + Quoted(shots));
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("the pictures of its screens are in " + shots.string()),
            std::string::npos)
      << outcome.output;
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(shots))
    pictures += entry.path().extension() == ".png";
  EXPECT_GT(pictures, 10);
  // What the demo leaves: its user password is the system's, and the false
  // logon was forgiven by the right one.
  EXPECT_TRUE(CheckSystemPassword(u"user1234"));
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak", u"Retry"),
            testing_support::DwordBytes(0));
}

pda::Options Parse(const std::vector<std::string>& args) {
  pda::Options options;
  std::string error;
  EXPECT_TRUE(pda::ParseCommandLine(args, &options, &error)) << error;
  return options;
}

TEST(CommandLine, OptionsAreStoredAndDefaultsKept) {
  const pda::Options options =
      Parse({"--device", "/tmp/dev", "--headless", "--screenshots", "shots", "--script", "run.txt",
             "--real-time", "inspect", "--json"});
  EXPECT_EQ(options.device, "/tmp/dev");
  EXPECT_TRUE(options.headless);
  EXPECT_EQ(options.screenshots, "shots");
  EXPECT_EQ(options.script, "run.txt");
  EXPECT_TRUE(options.realTime);
  EXPECT_EQ(options.command, pda::Command::kInspect);
  EXPECT_TRUE(options.json);

  // Values may be given inline; a value that looks like an option is still
  // the value.
  const pda::Options inlined = Parse({"--device=a b", "--screenshots=s", "--script=f"});
  EXPECT_EQ(inlined.device, "a b");
  EXPECT_EQ(inlined.screenshots, "s");
  EXPECT_EQ(inlined.script, "f");
  EXPECT_EQ(Parse({"--device", "--headless"}).device, "--headless");
  // Help before and after the command.
  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"-h"}).help);
  EXPECT_TRUE(Parse({"--device", "d", "inspect", "--help"}).help);
  EXPECT_FALSE(pda::Usage().empty());
}

// Each mistake is refused with a reason that names the argument.
TEST(CommandLine, MistakesAreRefusedWithAReason) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--frobnicate"}, "--frobnicate"},          // unknown option
      {{"reboot"}, "reboot"},                      // unknown command
      {{"--device"}, "--device"},                  // missing value
      {{"--device="}, "--device"},                 // empty value
      {{"--headless=yes"}, "--headless"},          // flag with a value
      {{"inspect", "--xml"}, "--xml"},             // unknown command argument
      {{"inspect", "extra"}, "extra"},             // stray argument
      {{"inspect", "--device", "d"}, "--device"},  // global options come before the command
  };
  for (const auto& [args, named] : cases) {
    pda::Options options;
    std::string error;
    EXPECT_FALSE(pda::ParseCommandLine(args, &options, &error)) << named;
    EXPECT_NE(error.find(named), std::string::npos) << error;
  }
}

}  // namespace

// pda's jobs from end to end (the built program on a throw-away device,
// driven by scripts, checked by its exit status and what the device holds
// afterwards), its command line, and inspect: every key, value and record in
// text and JSON, the logon state decoded, the system password's flags but
// never its hash.
#include "device/device_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "device/command_line.h"
#include "device/inspect.h"
#include "device/quick_access_icon.h"
#include "platform/database.h"
#include "platform/device.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/system_password.h"
#include "platform/ui/shell/shell_internal.h"
#include "store/credential_set.h"
#include "store/settings_model.h"
#include "store/settings_record.h"
#include "tests/support/module_under_test.h"
#include "tests/support/pda_runner.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using namespace testing_support;

constexpr const char16_t* kFixtureKey = u"Fixture\\PasswordModule";
constexpr const char16_t* kZentrakKey = u"Software\\Vexlund\\Zentrak";
// Installs with the master password "Master#1" and the user password "user1234".
constexpr const char* kInstall =
    "expect dialog 778\ntype 684 Master#1\ntype 685 Master#1\nkey Enter\n"
    "expect dialog 778\ntype 684 user1234\ntype 685 user1234\nkey Enter\n"
    "expect box 627\ntap 1\n";

using Outcome = testing_support::PdaOutcome;

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

  // The stand-in module as the password provider, the power-on password off;
  // the system password is "right1234".
  void UseFixture() {
    testing_support::InstallFixture("fixture_password.cpl", u"\\Windows\\Fixture.cpl");
    ASSERT_TRUE(SystemPassword().Set(u"", u"right1234"));
    SetRegBytes(HKEY_LOCAL_MACHINE, u"ControlPanel\\Password", u"Redirect", REG_SZ,
                Utf16Bytes(u"\\Windows\\Fixture.cpl"));
    SetRegBytes(HKEY_CURRENT_USER, u"ControlPanel\\Owner", u"PowrPass", REG_BINARY, {0});
  }

  testing_support::TempDevice device_;
  std::filesystem::path host_;
  int scripts_ = 0;
};

TEST_F(DeviceCommandsTest, PromptAndLockExitWithWhatTheShellsCheckSaysOfTheAnswer) {
  ASSERT_NO_FATAL_FAILURE(UseFixture());
  SetRegBytes(HKEY_LOCAL_MACHINE, kFixtureKey, u"Answer", REG_SZ, Utf16Bytes(u"right1234"));
  Expect(0, "prompt");
  SetRegBytes(HKEY_LOCAL_MACHINE, kFixtureKey, u"Answer", REG_SZ, Utf16Bytes(u"Right1234"));
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
  EXPECT_TRUE(SystemPassword().Check(u"user1234"));

  // A false logon, and the battery pulled during its delay ...
  Outcome outcome = Expect(0, "prompt",
                           "expect dialog 628\ntype 679 guess\ntap 1\nexpect box 590\ntap 1\n"
                           "expect dialog 634\ncut\ntap 1\n");
  EXPECT_THAT(outcome.output, HasSubstr("pda: power cut"));
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
  EXPECT_TRUE(SystemPassword().Check(u"user1234"));
  Expect(0, "uninstall", "expect dialog 786\ntype 777 Master#1\ntap 1\n");
  EXPECT_TRUE(SystemPassword().Check(u""));
  const Outcome inspect = Pda("inspect --json");
  EXPECT_THAT(inspect.output, Not(HasSubstr("Zentrak")));
  EXPECT_THAT(inspect.output, Not(HasSubstr("Redirect")));
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
  EXPECT_THAT(outcome.output, HasSubstr("line 2 (symbols 47x1)"));
  Expect(0, "prompt", "expect dialog 522\nsymbols 4711\ntap 1\n");

  SetRegDword(HKEY_LOCAL_MACHINE, kZentrakKey, u"LogonMethod", 7);
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
  EXPECT_THAT(outcome.output, Not(HasSubstr(tapped)));
}

TEST_F(DeviceCommandsTest, TheHomeScreensEntriesResetTheDevice) {
  ASSERT_NO_FATAL_FAILURE(UseFixture());
  SetRegDword(HKEY_CURRENT_USER, u"Marker", u"Kept", 1);
  const Outcome outcome =
      Expect(0, "",
             "expect dialog 1\ncheck 1010 text Veyrholm PDA\ntap 1014\nexpect dialog 1\n"
             "tap 1015\nexpect dialog 778\nkey Escape\nexpect box 658\ntap 1\n"
             "expect dialog 1\n");
  EXPECT_THAT(outcome.output, HasSubstr("pda: soft reset"));
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, u"Marker", u"Kept").has_value());
  EXPECT_FALSE(SystemPassword().Check(u"right1234"));
}

TEST_F(DeviceCommandsTest, TheDemoRunsToTheEndAndLeavesAPictureOfEveryScreen) {
  const std::filesystem::path shots = host_ / "demo";
  const Outcome outcome = Pda("demo --screenshots " + Quoted(shots));
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("the pictures of its screens are in " + shots.string()));
  EXPECT_GT(std::distance(std::filesystem::directory_iterator(shots), {}), 10);
  // What the demo leaves: its user password is the system's, and the false
  // logon was forgiven by the right one.
  EXPECT_TRUE(SystemPassword().Check(u"user1234"));
  EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, kZentrakKey, u"Retry"), testing_support::DwordBytes(0));
}

TEST_F(DeviceCommandsTest, InspectReadsTheDeviceAndFailuresSetTheExitStatus) {
  SetRegDword(HKEY_LOCAL_MACHINE, kZentrakKey, u"LogonMethod", 1);
  EXPECT_THAT(Expect(0, "inspect --json").output,
              HasSubstr(R"(Zentrak":{"LogonMethod":{"type":4,"hex":"01000000"}})"));
  EXPECT_THAT(Expect(0, "inspect").output, HasSubstr("[registry]"));
  // Without a command pda shows the device screen, not the inspection.
  EXPECT_THAT(Expect(0, "").output, Not(HasSubstr("[registry]")));
  Expect(64, "frobnicate");

  // A damaged object store is refused, not silently replaced.
  platform::device::Close();
  testing_support::WriteFile(device_.folder() / "objectstore.db", std::string(8192, 'x'));
  const Outcome outcome = RunPda("--device " + Quoted(device_.folder()) + " inspect", false);
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(outcome.output.empty()) << outcome.output;
}

pda::Options Parse(const std::vector<std::string>& args) {
  pda::Options options;
  std::string error;
  EXPECT_TRUE(pda::ParseCommandLine(args, &options, &error)) << error;
  return options;
}

TEST(CommandLine, OptionsAreStored) {
  using Path = std::filesystem::path;
  const pda::Options o = Parse({"--device", "/tmp/dev", "--headless", "--screenshots", "shots",
                                "--script", "run.txt", "--real-time", "inspect", "--json"});
  EXPECT_EQ(std::tie(o.device, o.headless, o.screenshots, o.script, o.realTime, o.command, o.json),
            std::tuple(Path("/tmp/dev"), true, Path("shots"), Path("run.txt"), true,
                       pda::Command::kInspect, true));
  // Values may be given inline; a value that looks like an option is still
  // the value.
  const pda::Options inlined = Parse({"--device=a b", "--screenshots=s", "--script=f"});
  EXPECT_EQ(std::tie(inlined.device, inlined.screenshots, inlined.script),
            std::tuple(Path("a b"), Path("s"), Path("f")));
  EXPECT_EQ(Parse({"--device", "--headless"}).device, "--headless");
  // Help before and after the command.
  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"-h"}).help);
  EXPECT_TRUE(Parse({"--device", "d", "inspect", "--help"}).help);
}

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
    EXPECT_THAT(error, HasSubstr(named));
  }
}

// A database of one record with `values`.
void AddRecord(const char16_t* name, DWORD type, std::vector<CEPROPVAL> values) {
  CEOID oid = CeCreateDatabase(name, type, 0, nullptr);
  HANDLE db = CeOpenDatabase(&oid, nullptr, 0, 0, nullptr);
  ASSERT_NE(db, INVALID_HANDLE_VALUE);
  EXPECT_NE(CeWriteRecordProps(db, 0, static_cast<WORD>(values.size()), values.data()), 0u);
  CloseHandle(db);
}

struct Output {
  std::string json;
  std::string text;
  std::vector<std::string> errors;
};

Output Inspect() {
  pda::DeviceSnapshot snapshot;
  std::vector<std::string> errors;
  pda::CollectSnapshot(&snapshot, &errors);
  std::ostringstream json, text;
  pda::WriteInspectJson(snapshot, json);
  pda::WriteInspectText(snapshot, text);
  return {json.str(), text.str(), errors};
}

TEST(InspectJson, ShowsEveryKeyValueAndRecord) {
  testing_support::TempDevice device;
  SetRegBytes(HKEY_LOCAL_MACHINE, kZentrakKey, u"LogonMethod", REG_DWORD, {2, 0, 0, 0});
  SetRegBytes(HKEY_LOCAL_MACHINE, kZentrakKey, u"AlarmSound", REG_SZ, Utf16Bytes(u"A"));
  SetRegBytes(HKEY_LOCAL_MACHINE, kZentrakKey, u"Blob", REG_BINARY, {0xAB, 0x0C});
  SetRegBytes(HKEY_CURRENT_USER, u"ControlPanel\\Owner", nullptr, 0, {});
  SetRegBytes(HKEY_CLASSES_ROOT, u"Panel.Client.1", u"Empty", REG_BINARY, {});
  BYTE blob[] = {0x01, 0xFE};
  std::vector<CEPROPVAL> blobs(2);
  blobs[0].propid = MAKEPROPID(100, CEVT_BLOB);
  blobs[0].val.blob = {2, blob};
  blobs[1].propid = MAKEPROPID(101, CEVT_BLOB);
  AddRecord(u"Vexlund", 12345, blobs);

  const Output output = Inspect();
  EXPECT_TRUE(output.errors.empty());
  // Every level is a key of its own; values keep their creation order.
  EXPECT_EQ(output.json,
            R"({"registry":{"HKLM":{"Software":{},"Software\\Vexlund":{},)"
            R"("Software\\Vexlund\\Zentrak":{"LogonMethod":{"type":4,"hex":"02000000"},)"
            R"("AlarmSound":{"type":1,"hex":"41000000"},"Blob":{"type":3,"hex":"ab0c"}}},)"
            R"("HKCU":{"ControlPanel":{},"ControlPanel\\Owner":{}},)"
            R"("HKCR":{"Panel.Client.1":{"Empty":{"type":3,"hex":""}}}},)"
            R"("databases":[{"name":"Vexlund","type":12345,"records":[{"props":)"
            R"({"100":{"type":65,"hex":"01fe"},"101":{"type":65,"hex":""}}}]}],)"
            R"("system":{"password_set":false,"password_active":false}})"
            "\n");
  // The text form decodes numbers and texts next to their bytes.
  EXPECT_THAT(output.text, HasSubstr("Zentrak  LogonMethod  REG_DWORD  02000000  = 2\n"));
  EXPECT_THAT(output.text, HasSubstr("Zentrak  AlarmSound  REG_SZ  41000000  = \"A\"\n"));
}

// Names are escaped, non-ASCII stays UTF-8, broken UTF-16 is repaired, and no
// object names a member twice.
TEST(InspectJson, NamesAreEscapedAndNeverRepeated) {
  testing_support::TempDevice device;
  // Quote, backslash, control characters, Latin-1, and a character outside
  // the basic plane (a surrogate pair in UTF-16).
  const std::u16string name = u"a\"b\\c\x01\t\u00e4\U0001D11E";
  SetRegBytes(HKEY_CURRENT_USER, u"K\u00f6y", name.c_str(), REG_DWORD, {1, 0, 0, 0});
  // Different lone surrogates: both names come out as U+FFFD.
  SetRegBytes(HKEY_CURRENT_USER, u"K", u"\xD800", REG_DWORD, {1, 0, 0, 0});
  SetRegBytes(HKEY_CURRENT_USER, u"K", u"\xDC00", REG_DWORD, {2, 0, 0, 0});
  // One property id under two types.
  std::vector<CEPROPVAL> values(2);
  values[0].propid = MAKEPROPID(7, CEVT_UI2);
  values[0].val.uiVal = 1;
  values[1].propid = MAKEPROPID(7, CEVT_I4);
  values[1].val.lVal = 2;
  AddRecord(u"D", 1, values);

  const Output output = Inspect();
  EXPECT_THAT(output.json,
              HasSubstr("\"K\xc3\xb6y\":{\"a\\\"b\\\\c\\u0001\\t\xc3\xa4\xf0\x9d\x84\x9e\":"));
  // The text form shows control characters instead of sending them.
  EXPECT_THAT(output.text, Not(HasSubstr("\x01")));
  EXPECT_THAT(output.text, HasSubstr("a\"b\\c\\x01\\x09\xc3\xa4"));
  EXPECT_THAT(output.json, HasSubstr("\"K\":{\"\xEF\xBF\xBD\":{\"type\":4,\"hex\":\"01000000\"},"
                                     "\"\xEF\xBF\xBD#2\":{\"type\":4,\"hex\":\"02000000\"}}"));
  EXPECT_THAT(output.json, HasSubstr("{\"props\":{\"7\":{\"type\":18,\"hex\":\"0100\"},"
                                     "\"7#2\":{\"type\":3,\"hex\":\"02000000\"}}}"));
}

// No section without logon state; a missing counter shows as none.
TEST(InspectLogon, DecodesTheCounterAndTheDelayRecord) {
  testing_support::TempDevice device;
  Output written = Inspect();
  EXPECT_THAT(written.text, Not(HasSubstr("[logon]")));
  EXPECT_THAT(written.json, Not(HasSubstr("\"logon\"")));
  // Each case: the counter (kept for the next ones), the record, and the
  // lines of [logon] and the "logon" object they give.
  const struct {
    std::optional<DWORD> retry;
    testing_support::Bytes record;
    std::string text, json;
  } cases[] = {
      {std::nullopt, DelayRecordBytes(1, 1, 1), "retry    (none)\nPwDelay  time 1  count 1",
       R"({"retry":null,"delay":{"time":1,"count":1,"pending":1}})"},
      {3, DelayRecordBytes(70000, 3, 1),
       "retry    3\nPwDelay  time 70000  count 3  pending 1  (a delay of 9 s is owed)\n",
       R"({"retry":3,"delay":{"time":70000,"count":3,"pending":1}})"},
      {3, DelayRecordBytes(5, 2, 0), "retry    3\nPwDelay  time 5  count 2  pending 0\n",
       R"({"retry":3,"delay":{"time":5,"count":2,"pending":0}})"},
      {3, testing_support::Bytes(12, 0), "retry    3\nPwDelay  not a delay record (12 bytes)\n",
       R"({"retry":3,"delay":null})"},
  };
  for (const auto& c : cases) {
    if (c.retry) testing_support::SetRegDword(HKEY_CURRENT_USER, kZentrakKey, u"Retry", *c.retry);
    SetRegBytes(HKEY_CURRENT_USER, kZentrakKey, u"PwDelay", REG_BINARY, c.record);
    written = Inspect();
    EXPECT_THAT(written.text, HasSubstr("\n[logon]\n" + c.text));
    EXPECT_THAT(written.json, HasSubstr("\"logon\":" + c.json));
  }
  // The raw value keeps its line in [registry].
  EXPECT_THAT(written.text, HasSubstr("Zentrak  PwDelay  REG_BINARY  000000000000000000000000"));
}

TEST(InspectSystem, ShowsThePasswordFlagsButNeverTheHashOrSalt) {
  testing_support::TempDevice device;
  platform::system_password::Record record;
  record.set = true;
  record.active = true;
  record.iterations = 1000;
  record.salt = {0x5a, 0x17, 0x5a, 0x17, 0x5a, 0x17, 0x5a, 0x17};
  record.hash = {0xde, 0xad, 0xbe, 0xef, 0x13, 0x57, 0x9b, 0xdf, 0x24, 0x68};
  ASSERT_TRUE(platform::system_password::Store(record));

  const Output output = Inspect();
  EXPECT_THAT(output.json, HasSubstr(R"("system":{"password_set":true,"password_active":true})"));
  EXPECT_THAT(output.text, HasSubstr("\npassword set     yes\n"));
  for (const std::string& form : {output.json, output.text}) {
    EXPECT_THAT(form, Not(HasSubstr("deadbeef13579bdf")));
    EXPECT_THAT(form, Not(HasSubstr("5a175a175a17")));
  }
}

}  // namespace

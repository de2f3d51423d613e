#include "device/inspect.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/device.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/system_password.h"
#include "tests/support/pda_runner.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

constexpr const char16_t* kZentrakKey = u"Software\\Vexlund\\Zentrak";

using testing_support::DelayRecordBytes;
using testing_support::SetRegBytes;
using testing_support::Utf16Bytes;

void AddRecord(const char16_t* name, DWORD type, std::vector<std::vector<BYTE>> blobs) {
  CEOID oid = CeCreateDatabase(name, type, 0, nullptr);
  ASSERT_NE(oid, 0u);
  HANDLE db = CeOpenDatabase(&oid, nullptr, 0, 0, nullptr);
  ASSERT_NE(db, INVALID_HANDLE_VALUE);
  std::vector<CEPROPVAL> values(blobs.size());
  for (std::size_t i = 0; i < blobs.size(); ++i) {
    values[i].propid = MAKEPROPID(static_cast<WORD>(100 + i), CEVT_BLOB);
    values[i].val.blob = {static_cast<DWORD>(blobs[i].size()), blobs[i].data()};
  }
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
  Output output;
  pda::CollectSnapshot(&snapshot, &output.errors);
  std::ostringstream json;
  std::ostringstream text;
  pda::WriteInspectJson(snapshot, json);
  pda::WriteInspectText(snapshot, text);
  output.json = json.str();
  output.text = text.str();
  return output;
}

TEST(InspectJson, ShowsEveryKeyValueAndRecord) {
  testing_support::TempDevice device;
  SetRegBytes(HKEY_LOCAL_MACHINE, kZentrakKey, u"LogonMethod", REG_DWORD, {2, 0, 0, 0});
  SetRegBytes(HKEY_LOCAL_MACHINE, kZentrakKey, u"AlarmSound", REG_SZ, Utf16Bytes(u"A"));
  SetRegBytes(HKEY_LOCAL_MACHINE, kZentrakKey, u"Blob", REG_BINARY, {0xAB, 0x0C});
  SetRegBytes(HKEY_CURRENT_USER, u"ControlPanel\\Owner", nullptr, 0, {});
  SetRegBytes(HKEY_CLASSES_ROOT, u"Panel.Client.1", u"Empty", REG_BINARY, {});
  AddRecord(u"Vexlund", 12345, {{0x01, 0xFE}, {}});

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
  EXPECT_NE(output.text.find("Zentrak  LogonMethod  REG_DWORD  02000000  = 2\n"),
            std::string::npos);
  EXPECT_NE(output.text.find("Zentrak  AlarmSound  REG_SZ  41000000  = \"A\"\n"),
            std::string::npos);
}

TEST(InspectJson, NamesAreEscapedAndNonAsciiStaysUtf8) {
  testing_support::TempDevice device;
  // Quote, backslash, control characters, Latin-1, and a character outside
  // the basic plane (a surrogate pair in UTF-16); broken UTF-16 is repaired.
  const std::u16string name = u"a\"b\\c\x01\t\u00e4\U0001D11E";
  SetRegBytes(HKEY_CURRENT_USER, u"K\u00f6y", name.c_str(), REG_DWORD, {1, 0, 0, 0});

  const Output output = Inspect();
  EXPECT_NE(output.json.find("\"K\xc3\xb6y\":{\"a\\\"b\\\\c\\u0001\\t\xc3\xa4\xf0\x9d\x84\x9e\":"),
            std::string::npos)
      << output.json;
  // The text form shows control characters instead of sending them.
  EXPECT_EQ(output.text.find('\x01'), std::string::npos);
  EXPECT_NE(output.text.find("a\"b\\c\\x01\\x09\xc3\xa4"), std::string::npos) << output.text;
}

std::string Tail(const std::string& text, const std::string& from) {
  const auto at = text.find(from);
  return at == std::string::npos ? std::string() : text.substr(at);
}

// inspect's decoded false-logon state. No section without logon state; a record without a counter
// shows it as none; the counter and the record decoded.
TEST(InspectLogon, DecodesTheCounterAndTheDelayRecord) {
  testing_support::TempDevice device;
  Output written = Inspect();
  EXPECT_EQ(written.text.find("[logon]"), std::string::npos);
  EXPECT_EQ(written.json.find("\"logon\""), std::string::npos);
  SetRegBytes(HKEY_CURRENT_USER, kZentrakKey, u"PwDelay", REG_BINARY, DelayRecordBytes(1, 1, 1));
  written = Inspect();
  EXPECT_NE(written.text.find("retry    (none)\n"), std::string::npos) << written.text;
  EXPECT_NE(written.json.find(R"("logon":{"retry":null,"delay":{"time":1,"count":1,"pending":1}})"),
            std::string::npos)
      << written.json;

  testing_support::SetRegDword(HKEY_CURRENT_USER, kZentrakKey, u"Retry", 3);
  // The record's key is spelled in capitals by the module: the same key.
  SetRegBytes(HKEY_CURRENT_USER, u"SOFTWARE\\Vexlund\\Zentrak", u"PwDelay", REG_BINARY,
              DelayRecordBytes(70000, 3, 1));
  written = Inspect();
  EXPECT_EQ(Tail(written.text, "\n[logon]"),
            "\n[logon]\n"
            "retry    3\n"
            "PwDelay  time 70000  count 3  pending 1  (a delay of 9 s is owed)\n");
  EXPECT_EQ(Tail(written.json, "\"logon\""),
            R"("logon":{"retry":3,"delay":{"time":70000,"count":3,"pending":1}}})"
            "\n");
  // The raw value keeps its line in [registry].
  EXPECT_NE(written.text.find("Zentrak  PwDelay  REG_BINARY  4c525530701101"), std::string::npos)
      << written.text;

  // Served delay, and a record of the wrong size.
  SetRegBytes(HKEY_CURRENT_USER, kZentrakKey, u"PwDelay", REG_BINARY, DelayRecordBytes(5, 2, 0));
  written = Inspect();
  EXPECT_NE(written.text.find("PwDelay  time 5  count 2  pending 0\n"), std::string::npos);
  SetRegBytes(HKEY_CURRENT_USER, kZentrakKey, u"PwDelay", REG_BINARY,
              testing_support::Bytes(12, 0));
  written = Inspect();
  EXPECT_NE(written.text.find("PwDelay  not a delay record (12 bytes)\n"), std::string::npos);
  EXPECT_EQ(Tail(written.json, "\"logon\""), R"("logon":{"retry":3,"delay":null}})"
                                             "\n");
}

TEST(InspectJson, NoObjectNamesAMemberTwice) {
  testing_support::TempDevice device;
  // Different lone surrogates: both names come out as U+FFFD.
  SetRegBytes(HKEY_CURRENT_USER, u"K", u"\xD800", REG_DWORD, {1, 0, 0, 0});
  SetRegBytes(HKEY_CURRENT_USER, u"K", u"\xDC00", REG_DWORD, {2, 0, 0, 0});
  // One property id under two types.
  CEOID oid = CeCreateDatabase(u"D", 1, 0, nullptr);
  HANDLE db = CeOpenDatabase(&oid, nullptr, 0, 0, nullptr);
  ASSERT_NE(db, INVALID_HANDLE_VALUE);
  CEPROPVAL values[2] = {};
  values[0].propid = MAKEPROPID(7, CEVT_UI2);
  values[0].val.uiVal = 1;
  values[1].propid = MAKEPROPID(7, CEVT_I4);
  values[1].val.lVal = 2;
  EXPECT_NE(CeWriteRecordProps(db, 0, 2, values), 0u);
  CloseHandle(db);

  const Output output = Inspect();
  EXPECT_NE(output.json.find("\"K\":{\"\xEF\xBF\xBD\":{\"type\":4,\"hex\":\"01000000\"},"
                             "\"\xEF\xBF\xBD#2\":{\"type\":4,\"hex\":\"02000000\"}}"),
            std::string::npos)
      << output.json;
  EXPECT_NE(output.json.find("{\"props\":{\"7\":{\"type\":18,\"hex\":\"0100\"},"
                             "\"7#2\":{\"type\":3,\"hex\":\"02000000\"}}}"),
            std::string::npos)
      << output.json;
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
  EXPECT_NE(output.json.find(R"("system":{"password_set":true,"password_active":true})"),
            std::string::npos);
  EXPECT_NE(output.text.find("\npassword set     yes\n"), std::string::npos);
  for (const std::string& form : {output.json, output.text}) {
    EXPECT_EQ(form.find("deadbeef13579bdf"), std::string::npos);
    EXPECT_EQ(form.find("5a175a175a17"), std::string::npos);
  }
}

int RunPda(const std::string& arguments, std::string* output) {
  auto outcome = testing_support::RunPda(arguments, false);
  *output = std::move(outcome.output);
  return outcome.status;
}

TEST(PdaProgram, InspectsADeviceAndReportsFailuresByExitStatus) {
  testing_support::TempDevice device;
  SetRegBytes(HKEY_LOCAL_MACHINE, kZentrakKey, u"LogonMethod", REG_DWORD, {1, 0, 0, 0});
  // The program opens the device itself, as a second boot would.
  platform::device::Close();
  const std::string folder = "'" + device.folder().string() + "'";

  std::string output;
  ASSERT_EQ(RunPda("--device " + folder + " inspect --json", &output), 0);
  EXPECT_NE(
      output.find(R"("HKLM":{"Software":{},"Software\\Vexlund":{},)"
                  R"("Software\\Vexlund\\Zentrak":{"LogonMethod":{"type":4,"hex":"01000000"}}})"),
      std::string::npos)
      << output;
  EXPECT_EQ(RunPda("--device " + folder + " inspect", &output), 0);
  EXPECT_NE(output.find("[registry]"), std::string::npos);
  // Without a command pda shows the device screen, not the inspection.
  EXPECT_EQ(RunPda("--device " + folder + " --headless", &output), 0);
  EXPECT_EQ(output.find("[registry]"), std::string::npos);
  EXPECT_EQ(RunPda("--device " + folder + " frobnicate", &output), 64);

  // A damaged object store is refused, not silently replaced.
  const std::filesystem::path store = device.folder() / "objectstore.db";
  {
    std::ofstream damaged(store, std::ios::binary | std::ios::trunc);
    damaged << std::string(8192, 'x');
  }
  EXPECT_EQ(RunPda("--device " + folder + " inspect", &output), 1);
  EXPECT_TRUE(output.empty());
}

}  // namespace

// inspect's decoded false-logon state: the "Retry" counter and the
// "PwDelay" record, in text and JSON, next to the raw registry lines.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "device/inspect.h"
#include "platform/registry.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

using testing_support::Bytes;
using testing_support::SetRegBytes;
using testing_support::SetRegDword;

constexpr const char16_t* kKey = u"Software\\Vexlund\\Zentrak";

struct Written {
  std::string text;
  std::string json;
};

Written Inspect() {
  pda::DeviceSnapshot snapshot;
  std::vector<std::string> errors;
  pda::CollectSnapshot(&snapshot, &errors);
  EXPECT_TRUE(errors.empty());
  std::ostringstream text;
  std::ostringstream json;
  pda::WriteInspectText(snapshot, text);
  pda::WriteInspectJson(snapshot, json);
  return {text.str(), json.str()};
}

std::string Tail(const std::string& text, const std::string& from) {
  const auto at = text.find(from);
  return at == std::string::npos ? std::string() : text.substr(at);
}

// No section without logon state; a record without a counter shows it as
// none; the counter and the record decoded.
TEST(InspectLogon, DecodesTheCounterAndTheDelayRecord) {
  testing_support::TempDevice device;
  Written written = Inspect();
  EXPECT_EQ(written.text.find("[logon]"), std::string::npos);
  EXPECT_EQ(written.json.find("\"logon\""), std::string::npos);
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay", REG_BINARY,
              testing_support::DelayRecordBytes(1, 1, 1));
  written = Inspect();
  EXPECT_NE(written.text.find("retry    (none)\n"), std::string::npos) << written.text;
  EXPECT_NE(written.json.find(R"("logon":{"retry":null,"delay":{"time":1,"count":1,"pending":1}})"),
            std::string::npos)
      << written.json;

  SetRegDword(HKEY_CURRENT_USER, kKey, u"Retry", 3);
  // The record's key is spelled in capitals by the module: the same key.
  SetRegBytes(HKEY_CURRENT_USER, u"SOFTWARE\\Vexlund\\Zentrak", u"PwDelay", REG_BINARY,
              testing_support::DelayRecordBytes(70000, 3, 1));
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
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay", REG_BINARY,
              testing_support::DelayRecordBytes(5, 2, 0));
  written = Inspect();
  EXPECT_NE(written.text.find("PwDelay  time 5  count 2  pending 0\n"), std::string::npos);
  SetRegBytes(HKEY_CURRENT_USER, kKey, u"PwDelay", REG_BINARY, Bytes(12, 0));
  written = Inspect();
  EXPECT_NE(written.text.find("PwDelay  not a delay record (12 bytes)\n"), std::string::npos);
  EXPECT_EQ(Tail(written.json, "\"logon\""), R"("logon":{"retry":3,"delay":null}})"
                                             "\n");
}

}  // namespace

#include "device/inspect.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "device/json_writer.h"
#include "platform/database.h"
#include "platform/device.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/system_password.h"
#include "tests/support/temp_device.h"

namespace {

// Just enough JSON to read the inspect document back: objects keep their
// member order, numbers are integers.
struct Json {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  bool boolean = false;
  std::int64_t number = 0;
  std::string text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  const Json* Find(std::string_view key) const {
    for (const auto& [name, value] : members)
      if (name == key) return &value;
    return nullptr;
  }
  const Json& operator[](std::string_view key) const {
    static const Json missing;
    const Json* found = Find(key);
    if (found == nullptr) ADD_FAILURE() << "no member " << key;
    return found != nullptr ? *found : missing;
  }
};

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : text_(text) {}

  std::optional<Json> Document() {
    Json value;
    if (!Value(&value)) return std::nullopt;
    Space();
    if (pos_ != text_.size()) return std::nullopt;
    return value;
  }

 private:
  void Space() {
    while (pos_ < text_.size() && std::string_view(" \t\r\n").find(text_[pos_]) != npos) ++pos_;
  }
  bool Eat(char c) {
    Space();
    if (pos_ < text_.size() && text_[pos_] == c) return ++pos_, true;
    return false;
  }
  bool Literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }
  bool Hex4(unsigned* out) {
    if (pos_ + 4 > text_.size()) return false;
    *out = std::stoul(std::string(text_.substr(pos_, 4)), nullptr, 16);
    pos_ += 4;
    return true;
  }
  bool String(std::string* out) {
    if (!Eat('"')) return false;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;  // must be escaped
      if (c != '\\') {
        *out += c;
        continue;
      }
      if (pos_ >= text_.size()) return false;
      const char e = text_[pos_++];
      const std::string_view simple = "\"\\/bfnrt";
      const std::string_view meaning = "\"\\/\b\f\n\r\t";
      if (simple.find(e) != npos) {
        *out += meaning[simple.find(e)];
      } else if (e == 'u') {
        // The writer escapes only control characters; everything else is
        // raw UTF-8.
        unsigned unit = 0;
        if (!Hex4(&unit) || unit >= 0x80) return false;
        *out += static_cast<char>(unit);
      } else {
        return false;
      }
    }
    return false;
  }
  bool Value(Json* out) {
    Space();
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_];
    if (c == '{') {
      out->kind = Json::kObject;
      ++pos_;
      if (Eat('}')) return true;
      do {
        std::string key;
        Json value;
        if (!String(&key) || !Eat(':') || !Value(&value)) return false;
        out->members.emplace_back(std::move(key), std::move(value));
      } while (Eat(','));
      return Eat('}');
    }
    if (c == '[') {
      out->kind = Json::kArray;
      ++pos_;
      if (Eat(']')) return true;
      do {
        Json value;
        if (!Value(&value)) return false;
        out->items.push_back(std::move(value));
      } while (Eat(','));
      return Eat(']');
    }
    if (c == '"') {
      out->kind = Json::kString;
      return String(&out->text);
    }
    if (Literal("true")) {
      out->kind = Json::kBool;
      out->boolean = true;
      return true;
    }
    if (Literal("false")) {
      out->kind = Json::kBool;
      return true;
    }
    if (Literal("null")) return true;
    std::size_t end = pos_;
    if (end < text_.size() && text_[end] == '-') ++end;
    while (end < text_.size() && std::isdigit(static_cast<unsigned char>(text_[end]))) ++end;
    if (end == pos_) return false;
    out->kind = Json::kNumber;
    out->number = std::stoll(std::string(text_.substr(pos_, end - pos_)));
    pos_ = end;
    return true;
  }

  static constexpr auto npos = std::string_view::npos;
  std::string_view text_;
  std::size_t pos_ = 0;
};

Json ParseOrFail(const std::string& text) {
  std::optional<Json> parsed = JsonParser(text).Document();
  EXPECT_TRUE(parsed.has_value()) << "not JSON: " << text;
  return parsed.value_or(Json{});
}

void SetValue(HKEY root, const char16_t* path, const char16_t* name, DWORD type,
              const std::vector<BYTE>& data) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            static_cast<LONG>(ERROR_SUCCESS));
  if (name != nullptr) {
    EXPECT_EQ(RegSetValueEx(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())),
              static_cast<LONG>(ERROR_SUCCESS));
  }
  RegCloseKey(key);
}

std::vector<BYTE> Utf16Bytes(std::u16string_view text) {
  std::vector<BYTE> bytes;
  for (const char16_t c : text) {
    bytes.push_back(static_cast<BYTE>(c & 0xFF));
    bytes.push_back(static_cast<BYTE>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

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

bool HasLine(const std::string& text, const std::string& line) {
  std::istringstream in(text);
  for (std::string current; std::getline(in, current);)
    if (current == line) return true;
  return false;
}

TEST(InspectJson, EmptyDeviceHasEveryRootAndNoDatabase) {
  testing_support::TempDevice device;
  const Output output = Inspect();
  EXPECT_TRUE(output.errors.empty());
  EXPECT_EQ(output.json, R"({"registry":{"HKLM":{},"HKCU":{},"HKCR":{}},"databases":[],)"
                         R"("system":{"password_set":false,"password_active":false}})"
                         "\n");
}

TEST(InspectJson, ShowsEveryKeyValueAndRecord) {
  testing_support::TempDevice device;
  SetValue(HKEY_LOCAL_MACHINE, u"Software\\Vexlund\\Zentrak", u"LogonMethod", REG_DWORD,
           {2, 0, 0, 0});
  SetValue(HKEY_LOCAL_MACHINE, u"Software\\Vexlund\\Zentrak", u"AlarmSound", REG_SZ,
           Utf16Bytes(u"A"));
  SetValue(HKEY_LOCAL_MACHINE, u"Software\\Vexlund\\Zentrak", u"Blob", REG_BINARY, {0xAB, 0x0C});
  SetValue(HKEY_CURRENT_USER, u"ControlPanel\\Owner", nullptr, 0, {});
  SetValue(HKEY_CLASSES_ROOT, u"Panel.Client.1", u"Empty", REG_BINARY, {});
  AddRecord(u"Vexlund", 12345, {{0x01, 0xFE}, {}});

  const Output output = Inspect();
  EXPECT_TRUE(output.errors.empty());
  const Json doc = ParseOrFail(output.json);
  const Json& hklm = doc["registry"]["HKLM"];
  // Every level is a key of its own; values keep their creation order.
  ASSERT_EQ(hklm.members.size(), 3u);
  EXPECT_EQ(hklm.members[0].first, "Software");
  EXPECT_EQ(hklm.members[1].first, "Software\\Vexlund");
  EXPECT_TRUE(hklm.members[1].second.members.empty());
  const Json& zentrak = hklm["Software\\Vexlund\\Zentrak"];
  ASSERT_EQ(zentrak.members.size(), 3u);
  EXPECT_EQ(zentrak.members[0].first, "LogonMethod");
  EXPECT_EQ(zentrak.members[1].first, "AlarmSound");
  EXPECT_EQ(zentrak["LogonMethod"]["type"].number, 4);
  EXPECT_EQ(zentrak["LogonMethod"]["hex"].text, "02000000");
  EXPECT_EQ(zentrak["AlarmSound"]["type"].number, 1);
  EXPECT_EQ(zentrak["AlarmSound"]["hex"].text, "41000000");
  EXPECT_EQ(zentrak["Blob"]["hex"].text, "ab0c");
  EXPECT_TRUE(doc["registry"]["HKCU"]["ControlPanel\\Owner"].members.empty());
  EXPECT_EQ(doc["registry"]["HKCR"]["Panel.Client.1"]["Empty"]["hex"].text, "");

  const Json& databases = doc["databases"];
  ASSERT_EQ(databases.items.size(), 1u);
  EXPECT_EQ(databases.items[0]["name"].text, "Vexlund");
  EXPECT_EQ(databases.items[0]["type"].number, 12345);
  ASSERT_EQ(databases.items[0]["records"].items.size(), 1u);
  const Json& props = databases.items[0]["records"].items[0]["props"];
  EXPECT_EQ(props["100"]["type"].number, CEVT_BLOB);
  EXPECT_EQ(props["100"]["hex"].text, "01fe");
  EXPECT_EQ(props["101"]["hex"].text, "");

  EXPECT_TRUE(HasLine(output.text,
                      "HKLM\\Software\\Vexlund\\Zentrak  LogonMethod  REG_DWORD  02000000  = 2"));
  EXPECT_TRUE(HasLine(output.text,
                      "HKLM\\Software\\Vexlund\\Zentrak  AlarmSound  REG_SZ  41000000  = \"A\""));
  EXPECT_TRUE(HasLine(output.text, "HKCU\\ControlPanel\\Owner  (no values)"));
  EXPECT_TRUE(HasLine(output.text, "Vexlund  type 12345  1 record"));
  EXPECT_TRUE(HasLine(output.text, "    100  CEVT_BLOB  01fe"));
}

TEST(InspectJson, NamesAreEscapedAndNonAsciiStaysUtf8) {
  testing_support::TempDevice device;
  // Quote, backslash, control characters, Latin-1, and a character outside
  // the basic plane (a surrogate pair in UTF-16).
  const std::u16string name = u"a\"b\\c\x01\t\u00e4\U0001D11E";
  SetValue(HKEY_CURRENT_USER, u"K\u00f6y", name.c_str(), REG_DWORD, {1, 0, 0, 0});

  const Output output = Inspect();
  EXPECT_NE(output.json.find("\"K\xc3\xb6y\":{\"a\\\"b\\\\c\\u0001\\t\xc3\xa4\xf0\x9d\x84\x9e\":"),
            std::string::npos)
      << output.json;
  const Json doc = ParseOrFail(output.json);
  EXPECT_EQ(doc["registry"]["HKCU"]["K\xc3\xb6y"].members.at(0).first,
            "a\"b\\c\x01\t\xc3\xa4\xf0\x9d\x84\x9e");
  // The text form shows control characters instead of sending them.
  EXPECT_EQ(output.text.find('\x01'), std::string::npos);
  EXPECT_NE(output.text.find("a\"b\\c\\x01\\x09\xc3\xa4"), std::string::npos) << output.text;
}

TEST(JsonQuote, EscapesWhatJsonRequiresAndRepairsBrokenUtf8) {
  EXPECT_EQ(pda::JsonQuote("plain"), "\"plain\"");
  EXPECT_EQ(pda::JsonQuote("\"\\\n\r\b\f\x1f"), R"("\"\\\n\r\b\f\u001f")");
  EXPECT_EQ(pda::JsonQuote("\xe2\x82\xac"), "\"\xe2\x82\xac\"");
  // A stray continuation byte, a truncated sequence, an overlong '/' and an
  // encoded surrogate each become U+FFFD.
  EXPECT_EQ(pda::JsonQuote("\x80|\xe2\x82|\xc0\xaf|\xed\xa0\x80"),
            R"("\ufffd|\ufffd\ufffd|\ufffd\ufffd|\ufffd\ufffd\ufffd")");
}

TEST(JsonWriter, SeparatesMembersAndNestsContainers) {
  std::ostringstream out;
  pda::JsonWriter json(out);
  json.BeginObject();
  json.Key("a");
  json.BeginArray();
  json.Number(-1);
  json.Bool(true);
  json.Null();
  json.BeginObject();
  json.EndObject();
  json.EndArray();
  json.Key("b");
  json.String("x");
  json.EndObject();
  EXPECT_EQ(out.str(), R"({"a":[-1,true,null,{}],"b":"x"})");
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
  const Json doc = ParseOrFail(output.json);
  EXPECT_TRUE(doc["system"]["password_set"].boolean);
  EXPECT_TRUE(doc["system"]["password_active"].boolean);
  EXPECT_TRUE(HasLine(output.text, "password set     yes"));
  for (const std::string& form : {output.json, output.text}) {
    EXPECT_EQ(form.find("deadbeef13579bdf"), std::string::npos);
    EXPECT_EQ(form.find("5a175a175a17"), std::string::npos);
  }
}

TEST(InspectSnapshot, FindsValuesWithoutRegardToCase) {
  testing_support::TempDevice device;
  SetValue(HKEY_CURRENT_USER, u"Software\\Vexlund\\Zentrak", u"Retry", REG_DWORD, {3, 0, 0, 0});
  pda::DeviceSnapshot snapshot;
  std::vector<std::string> errors;
  pda::CollectSnapshot(&snapshot, &errors);
  const pda::RegistryValue* value =
      pda::FindRegistryValue(snapshot, "HKCU", u"SOFTWARE\\Vexlund\\Zentrak", u"retry");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->data, (pda::Bytes{3, 0, 0, 0}));
  EXPECT_EQ(pda::FindRegistryValue(snapshot, "HKLM", u"Software\\Vexlund\\Zentrak", u"Retry"),
            nullptr);
}

// Runs the built program; returns its exit status and standard output.
int RunPda(const std::string& arguments, std::string* output) {
  const std::string command = std::string(VEYR_BIN_DIR) + "/pda " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  output->clear();
  for (std::size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) output->append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PdaProgram, InspectsADeviceAndReportsFailuresByExitStatus) {
  testing_support::TempDevice device;
  SetValue(HKEY_LOCAL_MACHINE, u"Software\\Vexlund\\Zentrak", u"LogonMethod", REG_DWORD,
           {1, 0, 0, 0});
  // The program opens the device itself, as a second boot would.
  platform::device::Close();
  const std::string folder = "'" + device.folder().string() + "'";

  std::string output;
  ASSERT_EQ(RunPda("--device " + folder + " inspect --json", &output), 0);
  EXPECT_EQ(output.rfind("{\"registry\":", 0), 0u) << output;
  const Json doc = ParseOrFail(output);
  EXPECT_EQ(doc["registry"]["HKLM"]["Software\\Vexlund\\Zentrak"]["LogonMethod"]["hex"].text,
            "01000000");

  EXPECT_EQ(RunPda("--device " + folder, &output), 0);
  EXPECT_NE(output.find("[registry]"), std::string::npos);
  EXPECT_EQ(RunPda("--help", &output), 0);
  EXPECT_NE(output.find("Usage: pda"), std::string::npos);
  EXPECT_EQ(RunPda("--device " + folder + " frobnicate", &output), 64);
  EXPECT_EQ(RunPda("--nonsense", &output), 64);

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

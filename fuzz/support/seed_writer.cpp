// Writes the seeds of the structured fuzz targets into fuzz/corpus/, each
// made by the module's own code on a throw-away device (a stored record
// read back, the real templates and strings) in the layout its target
// reads. Run after a change of a layout: fuzz_seed_writer fuzz/corpus
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/demo_script.h"
#include "fuzz/support/fuzz_device.h"
#include "fuzz/support/fuzz_input.h"
#include "fuzz/support/settings_places.h"
#include "lockout/false_logon_control.h"
#include "platform/database.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/system_names.h"
#include "res/dialog_templates.h"
#include "res/registry_names.h"
#include "res/string_table.h"
#include "store/credential_set.h"
#include "store/credential_store.h"
#include "store/settings_model.h"
#include "store/settings_record.h"

namespace {

std::filesystem::path g_root;

void Write(const char* target, const char* name, const std::string& bytes) {
  const auto dir = g_root / target;
  std::filesystem::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary) << bytes;
}

std::string Stored(HKEY root, LPCWSTR path, LPCWSTR name, DWORD* type) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  DWORD size = 0;
  RegQueryValueEx(key, name, nullptr, type, nullptr, &size);
  std::string bytes(size, '\0');
  RegQueryValueEx(key, name, nullptr, type, reinterpret_cast<BYTE*>(bytes.data()), &size);
  RegCloseKey(key);
  return bytes;
}

std::string Utf16(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) bytes.push_back(char(c & 0xFF)), bytes.push_back(char(c >> 8));
  return bytes;
}

std::string OwnerRecord() {
  std::string record(768, '\0');
  const std::pair<std::size_t, std::u16string_view> fields[] = {{0, u"Jo Owner"},
                                                                {72, u"Vexlund"},
                                                                {144, u"1 Quay Road"},
                                                                {516, u"555 0100"},
                                                                {566, u"jo@example.org"}};
  for (const auto& [at, text] : fields) record.replace(at, text.size() * 2, Utf16(text));
  return record;
}

void DelaySeeds() {
  fuzz::DeleteKey(HKEY_CURRENT_USER, kSettingsKeyPath);
  DelayRecord record{5000, 3, 1};
  WriteDelayRecord(kDelayRecordName, record);
  SetFalseLogonCount(3);
  DWORD type = 0;
  const std::string delay = Stored(HKEY_CURRENT_USER, kSettingsKeyPath, kDelayRecordName, &type);
  DWORD retryType = 0;
  const std::string retry =
      Stored(HKEY_CURRENT_USER, kSettingsKeyPath, kFalseLogonCountName, &retryType);
  fuzz::Output one;
  one.U8(0).U8(static_cast<std::uint8_t>(type)).Chunk(delay);
  one.U8(1).U8(static_cast<std::uint8_t>(retryType)).Chunk(retry);
  Write("delay_record", "pending", one.Bytes());
  // Ten records of other users: the logon's own must evict one.
  fuzz::Output full;
  for (std::uint8_t user = 2; user < 12; ++user) full.U8(user).U8(REG_BINARY).Chunk(delay);
  Write("delay_record", "ten_others", full.Bytes());
  fuzz::Output shortRecord;
  shortRecord.U8(0).U8(REG_BINARY).Chunk(delay.substr(0, 20));
  Write("delay_record", "short", shortRecord.Bytes());
}

void CredentialSeeds() {
  WipeAllSecrets();
  AssignSecret(g_strMasterPassword, u"Master#1");
  AssignSecret(g_strUserPassword, u"user1234");
  AssignSecret(g_strSymbolPassword, u"04127");
  AssignSecret(g_strSignature, u"*****");
  DeleteCredentials();
  SaveCredentials();
  CEOID oid = 0;
  HANDLE db = CeOpenDatabase(&oid, kCredentialDatabaseName, 0, 0, nullptr);
  CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr);
  BYTE* buffer = nullptr;
  DWORD size = 0;
  WORD count = 0;
  CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size);
  CloseHandle(db);
  const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer);
  fuzz::Output record;
  record.U8(1).U8(count);
  for (WORD i = 0; i < count; ++i) {
    // Ids 100..103 are written as 0..3; the type index 0 is a blob.
    record.U8(static_cast<std::uint8_t>(PROPID_ID(values[i].propid) - 100)).U8(0).U8(0);
    record.Chunk(
        {reinterpret_cast<const char*>(values[i].val.blob.lpb), values[i].val.blob.dwCount});
  }
  LocalFree(buffer);
  Write("credential_record", "stored", record.Bytes());
  WipeAllSecrets();
  DeleteCredentials();
}

void SettingsSeeds() {
  const auto& places = fuzz::kSettingsPlaces;
  g_Settings = SettingsRecord{};
  g_Settings.WelcomeText1 = u"Welcome";
  g_Settings.WelcomeText2 = u"to the device";
  g_Settings.ActivationDelay = 1;
  SaveSettings(true, false);
  fuzz::SetValue(HKEY_CURRENT_USER, kOwnerKeyPath, u"Owner", REG_BINARY, OwnerRecord());
  fuzz::SetValue(HKEY_CURRENT_USER, kOwnerKeyPath, u"PowrPass", REG_BINARY, "\x02");
  fuzz::Output all;
  for (std::size_t i = 0; i < std::size(places); ++i) {
    DWORD type = 0;
    const std::string bytes = Stored(places[i].root, places[i].path, places[i].name, &type);
    if (bytes.empty() && type == 0) continue;
    all.U8(static_cast<std::uint8_t>(i)).U8(static_cast<std::uint8_t>(type)).Chunk(bytes);
  }
  Write("settings_values", "saved", all.Bytes());
  fuzz::Output minimal;
  minimal.U8(0).U8(REG_DWORD).Chunk(std::string("\x01\0\0\0", 4));
  Write("settings_values", "method_only", minimal.Bytes());
}

void OwnerSeeds() {
  Write("owner_record", "full", std::string(1, char(REG_BINARY)) + OwnerRecord());
  Write("owner_record", "name_only", std::string(1, char(REG_BINARY)) + Utf16(u"Jo Owner"));
}

void ScriptSeeds() {
  Write("pda_script", "demo", std::string(pda::DemoScript()));
  Write("pda_script", "lines",
        "# every kind of line\nexpect dialog 628\nexpect box 590\ntap 1\ntap 1001 Pictures\n"
        "tap 12320 2\ntapxy 120 160\ntype 1000 Master#1\nkey Enter\nkey F3\nsip user1234\n"
        "pen 10,10 60,40 110,20\nwait 25000\ncheck 1000 text abc\ncheck 1 enabled 1\n"
        "symbols 0412\nshot screen.png\npower 1000\nreset soft\ncut\n");
}

void ResourceSeeds() {
  // Two dialogs per seed with the strings they use; every template once.
  for (std::size_t first = 0; first < kDialogTemplateCount; first += 2) {
    fuzz::Output out;
    out.U8(static_cast<std::uint8_t>(std::min<std::size_t>(kStringTableSize, 23)));
    for (std::size_t i = 0; i < std::min<std::size_t>(kStringTableSize, 23); ++i) {
      const StringResource& s = kStringTable[(first * 5 + i) % kStringTableSize];
      out.U16(static_cast<std::uint16_t>(s.id)).Text16(s.text);
    }
    const std::size_t count = std::min<std::size_t>(2, kDialogTemplateCount - first);
    out.U8(static_cast<std::uint8_t>(count));
    for (std::size_t d = first; d < first + count; ++d) {
      const DialogTemplate& t = kDialogTemplates[d];
      out.U16(static_cast<std::uint16_t>(t.id)).U32(t.style).U32(t.exStyle);
      out.U16(t.x).U16(t.y).U16(t.cx).U16(t.cy);
      out.Text16(t.title ? t.title : u"").Text16(t.fontFace ? t.fontFace : u"");
      out.U8(static_cast<std::uint8_t>(t.fontPointSize));
      out.U8(static_cast<std::uint8_t>(std::min<std::size_t>(t.itemCount, 15)));
      for (std::size_t i = 0; i < std::min<std::size_t>(t.itemCount, 15); ++i) {
        const DialogItemTemplate& item = t.items[i];
        out.U16(static_cast<std::uint16_t>(item.id));
        // Class names go as their own text.
        out.U8(0xF0).Text16(item.className);
        out.U32(item.style).U32(item.exStyle);
        out.U16(item.x).U16(item.y).U16(item.cx).U16(item.cy);
        out.Text16(item.text ? item.text : u"").U16(static_cast<std::uint16_t>(item.imageId));
      }
    }
    out.U8(1).U16(1).U8(8).U8(8).U8(0).U8(2).U32(0xFFFFFF).U32(0).Chunk(std::string(32, '\1'));
    out.U8(1).U16(2).U8(4).U8(4).Chunk(std::string(64, '\x7F'));
    for (int i = 0; i < 40; ++i) out.U8(static_cast<std::uint8_t>(i * 37));
    Write("module_resources", ("templates-" + std::to_string(first)).c_str(), out.Bytes());
  }
}

void InspectSeeds() {
  // The settings and credentials the module stores, as the target writes them.
  fuzz::Output out;
  out.U8(0).U8(0).Text16(kSettingsKeyPath).Text16(u"LogonMethod").U32(REG_DWORD);
  out.Chunk(std::string("\0\0\0\0", 4));
  out.U8(0).U8(0).Text16(kSettingsKeyPath).Text16(u"AlarmSound").U32(REG_SZ);
  out.Chunk(Utf16(u"\\Windows\\Alarm1.wav") + std::string(2, '\0'));
  out.U8(0).U8(1).Text16(kSettingsKeyPath).Text16(kDelayRecordName).U32(REG_BINARY);
  out.Chunk(std::string("LRU0\x88\x13\0\0\3\0\0\0\1\0\0\0", 16) + std::string(20, '\0'));
  out.U8(0).U8(1).Text16(kSettingsKeyPath).Text16(kFalseLogonCountName).U32(REG_DWORD);
  out.Chunk(std::string("\3\0\0\0", 4));
  out.U8(0).U8(2).Text16(u"K\u00f6y\\Sub").Text16(u"a\"b\\c\u0001\t").U32(REG_MULTI_SZ);
  out.Chunk(Utf16(u"one") + std::string(2, '\0') + Utf16(u"two") + std::string(4, '\0'));
  out.U8(1).Text16(kCredentialDatabaseName).U32(kCredentialDatabaseType).U8(2);
  out.U16(100).U8(0).Chunk("\x10\x20\x30\x40\x50\x60");
  out.U16(7).U8(1).Chunk(Utf16(u"text"));
  Write("inspect_json", "module_state", out.Bytes());
}

void WaveSeeds() {
  fuzz::Output wave;
  wave.Raw("RIFF").U32(36 + 8).Raw("WAVE").Raw("fmt ").U32(16);
  wave.U16(1).U16(1).U32(11025).U32(22050).U16(2).U16(16);
  wave.Raw("data").U32(8).Raw(std::string(8, '\0'));
  Write("wave_header", "pcm_mono", wave.Bytes());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seed_writer CORPUS_DIR\n");
    return 2;
  }
  g_root = argv[1];
  fuzz::OpenDevice();
  DelaySeeds();
  CredentialSeeds();
  SettingsSeeds();
  OwnerSeeds();
  ScriptSeeds();
  ResourceSeeds();
  InspectSeeds();
  WaveSeeds();
  return 0;
}

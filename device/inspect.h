// `pda inspect`: a snapshot of everything a device keeps (registry,
// databases, system-password state), read through the platform API only,
// and its text and JSON forms.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windef.h"

namespace pda {

using Bytes = std::vector<std::uint8_t>;

struct RegistryValue {
  std::u16string name;
  DWORD type = 0;
  Bytes data;
};

struct RegistryKey {
  // Backslash-separated from the root, as the names are stored; empty for
  // the root itself (listed only when it holds values).
  std::u16string path;
  std::vector<RegistryValue> values;  // in enumeration order
};

struct RegistryRoot {
  std::string name;  // "HKLM", "HKCU", "HKCR"
  HKEY handle = nullptr;
  // Each key before its subkeys; subkeys in enumeration order.
  std::vector<RegistryKey> keys;
};

struct DatabaseProperty {
  WORD id = 0;
  WORD type = 0;  // CEVT_*
  // The value's bytes: little-endian integers, the blob itself, or a
  // string's UTF-16LE characters with their terminating zero.
  Bytes data;
};

struct DatabaseRecord {
  CEOID oid = 0;
  std::vector<DatabaseProperty> properties;
};

struct Database {
  CEOID oid = 0;
  std::u16string name;
  DWORD type = 0;
  std::vector<DatabaseRecord> records;
};

// Whether a system password exists and is switched on. The record's salt
// and hash are deliberately not part of the snapshot.
struct SystemState {
  bool passwordSet = false;
  bool passwordActive = false;
};

// The false-logon state the module keeps in HKCU "Software\Vexlund\Zentrak":
// the "Retry" counter and the "PwDelay" delay record (36 bytes: "LRU0",
// then the tick of the last false logon, the count and the pending flag,
// each a little-endian 32-bit word).
struct LogonState {
  bool hasRetry = false;  // a REG_DWORD "Retry"
  DWORD retry = 0;
  bool hasDelay = false;    // a "PwDelay" value of any form
  bool delayValid = false;  // ... that is a delay record
  std::size_t delaySize = 0;
  DWORD delayTime = 0;
  DWORD delayCount = 0;
  DWORD delayPending = 0;
};

struct DeviceSnapshot {
  std::vector<RegistryRoot> roots;  // HKLM, HKCU, HKCR, always all three
  std::vector<Database> databases;
  SystemState system;
};

// Reads the open device into *snapshot. Whatever can be read is kept; each
// part that cannot be read adds a line to *errors.
void CollectSnapshot(DeviceSnapshot* snapshot, std::vector<std::string>* errors);

// The value `name` of key `path` under root `rootName`, names compared as
// the registry compares them (without regard to case); null when absent.
const RegistryValue* FindRegistryValue(const DeviceSnapshot& snapshot, std::string_view rootName,
                                       std::u16string_view path, std::u16string_view name);

// The logon state decoded from the snapshot's registry.
LogonState DecodeLogonState(const DeviceSnapshot& snapshot);

// Human-readable form: sections [registry], [databases], [system], one
// line per value or property. Decoded views of particular values are
// further sections after these: [logon] when the device has a "Retry"
// counter or a "PwDelay" record (JSON: the member "logon").
void WriteInspectText(const DeviceSnapshot& snapshot, std::ostream& out);
// The JSON document (one line, then a newline).
void WriteInspectJson(const DeviceSnapshot& snapshot, std::ostream& out);

// Helpers shared by the writers.
std::string HexBytes(const Bytes& data);
std::string RegistryTypeName(DWORD type);
std::string PropertyTypeName(WORD type);

}  // namespace pda

// The "PwDelay" record and the "Retry" counter come back from the registry,
// where any program (or a damaged store) may have left any bytes of any type.
// Input: entries of [name u8][type u8][bytes chunk] set in the module's
// HKCU key, then the false-logon operations the logon runs on them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "fuzz/support/fuzz_device.h"
#include "fuzz/support/fuzz_input.h"
#include "lockout/false_logon_control.h"
#include "platform/registry.h"
#include "res/registry_names.h"

namespace {

// Delay records the key holds: REG_BINARY values that read as records.
std::size_t CountRecords() {
  std::size_t records = 0;
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return 0;
  for (DWORD index = 0;; ++index) {
    WCHAR name[REG_MAX_NAME + 1] = {};
    DWORD length = REG_MAX_NAME + 1;
    DWORD type = 0;
    if (RegEnumValue(key, index, name, &length, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    DelayRecord record;
    if (type == REG_BINARY && ReadDelayRecord(name, &record)) ++records;
  }
  RegCloseKey(key);
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::OpenDevice();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputWrites undo;
  fuzz::Input in(data, size);
  // Name 0 is the logon's own record, 1 the counter, others are records of
  // other users that compete for the ten places.
  for (int entry = 0; entry < 16 && !in.Empty(); ++entry) {
    const std::uint8_t which = in.U8();
    const DWORD type = in.U8();
    const std::string_view bytes = in.Chunk();
    std::u16string name = which == 0   ? std::u16string(kDelayRecordName)
                          : which == 1 ? std::u16string(kFalseLogonCountName)
                                       : u"User" + std::u16string(1, char16_t(u'A' + which % 26));
    fuzz::SetValue(HKEY_CURRENT_USER, kSettingsKeyPath, name.c_str(), type, bytes);
  }

  DelayRecord before;
  const bool had = ReadDelayRecord(kDelayRecordName, &before);
  const int pending = PendingDelaySeconds(kDelayRecordName);
  if (pending < 0 || (had && before.pending == 0 && pending != 0) || (!had && pending != 0))
    fuzz::Broken("a pending delay without a pending record");

  const std::size_t recordsBefore = CountRecords();
  const int seconds = RecordFalseLogon(kDelayRecordName);
  DelayRecord after;
  if (!ReadDelayRecord(kDelayRecordName, &after)) fuzz::Broken("a false logon left no record");
  if (after.pending != 1 || after.count == 0 || seconds != DelaySeconds(after.count) || seconds < 0)
    fuzz::Broken("the record after a false logon");
  if (had && after.count != std::max(before.count, before.count + 1))
    fuzz::Broken("a false logon did not count on the stored record");
  if (CountRecords() > std::max(recordsBefore, kMaxDelayRecords))
    fuzz::Broken("more delay records than places");
  if (PendingDelaySeconds(kDelayRecordName) != seconds) fuzz::Broken("the delay owed");

  ClearPendingDelay(kDelayRecordName);
  if (PendingDelaySeconds(kDelayRecordName) != 0) fuzz::Broken("a cleared delay still owed");

  const DWORD count = IncrementFalseLogonCount();
  if (count == 0 || IncrementFalseLogonCount() != std::max(count, count + 1))
    fuzz::Broken("the false-logon counter");
  return 0;
}

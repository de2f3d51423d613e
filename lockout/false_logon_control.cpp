#include "lockout/false_logon_control.h"

#include <cstring>
#include <limits>
#include <vector>

#include "lockout/alarm_player.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/registry_key.h"
#include "platform/resources.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/shell/shell.h"
#include "platform/ui/window/window.h"
#include "res/registry_names.h"
#include "res/resource_ids.h"
#include "res/resource_module.h"
#include "res/string_ids.h"
#include "store/settings_record.h"
#include "store/show_error.h"

namespace {

constexpr BYTE kRecordTag[4] = {'L', 'R', 'U', '0'};
constexpr int kRecordNameCapacity = 100;
constexpr int kDelayTextCapacity = 520;

void PutDword(BYTE* at, DWORD value) {
  std::memcpy(at, &value, sizeof(value));
}
DWORD GetDword(const BYTE* at) {
  DWORD value = 0;
  std::memcpy(&value, at, sizeof(value));
  return value;
}

// A 36-byte buffer is a record when it starts with the tag.
bool DecodeRecord(const BYTE* bytes, DelayRecord* record) {
  if (std::memcmp(bytes, kRecordTag, sizeof(kRecordTag)) != 0) return false;
  record->time = GetDword(bytes + 4);
  record->count = GetDword(bytes + 8);
  record->pending = GetDword(bytes + 12);
  return true;
}

// Reads a value as a record: exactly 36 bytes read into a zeroed buffer.
bool ReadRecordValue(HKEY key, LPCWSTR name, BYTE* bytes) {
  std::memset(bytes, 0, kDelayRecordSize);
  DWORD size = kDelayRecordSize;
  DWORD type = 0;
  return RegQueryValueEx(key, name, nullptr, &type, bytes, &size) == ERROR_SUCCESS &&
         size == kDelayRecordSize;
}

// Makes room for one more record: with ten or more records in the key,
// the one with the smallest time goes.
void EvictOldestRecord() {
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_QUERY_VALUE) != ERROR_SUCCESS)
    return;
  std::size_t records = 0;
  std::u16string candidate;
  DWORD candidateTime = 0;
  for (DWORD index = 0;; ++index) {
    WCHAR name[kRecordNameCapacity] = {};
    DWORD nameLength = kRecordNameCapacity;
    DWORD type = 0;
    const LONG result =
        RegEnumValue(key.Get(), index, name, &nameLength, nullptr, &type, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) continue;
    if (type != REG_BINARY) continue;
    BYTE bytes[kDelayRecordSize];
    DelayRecord record;
    if (!ReadRecordValue(key.Get(), name, bytes) || !DecodeRecord(bytes, &record)) continue;
    ++records;
    // The first record starts as the candidate; a later one replaces it
    // when its time is smaller, or when the candidate's time is 0.
    if (records == 1 || record.time < candidateTime || candidateTime == 0) {
      candidate.assign(name, nameLength);
      candidateTime = record.time;
    }
  }
  key.Close();
  if (records >= kMaxDelayRecords) DeleteDelayRecord(candidate.c_str());
}

// Shared state of the one delay dialog a process can show at a time.
struct DelayDialogState {
  HWND progress = nullptr;
  DWORD elapsed = 0;
  DWORD total = 0;
  DWORD start = 0;
  int position = 0;
  int seconds = 0;
  UINT textId = 0;
  HWND owner = nullptr;
};
DelayDialogState g_delay;

bool IsFrontmost(HWND dialog) {
  return GetActiveWindow() == dialog && GetForegroundWindow() == dialog;
}

LONG_PTR DelayDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      WCHAR text[kDelayTextCapacity + 1] = {};
      if (LoadString(g_hResourceModule, g_delay.textId, text, kDelayTextCapacity + 1) > 0)
        SetDlgItemText(dialog, IDC_DELAY_TEXT, text);
      g_delay.progress = GetDlgItem(dialog, IDC_DELAY_PROGRESS);
      g_delay.elapsed = 0;
      g_delay.total = static_cast<DWORD>(g_delay.seconds) * 1000;
      g_delay.start = GetTickCount();
      g_delay.position = 0;
      SendMessage(g_delay.progress, PBM_SETRANGE, 0, MAKELONG(0, 100));
      SendMessage(g_delay.progress, PBM_SETPOS, 0, 0);
      SetTimer(dialog, kDelayTimerId, 10, nullptr);
      SetForegroundWindow(dialog);
      return TRUE;
    }
    case WM_TIMER:
      if (wParam != kDelayTimerId) return FALSE;
      if (!IsFrontmost(dialog)) {
        SetForegroundWindow(dialog);
        SHFullScreen(dialog, SHFS_HIDETASKBAR | SHFS_HIDESTARTICON);
      }
      // The elapsed time of the previous tick decides, so the last
      // position (100 %) is shown for one tick before the end.
      if (g_delay.elapsed >= g_delay.total) {
        KillTimer(dialog, kDelayTimerId);
        EndDialog(dialog, 1);
        return TRUE;
      }
      g_delay.elapsed = GetTickCount() - g_delay.start;
      g_delay.position = static_cast<int>(
          std::min<std::uint64_t>(100, std::uint64_t{g_delay.elapsed} * 100 / g_delay.total));
      SendMessage(g_delay.progress, PBM_SETPOS, static_cast<WPARAM>(g_delay.position), 0);
      return TRUE;
    case WM_DESTROY:
      if (g_delay.owner != nullptr) {
        SetForegroundWindow(g_delay.owner);
        UpdateWindow(g_delay.owner);
      }
      SHFullScreen(dialog, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
      return FALSE;
    default:
      // No way out: Escape, Enter and close do nothing.
      return message == WM_COMMAND || message == WM_CLOSE;
  }
}

}  // namespace

DWORD IncrementFalseLogonCount() {
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS &&
      CreateRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
    return 0;
  DWORD count = 0;
  if (!ReadRegistryDword(key.Get(), kFalseLogonCountName, &count)) count = 0;
  // Saturates: a stored count of the largest value must not wrap to 0,
  // which reads as "no key" and falls below any false-logon limit.
  if (count != std::numeric_limits<DWORD>::max()) ++count;
  WriteRegistryDword(key.Get(), kFalseLogonCountName, count);
  return count;
}

void SetFalseLogonCount(DWORD value) {
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS &&
      CreateRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
    return;
  WriteRegistryDword(key.Get(), kFalseLogonCountName, value);
}

int DelaySeconds(DWORD count) {
  const std::uint64_t square = std::uint64_t{count} * std::uint64_t{count};
  if (square > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return 32766;
  return static_cast<int>(square);
}

bool ReadDelayRecord(LPCWSTR name, DelayRecord* record) {
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_QUERY_VALUE) != ERROR_SUCCESS)
    return false;
  BYTE bytes[kDelayRecordSize];
  DelayRecord read;
  if (!ReadRecordValue(key.Get(), name, bytes) || !DecodeRecord(bytes, &read)) return false;
  *record = read;
  return true;
}

bool WriteDelayRecord(LPCWSTR name, const DelayRecord& record) {
  CRegistryKey key;
  if (CreateRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_WRITE) != ERROR_SUCCESS)
    return false;
  BYTE bytes[kDelayRecordSize] = {};
  std::memcpy(bytes, kRecordTag, sizeof(kRecordTag));
  PutDword(bytes + 4, record.time);
  PutDword(bytes + 8, record.count);
  PutDword(bytes + 12, record.pending);
  return RegSetValueEx(key.Get(), name, 0, REG_BINARY, bytes, kDelayRecordSize) == ERROR_SUCCESS;
}

bool DeleteDelayRecord(LPCWSTR name) {
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_CURRENT_USER, kSettingsKeyPath, KEY_SET_VALUE) != ERROR_SUCCESS)
    return false;
  return RegDeleteValue(key.Get(), name) == ERROR_SUCCESS;
}

int RecordFalseLogon(LPCWSTR name) {
  DelayRecord record;
  if (ReadDelayRecord(name, &record)) {
    // Saturates: a count that wrapped to 0 would owe no delay at all.
    if (record.count != std::numeric_limits<DWORD>::max()) ++record.count;
  } else {
    record = DelayRecord{};
    record.count = 1;
    EvictOldestRecord();
  }
  record.pending = 1;
  record.time = GetTickCount();
  WriteDelayRecord(name, record);
  return DelaySeconds(record.count);
}

int PendingDelaySeconds(LPCWSTR name) {
  DelayRecord record;
  if (!ReadDelayRecord(name, &record) || record.pending == 0) return 0;
  return DelaySeconds(record.count);
}

int ClearPendingDelay(LPCWSTR name) {
  DelayRecord record;
  if (!ReadDelayRecord(name, &record)) return 0;
  record.pending = 0;
  return WriteDelayRecord(name, record) ? 1 : 0;
}

void ShowDelayDialog(int seconds, HWND owner, UINT textId) {
  const HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  g_delay = DelayDialogState{};
  g_delay.seconds = seconds;
  g_delay.textId = textId;
  g_delay.owner = owner;
  DialogBoxParam(g_hResourceModule, IDD_DELAY, owner, DelayDialogProc, 0);
  SetCursor(previous);
}

void ApplyFalseLogonDelay() {
  const int seconds = RecordFalseLogon(kDelayRecordName);
  if (seconds > 0) ShowDelayDialog(seconds, GetActiveWindow(), IDS_DELAY_NEXT_ATTEMPT);
  ClearPendingDelay(kDelayRecordName);
}

void ApplyPendingDelay() {
  const int seconds = PendingDelaySeconds(kDelayRecordName);
  if (seconds == 0) return;
  ShowDelayDialog(seconds, GetActiveWindow(), IDS_DELAY_PENDING);
  ClearPendingDelay(kDelayRecordName);
}

void ResetFalseLogonDelay() {
  ClearPendingDelay(kDelayRecordName);
  DeleteDelayRecord(kDelayRecordName);
}

void ReportFalseLogon(UINT messageId) {
  ShowError(GetActiveWindow(), messageId, 0, MB_ICONHAND);
  MessageBeep(MB_ICONHAND);
  ApplyFalseLogonDelay();
}

void ApplyFalseLogonLimit(DWORD count) {
  const SettingsRecord& s = g_Settings;
  // Whatever PowerOnLogon says: a device locked with "Lock now" is just as
  // much in a stranger's hands.
  if (s.MaxFalseLogonRetries != 1) return;
  if (count == 0 || count < s.MaxFalseLogonRetriesValue) return;
  if (s.ActionAfterMaxFalseLogons == 1) {
    AlarmStart(true);
  } else if (s.ActionAfterMaxFalseLogons == 0) {
    HardReset();
  }
}

void RejectEntry(UINT messageId) {
  const DWORD count = IncrementFalseLogonCount();
  ApplyFalseLogonLimit(count);
  ReportFalseLogon(messageId);
}

void HardReset() {
  SetCleanRebootFlag();
  KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr);
}

// False-logon control: the "Retry" counter, the delay record store, the
// growing delay served in a progress dialog, and the hard reset.
#pragma once

#include "platform/windef.h"

inline constexpr DWORD kDelayRecordSize = 36;
inline constexpr std::size_t kMaxDelayRecords = 10;
inline constexpr UINT kDelayTimerId = 1234;

// One 36-byte "LRU0" record, little-endian on disk.
struct DelayRecord {
  DWORD time = 0;     // tick of the last false logon
  DWORD count = 0;    // false logons recorded
  DWORD pending = 0;  // 1 while a delay is owed
};

DWORD IncrementFalseLogonCount();
void SetFalseLogonCount(DWORD value);

// count * count, or 32766 when the square doesn't fit a signed 32-bit value.
int DelaySeconds(DWORD count);

bool ReadDelayRecord(LPCWSTR name, DelayRecord* record);
bool WriteDelayRecord(LPCWSTR name, const DelayRecord& record);
bool DeleteDelayRecord(LPCWSTR name);
int RecordFalseLogon(LPCWSTR name);
int PendingDelaySeconds(LPCWSTR name);
int ClearPendingDelay(LPCWSTR name);

void ReportFalseLogon(UINT messageId);
void ApplyFalseLogonDelay();
void ApplyPendingDelay();
void ResetFalseLogonDelay();
// Runs the delay dialog (IDD_DELAY) modally for `seconds`.
void ShowDelayDialog(int seconds, HWND owner, UINT textId);
// Counts a rejected entry and reports it: IncrementFalseLogonCount, then
// the false-logon limit (an alarm or hard reset comes before the box), then
// ReportFalseLogon with the dialog's own text.
void RejectEntry(UINT messageId);
// Acts on the configured limit after a false logon that brought the count
// to `count`: the alarm (persisting) or a hard reset.
void ApplyFalseLogonLimit(DWORD count);

// Sets the clean-reboot flag and reboots; on this host the reboot happens
// when control returns to the device shell.
void HardReset();

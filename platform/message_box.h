// Message boxes.
#pragma once

#include <string>
#include <vector>

#include "platform/windef.h"

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040;
inline constexpr UINT MB_SETFOREGROUND = 0x00010000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows a message box and returns the id of the button pressed.
int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

namespace platform::message_box {

// Every box shown is recorded (the host prints them, tests read them); the
// list holds the latest (platform/recent_records.h).
struct Record {
  HWND owner;
  std::u16string text;
  std::u16string caption;
  UINT type;
};

const std::vector<Record>& Recorded();
void ClearRecorded();
// Auto-answer mode: while set, MessageBox records the box and returns `id`
// (or the box's first button when it has no such button) without showing
// a window. The process starts in this mode with IDOK, for headless jobs
// and tests that only read what was recorded.
void SetAnswer(int id);
// Back to real boxes: MessageBox shows a modal window and returns the
// button the user pressed.
void ClearAnswer();
bool AutoAnswering();
// Called for each box as it is shown (the host prints it); empty = none.
using Observer = void (*)(const Record&);
void SetObserver(Observer observer);
// True when `window` is a message box on the screen now; fills *record
// (when given) with what it shows. The box's text is also the text of its
// static control 0xFFFF, its buttons carry the ids of their results.
bool IsMessageBoxWindow(HWND window, Record* record);

}  // namespace platform::message_box

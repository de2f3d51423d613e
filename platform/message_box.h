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

// Until the window system shows real boxes, every box is recorded; the host
// prints them and tests read them.
struct Record {
  HWND owner;
  std::u16string text;
  std::u16string caption;
  UINT type;
};

const std::vector<Record>& Recorded();
void ClearRecorded();
// The answer the next boxes give (IDOK by default).
void SetAnswer(int id);
// Called for each box as it is shown (the host prints it); empty = none.
using Observer = void (*)(const Record&);
void SetObserver(Observer observer);

}  // namespace platform::message_box

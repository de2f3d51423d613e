// Helpers that reach a dialog's controls by id.
#include <algorithm>
#include <climits>
#include <string>

#include "platform/ui/dialog/dialog.h"
#include "platform/wstring.h"

BOOL SetDlgItemText(HWND dialog, int id, LPCWSTR text) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SetWindowText(control, text ? text : u"") : FALSE;
}

UINT GetDlgItemText(HWND dialog, int id, LPWSTR buffer, int capacity) {
  if (buffer && capacity > 0) buffer[0] = 0;
  HWND control = GetDlgItem(dialog, id);
  if (!control || !buffer || capacity <= 0) return 0;
  const int length = GetWindowText(control, buffer, capacity);
  return length > 0 ? static_cast<UINT>(length) : 0;
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  WCHAR text[16];
  if (isSigned) {
    wsprintf(text, 16, u"%d", static_cast<int>(value));
  } else {
    wsprintf(text, 16, u"%u", value);
  }
  return SetDlgItemText(dialog, id, text);
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  HWND control = GetDlgItem(dialog, id);
  if (!control) return 0;
  const int length = GetWindowTextLength(control);
  std::u16string text(static_cast<std::size_t>(std::max(length, 0)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(
      std::max(GetWindowText(control, text.data(), static_cast<int>(text.size())), 0)));
  // Spaces around the number are allowed, as a user may type them.
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  std::size_t end = text.size();
  while (end > i && text[end - 1] == u' ') --end;
  bool negative = false;
  if (isSigned && i < end && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i >= end) return 0;
  unsigned long long value = 0;
  const unsigned long long limit =
      isSigned ? (negative ? static_cast<unsigned long long>(INT_MAX) + 1 : INT_MAX) : UINT_MAX;
  for (; i < end; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return 0;
    value = value * 10 + static_cast<unsigned long long>(text[i] - u'0');
    if (value > limit) return 0;
  }
  if (translated) *translated = TRUE;
  if (negative) return static_cast<UINT>(-static_cast<long long>(value));
  return static_cast<UINT>(value);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return FALSE;
  SendMessage(control, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control ? static_cast<UINT>(SendMessage(control, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  BOOL found = FALSE;
  for (int id = firstId; id <= lastId; ++id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) continue;
    SendMessage(control, BM_SETCHECK, id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
    if (id == checkId) found = TRUE;
  }
  return found;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SendMessage(control, message, wParam, lParam) : 0;
}

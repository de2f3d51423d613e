#include "platform/ui/afx/afx_ddx.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/ui/afx/afx_app.h"
#include "platform/ui/afx/afx_internal.h"
#include "platform/wstring.h"

using afx::detail::HasClass;

namespace {

// The library's own validation texts.
constexpr char16_t kNotAnInteger[] = u"Please enter an integer.";
constexpr char16_t kNotANumberInRange[] = u"Please enter an integer between %d and %d.";
constexpr char16_t kTooLong[] = u"Enter no more than %d characters.";

std::u16string TextOf(HWND control) {
  return CWnd::FromHandle(control)->GetWindowText();
}

// Field texts may be passwords: a copy made here is wiped before its memory
// goes back to the heap.
void WipeText(std::u16string& text) {
  if (text.capacity() > 0) OPENSSL_cleanse(text.data(), text.capacity() * sizeof(char16_t));
  text.clear();
}

// Reads a control's text into `value`'s own storage. A value that must grow
// gets a fresh block and its old one is wiped first; an assignment would
// hand the old text back to the heap as it is.
void ReadTextInto(HWND control, std::u16string& value) {
  const int length = ::GetWindowTextLength(control);
  WipeText(value);
  if (length <= 0) return;
  const auto needed = static_cast<std::size_t>(length);
  if (needed > value.capacity()) {
    std::u16string fresh;
    fresh.reserve(needed);
    value.swap(fresh);
  }
  value.resize(needed);
  const int copied = ::GetWindowText(control, value.data(), length + 1);
  value.resize(static_cast<std::size_t>(std::clamp(copied, 0, length)));
}

// Writing a control leaves it alone when it shows the text already: no
// flicker, and no change notification whose handler writes the controls
// again.
void SetTextIfDifferent(HWND control, const std::u16string& text) {
  std::u16string shown;
  ReadTextInto(control, shown);
  if (shown != text) ::SetWindowText(control, text.c_str());
  WipeText(shown);
}

// Decimal text with an optional sign and surrounding blanks.
template <class T>
bool ParseInteger(const std::u16string& text, T* value) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (negative && !std::numeric_limits<T>::is_signed) return false;
  const std::size_t firstDigit = i;
  long long result = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    result = result * 10 + (text[i] - u'0');
    if (result > 0xFFFFFFFFLL) return false;
  }
  if (i == firstDigit) return false;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  if (i != text.size()) return false;
  if (negative) result = -result;
  if (result < static_cast<long long>(std::numeric_limits<T>::min()) ||
      result > static_cast<long long>(std::numeric_limits<T>::max())) {
    return false;
  }
  *value = static_cast<T>(result);
  return true;
}

template <class T>
void ExchangeInteger(CDataExchange* pDX, int id, T& value) {
  HWND control = pDX->PrepareEditCtrl(id);
  if (!control) return;
  if (pDX->m_bSaveAndValidate) {
    T parsed{};
    if (!ParseInteger(TextOf(control), &parsed)) {
      AfxMessageBox(kNotAnInteger, MB_OK | MB_ICONEXCLAMATION);
      pDX->Fail();
      return;
    }
    value = parsed;
  } else {
    SetTextIfDifferent(control, platform::FromUtf8(std::to_string(value)));
  }
}

std::u16string ListText(HWND combo, LRESULT index) {
  const LRESULT length = ::SendMessage(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const LRESULT copied = ::SendMessage(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

bool IsRadioButton(HWND control) {
  if (!HasClass(control, u"BUTTON")) return false;
  const DWORD type = static_cast<DWORD>(::GetWindowLong(control, GWL_STYLE)) & BS_TYPEMASK;
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

}  // namespace

CDataExchange::CDataExchange(CWnd* dialog, BOOL saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

HWND CDataExchange::PrepareCtrl(int id) {
  if (m_bFailed || !m_pDlgWnd) return nullptr;
  HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
  if (!control) return nullptr;
  m_idLastControl = id;
  m_bEditLastControl = FALSE;
  return control;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
  HWND control = PrepareCtrl(id);
  if (control) m_bEditLastControl = TRUE;
  return control;
}

void CDataExchange::Fail() {
  m_bFailed = TRUE;
  if (!m_bSaveAndValidate || !m_pDlgWnd || m_idLastControl == 0) return;
  HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, m_idLastControl);
  if (!control) return;
  if (m_bEditLastControl) {
    // Through the dialog, so the focus moves the way the keyboard moves it.
    ::SendMessage(m_pDlgWnd->m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    ::SendMessage(control, EM_SETSEL, 0, -1);
  } else {
    ::SetFocus(control);
  }
}

void DDX_Text(CDataExchange* pDX, int id, std::u16string& value) {
  HWND control = pDX->PrepareEditCtrl(id);
  if (!control) return;
  if (pDX->m_bSaveAndValidate) {
    ReadTextInto(control, value);
  } else {
    SetTextIfDifferent(control, value);
  }
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
  ExchangeInteger(pDX, id, value);
}

void DDX_Text(CDataExchange* pDX, int id, UINT& value) {
  ExchangeInteger(pDX, id, value);
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
  HWND control = pDX->PrepareCtrl(id);
  if (!control) return;
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessage(control, BM_GETCHECK, 0, 0));
  } else {
    ::SendMessage(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

void DDX_Radio(CDataExchange* pDX, int id, int& value) {
  HWND first = pDX->PrepareCtrl(id);
  if (!first) return;
  // The group: this button and its following siblings up to the next
  // WS_GROUP control.
  std::vector<HWND> buttons;
  for (HWND control = first; control; control = ::GetWindow(control, GW_HWNDNEXT)) {
    if (control != first && (::GetWindowLong(control, GWL_STYLE) & WS_GROUP)) break;
    if (IsRadioButton(control)) buttons.push_back(control);
  }
  if (pDX->m_bSaveAndValidate) {
    value = -1;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      if (::SendMessage(buttons[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
        value = static_cast<int>(i);
        break;
      }
    }
  } else {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      const bool checked = value >= 0 && static_cast<std::size_t>(value) == i;
      ::SendMessage(buttons[i], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
}

void DDX_CBString(CDataExchange* pDX, int id, std::u16string& value) {
  HWND combo = pDX->PrepareCtrl(id);
  if (!combo) return;
  const DWORD type = static_cast<DWORD>(::GetWindowLong(combo, GWL_STYLE)) & 0x3;
  if (pDX->m_bSaveAndValidate) {
    if (type == CBS_DROPDOWNLIST) {
      const LRESULT selected = ::SendMessage(combo, CB_GETCURSEL, 0, 0);
      value = selected == CB_ERR ? std::u16string() : ListText(combo, selected);
    } else {
      value = TextOf(combo);
    }
  } else {
    if (::SendMessage(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                      reinterpret_cast<LPARAM>(value.c_str())) == CB_ERR) {
      SetTextIfDifferent(combo, value);
    }
  }
}

void DDX_CBIndex(CDataExchange* pDX, int id, int& value) {
  HWND combo = pDX->PrepareCtrl(id);
  if (!combo) return;
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessage(combo, CB_GETCURSEL, 0, 0));
  } else {
    ::SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
  }
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  if (control.m_hWnd) return;
  HWND window = pDX->PrepareCtrl(id);
  if (!window) return;
  control.SubclassWindow(window);
}

void DDV_MaxChars(CDataExchange* pDX, const std::u16string& value, int maxChars) {
  if (pDX->Failed()) return;
  if (pDX->m_bSaveAndValidate) {
    if (static_cast<int>(value.size()) <= maxChars) return;
    WCHAR text[96];
    wsprintf(text, std::size(text), kTooLong, maxChars);
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
  } else if (pDX->m_bEditLastControl && pDX->m_idLastControl != 0) {
    HWND control = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, pDX->m_idLastControl);
    if (control) ::SendMessage(control, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
  }
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue) {
  if (pDX->Failed() || !pDX->m_bSaveAndValidate) return;
  if (value >= minValue && value <= maxValue) return;
  WCHAR text[96];
  wsprintf(text, std::size(text), kNotANumberInRange, minValue, maxValue);
  AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
  pDX->Fail();
}

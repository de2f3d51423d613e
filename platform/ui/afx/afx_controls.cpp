#include "platform/ui/afx/afx_controls.h"

#include <algorithm>

#include "platform/ui/afx/afx_internal.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)
IMPLEMENT_DYNAMIC(CTabCtrl, CWnd)
IMPLEMENT_DYNAMIC(CCommandBar, CWnd)

namespace {

BOOL CreateControl(CWnd& control, LPCWSTR className, LPCWSTR text, DWORD style, const RECT& rect,
                   CWnd* parent, UINT id) {
  return control.CreateEx(0, className, text, style | WS_CHILD, rect.left, rect.top,
                          rect.right - rect.left, rect.bottom - rect.top,
                          parent ? parent->m_hWnd : nullptr, id);
}

}  // namespace

// CStatic ------------------------------------------------------------------

BOOL CStatic::Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, u"STATIC", text, style, rect, parent, id);
}

HICON CStatic::SetIcon(HICON icon) {
  return reinterpret_cast<HICON>(
      SendMessage(STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
}

HICON CStatic::GetIcon() const {
  return reinterpret_cast<HICON>(SendMessage(STM_GETIMAGE, IMAGE_ICON, 0));
}

HBITMAP CStatic::SetBitmap(HBITMAP bitmap) {
  return reinterpret_cast<HBITMAP>(
      SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
}

HBITMAP CStatic::GetBitmap() const {
  return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP, 0));
}

// CButton --------------------------------------------------------------------

BOOL CButton::Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, u"BUTTON", text, style, rect, parent, id);
}

int CButton::GetCheck() const {
  return static_cast<int>(SendMessage(BM_GETCHECK));
}

void CButton::SetCheck(int check) {
  SendMessage(BM_SETCHECK, static_cast<WPARAM>(check));
}

UINT CButton::GetState() const {
  return static_cast<UINT>(SendMessage(BM_GETSTATE));
}

void CButton::SetState(BOOL highlight) {
  SendMessage(BM_SETSTATE, static_cast<WPARAM>(highlight));
}

void CButton::SetButtonStyle(UINT style, BOOL redraw) {
  SendMessage(BM_SETSTYLE, style, redraw);
}

HBITMAP CButton::SetBitmap(HBITMAP bitmap) {
  return reinterpret_cast<HBITMAP>(
      SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
}

// CEdit ------------------------------------------------------------------------

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, u"EDIT", u"", style, rect, parent, id);
}

void CEdit::SetSel(int start, int end, BOOL noScroll) {
  SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
  if (!noScroll) SendMessage(EM_SCROLLCARET);
}

void CEdit::GetSel(int& start, int& end) const {
  DWORD first = 0;
  DWORD last = 0;
  SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
  start = static_cast<int>(first);
  end = static_cast<int>(last);
}

void CEdit::ReplaceSel(LPCWSTR text, BOOL canUndo) {
  SendMessage(EM_REPLACESEL, static_cast<WPARAM>(canUndo),
              reinterpret_cast<LPARAM>(text ? text : u""));
}

void CEdit::LimitText(int maxChars) {
  SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(maxChars));
}

UINT CEdit::GetLimitText() const {
  return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT));
}

void CEdit::SetPasswordChar(WCHAR character) {
  SendMessage(EM_SETPASSWORDCHAR, character);
}

WCHAR CEdit::GetPasswordChar() const {
  return static_cast<WCHAR>(SendMessage(EM_GETPASSWORDCHAR));
}

BOOL CEdit::GetModify() const {
  return SendMessage(EM_GETMODIFY) != 0 ? TRUE : FALSE;
}

void CEdit::SetModify(BOOL modified) {
  SendMessage(EM_SETMODIFY, static_cast<WPARAM>(modified));
}

int CEdit::GetLineCount() const {
  return static_cast<int>(SendMessage(EM_GETLINECOUNT));
}

// CComboBox ----------------------------------------------------------------------

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, u"COMBOBOX", u"", style, rect, parent, id);
}

int CComboBox::AddString(LPCWSTR text) {
  return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int CComboBox::GetCount() const {
  return static_cast<int>(SendMessage(CB_GETCOUNT));
}

int CComboBox::GetCurSel() const {
  return static_cast<int>(SendMessage(CB_GETCURSEL));
}

int CComboBox::SetCurSel(int index) {
  return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index)));
}

int CComboBox::GetLBTextLen(int index) const {
  return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index)));
}

std::u16string CComboBox::GetLBText(int index) const {
  const int length = GetLBTextLen(index);
  if (length <= 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const auto copied =
      SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

int CComboBox::FindString(int startAfter, LPCWSTR text) const {
  return static_cast<int>(
      SendMessage(CB_FINDSTRING, static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(text)));
}

int CComboBox::FindStringExact(int startAfter, LPCWSTR text) const {
  return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter),
                                      reinterpret_cast<LPARAM>(text)));
}

int CComboBox::SelectString(int startAfter, LPCWSTR text) {
  return static_cast<int>(SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(startAfter),
                                      reinterpret_cast<LPARAM>(text)));
}

BOOL CComboBox::LimitText(int maxChars) {
  return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(maxChars)));
}

BOOL CComboBox::SetEditSel(int start, int end) {
  return static_cast<BOOL>(
      SendMessage(CB_SETEDITSEL, 0,
                  static_cast<LPARAM>(MAKELONG(static_cast<WORD>(start), static_cast<WORD>(end)))));
}

void CComboBox::ShowDropDown(BOOL show) {
  SendMessage(CB_SHOWDROPDOWN, static_cast<WPARAM>(show));
}

BOOL CComboBox::GetDroppedState() const {
  return SendMessage(CB_GETDROPPEDSTATE) != 0 ? TRUE : FALSE;
}

// CProgressCtrl ------------------------------------------------------------------

BOOL CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, u"msctls_progress32", u"", style, rect, parent, id);
}

void CProgressCtrl::SetRange(short lower, short upper) {
  SendMessage(PBM_SETRANGE, 0,
              static_cast<LPARAM>(MAKELONG(static_cast<WORD>(lower), static_cast<WORD>(upper))));
}

void CProgressCtrl::SetRange32(int lower, int upper) {
  SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper);
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
  lower = static_cast<int>(SendMessage(PBM_GETRANGE, TRUE));
  upper = static_cast<int>(SendMessage(PBM_GETRANGE, FALSE));
}

int CProgressCtrl::SetPos(int position) {
  return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(position)));
}

int CProgressCtrl::GetPos() const {
  return static_cast<int>(SendMessage(PBM_GETPOS));
}

// CTabCtrl ---------------------------------------------------------------------

BOOL CTabCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, u"SysTabControl32", u"", style, rect, parent, id);
}

int CTabCtrl::InsertItem(int index, LPCWSTR text) {
  TCITEM item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<LPWSTR>(text ? text : u"");
  return static_cast<int>(
      SendMessage(TCM_INSERTITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

BOOL CTabCtrl::DeleteAllItems() {
  return static_cast<BOOL>(SendMessage(TCM_DELETEALLITEMS));
}

int CTabCtrl::GetItemCount() const {
  return static_cast<int>(SendMessage(TCM_GETITEMCOUNT));
}

std::u16string CTabCtrl::GetItemText(int index) const {
  WCHAR buffer[128] = {};
  TCITEM item{};
  item.mask = TCIF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(std::size(buffer));
  if (!SendMessage(TCM_GETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) {
    return {};
  }
  return std::u16string(item.pszText ? item.pszText : u"");
}

int CTabCtrl::GetCurSel() const {
  return static_cast<int>(SendMessage(TCM_GETCURSEL));
}

int CTabCtrl::SetCurSel(int index) {
  return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index)));
}

// CCommandBar --------------------------------------------------------------------

DEFINE_MESSAGE_MAP(CCommandBar, CWnd,
                   {
                       afx::On<WM_PAINT, &ThisClass::OnPaint>(),
                   })

BOOL CCommandBar::CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, RECT borders, UINT id) {
  if (!parent || !parent->m_hWnd) return FALSE;
  m_dwControlStyle = controlStyle;
  m_rcBorders = borders;
  LPCWSTR className = AfxRegisterWndClass(0, nullptr, GetSysColorBrush(COLOR_BTNFACE));
  if (!className) return FALSE;
  if (!CWnd::CreateEx(0, className, u"", style | WS_CHILD, 0, 0, 0, 0, parent->m_hWnd, id)) {
    return FALSE;
  }
  RepositionInParent();
  ::SendMessage(parent->m_hWnd, afx::detail::kRecalcLayoutMessage, 0, 0);
  return TRUE;
}

void CCommandBar::RepositionInParent() {
  HWND parent = ::GetParent(m_hWnd);
  if (!parent) return;
  RECT client{};
  ::GetClientRect(parent, &client);
  const int width = std::max<LONG>(0, client.right - m_rcBorders.left - m_rcBorders.right);
  const int top = client.bottom - m_rcBorders.bottom - kHeight;
  MoveWindow(m_rcBorders.left, std::max(0, top), width, kHeight);
}

void CCommandBar::OnPaint() {
  CPaintDC dc(this);
  RECT client{};
  GetClientRect(&client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  // Flat bars have only the separating line along their top edge.
  HGDIOBJ previous = ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
  ::MoveToEx(dc, client.left, client.top, nullptr);
  ::LineTo(dc, client.right, client.top);
  ::SelectObject(dc, previous);
  if (!(m_dwControlStyle & TBSTYLE_FLAT)) {
    RECT edge = client;
    ::DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  }
}

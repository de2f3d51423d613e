// Thin wrappers over the controls: each call is the control's message.
// Attach one to a dialog's control with DDX_Control, or take a temporary
// one from GetDlgItem and cast it (the wrappers add no data).
#pragma once

#include <string>

#include "platform/ui/afx/afx_wnd.h"

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)

 public:
  BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
  HICON SetIcon(HICON icon);
  HICON GetIcon() const;
  HBITMAP SetBitmap(HBITMAP bitmap);
  HBITMAP GetBitmap() const;
};

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)

 public:
  BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int GetCheck() const;
  void SetCheck(int check);
  UINT GetState() const;
  void SetState(BOOL highlight);
  void SetButtonStyle(UINT style, BOOL redraw = TRUE);
  // The image of a BS_BITMAP button; returns the previous one.
  HBITMAP SetBitmap(HBITMAP bitmap);
};

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)

 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // Selection from `start` to `end` (end -1: to the end of the text;
  // start -1: no selection, caret kept).
  void SetSel(int start, int end, BOOL noScroll = FALSE);
  void GetSel(int& start, int& end) const;
  void ReplaceSel(LPCWSTR text, BOOL canUndo = FALSE);
  void LimitText(int maxChars = 0);
  UINT GetLimitText() const;
  // 0 shows the text plainly.
  void SetPasswordChar(WCHAR character);
  WCHAR GetPasswordChar() const;
  BOOL GetModify() const;
  void SetModify(BOOL modified = TRUE);
  int GetLineCount() const;
};

class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)

 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // Index of the new entry, or CB_ERR.
  int AddString(LPCWSTR text);
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int index);
  int GetLBTextLen(int index) const;
  std::u16string GetLBText(int index) const;
  void GetLBText(int index, std::u16string& text) const { text = GetLBText(index); }
  // Searches after `startAfter` (-1: from the start) for an entry that
  // begins with the text (FindStringExact: equals it); SelectString also
  // selects it. CB_ERR when there is none.
  int FindString(int startAfter, LPCWSTR text) const;
  int FindStringExact(int startAfter, LPCWSTR text) const;
  int SelectString(int startAfter, LPCWSTR text);
  BOOL LimitText(int maxChars);
  BOOL SetEditSel(int start, int end);
  void ShowDropDown(BOOL show = TRUE);
  BOOL GetDroppedState() const;
};

class CProgressCtrl : public CWnd {
  DECLARE_DYNAMIC(CProgressCtrl)

 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetRange(short lower, short upper);
  void SetRange32(int lower, int upper);
  void GetRange(int& lower, int& upper) const;
  // Each returns the previous position.
  int SetPos(int position);
  int GetPos() const;
};

class CTabCtrl : public CWnd {
  DECLARE_DYNAMIC(CTabCtrl)

 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // Index of the new tab, or -1.
  int InsertItem(int index, LPCWSTR text);
  BOOL DeleteAllItems();
  int GetItemCount() const;
  std::u16string GetItemText(int index) const;
  int GetCurSel() const;
  // Selects without the TCN_ notifications; returns the previous index.
  int SetCurSel(int index);
};

// Command bar styles.
inline constexpr DWORD TBSTYLE_FLAT = 0x0800;
// A bar that sits along the bottom edge of its parent.
inline constexpr DWORD CBRS_ALIGN_BOTTOM = 0x2000;

// The command bar: a flat strip along the bottom of its parent window
// (a dialog's placeholder bar, a property sheet's bar), id AFX_IDW_COMMANDBAR.
class CCommandBar : public CWnd {
  DECLARE_DYNAMIC(CCommandBar)

 public:
  static constexpr int kHeight = 26;

  // `borders` insets the bar inside the parent's bottom edge.
  BOOL CreateEx(CWnd* parent, DWORD controlStyle = TBSTYLE_FLAT,
                DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_BOTTOM,
                RECT borders = {0, 0, 0, 0}, UINT id = AFX_IDW_COMMANDBAR);
  using CWnd::CreateEx;
  // Moves the bar back to its edge after the parent changed size.
  void RepositionInParent();
  DWORD GetBarStyle() const { return m_dwControlStyle; }

 protected:
  void OnPaint();
  DECLARE_MESSAGE_MAP()

 private:
  DWORD m_dwControlStyle = 0;
  RECT m_rcBorders{0, 0, 0, 0};
};

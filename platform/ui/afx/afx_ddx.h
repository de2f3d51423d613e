// Dialog data exchange: one DoDataExchange function moves the dialog's
// fields into its controls (UpdateData(FALSE)) and back with validation
// (UpdateData(TRUE)).
//
//   void CMyDlg::DoDataExchange(CDataExchange* pDX) {
//     DDX_Control(pDX, IDC_NAME, m_editName);
//     DDX_Text(pDX, IDC_NAME, m_strName);
//     DDV_MaxChars(pDX, m_strName, 32);
//     DDX_Check(pDX, IDC_POWERON, m_bPowerOn);
//     DDX_Radio(pDX, IDC_METHOD_FIRST, m_nMethod);
//     DDX_CBString(pDX, IDC_MINUTES, m_strMinutes);
//   }
//
// A failed validation shows its message, puts the focus on the control and
// makes every later call of the same exchange do nothing; UpdateData then
// returns FALSE.
#pragma once

#include <string>

#include "platform/ui/afx/afx_wnd.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate);

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;

  // The control `id` of the dialog, remembered for a following DDV call;
  // null when the exchange failed already or there is no such control.
  HWND PrepareCtrl(int id);
  HWND PrepareEditCtrl(int id);
  // Validation failed: focus back to the last prepared control (its text
  // selected for an edit) and stop the exchange.
  void Fail();
  BOOL Failed() const { return m_bFailed; }

  int m_idLastControl = 0;
  BOOL m_bEditLastControl = FALSE;

 private:
  BOOL m_bFailed = FALSE;
};

// Edit or static text.
void DDX_Text(CDataExchange* pDX, int id, std::u16string& value);
// Decimal integers (LONG and DWORD are these types); a text that is no number of the type fails
// validation.
void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDX_Text(CDataExchange* pDX, int id, UINT& value);
// Check box state (BST_UNCHECKED 0, BST_CHECKED 1, or 2 for a three-state box).
void DDX_Check(CDataExchange* pDX, int id, int& value);
// Index of the checked radio button in the group that starts with the
// WS_GROUP button `id` and runs to the next WS_GROUP control; -1 = none.
void DDX_Radio(CDataExchange* pDX, int id, int& value);
// Combo box: the text of the edit part (the selected entry of a drop-down
// list). Writing selects the first entry that begins with the text; when
// none does, the text stands in the edit part.
void DDX_CBString(CDataExchange* pDX, int id, std::u16string& value);
// Combo box: the index of the selected entry (-1 = none).
void DDX_CBIndex(CDataExchange* pDX, int id, int& value);
// Attaches the wrapper object to the control (once) and routes the
// control's messages through it.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// After the DDX_Text of an edit: writing limits the edit to `maxChars`;
// reading fails when the text is longer.
void DDV_MaxChars(CDataExchange* pDX, const std::u16string& value, int maxChars);
// Reading fails when the value lies outside [minValue, maxValue].
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue);

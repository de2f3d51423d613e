// Dialogs from templates: creation, the modal run, item helpers and the
// keyboard interface. Dialog windows have the class "Dialog".
#pragma once

#include "platform/resources.h"
#include "platform/ui/window/window.h"
#include "platform/windef.h"

// Returns TRUE when it handled the message. WM_INITDIALOG returns TRUE to
// let the system set the focus to the first tab stop.
using DLGPROC = LONG_PTR (*)(HWND, UINT, WPARAM, LPARAM);

// Modeless creation from a template of `instance` (or given directly).
HWND CreateDialogParam(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC proc,
                       LPARAM initParam);
HWND CreateDialogIndirectParam(HINSTANCE instance, const DialogTemplate* dialogTemplate,
                               HWND parent, DLGPROC proc, LPARAM initParam);
// Modal run: disables the owner, pumps messages until EndDialog, returns
// its value; -1 when the template can't be found or the dialog not made.
LONG_PTR DialogBoxParam(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC proc,
                        LPARAM initParam);
LONG_PTR DialogBoxIndirectParam(HINSTANCE instance, const DialogTemplate* dialogTemplate,
                                HWND parent, DLGPROC proc, LPARAM initParam);
BOOL EndDialog(HWND dialog, LONG_PTR result);

// Dialog units to pixels with the dialog's font.
BOOL MapDialogRect(HWND dialog, RECT* rect);

BOOL SetDlgItemText(HWND dialog, int id, LPCWSTR text);
UINT GetDlgItemText(HWND dialog, int id, LPWSTR buffer, int capacity);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
// DM_GETDEFID / DM_SETDEFID.
inline constexpr UINT DM_GETDEFID = WM_USER + 0;
inline constexpr UINT DM_SETDEFID = WM_USER + 1;
inline constexpr WORD DC_HASDEFID = 0x534B;

// The template id a dialog was made from (0 for one made from a template
// without an id, or for a window that is no dialog).
UINT GetDialogTemplateId(HWND dialog);

// The dialog class's window procedure: calls the DLGPROC stored at
// DWL_DLGPROC and, for messages it leaves unhandled, gives the dialog its
// default behaviour (white background, WM_CLOSE as IDCANCEL, the default
// button, WM_NEXTDLGCTL, keeping the focus across deactivation). A handled
// message returns the value the DLGPROC left in DWL_MSGRESULT.
LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Child dialogs (WS_CHILD templates: property pages) get
// WS_EX_CONTROLPARENT and take part in the keyboard navigation of the
// dialog they sit in.
inline constexpr DWORD DS_CONTROL = 0x00000400;
// Window extra bytes of the dialog class (DWL_MSGRESULT, DWL_DLGPROC, DWL_USER).
inline constexpr int DLGWINDOWEXTRA = 3 * static_cast<int>(sizeof(LONG_PTR));

// Image kinds of STM_SETIMAGE / BM_SETIMAGE (wParam).
inline constexpr WPARAM IMAGE_BITMAP = 0;
inline constexpr WPARAM IMAGE_ICON = 1;

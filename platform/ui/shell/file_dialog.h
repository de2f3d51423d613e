// The open-file dialog over the device's file system.
#pragma once

#include "platform/ui/window/window.h"
#include "platform/windef.h"

inline constexpr DWORD OFN_READONLY = 0x00000001;
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
inline constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
inline constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

// Errors of CommDlgExtendedError.
inline constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
inline constexpr DWORD CDERR_INITIALIZATION = 0x0002;
inline constexpr DWORD CDERR_DIALOGFAILURE = 0xFFFF;
inline constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;
inline constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;

// Controls of the dialog. The list (class "FileDialogList") answers the
// list-box queries below, so a script or a test can read what it shows:
// ".." first (except at the root), then the folders, then the matching
// files, each group sorted by name.
inline constexpr int IDC_FILEDIALOG_FOLDER = 0x400;  // static: the folder shown
inline constexpr int IDC_FILEDIALOG_LIST = 0x401;
inline constexpr int IDC_FILEDIALOG_NAME = 0x403;  // edit: the name typed
inline constexpr int IDC_FILEDIALOG_TYPE = 0x405;  // static: the filter's description
inline constexpr UINT LB_SETCURSEL = 0x0186;
inline constexpr UINT LB_GETCURSEL = 0x0188;
inline constexpr UINT LB_GETTEXT = 0x0189;
inline constexpr UINT LB_GETTEXTLEN = 0x018A;
inline constexpr UINT LB_GETCOUNT = 0x018B;
inline constexpr LRESULT LB_ERR = -1;

struct OPENFILENAME {
  DWORD lStructSize;  // sizeof(OPENFILENAME)
  HWND hwndOwner;
  HINSTANCE hInstance;
  // Pairs of description and pattern, each ending in a zero, the list
  // ending in a second zero: u"Wave Files (*.wav)\0*.wav\0\0". Several
  // patterns are separated by ';'.
  LPCWSTR lpstrFilter;
  LPWSTR lpstrCustomFilter;  // unused
  DWORD nMaxCustFilter;      // unused
  DWORD nFilterIndex;        // 1-based; 0 = the first pair
  // In: the initial name (or device path); out: the device path chosen,
  // like "\My Documents\x.wav".
  LPWSTR lpstrFile;
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;  // out: the name without its folder (may be null)
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;  // device path; null = the folder of lpstrFile or "\My Documents"
  LPCWSTR lpstrTitle;       // null = "Open"
  DWORD Flags;              // OFN_*
  WORD nFileOffset;         // out: where the name starts in lpstrFile
  WORD nFileExtension;      // out: where the extension starts (0 = none)
  LPCWSTR lpstrDefExt;      // appended (after a '.') to a name without extension
  LPARAM lCustData;
};

// Runs the modal open-file dialog. TRUE when a file was chosen; FALSE on
// Cancel (CommDlgExtendedError() then gives 0) or on an error (its code).
BOOL GetOpenFileName(OPENFILENAME* ofn);
DWORD CommDlgExtendedError();

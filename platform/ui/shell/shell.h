// The handheld shell: full-screen dialogs, the taskbar, the Done button,
// the input panel (soft keyboard) and its input methods, and processes.
#pragma once

#include "platform/guid.h"
#include "platform/ui/window/window.h"
#include "platform/windef.h"

// SHInitDialog.
inline constexpr DWORD SHIDIM_FLAGS = 0x0001;
inline constexpr DWORD SHIDIF_DONEBUTTON = 0x0001;
inline constexpr DWORD SHIDIF_SIZEDLG = 0x0002;
inline constexpr DWORD SHIDIF_SIZEDLGFULLSCREEN = 0x0004;
inline constexpr DWORD SHIDIF_SIPDOWN = 0x0008;
inline constexpr DWORD SHIDIF_FULLSCREENNOMENUBAR = 0x0010;
struct SHINITDLGINFO {
  DWORD dwMask;
  HWND hDlg;
  DWORD dwFlags;
};
BOOL SHInitDialog(SHINITDLGINFO* info);

// SHFullScreen: which parts of the shell show while `window` is in front.
inline constexpr DWORD SHFS_SHOWTASKBAR = 0x0001;
inline constexpr DWORD SHFS_HIDETASKBAR = 0x0002;
inline constexpr DWORD SHFS_SHOWSIPBUTTON = 0x0004;
inline constexpr DWORD SHFS_HIDESIPBUTTON = 0x0008;
inline constexpr DWORD SHFS_SHOWSTARTICON = 0x0010;
inline constexpr DWORD SHFS_HIDESTARTICON = 0x0020;
BOOL SHFullScreen(HWND window, DWORD state);

inline constexpr DWORD SHDB_SHOW = 0x0001;
inline constexpr DWORD SHDB_HIDE = 0x0002;
BOOL SHDoneButton(HWND window, DWORD state);

// Input panel.
enum SIPSTATE {
  SIP_UP = 0,
  SIP_DOWN = 1,
  SIP_FORCEDOWN = 2,
  SIP_UNCHANGED = 3,
  SIP_INPUTDIALOG = 4
};
BOOL SHSipPreference(HWND window, SIPSTATE state);

inline constexpr UINT SPI_SETSIPINFO = 224;
inline constexpr UINT SPI_GETSIPINFO = 225;
inline constexpr DWORD SIPF_OFF = 0x00000000;
inline constexpr DWORD SIPF_ON = 0x00000001;
inline constexpr DWORD SIPF_DOCKED = 0x00000002;
inline constexpr DWORD SIPF_LOCKED = 0x00000004;
inline constexpr DWORD SIPF_DISABLECOMPLETION = 0x00000008;
// The 48-byte record of the handheld; the input-method data pointer is kept
// as a 32-bit value so the record keeps its size on this host.
struct SIPINFO {
  DWORD cbSize;
  DWORD fdwFlags;
  RECT rcVisibleDesktop;
  RECT rcSipRect;
  DWORD dwImDataSize;
  DWORD pvImData;
};
static_assert(sizeof(SIPINFO) == 48);
// action SPI_GETSIPINFO / SPI_SETSIPINFO with a SIPINFO whose cbSize is 48.
BOOL SHSipInfo(UINT action, UINT param, void* info, UINT winIni);

struct IMENUMINFO {
  WCHAR szName[MAX_PATH];
  CLSID clsid;
};
using IMENUMPROC = int (*)(IMENUMINFO* info);
// Calls `proc` for each input method until it returns 0; returns the count.
int SipEnumIM(IMENUMPROC proc);
BOOL SipGetCurrentIM(CLSID* clsid);
BOOL SipSetCurrentIM(CLSID* clsid);

// Processes: the host runs the named program (the help viewer
// "PegHelp.exe" shows a help file of \Windows in a viewer window).
struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
BOOL CreateProcess(LPCWSTR application, LPCWSTR commandLine, void* processAttributes,
                   void* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                   LPVOID environment, LPCWSTR currentDirectory, void* startupInfo,
                   PROCESS_INFORMATION* processInfo);

// Taskbar icons: a program puts a small icon on the taskbar, left of the
// clock; a tap on it posts uCallbackMessage to hWnd with wParam uID and
// lParam WM_LBUTTONUP. Icons of a destroyed window go with it.
inline constexpr DWORD NIM_ADD = 0;
inline constexpr DWORD NIM_DELETE = 2;
inline constexpr UINT NIF_MESSAGE = 0x0001;
inline constexpr UINT NIF_ICON = 0x0002;
inline constexpr UINT NIF_TIP = 0x0004;
struct NOTIFYICONDATA {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  WCHAR szTip[64];
};
// NIM_ADD fails for a (hWnd, uID) already there or without an icon;
// NIM_DELETE fails for one that is not there; any other message fails.
BOOL Shell_NotifyIcon(DWORD message, NOTIFYICONDATA* data);

// The window system: windows in a tree, top-level windows in z-order, the
// active and foreground window, focus, one message queue per thread,
// timers on the device clock, hot keys and cursors.
#pragma once

#include "platform/errors.h"
#include "platform/ui/window/messages.h"
#include "platform/windef.h"

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, std::uintptr_t, DWORD);

struct HCURSOR__;
using HCURSOR = HCURSOR__*;

struct WNDCLASS {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
};

struct CREATESTRUCT {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  void* hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
};

inline const HWND HWND_BROADCAST = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0xFFFF));
inline const HWND HWND_TOP = nullptr;
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(static_cast<std::intptr_t>(1));
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-2));
// Position or size chosen by the system: the full screen.
inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Class registration. The window system registers its own control classes
// ("BUTTON", "STATIC", "EDIT", "COMBOBOX", "msctls_progress32",
// "SysTabControl32", "Dialog", ...).
WORD RegisterClass(const WNDCLASS* windowClass);
BOOL UnregisterClass(LPCWSTR className, HINSTANCE instance);
BOOL GetClassInfo(HINSTANCE instance, LPCWSTR className, WNDCLASS* windowClass);
int GetClassName(HWND window, LPWSTR buffer, int capacity);

// Creation and destruction. For a child window `menuOrId` is its control
// id. WM_CREATE gets a CREATESTRUCT; returning -1 fails the creation.
HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, std::uintptr_t menuOrId, HINSTANCE instance,
                    LPVOID param);
// Destroys the window, its children and the windows it owns (WM_DESTROY
// parent first, WM_NCDESTROY children first).
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr int GWL_WNDPROC = -4;
inline constexpr int GWL_ID = -12;
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;
inline constexpr int GWL_USERDATA = -21;
inline constexpr int DWL_MSGRESULT = 0;
inline constexpr int DWL_DLGPROC = 4;
inline constexpr int DWL_USER = 8;
// Values are pointer-sized on this host so WNDPROCs and object pointers fit.
LONG_PTR GetWindowLong(HWND window, int index);
LONG_PTR SetWindowLong(HWND window, int index, LONG_PTR value);

// Text.
BOOL SetWindowText(HWND window, LPCWSTR text);
int GetWindowText(HWND window, LPWSTR buffer, int capacity);
int GetWindowTextLength(HWND window);

// Geometry. Window rectangles are in screen coordinates; child positions
// given to MoveWindow/SetWindowPos are relative to the parent's client area.
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
// lParam of WM_WINDOWPOSCHANGED; DefWindowProc turns it into WM_MOVE and
// WM_SIZE.
struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x;
  int y;
  int cx;
  int cy;
  UINT flags;
};
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
// The topmost visible window (child-most) at a screen point, or null.
HWND WindowFromPoint(POINT point);
HWND ChildWindowFromPoint(HWND parent, POINT clientPoint);

// State.
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL UpdateWindow(HWND window);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);

// Relations.
HWND GetParent(HWND window);
HWND SetParent(HWND window, HWND newParent);
inline constexpr UINT GW_HWNDFIRST = 0;
inline constexpr UINT GW_HWNDLAST = 1;
inline constexpr UINT GW_HWNDNEXT = 2;
inline constexpr UINT GW_HWNDPREV = 3;
inline constexpr UINT GW_OWNER = 4;
inline constexpr UINT GW_CHILD = 5;
HWND GetWindow(HWND window, UINT relation);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
BOOL IsChild(HWND parent, HWND window);
// Top-level windows of this process by class and/or title (null = any).
HWND FindWindow(LPCWSTR className, LPCWSTR windowName);
// The topmost visible top-level window of this process.
HWND GetTopWindow(HWND parent);

// Activation, foreground and focus.
HWND SetActiveWindow(HWND window);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();
BOOL BringWindowToTop(HWND window);
HWND SetFocus(HWND window);
HWND GetFocus();
HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();

// Messages. SendMessage calls the window procedure at once; PostMessage
// queues. Posting to HWND_BROADCAST reaches every top-level window of every
// process of the device.
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Waits for a message (pumping timers, input and the idle hook); FALSE on
// WM_QUIT.
BOOL GetMessage(MSG* msg, HWND window, UINT first, UINT last);
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;
BOOL PeekMessage(MSG* msg, HWND window, UINT first, UINT last, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
// Keyboard navigation of a dialog: Tab, Enter (default button), Escape
// (IDCANCEL), arrows in radio groups.
BOOL IsDialogMessage(HWND dialog, MSG* msg);
// Same number for the same name (case-insensitive) in every process of the
// device, in 0xC000-0xFFFF.
UINT RegisterWindowMessage(LPCWSTR name);

// Timers on the device clock.
std::uintptr_t SetTimer(HWND window, std::uintptr_t id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND window, std::uintptr_t id);

// Hot keys: while registered, the key goes to the window as WM_HOTKEY and
// nowhere else.
BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey);
BOOL UnregisterHotKey(HWND window, int id);

// Cursors.
inline constexpr std::uintptr_t IDC_ARROW = 32512;
inline constexpr std::uintptr_t IDC_WAIT = 32514;
HCURSOR LoadCursor(HINSTANCE instance, std::uintptr_t id);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

// Beeps and help-viewer processes are in kernel.h and shell.h.

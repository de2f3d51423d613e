// CWnd: a C++ object attached to a window of the window system.
//
// The object is found from its handle (FromHandle) through a per-thread
// map; windows of the library's own classes, and every window the library
// creates for an object, have their procedure replaced by AfxWndProc, which
// hands each message to the object's WindowProc: the message map first,
// then the window's previous procedure (DefWindowProc).
#pragma once

#include <string>

#include "platform/message_box.h"
#include "platform/ui/afx/afx_module_state.h"
#include "platform/ui/afx/afx_msgmap.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window.h"
#include "platform/ui/window/window_dc.h"

// Ids and values of the class library.
inline constexpr UINT ID_HELP = 0xE146;            // 57670, the Help command
inline constexpr UINT AFX_IDS_APP_TITLE = 0xE000;  // string: the application's title
inline constexpr UINT AFX_IDW_COMMANDBAR = 0xE800;
inline constexpr UINT AFX_IDC_TAB_CONTROL = 0x3020;
// WinHelp commands.
inline constexpr UINT HELP_CONTEXT = 0x0001;
inline constexpr UINT HELP_FINDER = 0x000B;

// The window procedure of the library's window classes and of subclassed
// windows.
LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)

 public:
  CWnd();
  // Destroys a window still attached (without calling back into the
  // object, which is half gone by then).
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  operator HWND() const { return m_hWnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }

  // Handles and objects. FromHandle gives the attached object, or a
  // temporary one for a window no object owns (valid while that window
  // lives); null for a null handle.
  static CWnd* FromHandle(HWND window);
  static CWnd* FromHandlePermanent(HWND window);
  BOOL Attach(HWND window);
  HWND Detach();
  // Attaches and routes the window's messages through this object.
  BOOL SubclassWindow(HWND window);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();

  // Creation. PreCreateWindow may change the creation parameters (class,
  // style, position) or refuse.
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  virtual BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                        int y, int width, int height, HWND parent, UINT_PTR idOrMenu,
                        LPVOID param = nullptr);
  virtual BOOL Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                      CWnd* parent, UINT id, LPVOID param = nullptr);
  virtual BOOL DestroyWindow();

  // Messages.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  // The window's default handling of the message being handled now.
  LRESULT Default();
  // The message this thread's class-library window is handling now.
  static const MSG* GetCurrentMessage();
  // Called by the modal loops for each message before it is dispatched;
  // TRUE when the message was consumed.
  virtual BOOL PreTranslateMessage(MSG* msg);

  // Modal runs: the loop keeps going while ContinueModal says so.
  virtual BOOL ContinueModal();
  virtual void EndModalLoop(int result);
  int RunModalLoop();

  // Text.
  void SetWindowText(LPCWSTR text);
  void SetWindowText(const std::u16string& text) { SetWindowText(text.c_str()); }
  std::u16string GetWindowText() const;
  void GetWindowText(std::u16string& text) const { text = GetWindowText(); }
  int GetWindowTextLength() const;

  // State.
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  void UpdateWindow();
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
  void ValidateRect(const RECT* rect);

  // Geometry.
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(const RECT& rect, BOOL repaint = TRUE);
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int width, int height, UINT flags);
  void GetWindowRect(RECT* rect) const;
  void GetClientRect(RECT* rect) const;
  void ClientToScreen(POINT* point) const;
  void ScreenToClient(POINT* point) const;

  // Activation and focus.
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetActiveWindow();
  static CWnd* GetActiveWindow();
  BOOL SetForegroundWindow();
  static CWnd* GetForegroundWindow();
  void BringWindowToTop();

  // Timers.
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
  BOOL KillTimer(UINT_PTR id);

  // Styles.
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  // Removes then adds bits; with `flags`, also SetWindowPos(flags) so the
  // frame follows.
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);

  // Relations.
  CWnd* GetParent() const;
  CWnd* GetTopLevelParent() const;
  int GetDlgCtrlID() const;
  CWnd* GetDlgItem(int id) const;
  void GetDlgItem(int id, HWND* window) const;
  CWnd* GetNextDlgTabItem(CWnd* control, BOOL previous = FALSE) const;
  CWnd* GetNextDlgGroupItem(CWnd* control, BOOL previous = FALSE) const;

  // Dialog items by id.
  void SetDlgItemText(int id, LPCWSTR text);
  void SetDlgItemText(int id, const std::u16string& text) { SetDlgItemText(id, text.c_str()); }
  std::u16string GetDlgItemText(int id) const;
  void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
  UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  void CheckRadioButton(int firstId, int lastId, int checkId);
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  // Help: the application's help call (AfxGetApp()->WinHelp). Windows may
  // override it to pass their own data.
  virtual void WinHelp(DWORD_PTR data, UINT command = HELP_CONTEXT);
  int MessageBox(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = 0);

 protected:
  // The message pipeline: WindowProc -> OnWndMsg (message map; WM_COMMAND
  // to OnCommand, WM_NOTIFY to OnNotify) -> DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The window's procedure before the object took it over (or the system's
  // DefWindowProc).
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // After the window is gone and the object detached (WM_NCDESTROY). A
  // class whose objects live on the heap may delete itself here.
  virtual void PostNcDestroy();

  // Default handlers for derived message maps; each gives the message its
  // default handling.
  virtual void OnDestroy();
  int OnCreate(CREATESTRUCT* create);
  void OnPaint();
  void OnSize(UINT type, int cx, int cy);
  void OnActivate(UINT state, HWND other, BOOL minimized);
  void OnTimer(UINT_PTR id);
  void OnClose();
  BOOL OnEraseBkgnd(HDC dc);
  void OnSettingChange(UINT flags, LPCWSTR section);
  // WM_HELP: the help call with data 0.
  LRESULT OnHelpInfo(WPARAM wParam, LPARAM lParam);
  // ID_HELP: the help call with data 0.
  void OnHelp();

  // Creates a dialog window of this object from `dialogTemplate` (shown,
  // owned by the top-level window of `parent`), disables the owner, runs the
  // modal loop, then re-enables the owner and destroys the window. Returns
  // the EndModalLoop value; IDCANCEL when the window went away without one;
  // -1 when the window could not be made.
  INT_PTR RunModalDialog(HINSTANCE instance, const DialogTemplate& dialogTemplate, CWnd* parent);

  // Modal state.
  static constexpr UINT kContinueModal = 0x0001;
  UINT m_nFlags = 0;
  int m_nModalResult = 0;

  DECLARE_MESSAGE_MAP()

 private:
  friend LRESULT AfxWndProc(HWND, UINT, WPARAM, LPARAM);
  friend LONG_PTR AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
  friend class CWndCreation;

  // Attaches to a window being created and takes over its procedure.
  void AttachForCreation(HWND window);
  LRESULT CallWindowProcOfObject(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  WNDPROC m_pfnSuper = nullptr;
  AFX_MODULE_STATE* m_pModuleState = nullptr;
};

// The dialog procedure the library gives its dialogs: it only attaches the
// object if that has not happened yet; everything else goes through the
// object's message map.
LONG_PTR AfxDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// BeginPaint/EndPaint for the lifetime of the object.
class CPaintDC {
 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC();
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  operator HDC() const { return m_hDC; }

  HDC m_hDC = nullptr;
  PAINTSTRUCT m_ps{};

 private:
  HWND m_hWnd;
};

// Registers (once) a window class of the library with AfxWndProc and
// returns its generated name, valid for the process.
LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                            HICON icon = nullptr);

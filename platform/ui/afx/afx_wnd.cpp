// CWnd: objects attached to windows, the message pipeline and the modal
// loop shared by dialogs and property sheets.
#include "platform/ui/afx/afx_wnd.h"

#include <algorithm>
#include <cstdio>
#include <list>
#include <mutex>
#include <utility>

#include "platform/ui/afx/afx_app.h"
#include "platform/ui/afx/afx_internal.h"
#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_dc.h"
#include "platform/wstring.h"

namespace afx::detail {

ThreadState::~ThreadState() {
  // Temporary objects are dropped without touching their windows: the
  // window system may be gone already at thread exit.
  for (auto& [window, object] : temporary) object->m_hWnd = nullptr;
}

ThreadState& Thread() {
  thread_local ThreadState state;
  return state;
}

RECT WorkArea() {
  return RECT{0, platform::ui::screen::kTitleBarHeight, platform::ui::screen::kWidth,
              platform::ui::screen::kHeight - platform::ui::screen::kMenuBarHeight};
}

HWND TopLevelOf(HWND window) {
  HWND current = window;
  while (current && (::GetWindowLong(current, GWL_STYLE) & WS_CHILD)) {
    HWND parent = ::GetParent(current);
    if (!parent) break;
    current = parent;
  }
  return current;
}

bool HasClass(HWND window, LPCWSTR className) {
  WCHAR name[64] = {};
  const int length = ::GetClassName(window, name, 64);
  return length > 0 && platform::EqualsNoCase(std::u16string_view(name, std::size_t(length)),
                                              std::u16string_view(className));
}

std::u16string LoadStringText(HINSTANCE module, UINT id) {
  LPCWSTR text = nullptr;
  const int length = ::LoadString(module, id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return std::u16string(text, std::size_t(length));
}

}  // namespace afx::detail

using afx::detail::Thread;

// Creation ----------------------------------------------------------------

CWndCreation::CWndCreation(CWnd* object) : m_pObject(object) {
  m_pPrevious = std::exchange(Thread().creating, object);
  m_previousHook = platform::ui::SetCreateHook([](HWND window, const CREATESTRUCT&) {
    if (CWnd* pending = std::exchange(Thread().creating, nullptr)) {
      pending->AttachForCreation(window);
    }
  });
}

CWndCreation::~CWndCreation() {
  // An outer creation that has not got its window yet waits on.
  Thread().creating = m_pPrevious && !m_pPrevious->m_hWnd ? m_pPrevious : nullptr;
  platform::ui::SetCreateHook(std::move(m_previousHook));
}

void CWndCreation::Complete(HWND window) {
  if (Thread().creating == m_pObject) Thread().creating = nullptr;
  if (window && !m_pObject->m_hWnd && ::IsWindow(window) && !CWnd::FromHandlePermanent(window)) {
    m_pObject->AttachForCreation(window);
  }
}

void CWnd::AttachForCreation(HWND window) {
  if (!Attach(window)) return;
  const auto proc = reinterpret_cast<WNDPROC>(::GetWindowLong(window, GWL_WNDPROC));
  if (proc != &AfxWndProc) {
    m_pfnSuper = proc;
    ::SetWindowLong(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc));
  }
}

// Window procedures ---------------------------------------------------------

LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* object = CWnd::FromHandlePermanent(window);
  if (!object) return ::DefWindowProc(window, message, wParam, lParam);
  return object->CallWindowProcOfObject(window, message, wParam, lParam);
}

LONG_PTR AfxDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // Objects are normally attached at creation and see WM_INITDIALOG through
  // their message map; this only catches a dialog made without that.
  if (message != WM_INITDIALOG) return FALSE;
  if (CWnd::FromHandlePermanent(dialog)) return TRUE;
  auto* object = reinterpret_cast<CWnd*>(lParam);
  if (!object || object->m_hWnd) return TRUE;
  object->AttachForCreation(dialog);
  return object->CallWindowProcOfObject(dialog, message, wParam, lParam);
}

LRESULT CWnd::CallWindowProcOfObject(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  afx::detail::ThreadState& thread = Thread();
  // The outer message comes back also when a handler's modal run is left
  // by an exception.
  struct CurrentMessage {
    afx::detail::ThreadState& thread;
    const MSG outer;
    ~CurrentMessage() { thread.current = outer; }
  } current{thread, thread.current};
  thread.current = MSG{window, message, wParam, lParam, 0, {0, 0}};
  LRESULT result = 0;
  {
    CModuleStateScope scope(m_pModuleState);
    result = WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY && m_hWnd == window) {
      // The window is gone: the object lets go of it, then may delete itself.
      Detach();
      m_pfnSuper = nullptr;
      PostNcDestroy();
    }
  }
  return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    *result = 0;
    return TRUE;
  }
  if (message == WM_NOTIFY) {
    LRESULT notifyResult = 0;
    if (!OnNotify(wParam, lParam, &notifyResult)) return FALSE;
    *result = notifyResult;
    return TRUE;
  }
  const AFX_MSGMAP_ENTRY* entry = afx::FindMessageEntry(GetMessageMap(), message);
  if (!entry) return FALSE;
  *result = entry->thunk(this, wParam, lParam);
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  const auto value = static_cast<DWORD>(wParam);
  UINT code = HIWORD(value);
  // Accelerators (code 1 without a control) are commands like menu items.
  if (code == 1 && lParam == 0) code = 0;
  const AFX_MSGMAP_ENTRY* entry = afx::FindCommandEntry(GetMessageMap(), code, LOWORD(value));
  if (!entry) return FALSE;
  entry->thunk(this, wParam, lParam);
  return TRUE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (!header) return FALSE;
  const AFX_MSGMAP_ENTRY* entry =
      afx::FindNotifyEntry(GetMessageMap(), header->code, static_cast<UINT>(header->idFrom));
  if (!entry) return FALSE;
  *result = entry->thunk(this, 0, lParam);
  return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = m_hWnd ? m_hWnd : Thread().current.hwnd;
  if (!window) return 0;
  if (m_pfnSuper) return ::CallWindowProc(m_pfnSuper, window, message, wParam, lParam);
  return ::DefWindowProc(window, message, wParam, lParam);
}

LRESULT CWnd::Default() {
  const MSG& current = Thread().current;
  return DefWindowProc(current.message, current.wParam, current.lParam);
}

const MSG* CWnd::GetCurrentMessage() {
  return &Thread().current;
}

BOOL CWnd::PreTranslateMessage(MSG*) {
  return FALSE;
}

void CWnd::PostNcDestroy() {}

// Objects and handles ------------------------------------------------------

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

DEFINE_MESSAGE_MAP(CWnd, CCmdTarget,
                   {
                       afx::On<WM_DESTROY, &ThisClass::OnDestroy>(),
                       afx::On<WM_HELP, &ThisClass::OnHelpInfo>(),
                       afx::OnCommand<ID_HELP, &ThisClass::OnHelp>(),
                   })

CWnd::CWnd() : m_pModuleState(AfxGetModuleState()) {}

CWnd::~CWnd() {
  if (!m_hWnd) return;
  HWND window = m_hWnd;
  if (FromHandlePermanent(window) != this) {
    m_hWnd = nullptr;
    return;
  }
  // Let go first: the window's last messages must not reach an object that
  // is already half destroyed.
  UnsubclassWindow();
  if (::IsWindow(window)) ::DestroyWindow(window);
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
  if (!window) return nullptr;
  auto& permanent = Thread().permanent;
  auto it = permanent.find(window);
  return it == permanent.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND window) {
  if (!window) return nullptr;
  if (CWnd* object = FromHandlePermanent(window)) return object;
  auto& temporary = Thread().temporary;
  auto it = temporary.find(window);
  if (it != temporary.end()) return it->second.get();
  // Wrappers of windows that are gone are of no use to anyone.
  std::erase_if(temporary, [](const auto& entry) {
    if (::IsWindow(entry.first)) return false;
    entry.second->m_hWnd = nullptr;
    return true;
  });
  auto object = std::make_unique<CWnd>();
  object->m_hWnd = window;
  CWnd* result = object.get();
  temporary.emplace(window, std::move(object));
  return result;
}

BOOL CWnd::Attach(HWND window) {
  if (!window || m_hWnd || FromHandlePermanent(window)) return FALSE;
  Thread().permanent[window] = this;
  m_hWnd = window;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND window = std::exchange(m_hWnd, nullptr);
  if (window) {
    auto& permanent = Thread().permanent;
    auto it = permanent.find(window);
    if (it != permanent.end() && it->second == this) permanent.erase(it);
  }
  return window;
}

BOOL CWnd::SubclassWindow(HWND window) {
  if (!::IsWindow(window) || !Attach(window)) return FALSE;
  const auto proc = reinterpret_cast<WNDPROC>(::GetWindowLong(window, GWL_WNDPROC));
  if (proc != &AfxWndProc) {
    m_pfnSuper = proc;
    ::SetWindowLong(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc));
  }
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (!parent || !parent->m_hWnd) return FALSE;
  return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
  if (m_hWnd && m_pfnSuper && ::IsWindow(m_hWnd) &&
      reinterpret_cast<WNDPROC>(::GetWindowLong(m_hWnd, GWL_WNDPROC)) == &AfxWndProc) {
    ::SetWindowLong(m_hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  }
  m_pfnSuper = nullptr;
  return Detach();
}

// Creation and destruction --------------------------------------------------

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) {
  return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, UINT_PTR idOrMenu, LPVOID param) {
  if (m_hWnd) return FALSE;
  CREATESTRUCT cs{param,
                  AfxGetInstanceHandle(),
                  reinterpret_cast<void*>(idOrMenu),
                  parent,
                  height,
                  width,
                  y,
                  x,
                  static_cast<LONG>(style),
                  windowName,
                  className,
                  exStyle};
  if (!PreCreateWindow(cs)) return FALSE;
  HWND window = nullptr;
  {
    CWndCreation creation(this);
    window =
        ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style),
                         cs.x, cs.y, cs.cx, cs.cy, cs.hwndParent,
                         reinterpret_cast<UINT_PTR>(cs.hMenu), cs.hInstance, cs.lpCreateParams);
    creation.Complete(window);
  }
  return window && m_hWnd == window ? TRUE : FALSE;
}

BOOL CWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, LPVOID param) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                  id, param);
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

// Modal runs -----------------------------------------------------------------

BOOL CWnd::ContinueModal() {
  return (m_nFlags & kContinueModal) && m_hWnd && ::IsWindow(m_hWnd);
}

void CWnd::EndModalLoop(int result) {
  m_nModalResult = result;
  m_nFlags &= ~kContinueModal;
  // Wakes the loop when this comes from outside a message (idle hook,
  // timer procedure).
  if (m_hWnd) ::PostMessage(m_hWnd, WM_NULL, 0, 0);
}

int CWnd::RunModalLoop() {
  platform::ui::RunModalLoop([this] { return !ContinueModal(); },
                             [this](MSG* msg) { return PreTranslateMessage(msg) != FALSE; });
  return m_nModalResult;
}

INT_PTR CWnd::RunModalDialog(HINSTANCE instance, const DialogTemplate& dialogTemplate,
                             CWnd* parent) {
  if (m_hWnd) return -1;
  DialogTemplate shown = dialogTemplate;
  shown.style |= WS_VISIBLE;
  HWND owner = parent && parent->m_hWnd ? afx::detail::TopLevelOf(parent->m_hWnd) : nullptr;
  m_nFlags |= kContinueModal;
  m_nModalResult = IDCANCEL;
  HWND dialog = nullptr;
  {
    CWndCreation creation(this);
    dialog = ::CreateDialogIndirectParam(instance, &shown, owner, &AfxDlgProc,
                                         reinterpret_cast<LPARAM>(this));
    creation.Complete(dialog);
  }
  if (!dialog) {
    m_nFlags &= ~kContinueModal;
    return -1;
  }
  bool ownerDisabled = false;
  if (owner && ::IsWindow(owner) && ::IsWindowEnabled(owner)) {
    ::EnableWindow(owner, FALSE);
    ownerDisabled = true;
  }
  // Runs when the loop ends, and also when an exception (a scripted run
  // that stops) leaves it: the dialog never outlives its run.
  struct Closing {
    CWnd* self;
    HWND dialog;
    HWND owner;
    bool ownerDisabled;
    ~Closing() {
      self->m_nFlags &= ~kContinueModal;
      const bool wasForeground = ::GetForegroundWindow() == dialog;
      // The owner comes back before the dialog goes, so the activation
      // falls to it and not to some other window.
      if (ownerDisabled && ::IsWindow(owner)) ::EnableWindow(owner, TRUE);
      if (::IsWindow(dialog)) ::DestroyWindow(dialog);
      if (owner && ::IsWindow(owner) && ::IsWindowVisible(owner)) {
        if (wasForeground) ::SetForegroundWindow(owner);
        ::SetActiveWindow(owner);
      }
    }
  } closing{this, dialog, owner, ownerDisabled};
  if (ContinueModal()) RunModalLoop();
  return m_nModalResult;
}

// Messages -------------------------------------------------------------------

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::PostMessage(m_hWnd, message, wParam, lParam);
}

// Text -------------------------------------------------------------------------

void CWnd::SetWindowText(LPCWSTR text) {
  ::SetWindowText(m_hWnd, text ? text : u"");
}

std::u16string CWnd::GetWindowText() const {
  const int length = ::GetWindowTextLength(m_hWnd);
  if (length <= 0) return {};
  std::u16string text(std::size_t(length) + 1, u'\0');
  const int copied = ::GetWindowText(m_hWnd, text.data(), length + 1);
  text.resize(std::size_t(std::max(copied, 0)));
  return text;
}

int CWnd::GetWindowTextLength() const {
  return ::GetWindowTextLength(m_hWnd);
}

// State and geometry -----------------------------------------------------------

BOOL CWnd::EnableWindow(BOOL enable) {
  return ::EnableWindow(m_hWnd, enable);
}

BOOL CWnd::IsWindowEnabled() const {
  return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::ShowWindow(int command) {
  return ::ShowWindow(m_hWnd, command);
}

BOOL CWnd::IsWindowVisible() const {
  return ::IsWindowVisible(m_hWnd);
}

void CWnd::UpdateWindow() {
  ::UpdateWindow(m_hWnd);
}

void CWnd::Invalidate(BOOL erase) {
  ::InvalidateRect(m_hWnd, nullptr, erase);
}

void CWnd::InvalidateRect(const RECT* rect, BOOL erase) {
  ::InvalidateRect(m_hWnd, rect, erase);
}

void CWnd::ValidateRect(const RECT* rect) {
  ::ValidateRect(m_hWnd, rect);
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

void CWnd::MoveWindow(const RECT& rect, BOOL repaint) {
  ::MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               repaint);
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int width, int height, UINT flags) {
  return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : HWND_TOP, x, y, width, height,
                        flags);
}

void CWnd::GetWindowRect(RECT* rect) const {
  ::GetWindowRect(m_hWnd, rect);
}

void CWnd::GetClientRect(RECT* rect) const {
  ::GetClientRect(m_hWnd, rect);
}

void CWnd::ClientToScreen(POINT* point) const {
  ::ClientToScreen(m_hWnd, point);
}

void CWnd::ScreenToClient(POINT* point) const {
  ::ScreenToClient(m_hWnd, point);
}

CWnd* CWnd::SetFocus() {
  return FromHandle(::SetFocus(m_hWnd));
}

CWnd* CWnd::GetFocus() {
  return FromHandle(::GetFocus());
}

CWnd* CWnd::SetActiveWindow() {
  return FromHandle(::SetActiveWindow(m_hWnd));
}

CWnd* CWnd::GetActiveWindow() {
  return FromHandle(::GetActiveWindow());
}

BOOL CWnd::SetForegroundWindow() {
  return ::SetForegroundWindow(m_hWnd);
}

CWnd* CWnd::GetForegroundWindow() {
  return FromHandle(::GetForegroundWindow());
}

void CWnd::BringWindowToTop() {
  ::BringWindowToTop(m_hWnd);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) {
  return ::SetTimer(m_hWnd, id, elapse, proc);
}

BOOL CWnd::KillTimer(UINT_PTR id) {
  return ::KillTimer(m_hWnd, id);
}

DWORD CWnd::GetStyle() const {
  return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const {
  return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_EXSTYLE));
}

namespace {

BOOL ModifyLong(HWND window, int index, DWORD remove, DWORD add, UINT flags) {
  if (!window) return FALSE;
  const auto style = static_cast<DWORD>(::GetWindowLong(window, index));
  const DWORD changed = (style & ~remove) | add;
  if (changed == style) return FALSE;
  ::SetWindowLong(window, index, static_cast<LONG_PTR>(changed));
  if (flags != 0) {
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
  }
  return TRUE;
}

}  // namespace

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  return ModifyLong(m_hWnd, GWL_STYLE, remove, add, flags);
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
  return ModifyLong(m_hWnd, GWL_EXSTYLE, remove, add, flags);
}

// Relations and dialog items -------------------------------------------------

CWnd* CWnd::GetParent() const {
  return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::GetTopLevelParent() const {
  return FromHandle(afx::detail::TopLevelOf(m_hWnd));
}

int CWnd::GetDlgCtrlID() const {
  return ::GetDlgCtrlID(m_hWnd);
}

CWnd* CWnd::GetDlgItem(int id) const {
  return FromHandle(::GetDlgItem(m_hWnd, id));
}

void CWnd::GetDlgItem(int id, HWND* window) const {
  *window = ::GetDlgItem(m_hWnd, id);
}

CWnd* CWnd::GetNextDlgTabItem(CWnd* control, BOOL previous) const {
  return FromHandle(::GetNextDlgTabItem(m_hWnd, control ? control->m_hWnd : nullptr, previous));
}

CWnd* CWnd::GetNextDlgGroupItem(CWnd* control, BOOL previous) const {
  return FromHandle(::GetNextDlgGroupItem(m_hWnd, control ? control->m_hWnd : nullptr, previous));
}

void CWnd::SetDlgItemText(int id, LPCWSTR text) {
  ::SetDlgItemText(m_hWnd, id, text ? text : u"");
}

std::u16string CWnd::GetDlgItemText(int id) const {
  HWND control = ::GetDlgItem(m_hWnd, id);
  return control ? FromHandle(control)->GetWindowText() : std::u16string();
}

void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned) {
  ::SetDlgItemInt(m_hWnd, id, value, isSigned);
}

UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const {
  return ::GetDlgItemInt(m_hWnd, id, translated, isSigned);
}

void CWnd::CheckDlgButton(int id, UINT check) {
  ::CheckDlgButton(m_hWnd, id, check);
}

UINT CWnd::IsDlgButtonChecked(int id) const {
  return ::IsDlgButtonChecked(m_hWnd, id);
}

void CWnd::CheckRadioButton(int firstId, int lastId, int checkId) {
  ::CheckRadioButton(m_hWnd, firstId, lastId, checkId);
}

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendDlgItemMessage(m_hWnd, id, message, wParam, lParam);
}

// Help and boxes -----------------------------------------------------------------

void CWnd::WinHelp(DWORD_PTR data, UINT command) {
  if (CWinApp* app = AfxGetApp()) app->WinHelp(data, command);
}

int CWnd::MessageBox(LPCWSTR text, LPCWSTR caption, UINT type) {
  return ::MessageBox(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

// Default handlers -----------------------------------------------------------------

void CWnd::OnDestroy() {
  Default();
}

int CWnd::OnCreate(CREATESTRUCT*) {
  return static_cast<int>(Default());
}

void CWnd::OnPaint() {
  Default();
}

void CWnd::OnSize(UINT, int, int) {
  Default();
}

void CWnd::OnActivate(UINT, HWND, BOOL) {
  Default();
}

void CWnd::OnTimer(UINT_PTR) {
  Default();
}

void CWnd::OnClose() {
  Default();
}

BOOL CWnd::OnEraseBkgnd(HDC) {
  return static_cast<BOOL>(Default());
}

void CWnd::OnSettingChange(UINT, LPCWSTR) {
  Default();
}

LRESULT CWnd::OnHelpInfo(WPARAM, LPARAM) {
  WinHelp(0, HELP_CONTEXT);
  return TRUE;
}

void CWnd::OnHelp() {
  WinHelp(0, HELP_CONTEXT);
}

// Painting and classes ---------------------------------------------------------------

CPaintDC::CPaintDC(CWnd* window) : m_hWnd(window->m_hWnd) {
  m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
  ::EndPaint(m_hWnd, &m_ps);
}

LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
  // Names live as long as the process: the window system keeps only the
  // pointer's text while the class is registered, callers keep the pointer.
  static std::mutex lock;
  static std::list<std::u16string> names;
  char name[96];
  std::snprintf(name, sizeof name, "Afx:%x:%zx:%zx:%zx", classStyle,
                reinterpret_cast<std::size_t>(cursor), reinterpret_cast<std::size_t>(background),
                reinterpret_cast<std::size_t>(icon));
  std::u16string wide = platform::FromUtf8(name);
  std::lock_guard guard(lock);
  auto it = std::find(names.begin(), names.end(), wide);
  if (it == names.end()) it = names.insert(names.end(), wide);
  WNDCLASS existing{};
  if (!::GetClassInfo(nullptr, it->c_str(), &existing)) {
    WNDCLASS wc{};
    wc.style = classStyle;
    wc.lpfnWndProc = &AfxWndProc;
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = it->c_str();
    if (!::RegisterClass(&wc)) return nullptr;
  }
  return it->c_str();
}

// Windows: classes, creation and destruction, window longs, text and the
// default window procedure.
#include <algorithm>
#include <cstring>

#include "platform/kernel.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_manager_state.h"
#include "platform/ui/window/window_registry.h"
#include "platform/wstring.h"

// The painter's FillRect erases backgrounds for DefWindowProc; bound weakly
// so the window system works (without painting) in a build without it.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush) __attribute__((weak));

namespace platform::ui {
namespace wm {

State& S() {
  static State* state = new State;  // outlives every window at exit
  return *state;
}

void Fail(DWORD error) {
  SetLastError(error);
}

Window* Find(HWND hwnd) {
  auto& windows = S().windows;
  const auto it = windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
  return it == windows.end() ? nullptr : it->second.get();
}

Window* FindLive(HWND hwnd) {
  Window* w = Find(hwnd);
  return w && !w->destroying ? w : nullptr;
}

Window* FindOrFail(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w) Fail(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

bool IsTopLevel(const Window* w) {
  return w->parent == nullptr;
}

Window* TopLevelOf(Window* w) {
  while (w && w->parent) w = Find(w->parent);
  return w;
}

bool IsDescendant(const Window* ancestor, const Window* w) {
  while (w && w->parent) {
    if (w->parent == ancestor->handle) return true;
    w = Find(w->parent);
  }
  return false;
}

std::vector<HWND>& Siblings(Window* w) {
  if (w->parent) {
    if (Window* parent = Find(w->parent)) return parent->children;
  }
  return S().zorder;
}

void RemoveFromSiblings(Window* w) {
  if (!w->parent) NoteTopLevelsChanged();
  auto& list = Siblings(w);
  list.erase(std::remove(list.begin(), list.end(), w->handle), list.end());
}

int Frame(const Window* w) {
  constexpr DWORD kFrameStyles = WS_BORDER | WS_DLGFRAME;
  constexpr DWORD kFrameExStyles = WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE;
  if ((w->style & kFrameStyles) || (w->exStyle & kFrameExStyles) ||
      (w->dialogClass && (w->style & DS_MODALFRAME))) {
    return kFrameThickness;
  }
  return 0;
}

POINT ScreenOrigin(const Window* w) {
  POINT origin{w->rect.left, w->rect.top};
  if (w->parent) {
    if (const Window* parent = Find(w->parent)) {
      const POINT base = ClientOrigin(parent);
      origin.x += base.x;
      origin.y += base.y;
    }
  }
  return origin;
}

POINT ClientOrigin(const Window* w) {
  POINT origin = ScreenOrigin(w);
  const int frame = Frame(w);
  return {origin.x + frame, origin.y + frame};
}

bool IsShown(const Window* w) {
  while (w) {
    if (!(w->style & WS_VISIBLE)) return false;
    w = w->parent ? Find(w->parent) : nullptr;
  }
  return true;
}

bool IsEnabledTree(const Window* w) {
  while (w) {
    if (w->style & WS_DISABLED) return false;
    w = w->parent ? Find(w->parent) : nullptr;
  }
  return true;
}

void MarkDirty() {
  State& s = S();
  if (s.dirty) return;
  s.dirty = true;
  // A thread blocked in its wait must wake to compose.
  if (auto q = s.firstQueue.lock()) WakeLocked(*q);
}

namespace {

CreateHook& CreateHookSlot() {
  thread_local CreateHook hook;
  return hook;
}

bool IsAtom(LPCWSTR name) {
  return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}

std::shared_ptr<WindowClass> FindClassLocked(LPCWSTR name) {
  if (!name) return nullptr;
  for (const auto& cls : S().classes) {
    if (IsAtom(name) ? cls->atom == reinterpret_cast<std::uintptr_t>(name)
                     : platform::EqualsNoCase(cls->name, name)) {
      return cls;
    }
  }
  return nullptr;
}

// Finds a class, letting the providers register a predefined one on first
// use.
std::shared_ptr<WindowClass> LookupClass(LPCWSTR name) {
  std::vector<ClassProvider> providers;
  {
    Lock lock(S().mutex);
    if (auto cls = FindClassLocked(name)) return cls;
    if (!name || IsAtom(name)) return nullptr;
    providers = S().classProviders;
  }
  for (const auto& provider : providers) {
    if (provider(name)) break;
  }
  Lock lock(S().mutex);
  return FindClassLocked(name);
}

void InvalidateWhole(Window* w) {
  w->invalid = true;
  w->erase = true;
  w->update = {0, 0, std::max<LONG>(0, w->rect.right - w->rect.left - 2 * Frame(w)),
               std::max<LONG>(0, w->rect.bottom - w->rect.top - 2 * Frame(w))};
}

// Subtree in pre-order: the window, then each child's subtree.
void CollectSubtree(Window* w, std::vector<HWND>* out) {
  out->push_back(w->handle);
  for (HWND child : w->children) {
    if (Window* c = Find(child)) CollectSubtree(c, out);
  }
}

}  // namespace

void ForgetWindowLocked(Window* w) {
  State& s = S();
  if (w->queue) {
    auto& posted = w->queue->posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [&](const Posted& p) { return p.msg.hwnd == w->handle; }),
                 posted.end());
  }
  KillTimersLocked(w->handle);
  UnregisterHotKeysLocked(w->handle);
  if (s.active == w->handle) s.active = nullptr;
  if (s.focus == w->handle) s.focus = nullptr;
  if (s.capture == w->handle) s.capture = nullptr;
  if (s.deferredActivation == w->handle) s.deferredActivation = nullptr;
}

}  // namespace wm

using namespace wm;

void AddClassProvider(ClassProvider provider) {
  Lock lock(S().mutex);
  S().classProviders.push_back(std::move(provider));
}

CreateHook SetCreateHook(CreateHook hook) {
  return std::exchange(CreateHookSlot(), std::move(hook));
}

int FrameThickness(HWND window) {
  Lock lock(S().mutex);
  const Window* w = FindOrFail(window);
  return w ? Frame(w) : 0;
}

bool GetUpdateState(HWND window, RECT* update, bool* erase) {
  Lock lock(S().mutex);
  const Window* w = Find(window);
  if (!w || !w->invalid) return false;
  if (update) *update = w->update;
  if (erase) *erase = w->erase;
  return true;
}

bool ScreenNeedsCompose() {
  Lock lock(S().mutex);
  return S().dirty;
}

}  // namespace platform::ui

using namespace platform::ui;
using namespace platform::ui::wm;

WORD RegisterClass(const WNDCLASS* windowClass) {
  if (!windowClass || !windowClass->lpszClassName || IsAtom(windowClass->lpszClassName) ||
      !windowClass->lpfnWndProc || windowClass->cbWndExtra < 0 || windowClass->cbClsExtra < 0) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Lock lock(S().mutex);
  State& s = S();
  if (FindClassLocked(windowClass->lpszClassName)) {
    Fail(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto cls = std::make_shared<WindowClass>();
  cls->name = windowClass->lpszClassName;
  cls->info = *windowClass;
  cls->info.lpszClassName = nullptr;
  cls->info.lpszMenuName = nullptr;
  cls->atom = s.nextAtom++;
  s.classes.push_back(cls);
  return cls->atom;
}

BOOL UnregisterClass(LPCWSTR className, HINSTANCE) {
  Lock lock(S().mutex);
  State& s = S();
  const auto cls = FindClassLocked(className);
  if (!cls) {
    Fail(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  // A class with windows stays (they keep their reference), but the name
  // is free again.
  s.classes.erase(std::remove(s.classes.begin(), s.classes.end(), cls), s.classes.end());
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE, LPCWSTR className, WNDCLASS* windowClass) {
  const auto cls = LookupClass(className);
  if (!cls) {
    Fail(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  if (windowClass) {
    *windowClass = cls->info;
    // Valid as long as the class is registered.
    windowClass->lpszClassName = cls->name.c_str();
  }
  return TRUE;
}

int GetClassName(HWND window, LPWSTR buffer, int capacity) {
  Lock lock(S().mutex);
  const Window* w = FindOrFail(window);
  if (!w || !buffer || capacity <= 0) return 0;
  const int count = std::min<int>(static_cast<int>(w->cls->name.size()), capacity - 1);
  std::copy_n(w->cls->name.data(), count, buffer);
  buffer[count] = 0;
  return count;
}

HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, std::uintptr_t menuOrId, HINSTANCE instance,
                    LPVOID param) {
  const auto cls = LookupClass(className);
  if (!cls) {
    Fail(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  auto queue = CurrentQueue();
  // A process with windows hears the device's broadcasts from now on.
  ListenForBroadcasts();
  HWND hwnd = nullptr;
  {
    Lock lock(S().mutex);
    State& s = S();
    const bool child = style & WS_CHILD;
    Window* parentWindow = nullptr;
    if (child || parent) {
      parentWindow = FindLive(parent);
      if (!parentWindow) {
        Fail(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
    }
    auto w = std::make_unique<Window>();
    // Opaque handles, never reused while the process runs, never valid
    // pointers and never one of the special values.
    hwnd = reinterpret_cast<HWND>(0x100006 + 16 * ++s.handleCounter);
    w->handle = hwnd;
    w->cls = cls;
    w->proc = cls->info.lpfnWndProc;
    w->style = style;
    w->exStyle = exStyle;
    w->id = child ? static_cast<int>(menuOrId) : 0;
    w->extra.assign(static_cast<std::size_t>(cls->info.cbWndExtra + 3) / 4, 0);
    if (windowName) w->text = windowName;
    w->instance = instance;
    w->queue = queue;
    w->dialogClass = platform::EqualsNoCase(cls->name, u"Dialog");
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) {
      width = screen::kWidth;
      height = screen::kHeight;
    }
    w->rect = {x, y, x + std::max(0, width), y + std::max(0, height)};
    if (child) {
      w->parent = parent;
      // New children go below their siblings: creation order is the
      // z-order and the tab order.
      parentWindow->children.push_back(hwnd);
    } else {
      // A popup's owner is the top-level window of the window given.
      if (parentWindow) w->owner = TopLevelOf(parentWindow)->handle;
      s.zorder.push_back(hwnd);
      NoteTopLevelsChanged();
    }
    InvalidateWhole(w.get());
    Window* raw = w.get();
    s.windows.emplace(reinterpret_cast<std::uintptr_t>(hwnd), std::move(w));
    if (!child) BringToTopLocked(raw);
    // Top-level windows become visible through ShowWindow below, which
    // also activates them.
    if (!child) raw->style &= ~WS_VISIBLE;
    if (IsShown(raw)) MarkDirty();
  }
  CREATESTRUCT create{
      param, instance, reinterpret_cast<void*>(menuOrId), parent,     height,    width,
      y,     x,        static_cast<LONG>(style),          windowName, className, exStyle};
  if (const CreateHook& hook = CreateHookSlot()) hook(hwnd, create);
  if (Send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(hwnd);
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  RECT client{};
  if (!GetClientRect(hwnd, &client)) return nullptr;  // destroyed while being created
  Send(hwnd, WM_SIZE, SIZE_RESTORED, static_cast<LPARAM>(MAKELONG(client.right, client.bottom)));
  {
    Lock lock(S().mutex);
    const Window* w = Find(hwnd);
    if (!w) return nullptr;
    x = w->rect.left + Frame(w);
    y = w->rect.top + Frame(w);
  }
  Send(hwnd, WM_MOVE, 0, static_cast<LPARAM>(MAKELONG(x, y)));
  if ((style & (WS_VISIBLE | WS_CHILD)) == WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  if (!IsWindow(hwnd)) return nullptr;
  return hwnd;
}

BOOL DestroyWindow(HWND window) {
  std::vector<HWND> owned;
  {
    Lock lock(S().mutex);
    Window* w = Find(window);
    if (!w) {
      Fail(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (w->destroying) return FALSE;
    for (HWND other : S().zorder) {
      const Window* o = Find(other);
      if (o && o->owner == window && !o->destroying) owned.push_back(other);
    }
  }
  // Owned windows go first, as on the handheld.
  for (HWND o : owned) DestroyWindow(o);

  std::vector<HWND> subtree;
  bool wasActive = false;
  {
    Lock lock(S().mutex);
    State& s = S();
    Window* w = FindLive(window);
    if (!w) return FALSE;
    if (IsShown(w)) MarkDirty();
    w->style &= ~WS_VISIBLE;
    CollectSubtree(w, &subtree);
    for (HWND h : subtree) {
      Window* d = Find(h);
      d->destroying = true;
      if (s.focus == h) s.focus = nullptr;
      if (s.capture == h) s.capture = nullptr;
    }
    wasActive = s.active == window;
  }
  if (wasActive) ActivateNext(window);
  for (HWND h : subtree) {
    if (IsWindow(h)) Send(h, WM_DESTROY, 0, 0);
  }
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) {
    if (IsWindow(*it)) Send(*it, WM_NCDESTROY, 0, 0);
  }
  Lock lock(S().mutex);
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) {
    Window* d = Find(*it);
    if (!d) continue;
    ForgetWindowLocked(d);
    RemoveFromSiblings(d);
    S().windows.erase(reinterpret_cast<std::uintptr_t>(*it));
  }
  return TRUE;
}

BOOL IsWindow(HWND window) {
  if (IsForeignHandle(window)) return ForeignWindowExists(window) ? TRUE : FALSE;
  Lock lock(S().mutex);
  return Find(window) != nullptr;
}

LRESULT CallWindowProc(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(window, message, wParam, lParam) : 0;
}

LONG_PTR GetWindowLong(HWND window, int index) {
  Lock lock(S().mutex);
  const Window* w = FindOrFail(window);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(w->exStyle);
    case GWL_ID:
      return w->id;
    case GWL_USERDATA:
      return w->userData;
    case GWL_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    default:
      if (index >= 0 && index % 4 == 0 && static_cast<std::size_t>(index / 4) < w->extra.size()) {
        return w->extra[static_cast<std::size_t>(index / 4)];
      }
      Fail(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG_PTR SetWindowLong(HWND window, int index, LONG_PTR value) {
  Lock lock(S().mutex);
  Window* w = FindOrFail(window);
  if (!w) return 0;
  LONG_PTR previous = 0;
  switch (index) {
    case GWL_STYLE:
      previous = static_cast<LONG_PTR>(w->style);
      w->style = static_cast<DWORD>(value);
      if (IsShown(w) || (previous & WS_VISIBLE)) MarkDirty();
      return previous;
    case GWL_EXSTYLE:
      previous = static_cast<LONG_PTR>(w->exStyle);
      w->exStyle = static_cast<DWORD>(value);
      if (IsShown(w)) MarkDirty();
      return previous;
    case GWL_ID:
      return std::exchange(w->id, static_cast<int>(value));
    case GWL_USERDATA:
      return std::exchange(w->userData, value);
    case GWL_WNDPROC:
      if (!value) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
      }
      return reinterpret_cast<LONG_PTR>(std::exchange(w->proc, reinterpret_cast<WNDPROC>(value)));
    default:
      if (index >= 0 && index % 4 == 0 && static_cast<std::size_t>(index / 4) < w->extra.size()) {
        return std::exchange(w->extra[static_cast<std::size_t>(index / 4)], value);
      }
      Fail(ERROR_INVALID_INDEX);
      return 0;
  }
}

BOOL SetWindowText(HWND window, LPCWSTR text) {
  if (!IsWindow(window)) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowText(HWND window, LPWSTR buffer, int capacity) {
  if (!IsWindow(window)) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (!buffer || capacity <= 0) return 0;
  return static_cast<int>(
      Send(window, WM_GETTEXT, static_cast<WPARAM>(capacity), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND window) {
  if (!IsWindow(window)) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(Send(window, WM_GETTEXTLENGTH, 0, 0));
}

LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: {
      Lock lock(S().mutex);
      Window* w = FindOrFail(window);
      if (!w) return FALSE;
      const auto* text = reinterpret_cast<LPCWSTR>(lParam);
      w->text = text ? text : u"";
      if (!w->parent) NoteTopLevelsChanged();
      InvalidateWhole(w);
      // The shell's title bar shows the foreground window's text.
      MarkDirty();
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      const int capacity = static_cast<int>(wParam);
      Lock lock(S().mutex);
      const Window* w = FindOrFail(window);
      if (!w || !buffer || capacity <= 0) return 0;
      const int count = std::min<int>(static_cast<int>(w->text.size()), capacity - 1);
      std::copy_n(w->text.data(), count, buffer);
      buffer[count] = 0;
      return count;
    }
    case WM_GETTEXTLENGTH: {
      Lock lock(S().mutex);
      const Window* w = FindOrFail(window);
      return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(static_cast<DWORD>(wParam)) != WA_INACTIVE) SetFocus(window);
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!pos) return 0;
      RECT client{};
      POINT origin{0, 0};
      {
        Lock lock(S().mutex);
        const Window* w = Find(window);
        if (!w) return 0;
        client = {0, 0, w->rect.right - w->rect.left - 2 * Frame(w),
                  w->rect.bottom - w->rect.top - 2 * Frame(w)};
        origin = {w->rect.left + Frame(w), w->rect.top + Frame(w)};
      }
      if (!(pos->flags & SWP_NOMOVE)) {
        Send(window, WM_MOVE, 0,
             static_cast<LPARAM>(
                 MAKELONG(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y))));
      }
      if (!(pos->flags & SWP_NOSIZE)) {
        Send(window, WM_SIZE, SIZE_RESTORED,
             static_cast<LPARAM>(MAKELONG(static_cast<WORD>(std::max<LONG>(0, client.right)),
                                          static_cast<WORD>(std::max<LONG>(0, client.bottom)))));
      }
      return 0;
    }
    case WM_PAINT:
      ValidateRect(window, nullptr);
      return 0;
    case WM_ERASEBKGND: {
      HBRUSH brush = nullptr;
      {
        Lock lock(S().mutex);
        const Window* w = Find(window);
        if (!w) return 0;
        brush = w->cls->info.hbrBackground;
      }
      RECT client{};
      if (!brush || !FillRect || !wParam || !GetClientRect(window, &client)) return 0;
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
      return 1;
    }
    case WM_HELP: {
      // Help requests travel up to the parent, or from a top-level window
      // to its owner, until someone answers.
      HWND parent = nullptr;
      {
        Lock lock(S().mutex);
        const Window* w = Find(window);
        if (w) parent = w->parent ? w->parent : w->owner;
      }
      return parent ? Send(parent, WM_HELP, wParam, lParam) : 0;
    }
    default:
      return 0;
  }
}

// Z-order of top-level windows, activation, the foreground window, focus
// and capture. The handheld has one screen and, in practice, one UI
// thread: the active window, focus and capture are process-wide, and the
// foreground window is the active window.
#include <algorithm>

#include "platform/faults.h"
#include "platform/ui/window/window_manager_state.h"
#include "platform/ui/window/window_registry.h"

namespace platform::ui::wm {
namespace {

bool OwnedBy(const Window* w, HWND owner) {
  while (w && w->owner) {
    if (w->owner == owner) return true;
    w = Find(w->owner);
  }
  return false;
}

bool MayBecomeActive(const Window* w) {
  return w && !w->destroying && !w->parent && (w->style & WS_VISIBLE) &&
         !(w->style & WS_DISABLED) && !(w->exStyle & WS_EX_NOACTIVATE);
}

}  // namespace

void BringToTopLocked(Window* w) {
  auto& z = S().zorder;
  // The window moves with the windows it owns, which stay above it.
  std::vector<HWND> group;
  for (HWND h : z) {
    if (h != w->handle && OwnedBy(Find(h), w->handle)) group.push_back(h);
  }
  group.push_back(w->handle);
  z.erase(std::remove_if(
              z.begin(), z.end(),
              [&](HWND h) { return std::find(group.begin(), group.end(), h) != group.end(); }),
          z.end());
  auto at = z.begin();
  if (!(w->exStyle & WS_EX_TOPMOST)) {
    at = std::find_if(z.begin(), z.end(), [](HWND h) {
      const Window* o = Find(h);
      return !o || !(o->exStyle & WS_EX_TOPMOST);
    });
  }
  z.insert(at, group.begin(), group.end());
}

void Activate(HWND hwnd, WPARAM state) {
  HWND old = nullptr;
  {
    Lock lock(S().mutex);
    State& s = S();
    Window* w = nullptr;
    if (hwnd) {
      w = FindLive(hwnd);
      if (!w) return;
      w = TopLevelOf(w);
      hwnd = w->handle;
    }
    if (s.activating) {
      // A window reacting to WM_ACTIVATE asks for activation: it happens
      // once the change under way has completed.
      s.deferredActivation = hwnd;
      return;
    }
    old = s.active;
    if (w) {
      const std::vector<HWND> before = s.zorder;
      BringToTopLocked(w);
      if (before != s.zorder) MarkDirty();
    }
    if (old == hwnd) return;
    // The title bar shows the new foreground window.
    MarkDirty();
    s.activating = true;
    s.active = hwnd;
  }
  if (old && IsWindow(old)) Send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
  if (hwnd && IsWindow(hwnd)) Send(hwnd, WM_ACTIVATE, state, reinterpret_cast<LPARAM>(old));
  HWND deferred = nullptr;
  bool dropFocus = false;
  {
    Lock lock(S().mutex);
    State& s = S();
    // Focus lives in the active window's tree.
    if (const Window* f = Find(s.focus)) {
      const Window* a = Find(s.active);
      dropFocus = !a || (f != a && !IsDescendant(a, f));
    }
    s.activating = false;
    deferred = std::exchange(s.deferredActivation, nullptr);
    if (deferred == s.active) deferred = nullptr;
  }
  if (dropFocus) SetFocus(nullptr);
  if (deferred) Activate(deferred, WA_ACTIVE);
}

void ActivateNext(HWND leaving) {
  HWND next = nullptr;
  {
    Lock lock(S().mutex);
    State& s = S();
    const Window* l = Find(leaving);
    if (l && l->owner && MayBecomeActive(Find(l->owner))) next = l->owner;
    for (auto it = s.zorder.begin(); !next && it != s.zorder.end(); ++it) {
      if (*it != leaving && MayBecomeActive(Find(*it))) next = *it;
    }
  }
  Activate(next, WA_ACTIVE);
}

}  // namespace platform::ui::wm

using namespace platform::ui::wm;

HWND SetActiveWindow(HWND window) {
  HWND previous = nullptr;
  {
    Lock lock(S().mutex);
    if (!FindOrFail(window)) return nullptr;
    previous = S().active;
  }
  Activate(window, WA_ACTIVE);
  return previous;
}

HWND GetActiveWindow() {
  Lock lock(S().mutex);
  return S().active;
}

BOOL SetForegroundWindow(HWND window) {
  if (IsForeignHandle(window)) {
    // Its process brings it to the front when its loop next looks.
    if (platform::faults::CheckAndSetLastError("SetForegroundWindow")) return FALSE;
    return RequestForeign(window, WindowRequest::kForeground, 0) ? TRUE : FALSE;
  }
  {
    Lock lock(S().mutex);
    const Window* w = FindOrFail(window);
    if (!w || w->destroying) return FALSE;
  }
  Activate(window, WA_ACTIVE);
  return TRUE;
}

HWND GetForegroundWindow() {
  Lock lock(S().mutex);
  return S().active;
}

BOOL BringWindowToTop(HWND window) {
  {
    Lock lock(S().mutex);
    Window* w = FindOrFail(window);
    if (!w || w->destroying) return FALSE;
    if (w->parent) {
      RemoveFromSiblings(w);
      auto& list = Siblings(w);
      list.insert(list.begin(), window);
      MarkDirty();
      return TRUE;
    }
  }
  Activate(window, WA_ACTIVE);
  return TRUE;
}

HWND SetFocus(HWND window) {
  HWND previous = nullptr;
  if (!window) {
    {
      Lock lock(S().mutex);
      previous = std::exchange(S().focus, nullptr);
    }
    if (previous && IsWindow(previous)) Send(previous, WM_KILLFOCUS, 0, 0);
    return previous;
  }
  HWND top = nullptr;
  {
    Lock lock(S().mutex);
    State& s = S();
    Window* w = FindOrFail(window);
    if (!w || w->destroying || !IsEnabledTree(w)) return nullptr;
    previous = s.focus;
    if (previous == window) return previous;
    top = TopLevelOf(w)->handle;
    if (s.active == top) top = nullptr;
  }
  // Focus goes to a window of another top-level window: that one becomes
  // active first.
  if (top) Activate(top, WA_ACTIVE);
  HWND old = nullptr;
  {
    Lock lock(S().mutex);
    State& s = S();
    Window* w = FindLive(window);
    if (!w) return nullptr;
    const Window* a = Find(s.active);
    if (!a || TopLevelOf(w) != a) return nullptr;  // activation was refused
    old = s.focus;
    if (old == window) return previous;
    s.focus = window;
  }
  if (old && IsWindow(old)) Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  bool stillFocused = false;
  {
    Lock lock(S().mutex);
    stillFocused = S().focus == window;
  }
  if (stillFocused) Send(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return previous;
}

HWND GetFocus() {
  Lock lock(S().mutex);
  return S().focus;
}

HWND SetCapture(HWND window) {
  Lock lock(S().mutex);
  State& s = S();
  if (!FindOrFail(window)) return nullptr;
  return std::exchange(s.capture, window);
}

BOOL ReleaseCapture() {
  Lock lock(S().mutex);
  S().capture = nullptr;
  return TRUE;
}

HWND GetCapture() {
  Lock lock(S().mutex);
  return S().capture;
}

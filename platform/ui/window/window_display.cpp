// Visible and enabled state, invalidation and immediate updates.
#include <algorithm>

#include "platform/ui/window/window_manager_state.h"
#include "platform/ui/window/window_registry.h"

using namespace platform::ui::wm;

namespace {

RECT ClientSize(const Window* w) {
  const int frame = Frame(w);
  return {0, 0, std::max<LONG>(0, w->rect.right - w->rect.left - 2 * frame),
          std::max<LONG>(0, w->rect.bottom - w->rect.top - 2 * frame)};
}

bool Empty(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

}  // namespace

BOOL ShowWindow(HWND window, int command) {
  if (IsForeignHandle(window)) {
    // Carried out by its process; whether it was visible is not known here.
    RequestForeign(window, WindowRequest::kShow, command);
    return FALSE;
  }
  const bool hide = command == SW_HIDE || command == SW_MINIMIZE;
  bool wasVisible = false;
  bool topLevel = false;
  bool mayActivate = false;
  {
    Lock lock(S().mutex);
    const Window* w = FindOrFail(window);
    if (!w || w->destroying) return FALSE;
    wasVisible = w->style & WS_VISIBLE;
    topLevel = !w->parent;
    mayActivate = topLevel && !(w->exStyle & WS_EX_NOACTIVATE);
  }
  if (hide) {
    if (!wasVisible) return FALSE;
    Send(window, WM_SHOWWINDOW, FALSE, 0);
    bool wasActive = false;
    {
      Lock lock(S().mutex);
      Window* w = Find(window);
      if (!w) return TRUE;
      if (IsShown(w)) MarkDirty();
      w->style &= ~WS_VISIBLE;
      wasActive = S().active == window;
    }
    if (wasActive) ActivateNext(window);
    return TRUE;
  }
  if (!wasVisible) {
    Send(window, WM_SHOWWINDOW, TRUE, 0);
    Lock lock(S().mutex);
    Window* w = Find(window);
    if (!w) return FALSE;
    w->style |= WS_VISIBLE;
    w->invalid = true;
    w->erase = true;
    w->update = ClientSize(w);
    if (IsShown(w)) MarkDirty();
  }
  if (mayActivate && (command == SW_SHOW || command == SW_SHOWNORMAL)) {
    Activate(window, WA_ACTIVE);
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
  Lock lock(S().mutex);
  const Window* w = Find(window);
  return w && IsShown(w) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  bool dropFocus = false;
  bool wasDisabled = false;
  {
    Lock lock(S().mutex);
    State& s = S();
    Window* w = FindOrFail(window);
    if (!w) return FALSE;
    wasDisabled = w->style & WS_DISABLED;
    if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
    if (enable) {
      w->style &= ~WS_DISABLED;
    } else {
      w->style |= WS_DISABLED;
      // A disabled window takes no input: it loses focus and capture.
      const Window* f = Find(s.focus);
      dropFocus = f && (f == w || IsDescendant(w, f));
      const Window* c = Find(s.capture);
      if (c && (c == w || IsDescendant(w, c))) s.capture = nullptr;
    }
    if (IsShown(w)) MarkDirty();
  }
  if (dropFocus) SetFocus(nullptr);
  Send(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
  Lock lock(S().mutex);
  const Window* w = Find(window);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  Lock lock(S().mutex);
  if (!window) {
    for (auto& [handle, w] : S().windows) {
      w->invalid = true;
      w->erase = w->erase || erase;
      w->update = ClientSize(w.get());
    }
    MarkDirty();
    return TRUE;
  }
  Window* w = FindOrFail(window);
  if (!w) return FALSE;
  const RECT client = ClientSize(w);
  RECT r = client;
  if (rect) {
    r = {std::max(rect->left, client.left), std::max(rect->top, client.top),
         std::min(rect->right, client.right), std::min(rect->bottom, client.bottom)};
  }
  if (Empty(r)) return TRUE;
  if (w->invalid) {
    w->update = {std::min(w->update.left, r.left), std::min(w->update.top, r.top),
                 std::max(w->update.right, r.right), std::max(w->update.bottom, r.bottom)};
  } else {
    w->update = r;
  }
  w->invalid = true;
  w->erase = w->erase || erase;
  if (IsShown(w)) MarkDirty();
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* rect) {
  Lock lock(S().mutex);
  if (!window) return TRUE;
  Window* w = FindOrFail(window);
  if (!w) return FALSE;
  // The update area is one rectangle: it is cleared when the validated
  // part covers it.
  if (!rect || (rect->left <= w->update.left && rect->top <= w->update.top &&
                rect->right >= w->update.right && rect->bottom >= w->update.bottom)) {
    w->invalid = false;
    w->erase = false;
    w->update = {};
  }
  return TRUE;
}

BOOL UpdateWindow(HWND window) {
  bool compose = false;
  {
    Lock lock(S().mutex);
    const Window* w = FindOrFail(window);
    if (!w) return FALSE;
    compose = S().dirty && w->invalid && IsShown(w);
  }
  if (compose) Compose();
  return TRUE;
}

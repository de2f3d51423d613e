// Relations between windows: parents, owners, siblings in z-order, dialog
// items, and finding top-level windows.
#include <algorithm>

#include "platform/ui/window/window_manager_state.h"
#include "platform/ui/window/window_registry.h"
#include "platform/wstring.h"

using namespace platform::ui::wm;

HWND GetParent(HWND window) {
  Lock lock(S().mutex);
  const Window* w = FindOrFail(window);
  if (!w) return nullptr;
  if (w->parent) return w->parent;
  // A popup's "parent" is its owner.
  return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND SetParent(HWND window, HWND newParent) {
  Lock lock(S().mutex);
  State& s = S();
  Window* w = FindOrFail(window);
  if (!w) return nullptr;
  Window* parent = nullptr;
  if (newParent) {
    parent = FindLive(newParent);
    if (!parent || parent == w || IsDescendant(w, parent)) {
      Fail(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  }
  const HWND previous = w->parent;
  NoteTopLevelsChanged();
  const POINT screen = ScreenOrigin(w);
  RemoveFromSiblings(w);
  const LONG width = w->rect.right - w->rect.left;
  const LONG height = w->rect.bottom - w->rect.top;
  // The window keeps its place on the screen.
  POINT origin = screen;
  if (parent) {
    const POINT base = ClientOrigin(parent);
    origin = {screen.x - base.x, screen.y - base.y};
    w->parent = newParent;
    w->owner = nullptr;
    w->style = (w->style & ~WS_POPUP) | WS_CHILD;
    parent->children.insert(parent->children.begin(), window);
  } else {
    w->parent = nullptr;
    w->style &= ~WS_CHILD;
    s.zorder.push_back(window);
    BringToTopLocked(w);
    if (s.focus && s.active != window) {
      // Focus stays in the active window's tree.
      if (Window* f = Find(s.focus); f && (f == w || IsDescendant(w, f))) s.focus = nullptr;
    }
  }
  w->rect = {origin.x, origin.y, origin.x + width, origin.y + height};
  MarkDirty();
  return previous;
}

HWND GetWindow(HWND window, UINT relation) {
  Lock lock(S().mutex);
  Window* w = FindOrFail(window);
  if (!w) return nullptr;
  switch (relation) {
    case GW_OWNER:
      return w->owner;
    case GW_CHILD:
      return w->children.empty() ? nullptr : w->children.front();
    case GW_HWNDFIRST:
    case GW_HWNDLAST:
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
      const auto& list = Siblings(w);
      if (list.empty()) return nullptr;
      if (relation == GW_HWNDFIRST) return list.front();
      if (relation == GW_HWNDLAST) return list.back();
      const auto it = std::find(list.begin(), list.end(), window);
      if (it == list.end()) return nullptr;
      if (relation == GW_HWNDNEXT) return it + 1 == list.end() ? nullptr : *(it + 1);
      return it == list.begin() ? nullptr : *(it - 1);
    }
    default:
      Fail(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HWND GetDlgItem(HWND dialog, int id) {
  Lock lock(S().mutex);
  const Window* w = FindOrFail(dialog);
  if (!w) return nullptr;
  for (HWND child : w->children) {
    const Window* c = Find(child);
    if (c && c->id == id) return child;
  }
  Fail(ERROR_INVALID_WINDOW_HANDLE);
  return nullptr;
}

int GetDlgCtrlID(HWND window) {
  Lock lock(S().mutex);
  const Window* w = FindOrFail(window);
  return w && w->parent ? w->id : 0;
}

BOOL IsChild(HWND parent, HWND window) {
  Lock lock(S().mutex);
  const Window* p = Find(parent);
  const Window* w = Find(window);
  return p && w && IsDescendant(p, w) ? TRUE : FALSE;
}

HWND FindWindow(LPCWSTR className, LPCWSTR windowName) {
  const bool atom = className && reinterpret_cast<std::uintptr_t>(className) < 0x10000;
  {
    Lock lock(S().mutex);
    for (HWND h : S().zorder) {
      const Window* w = FindLive(h);
      if (!w) continue;
      if (className) {
        if (atom ? w->cls->atom != reinterpret_cast<std::uintptr_t>(className)
                 : !platform::EqualsNoCase(w->cls->name, className)) {
          continue;
        }
      }
      if (windowName && !platform::EqualsNoCase(w->text, windowName)) continue;
      return h;
    }
  }
  // Atoms are numbered per process: they name no class of another one.
  if (atom) return nullptr;
  return FindForeignWindow(className ? std::u16string_view(className) : std::u16string_view(),
                           windowName, className == nullptr);
}

HWND GetTopWindow(HWND parent) {
  Lock lock(S().mutex);
  if (parent) {
    const Window* p = FindOrFail(parent);
    return p && !p->children.empty() ? p->children.front() : nullptr;
  }
  for (HWND h : S().zorder) {
    const Window* w = FindLive(h);
    if (w && (w->style & WS_VISIBLE)) return h;
  }
  return nullptr;
}

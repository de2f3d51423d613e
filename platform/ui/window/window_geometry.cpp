// Window rectangles, moving and z-order placement, coordinate mapping and
// hit testing.
#include <algorithm>

#include "platform/ui/window/window_manager_state.h"

namespace platform::ui::wm {
namespace {

RECT ScreenRect(const Window* w) {
  const POINT origin = ScreenOrigin(w);
  return {origin.x, origin.y, origin.x + (w->rect.right - w->rect.left),
          origin.y + (w->rect.bottom - w->rect.top)};
}

RECT ScreenClientRect(const Window* w) {
  RECT r = ScreenRect(w);
  const int frame = Frame(w);
  r.left += frame;
  r.top += frame;
  r.right = std::max(r.left, r.right - frame);
  r.bottom = std::max(r.top, r.bottom - frame);
  return r;
}

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The child-most visible window under a screen point inside `w`. A
// disabled child takes no input, so the point belongs to its parent there.
Window* DeepestAt(Window* w, POINT p) {
  if (!Contains(ScreenClientRect(w), p)) return w;
  for (HWND child : w->children) {
    Window* c = Find(child);
    if (!c || c->destroying || !(c->style & WS_VISIBLE) || !Contains(ScreenRect(c), p)) continue;
    if (c->style & WS_DISABLED) return w;
    return DeepestAt(c, p);
  }
  return w;
}

}  // namespace

HWND HitTestLocked(POINT p) {
  for (HWND h : S().zorder) {
    Window* w = FindLive(h);
    if (w && (w->style & WS_VISIBLE) && Contains(ScreenRect(w), p)) return DeepestAt(w, p)->handle;
  }
  return nullptr;
}

}  // namespace platform::ui::wm

using namespace platform::ui::wm;

BOOL GetWindowRect(HWND window, RECT* rect) {
  Lock lock(S().mutex);
  const Window* w = FindOrFail(window);
  if (!w || !rect) return FALSE;
  *rect = ScreenRect(w);
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  Lock lock(S().mutex);
  const Window* w = FindOrFail(window);
  if (!w || !rect) return FALSE;
  const RECT r = ScreenClientRect(w);
  *rect = {0, 0, r.right - r.left, r.bottom - r.top};
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  (void)repaint;  // every composition repaints the whole screen
  return SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  WINDOWPOS pos{window, insertAfter, x, y, width, height, flags};
  bool activate = false;
  bool hidActive = false;
  bool changed = false;
  {
    Lock lock(S().mutex);
    State& s = S();
    Window* w = FindOrFail(window);
    if (!w || w->destroying) return FALSE;
    const bool wasShown = IsShown(w);
    RECT r = w->rect;
    if (!(flags & SWP_NOMOVE)) {
      r.right += x - r.left;
      r.bottom += y - r.top;
      r.left = x;
      r.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
      r.right = r.left + std::max(0, width);
      r.bottom = r.top + std::max(0, height);
    }
    const bool moved = r.left != w->rect.left || r.top != w->rect.top;
    const bool sized = (r.right - r.left) != (w->rect.right - w->rect.left) ||
                       (r.bottom - r.top) != (w->rect.bottom - w->rect.top);
    if (!moved) pos.flags |= SWP_NOMOVE;
    if (!sized) pos.flags |= SWP_NOSIZE;
    w->rect = r;
    pos.x = r.left;
    pos.y = r.top;
    pos.cx = r.right - r.left;
    pos.cy = r.bottom - r.top;
    changed = moved || sized;
    if (!(flags & SWP_NOZORDER)) {
      auto& list = Siblings(w);
      if (insertAfter == HWND_TOPMOST && !w->parent) {
        w->exStyle |= WS_EX_TOPMOST;
        BringToTopLocked(w);
      } else if (insertAfter == HWND_NOTOPMOST && !w->parent) {
        w->exStyle &= ~WS_EX_TOPMOST;
        BringToTopLocked(w);
      } else if (insertAfter == HWND_TOP) {
        if (w->parent) {
          RemoveFromSiblings(w);
          list.insert(list.begin(), window);
        } else {
          BringToTopLocked(w);
        }
      } else if (insertAfter == HWND_BOTTOM) {
        RemoveFromSiblings(w);
        list.push_back(window);
      } else if (insertAfter != window &&
                 std::find(list.begin(), list.end(), insertAfter) != list.end()) {
        RemoveFromSiblings(w);
        list.insert(std::find(list.begin(), list.end(), insertAfter) + 1, window);
      }
      changed = true;
    }
    if ((flags & SWP_SHOWWINDOW) && !(w->style & WS_VISIBLE)) {
      w->style |= WS_VISIBLE;
      changed = true;
    }
    if ((flags & SWP_HIDEWINDOW) && (w->style & WS_VISIBLE)) {
      w->style &= ~WS_VISIBLE;
      hidActive = s.active == window;
      changed = true;
    }
    if (changed && (wasShown || IsShown(w))) {
      w->invalid = true;
      w->erase = true;
      const RECT client = ScreenClientRect(w);
      w->update = {0, 0, client.right - client.left, client.bottom - client.top};
      MarkDirty();
    }
    activate = !(flags & SWP_NOACTIVATE) && !w->parent && (w->style & WS_VISIBLE) &&
               !(w->exStyle & WS_EX_NOACTIVATE) && s.active != window;
  }
  if (hidActive) ActivateNext(window);
  if (activate) Activate(window, WA_ACTIVE);
  if (changed) Send(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  Lock lock(S().mutex);
  const Window* w = FindOrFail(window);
  if (!w || !point) return FALSE;
  const POINT origin = ClientOrigin(w);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  Lock lock(S().mutex);
  const Window* w = FindOrFail(window);
  if (!w || !point) return FALSE;
  const POINT origin = ClientOrigin(w);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

HWND WindowFromPoint(POINT point) {
  Lock lock(S().mutex);
  return HitTestLocked(point);
}

HWND ChildWindowFromPoint(HWND parent, POINT clientPoint) {
  Lock lock(S().mutex);
  Window* p = FindOrFail(parent);
  if (!p) return nullptr;
  const RECT client = ScreenClientRect(p);
  const POINT screen{clientPoint.x + client.left, clientPoint.y + client.top};
  if (!Contains(client, screen)) return nullptr;
  for (HWND child : p->children) {
    const Window* c = Find(child);
    if (c && !c->destroying && (c->style & WS_VISIBLE) && Contains(ScreenRect(c), screen)) {
      return child;
    }
  }
  return parent;
}

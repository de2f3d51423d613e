// The screen layout the composer compares between frames, read from the
// window tree under one lock (a walk through the public calls would take
// the lock a few times per window on every frame).
#include <algorithm>

#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_manager_state.h"

namespace platform::ui {
namespace {

using namespace wm;

RECT Intersection(const RECT& a, const RECT& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// `origin`: the screen position of the parent's client area (0, 0 for
// top-level windows); `clip`: what the parents let show.
void AddShown(const Window* w, POINT origin, const RECT& clip, std::vector<ShownWindow>* out) {
  if (!(w->style & WS_VISIBLE)) return;
  const RECT outer{origin.x + w->rect.left, origin.y + w->rect.top, origin.x + w->rect.right,
                   origin.y + w->rect.bottom};
  const RECT visible = Intersection(outer, clip);
  out->push_back({w->handle, outer, visible, w->style, w->exStyle, w->invalid});
  if (w->children.empty()) return;
  const int frame = Frame(w);
  const RECT client{outer.left + frame, outer.top + frame, outer.right - frame,
                    outer.bottom - frame};
  const RECT childClip = Intersection(client, visible);
  // Children are kept topmost first.
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    if (const Window* child = Find(*it)) {
      AddShown(child, {client.left, client.top}, childClip, out);
    }
  }
}

}  // namespace

bool ScreenLayout::SameAs(const ScreenLayout& other) const {
  if (active != other.active || focus != other.focus || windows.size() != other.windows.size()) {
    return false;
  }
  for (std::size_t i = 0; i < windows.size(); ++i) {
    const ShownWindow& a = windows[i];
    const ShownWindow& b = other.windows[i];
    if (a.window != b.window || a.style != b.style || a.exStyle != b.exStyle ||
        !SameRect(a.outer, b.outer) || !SameRect(a.visible, b.visible)) {
      return false;
    }
  }
  return true;
}

void GetScreenLayout(ScreenLayout* layout) {
  layout->windows.clear();
  Lock lock(S().mutex);
  const State& s = S();
  const RECT screen{0, 0, screen::kWidth, screen::kHeight};
  for (auto it = s.zorder.rbegin(); it != s.zorder.rend(); ++it) {
    if (const Window* w = Find(*it)) AddShown(w, {0, 0}, screen, &layout->windows);
  }
  layout->active = s.active;
  layout->focus = s.focus;
}

}  // namespace platform::ui

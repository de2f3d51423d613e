// Window DCs and the screen composition they take part in, shared by
// window_dc.cpp and the screen. Internal to the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ui/gfx/gdi_internal.h"
#include "platform/ui/window/window_dc.h"

namespace platform::ui::gdi {

// True while the screen is being composed: window DCs then need no
// clipping against the windows above them, which are painted later, and
// BeginPaint treats the whole client area as invalid.
bool Composing();
void SetComposing(bool composing);
// The screen areas a partial composition repaints, disjoint (empty: a full
// one): window DCs made while composing draw only there.
void SetComposeArea(const std::vector<Rect>& damage);
// True when something was drawn on the screen outside a composition since
// the last call (the next frame must paint over it); resets the watch.
// Only DCs handed out outside a composition are watched: the screen is
// kept when the first is made and compared here when `look` is set;
// without it any such DC counts as drawing.
bool TakeScreenDrawnOutsideComposition(bool look);
// Number of BeginPaint calls so far (the composer sees whether a window
// painted itself).
std::uint64_t BeginPaintCount();
// A window's client area in screen coordinates.
Rect ClientAreaOnScreen(HWND window);
// The part of a window's client area that drawing may touch, in screen
// coordinates; `client` receives the whole client area on the screen.
ClipList VisibleClientArea(HWND window, Rect* client);
std::shared_ptr<DeviceContext> NewWindowDc(HWND window, DeviceContext::Kind kind);

}  // namespace platform::ui::gdi

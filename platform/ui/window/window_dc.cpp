// Device contexts of windows and the screen (GetDC, BeginPaint): clipped
// to what of the window is visible, and kept off what a partial
// composition spares.
#include "platform/ui/window/window_dc.h"

#include <algorithm>
#include <atomic>

#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_dc_internal.h"
#include "platform/ui/window/window_internal.h"

namespace platform::ui::gdi {

namespace {

std::atomic<bool> g_composing{false};
// Paint DCs handed out during a composition, so the composer knows which
// windows painted themselves.
std::atomic<std::uint64_t> g_beginPaintCount{0};
// Set when a screen DC is made outside a composition; the screen as it was
// then, to tell later whether anything was drawn (most such DCs only
// measure text).
std::atomic<bool> g_dcOutside{false};

std::vector<std::uint32_t>& ScreenBeforeOutsideDc() {
  static auto* pixels = new std::vector<std::uint32_t>();
  return *pixels;
}

// What a partial composition repaints (disjoint rectangles) and, when that
// is more than one rectangle, the rest of the screen; both empty while a
// composition repaints everything.
struct ComposeArea {
  std::vector<Rect> damage;
  std::vector<Rect> spared;
};

ComposeArea& Area() {
  static auto* area = new ComposeArea();
  return *area;
}

// Composing: keeps drawing off the areas the composition spares.
// Otherwise: keeps the screen as it is, to compare at the next frame.
void NoteScreenDc(ClipList& clip) {
  if (!Composing()) {
    // Before the first frame there is nothing to compare with: that frame
    // repaints everything anyway.
    if (!g_dcOutside.exchange(true) && screen::FrameCount() > 0) {
      const Surface screen = ScreenSurface();
      ScreenBeforeOutsideDc().assign(screen.pixels,
                                     screen.pixels + static_cast<std::size_t>(screen.width) *
                                                         static_cast<std::size_t>(screen.height));
    }
    return;
  }
  const ComposeArea& area = Area();
  if (area.damage.size() == 1) {
    clip.IntersectWith(area.damage.front());
    return;
  }
  for (const Rect& spared : area.spared) clip.Subtract(spared);
}

Rect ScreenRectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return FromRECT(r);
}

bool IsChildWindow(HWND window) {
  return (static_cast<DWORD>(GetWindowLong(window, GWL_STYLE)) & WS_CHILD) != 0;
}

}  // namespace

Rect ClientAreaOnScreen(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
}

namespace {

void SubtractVisibleAbove(ClipList& clip, HWND window) {
  for (HWND above = GetWindow(window, GW_HWNDPREV); above != nullptr;
       above = GetWindow(above, GW_HWNDPREV)) {
    if (IsWindowVisible(above)) clip.Subtract(ScreenRectOf(above));
  }
}

}  // namespace

bool Composing() {
  return g_composing.load();
}

void SetComposing(bool composing) {
  g_composing.store(composing);
}

void SetComposeArea(const std::vector<Rect>& damage) {
  ComposeArea& area = Area();
  area.damage.assign(damage.begin(), damage.end());
  area.spared.clear();
  if (damage.size() > 1) {
    ClipList spared(ScreenSurface().Bounds());
    for (const Rect& damaged : damage) spared.Subtract(damaged);
    area.spared = spared.Rects();
  }
}

bool TakeScreenDrawnOutsideComposition(bool look) {
  if (!g_dcOutside.exchange(false)) return false;
  if (!look) return true;
  const Surface screen = ScreenSurface();
  const std::vector<std::uint32_t>& before = ScreenBeforeOutsideDc();
  return !std::equal(before.begin(), before.end(), screen.pixels);
}

std::uint64_t BeginPaintCount() {
  return g_beginPaintCount.load();
}

ClipList VisibleClientArea(HWND window, Rect* client) {
  *client = ClientAreaOnScreen(window);
  ClipList clip(Intersect(*client, ScreenSurface().Bounds()));
  if (!IsWindowVisible(window)) return ClipList();
  for (HWND w = window; IsChildWindow(w);) {
    HWND parent = GetParent(w);
    if (parent == nullptr) break;
    clip.IntersectWith(ClientAreaOnScreen(parent));
    w = parent;
  }
  // While the screen is composed, windows above are painted afterwards;
  // at any other time they must be spared, and so must the window's own
  // children, which the composition paints over it.
  if (!Composing()) {
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (IsWindowVisible(child)) clip.Subtract(ScreenRectOf(child));
    }
    HWND w = window;
    for (; IsChildWindow(w) && GetParent(w) != nullptr; w = GetParent(w)) {
      SubtractVisibleAbove(clip, w);
    }
    SubtractVisibleAbove(clip, w);
  }
  return clip;
}

std::shared_ptr<DeviceContext> NewWindowDc(HWND window, DeviceContext::Kind kind) {
  auto dc = NewDc(kind);
  dc->window = window;
  dc->surface = ScreenSurface();
  Rect client;
  dc->clip = VisibleClientArea(window, &client);
  NoteScreenDc(dc->clip);
  dc->originX = client.left;
  dc->originY = client.top;
  return dc;
}

}  // namespace platform::ui::gdi

using namespace platform::ui::gdi;

HDC GetDC(HWND window) {
  if (window == nullptr) {
    auto dc = NewDc(DeviceContext::Kind::kScreen);
    dc->surface = ScreenSurface();
    dc->clip = ClipList(dc->surface.Bounds());
    NoteScreenDc(dc->clip);
    return reinterpret_cast<HDC>(AddObject(dc));
  }
  if (!IsWindow(window)) return nullptr;
  return reinterpret_cast<HDC>(AddObject(NewWindowDc(window, DeviceContext::Kind::kWindow)));
}

int ReleaseDC(HWND window, HDC dc) {
  auto context = FindDc(dc);
  if (!context || context->kind == DeviceContext::Kind::kMemory || context->window != window) {
    return 0;
  }
  return RemoveObject(dc) ? 1 : 0;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  if (paint == nullptr || !IsWindow(window)) return nullptr;
  auto dc = NewWindowDc(window, DeviceContext::Kind::kPaint);
  RECT client{};
  GetClientRect(window, &client);
  RECT update{};
  bool erase = false;
  if (Composing()) {
    // The composition paints every window whole, over whatever lay there.
    update = client;
    erase = true;
  } else if (!platform::ui::GetUpdateState(window, &update, &erase)) {
    update = RECT{0, 0, 0, 0};
    erase = false;
  }
  dc->clip.IntersectWith(FromRECT(update).Offset(dc->originX, dc->originY));
  HDC handle = reinterpret_cast<HDC>(AddObject(dc));
  ValidateRect(window, nullptr);
  g_beginPaintCount++;
  paint->hdc = handle;
  paint->rcPaint = update;
  paint->fErase = FALSE;
  if (erase) {
    const LRESULT erased = SendMessage(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(handle), 0);
    paint->fErase = erased == 0 ? TRUE : FALSE;
  }
  return handle;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
  if (paint == nullptr) return FALSE;
  auto context = FindDc(paint->hdc);
  if (!context || context->kind != DeviceContext::Kind::kPaint || context->window != window) {
    return FALSE;
  }
  return RemoveObject(paint->hdc) ? TRUE : FALSE;
}

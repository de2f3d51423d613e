// Device contexts of windows: GetDC and BeginPaint hand out DCs that draw
// on the screen, clipped to what of the window is visible, and the
// owner-draw record that comes with WM_DRAWITEM. Drawing itself is gdi.h.
#pragma once

#include <cstdint>

#include "platform/ui/gfx/gdi.h"
#include "platform/windef.h"

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
};

HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// WM_DRAWITEM of an owner-drawn control (lParam).
struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  std::uintptr_t itemData;
};

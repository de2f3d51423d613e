// The signature pad control: a child window that captures the stylus
// strokes written on it (positions in pad pixels, times from the device
// clock), shows the ink as it is written, and answers GetSignature /
// SetSignature (dispatch id 1) and Clear (2).
#pragma once

#include "panel/com_object.h"
#include "panel/engine/signature_engine.h"
#include "platform/ui/window/window.h"

namespace panel {

class PadControl final : public DispatchObject {
 public:
  // Makes the pad window; the window holds the control until it is
  // destroyed. Null when the window can't be made.
  static HWND CreateWindowFor(HWND parent, UINT id, DWORD style, const RECT& place);
  // Drops the window class once no pad is left (the library may go).
  static void UnregisterWindowClass();

  HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

  const Signature& signature() const { return m_signature; }

 private:
  PadControl() = default;
  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  void PenDown(POINT at);
  void PenMove(POINT at);
  void PenUp(POINT at);
  // Appends a point to the stroke being written (clipped to the pad) and
  // has the new piece of ink drawn.
  void AddPoint(POINT at);
  void Clear();
  void Paint();

  HWND m_hWnd = nullptr;
  Signature m_signature;
  std::size_t m_points = 0;
  bool m_penDown = false;
  DWORD m_firstTick = 0;
};

}  // namespace panel

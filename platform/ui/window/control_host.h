// Hosting of windowed controls made by components: a dialog item whose
// class is a braced class id ("{5281D351-...}") is created through the
// class's object (IControlFactory), and the host reaches the control's
// IDispatch through its window.
#pragma once

#include "platform/com_interfaces.h"
#include "platform/ui/window/window.h"
#include "platform/windef.h"

// Sent to a hosted control's window: lParam is an IDispatch** that receives
// the control (with a reference for the caller); the window returns TRUE.
inline constexpr UINT WM_GETCONTROLDISPATCH = 0x03E0;

// True when `className` is a braced class id, the way templates name a
// component's control.
bool IsControlClassName(LPCWSTR className);
// Creates the control of the class `classId` (braced text) as a child of
// `parent`. Null (last error set) when the class is unknown, its library or
// class object fails, or the window can't be made.
HWND CreateHostedControl(LPCWSTR classId, DWORD style, int x, int y, int width, int height,
                         HWND parent, UINT id);
// The dispatch interface of a hosted control's window, with a reference
// for the caller. E_NOINTERFACE for any other window.
HRESULT GetHostedControl(HWND window, IDispatch** dispatch);

// Input from the person at the device (the host's mouse and keyboard, or
// the scripted user): stylus, keys, characters and the hardware buttons.
// Each call queues the input as the real device would and returns; the
// message loop delivers it.
#pragma once

#include "platform/ui/window/window.h"
#include "platform/windef.h"

namespace platform::ui::input {

// Stylus in screen pixels (0..239, 0..319): down, moves, up.
void StylusDown(int x, int y);
void StylusMove(int x, int y);
void StylusUp(int x, int y);
// A tap: down and up at one point.
void Tap(int x, int y);
// A key (virtual key code) pressed and released; keys go to the focus
// window, hardware buttons (VK_APP1..VK_APP15) to a hot key when one is
// registered, else to the focus window.
void KeyDown(UINT virtualKey);
void KeyUp(UINT virtualKey);
void Key(UINT virtualKey);
// A typed character (WM_CHAR to the focus window).
void Char(WCHAR character);

}  // namespace platform::ui::input

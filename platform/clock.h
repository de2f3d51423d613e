// The device clock behind GetTickCount and every timer. Tests and scripted
// runs use a virtual clock that moves only when told to.
#pragma once

#include "platform/windef.h"

namespace platform::clock {

void UseVirtual(DWORD startTick = 0);
void UseReal();
bool IsVirtual();
// Moves the virtual clock forward (no effect on the real clock).
void Advance(DWORD milliseconds);
DWORD Now();

}  // namespace platform::clock

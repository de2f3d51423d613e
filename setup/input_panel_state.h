// The input-panel handling every setup dialog shares: save the panel state
// at start, force the panel down and dock it without completion, and put
// the saved state back at the end.
#pragma once

#include "platform/ui/shell/shell.h"

// Returns the state to restore later.
SIPINFO SaveAndDockInputPanel(HWND dialog);
void RestoreInputPanel(HWND dialog, SIPINFO saved);

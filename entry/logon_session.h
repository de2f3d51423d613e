// One logon session: the alarm and delay bookkeeping around the logon
// dialog of the configured method, and the switch of the input panel to
// the keyboard.
#pragma once

#include <string>

#include "platform/windef.h"

// Runs the dialog of `method` until the user is accepted. For method 0 the
// accepted text is written back into `secret` (the user password); for
// method 1 `secret` is the symbol password to match. An unknown method is
// reported and then guarded by the password dialog. False when no dialog
// could be shown: nothing was proven, and the false-logon state stays.
bool LogonSession(DWORD method, std::u16string& secret);
// 1 when the keyboard input method is current afterwards.
int SelectKeyboardInputMethod();
void RestoreInputMethod();

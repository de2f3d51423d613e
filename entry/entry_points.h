// The module's exported entry points and the helpers around them.
#pragma once

#include "platform/control_panel.h"
#include "platform/windef.h"

extern "C" {
LONG CPlApplet(HWND hwndCPl, UINT uMsg, LPARAM lParam1, LPARAM lParam2);
LPWSTR PromptForPasswd(HWND hwndCaller);
LONG LockDevice();
}

// The application's main window, else the thread's active window.
HWND GetOwnMainWindow();
// A LocalAlloc'd, zero-filled copy of the user password; null on failure.
LPWSTR CopyUserPassword();
// Overwrites the characters of a string returned by PromptForPasswd and
// releases it.
void WipeAndFreePassword(LPWSTR password);

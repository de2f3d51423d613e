// The first-run installation: registers the signature component and runs
// the two-page wizard that assigns the master and the user password.
#pragma once

#include "platform/windef.h"

// 0 = completed, 1 = aborted, -1 = the signature component could not be
// registered (no wizard shown).
extern "C" LONG ExecuteInstallWizard(HWND hwndCaller);

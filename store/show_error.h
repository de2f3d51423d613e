// The one error and notice box of the module.
#pragma once

#include "platform/windef.h"

// Shows string `stringId` under the caption "Error" (IDS_ERROR_CAPTION). A `code`
// of -1 takes the thread's last error; a nonzero code is formatted into the
// text, which is its own format ("General error #%d!").
void ShowError(HWND owner, UINT stringId, int code, UINT flags);

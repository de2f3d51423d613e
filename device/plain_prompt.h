// The shell's own password prompt: a small dialog of the host with a
// masked field, used when the password module declines (returns null) or
// can't be used. It has no way out but a password that passes the check:
// the device fails closed.
#pragma once

#include <functional>

#include "platform/windef.h"

namespace pda {

inline constexpr UINT kPlainPromptId = 2;           // `expect dialog 2`
inline constexpr int kPlainPromptLabelId = 1201;    // "Enter the device password:"
inline constexpr int kPlainPromptEditId = 1202;     // the masked field
inline constexpr int kPlainPromptMessageId = 1203;  // empty, or "Wrong password. Try again."
// OK is IDOK (1); there is no Cancel.

// Runs the prompt modally until `check` accepts the typed password (true),
// or the program is asked to quit (false). Each typed password is wiped
// after the check; a rejected one empties the field.
bool RunPlainPrompt(HWND owner, const std::function<bool(LPCWSTR)>& check);

}  // namespace pda

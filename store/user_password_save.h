// A new user password moves the system password, the user password in
// memory and the stored secrets together.
#pragma once

#include <string_view>

#include "platform/windef.h"
#include "store/os_password_api.h"

// Changes the system password from `current` to `next` (when `next` is not
// empty), makes the user password in memory `next` (or `current`, when no
// new one is given and `current` is not empty) and saves the secrets (and
// the settings when `withSettings`), all in one store batch: on any failure
// the store and the user password in memory stay as they were. Returns 0,
// IDS_PASSWORD_NOT_SET (the system refused the change) or IDS_SAVE_FAILED.
UINT SaveUserPassword(const OsPasswordApi& api, std::u16string_view current,
                      std::u16string_view next, bool withSettings);

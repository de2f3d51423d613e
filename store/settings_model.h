// Moving the settings record (and, on request, the secrets) between memory
// and the registry.
#pragma once

#include "platform/windef.h"
#include "res/registry_names.h"
#include "store/settings_record.h"

// Reads the settings key, the owner record and the OS mirrors
// (`withSettings`) and the credential record (`withCredentials`). Values
// that can't be read keep their fields. False when the settings key or
// "LogonMethod" can't be read, or the credentials can't be loaded.
bool LoadSettings(bool withSettings, bool withCredentials);
// Writes the settings (stopping at the first failing write) and the
// credential record. False on the first failure.
bool SaveSettings(bool withSettings, bool withCredentials);
// Copies the five owner fields from the OS owner record.
bool ReadOwnerInfo();
// Deletes `path` under `root` with all its subkeys.
bool DeleteRegistryTree(HKEY root, LPCWSTR path);

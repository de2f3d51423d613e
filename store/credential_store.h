// The credential record: the four secrets, each enciphered under the
// device key, as one record of the object-store database "Vexlund".
#pragma once

#include "platform/windef.h"

inline constexpr const WCHAR* kCredentialDatabaseName = u"Vexlund";
inline constexpr DWORD kCredentialDatabaseType = 12345;
inline constexpr WORD kSignatureProp = 100;
inline constexpr WORD kSymbolPasswordProp = 101;
inline constexpr WORD kUserPasswordProp = 102;
inline constexpr WORD kMasterPasswordProp = 103;

// Reads and deciphers the record into the four secrets (all of them or
// none). False without a message when the database doesn't exist; false
// after the IDS_GENERAL_ERROR box when it can't be read or deciphered.
bool LoadCredentials();
// True when the last LoadCredentials failed on a record that exists but
// could not be read or deciphered: the device is configured, its secrets
// are out of reach. False after a success, with no database, or with a
// database that holds no record.
bool CredentialsUnreadable();
// Enciphers the four secrets and stores them as the record, replacing the
// previous one in the same transaction. False after the IDS_GENERAL_ERROR box.
bool SaveCredentials();
// Deletes the database "Vexlund" when it exists. True when it is gone
// afterwards (also when there was none); shows nothing.
bool DeleteCredentials();

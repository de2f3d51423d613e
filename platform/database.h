// Object-store databases: named, typed collections of records whose
// properties are typed values. Kept in the object store beside the registry.
#pragma once

#include "platform/errors.h"
#include "platform/windef.h"

// Property value types (the low word of a CEPROPID).
inline constexpr WORD CEVT_I2 = 2;
inline constexpr WORD CEVT_I4 = 3;
inline constexpr WORD CEVT_UI2 = 18;
inline constexpr WORD CEVT_UI4 = 19;
inline constexpr WORD CEVT_LPWSTR = 31;
inline constexpr WORD CEVT_FILETIME = 64;
inline constexpr WORD CEVT_BLOB = 65;

constexpr CEPROPID MAKEPROPID(WORD id, WORD type) {
  return MAKELONG(type, id);
}
constexpr WORD PROPID_ID(CEPROPID p) {
  return HIWORD(p);
}
constexpr WORD PROPID_TYPE(CEPROPID p) {
  return LOWORD(p);
}

struct CEBLOB {
  DWORD dwCount;
  BYTE* lpb;
};

union CEVALUNION {
  short iVal;
  WORD uiVal;
  LONG lVal;
  ULONG ulVal;
  struct {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
  } filetime;
  LPWSTR lpwstr;
  CEBLOB blob;
};

inline constexpr WORD CEDB_PROPNOTFOUND = 0x0100;
inline constexpr WORD CEDB_PROPDELETE = 0x0200;

struct CEPROPVAL {
  CEPROPID propid;
  WORD wLenData;
  WORD wFlags;
  CEVALUNION val;
};

// Seek types.
inline constexpr DWORD CEDB_SEEK_CEOID = 0x00000001;
inline constexpr DWORD CEDB_SEEK_BEGINNING = 0x00000010;
inline constexpr DWORD CEDB_SEEK_END = 0x00000020;
inline constexpr DWORD CEDB_SEEK_CURRENT = 0x00000040;

// Read flags: with CEDB_ALLOWREALLOC the buffer is (re)allocated with
// LocalAlloc/LocalReAlloc as needed and the caller frees it with LocalFree.
inline constexpr DWORD CEDB_ALLOWREALLOC = 0x00000001;

inline constexpr DWORD CEDB_MAXDBASENAMELEN = 32;

// Creates a database; returns its object id, or 0 with the last error set
// (ERROR_DUP_NAME-like cases give ERROR_ALREADY_EXISTS).
CEOID CeCreateDatabase(LPCWSTR name, DWORD type, WORD sortOrderCount, void* sortOrders);
// Opens by name (when `name` is not null) or by the object id in *oid, which
// receives the database's id. Returns INVALID_HANDLE_VALUE on failure
// (ERROR_FILE_NOT_FOUND when there is no such database). Close with
// CloseHandle.
HANDLE CeOpenDatabase(CEOID* oid, LPCWSTR name, CEPROPID sortProp, DWORD flags, HWND notify);
// Moves the current position; returns the record's id or 0 (no record, or
// failure with the last error set).
CEOID CeSeekDatabase(HANDLE db, DWORD seekType, DWORD value, DWORD* index);
// Reads the current record's properties (all of them when `propIds` is
// null) into one buffer: an array of CEPROPVAL followed by their data.
// Returns the record id and moves to the next record, or 0 on failure.
CEOID CeReadRecordProps(HANDLE db, DWORD flags, WORD* propCount, CEPROPID* propIds, BYTE** buffer,
                        DWORD* bufferSize);
// Writes properties to record `record`, or adds a new record when `record`
// is 0. Returns the record id, or 0 on failure. The whole write is atomic.
CEOID CeWriteRecordProps(HANDLE db, CEOID record, WORD propCount, CEPROPVAL* values);
BOOL CeDeleteRecord(HANDLE db, CEOID record);
BOOL CeDeleteDatabase(CEOID oid);

// Enumeration of databases: a handle for all databases of `type` (0 = any),
// then their ids one by one (0 with ERROR_NO_MORE_ITEMS at the end).
HANDLE CeFindFirstDatabase(DWORD type);
CEOID CeFindNextDatabase(HANDLE enumerator);

struct CEDBASEINFO {
  DWORD dwFlags;
  WCHAR szDbaseName[CEDB_MAXDBASENAMELEN];
  DWORD dwDbaseType;
  WORD wNumRecords;
  WORD wNumSortOrder;
  DWORD dwSize;
};
// Information about a database object.
BOOL CeOidGetInfo(CEOID oid, CEDBASEINFO* info);

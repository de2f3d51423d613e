// Kernel services: time, last error, device control, system information,
// the local heap, beeps and kernel objects (mutexes, events).
#pragma once

#include "platform/errors.h"
#include "platform/windef.h"

// Milliseconds since boot on the device clock (real, or virtual in tests).
DWORD GetTickCount();
void Sleep(DWORD milliseconds);

DWORD GetLastError();
void SetLastError(DWORD error);

inline constexpr DWORD IOCTL_HAL_GET_DEVICEID = 0x01010054;
inline constexpr DWORD IOCTL_HAL_REBOOT = 0x0101003C;
// Returns TRUE on success. GET_DEVICEID writes the device's hardware
// identity; a buffer that is too small fails with ERROR_INSUFFICIENT_BUFFER
// and *bytesReturned holds the size needed. REBOOT records a reboot request
// that the host acts on when control returns to it.
BOOL KernelIoControl(DWORD code, void* inBuffer, DWORD inSize, void* outBuffer, DWORD outSize,
                     DWORD* bytesReturned);
// Marks the object store to be wiped at the next boot (a hard reset).
void SetCleanRebootFlag();

inline constexpr UINT SPI_GETPLATFORMTYPE = 0x101;
inline constexpr UINT SPI_GETOEMINFO = 0x102;
// For the two string queries: `param` is the buffer size in bytes and
// `value` the buffer; the text is written with its terminator.
BOOL SystemParametersInfo(UINT action, UINT param, void* value, UINT winIni);

struct OSVERSIONINFO {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};
inline constexpr DWORD VER_PLATFORM_WIN32_CE = 3;
BOOL GetVersionEx(OSVERSIONINFO* info);

inline constexpr UINT LMEM_FIXED = 0x0000;
inline constexpr UINT LMEM_MOVEABLE = 0x0002;
inline constexpr UINT LMEM_ZEROINIT = 0x0040;
inline constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;
using HLOCAL = void*;
// Null with ERROR_NOT_ENOUGH_MEMORY on failure.
HLOCAL LocalAlloc(UINT flags, std::size_t bytes);
HLOCAL LocalReAlloc(HLOCAL block, std::size_t bytes, UINT flags);
// Returns null on success, the block on failure (an unknown block).
HLOCAL LocalFree(HLOCAL block);
std::size_t LocalSize(HLOCAL block);

inline constexpr UINT MB_OK_BEEP = 0;
BOOL MessageBeep(UINT type);

// Kernel objects. Names are compared without regard to case and are shared
// by every process of the device. Creating a named object that exists
// returns a new handle to it with the last error ERROR_ALREADY_EXISTS
// (ERROR_SUCCESS otherwise). Failure returns null.
HANDLE CreateMutex(void* security, BOOL initialOwner, LPCWSTR name);
BOOL ReleaseMutex(HANDLE mutex);
HANDLE CreateEvent(void* security, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 0x102;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
// Closes any kernel handle: mutexes, events, database handles and
// enumerators.
BOOL CloseHandle(HANDLE object);

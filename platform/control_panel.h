// The control panel's applet interface: messages and the two records an
// applet fills for the shell.
#pragma once

#include "platform/windef.h"

inline constexpr UINT CPL_INIT = 1;
inline constexpr UINT CPL_GETCOUNT = 2;
inline constexpr UINT CPL_INQUIRE = 3;
inline constexpr UINT CPL_SELECT = 4;
inline constexpr UINT CPL_DBLCLK = 5;
inline constexpr UINT CPL_STOP = 6;
inline constexpr UINT CPL_EXIT = 7;
inline constexpr UINT CPL_NEWINQUIRE = 8;
inline constexpr UINT CPL_STARTWPARMS = 9;

// Four 32-bit words, as the handheld's shell reads them.
struct CPLINFO {
  std::int32_t idIcon;
  std::int32_t idName;
  std::int32_t idInfo;
  std::int32_t lData;
};
static_assert(sizeof(CPLINFO) == 16);

// The long record, 468 bytes. The icon handle is a 32-bit value as on the
// handheld: the low 32 bits of the platform's icon handle, which the
// platform keeps below 2^32 (IconFromCplHandle turns it back).
struct NEWCPLINFO {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHelpContext;
  std::int32_t lData;
  DWORD hIcon;
  WCHAR szName[32];
  WCHAR szInfo[64];
  WCHAR szHelpFile[128];
};
static_assert(sizeof(NEWCPLINFO) == 468);

using APPLET_PROC = LONG (*)(HWND hwndCPl, UINT uMsg, LPARAM lParam1, LPARAM lParam2);

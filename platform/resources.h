// Module resources. A module publishes its resources through one exported
// C function, `ModuleResources`, that returns a ResourceDirectory; the
// platform finds it through the module handle, so LoadString(module, ...)
// reads the string table of that module.
#pragma once

#include "platform/windef.h"

struct StringResource {
  UINT id;
  LPCWSTR text;
};

// One control of a dialog template. Positions are in dialog units.
struct DialogItemTemplate {
  int id;             // control id (-1 / 65535 for IDC_STATIC)
  LPCWSTR className;  // "BUTTON", "STATIC", "EDIT", "COMBOBOX", "msctls_progress32", ...
  DWORD style;        // WS_* | control styles (WS_CHILD | WS_VISIBLE are implied)
  DWORD exStyle;
  short x, y, cx, cy;
  LPCWSTR text;  // caption; null for none
  UINT imageId;  // icon or bitmap resource of SS_ICON / SS_BITMAP / BS_BITMAP items
};

struct DialogTemplate {
  UINT id;
  DWORD style;  // WS_POPUP, WS_CAPTION, DS_* ...
  DWORD exStyle;
  short x, y, cx, cy;
  LPCWSTR title;
  LPCWSTR fontFace;  // "Tahoma", "MS Sans Serif"
  WORD fontPointSize;
  const DialogItemTemplate* items;
  std::size_t itemCount;
};

// A device-independent bitmap: 8 bits per pixel with a palette of
// 0x00RRGGBB entries, or 24 bits per pixel (B, G, R bytes). Rows run top
// down, each padded to a multiple of 4 bytes.
struct BitmapResource {
  UINT id;
  LONG width;
  LONG height;
  WORD bitsPerPixel;
  const DWORD* palette;
  std::size_t paletteSize;
  const BYTE* bits;
};

// An icon: 0xAARRGGBB pixels, rows top down.
struct IconResource {
  UINT id;
  LONG width;
  LONG height;
  const DWORD* pixels;
};

struct ResourceDirectory {
  const StringResource* strings = nullptr;  // sorted by id
  std::size_t stringCount = 0;
  const DialogTemplate* dialogs = nullptr;  // sorted by id
  std::size_t dialogCount = 0;
  const BitmapResource* bitmaps = nullptr;  // sorted by id
  std::size_t bitmapCount = 0;
  const IconResource* icons = nullptr;  // sorted by id
  std::size_t iconCount = 0;
};

// Resource lookups of a module (null when it has no such resource).
const DialogTemplate* FindDialogTemplate(HINSTANCE module, UINT id);
const BitmapResource* FindBitmapResource(HINSTANCE module, UINT id);
const IconResource* FindIconResource(HINSTANCE module, UINT id);

using ModuleResourcesProc = const ResourceDirectory* (*)();
inline constexpr const char* kModuleResourcesExport = "ModuleResources";

// Copies string `id` of `module` into `buffer` (capacity `bufferLength`
// characters, terminator included, truncating). Returns the number of
// characters copied without the terminator; 0 when the string does not
// exist (last error ERROR_RESOURCE_NAME_NOT_FOUND-like: ERROR_FILE_NOT_FOUND).
// With bufferLength 0, stores a read-only pointer to the text in *buffer
// (cast to LPWSTR*) and returns its length.
int LoadString(HINSTANCE module, UINT id, LPWSTR buffer, int bufferLength);

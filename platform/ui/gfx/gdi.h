// Drawing: device contexts on the screen's framebuffer and on bitmaps,
// pens, brushes, fonts, bitmaps and icons, text. The DCs of windows are
// handed out by the window system (window/window_dc.h).
#pragma once

#include "platform/windef.h"

struct HDC__;
using HDC = HDC__*;
struct HGDIOBJ__;
using HGDIOBJ = HGDIOBJ__*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HPEN__;
using HPEN = HPEN__*;
struct HFONT__;
using HFONT = HFONT__*;

using COLORREF = DWORD;
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
  return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
  return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
  return static_cast<BYTE>((c >> 16) & 0xFF);
}

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);

inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int PLANES = 14;
// HORZRES 240, VERTRES 320, BITSPIXEL 24, PLANES 1, LOGPIXELSX/Y 90 (so
// that an 8-point font is 10 pixels: docs/drawing.md).
int GetDeviceCaps(HDC dc, int index);

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
int GetObject(HGDIOBJ object, int size, LPVOID buffer);
// Pens, brushes, fonts and bitmaps pass where a HGDIOBJ is expected, as
// they do on the handheld.
inline HGDIOBJ SelectObject(HDC dc, HPEN pen) {
  return SelectObject(dc, reinterpret_cast<HGDIOBJ>(pen));
}
inline HGDIOBJ SelectObject(HDC dc, HBRUSH brush) {
  return SelectObject(dc, reinterpret_cast<HGDIOBJ>(brush));
}
inline HGDIOBJ SelectObject(HDC dc, HFONT font) {
  return SelectObject(dc, reinterpret_cast<HGDIOBJ>(font));
}
inline HGDIOBJ SelectObject(HDC dc, HBITMAP bitmap) {
  return SelectObject(dc, reinterpret_cast<HGDIOBJ>(bitmap));
}
inline BOOL DeleteObject(HPEN pen) {
  return DeleteObject(reinterpret_cast<HGDIOBJ>(pen));
}
inline BOOL DeleteObject(HBRUSH brush) {
  return DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
}
inline BOOL DeleteObject(HFONT font) {
  return DeleteObject(reinterpret_cast<HGDIOBJ>(font));
}
inline BOOL DeleteObject(HBITMAP bitmap) {
  return DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap));
}
inline int GetObject(HBITMAP bitmap, int size, LPVOID buffer) {
  return GetObject(reinterpret_cast<HGDIOBJ>(bitmap), size, buffer);
}
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
// Both fonts are the dialog font: DejaVu Sans, 10 px em (docs/drawing.md).
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEFAULT_GUI_FONT = 17;
HGDIOBJ GetStockObject(int index);

inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_NULL = 5;
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_3DFACE = COLOR_BTNFACE;
inline constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
inline constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_STATIC = 25;
inline constexpr int COLOR_STATICTEXT = 26;
COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// Fonts. Faces "Tahoma" and "MS Sans Serif" are drawn with DejaVu Sans.
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR face);
struct TEXTMETRIC {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
};
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
BOOL GetTextExtentPoint32(HDC dc, LPCWSTR text, int length, SIZE* size);

// Drawing.
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF GetBkColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
int SetBkMode(HDC dc, int mode);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL Polygon(HDC dc, const POINT* points, int count);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL DrawFocusRect(HDC dc, const RECT* rect);
inline constexpr UINT BDR_RAISEDOUTER = 0x0001;
inline constexpr UINT BDR_SUNKENOUTER = 0x0002;
inline constexpr UINT BDR_RAISEDINNER = 0x0004;
inline constexpr UINT BDR_SUNKENINNER = 0x0008;
inline constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr UINT BF_LEFT = 0x0001;
inline constexpr UINT BF_TOP = 0x0002;
inline constexpr UINT BF_RIGHT = 0x0004;
inline constexpr UINT BF_BOTTOM = 0x0008;
inline constexpr UINT BF_RECT = 0x000F;
inline constexpr UINT BF_MIDDLE = 0x0800;
inline constexpr UINT BF_SOFT = 0x1000;
inline constexpr UINT BF_ADJUST = 0x2000;
inline constexpr UINT BF_FLAT = 0x4000;
inline constexpr UINT BF_MONO = 0x8000;
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);
// Outlines `rect` with the brush, one pixel wide.
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);
BOOL TextOut(HDC dc, int x, int y, LPCWSTR text, int length);
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_EXPANDTABS = 0x0040;
inline constexpr UINT DT_NOCLIP = 0x0100;
inline constexpr UINT DT_CALCRECT = 0x0400;
inline constexpr UINT DT_NOPREFIX = 0x0800;
inline constexpr UINT DT_END_ELLIPSIS = 0x8000;
// Returns the height of the text drawn (or measured with DT_CALCRECT).
int DrawText(HDC dc, LPCWSTR text, int length, RECT* rect, UINT format);

// Bitmaps and icons. Resources come from the module whose handle is given.
HBITMAP LoadBitmap(HINSTANCE instance, std::uintptr_t id);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
inline constexpr DWORD SRCCOPY = 0x00CC0020;
// SRCCOPY is the only raster operation; any other is refused.
// StretchBlt copies nearest-neighbour; negative sizes are refused.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy,
                int sourceWidth, int sourceHeight, DWORD rop);
// With a null instance: the standard icons, drawn by the platform (32 x 32).
inline constexpr std::uintptr_t IDI_APPLICATION = 32512;
inline constexpr std::uintptr_t IDI_HAND = 32513;
inline constexpr std::uintptr_t IDI_QUESTION = 32514;
inline constexpr std::uintptr_t IDI_EXCLAMATION = 32515;
inline constexpr std::uintptr_t IDI_ASTERISK = 32516;
inline constexpr std::uintptr_t IDI_ERROR = IDI_HAND;
inline constexpr std::uintptr_t IDI_WARNING = IDI_EXCLAMATION;
inline constexpr std::uintptr_t IDI_INFORMATION = IDI_ASTERISK;
// Icons are shared: LoadIcon of the same icon gives the same handle, and
// DestroyIcon leaves it alone.
HICON LoadIcon(HINSTANCE instance, std::uintptr_t id);
// A program's own icon from `width` x `height` 0xAARRGGBB pixels, row by
// row; DestroyIcon releases it. Null for an empty size or no pixels.
HICON CreateIconFromPixels(int width, int height, const std::uint32_t* argb);
// Icon size (GetObject does not apply to icons).
BOOL GetIconSize(HICON icon, SIZE* size);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
BOOL DestroyIcon(HICON icon);

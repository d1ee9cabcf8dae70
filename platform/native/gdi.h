// GDI operations for native builds, drawing on an in-memory display.
#ifndef VELMORA_NATIVE_GDI_H
#define VELMORA_NATIVE_GDI_H

#include "types.h"

#define SIZEPALETTE 104
#define NUMCOLORS 24
#define RASTERCAPS 38
#define VREFRESH 116
#define RC_PALETTE 0x0100
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define MM_TEXT 1
#define BLACK_BRUSH 4
#define BI_RGB 0
#define NULL_PEN 8
#define SRCCOPY 0x00CC0020
#define PALETTEINDEX(i) ((COLORREF)(0x01000000 | (DWORD)(WORD)(i)))
#define PC_RESERVED 0x01
#define PC_EXPLICIT 0x02

int GetDeviceCaps(HDC dc, int index);
HPALETTE CreatePalette(const LOGPALETTE* palette);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
BOOL AnimatePalette(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background);
UINT RealizePalette(HDC dc);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
int SetMapMode(HDC dc, int mode);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
HBRUSH CreateSolidBrush(COLORREF color);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);

// Bitmap resources: none exist natively, so these stop loudly.
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int x_source, int y_source, DWORD rop);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
#define HALFTONE 4
int SetStretchBltMode(HDC dc, int mode);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL StretchBlt(HDC dc, int x, int y, int width, int height, HDC source, int x_source, int y_source, int source_width,
                int source_height, DWORD rop);
int SetDIBitsToDevice(HDC dc, int x_dest, int y_dest, DWORD width, DWORD height, int x_src, int y_src,
                      UINT start_scan, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
BOOL ScrollWindow(HWND window, int dx, int dy, const RECT* scroll, const RECT* clip);

#endif

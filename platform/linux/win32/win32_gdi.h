// The graphics part of the Win32 subset (gdi32 and msimg32's TransparentBlt), declared with
// Win32's own signatures. Implemented in software over 32-bit pixel surfaces.
#pragma once

#include "platform/linux/win32/win32_types.h"

#define RGB(red, green, blue)                                                                      \
    (static_cast<COLORREF>(static_cast<BYTE>(red) |                                                \
                           (static_cast<WORD>(static_cast<BYTE>(green)) << 8) |                    \
                           (static_cast<DWORD>(static_cast<BYTE>(blue)) << 16)))
#define GetRValue(colour) (static_cast<BYTE>((colour)&0xFF))
#define GetGValue(colour) (static_cast<BYTE>(((colour) >> 8) & 0xFF))
#define GetBValue(colour) (static_cast<BYTE>(((colour) >> 16) & 0xFF))

// Object types for GetCurrentObject.
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_FONT 6
#define OBJ_BITMAP 7

// Stock objects.
#define NULL_PEN 8

// Pen and brush styles.
#define PS_SOLID 0
#define PS_NULL 5
#define BS_SOLID 0

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Raster operations.
#define SRCCOPY static_cast<DWORD>(0x00CC0020)
#define SRCINVERT static_cast<DWORD>(0x00660046)
#define SRCAND static_cast<DWORD>(0x008800C6)

// Font description values.
#define LF_FACESIZE 32
#define FW_NORMAL 400
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define SYMBOL_CHARSET 2
#define OUT_STRING_PRECIS 1
#define CLIP_STROKE_PRECIS 2
#define DEFAULT_QUALITY 0
#define VARIABLE_PITCH 2
#define FF_SWISS (2 << 4)
#define FF_DECORATIVE (5 << 4)

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;
    COLORREF lopnColor;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

// Device contexts and objects.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HPEN CreatePenIndirect(const LOGPEN* pen);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HFONT CreateFontIndirectA(const LOGFONTA* font);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);
int GetObjectA(HANDLE object, int size, LPVOID buffer);

// Drawing state.
COLORREF SetBkColor(HDC dc, COLORREF colour);
COLORREF SetTextColor(HDC dc, COLORREF colour);
int SetBkMode(HDC dc, int mode);

// Drawing.
BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
BOOL LineTo(HDC dc, int x, int y);
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rasterOperation);

// msimg32.dll's export; code that must also run where msimg32 is missing reaches it through
// LoadLibraryA and GetProcAddress instead.
BOOL TransparentBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, UINT transparentColour);

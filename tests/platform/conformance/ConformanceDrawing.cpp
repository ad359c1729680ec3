// Draws one picture with every GDI operation the editor relies on, and writes it out, so that
// the picture the platform layer draws can be compared with the one real Win32 draws (under
// Wine). Built for both systems from this one source.
//
//   conformance_drawing <picture.ppm> <text-cells.txt>
//
// The text cells file lists the rectangles that hold text, one "left top right bottom" per
// line: glyph shapes may differ between the two systems there, so the comparison only asks
// that the text sits in the same place.
#include "platform/snapshot.h"
#include "platform/win32.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int canvasWidth = 600;
constexpr int canvasHeight = 500;

using TransparentBltEntry = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, UINT);

struct Drawing {
    HDC dc;
    std::vector<RECT> textCells;
};

HBRUSH solidBrush(COLORREF colour) {
    LOGBRUSH description{BS_SOLID, colour, 0};
    return CreateBrushIndirect(&description);
}

void fill(HDC dc, RECT area, COLORREF colour) {
    HBRUSH brush = solidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void usePen(HDC dc, COLORREF colour) {
    LOGPEN description{PS_SOLID, {1, 1}, colour};
    DeleteObject(SelectObject(dc, CreatePenIndirect(&description)));
}

COLORREF rainbow(int index) {
    return RGB((index * 67) % 256, (index * 131 + 80) % 256, (index * 29 + 160) % 256);
}

// A fan of lines in every direction and slope, ties between two pixels included.
void drawLines(HDC dc) {
    const POINT centre{60, 60};
    int index = 0;
    for (int dx = -50; dx <= 50; dx += 10) {
        for (int dy : {-50, 50}) {
            usePen(dc, rainbow(index++));
            MoveToEx(dc, centre.x, centre.y, nullptr);
            LineTo(dc, centre.x + dx, centre.y + dy);
        }
    }
    for (int dy = -40; dy <= 40; dy += 10) {
        for (int dx : {-50, 50}) {
            usePen(dc, rainbow(index++));
            MoveToEx(dc, centre.x, centre.y, nullptr);
            LineTo(dc, centre.x + dx, centre.y + dy);
        }
    }
    // Short lines that pass exactly between two pixels: slopes of 1:2 (every other step)
    // and 3:10 (one step) in all eight directions.
    usePen(dc, RGB(255, 255, 255));
    for (int direction = 0; direction < 8; ++direction) {
        for (int kind = 0; kind < 2; ++kind) {
            int along = kind == 0 ? 6 : 10;
            int across = kind == 0 ? 3 : 3;
            int dx = (direction & 1) ? along : across;
            int dy = (direction & 1) ? across : along;
            dx = (direction & 2) ? -dx : dx;
            dy = (direction & 4) ? -dy : dy;
            POINT start{146 + (direction % 4) * 20, 14 + (direction / 4) * 24 + kind * 12};
            MoveToEx(dc, start.x, start.y, nullptr);
            LineTo(dc, start.x + dx, start.y + dy);
        }
    }
}

// Outlines drawn as the editor draws them (four LineTo calls, end points inclusive) with the
// inside filled by FillRect, and fills at the edges of their rectangles.
void drawOutlinesAndFills(HDC dc) {
    for (int index = 0; index < 5; ++index) {
        RECT box{140 + index * 14, 70, 150 + index * 14 + index, 80 + index * 3};
        usePen(dc, rainbow(index + 3));
        MoveToEx(dc, box.left, box.top, nullptr);
        LineTo(dc, box.right, box.top);
        LineTo(dc, box.right, box.bottom);
        LineTo(dc, box.left, box.bottom);
        LineTo(dc, box.left, box.top);
        HGDIOBJ previousPen = SelectObject(dc, GetStockObject(NULL_PEN));
        fill(dc, RECT{box.left + 1, box.top + 1, box.right, box.bottom}, rainbow(index + 9));
        SelectObject(dc, previousPen);
    }
    fill(dc, RECT{140, 100, 150, 110}, RGB(255, 0, 0));
    fill(dc, RECT{150, 100, 160, 110}, RGB(0, 255, 0));
    fill(dc, RECT{165, 110, 160, 100}, RGB(0, 0, 255)); // backwards: nothing
    RECT face{170, 100, 190, 110};
    FillRect(dc, &face, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

// A small colourful source picture for the transfers.
HBITMAP makeSource(HDC dc, HDC& sourceDc, HGDIOBJ& previous) {
    HBITMAP source = CreateCompatibleBitmap(dc, 24, 16);
    sourceDc = CreateCompatibleDC(dc);
    previous = SelectObject(sourceDc, source);
    for (int y = 0; y < 16; y += 4) {
        for (int x = 0; x < 24; x += 4) {
            fill(sourceDc, RECT{x, y, x + 4, y + 4}, rainbow(x + y * 3));
        }
    }
    fill(sourceDc, RECT{8, 4, 16, 12}, RGB(255, 255, 255));
    return source;
}

void drawTransfers(HDC dc) {
    HDC sourceDc = nullptr;
    HGDIOBJ previous = nullptr;
    HBITMAP source = makeSource(dc, sourceDc, previous);
    const DWORD operations[] = {SRCCOPY, SRCINVERT, SRCAND};
    for (int index = 0; index < 3; ++index) {
        int x = 230 + index * 40;
        fill(dc, RECT{x, 10, x + 30, 40}, RGB(0x55, 0xAA, 0x33));
        fill(dc, RECT{x + 10, 20, x + 30, 40}, RGB(0xC3, 0x3C, 0xF0));
        BitBlt(dc, x + 3, 14, 24, 16, sourceDc, 0, 0, operations[index]);
    }
    // A source rectangle reaching past the source's edges: only what exists is copied.
    fill(dc, RECT{350, 10, 390, 40}, RGB(0x20, 0x20, 0x60));
    BitBlt(dc, 350, 10, 40, 30, sourceDc, -6, -4, SRCCOPY);

    // Colour to monochrome with the source's background colour, then monochrome to colour
    // with the destination's text and background colours.
    HBITMAP mask = CreateBitmap(24, 16, 1, 1, nullptr);
    HDC maskDc = CreateCompatibleDC(dc);
    HGDIOBJ previousMask = SelectObject(maskDc, mask);
    SetBkColor(sourceDc, RGB(255, 255, 255));
    BitBlt(maskDc, 0, 0, 24, 16, sourceDc, 0, 0, SRCCOPY);
    COLORREF oldText = SetTextColor(dc, RGB(200, 30, 30));
    COLORREF oldBackground = SetBkColor(dc, RGB(30, 200, 200));
    BitBlt(dc, 400, 14, 24, 16, maskDc, 0, 0, SRCCOPY);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBackground);

    SelectObject(maskDc, previousMask);
    DeleteDC(maskDc);
    DeleteObject(mask);
    SelectObject(sourceDc, previous);
    DeleteDC(sourceDc);
    DeleteObject(source);
}

// Draws `picture` over the destination leaving its white pixels out, by the mask method.
void drawMasked(HDC dc, HDC pictureDc, int x, int y, int width, int height) {
    HDC maskDc = CreateCompatibleDC(dc);
    COLORREF oldBackground = SetBkColor(dc, RGB(255, 255, 255));
    COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    HGDIOBJ previousMask = SelectObject(maskDc, mask);
    SetBkColor(pictureDc, RGB(255, 255, 255));
    BitBlt(maskDc, 0, 0, width, height, pictureDc, 0, 0, SRCCOPY);
    BitBlt(dc, x, y, width, height, pictureDc, 0, 0, SRCINVERT);
    BitBlt(dc, x, y, width, height, maskDc, 0, 0, SRCAND);
    BitBlt(dc, x, y, width, height, pictureDc, 0, 0, SRCINVERT);
    SelectObject(maskDc, previousMask);
    DeleteObject(mask);
    DeleteDC(maskDc);
    SetBkColor(dc, oldBackground);
    SetTextColor(dc, oldText);
}

// The editor's three bitmaps: the background, and a few sliders of track and handle, drawn
// with the mask method on the left and with TransparentBlt on the right.
void drawBitmaps(HDC dc) {
    HINSTANCE module = stepveil::platform::snapshot::currentModule();
    HBITMAP background = LoadBitmapA(module, MAKEINTRESOURCEA(128));
    HBITMAP track = LoadBitmapA(module, MAKEINTRESOURCEA(129));
    HBITMAP handle = LoadBitmapA(module, MAKEINTRESOURCEA(130));
    HDC pictureDc = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(pictureDc, background);
    BitBlt(dc, 19, 290, 562, 200, pictureDc, 0, 0, SRCCOPY);

    HMODULE msimg32 = LoadLibraryA("msimg32.dll");
    auto transparentBlt = reinterpret_cast<TransparentBltEntry>(
        reinterpret_cast<void (*)()>(GetProcAddress(msimg32, "TransparentBlt")));
    for (int slider = 0; slider < 6; ++slider) {
        int x = 440 + (slider % 3) * 16 + (slider / 3) * 60;
        SelectObject(pictureDc, track);
        BitBlt(dc, x, 60, 16, 89, pictureDc, 0, 0, SRCCOPY);
        SelectObject(pictureDc, handle);
        int y = 60 + slider * 13;
        if (slider < 3) {
            drawMasked(dc, pictureDc, x + 1, y, 14, 12);
        } else if (transparentBlt != nullptr) {
            transparentBlt(dc, x + 1, y, 14, 12, pictureDc, 0, 0, 14, 12, RGB(255, 255, 255));
        }
    }
    FreeLibrary(msimg32);
    SelectObject(pictureDc, previous);
    DeleteDC(pictureDc);
    DeleteObject(background);
    DeleteObject(track);
    DeleteObject(handle);
}

HFONT makeFont(const char* face, int height, LONG weight, BYTE pitchAndFamily) {
    LOGFONTA description{};
    description.lfHeight = -height;
    description.lfWeight = weight;
    description.lfCharSet = ANSI_CHARSET;
    description.lfOutPrecision = OUT_STRING_PRECIS;
    description.lfClipPrecision = CLIP_STROKE_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = pitchAndFamily;
    std::strncpy(description.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectA(&description);
}

void drawTextCell(Drawing& drawing, HFONT font, const char* text, RECT cell, UINT alignment,
                  bool opaque) {
    fill(drawing.dc, cell, RGB(0x10, 0x18, 0x30));
    HGDIOBJ previous = SelectObject(drawing.dc, font);
    SetTextColor(drawing.dc, RGB(255, 255, 255));
    SetBkColor(drawing.dc, RGB(0x80, 0x20, 0x20));
    SetBkMode(drawing.dc, opaque ? OPAQUE : TRANSPARENT);
    DrawTextA(drawing.dc, text, static_cast<int>(std::strlen(text)), &cell,
              alignment | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(drawing.dc, TRANSPARENT);
    SelectObject(drawing.dc, previous);
    drawing.textCells.push_back(cell);
}

// Text in the editor's fonts, each alignment, transparent and opaque, and clipped.
void drawTexts(Drawing& drawing) {
    struct FontUse {
        const char* face;
        int height;
        LONG weight;
        BYTE family;
    };
    const FontUse fonts[] = {{"Arial", 12, FW_BOLD, VARIABLE_PITCH | FF_SWISS},
                             {"Arial", 18, FW_NORMAL, VARIABLE_PITCH | FF_SWISS},
                             {"Arial", 11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS},
                             {"Symbol", 13, FW_NORMAL, FF_DECORATIVE}};
    const UINT alignments[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    int row = 0;
    for (const FontUse& use : fonts) {
        HFONT font = makeFont(use.face, use.height, use.weight, use.family);
        for (int column = 0; column < 3; ++column) {
            RECT cell{10 + column * 140, 170 + row * 28, 140 + column * 140, 194 + row * 28};
            drawTextCell(drawing, font, "Level 27", cell, alignments[column], row % 2 == 1);
        }
        DeleteObject(font);
        ++row;
    }
    HFONT small = makeFont("Arial", 11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
    drawTextCell(drawing, small, "32", RECT{440, 170, 456, 184}, DT_CENTER, true);
    drawTextCell(drawing, small, "Clipped text", RECT{470, 170, 500, 180}, DT_CENTER, false);
    DeleteObject(small);
}

bool writePicture(const char* path, HBITMAP bitmap) {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    if (!stepveil::platform::snapshot::readBitmap(bitmap, width, height, pixels)) {
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (COLORREF pixel : pixels) {
        unsigned char rgb[3] = {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)};
        std::fwrite(rgb, 1, 3, file);
    }
    return std::fclose(file) == 0;
}

bool writeCells(const char* path, const std::vector<RECT>& cells) {
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr) {
        return false;
    }
    for (const RECT& cell : cells) {
        std::fprintf(file, "%ld %ld %ld %ld\n", static_cast<long>(cell.left),
                     static_cast<long>(cell.top), static_cast<long>(cell.right),
                     static_cast<long>(cell.bottom));
    }
    return std::fclose(file) == 0;
}

} // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount != 3) {
        std::fprintf(stderr, "usage: conformance_drawing <picture.ppm> <text-cells.txt>\n");
        return 2;
    }
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, canvasWidth, canvasHeight);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(dc, canvas);
    fill(dc, RECT{0, 0, canvasWidth, canvasHeight}, RGB(0x30, 0x30, 0x30));

    Drawing drawing{dc, {}};
    drawLines(dc);
    drawOutlinesAndFills(dc);
    drawTransfers(dc);
    drawBitmaps(dc);
    drawTexts(drawing);

    SelectObject(dc, previous);
    DeleteDC(dc);
    bool written =
        writePicture(arguments[1], canvas) && writeCells(arguments[2], drawing.textCells);
    DeleteObject(canvas);
    if (!written) {
        std::fprintf(stderr, "conformance_drawing: cannot write %s or %s\n", arguments[1],
                     arguments[2]);
        return 1;
    }
    return 0;
}

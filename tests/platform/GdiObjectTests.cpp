// Device contexts and drawing objects: defaults, selection, description and deletion.
#include "PlatformTestSupport.h"

using namespace platform_test;
namespace headless = stepveil::platform::headless;

class GdiObjects : public PlatformTest {};

TEST_F(GdiObjects, NewMemoryContextHoldsOneByOneMonochromeBitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAP description{};
    ASSERT_EQ(GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof description, &description),
              static_cast<int>(sizeof description));
    EXPECT_EQ(description.bmWidth, 1);
    EXPECT_EQ(description.bmHeight, 1);
    EXPECT_EQ(description.bmBitsPixel, 1);

    // Bitmaps made compatible with that context are monochrome too, as in Win32.
    HBITMAP compatible = CreateCompatibleBitmap(dc, 8, 4);
    ASSERT_NE(compatible, nullptr);
    GetObjectA(compatible, sizeof description, &description);
    EXPECT_EQ(description.bmBitsPixel, 1);
    EXPECT_EQ(description.bmWidthBytes, 2);
    DeleteObject(compatible);

    // Compatible with a window's context they are colour bitmaps.
    HWND host = headless::createHostWindow(0, 0, 10, 10);
    HDC windowDc = GetDC(host);
    HBITMAP colour = CreateCompatibleBitmap(windowDc, 8, 4);
    GetObjectA(colour, sizeof description, &description);
    EXPECT_EQ(description.bmBitsPixel, 32);
    EXPECT_EQ(description.bmWidth, 8);
    EXPECT_EQ(description.bmHeight, 4);
    DeleteObject(colour);
    ReleaseDC(host, windowDc);
    DestroyWindow(host);
    DeleteDC(dc);
}

TEST_F(GdiObjects, SelectObjectReturnsThePreviousObjectOfItsKind) {
    Canvas canvas(4, 4);
    LOGPEN penDescription{PS_SOLID, {1, 1}, RGB(1, 2, 3)};
    HPEN pen = CreatePenIndirect(&penDescription);
    HGDIOBJ originalPen = GetCurrentObject(canvas.dc(), OBJ_PEN);
    EXPECT_EQ(SelectObject(canvas.dc(), pen), originalPen);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
    EXPECT_EQ(SelectObject(canvas.dc(), GetStockObject(NULL_PEN)), pen);
    EXPECT_EQ(SelectObject(canvas.dc(), originalPen), GetStockObject(NULL_PEN));

    LOGPEN read{};
    EXPECT_EQ(GetObjectA(pen, sizeof read, &read), static_cast<int>(sizeof read));
    EXPECT_EQ(read.lopnColor, RGB(1, 2, 3));
    EXPECT_EQ(GetObjectA(pen, 1, &read), 0) << "a buffer too small is refused";
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen)) << "a deleted handle is no longer valid";
}

TEST_F(GdiObjects, ObjectDeletedWhileSelectedLivesUntilDeselected) {
    std::size_t before = headless::liveGdiObjectCount();
    HDC dc = CreateCompatibleDC(nullptr);
    LOGBRUSH description{BS_SOLID, RGB(9, 9, 9), 0};
    HBRUSH brush = CreateBrushIndirect(&description);
    HGDIOBJ original = SelectObject(dc, brush);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    SelectObject(dc, original);
    DeleteDC(dc);
    EXPECT_EQ(headless::liveGdiObjectCount(), before);
}

TEST_F(GdiObjects, BitmapCanBeSelectedIntoOneMemoryContextOnly) {
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
    HGDIOBJ firstDefault = SelectObject(first, bitmap);
    EXPECT_NE(firstDefault, nullptr);
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
    SelectObject(first, firstDefault);
    EXPECT_NE(SelectObject(second, bitmap), nullptr) << "free again once deselected";
    DeleteDC(second); // deleting the context lets go of the bitmap
    EXPECT_TRUE(DeleteObject(bitmap));
    DeleteDC(first);
}

TEST_F(GdiObjects, StockObjectsAndBadHandlesAreHandledSafely) {
    HGDIOBJ nullPen = GetStockObject(NULL_PEN);
    ASSERT_NE(nullPen, nullptr);
    EXPECT_EQ(GetStockObject(NULL_PEN), nullPen);
    EXPECT_TRUE(DeleteObject(nullPen)) << "deleting a stock object is allowed and ignored";
    EXPECT_EQ(GetStockObject(NULL_PEN), nullPen);
    LOGPEN read{};
    GetObjectA(nullPen, sizeof read, &read);
    EXPECT_EQ(read.lopnStyle, static_cast<UINT>(PS_NULL));

    auto* bogus = reinterpret_cast<HDC>(std::uintptr_t{0x12345});
    EXPECT_EQ(SelectObject(bogus, nullPen), nullptr);
    EXPECT_FALSE(BitBlt(bogus, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_FALSE(DeleteDC(bogus));
    EXPECT_EQ(GetObjectA(bogus, 0, nullptr), 0);
    EXPECT_EQ(CreateBitmap(-1, 5, 1, 32, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(100000, 100000, 1, 32, nullptr), nullptr) << "too large";
}

TEST_F(GdiObjects, InjectedCreationFailureMakesCreationReturnNull) {
    headless::failGdiObjectCreations(1);
    LOGBRUSH description{BS_SOLID, 0, 0};
    EXPECT_EQ(CreateBrushIndirect(&description), nullptr);
    HBRUSH brush = CreateBrushIndirect(&description);
    EXPECT_NE(brush, nullptr) << "only the requested number of creations fail";
    DeleteObject(brush);
}

TEST_F(GdiObjects, FontDescriptionIsKeptAsGiven) {
    LOGFONTA description{};
    description.lfHeight = -20;
    description.lfWeight = FW_BOLD;
    description.lfPitchAndFamily = FF_DECORATIVE;
    std::snprintf(description.lfFaceName, LF_FACESIZE, "%s", "Symbol");
    HFONT font = CreateFontIndirectA(&description);
    LOGFONTA read{};
    ASSERT_EQ(GetObjectA(font, sizeof read, &read), static_cast<int>(sizeof read));
    EXPECT_EQ(read.lfHeight, -20);
    EXPECT_EQ(read.lfWeight, FW_BOLD);
    EXPECT_EQ(read.lfPitchAndFamily, FF_DECORATIVE);
    EXPECT_STREQ(read.lfFaceName, "Symbol");
    DeleteObject(font);
}

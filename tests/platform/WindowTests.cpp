// Window classes, windows, their data slot, positions and the painting protocol.
#include "PlatformTestSupport.h"

#include <vector>

using namespace platform_test;
namespace headless = stepveil::platform::headless;

namespace {

// What the test window procedure saw, in order.
std::vector<std::pair<HWND, UINT>> received;

LRESULT recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.emplace_back(window, message);
    return DefWindowProcA(window, message, wParam, lParam);
}

WNDCLASSA testClass(const char* name, HBRUSH background = nullptr) {
    WNDCLASSA description{};
    description.style = CS_GLOBALCLASS;
    description.lpfnWndProc = recordingProcedure;
    description.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    description.hbrBackground = background;
    description.lpszClassName = name;
    return description;
}

HWND child(const char* className, HWND parent, int x, int y, int width, int height) {
    return CreateWindowExA(0, className, "Window", WS_CHILD | WS_VISIBLE, x, y, width, height,
                           parent, nullptr, nullptr, nullptr);
}

} // namespace

class Windows : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        received.clear();
    }
};

TEST_F(Windows, ClassesAreRegisteredOnceByNameAndKeptWhileWindowsUseThem) {
    std::size_t before = headless::registeredClassCount();
    WNDCLASSA description = testClass("TestClassOne");
    EXPECT_NE(RegisterClassA(&description), 0);
    EXPECT_EQ(RegisterClassA(&description), 0) << "the name is taken";
    WNDCLASSA otherCase = testClass("TESTCLASSONE");
    EXPECT_EQ(RegisterClassA(&otherCase), 0) << "names are compared without case";
    EXPECT_EQ(headless::registeredClassCount(), before + 1);

    HWND host = headless::createHostWindow(0, 0, 50, 50);
    HWND window = child("TestClassOne", host, 0, 0, 10, 10);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(UnregisterClassA("TestClassOne", nullptr)) << "a window still uses it";
    DestroyWindow(window);
    EXPECT_FALSE(UnregisterClassA("TestClassOne", reinterpret_cast<HINSTANCE>(8)))
        << "another module's instance";
    EXPECT_TRUE(UnregisterClassA("TestClassOne", nullptr));
    EXPECT_EQ(headless::registeredClassCount(), before);
    EXPECT_EQ(child("TestClassOne", host, 0, 0, 10, 10), nullptr) << "class is gone";
    DestroyWindow(host);
}

TEST_F(Windows, ChildPositionsAreRelativeToTheirParent) {
    WNDCLASSA description = testClass("TestClassPositions");
    RegisterClassA(&description);
    HWND host = headless::createHostWindow(100, 50, 300, 200);
    HWND outer = child("TestClassPositions", host, 10, 20, 100, 80);
    HWND inner = child("TestClassPositions", outer, 5, 6, 30, 40);
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(inner, &rect));
    EXPECT_EQ(rect.left, 115);
    EXPECT_EQ(rect.top, 76);
    EXPECT_EQ(rect.right, 145);
    EXPECT_EQ(rect.bottom, 116);
    POINT point{1, 2};
    ASSERT_TRUE(ClientToScreen(inner, &point));
    EXPECT_EQ(point.x, 116);
    EXPECT_EQ(point.y, 78);
    ASSERT_TRUE(ScreenToClient(outer, &point));
    EXPECT_EQ(point.x, 6);
    EXPECT_EQ(point.y, 8);
    EXPECT_FALSE(ScreenToClient(nullptr, &point));
    EXPECT_EQ(CreateWindowExA(0, "TestClassPositions", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr)
        << "a child window needs a parent";
    DestroyWindow(host);
    UnregisterClassA("TestClassPositions", nullptr);
}

TEST_F(Windows, UserDataSlotKeepsAPointerAndItsLow32Bits) {
    WNDCLASSA description = testClass("TestClassData");
    RegisterClassA(&description);
    HWND host = headless::createHostWindow(0, 0, 10, 10);
    HWND window = child("TestClassData", host, 0, 0, 5, 5);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 0);
    auto value = static_cast<LONG_PTR>(0x123456789ALL);
    EXPECT_EQ(SetWindowLongPtrA(window, GWLP_USERDATA, value), 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_USERDATA), value);
    EXPECT_EQ(GetWindowLongA(window, GWL_USERDATA), static_cast<LONG>(0x3456789A));
    EXPECT_EQ(SetWindowLongA(window, GWL_USERDATA, 7), static_cast<LONG>(0x3456789A));
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 7);
    DestroyWindow(host);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 0) << "destroyed with its parent";
    UnregisterClassA("TestClassData", nullptr);
}

TEST_F(Windows, DestroyWindowSendsWmDestroyToTheWindowThenItsChildren) {
    WNDCLASSA description = testClass("TestClassDestroy");
    RegisterClassA(&description);
    HWND host = headless::createHostWindow(0, 0, 10, 10);
    HWND outer = child("TestClassDestroy", host, 0, 0, 5, 5);
    HWND inner = child("TestClassDestroy", outer, 0, 0, 2, 2);
    received.clear();
    EXPECT_TRUE(DestroyWindow(outer));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], std::make_pair(outer, static_cast<UINT>(WM_DESTROY)));
    EXPECT_EQ(received[1], std::make_pair(inner, static_cast<UINT>(WM_DESTROY)));
    EXPECT_FALSE(DestroyWindow(inner)) << "already gone";
    DestroyWindow(host);
    UnregisterClassA("TestClassDestroy", nullptr);
}

TEST_F(Windows, PaintingErasesWithTheClassBrushAndValidates) {
    WNDCLASSA description = testClass("TestClassPaint", GetSysColorBrush(COLOR_BTNFACE));
    RegisterClassA(&description);
    HWND host = headless::createHostWindow(0, 0, 40, 30);
    HWND window = child("TestClassPaint", host, 10, 5, 20, 10);

    RECT update{};
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE)) << "a new visible window is invalid";
    EXPECT_EQ(update.right, 20);
    EXPECT_EQ(update.bottom, 10);

    received.clear();
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(paint.rcPaint.right, 20);
    EXPECT_FALSE(paint.fErase) << "the class brush erased the background";
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].second, static_cast<UINT>(WM_ERASEBKGND));
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "validated by BeginPaint";
    EndPaint(window, &paint);

    Image screen = headless::captureWindow(host);
    EXPECT_EQ(screen.at(10, 5), RGB(245, 245, 245));
    EXPECT_EQ(screen.at(29, 14), RGB(245, 245, 245));
    EXPECT_EQ(screen.at(30, 14), RGB(0, 0, 0)) << "the host window around it";

    // A later invalidation only covers what was asked, in the window's own coordinates.
    RECT part{2, 3, 4, 5};
    InvalidateRect(window, &part, FALSE);
    InvalidateRect(window, &part, FALSE);
    RECT more{8, 1, 9, 2};
    InvalidateRect(window, &more, FALSE);
    GetUpdateRect(window, &update, FALSE);
    EXPECT_EQ(update.left, 2);
    EXPECT_EQ(update.top, 1);
    EXPECT_EQ(update.right, 9);
    EXPECT_EQ(update.bottom, 5);
    DestroyWindow(host);
    UnregisterClassA("TestClassPaint", nullptr);
}

TEST_F(Windows, PaintContextIsClippedToTheUpdateAreaAndWindowContextToTheWindow) {
    WNDCLASSA description = testClass("TestClassClip");
    RegisterClassA(&description);
    HWND host = headless::createHostWindow(0, 0, 20, 20);
    HWND window = child("TestClassClip", host, 0, 0, 6, 3);
    PAINTSTRUCT paint{};
    EndPaint(window, (BeginPaint(window, &paint), &paint));
    RECT part{1, 1, 3, 2};
    InvalidateRect(window, &part, FALSE);
    HDC dc = BeginPaint(window, &paint);
    RECT everything{-10, -10, 100, 100};
    FillRect(dc, &everything, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    EndPaint(window, &paint);
    const COLORREF face = RGB(245, 245, 245);
    EXPECT_EQ(pattern(headless::captureWindow(window), face), "......\n"
                                                              ".##...\n"
                                                              "......\n");
    HDC windowDc = GetDC(window);
    FillRect(windowDc, &everything, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    EXPECT_EQ(ReleaseDC(window, windowDc), 1);
    EXPECT_EQ(pattern(headless::captureWindow(host), face).substr(0, 21), "######..............\n");
    DestroyWindow(host);
    UnregisterClassA("TestClassClip", nullptr);
}

TEST_F(Windows, SystemAnswersTheEditorRelies) {
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), GetSysColorBrush(COLOR_BTNFACE));
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr) << "the screen context exists even without a screen";
    HDC memory = CreateCompatibleDC(screen);
    EXPECT_NE(memory, nullptr);
    DeleteDC(memory);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

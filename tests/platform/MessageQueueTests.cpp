// PeekMessageA and DispatchMessageA: posted messages in order, WM_PAINT made last from the
// update regions, one per window, and filters by window and message range.
#include "PlatformTestSupport.h"

#include <vector>

using namespace platform_test;
namespace headless = stepveil::platform::headless;

namespace {

std::vector<std::pair<HWND, UINT>> dispatched;

LRESULT paintingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    dispatched.emplace_back(window, message);
    return DefWindowProcA(window, message, wParam, lParam); // validates on WM_PAINT
}

} // namespace

class MessageQueue : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        dispatched.clear();
        WNDCLASSA description{};
        description.lpfnWndProc = paintingProcedure;
        description.lpszClassName = "TestClassQueue";
        RegisterClassA(&description);
        host = headless::createHostWindow(0, 0, 100, 100);
        first = CreateWindowExA(0, "TestClassQueue", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, host,
                                nullptr, nullptr, nullptr);
        second = CreateWindowExA(0, "TestClassQueue", "", WS_CHILD | WS_VISIBLE, 20, 0, 10, 10,
                                 host, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(host);
        MSG message{};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        UnregisterClassA("TestClassQueue", nullptr);
        PlatformTest::TearDown();
    }

    HWND host = nullptr;
    HWND first = nullptr;
    HWND second = nullptr;
};

TEST_F(MessageQueue, FilteredPeekTakesOnePaintAndLeavesTheRest) {
    headless::postMessage(first, WM_TIMER, 1, 0);
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(message.hwnd, first);
    DispatchMessageA(&message);
    ASSERT_FALSE(dispatched.empty());
    EXPECT_EQ(dispatched[0], std::make_pair(first, static_cast<UINT>(WM_PAINT)));

    // The painted window is valid now; the other one still waits, and so does the timer.
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
    EXPECT_EQ(message.hwnd, second);
    DispatchMessageA(&message);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_TIMER));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, PaintComesOnlyWhenNothingElseInRangeWaits) {
    headless::postMessage(second, WM_TIMER, 0, 0);
    headless::postMessage(first, WM_LBUTTONDOWN, 0, MAKELPARAM(3, 4));
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_TIMER));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(LOWORD(message.lParam), 3);
    EXPECT_EQ(HIWORD(message.lParam), 4);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
}

TEST_F(MessageQueue, PaintStaysUntilTheWindowIsValidated) {
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, second, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.hwnd, second) << "the window filter picks the second window";
    ASSERT_TRUE(PeekMessageA(&message, second, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT)) << "PM_REMOVE does not validate";
    DispatchMessageA(&message);
    EXPECT_FALSE(PeekMessageA(&message, second, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageQueue, NoRemoveLeavesPostedMessagesAndOutOfRangeOnesAreSkipped) {
    headless::postMessage(first, WM_TIMER, 7, 0);
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_LBUTTONDOWN, WM_MBUTTONDOWN, PM_REMOVE));
}

TEST_F(MessageQueue, MessagesOfADestroyedWindowAreDropped) {
    headless::postMessage(first, WM_TIMER, 0, 0);
    DestroyWindow(first);
    MSG message{};
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    message = MSG{first, WM_PAINT, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&message), 0) << "a stale window handle is ignored";
}

// PeekMessageA and DispatchMessageA: posted messages in order, WM_PAINT made last from the
// update regions, one per window, and filters by window and message range.
#include "PlatformTestSupport.h"

#include <atomic>
#include <chrono>
#include <thread>
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

namespace {

// What a window procedure saw of a message sent to it from another thread.
struct SentMessageSeen {
    std::thread::id runner;
    DWORD threadNumber = 0;
};

constexpr UINT askWhoRuns = WM_APP;
constexpr UINT destroyYourself = WM_APP + 1;
constexpr UINT holdTheThread = WM_APP + 2;
constexpr UINT readInside = WM_APP + 3;

// What the window's thread does: 0 stay outside the layer, 1 read messages inside a window
// procedure (as a drag's idle pump does), 2 run a procedure that reads none until released; 3
// end. `busy` is what it does now.
std::atomic<int> ownerTask{0};
std::atomic<int> ownerBusy{0};

LRESULT sentToProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == askWhoRuns) {
        auto* seen = reinterpret_cast<SentMessageSeen*>(lParam);
        seen->runner = std::this_thread::get_id();
        seen->threadNumber = GetCurrentThreadId();
        return 7;
    }
    if (message == destroyYourself) {
        return DestroyWindow(window);
    }
    if (message == holdTheThread || message == readInside) {
        int task = message == readInside ? 1 : 2;
        ownerBusy = task;
        MSG next{};
        while (ownerTask.load() == task) {
            if (task == 1) {
                PeekMessageA(&next, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ownerBusy = 0;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void waitUntilOwnerIs(int busy) {
    while (ownerBusy.load() != busy) {
        std::this_thread::yield();
    }
}

} // namespace

// The window's thread answers when it reads its messages; when it is outside the message
// functions (as a Linux host's thread is), the sender answers for it, as that thread; a thread
// busy in a procedure that reads nothing makes the sender give up after the time-out.
TEST_F(MessageQueue, MessagesSentFromAnotherThreadAreAnsweredByTheWindowsThreadOrForIt) {
    WNDCLASSA description{};
    description.lpfnWndProc = sentToProcedure;
    description.lpszClassName = "TestClassSent";
    RegisterClassA(&description);
    ownerTask = 0;
    std::atomic<HWND> window{nullptr};
    std::thread::id ownerId;
    DWORD ownerNumber = 0;
    std::thread owner([&] {
        ownerId = std::this_thread::get_id();
        ownerNumber = GetCurrentThreadId();
        window = CreateWindowExA(0, "TestClassSent", "", WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
        for (int task; (task = ownerTask.load()) != 3;) {
            if (task == 1 || task == 2) {
                SendMessageTimeoutA(window, task == 1 ? readInside : holdTheThread, 0, 0,
                                    SMTO_NORMAL, 1000, nullptr);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    while (!window.load()) {
        std::this_thread::yield();
    }
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), ownerNumber);
    EXPECT_NE(ownerNumber, GetCurrentThreadId());

    SentMessageSeen outside;
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, askWhoRuns, 0, reinterpret_cast<LPARAM>(&outside),
                                    SMTO_NORMAL, 1000, &answer));
    EXPECT_EQ(answer, 7u);
    EXPECT_EQ(outside.runner, std::this_thread::get_id());
    EXPECT_EQ(outside.threadNumber, ownerNumber) << "answered as the window's thread";

    ownerTask = 1;
    waitUntilOwnerIs(1);
    SentMessageSeen reading;
    ASSERT_TRUE(SendMessageTimeoutA(window, askWhoRuns, 0, reinterpret_cast<LPARAM>(&reading),
                                    SMTO_NORMAL, 10000, &answer));
    EXPECT_EQ(reading.runner, ownerId);

    ownerTask = 2;
    waitUntilOwnerIs(2);
    SentMessageSeen held;
    EXPECT_FALSE(SendMessageTimeoutA(window, askWhoRuns, 0, reinterpret_cast<LPARAM>(&held),
                                     SMTO_NORMAL, 20, &answer));
    ownerTask = 0;
    waitUntilOwnerIs(0);
    EXPECT_TRUE(SendMessageTimeoutA(window, destroyYourself, 0, 0, SMTO_NORMAL, 1000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "destroyed as its own thread may";
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), 0u);
    EXPECT_EQ(held.threadNumber, 0u) << "the message given up on never came";
    ownerTask = 3;
    owner.join();
    UnregisterClassA("TestClassSent", nullptr);
}

// The editor bases: what the plain and the windowed editor answer, and the idle pump's
// timing on the virtual clock, across the counter's wrap too, its guard against the host
// calling back into idle, and its one paint message per pass.
#include "EditorTestSupport.h"

#include "gui/Frame.h"

using namespace editortest;

namespace {

// A windowed editor without controls that counts its updates.
class CountingEditor : public GuiEditor {
public:
    explicit CountingEditor(EffectBase* owner) : GuiEditor(owner) {}
    void update() override { updates++; }
    void attachFrame(HWND parent) { frame = new Frame(Rect(0, 0, 40, 30), parent, this); }
    void dropFrame() {
        delete frame;
        frame = nullptr;
    }
    int updates = 0;
};

// Windows of a class of this test that count the paint messages they receive.
int paintsReceived = 0;
LRESULT CALLBACK countingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        paintsReceived++;
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class IdlePumpTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        headless::setTickCount(startTick);
        pumped = new CountingEditor(effect); // replaces the effect's own editor
        paintsReceived = 0;
    }
    void TearDown() override {
        pumped->dropFrame();
        EditorTest::TearDown();
    }

    // Sets the clock to `tick`, runs one pass and says whether it did the work.
    bool passAt(DWORD tick) {
        headless::setTickCount(tick);
        int idlesBefore = HostRecorder::instance().count(audioMasterIdle);
        pumped->markForUpdate();
        int updatesBefore = pumped->updates;
        pumped->runIdlePump();
        bool worked = HostRecorder::instance().count(audioMasterIdle) > idlesBefore;
        EXPECT_EQ(worked, pumped->updates > updatesBefore) << "idle and host idle go together";
        return worked;
    }

    static constexpr DWORD startTick = 5000;
    CountingEditor* pumped = nullptr;
};

} // namespace

TEST(EditorBases, PlainAndWindowedEditorsAnswerAsTheirRolesSay) {
    EditorBase plain(nullptr);
    ERect* rect = reinterpret_cast<ERect*>(&plain);
    EXPECT_EQ(plain.getRect(&rect), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(plain.setKnobMode(2), 0);
    KeyCode key{};
    EXPECT_EQ(plain.onKeyDown(key), -1);
    EXPECT_FALSE(plain.onWheel(1.0f));
    EXPECT_EQ(plain.open(nullptr), 0);

    GuiEditor windowed(nullptr);
    EXPECT_EQ(windowed.getRect(&rect), 1);
    ERect* again = nullptr;
    windowed.getRect(&again);
    EXPECT_EQ(again, rect);
    EXPECT_EQ(windowed.setKnobMode(2), 1);
    EXPECT_EQ(knobMode.load(), 2);
    EXPECT_EQ(windowed.onKeyDown(key), -1) << "no frame";
    EXPECT_EQ(windowed.onKeyUp(key), -1);
    EXPECT_FALSE(windowed.onWheel(1.0f));
    windowed.redraw(0);
}

TEST_F(IdlePumpTest, OpenMarksForOneUpdateAndIdleRunsItOnce) {
    pumped->idle();
    pumped->updates = 0;
    EXPECT_EQ(pumped->open(host), 0);
    EXPECT_TRUE(pumped->isUpdatePending());
    pumped->idle();
    pumped->idle();
    EXPECT_EQ(pumped->updates, 1);
    pumped->setParameter(40, 0.5f);
    pumped->idle();
    EXPECT_EQ(pumped->updates, 2);
}

TEST_F(IdlePumpTest, KeysAndWheelGoToTheFrameWithItsAnswer) {
    pumped->attachFrame(host);
    KeyCode key{};
    EXPECT_EQ(pumped->onKeyDown(key), -1) << "the empty frame's own answer";
    EXPECT_FALSE(pumped->onWheel(1.0f));
}

TEST_F(IdlePumpTest, WorksAboutEveryFiftyMillisecondsWhileCalledBackToBack) {
    ASSERT_TRUE(passAt(startTick)) << "the first pass after construction works at once";
    const DWORD T = startTick;
    EXPECT_EQ(pumped->getNextIdleTime(), T + 100);
    EXPECT_FALSE(passAt(T + 10));
    EXPECT_EQ(GetTickCount(), T + 14) << "slept 4 ms";
    EXPECT_FALSE(passAt(T + 45));
    EXPECT_EQ(pumped->getNextIdleTime(), T + 100);
    EXPECT_TRUE(passAt(T + 46));
    EXPECT_EQ(pumped->getNextIdleTime(), T + 150);

    const DWORD U = T + 46 + 4; // the `now` of that pass
    EXPECT_TRUE(passAt(U + 47));
    EXPECT_EQ(pumped->getNextIdleTime(), U + 151);

    const DWORD V = U + 51;
    EXPECT_TRUE(passAt(V + 100));
    EXPECT_EQ(GetTickCount(), V + 100) << "no sleep when due";
    EXPECT_EQ(pumped->getNextIdleTime(), V + 200);
}

TEST_F(IdlePumpTest, KeepsItsTimingAcrossTheCounterWrap) {
    const DWORD T = 0xFFFFFFF0u;
    headless::setTickCount(T);
    pumped = new CountingEditor(effect); // made 16 ms before the wrap
    ASSERT_TRUE(passAt(T));
    EXPECT_EQ(pumped->getNextIdleTime(), T + 100); // 0x54 after the wrap
    EXPECT_FALSE(passAt(T + 10)) << "still 90 ms to go, though the tick is numerically larger";
    EXPECT_FALSE(passAt(T + 20)) << "just after the wrap";
    EXPECT_TRUE(passAt(T + 46));
    EXPECT_EQ(pumped->getNextIdleTime(), T + 150);
    EXPECT_TRUE(passAt(T + 400));
    EXPECT_EQ(GetTickCount(), T + 400) << "no sleep when due";
}

TEST_F(IdlePumpTest, HostCallingIdleFromThePumpsHostIdleFindsItReturningAtOnce) {
    pumped->attachFrame(host);
    bool pendingInside = false;
    int updatesInside = -1;
    HostRecorder::instance().onHostIdle = [&] {
        pumped->markForUpdate();
        int updatesBefore = pumped->updates;
        dispatch(effEditIdle);
        pendingInside = pumped->isUpdatePending();
        updatesInside = pumped->updates - updatesBefore;
    };
    pumped->runIdlePump();
    EXPECT_TRUE(pendingInside);
    EXPECT_EQ(updatesInside, 0);
    HostRecorder::instance().onHostIdle = nullptr;
    pumped->idle();
    EXPECT_FALSE(pumped->isUpdatePending()) << "outside the pump, idle works again";
}

TEST_F(IdlePumpTest, OnePassDispatchesExactlyOnePaintMessage) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = countingProcedure;
    windowClass.lpszClassName = "EditorPumpCounting";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND first = CreateWindowExA(0, "EditorPumpCounting", "", WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
    HWND second = CreateWindowExA(0, "EditorPumpCounting", "", WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    headless::postMessage(first, WM_TIMER, 1, 0);
    pumped->runIdlePump();
    EXPECT_EQ(paintsReceived, 1);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    DestroyWindow(first);
    DestroyWindow(second);
    UnregisterClassA("EditorPumpCounting", nullptr);
    // Drain whatever is left so later tests start with an empty queue.
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

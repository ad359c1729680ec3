// The frame: its window and window class, painting and idle redraw, routing of clicks, keys,
// wheel and drops, and the view list.
#include "GuiTestSupport.h"

#include "effect/EffectBase.h"
#include "gui/Bitmap.h"
#include "gui/SystemFeatures.h"

#include <cstdint>
#include <cstdio>
#include <regex>

using namespace guitest;

namespace {

LPARAM clickAt(int x, int y) {
    return static_cast<LPARAM>((y << 16) | x);
}

class FrameTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
        ASSERT_NE(frame->getWindow(), nullptr);
    }
    void TearDown() override {
        delete frame;
        HeadlessTest::TearDown();
    }

    ProbeView* addProbe(const Rect& size, const std::string& name) {
        auto* view = new ProbeView(size, &log, name);
        EXPECT_TRUE(frame->addView(view));
        log.clear(); // attaching is checked on its own
        return view;
    }
    void click(int x, int y) {
        headless::setKeyDown(VK_LBUTTON, true);
        headless::postMessage(frame->getWindow(), WM_LBUTTONDOWN, 1, clickAt(x, y));
        dispatchPendingMessages();
        headless::setKeyDown(VK_LBUTTON, false);
    }
    void setCursorInFrame(int x, int y) {
        headless::setCursorPos(hostScreenX + x, hostScreenY + y);
    }

    RecordingEditor editor;
    Frame* frame = nullptr;
    std::vector<std::string> log;
};

using Events = std::vector<std::string>;

} // namespace

TEST_F(FrameTest, ChildWindowCoversTheFrameInsideTheHost) {
    RECT area;
    ASSERT_TRUE(GetWindowRect(frame->getWindow(), &area));
    EXPECT_EQ(area.left, hostScreenX);
    EXPECT_EQ(area.top, hostScreenY);
    EXPECT_EQ(area.right - area.left, 562);
    EXPECT_EQ(area.bottom - area.top, 200);
    EXPECT_EQ(frame->getParentWindow(), host);
    EXPECT_TRUE(frame->isWindowOpen());
    EXPECT_TRUE(frame->isDropActive()); // its drop target is registered
}

TEST_F(FrameTest, ClicksReachTheTopmostMouseEnabledViewEdgesIncluded) {
    ProbeView* lower = addProbe(Rect(10, 10, 50, 50), "lower");
    ProbeView* upper = addProbe(Rect(30, 30, 70, 70), "upper");
    click(40, 40);
    click(70, 70);
    EXPECT_EQ(upper->lastWhere.h, 70);
    click(71, 70);
    upper->setMouseEnabled(false);
    click(40, 40);
    click(10, 50);
    EXPECT_EQ(log, (Events{"upper mouse", "upper mouse", "lower mouse", "lower mouse"}));
    (void)lower;
}

TEST_F(FrameTest, ClickWithoutADeviceContextReachesNoView) {
    addProbe(Rect(0, 0, 100, 100), "view");
    headless::failGdiObjectCreations(1);
    click(5, 5);
    EXPECT_TRUE(log.empty());
}

TEST_F(FrameTest, ClickTakesTheFocusAwayBeforeItIsDispatched) {
    ProbeView* focused = addProbe(Rect(0, 0, 10, 10), "focused");
    addProbe(Rect(20, 20, 30, 30), "clicked");
    frame->setFocusView(focused);
    click(25, 25);
    EXPECT_EQ(log, (Events{"focused focuslost", "clicked mouse"}));
    EXPECT_EQ(frame->getFocusView(), nullptr);
}

TEST_F(FrameTest, NewFocusTellsThePreviousOneEvenWhenItIsTheSame) {
    ProbeView* first = addProbe(Rect(0, 0, 10, 10), "first");
    frame->setFocusView(first);
    frame->setFocusView(first);
    frame->setFocusView(nullptr);
    EXPECT_EQ(log, (Events{"first focuslost", "first focuslost"}));
}

TEST_F(FrameTest, KeysGoToTheFocusFirstThenFromTheLastViewToTheFirst) {
    ProbeView* bottom = addProbe(Rect(0, 0, 10, 10), "bottom");
    ProbeView* top = addProbe(Rect(0, 0, 10, 10), "top");
    VstKeyCode key{0, VKEY_UP, 0};
    EXPECT_EQ(frame->onKeyDown(key), -1);
    EXPECT_EQ(log, (Events{"top keydown", "bottom keydown"}));

    log.clear();
    bottom->keyAnswer = 1;
    frame->setFocusView(bottom);
    EXPECT_EQ(frame->onKeyUp(key), 1);
    EXPECT_EQ(log, (Events{"bottom keyup"}));

    log.clear();
    bottom->keyAnswer = -1;
    top->keyAnswer = 7;
    EXPECT_EQ(frame->onKeyDown(key), 7);
    EXPECT_EQ(log, (Events{"bottom keydown", "top keydown"}));
}

TEST_F(FrameTest, WheelGoesToTheViewUnderTheCursorWhateverPointIsGiven) {
    addProbe(Rect(10, 10, 50, 50), "lower");
    ProbeView* upper = addProbe(Rect(30, 30, 70, 70), "upper");
    upper->wheelAnswer = true;
    upper->setMouseEnabled(false); // the wheel does not ask
    setCursorInFrame(35, 40);
    EXPECT_TRUE(frame->onWheel(nullptr, Point(0, 0), 2.5f));
    EXPECT_EQ(upper->lastWhere.h, 35);
    EXPECT_EQ(upper->lastWhere.v, 40);
    EXPECT_EQ(upper->lastDistance, 2.5f);
    setCursorInFrame(10, 10);
    EXPECT_FALSE(frame->onWheel(nullptr, Point(40, 40), 1.0f));
    setCursorInFrame(200, 150);
    EXPECT_FALSE(frame->onWheel(nullptr, Point(40, 40), 1.0f));
    EXPECT_EQ(log, (Events{"upper wheel", "lower wheel"}));
    EXPECT_EQ(frame->viewUnderCursor(), nullptr);
}

TEST_F(FrameTest, DropsAreRefusedWhileAViewHasTheFocus) {
    ProbeView* lower = addProbe(Rect(10, 10, 50, 50), "lower");
    ProbeView* upper = addProbe(Rect(30, 30, 70, 70), "upper");
    lower->dropAnswer = true;
    frame->setFocusView(upper);
    log.clear();
    EXPECT_FALSE(frame->onDrop(nullptr, 0, dropKindFiles, Point(40, 40)));
    EXPECT_TRUE(log.empty());

    frame->setFocusView(nullptr);
    log.clear();
    EXPECT_TRUE(frame->onDrop(nullptr, 0, dropKindFiles, Point(50, 50)));
    EXPECT_EQ(log, (Events{"upper drop", "lower drop"}));

    log.clear();
    lower->setMouseEnabled(false);
    EXPECT_FALSE(frame->onDrop(nullptr, 0, dropKindText, Point(40, 40)));
    EXPECT_EQ(log, (Events{"upper drop"}));
}

TEST_F(FrameTest, ViewListGrowsByTwentyAndKeepsItsOrder) {
    std::vector<ProbeView*> added;
    for (int index = 0; index < 21; index++) {
        added.push_back(addProbe(Rect(index, 0, index + 1, 1), std::to_string(index)));
    }
    EXPECT_EQ(frame->getViewCount(), 21);
    EXPECT_EQ(frame->getViewCapacity(), 40);
    for (int index = 0; index < 21; index++) {
        EXPECT_EQ(frame->getView(index), added[static_cast<std::size_t>(index)]);
        EXPECT_EQ(added[static_cast<std::size_t>(index)]->getFrame(), frame);
    }
    EXPECT_EQ(frame->getView(-1), nullptr);
    EXPECT_EQ(frame->getView(21), nullptr);
    EXPECT_EQ(added[20]->getReferenceCount(), 1); // the frame took no reference of its own
}

TEST_F(FrameTest, RemovingClosesTheGapAndReleasesOnRequest) {
    bool destroyed = false;
    ProbeView* first = addProbe(Rect(0, 0, 1, 1), "first");
    ProbeView* middle = addProbe(Rect(0, 0, 1, 1), "middle");
    ProbeView* last = addProbe(Rect(0, 0, 1, 1), "last");
    middle->destroyedFlag = &destroyed;
    ProbeView stranger(Rect(0, 0, 1, 1));
    EXPECT_TRUE(frame->removeView(&stranger, true));
    EXPECT_EQ(stranger.getReferenceCount(), 1);
    EXPECT_EQ(frame->getViewCount(), 3);

    EXPECT_TRUE(frame->removeView(middle, true));
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(frame->getViewCount(), 2);
    EXPECT_EQ(frame->getView(0), first);
    EXPECT_EQ(frame->getView(1), last);
    EXPECT_FALSE(frame->containsView(middle));

    // Removed without release, the view is the caller's again.
    EXPECT_TRUE(frame->removeView(first, false));
    EXPECT_EQ(first->getReferenceCount(), 1);
    first->release();
    EXPECT_EQ(log.back(), "first removed");
}

TEST_F(FrameTest, RemovingTheFocusViewLeavesNoFocusBehind) {
    ProbeView* focused = addProbe(Rect(0, 0, 10, 10), "focused");
    frame->setFocusView(focused);
    frame->removeView(focused, true);
    EXPECT_EQ(frame->getFocusView(), nullptr);
    click(5, 5); // would tell the destroyed view it lost the focus
    EXPECT_EQ(log.back(), "focused removed");
}

TEST_F(FrameTest, RemoveAllTakesTheFocusAndRemovesInOrder) {
    ProbeView* first = addProbe(Rect(0, 0, 1, 1), "first");
    addProbe(Rect(0, 0, 1, 1), "second");
    frame->setFocusView(first);
    log.clear();
    EXPECT_TRUE(frame->removeAllViews(true));
    EXPECT_EQ(log, (Events{"first focuslost", "first removed", "second removed"}));
    EXPECT_EQ(frame->getViewCount(), 0);
    EXPECT_EQ(frame->getViewCapacity(), 0);
}

TEST_F(FrameTest, PaintDrawsTheBackgroundPartAndTheViewsItReaches) {
    auto* background = new Bitmap(gradientBitmapId);
    frame->setBackground(background);
    background->release();
    EXPECT_EQ(background->getReferenceCount(), 1);
    ProbeView* inside = addProbe(Rect(0, 0, 10, 10), "inside");
    ProbeView* touching = addProbe(Rect(12, 6, 30, 30), "touching");
    ProbeView* outside = addProbe(Rect(40, 40, 60, 60), "outside");
    paintWindow(frame->getWindow()); // the new window's own first paint
    inside->draws = touching->draws = outside->draws = 0;
    RECT update{2, 2, 12, 6};
    InvalidateRect(frame->getWindow(), &update, TRUE);
    dispatchPendingMessages();
    EXPECT_EQ(inside->draws, 1);
    EXPECT_EQ(touching->draws, 1);
    EXPECT_EQ(outside->draws, 0);
    Image image = headless::captureWindow(frame->getWindow(), false);
    EXPECT_EQ(image.at(2, 2), gradientPixel(2, 2));
    EXPECT_EQ(image.at(11, 5), gradientPixel(11, 5));

    frame->drawView(nullptr);
    EXPECT_EQ(outside->draws, 1);
    image = headless::captureWindow(frame->getWindow(), false);
    EXPECT_EQ(image.at(19, 9), gradientPixel(19, 9));
}

TEST_F(FrameTest, DrawViewDrawsOneChildOrTheWholeFrameForAStranger) {
    ProbeView* first = addProbe(Rect(0, 0, 10, 10), "first");
    ProbeView* second = addProbe(Rect(0, 0, 10, 10), "second");
    frame->drawView(second);
    EXPECT_EQ(first->draws, 0);
    EXPECT_EQ(second->draws, 1);
    ProbeView stranger(Rect(0, 0, 1, 1));
    frame->drawView(&stranger);
    EXPECT_EQ(stranger.draws, 0);
    EXPECT_EQ(first->draws, 1);
    EXPECT_EQ(second->draws, 2);
}

TEST_F(FrameTest, IdleRedrawsOnlyDirtyViewsAndOnlyBetweenFirstPaintAndDestruction) {
    ProbeView* dirtyView = addProbe(Rect(0, 0, 10, 10), "dirty");
    ProbeView* cleanView = addProbe(Rect(20, 0, 30, 10), "clean");
    dirtyView->setDirty(true);
    frame->idle();
    EXPECT_EQ(dirtyView->draws, 0);

    paintWindow(frame->getWindow());
    EXPECT_EQ(dirtyView->draws, 1);
    EXPECT_EQ(cleanView->draws, 1);
    dirtyView->setDirty(true);
    frame->idle();
    EXPECT_EQ(dirtyView->draws, 2);
    EXPECT_EQ(cleanView->draws, 1);
    std::size_t objects = headless::liveGdiObjectCount();
    frame->idle(); // nothing dirty: nothing made
    EXPECT_EQ(headless::liveGdiObjectCount(), objects);

    DestroyWindow(host); // the host takes its window away, and the frame's with it
    dispatchPendingMessages();
    EXPECT_FALSE(frame->isWindowOpen());
    EXPECT_EQ(frame->getParentWindow(), nullptr);
    dirtyView->setDirty(true);
    frame->idle();
    frame->drawView(nullptr);
    EXPECT_EQ(dirtyView->draws, 2);
}

TEST_F(FrameTest, DirtyFrameRedrawsEverythingAtIdle) {
    ProbeView* view = addProbe(Rect(0, 0, 10, 10), "view");
    paintWindow(frame->getWindow());
    frame->setDirty(true);
    frame->idle();
    EXPECT_EQ(view->draws, 2);
    EXPECT_FALSE(frame->isDirty());
}

TEST_F(FrameTest, EditGesturesAndIdlePumpReachTheEditor) {
    frame->beginEdit(5);
    EXPECT_TRUE(frame->endEdit(5));
    frame->pumpIdle();
    EXPECT_EQ(editor.events, (Events{"begin 5", "end 5"}));
    EXPECT_EQ(editor.pumps, 1);
    EXPECT_EQ(frame->getEditor(), &editor);
    auto* view = addProbe(Rect(0, 0, 1, 1), "view");
    EXPECT_EQ(view->getEditor(), &editor);

    Frame editorless(Rect(0, 0, 10, 10), nullptr, nullptr);
    editorless.beginEdit(1);
    EXPECT_FALSE(editorless.endEdit(1));
    editorless.pumpIdle();
}

TEST_F(FrameTest, DestructionReleasesViewsAndBackgroundAndGivesBackItsObjects) {
    delete frame;
    frame = nullptr;
    std::size_t objects = headless::liveGdiObjectCount();
    bool destroyed = false;
    frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
    auto* background = new Bitmap(gradientBitmapId);
    frame->setBackground(background);
    addProbe(Rect(0, 0, 1, 1), "view")->destroyedFlag = &destroyed;
    background->retain();
    paintWindow(frame->getWindow());
    delete frame;
    frame = nullptr;
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(background->getReferenceCount(), 2);
    background->release();
    background->release();
    EXPECT_EQ(headless::liveGdiObjectCount(), objects);
    frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
}

TEST_F(FrameTest, WindowClassIsRegisteredOnceAndGivenBackWithTheLastFrame) {
    std::size_t classesBefore = headless::registeredClassCount();
    EXPECT_EQ(Frame::windowClassRegistrations(), 1);
    auto* second = new Frame(Rect(0, 0, 100, 100), host, &editor);
    EXPECT_EQ(Frame::windowClassRegistrations(), 2);
    EXPECT_EQ(headless::registeredClassCount(), classesBefore);
    delete frame;
    frame = nullptr;
    EXPECT_EQ(headless::registeredClassCount(), classesBefore);
    delete second;
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
    EXPECT_EQ(headless::registeredClassCount(), classesBefore - 1);
    frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
    EXPECT_EQ(headless::registeredClassCount(), classesBefore);
}

TEST_F(FrameTest, WindowClassNameIsPluginAndEightLowerCaseHexDigits) {
    std::string name = Frame::windowClassName();
    EXPECT_TRUE(std::regex_match(name, std::regex("Plugin[0-9a-f]{8}"))) << name;
    char expected[32];
    std::snprintf(expected, sizeof expected, "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(moduleInstance)));
    EXPECT_EQ(name, expected);
}

TEST_F(FrameTest, FrameWithoutParentHasNoWindowAndDrawsNothing) {
    Frame windowless(Rect(0, 0, 100, 100), nullptr, &editor);
    EXPECT_EQ(windowless.getWindow(), nullptr);
    EXPECT_EQ(Frame::windowClassRegistrations(), 1); // only the fixture's frame
    EXPECT_FALSE(windowless.setDropEnabled(true));
    EXPECT_TRUE(windowless.setDropEnabled(false));
    auto* view = new ProbeView(Rect(0, 0, 10, 10));
    windowless.addView(view);
    view->setDirty(true);
    windowless.drawView(nullptr);
    windowless.idle();
    EXPECT_EQ(view->draws, 0);
}

TEST_F(FrameTest, TransparentBltIsTakenOnlyOnSystemsOfTheNtFamily) {
    EXPECT_NE(transparentBltEntry, nullptr);
    delete frame;
    frame = nullptr;
    EXPECT_EQ(transparentBltEntry, nullptr); // the library is let go with the last frame

    headless::setPlatformId(1);
    frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
    EXPECT_EQ(transparentBltEntry, nullptr);
    delete frame;

    headless::setPlatformId(VER_PLATFORM_WIN32_NT);
    headless::setLibraryAvailable("msimg32.dll", false);
    frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
    EXPECT_EQ(transparentBltEntry, nullptr);
    headless::setLibraryAvailable("msimg32.dll", true);
}

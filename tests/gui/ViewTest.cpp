// The view base: geometry with its inclusive edges, the dirty flag and reference counting.
#include "GuiTestSupport.h"

using namespace guitest;

namespace {

// A view whose count can be driven to 0 without destroying it.
class CountedView : public View {
public:
    CountedView() : View(Rect(0, 0, 1, 1)) {}
    void zeroCount() { refCount = 0; }
};

} // namespace

TEST(ViewBase, StartsCleanMouseEnabledOpaqueWithOneReference) {
    ProbeView view(Rect(10, 20, 30, 40));
    EXPECT_FALSE(view.isDirty());
    EXPECT_TRUE(view.isMouseEnabled());
    EXPECT_FALSE(view.isTransparent());
    EXPECT_EQ(view.getReferenceCount(), 1);
    Rect area;
    EXPECT_EQ(view.getMouseArea(area).right, 30);
    EXPECT_EQ(area.left, 10);
    EXPECT_EQ(area.top, 20);
    EXPECT_EQ(area.bottom, 40);
    EXPECT_EQ(view.getEditor(), nullptr);
}

TEST(ViewBase, ResizingMarksDirtyAndUpdateDrawsOnce) {
    ProbeView view(Rect(0, 0, 10, 10));
    view.update(nullptr);
    EXPECT_EQ(view.draws, 0);
    view.setViewSize(Rect(5, 5, 6, 6));
    EXPECT_TRUE(view.isDirty());
    view.update(nullptr);
    view.update(nullptr);
    EXPECT_EQ(view.draws, 1);
    EXPECT_FALSE(view.isDirty());
    Rect size;
    EXPECT_EQ(view.getViewSize(size).left, 5);
    // The mouse area is only stored; hit testing follows the size.
    view.setMouseArea(Rect(100, 100, 200, 200));
    EXPECT_FALSE(view.hitTest(Point(150, 150), 0));
    EXPECT_TRUE(view.hitTest(Point(6, 6), 0));
}

TEST(ViewBase, OverlapsCountTouchingEdgesOnEverySide) {
    ProbeView view(Rect(10, 10, 20, 20));
    EXPECT_TRUE(view.overlaps(Rect(0, 0, 10, 10)));
    EXPECT_TRUE(view.overlaps(Rect(20, 20, 30, 30)));
    EXPECT_TRUE(view.overlaps(Rect(0, 15, 10, 16)));
    EXPECT_TRUE(view.overlaps(Rect(15, 0, 16, 10)));
    EXPECT_FALSE(view.overlaps(Rect(0, 0, 9, 30)));
    EXPECT_FALSE(view.overlaps(Rect(21, 0, 30, 30)));
    EXPECT_FALSE(view.overlaps(Rect(0, 0, 30, 9)));
    EXPECT_FALSE(view.overlaps(Rect(0, 21, 30, 30)));
    ProbeView apart(Rect(11, 11, 20, 20));
    EXPECT_FALSE(apart.overlaps(Rect(0, 0, 10, 10)));
}

TEST(ViewBase, HitTestIncludesAllFourEdges) {
    ProbeView view(Rect(10, 10, 20, 20));
    EXPECT_TRUE(view.hitTest(Point(20, 20), 0));
    EXPECT_TRUE(view.hitTest(Point(10, 10), 0));
    EXPECT_FALSE(view.hitTest(Point(21, 20), 0));
    EXPECT_FALSE(view.hitTest(Point(20, 21), 0));
    EXPECT_FALSE(view.hitTest(Point(9, 15), 0));
    EXPECT_FALSE(view.hitTest(Point(15, 9), 0));
}

TEST(ViewBase, LastReleaseDestroysAndReleaseAtZeroDoesNothing) {
    bool destroyed = false;
    auto* view = new ProbeView(Rect(0, 0, 1, 1));
    view->destroyedFlag = &destroyed;
    view->retain();
    view->release();
    EXPECT_FALSE(destroyed);
    view->release();
    EXPECT_TRUE(destroyed);

    CountedView spent;
    spent.zeroCount();
    spent.release();
    EXPECT_EQ(spent.getReferenceCount(), 0);
}

TEST(ViewBase, BaseHandlersDeclineEveryEvent) {
    CountedView view;
    VstKeyCode key{0, VKEY_UP, 0};
    EXPECT_EQ(view.onKeyDown(key), -1);
    EXPECT_EQ(view.onKeyUp(key), -1);
    EXPECT_FALSE(view.onDrop(nullptr, 0, dropKindFiles, Point(0, 0)));
    EXPECT_FALSE(view.onWheel(nullptr, Point(0, 0), 1.0f));
    EXPECT_EQ(view.notify(nullptr, nullptr), 0);
    EXPECT_TRUE(view.onAttached(nullptr));
    EXPECT_TRUE(view.onRemoved(nullptr));
    view.setDirty(true);
    view.draw(nullptr);
    EXPECT_FALSE(view.isDirty());
}

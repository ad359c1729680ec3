#include "gui/View.h"

#include "gui/Frame.h"
#include "gui/ReferenceCount.h"

View::View(const Rect& viewSize) : size(viewSize), mouseArea(viewSize) {}

View::~View() = default;

void View::draw(DrawContext* /*context*/) {
    setDirty(false);
}

void View::drawUpdateRect(DrawContext* context, const Rect& /*updateRect*/) {
    draw(context);
}

// Both rectangles include their right and bottom edges, so rectangles touching along an
// edge overlap.
bool View::overlaps(const Rect& rect) {
    if (rect.right < size.left) {
        return false;
    }
    if (rect.left > size.right) {
        return false;
    }
    if (rect.bottom < size.top) {
        return false;
    }
    return rect.top <= size.bottom;
}

void View::onMouseDown(DrawContext* /*context*/, Point /*where*/) {}

// Through the virtual table, so a control whose dirty rule also compares values redraws
// when either says so.
void View::update(DrawContext* context) {
    if (isDirty()) {
        draw(context);
        setDirty(false);
    }
}

View::int32 View::notify(void* /*sender*/, void* /*message*/) {
    return 0;
}

View::int32 View::onKeyDown(VstKeyCode& /*key*/) {
    return keyNotHandled;
}

View::int32 View::onKeyUp(VstKeyCode& /*key*/) {
    return keyNotHandled;
}

bool View::onDrop(void** /*items*/, int32 /*count*/, int32 /*kind*/, Point /*where*/) {
    return false;
}

bool View::onWheel(DrawContext* /*context*/, Point /*where*/, float /*distance*/) {
    return false;
}

void View::onFocusLost(DrawContext* /*context*/) {}

void View::onFocusTaken(DrawContext* /*context*/) {}

bool View::isDirty() {
    return dirty;
}

void View::setDirty(bool state) {
    dirty = state;
}

void View::setMouseEnabled(bool state) {
    mouseEnabled = state;
}

bool View::isMouseEnabled() {
    return mouseEnabled;
}

void View::setMouseArea(const Rect& rect) {
    mouseArea = rect;
}

Rect& View::getMouseArea(Rect& rect) {
    rect = mouseArea;
    return rect;
}

// The size, not the mouse area, decides; all four edges count as inside.
bool View::hitTest(Point where, int32 /*buttons*/) {
    return size.containsWithEdges(where);
}

void View::setTransparent(bool state) {
    transparent = state;
}

bool View::isTransparent() {
    return transparent;
}

void View::setViewSize(const Rect& rect) {
    size = rect;
    setDirty(true);
}

Rect& View::getViewSize(Rect& rect) {
    rect = size;
    return rect;
}

void View::setParentView(View* parent) {
    parentView = parent;
}

void View::setFrame(Frame* owningFrame) {
    frame = owningFrame;
}

FrameEditor* View::getEditor() {
    return frame ? frame->getEditor() : nullptr;
}

bool View::onRemoved(View* /*parent*/) {
    return true;
}

bool View::onAttached(View* /*parent*/) {
    return true;
}

void View::release() {
    if (releaseReference(refCount)) {
        delete this;
    }
}

void View::retain() {
    refCount.fetch_add(1);
}

View::int32 View::getReferenceCount() {
    return refCount;
}

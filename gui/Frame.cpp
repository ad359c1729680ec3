#include "gui/Frame.h"

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/FrameEditor.h"

#include <chrono>
#include <new>
#include <thread>

namespace {

// The view list grows by this many entries whenever it is full.
constexpr Frame::int32 viewListGrowth = 20;

} // namespace

Frame::Frame(const Rect& frameSize, HWND parent, FrameEditor* owningEditor)
    : View(frameSize), editor(owningEditor), parentWindow(parent) {
    findTransparentBlt();
    createWindow(parentWindow);
}

// Runs on the window's thread whenever the frame has a window still (release sees to it).
Frame::~Frame() {
    releaseWindowResources();
    removeAllViews(true);
    if (background) {
        background->release();
        background = nullptr;
    }
    releaseTransparentBlt();
    if (window) {
        // A window the host already destroyed (WM_DESTROY came) is not touched again; the
        // class registration it held is still given back.
        if (windowOpen) {
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            dropPendingHandOvers();
            DestroyWindow(window);
        }
        window = nullptr;
        unregisterWindowClass();
    }
    if (handOver) {
        handOver->frameEnded();
    }
}

// ---- drawing ----

void Frame::draw(DrawContext* context) {
    firstDraw = false;
    if (background) {
        background->draw(context, Rect(0, 0, background->getWidth(), background->getHeight()),
                         Point(0, 0));
    }
    for (int32 index = 0; index < viewCount; index++) {
        views[index]->draw(context);
    }
}

// Only the views the update rectangle reaches are drawn, over only that part of the
// background, which lies at the window's origin.
void Frame::drawUpdateRect(DrawContext* context, const Rect& updateRect) {
    firstDraw = false;
    if (background) {
        background->draw(context, updateRect, Point(updateRect.left, updateRect.top));
    }
    for (int32 index = 0; index < viewCount; index++) {
        if (views[index]->overlaps(updateRect)) {
            views[index]->drawUpdateRect(context, updateRect);
        }
    }
}

void Frame::update(DrawContext* context) {
    if (!windowOpen.load() || closed.load()) {
        return;
    }
    if (isDirty()) {
        draw(context);
        setDirty(false);
        return;
    }
    for (int32 index = 0; index < viewCount; index++) {
        views[index]->update(context);
    }
}

bool Frame::anyViewDirty() {
    if (isDirty()) {
        return true;
    }
    for (int32 index = 0; index < viewCount; index++) {
        if (views[index]->isDirty()) {
            return true;
        }
    }
    return false;
}

DrawContext* Frame::makeTemporaryContext(HDC& deviceContext) {
    deviceContext = GetDC(window);
    if (!deviceContext) {
        return nullptr;
    }
    DrawContext* context = new (std::nothrow) DrawContext(this, deviceContext, window);
    if (!context) {
        ReleaseDC(window, deviceContext);
        deviceContext = nullptr;
    }
    return context;
}

void Frame::deleteTemporaryContext(DrawContext* context, HDC deviceContext) {
    delete context;
    if (deviceContext) {
        ReleaseDC(window, deviceContext);
    }
}

// Without a live window there is nothing to draw on, so nothing is drawn.
void Frame::drawView(View* view) {
    if (!window || !windowOpen || closed) {
        return;
    }
    HDC deviceContext = nullptr;
    DrawContext* context = makeTemporaryContext(deviceContext);
    if (!context) {
        return;
    }
    if (view && containsView(view)) {
        view->draw(context);
    } else {
        draw(context);
    }
    deleteTemporaryContext(context, deviceContext);
}

// Nothing at all (not even a device context) unless a view changed since the first paint.
void Frame::idle() {
    if (!windowOpen || closed || firstDraw || !window || !anyViewDirty()) {
        return;
    }
    HDC deviceContext = nullptr;
    DrawContext* context = makeTemporaryContext(deviceContext);
    if (!context) {
        return;
    }
    retain();
    update(context);
    deleteTemporaryContext(context, deviceContext);
    release();
}

void Frame::setBackground(Bitmap* bitmap) {
    if (background) {
        background->release();
    }
    background = bitmap;
    if (background) {
        background->retain();
    }
}

// ---- input ----

// Views added later lie on top, so they are asked first; a view that refuses the mouse lets
// the click through to the views below it.
// The drag that may follow can reach the host, which may close the editor meanwhile; the frame
// holds itself until the view is done.
void Frame::onMouseDown(DrawContext* context, Point where) {
    if (closed) {
        return;
    }
    if (focusView) {
        focusView->onFocusLost(nullptr);
        focusView = nullptr;
    }
    int32 buttons = context ? context->getMouseButtons() : -1;
    for (int32 index = viewCount - 1; index >= 0; index--) {
        View* view = views[index];
        if (view->isMouseEnabled() && view->hitTest(where, buttons)) {
            retain();
            view->onMouseDown(context, where);
            release();
            return;
        }
    }
}

// A view's key handling may reach the host, which may close the editor; a closed frame asks
// no further view.
Frame::int32 Frame::dispatchKey(VstKeyCode& key, bool down) {
    if (focusView) {
        int32 answer = down ? focusView->onKeyDown(key) : focusView->onKeyUp(key);
        if (answer != keyNotHandled || closed) {
            return answer;
        }
    }
    for (int32 index = viewCount - 1; index >= 0; index--) {
        int32 answer = down ? views[index]->onKeyDown(key) : views[index]->onKeyUp(key);
        if (answer != keyNotHandled || closed) {
            return answer;
        }
    }
    return keyNotHandled;
}

Frame::int32 Frame::onKeyDown(VstKeyCode& key) {
    if (closed) {
        return keyNotHandled;
    }
    retain();
    int32 answer = dispatchKey(key, true);
    release();
    return answer;
}

Frame::int32 Frame::onKeyUp(VstKeyCode& key) {
    if (closed) {
        return keyNotHandled;
    }
    retain();
    int32 answer = dispatchKey(key, false);
    release();
    return answer;
}

// The wheel goes to the view under the cursor, wherever the caller thinks the mouse is.
// The view's listener may reach the host, which may close the editor; the frame holds itself
// until its temporary context is given back.
bool Frame::onWheel(DrawContext* context, Point /*where*/, float distance) {
    if (closed) {
        return false;
    }
    View* view = viewUnderCursor();
    if (!view) {
        return false;
    }
    retain();
    HDC deviceContext = nullptr;
    DrawContext* temporaryContext = nullptr;
    if (!context && window && windowOpen) {
        temporaryContext = makeTemporaryContext(deviceContext);
        context = temporaryContext;
    }
    Point cursor;
    getCursorLocation(cursor);
    bool result = view->onWheel(context, cursor, distance);
    if (temporaryContext) {
        deleteTemporaryContext(temporaryContext, deviceContext);
    }
    release();
    return result;
}

// A view in the middle of a drag holds the focus; nothing may be dropped until it lets go.
bool Frame::onDrop(void** items, int32 count, int32 kind, Point where) {
    if (focusView || closed) {
        return false;
    }
    for (int32 index = viewCount - 1; index >= 0; index--) {
        View* view = views[index];
        Rect viewSize;
        view->getViewSize(viewSize);
        if (view->isMouseEnabled() && viewSize.containsWithEdges(where) &&
            view->onDrop(items, count, kind, where)) {
            return true;
        }
    }
    return false;
}

View* Frame::viewUnderCursor() {
    Point cursor;
    getCursorLocation(cursor);
    for (int32 index = viewCount - 1; index >= 0; index--) {
        Rect viewSize;
        views[index]->getViewSize(viewSize);
        if (viewSize.containsWithEdges(cursor)) {
            return views[index];
        }
    }
    return nullptr;
}

bool Frame::getCursorLocation(Point& where) {
    POINT cursor;
    if (!GetCursorPos(&cursor)) {
        cursor.x = 0;
        cursor.y = 0;
    }
    where = Point(cursor.x, cursor.y);
    RECT windowRect;
    if (window && GetWindowRect(window, &windowRect)) {
        where.h -= windowRect.left;
        where.v -= windowRect.top;
    }
    return true;
}

void Frame::setFocusView(View* view) {
    View* previous = focusView;
    focusView = view;
    if (previous) {
        previous->onFocusLost(nullptr);
    }
}

// ---- the editor ----

Frame::EditorCall::EditorCall(Frame& frame) : caller(frame) {
    // Counted before `closed` is read: a close either finds this call counted and waits for
    // it, or has set `closed` first, which this call then finds.
    caller.editorCallsInside.fetch_add(1);
    permitted = !caller.closed.load();
}

Frame::EditorCall::~EditorCall() {
    caller.editorCallsInside.fetch_sub(1);
}

bool Frame::close() {
    closed.store(true);
    editor.store(nullptr);
    if (!window || GetCurrentThreadId() == windowThread) {
        return true; // a close from inside the frame's own calls finds them running, as it should
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(crossThreadWait);
    while (editorCallsInside.load() != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

FrameEditor* Frame::getEditor() {
    return editor.load();
}

void Frame::beginEdit(int32 index) {
    EditorCall call(*this);
    if (FrameEditor* current = editor.load(); call.allowed() && current) {
        current->beginEdit(index);
    }
}

bool Frame::endEdit(int32 index) {
    EditorCall call(*this);
    FrameEditor* current = editor.load();
    return call.allowed() && current ? current->endEdit(index) : false;
}

void Frame::pumpIdle() {
    EditorCall call(*this);
    if (FrameEditor* current = editor.load(); call.allowed() && current) {
        current->runIdlePump();
    }
}

// ---- the view list ----

Frame::int32 Frame::indexOf(View* view) {
    for (int32 index = 0; index < viewCount; index++) {
        if (views[index] == view) {
            return index;
        }
    }
    return -1;
}

bool Frame::addView(View* view) {
    if (!view) {
        return false;
    }
    if (viewCount == viewCapacity) {
        View** grown = new (std::nothrow) View*[viewCapacity + viewListGrowth];
        if (!grown) {
            return false;
        }
        for (int32 index = 0; index < viewCount; index++) {
            grown[index] = views[index];
        }
        delete[] views;
        views = grown;
        viewCapacity += viewListGrowth;
    }
    views[viewCount++] = view;
    view->setFrame(this);
    view->onAttached(this);
    return true;
}

// A view leaving the frame cannot keep the focus: the frame would otherwise call a view it no
// longer holds, perhaps one already destroyed by the release.
bool Frame::removeView(View* view, bool withRelease) {
    int32 index = indexOf(view);
    if (index < 0) {
        return true;
    }
    if (focusView == view) {
        focusView = nullptr;
        view->onFocusLost(nullptr);
    }
    view->onRemoved(this);
    if (withRelease) {
        view->release();
    }
    for (int32 later = index + 1; later < viewCount; later++) {
        views[later - 1] = views[later];
    }
    viewCount--;
    return true;
}

bool Frame::removeAllViews(bool withRelease) {
    if (focusView) {
        focusView->onFocusLost(nullptr);
        focusView = nullptr;
    }
    if (views) {
        for (int32 index = 0; index < viewCount; index++) {
            views[index]->onRemoved(this);
            if (withRelease) {
                views[index]->release();
            }
        }
        delete[] views;
        views = nullptr;
    }
    viewCount = 0;
    viewCapacity = 0;
    return true;
}

bool Frame::containsView(View* view) {
    return view && indexOf(view) >= 0;
}

Frame::int32 Frame::getViewCount() {
    return viewCount;
}

View* Frame::getView(int32 index) {
    return (index >= 0 && index < viewCount) ? views[index] : nullptr;
}

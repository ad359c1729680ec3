// The view at the root of the editor's picture. It owns a native child window inside the
// host's window, keeps the child views in drawing order over a background bitmap, paints,
// routes clicks, keys, wheel movement and drops to the right view, and redraws what changed
// when the editor's idle asks it to.
#pragma once

#include "gui/View.h"
#include "platform/win32.h"

class Bitmap;
class DropTarget;

class Frame : public View {
public:
    // Without a parent window the frame has no window: it draws nothing and gets no messages.
    Frame(const Rect& size, HWND parentWindow, FrameEditor* editor);
    ~Frame() override;

    void draw(DrawContext* context) override;
    void drawUpdateRect(DrawContext* context, const Rect& updateRect) override;
    void onMouseDown(DrawContext* context, Point where) override;
    void update(DrawContext* context) override;
    int32 onKeyDown(VstKeyCode& key) override;
    int32 onKeyUp(VstKeyCode& key) override;
    bool onDrop(void** items, int32 count, int32 kind, Point where) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;
    FrameEditor* getEditor() override;

    // Appends a view on top of the others; the caller's reference passes to the frame.
    virtual bool addView(View* view);
    virtual bool removeView(View* view, bool withRelease);
    virtual bool removeAllViews(bool withRelease);
    virtual bool containsView(View* view);
    virtual int32 getViewCount();
    virtual View* getView(int32 index);

    bool createWindow(HWND parent);
    // Registers the frame's drop target for its window (true) or revokes it (false). Drops
    // reach the views through onDrop; a frame whose target cannot be registered works
    // otherwise unchanged.
    bool setDropEnabled(bool enabled);
    // Redraws one child view now, or the whole frame for null or a view it does not hold.
    void drawView(View* view);
    // Redraws whatever became dirty, once the first paint has drawn the frame.
    void idle();
    bool anyViewDirty();
    void setBackground(Bitmap* bitmap);
    void beginEdit(int32 index);
    bool endEdit(int32 index);
    // The topmost view whose rectangle holds the cursor, whether or not it takes the mouse.
    View* viewUnderCursor();
    bool getCursorLocation(Point& where);
    void setFocusView(View* view);
    void pumpIdle();
    // The editor is done with the frame: from now on no editor is called, nothing is drawn
    // and no message or event reaches a view. The frame itself lives on while a handler that
    // retained it (a drag inside the window procedure, say) is still running, and dies when
    // the last reference is released.
    void close();
    bool isClosed() const { return closed; }

    HWND getWindow() const { return window; }
    HWND getParentWindow() const { return parentWindow; }
    Bitmap* getBackground() const { return background; }
    View* getFocusView() const { return focusView; }
    int32 getViewCapacity() const { return viewCapacity; }
    bool isWindowOpen() const { return windowOpen; }
    bool isDropActive() const { return dropActive; }
    // The registered drop target, or null.
    DropTarget* getDropTarget() const { return dropTarget; }

    // The process-wide window class: "Plugin" and the module instance in eight lower-case
    // hexadecimal digits, registered while any frame has a window.
    static const char* windowClassName();
    static int32 windowClassRegistrations();

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    static void registerWindowClass();
    static void unregisterWindowClass();
    void findTransparentBlt();
    void releaseTransparentBlt();
    LRESULT handleMessage(HWND messageWindow, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT paint(HWND paintedWindow, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT mouseDown(LPARAM lParam);
    bool keyMessage(WPARAM virtualKey, bool down);
    void windowDestroyed();
    void registerDropTarget();
    void revokeDropTarget();
    int32 dispatchKey(VstKeyCode& key, bool down);
    int32 indexOf(View* view);
    DrawContext* makeTemporaryContext(HDC& deviceContext);
    void deleteTemporaryContext(DrawContext* context, HDC deviceContext);

    FrameEditor* editor = nullptr;
    HWND parentWindow = nullptr;
    Bitmap* background = nullptr;
    int32 viewCount = 0;
    int32 viewCapacity = 0;
    View** views = nullptr;
    View* focusView = nullptr;
    bool firstDraw = true;
    bool windowOpen = true;
    bool dropActive = false;
    bool closed = false;
    // Only a successful OleInitialize is balanced by an OleUninitialize: on a thread the host
    // already initialised another way the call fails, and the host's initialisation is not ours
    // to undo.
    HRESULT oleResult = -1;
    HWND window = nullptr;
    HMODULE msimg32Module = nullptr;
    // The frame's own reference to its registered target, besides the system's: the frame
    // cuts the target loose from itself when it revokes, in case the system still holds it.
    DropTarget* dropTarget = nullptr;
};

// The view at the root of the editor's picture. It owns a native child window inside the
// host's window, keeps the child views in drawing order over a background bitmap, paints,
// routes clicks, keys, wheel movement and drops to the right view, and redraws what changed
// when the editor's idle asks it to.
#pragma once

#include "gui/View.h"
#include "platform/win32.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class Bitmap;
class DropTarget;

class Frame : public View {
public:
    // Without a parent window the frame has no window: it draws nothing and gets no messages.
    Frame(const Rect& size, HWND parentWindow, FrameEditor* editor);
    ~Frame() override;

    // How long a frame waits for its window's thread, in milliseconds: a thread closing the
    // editor waits so long for the window's thread to leave the editor's calls, and then for
    // it to destroy the window. Never longer, since that thread may be waiting for this one.
    static constexpr DWORD crossThreadWait = 1000;
    // The message by which the window's thread takes a reference to the frame that another
    // thread hands over (wParam carries the hand-over) and gives it back there.
    static constexpr UINT releaseOnWindowThread = WM_APP + 0x356;

    // A call out of the frame or its controls into the editor or a control's listener, counted
    // while it lasts, so that a close on another thread knows when the editor is free of them.
    // Once the frame is closed no such call may be made: then allowed() answers false.
    class EditorCall {
    public:
        explicit EditorCall(Frame& frame);
        ~EditorCall();
        EditorCall(const EditorCall&) = delete;
        EditorCall& operator=(const EditorCall&) = delete;
        bool allowed() const { return permitted; }

    private:
        Frame& caller;
        bool permitted;
    };

    // The last reference given back on a thread other than the window's hands the frame to the
    // window's thread, which destroys the window (and ends OLE there) as Win32 requires.
    void release() override;

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
    // the last reference is released. Closed on another thread than the window's, it waits
    // (at most crossThreadWait) until no call of the window's thread is inside the editor, and
    // answers false when one still is.
    bool close();
    bool isClosed() const { return closed.load(); }

    HWND getWindow() const { return window; }
    HWND getParentWindow() const { return parentWindow; }
    Bitmap* getBackground() const { return background; }
    View* getFocusView() const { return focusView; }
    int32 getViewCapacity() const { return viewCapacity; }
    bool isWindowOpen() const { return windowOpen.load(); }
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
    // Revokes the drop target and ends the window's OLE initialisation, on the window's thread.
    void releaseWindowResources();
    bool mustReleaseOnWindowThread();
    void handReferenceToWindowThread();

    // One reference handed to the window's thread: by a sent message and, should that thread
    // not answer in time, by a posted one as well; whichever arrives first gives the reference
    // back there, the other finds it given. The frame tells it when it is destroyed, for the
    // thread that handed the reference over and waits for the frame to go.
    class HandOver {
    public:
        explicit HandOver(Frame* frame) : handed(frame) {}
        void giveBack();
        bool waitUntilFrameEnded(DWORD milliseconds);
        void frameEnded();

    private:
        Frame* handed;
        std::atomic<bool> given{false};
        std::mutex guard;
        std::condition_variable changed;
        bool ended = false;
    };
    // Puts a hand-over into a message's wParam, as a copy of its own the message owns.
    bool sendHandOver(const std::shared_ptr<HandOver>& handOver, bool waitForAnswer);
    // Takes the hand-overs still posted to the window out of its queue before the window goes,
    // with it, so their copies are not lost with the window.
    void dropPendingHandOvers();
    // Whether a message's wParam is a hand-over this frame sent or posted (and not yet seen):
    // anything else reaching the window with that message number is never taken as one.
    bool takeHandOverMessage(WPARAM wParam);
    void registerDropTarget();
    void revokeDropTarget();
    int32 dispatchKey(VstKeyCode& key, bool down);
    int32 indexOf(View* view);
    DrawContext* makeTemporaryContext(HDC& deviceContext);
    void deleteTemporaryContext(DrawContext* context, HDC deviceContext);

    // Cleared by close, perhaps on another thread than the one whose calls read it.
    std::atomic<FrameEditor*> editor{nullptr};
    HWND parentWindow = nullptr;
    Bitmap* background = nullptr;
    int32 viewCount = 0;
    int32 viewCapacity = 0;
    View** views = nullptr;
    View* focusView = nullptr;
    bool firstDraw = true;
    // Cleared by WM_DESTROY on the window's thread, read by a release on any thread.
    std::atomic<bool> windowOpen{true};
    bool dropActive = false;
    std::atomic<bool> closed{false};
    std::atomic<int32> editorCallsInside{0};
    // OLE is initialised on the window's thread just before the window is made and ended there
    // when the window goes, so the host's threads keep their own COM state. Only a successful
    // OleInitialize is balanced: on a thread the host initialised another way it fails, and the
    // host's initialisation is not ours to undo.
    bool oleInitialised = false;
    HWND window = nullptr;
    DWORD windowThread = 0;
    std::shared_ptr<HandOver> handOver;
    // The wParam values of the messages carrying it: the sent one and the posted one.
    std::atomic<WPARAM> handOverMessages[2] = {{0}, {0}};
    HMODULE msimg32Module = nullptr;
    // The frame's own reference to its registered target, besides the system's: the frame
    // cuts the target loose from itself when it revokes, in case the system still holds it.
    DropTarget* dropTarget = nullptr;
};

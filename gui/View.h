// The base of everything shown in the editor window: a rectangle in frame window coordinates
// that draws itself into a drawing context, knows whether it needs redrawing, may take mouse
// clicks, keys, wheel movement and dropped files, and is shared by reference counting.
// Base behaviour does nothing: handlers answer that they did not handle the event.
#pragma once

#include "gui/Geometry.h"
#include "vst2/vst2.h"

#include <atomic>
#include <cstdint>

class DrawContext;
class Frame;
class FrameEditor;

// Kinds of data onDrop receives: an array of file-path strings, or a pointer to dropped text.
constexpr std::int32_t dropKindFiles = 0;
constexpr std::int32_t dropKindText = 1;

// What key handlers answer for a key they do not use.
constexpr std::int32_t keyNotHandled = -1;

class View {
public:
    using int32 = std::int32_t;

    explicit View(const Rect& size);
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Slot order matters to nobody outside this process, but keeping the documented order
    // makes the overrides of each derived class easy to check against it.
    virtual ~View();
    virtual void draw(DrawContext* context);
    virtual void drawUpdateRect(DrawContext* context, const Rect& updateRect);
    virtual bool overlaps(const Rect& rect);
    virtual void onMouseDown(DrawContext* context, Point where);
    virtual void update(DrawContext* context);
    virtual int32 notify(void* sender, void* message);
    virtual int32 onKeyDown(VstKeyCode& key);
    virtual int32 onKeyUp(VstKeyCode& key);
    virtual bool onDrop(void** items, int32 count, int32 kind, Point where);
    virtual bool onWheel(DrawContext* context, Point where, float distance);
    virtual void onFocusLost(DrawContext* context);
    virtual void onFocusTaken(DrawContext* context);
    virtual bool isDirty();
    virtual void setDirty(bool state);
    virtual void setMouseEnabled(bool state);
    virtual bool isMouseEnabled();
    virtual void setMouseArea(const Rect& rect);
    virtual Rect& getMouseArea(Rect& rect);
    virtual bool hitTest(Point where, int32 buttons);
    virtual void setTransparent(bool state);
    virtual bool isTransparent();
    virtual void setViewSize(const Rect& rect);
    virtual Rect& getViewSize(Rect& rect);
    virtual void setParentView(View* parent);
    virtual void setFrame(Frame* owningFrame);
    virtual FrameEditor* getEditor();
    virtual bool onRemoved(View* parent);
    virtual bool onAttached(View* parent);
    virtual void release();
    virtual void retain();
    virtual int32 getReferenceCount();

    Frame* getFrame() const { return frame; }
    View* getParentView() const { return parentView; }

protected:
    // Atomic: the editor may let go of its frame on another thread than the window's.
    std::atomic<int32> refCount{1};
    Rect size;
    Rect mouseArea;
    Frame* frame = nullptr;
    View* parentView = nullptr;
    bool dirty = false;
    bool mouseEnabled = true;
    bool transparent = false;
};

// The OLE drop target the frame registers for its window. It answers whether the data dragged
// over the window can be taken (text, or a list of files) and with which cursor (copy while
// control is held, move otherwise), and hands a drop to the frame: text as the locked block,
// files as a list of paths in which shortcut files (".lnk") are replaced by the files they
// point to. Everything it makes for a drop is freed as soon as the frame has seen it.
#pragma once

#include "platform/win32.h"

#include <cstdint>

class Frame;

// COM interfaces have no virtual destructor, by design: an object is destroyed by its own
// Release, never through an interface pointer. The system's declarations leave the destructor
// public, which the compiler would otherwise warn about.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class DropTarget : public IDropTarget {
public:
    using int32 = std::int32_t;

    // Bytes of each file name handed to the frame, terminator included.
    static constexpr int32 nameCapacity = 1024;

    // Starts without references: whoever keeps the target takes one with AddRef.
    explicit DropTarget(Frame* owningFrame);
    DropTarget(const DropTarget&) = delete;
    DropTarget& operator=(const DropTarget&) = delete;

    // IDropTarget, in its slot order.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point,
                                   DWORD* effect) override;

    // The frame is going: calls that still arrive (a drag the system holds on to) reach it no
    // more.
    void detachFrame() { frame = nullptr; }

    int32 getReferenceCount() const { return refCount; }
    bool getAcceptsData() const { return acceptsData; }
    Frame* getFrame() const { return frame; }

    // When `path` names a shortcut file (ending in ".lnk" in any letter case), writes the path
    // of the file it points to, in its short form, into `out` (nameCapacity bytes; may be
    // `path` itself) and answers true. Otherwise, or when the shortcut cannot be loaded or
    // resolved (no user interface, at most 500 ms), `out` is left as it was.
    static bool resolveShortcut(const char* path, char* out);

protected:
    // Only Release destroys a target.
    virtual ~DropTarget();

private:
    bool deliver(IDataObject* data);
    bool deliverText(HGLOBAL block);
    bool deliverFiles(HGLOBAL block);

    int32 refCount = 0;
    bool acceptsData = false;
    Frame* frame = nullptr;
};
#pragma GCC diagnostic pop

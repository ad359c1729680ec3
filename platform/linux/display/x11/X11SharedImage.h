// A window's picture in memory shared with the X server (the MIT-SHM extension): pushing a
// part of it hands the server only its place, where XPutImage would copy every pixel through
// the connection. For a full editor that is a tenth of the cost of the push.
//
// Only for a server on this machine that offers the extension, with 32-bit pixels in this
// machine's byte order; `create` answers null otherwise, and the display pushes with
// XPutImage instead. Used on the display's connection, with the layer's lock held.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <memory>

struct _XDisplay;

namespace stepveil::platform {

class X11SharedImage {
public:
    // A shared picture of width x height pixels for windows of `visual` and `depth`; null
    // when the server cannot share memory with us.
    static std::unique_ptr<X11SharedImage> create(_XDisplay* connection, void* visual, int depth,
                                                  int width, int height);
    // Detaches from the server and gives the memory back.
    ~X11SharedImage();
    X11SharedImage(const X11SharedImage&) = delete;
    X11SharedImage& operator=(const X11SharedImage&) = delete;

    int width() const;
    int height() const;
    // Row y's pixels from column x on, in the server's pixel format. Written only between
    // pushes: after `push` returns the server has read what it needs (see below).
    std::uint32_t* at(int x, int y);

    // Shows `area` of the picture at the same place in `window`. The caller's error guard
    // synchronises with the server before the memory is written again.
    void push(unsigned long window, void* graphicsContext, const RECT& area);

private:
    struct Segment;
    explicit X11SharedImage(std::unique_ptr<Segment> segment);

    std::unique_ptr<Segment> segment;
};

} // namespace stepveil::platform

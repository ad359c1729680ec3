#include "platform/linux/display/x11/X11SharedImage.h"

#include "platform/linux/display/x11/X11ErrorGuard.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace stepveil::platform {

struct X11SharedImage::Segment {
    ::Display* connection = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo info{};
    bool attached = false;

    ~Segment() {
        if (attached) {
            X11ErrorGuard guard(connection);
            XShmDetach(connection, &info);
        }
        if (info.shmaddr != nullptr) {
            shmdt(info.shmaddr);
        }
        if (image != nullptr) {
            image->data = nullptr; // the shared memory, given back above
            XDestroyImage(image);
        }
    }
};

namespace {

bool hostIsLittleEndian() {
    const std::uint16_t probe = 1;
    return *reinterpret_cast<const unsigned char*>(&probe) == 1;
}

} // namespace

std::unique_ptr<X11SharedImage> X11SharedImage::create(_XDisplay* connection, void* visual,
                                                       int depth, int width, int height) {
    if (connection == nullptr || width <= 0 || height <= 0 || !XShmQueryExtension(connection)) {
        return nullptr;
    }
    auto segment = std::make_unique<Segment>();
    segment->connection = connection;
    segment->image = XShmCreateImage(connection, static_cast<Visual*>(visual),
                                     static_cast<unsigned>(depth), ZPixmap, nullptr, &segment->info,
                                     static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (segment->image == nullptr || segment->image->bits_per_pixel != 32 ||
        segment->image->byte_order != (hostIsLittleEndian() ? LSBFirst : MSBFirst)) {
        return nullptr;
    }
    const auto bytes =
        static_cast<std::size_t>(segment->image->bytes_per_line) * static_cast<std::size_t>(height);
    segment->info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment->info.shmid < 0) {
        return nullptr;
    }
    void* address = shmat(segment->info.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(segment->info.shmid, IPC_RMID, nullptr);
        return nullptr;
    }
    segment->info.shmaddr = static_cast<char*>(address);
    segment->image->data = segment->info.shmaddr;
    segment->info.readOnly = False;
    {
        // A server on another machine offers the extension too, but cannot attach our memory.
        X11ErrorGuard guard(connection, X11ErrorGuard::Ending::alreadyAnswered);
        segment->attached = XShmAttach(connection, &segment->info) != 0 && !guard.failed();
    }
    // Marked for removal at once: it goes when both sides have detached, or when we end.
    shmctl(segment->info.shmid, IPC_RMID, nullptr);
    if (!segment->attached) {
        return nullptr;
    }
    return std::unique_ptr<X11SharedImage>(new X11SharedImage(std::move(segment)));
}

X11SharedImage::X11SharedImage(std::unique_ptr<Segment> shared) : segment(std::move(shared)) {}

X11SharedImage::~X11SharedImage() = default;

int X11SharedImage::width() const {
    return segment->image->width;
}

int X11SharedImage::height() const {
    return segment->image->height;
}

std::uint32_t* X11SharedImage::at(int x, int y) {
    return reinterpret_cast<std::uint32_t*>(segment->image->data +
                                            static_cast<std::ptrdiff_t>(y) *
                                                segment->image->bytes_per_line) +
           x;
}

void X11SharedImage::push(unsigned long window, void* graphicsContext, const RECT& area) {
    XShmPutImage(segment->connection, window, static_cast<GC>(graphicsContext), segment->image,
                 area.left, area.top, area.left, area.top,
                 static_cast<unsigned>(area.right - area.left),
                 static_cast<unsigned>(area.bottom - area.top), False);
}

} // namespace stepveil::platform

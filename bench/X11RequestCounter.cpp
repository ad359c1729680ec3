#include "bench/X11RequestCounter.h"

#include <poll.h>
#include <unistd.h>

namespace stepveil::bench {
namespace {

// How long the client's last requests get to reach the server before recording stops: the
// counter cannot make another client's connection flush, only give it time.
constexpr useconds_t settleMicroseconds = 50'000;
// Bounds the wait for the end of the recording.
constexpr int endWaitMilliseconds = 5'000;

} // namespace

X11RequestCounter::X11RequestCounter(Display* display) {
    const std::string name = DisplayString(display);
    control = XOpenDisplay(name.c_str());
    data = XOpenDisplay(name.c_str());
    int major = 0;
    int minor = 0;
    if (control == nullptr || data == nullptr) {
        whyNot = "cannot open a second connection to the X server";
    } else if (XRecordQueryVersion(control, &major, &minor) == 0) {
        whyNot = "the X server has no RECORD extension";
    }
}

X11RequestCounter::~X11RequestCounter() {
    if (context != 0) {
        stop();
    }
    if (data != nullptr) {
        XCloseDisplay(data);
    }
    if (control != nullptr) {
        XCloseDisplay(control);
    }
}

bool X11RequestCounter::start(XID resource) {
    if (!whyNot.empty() || context != 0) {
        return false;
    }
    // Every request, core and extension alike.
    XRecordRange* range = XRecordAllocRange();
    if (range == nullptr) {
        return false;
    }
    range->core_requests.first = 1;
    range->core_requests.last = 127;
    range->ext_requests.ext_major.first = 128;
    range->ext_requests.ext_major.last = 255;
    range->ext_requests.ext_minor.first = 0;
    range->ext_requests.ext_minor.last = 65535;
    XRecordClientSpec clients = XRecordAllClients;
    context = XRecordCreateContext(control, 0, &clients, 1, &range, 1);
    XFree(range);
    if (context == 0) {
        whyNot = "the X server would not make a recording context";
        return false;
    }
    XSync(control, False);
    // The mask selects the bits of an id that name its client.
    clientBase = resource & XRecordIdBaseMask(control);
    counted = 0;
    ended = false;
    if (XRecordEnableContextAsync(data, context, &X11RequestCounter::receive,
                                  reinterpret_cast<XPointer>(this)) == 0) {
        whyNot = "the X server would not start recording";
        XRecordFreeContext(control, context);
        context = 0;
        return false;
    }
    XRecordProcessReplies(data);
    return true;
}

long X11RequestCounter::stop() {
    if (context == 0) {
        return -1;
    }
    usleep(settleMicroseconds);
    XSync(control, False);
    XRecordDisableContext(control, context);
    XSync(control, False);
    readUntilEnd();
    XRecordFreeContext(control, context);
    XSync(control, False);
    context = 0;
    return ended ? counted : -1;
}

void X11RequestCounter::readUntilEnd() {
    pollfd socket{ConnectionNumber(data), POLLIN, 0};
    while (!ended) {
        XRecordProcessReplies(data);
        if (ended || poll(&socket, 1, endWaitMilliseconds) <= 0) {
            break;
        }
    }
}

void X11RequestCounter::receive(XPointer self, XRecordInterceptData* recorded) {
    auto* counter = reinterpret_cast<X11RequestCounter*>(self);
    if (recorded->category == XRecordFromClient && recorded->id_base == counter->clientBase) {
        ++counter->counted;
    } else if (recorded->category == XRecordEndOfData) {
        counter->ended = true;
    }
    XRecordFreeData(recorded);
}

} // namespace stepveil::bench

// Counts the requests one client sends the X server, as the server sees them (the RECORD
// extension), so that a plug-in's own connection, which the benchmark cannot reach, can be
// counted too. A client is named by any resource id it made, e.g. one of its windows.
//
//     X11RequestCounter counter(display);       // display: any connection to the server
//     counter.start(editorWindow);
//     ... calls that may send requests ...
//     long requests = counter.stop();           // -1 when the server cannot record
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/record.h>

#include <string>

namespace stepveil::bench {

class X11RequestCounter {
public:
    // Opens two connections of its own to the same server as `display` (the extension wants
    // one to control recording and one to receive it).
    explicit X11RequestCounter(Display* display);
    ~X11RequestCounter();
    X11RequestCounter(const X11RequestCounter&) = delete;
    X11RequestCounter& operator=(const X11RequestCounter&) = delete;

    // Why counting is not possible, or empty.
    const std::string& problem() const { return whyNot; }

    // Starts counting the requests of the client that made `resource`.
    bool start(XID resource);
    // Waits until the server has handled what the client sent so far, stops, and answers the
    // count; -1 when counting was not possible.
    long stop();

private:
    static void receive(XPointer self, XRecordInterceptData* data);
    void readUntilEnd();

    Display* control = nullptr;
    Display* data = nullptr;
    XRecordContext context = 0;
    XID clientBase = 0;
    long counted = 0;
    bool ended = false;
    std::string whyNot;
};

} // namespace stepveil::bench

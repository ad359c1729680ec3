// Xlib's error handler is process-wide and belongs to the host. The layer installs its own
// only for the time of its own calls on its own connection: errors on that connection are
// counted and never reach the host, errors on any other connection (the host's, reported on
// another thread meanwhile) go on to the handler that was installed before, and that handler
// is always put back. Guards nest; the outermost one installs and restores.
#pragma once

struct _XDisplay;

namespace stepveil::platform {

class X11ErrorGuard {
public:
    enum class Ending { synchronise, alreadyAnswered };

    // `connection` is the layer's own. With Ending::synchronise the guard waits for the
    // server's answer to everything sent before it restores the host's handler, so that no
    // error of ours can arrive after. Ending::alreadyAnswered is for calls that make no request
    // (reading events) or whose request has a reply: an error comes before the reply.
    explicit X11ErrorGuard(_XDisplay* connection, Ending ending = Ending::synchronise);
    ~X11ErrorGuard();
    X11ErrorGuard(const X11ErrorGuard&) = delete;
    X11ErrorGuard& operator=(const X11ErrorGuard&) = delete;

    // Waits for the server to answer everything sent so far and tells whether any of it
    // failed since the guard began.
    bool failed();
    // For a connection closed inside the guard: nothing is left to wait for.
    void connectionClosed() { connection = nullptr; }

private:
    _XDisplay* connection;
    Ending ending;
    unsigned long errorsAtStart;
};

} // namespace stepveil::platform

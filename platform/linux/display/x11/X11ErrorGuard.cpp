#include "platform/linux/display/x11/X11ErrorGuard.h"

#include <X11/Xlib.h>

namespace stepveil::platform {

namespace {

// The guard's process-wide side. The layer's lock serialises every guard of this module.
struct GuardState {
    int depth = 0;
    XErrorHandler previous = nullptr;
    ::Display* guarded = nullptr;
    unsigned long errorCount = 0;
};

GuardState& guardState() {
    static GuardState state;
    return state;
}

int countOrPassOn(::Display* connection, XErrorEvent* error) {
    GuardState& state = guardState();
    if (connection == state.guarded) {
        ++state.errorCount;
        return 0;
    }
    return state.previous != nullptr ? state.previous(connection, error) : 0;
}

} // namespace

X11ErrorGuard::X11ErrorGuard(_XDisplay* guardedConnection, Ending guardEnding)
    : connection(guardedConnection), ending(guardEnding) {
    GuardState& state = guardState();
    if (state.depth++ == 0) {
        state.guarded = connection;
        state.previous = XSetErrorHandler(countOrPassOn);
    }
    errorsAtStart = state.errorCount;
}

X11ErrorGuard::~X11ErrorGuard() {
    GuardState& state = guardState();
    if (connection != nullptr && ending == Ending::synchronise) {
        XSync(connection, False);
    }
    if (--state.depth > 0) {
        return;
    }
    // Should the host have installed a handler of its own meanwhile, that one stays.
    XErrorHandler current = XSetErrorHandler(state.previous);
    if (current != countOrPassOn) {
        XSetErrorHandler(current);
    }
    state.previous = nullptr;
    state.guarded = nullptr;
}

bool X11ErrorGuard::failed() {
    if (connection != nullptr) {
        XSync(connection, False);
    }
    return guardState().errorCount != errorsAtStart;
}

} // namespace stepveil::platform

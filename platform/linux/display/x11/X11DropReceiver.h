// Drags from other X programs onto the layer's windows, spoken in the XDND protocol (version
// 5): the X side of what OLE's drag loop does on Windows. While a drop target is registered for
// a shown window, its X window carries XdndAware (and XdndProxy naming itself, so that a host's
// top-level may forward drags to it). A drag that comes over it is turned into DragEnter /
// DragOver / DragLeave / Drop on the registered target through a DropSession, run as a layer
// task on the registering thread without the lock; the data is fetched from the source once,
// at the first position, and offered as the layer's data object (files for local file URIs,
// otherwise text). Every position is answered with XdndStatus and every drop with XdndFinished,
// also when the drop was refused or the target is gone.
//
// Everything here runs with the layer lock held, inside the display's error guards; the
// tasks take the lock again to answer the source.
#pragma once

#include "platform/win32.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

union _XEvent;

namespace stepveil::platform {

class X11Display;
struct X11Window;
struct XdndExchange;

class X11DropReceiver {
public:
    explicit X11DropReceiver(X11Display& display);
    ~X11DropReceiver();
    X11DropReceiver(const X11DropReceiver&) = delete;
    X11DropReceiver& operator=(const X11DropReceiver&) = delete;

    // The shown window starts or stops taking drops. A drag over a window that stops taking
    // them leaves its target at once; the source is told "no" from then on.
    void targetChanged(X11Window& shown, bool registered);
    // Takes the events that belong to drags (the protocol's client messages, the data's
    // arrival, the source window's destruction); false for any other event.
    bool handleEvent(_XEvent& event);
    // After the events waiting are read: the latest position is answered, and a drag whose
    // source has sent nothing for a long time ends.
    void afterEvents();
    // The shown window is about to go, or the connection is about to close: a drag over it
    // ends (a drop still waiting for its data is answered first).
    void windowGoing(const X11Window& shown);
    void connectionClosing();

    // From the tasks, with the lock held again: answers the source, unless the drag has
    // ended meanwhile (a status) or was answered already (a drop).
    void sendStatus(const XdndExchange& exchange, DWORD effect);
    void sendFinished(XdndExchange& exchange, DWORD effect);

    // A source that sends nothing for this long has gone away.
    static constexpr DWORD silenceLimitMilliseconds = 30000;

private:
    struct Atoms;
    struct Drag;

    bool handleClientMessage(_XEvent& event);
    void enter(_XEvent& event);
    void position(_XEvent& event);
    void leave(_XEvent& event);
    void drop(_XEvent& event);
    void dataArrived(_XEvent& event);

    X11Window* windowAddressed(unsigned long window);
    void readOfferedTypes(const _XEvent& event);
    DWORD effectOfAction(unsigned long action) const;
    DWORD listedEffects();
    void fetchNext(unsigned long time);
    std::optional<std::string> takeFetchedData();
    void dataComplete();
    void answerPosition();
    void deliverPosition(DWORD keyState, POINT point);
    void deliverDrop(DWORD keyState, POINT point);
    void endDrag();
    void sendMessage(unsigned long source, unsigned long messageType, const long (&data)[5]);
    unsigned long actionOfEffect(DWORD effect, unsigned long requestedAction) const;
    bool readPointer(POINT& point, DWORD& keyState);
    const Atoms& atoms();

    X11Display& display;
    std::unique_ptr<Atoms> internedAtoms;
    std::unique_ptr<Drag> drag;
    // Drops handed to their target whose XdndFinished has not gone out yet.
    std::vector<std::shared_ptr<XdndExchange>> dropsUnanswered;
    std::string hostName;
};

} // namespace stepveil::platform

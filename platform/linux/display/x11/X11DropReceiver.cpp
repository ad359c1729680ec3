#include "platform/linux/display/x11/X11DropReceiver.h"

#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/LayerTasks.h"
#include "platform/linux/display/x11/X11Display.h"
#include "platform/linux/display/x11/X11ErrorGuard.h"
#include "platform/linux/display/x11/X11Events.h"
#include "platform/linux/display/x11/X11Property.h"
#include "platform/linux/display/x11/XdndData.h"
#include "platform/linux/ole/DropDataObject.h"
#include "platform/linux/ole/DropSession.h"
#include "platform/linux/ole/DropTargetRegistry.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <thread>

namespace stepveil::platform {

// One drag as the tasks on the target's thread see it: whom to answer, and the session that
// drives the target. The session is touched only by the tasks (on that thread, without the
// lock); the rest only with the lock held.
struct XdndExchange {
    ::Window source = 0;
    // The window the source addresses: ours, or a top-level that names ours in XdndProxy. The
    // answers carry it back.
    ::Window addressed = 0;
    ::Window ourWindow = 0;
    HWND layerWindow = nullptr;
    std::optional<std::thread::id> thread;
    std::shared_ptr<DropSession> session = std::make_shared<DropSession>();
    bool finishedSent = false;
};

namespace {

using Ending = X11ErrorGuard::Ending;

constexpr long supportedVersion = 5;
// The largest data taken from a source in one transfer, in 32-bit units.
constexpr long largestDataUnits = (16L << 20) / 4;
// XdndStatus: the drop would be accepted. Nothing else is set in that word: Qt takes any bit
// there for acceptance. The rectangle in which the source need not send positions is left
// empty, so every move is reported (the key state may change the answer anywhere).
constexpr long statusAccepts = 1;
// XdndEnter: more than three types, listed in XdndTypeList.
constexpr long enterHasTypeList = 1;
constexpr DWORD mouseButtons = MK_LBUTTON | MK_MBUTTON | MK_RBUTTON;

const char* const atomNames[] = {
    "XdndAware",          "XdndProxy",      "XdndEnter",      "XdndPosition",
    "XdndStatus",         "XdndLeave",      "XdndDrop",       "XdndFinished",
    "XdndSelection",      "XdndTypeList",   "XdndActionList", "XdndActionCopy",
    "XdndActionMove",     "XdndActionLink", "text/uri-list",  "text/plain;charset=utf-8",
    "UTF8_STRING",        "text/plain",     "STRING",         "INCR",
    "STEPVEIL_XDND_DATA",
};
constexpr int atomCount = sizeof atomNames / sizeof atomNames[0];
static_assert(atomCount == 21, "one field of X11DropReceiver::Atoms per name");

} // namespace

// The atoms, named; interned together, in the order of atomNames.
struct X11DropReceiver::Atoms {
    explicit Atoms(const Atom (&found)[atomCount])
        : aware(found[0]), proxy(found[1]), enter(found[2]), position(found[3]), status(found[4]),
          leave(found[5]), drop(found[6]), finished(found[7]), selection(found[8]),
          typeList(found[9]), actionList(found[10]), actionCopy(found[11]), actionMove(found[12]),
          actionLink(found[13]), uriList(found[14]), textUtf8Mime(found[15]), utf8String(found[16]),
          textPlain(found[17]), latin1String(found[18]), increments(found[19]),
          dataProperty(found[20]) {}

    Atom aware, proxy, enter, position, status, leave, drop, finished;
    Atom selection, typeList, actionList, actionCopy, actionMove, actionLink;
    Atom uriList, textUtf8Mime, utf8String, textPlain, latin1String, increments;
    Atom dataProperty;

    // The text targets in the order they are preferred.
    std::vector<Atom> textTargets() const {
        return {textUtf8Mime, utf8String, textPlain, latin1String};
    }
};

struct X11DropReceiver::Drag {
    std::shared_ptr<XdndExchange> exchange;
    ::Window ourWindow = 0;
    int version = 0;
    std::vector<Atom> offered;
    Atom uriTarget = None;
    Atom textTarget = None;
    // What is being fetched (None: nothing yet, or all done).
    Atom fetching = None;
    bool fetchStarted = false;
    bool dataReady = false;
    ::Time fetchTime = CurrentTime;
    std::vector<std::string> paths;
    std::optional<std::string> text;
    // The effects the source allows at the latest position.
    DWORD allowed = DROPEFFECT_NONE;
    Atom requestedAction = None;
    bool entered = false;
    // A position not answered yet; the drop, when it came before the data.
    bool positionWaiting = false;
    bool dropWaiting = false;
    POINT dropPoint{0, 0};
    // The modifiers of the latest position answered: the key state of the drop. The effect of
    // the latest answer.
    DWORD modifiersShown = 0;
    DWORD lastEffectAnswered = DROPEFFECT_NONE;
    DWORD lastMessageTick = 0;
};

X11DropReceiver::X11DropReceiver(X11Display& owner) : display(owner), hostName(localHostName()) {}

X11DropReceiver::~X11DropReceiver() = default;

const X11DropReceiver::Atoms& X11DropReceiver::atoms() {
    if (!internedAtoms) {
        Atom found[atomCount] = {};
        X11ErrorGuard guard(display.connection(), Ending::alreadyAnswered);
        XInternAtoms(display.connection(), const_cast<char**>(atomNames), atomCount, False, found);
        internedAtoms = std::make_unique<Atoms>(found);
    }
    return *internedAtoms;
}

// ---- announcing ----

void X11DropReceiver::targetChanged(X11Window& shown, bool registered) {
    ::Display* connection = display.connection();
    if (connection == nullptr || shown.xid == 0 || shown.lostToServer) {
        return;
    }
    const Atoms& atom = atoms();
    {
        X11ErrorGuard guard(connection);
        if (registered) {
            long version = supportedVersion;
            long self = static_cast<long>(shown.xid);
            XChangeProperty(connection, shown.xid, atom.aware, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(&version), 1);
            XChangeProperty(connection, shown.xid, atom.proxy, XA_WINDOW, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(&self), 1);
        } else {
            XDeleteProperty(connection, shown.xid, atom.aware);
            XDeleteProperty(connection, shown.xid, atom.proxy);
        }
    }
    if (!registered && drag && drag->ourWindow == shown.xid && drag->exchange->thread) {
        // The target leaves now; later positions reach an idle session and are refused.
        auto exchange = drag->exchange;
        postLayerTask(*exchange->thread, [exchange] { exchange->session->leave(); });
    }
}

// ---- events ----

bool X11DropReceiver::handleEvent(_XEvent& event) {
    switch (event.type) {
    case ClientMessage:
        return handleClientMessage(event);
    case SelectionNotify:
        if (drag && event.xselection.requestor == drag->ourWindow &&
            event.xselection.selection == atoms().selection) {
            dataArrived(event);
            return true;
        }
        return false;
    case DestroyNotify:
        // The source went away in the middle of the drag.
        if (drag && event.xdestroywindow.window == drag->exchange->source) {
            endDrag();
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool X11DropReceiver::handleClientMessage(_XEvent& event) {
    const XClientMessageEvent& message = event.xclient;
    if (message.format != 32) {
        return false;
    }
    const Atoms& atom = atoms();
    if (message.message_type == atom.enter) {
        enter(event);
    } else if (message.message_type == atom.position) {
        position(event);
    } else if (message.message_type == atom.leave) {
        leave(event);
    } else if (message.message_type == atom.drop) {
        drop(event);
    } else {
        return false;
    }
    return true;
}

// Our window, or a window whose XdndProxy names ours (a top-level forwarding drags to us).
X11Window* X11DropReceiver::windowAddressed(unsigned long window) {
    if (X11Window* shown = display.findByXid(window)) {
        return shown;
    }
    X11ErrorGuard guard(display.connection(), Ending::alreadyAnswered);
    X11Property proxy(display.connection(), window, atoms().proxy, 1, XA_WINDOW);
    X11Window* shown = nullptr;
    if (proxy.holds(XA_WINDOW, 32) && proxy.count == 1) {
        shown = display.findByXid(proxy.longs()[0]);
    }
    return shown;
}

void X11DropReceiver::enter(_XEvent& event) {
    const XClientMessageEvent& message = event.xclient;
    if (drag) {
        endDrag();
    }
    X11Window* shown = windowAddressed(message.window);
    if (shown == nullptr || shown->lostToServer) {
        return;
    }
    drag = std::make_unique<Drag>();
    drag->exchange = std::make_shared<XdndExchange>();
    drag->exchange->source = static_cast<::Window>(message.data.l[0]);
    drag->exchange->addressed = message.window;
    drag->exchange->ourWindow = shown->xid;
    drag->exchange->layerWindow = shown->layerWindow;
    drag->exchange->thread = dropTargetThread(shown->layerWindow);
    drag->ourWindow = shown->xid;
    drag->version = static_cast<int>((message.data.l[1] >> 24) & 0xFF);
    drag->lastMessageTick = display.tickCount();
    readOfferedTypes(event);

    // The source window's destruction ends the drag; a source whose window is gone already
    // has no drag to speak of.
    X11ErrorGuard guard(display.connection());
    XSelectInput(display.connection(), drag->exchange->source, StructureNotifyMask);
    if (guard.failed()) {
        drag.reset();
    }
}

// The types the source offers, and the targets chosen among them: the file list, and the
// first text type in the order of preference.
void X11DropReceiver::readOfferedTypes(const _XEvent& event) {
    const Atoms& atom = atoms();
    const XClientMessageEvent& message = event.xclient;
    if ((message.data.l[1] & enterHasTypeList) != 0) {
        X11ErrorGuard guard(display.connection(), Ending::alreadyAnswered);
        X11Property listed(display.connection(), drag->exchange->source, atom.typeList, 4096,
                           XA_ATOM);
        if (listed.holds(XA_ATOM, 32)) {
            drag->offered.assign(listed.longs(), listed.longs() + listed.count);
        }
    } else {
        for (int index = 2; index <= 4; ++index) {
            if (message.data.l[index] != None) {
                drag->offered.push_back(static_cast<Atom>(message.data.l[index]));
            }
        }
    }
    auto isOffered = [this](Atom target) {
        return std::find(drag->offered.begin(), drag->offered.end(), target) != drag->offered.end();
    };
    drag->uriTarget = isOffered(atom.uriList) ? atom.uriList : None;
    for (Atom target : atom.textTargets()) {
        if (isOffered(target)) {
            drag->textTarget = target;
            break;
        }
    }
}

DWORD X11DropReceiver::effectOfAction(unsigned long action) const {
    const Atoms& atom = *internedAtoms;
    if (action == atom.actionCopy) {
        return DROPEFFECT_COPY;
    }
    if (action == atom.actionMove) {
        return DROPEFFECT_MOVE;
    }
    if (action == atom.actionLink) {
        return DROPEFFECT_LINK;
    }
    return DROPEFFECT_NONE;
}

// The effects of the actions the source lists in XdndActionList. A source may change the list
// in the middle of the drag (GTK lists only copy while control is held), so it is read at
// every position.
DWORD X11DropReceiver::listedEffects() {
    ::Display* connection = display.connection();
    X11ErrorGuard guard(connection, Ending::alreadyAnswered);
    X11Property listed(connection, drag->exchange->source, atoms().actionList, 64, XA_ATOM);
    DWORD effects = DROPEFFECT_NONE;
    if (listed.holds(XA_ATOM, 32)) {
        for (unsigned long index = 0; index < listed.count; ++index) {
            effects |= effectOfAction(listed.longs()[index]);
        }
    }
    return effects;
}

bool X11DropReceiver::readPointer(POINT& point, DWORD& keyState) {
    unsigned int state = 0;
    if (!display.pointerState(point, state)) {
        return false;
    }
    keyState = static_cast<DWORD>(mouseKeysOfState(state));
    return true;
}

// A position is answered once the events waiting have been read (afterEvents): of several
// only the latest, and none that a drop follows.
void X11DropReceiver::position(_XEvent& event) {
    const XClientMessageEvent& message = event.xclient;
    auto source = static_cast<::Window>(message.data.l[0]);
    if (!drag || drag->exchange->source != source) {
        // A drag we do not know (it never entered, or it ended here): refused.
        long refusal[5] = {static_cast<long>(message.window), 0, 0, 0, None};
        sendMessage(source, atoms().status, refusal);
        return;
    }
    drag->lastMessageTick = display.tickCount();
    // A source older than version 2 names no action; it copies.
    drag->requestedAction =
        drag->version >= 2 ? static_cast<Atom>(message.data.l[4]) : atoms().actionCopy;
    drag->positionWaiting = true;
    if (!drag->fetchStarted) {
        drag->fetchStarted = true;
        drag->fetchTime = drag->version >= 1 ? static_cast<::Time>(message.data.l[3]) : CurrentTime;
        fetchNext(drag->fetchTime);
    }
    if (!drag->dataReady) {
        // The keys as they are while the data is on its way, in case the drop comes first.
        POINT point{0, 0};
        DWORD keys = 0;
        if (readPointer(point, keys) && (keys & mouseButtons) != 0) {
            drag->modifiersShown = keys & ~mouseButtons;
        }
    }
}

// OLE passes the key state and the cursor as the system has them now, and the answer must
// follow the source's action list, which a source may change during the drag (GTK lists only
// copy while control is held). The events are read at the host's idle, some 40 ms late: a
// position read when no button is down any more was made before the user let go, and the
// state now says nothing of it; it keeps the last answer.
void X11DropReceiver::answerPosition() {
    drag->positionWaiting = false;
    drag->allowed = drag->version >= 2 ? effectOfAction(drag->requestedAction) | listedEffects()
                                       : DROPEFFECT_COPY;
    POINT point{0, 0};
    DWORD keys = 0;
    readPointer(point, keys);
    if (drag->entered && (keys & mouseButtons) == 0) {
        sendStatus(*drag->exchange, drag->lastEffectAnswered);
        return;
    }
    drag->modifiersShown = keys & ~mouseButtons;
    deliverPosition(keys, point);
}

void X11DropReceiver::afterEvents() {
    if (!drag) {
        return;
    }
    if (display.tickCount() - drag->lastMessageTick > silenceLimitMilliseconds) {
        endDrag();
        return;
    }
    if (drag->positionWaiting && drag->dataReady) {
        answerPosition();
    }
}

void X11DropReceiver::leave(_XEvent& event) {
    if (drag && drag->exchange->source == static_cast<::Window>(event.xclient.data.l[0])) {
        endDrag();
    }
}

void X11DropReceiver::drop(_XEvent& event) {
    const XClientMessageEvent& message = event.xclient;
    auto source = static_cast<::Window>(message.data.l[0]);
    if (!drag || drag->exchange->source != source) {
        // Not a drag of ours any more: the source still learns that nothing took it.
        long refusal[5] = {static_cast<long>(message.window), 0, None, 0, 0};
        sendMessage(source, atoms().finished, refusal);
        return;
    }
    drag->lastMessageTick = display.tickCount();
    // The cursor is where the server has it now. The keys are those of the last position
    // answered: the button is up by now, and a modifier let go just after it (a copy made
    // with control) must not change what the drop does from what the cursor showed.
    drag->positionWaiting = false;
    POINT point{0, 0};
    DWORD keysNow = 0;
    readPointer(point, keysNow);
    const DWORD keys = drag->modifiersShown;
    if (!drag->fetchStarted) {
        drag->fetchStarted = true;
        drag->fetchTime = drag->version >= 1 ? static_cast<::Time>(message.data.l[2]) : CurrentTime;
        fetchNext(drag->fetchTime);
    }
    if (!drag->dataReady) {
        drag->dropWaiting = true;
        drag->dropPoint = point;
        return;
    }
    deliverDrop(keys, point);
}

// ---- the data ----

// Asks the source for the next target wanted: the file list first, then text when the list
// names no local file. With nothing left to ask, the data is complete.
void X11DropReceiver::fetchNext(unsigned long time) {
    const Atoms& atom = atoms();
    Atom next = None;
    if (drag->fetching == None && drag->uriTarget != None) {
        next = drag->uriTarget;
    } else if (drag->paths.empty() && drag->textTarget != None &&
               drag->fetching != drag->textTarget) {
        next = drag->textTarget;
    }
    if (next == None) {
        drag->fetching = None;
        dataComplete();
        return;
    }
    drag->fetching = next;
    X11ErrorGuard guard(display.connection());
    XConvertSelection(display.connection(), atom.selection, next, atom.dataProperty,
                      drag->ourWindow, time);
}

void X11DropReceiver::dataArrived(_XEvent& event) {
    const XSelectionEvent& answer = event.xselection;
    if (drag->fetching == None || answer.target != drag->fetching) {
        return;
    }
    drag->lastMessageTick = display.tickCount();
    std::optional<std::string> bytes;
    if (answer.property != None) {
        bytes = takeFetchedData();
    }
    const Atoms& atom = atoms();
    if (bytes && drag->fetching == drag->uriTarget) {
        drag->paths = localPathsOfUriList(*bytes, hostName);
    } else if (bytes) {
        drag->text = drag->fetching == atom.latin1String ? utf8OfLatin1(*bytes) : *bytes;
    }
    fetchNext(drag->fetchTime);
}

// The property the source wrote, read and deleted. Data sent in increments (INCR, for data
// larger than one request) is not taken.
std::optional<std::string> X11DropReceiver::takeFetchedData() {
    ::Display* connection = display.connection();
    X11ErrorGuard guard(connection, Ending::alreadyAnswered);
    X11Property fetched(connection, drag->ourWindow, atoms().dataProperty, largestDataUnits,
                        AnyPropertyType, true);
    std::optional<std::string> bytes;
    if (fetched.holds(AnyPropertyType, 8) && fetched.remaining == 0 &&
        fetched.type != atoms().increments) {
        bytes = std::string(fetched.bytes(), fetched.count);
    }
    return bytes;
}

// A drag of local files is a drag of files: the text that such sources add names the same
// files. Otherwise the text, if any.
void X11DropReceiver::dataComplete() {
    drag->dataReady = true;
    if (!drag->paths.empty()) {
        drag->text.reset();
    }
    if (drag->dropWaiting) {
        deliverDrop(drag->modifiersShown, drag->dropPoint);
    }
}

// ---- the target ----

// The first position enters the target with the data; the others move over it. The answer
// goes back when the target has given it.
void X11DropReceiver::deliverPosition(DWORD keyState, POINT point) {
    auto exchange = drag->exchange;
    if (!exchange->thread) {
        sendStatus(*exchange, DROPEFFECT_NONE);
        return;
    }
    const bool first = !drag->entered;
    drag->entered = true;
    std::vector<std::string> paths;
    std::optional<std::string> text;
    if (first) {
        paths = drag->paths;
        text = drag->text;
    }
    const DWORD allowed = drag->allowed;
    X11Display* owner = &display;
    postLayerTask(*exchange->thread, [=] {
        DWORD effect = DROPEFFECT_NONE;
        if (first) {
            IDataObject* data = createDropDataObject(paths, text);
            effect =
                exchange->session->enter(exchange->layerWindow, data, keyState, point, allowed);
            if (data != nullptr) {
                data->Release();
            }
        } else {
            effect = exchange->session->over(keyState, point, allowed);
        }
        auto lock = lockLayer();
        owner->dropReceiver().sendStatus(*exchange, effect);
    });
}

// The drag is over as far as the X side goes; the target's Drop answers the source later.
void X11DropReceiver::deliverDrop(DWORD keyState, POINT point) {
    if (!drag->entered) {
        // The data came only now: the target sees the drag enter first.
        deliverPosition(keyState, point);
    }
    auto exchange = drag->exchange;
    const DWORD allowed = drag->allowed;
    drag->dropWaiting = false;
    if (exchange->thread) {
        dropsUnanswered.push_back(exchange);
        X11Display* owner = &display;
        postLayerTask(*exchange->thread, [=] {
            DWORD effect = exchange->session->drop(keyState, point, allowed);
            auto lock = lockLayer();
            owner->dropReceiver().sendFinished(*exchange, effect);
        });
    } else {
        sendFinished(*exchange, DROPEFFECT_NONE);
    }
    // The exchange stays with the task; the drag is forgotten here without ending the session.
    X11ErrorGuard guard(display.connection());
    XSelectInput(display.connection(), exchange->source, NoEventMask);
    drag.reset();
}

// The drag ends without a drop (the source left, vanished, or fell silent; our window goes):
// the target leaves, and a drop that still waited for its data is answered now.
void X11DropReceiver::endDrag() {
    auto exchange = drag->exchange;
    if (drag->dropWaiting) {
        sendFinished(*exchange, DROPEFFECT_NONE);
    }
    if (exchange->thread) {
        postLayerTask(*exchange->thread, [exchange] { exchange->session->leave(); });
    }
    if (display.connection() != nullptr) {
        X11ErrorGuard guard(display.connection());
        XSelectInput(display.connection(), exchange->source, NoEventMask);
    }
    drag.reset();
}

// Drops whose target has not answered yet are answered now, while the window and the
// connection can still carry the answer.
void X11DropReceiver::windowGoing(const X11Window& shown) {
    if (drag && drag->ourWindow == shown.xid) {
        endDrag();
    }
    for (const auto& exchange : std::vector<std::shared_ptr<XdndExchange>>(dropsUnanswered)) {
        if (exchange->ourWindow == shown.xid) {
            sendFinished(*exchange, DROPEFFECT_NONE);
        }
    }
}

void X11DropReceiver::connectionClosing() {
    if (drag) {
        endDrag();
    }
    for (const auto& exchange : std::vector<std::shared_ptr<XdndExchange>>(dropsUnanswered)) {
        sendFinished(*exchange, DROPEFFECT_NONE);
    }
    internedAtoms.reset();
}

// ---- answers ----

void X11DropReceiver::sendStatus(const XdndExchange& exchange, DWORD effect) {
    if (!drag || drag->exchange.get() != &exchange) {
        return;
    }
    drag->lastEffectAnswered = effect;
    const bool accepted = effect != DROPEFFECT_NONE;
    long data[5] = {static_cast<long>(exchange.addressed), accepted ? statusAccepts : 0, 0, 0,
                    static_cast<long>(actionOfEffect(effect, drag->requestedAction))};
    sendMessage(exchange.source, atoms().status, data);
}

void X11DropReceiver::sendFinished(XdndExchange& exchange, DWORD effect) {
    dropsUnanswered.erase(
        std::remove_if(dropsUnanswered.begin(), dropsUnanswered.end(),
                       [&exchange](const auto& waiting) { return waiting.get() == &exchange; }),
        dropsUnanswered.end());
    if (exchange.finishedSent || display.connection() == nullptr) {
        return;
    }
    exchange.finishedSent = true;
    const bool accepted = effect != DROPEFFECT_NONE;
    long data[5] = {static_cast<long>(exchange.addressed), accepted ? 1 : 0,
                    static_cast<long>(accepted ? actionOfEffect(effect, None) : None), 0, 0};
    sendMessage(exchange.source, atoms().finished, data);
}

// The action for the effect the target shows: the one the source asked for when the effect
// holds it, else copy, move, link in that order; None for no effect.
unsigned long X11DropReceiver::actionOfEffect(DWORD effect, unsigned long requestedAction) const {
    const Atoms& atom = *internedAtoms;
    const std::pair<DWORD, Atom> actions[] = {{DROPEFFECT_COPY, atom.actionCopy},
                                              {DROPEFFECT_MOVE, atom.actionMove},
                                              {DROPEFFECT_LINK, atom.actionLink}};
    for (const auto& [bit, action] : actions) {
        if (action == requestedAction && (effect & bit) != 0) {
            return action;
        }
    }
    for (const auto& [bit, action] : actions) {
        if ((effect & bit) != 0) {
            return action;
        }
    }
    return None;
}

void X11DropReceiver::sendMessage(unsigned long source, unsigned long messageType,
                                  const long (&data)[5]) {
    ::Display* connection = display.connection();
    if (connection == nullptr || source == 0) {
        return;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = connection;
    event.xclient.window = source;
    event.xclient.message_type = messageType;
    event.xclient.format = 32;
    for (int index = 0; index < 5; ++index) {
        event.xclient.data.l[index] = data[index];
    }
    X11ErrorGuard guard(connection);
    XSendEvent(connection, source, False, NoEventMask, &event);
}

} // namespace stepveil::platform

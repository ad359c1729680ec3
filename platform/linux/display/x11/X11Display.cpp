#include "platform/linux/display/x11/X11Display.h"

#include "platform/linux/display/x11/X11ErrorGuard.h"
#include "platform/linux/display/x11/X11Events.h"
#include "platform/linux/ole/DropTargetRegistry.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <algorithm>
#include <bitset>
#include <chrono>
#include <cstring>

namespace stepveil::platform {

namespace {

using Ending = X11ErrorGuard::Ending;

constexpr long eventsOfOurWindows = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                    PointerMotionMask | KeyPressMask | KeyReleaseMask |
                                    StructureNotifyMask;

// X resource ids have 29 bits; a larger handle cannot name an X window.
constexpr std::uintptr_t largestXid = 0x1FFFFFFF;

unsigned long xidOf(HWND handle) {
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handle));
}

// Hosts that embed the window by its id (an LV2 host's X11 UI) size their socket from the
// window's normal hints: the window has one size, its base, least and largest.
void announceFixedSize(::Display* connection, unsigned long xid, const Window& layerWindow) {
    XSizeHints hints{};
    hints.flags = PBaseSize | PMinSize | PMaxSize;
    hints.base_width = hints.min_width = hints.max_width = std::max(layerWindow.width, 1);
    hints.base_height = hints.min_height = hints.max_height = std::max(layerWindow.height, 1);
    XSetWMNormalHints(connection, xid, &hints);
}

int lowestBit(unsigned long mask) {
    int bit = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++bit;
    }
    return bit;
}

int bitsPerPixelOfDepth(::Display* connection, int depth) {
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(connection, &count);
    int bits = 0;
    for (int index = 0; index < count; ++index) {
        if (formats[index].depth == depth) {
            bits = formats[index].bits_per_pixel;
        }
    }
    if (formats != nullptr) {
        XFree(formats);
    }
    return bits;
}

// The layer draws 8 bits per channel: it takes TrueColor visuals of depth 24 or 32 with 8-bit
// channels whose pixels Xlib keeps in 32 bits, which is what X servers offer in practice.
bool layoutOf(::Display* connection, Visual* visual, int depth, X11PixelLayout& layout) {
    if (visual == nullptr || visual->c_class != TrueColor || (depth != 24 && depth != 32)) {
        return false;
    }
    for (unsigned long mask : {visual->red_mask, visual->green_mask, visual->blue_mask}) {
        if (std::bitset<64>(mask).count() != 8) {
            return false;
        }
    }
    if (bitsPerPixelOfDepth(connection, depth) != 32) {
        return false;
    }
    layout.redShift = lowestBit(visual->red_mask);
    layout.greenShift = lowestBit(visual->green_mask);
    layout.blueShift = lowestBit(visual->blue_mask);
    auto colourBits =
        static_cast<std::uint32_t>(visual->red_mask | visual->green_mask | visual->blue_mask);
    layout.opaqueBits = depth == 32 ? ~colourBits : 0;
    return true;
}

std::uint32_t xPixel(COLORREF colour, const X11PixelLayout& layout) {
    return ((colour & 0xFFu) << layout.redShift) | (((colour >> 8) & 0xFFu) << layout.greenShift) |
           (((colour >> 16) & 0xFFu) << layout.blueShift) | layout.opaqueBits;
}

bool hostIsLittleEndian() {
    const std::uint16_t probe = 1;
    return *reinterpret_cast<const unsigned char*>(&probe) == 1;
}

// Copies the visible child windows of `window` (lying at `origin` in the buffer's
// coordinates) over the buffer, which holds `area` of the shown window.
void drawChildrenInto(const Window& window, POINT origin, const RECT& area,
                      std::vector<COLORREF>& buffer) {
    auto areaWidth = static_cast<std::size_t>(area.right - area.left);
    for (HWND childHandle : window.children) {
        auto child = findWindow(childHandle);
        if (!child || (child->style & WS_VISIBLE) == 0) {
            continue;
        }
        POINT childOrigin{origin.x + child->position.x, origin.y + child->position.y};
        RECT covered =
            intersection(area, RECT{childOrigin.x, childOrigin.y, childOrigin.x + child->width,
                                    childOrigin.y + child->height});
        for (int y = covered.top; y < covered.bottom; ++y) {
            for (int x = covered.left; x < covered.right; ++x) {
                buffer[static_cast<std::size_t>(y - area.top) * areaWidth +
                       static_cast<std::size_t>(x - area.left)] =
                    child->surface->pixel(x - childOrigin.x, y - childOrigin.y);
            }
        }
        drawChildrenInto(*child, childOrigin, area, buffer);
    }
}

} // namespace

X11Display::X11Display() : receiver(std::make_unique<X11DropReceiver>(*this)) {}

X11Display::~X11Display() {
    for (auto& entry : windows) {
        destroyXWindow(*entry.second);
    }
    windows.clear();
    closeConnectionWhenUnused();
}

DWORD X11Display::tickCount() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// ---- the connection ----

bool X11Display::openConnection() {
    if (xConnection == nullptr) {
        xConnection = XOpenDisplay(nullptr);
    }
    return xConnection != nullptr;
}

void X11Display::closeConnectionWhenUnused() {
    if (xConnection == nullptr || !windows.empty()) {
        return;
    }
    receiver->connectionClosing();
    X11ErrorGuard guard(xConnection);
    if (arrowCursor != 0) {
        XFreeCursor(xConnection, arrowCursor);
        arrowCursor = 0;
    }
    XCloseDisplay(xConnection);
    guard.connectionClosed();
    xConnection = nullptr;
    pressHeld = false;
}

std::uintptr_t X11Display::nativeWindowOf(HWND window) {
    const X11Window* shown = findByLayerWindow(window);
    return shown == nullptr ? 0 : shown->xid;
}

X11Window* X11Display::findByXid(unsigned long xid) {
    for (auto& entry : windows) {
        if (entry.second->xid == xid) {
            return entry.second.get();
        }
    }
    return nullptr;
}

X11Window* X11Display::findByLayerWindow(HWND window) {
    auto found = windows.find(window);
    return found == windows.end() ? nullptr : found->second.get();
}

// ---- windows ----

// The handle the host passed must be an X window that can hold a visible child.
bool X11Display::acceptsNativeParent(HWND parent) {
    if (reinterpret_cast<std::uintptr_t>(parent) > largestXid || !openConnection()) {
        return false;
    }
    bool usable = false;
    {
        X11ErrorGuard guard(xConnection, Ending::alreadyAnswered);
        XWindowAttributes attributes;
        usable = XGetWindowAttributes(xConnection, xidOf(parent), &attributes) != 0 &&
                 !guard.failed() && attributes.c_class == InputOutput;
    }
    if (!usable) {
        closeConnectionWhenUnused();
    }
    return usable;
}

POINT X11Display::nativeParentOrigin(HWND parent) {
    if (xConnection == nullptr) {
        return POINT{0, 0};
    }
    unsigned long root = DefaultRootWindow(xConnection);
    for (auto& entry : windows) {
        if (entry.second->hostParent == xidOf(parent)) {
            root = entry.second->root;
        }
    }
    X11ErrorGuard guard(xConnection, Ending::alreadyAnswered);
    int x = 0;
    int y = 0;
    ::Window child = 0;
    if (!XTranslateCoordinates(xConnection, xidOf(parent), root, 0, 0, &x, &y, &child)) {
        return POINT{0, 0};
    }
    return POINT{x, y};
}

// Only the windows placed directly in a host's window become X windows; windows inside them
// are drawn into their picture.
bool X11Display::windowCreated(HWND handle) {
    auto window = findWindow(handle);
    if (!window || window->nativeParent == nullptr) {
        return true;
    }
    if (!openConnection()) {
        return false;
    }
    auto shown = std::make_unique<X11Window>();
    shown->layerWindow = handle;
    shown->hostParent = xidOf(window->nativeParent);
    if (!createXWindow(*shown, *window)) {
        closeConnectionWhenUnused();
        return false;
    }
    X11Window& made = *shown;
    windows[handle] = std::move(shown);
    if (hasDropTarget(handle)) {
        receiver->targetChanged(made, true);
    }
    return true;
}

// The parent's own visual when it is one the layer can draw for, otherwise a 24-bit TrueColor
// visual with a colormap of its own. No background: the server never clears the window, so
// nothing flickers between an exposure and the paint that answers it.
bool X11Display::createXWindow(X11Window& shown, const Window& layerWindow) {
    X11ErrorGuard guard(xConnection);
    XWindowAttributes parent;
    if (XGetWindowAttributes(xConnection, shown.hostParent, &parent) == 0 ||
        parent.c_class != InputOutput) {
        return false;
    }
    shown.root = parent.root;
    Visual* visual = parent.visual;
    int depth = parent.depth;
    XSetWindowAttributes attributes{};
    unsigned long attributeMask = CWBackPixmap | CWBorderPixel | CWBitGravity | CWEventMask;
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.bit_gravity = NorthWestGravity;
    attributes.event_mask = eventsOfOurWindows;
    if (!layoutOf(xConnection, visual, depth, shown.layout)) {
        XVisualInfo found;
        if (!XMatchVisualInfo(xConnection, XScreenNumberOfScreen(parent.screen), 24, TrueColor,
                              &found) ||
            !layoutOf(xConnection, found.visual, 24, shown.layout)) {
            return false;
        }
        visual = found.visual;
        depth = 24;
        shown.ownColormap = XCreateColormap(xConnection, parent.root, visual, AllocNone);
        attributes.colormap = shown.ownColormap;
        attributeMask |= CWColormap;
    }
    shown.visual = visual;
    shown.depth = depth;
    shown.xid =
        XCreateWindow(xConnection, shown.hostParent, layerWindow.position.x, layerWindow.position.y,
                      static_cast<unsigned>(std::max(layerWindow.width, 1)),
                      static_cast<unsigned>(std::max(layerWindow.height, 1)), 0, depth, InputOutput,
                      visual, attributeMask, &attributes);
    // Our windows show the arrow, the one cursor a window class of the layer can name.
    if (layerWindow.windowClass && layerWindow.windowClass->description.hCursor != nullptr) {
        if (arrowCursor == 0) {
            arrowCursor = XCreateFontCursor(xConnection, XC_left_ptr);
        }
        XDefineCursor(xConnection, shown.xid, arrowCursor);
    }
    announceFixedSize(xConnection, shown.xid, layerWindow);
    shown.graphicsContext = XCreateGC(xConnection, shown.xid, 0, nullptr);
    if (layerWindow.style & WS_VISIBLE) {
        XMapWindow(xConnection, shown.xid);
    }
    if (guard.failed()) {
        destroyXWindow(shown);
        return false;
    }
    return true;
}

// A window the server already destroyed with the host's window is not destroyed again.
void X11Display::destroyXWindow(X11Window& shown) {
    if (xConnection == nullptr) {
        return;
    }
    shown.sharedImage.reset();
    receiver->windowGoing(shown);
    X11ErrorGuard guard(xConnection);
    if (shown.graphicsContext != nullptr) {
        XFreeGC(xConnection, static_cast<GC>(shown.graphicsContext));
        shown.graphicsContext = nullptr;
    }
    if (shown.xid != 0 && !shown.lostToServer) {
        XDestroyWindow(xConnection, shown.xid);
    }
    shown.xid = 0;
    if (shown.ownColormap != 0) {
        XFreeColormap(xConnection, shown.ownColormap);
        shown.ownColormap = 0;
    }
}

void X11Display::windowDestroyed(HWND handle) {
    auto found = windows.find(handle);
    if (found == windows.end()) {
        return;
    }
    destroyXWindow(*found->second);
    windows.erase(found);
    closeConnectionWhenUnused();
}

std::vector<HWND> X11Display::windowsLostToTheSystem() {
    std::vector<HWND> lost;
    for (auto& entry : windows) {
        if (entry.second->lostToServer) {
            lost.push_back(entry.first);
        }
    }
    return lost;
}

// ---- pixels ----

void X11Display::windowChanged(HWND handle, const RECT& area) {
    auto shownWindow = windowInNativeParent(handle);
    X11Window* shown = shownWindow ? findByLayerWindow(shownWindow->handle) : nullptr;
    if (shown == nullptr || shown->lostToServer || xConnection == nullptr) {
        return;
    }
    POINT offset{0, 0};
    for (auto window = findWindow(handle); window && window != shownWindow;
         window = findWindow(window->parent)) {
        offset.x += window->position.x;
        offset.y += window->position.y;
    }
    RECT changed = intersection(offsetBy(area, offset.x, offset.y), shownWindow->surface->bounds());
    if (!isEmpty(changed)) {
        pushPixels(*shown, *shownWindow, changed);
    }
}

void X11Display::pushPixels(X11Window& shown, const Window& layerWindow, const RECT& area) {
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    // Both buffers are kept from push to push: a full window is half a megabyte, which would
    // otherwise be mapped, faulted in and unmapped again for every repaint.
    const auto rowLength = static_cast<std::size_t>(width);
    composedPixels.resize(rowLength * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::memcpy(&composedPixels[static_cast<std::size_t>(y) * rowLength],
                    layerWindow.surface->at(area.left, area.top + y), rowLength * sizeof(COLORREF));
    }
    drawChildrenInto(layerWindow, POINT{0, 0}, area, composedPixels);
    const X11PixelLayout layout = shown.layout;
    auto toX = [layout](COLORREF colour) { return xPixel(colour, layout); };

    if (X11SharedImage* shared = sharedImageFor(shown, layerWindow)) {
        // The guard's round trip also tells that the server has read the memory before the
        // next push writes it.
        X11ErrorGuard guard(xConnection);
        for (int y = 0; y < height; ++y) {
            auto row = composedPixels.begin() + static_cast<std::ptrdiff_t>(y) * width;
            std::transform(row, row + width, shared->at(area.left, area.top + y), toX);
        }
        shared->push(shown.xid, shown.graphicsContext, area);
        return;
    }
    pixelBuffer.resize(composedPixels.size());
    std::transform(composedPixels.begin(), composedPixels.end(), pixelBuffer.begin(), toX);

    X11ErrorGuard guard(xConnection);
    XImage* image = XCreateImage(
        xConnection, static_cast<Visual*>(shown.visual), static_cast<unsigned>(shown.depth),
        ZPixmap, 0, reinterpret_cast<char*>(pixelBuffer.data()), static_cast<unsigned>(width),
        static_cast<unsigned>(height), 32, width * 4);
    if (image == nullptr) {
        return;
    }
    // The pixels are in this machine's order; Xlib swaps them for a server of the other.
    image->byte_order = hostIsLittleEndian() ? LSBFirst : MSBFirst;
    XInitImage(image);
    XPutImage(xConnection, shown.xid, static_cast<GC>(shown.graphicsContext), image, 0, 0,
              area.left, area.top, static_cast<unsigned>(width), static_cast<unsigned>(height));
    image->data = nullptr; // the buffer is ours
    XDestroyImage(image);
}

// The window's picture in memory shared with the server, made at the first push and again
// when the window's size changed; null where the server cannot share memory with us (it runs
// on another machine, or lacks the extension), which is asked only once per window.
X11SharedImage* X11Display::sharedImageFor(X11Window& shown, const Window& layerWindow) {
    const int width = layerWindow.surface->width();
    const int height = layerWindow.surface->height();
    if (shown.sharedImage &&
        (shown.sharedImage->width() != width || shown.sharedImage->height() != height)) {
        shown.sharedImage.reset();
        shown.sharedMemoryRefused = false;
    }
    if (!shown.sharedImage && !shown.sharedMemoryRefused) {
        shown.sharedImage =
            X11SharedImage::create(xConnection, shown.visual, shown.depth, width, height);
        shown.sharedMemoryRefused = !shown.sharedImage;
    }
    return shown.sharedImage.get();
}

// ---- input ----

void X11Display::collectEvents() {
    pressHeld = false;
    if (xConnection == nullptr) {
        return;
    }
    X11ErrorGuard guard(xConnection, Ending::alreadyAnswered);
    while (xConnection != nullptr && XPending(xConnection) > 0) {
        XEvent event;
        XNextEvent(xConnection, &event);
        translateEvent(*this, event);
    }
    if (xConnection != nullptr) {
        receiver->afterEvents();
    }
}

bool X11Display::queryPointer(POINT& position, unsigned int& state) {
    if (xConnection == nullptr) {
        return false;
    }
    unsigned long root =
        windows.empty() ? DefaultRootWindow(xConnection) : windows.begin()->second->root;
    X11ErrorGuard guard(xConnection, Ending::alreadyAnswered);
    ::Window rootFound = 0;
    ::Window child = 0;
    int windowX = 0;
    int windowY = 0;
    int rootX = 0;
    int rootY = 0;
    bool onScreen = XQueryPointer(xConnection, root, &rootFound, &child, &rootX, &rootY, &windowX,
                                  &windowY, &state) != 0;
    position = POINT{rootX, rootY};
    return onScreen;
}

POINT X11Display::cursorPosition() {
    pressHeld = false;
    POINT position{0, 0};
    unsigned int state = 0;
    queryPointer(position, state);
    return position;
}

// The host idles only some 25 times a second, so a click is often over, button and control
// key let go, before its message is handled. Win32 hands a click to the window at once; to
// act the same, the handler of a button-down message reads the buttons, shift and control as
// the message gives them, until it first asks where the cursor is or reads the queue again
// (a drag loop does both): from then on it reads the live state.
void X11Display::messageTaken(const MSG& message) {
    pressHeld = message.message == WM_LBUTTONDOWN || message.message == WM_RBUTTONDOWN ||
                message.message == WM_MBUTTONDOWN;
    heldKeys = message.wParam;
    if (message.message == WM_KEYDOWN || message.message == WM_KEYUP) {
        keyMessageTaken(message);
    }
}

bool X11Display::isKeyDown(int virtualKey) {
    if (pressHeld) {
        switch (virtualKey) {
        case VK_LBUTTON:
            return (heldKeys & MK_LBUTTON) != 0;
        case VK_MBUTTON:
            return (heldKeys & MK_MBUTTON) != 0;
        case VK_RBUTTON:
            return (heldKeys & MK_RBUTTON) != 0;
        case VK_SHIFT:
            return (heldKeys & MK_SHIFT) != 0;
        case VK_CONTROL:
            return (heldKeys & MK_CONTROL) != 0;
        default:
            break;
        }
    }
    return liveKeyDown(virtualKey);
}

bool X11Display::liveKeyDown(int virtualKey) {
    if (unsigned int mask = stateMaskOfVirtualKey(virtualKey)) {
        POINT position{0, 0};
        unsigned int state = 0;
        return queryPointer(position, state) && (state & mask) != 0;
    }
    unsigned long keysym = keysymOfVirtualKey(virtualKey);
    if (keysym == 0 || xConnection == nullptr) {
        return false;
    }
    X11ErrorGuard guard(xConnection, Ending::alreadyAnswered);
    KeyCode keycode = XKeysymToKeycode(xConnection, keysym);
    char keys[32] = {};
    XQueryKeymap(xConnection, keys);
    return keycode != 0 && (keys[keycode / 8] & (1 << (keycode % 8))) != 0;
}

// X applies the pointer's button mapping before any client sees a button, so what the layer
// reads as the left button already is the user's primary one.
bool X11Display::buttonsSwapped() {
    return false;
}

// ---- drops and keys for the host ----

void X11Display::dropTargetChanged(HWND window, bool registered) {
    if (X11Window* shown = findByLayerWindow(window)) {
        receiver->targetChanged(*shown, registered);
    }
}

// The key event of a key message being taken from the queue.
void X11Display::keyMessageTaken(const MSG& message) {
    X11Window* shown = findByLayerWindow(message.hwnd);
    if (shown == nullptr) {
        return;
    }
    const bool pressed = message.message == WM_KEYDOWN;
    auto keycode =
        static_cast<unsigned int>((static_cast<std::uintptr_t>(message.lParam) >> 16) & 0xFF);
    shown->keyBeingHandled.reset();
    auto& awaiting = shown->keysAwaitingEditor;
    auto found = std::find_if(awaiting.begin(), awaiting.end(), [&](const X11KeyEvent& key) {
        return key.keycode == keycode && key.pressed == pressed;
    });
    if (found == awaiting.end()) {
        return;
    }
    shown->keyBeingHandled = *found;
    awaiting.erase(found);
    if (pressed) {
        shown->pressPassedOn[keycode] = false;
    }
}

// A key the editor did not use goes on to the host as X would have delivered it without our
// window: a press, and the release of a key whose press went on too (or came before the
// pointer was over the editor).
void X11Display::keyNotUsed(HWND window, UINT message, LPARAM lParam) {
    X11Window* shown = findByLayerWindow(window);
    if (shown == nullptr || !shown->keyBeingHandled || xConnection == nullptr) {
        return;
    }
    const X11KeyEvent key = *shown->keyBeingHandled;
    auto keycode = static_cast<unsigned int>((static_cast<std::uintptr_t>(lParam) >> 16) & 0xFF);
    if (key.keycode != keycode || key.pressed != (message == WM_KEYDOWN)) {
        return;
    }
    shown->keyBeingHandled.reset();
    if (shown->lostToServer) {
        return;
    }
    if (key.pressed) {
        shown->pressPassedOn[keycode] = true;
        passKeyOn(*shown, key);
        return;
    }
    auto press = shown->pressPassedOn.find(keycode);
    if (press == shown->pressPassedOn.end() || press->second) {
        passKeyOn(*shown, key);
    }
    if (press != shown->pressPassedOn.end()) {
        shown->pressPassedOn.erase(press);
    }
}

void X11Display::passKeyOn(const X11Window& shown, const X11KeyEvent& key) {
    const bool pressed = key.pressed;
    const long mask = pressed ? KeyPressMask : KeyReleaseMask;
    X11ErrorGuard guard(xConnection);
    ::Window focus = None;
    int revert = 0;
    XGetInputFocus(xConnection, &focus, &revert);
    if (focus == None) {
        return;
    }
    // Up from the host's window, as the server propagates a key event: the first window some
    // client asked the event of receives it, none past one that stops its propagation or past
    // the focus window.
    ::Window below = shown.xid;
    ::Window candidate = shown.hostParent;
    ::Window receiving = None;
    while (candidate != None) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(xConnection, candidate, &attributes) == 0) {
            return;
        }
        if ((attributes.all_event_masks & mask) != 0) {
            receiving = candidate;
            break;
        }
        if ((attributes.do_not_propagate_mask & mask) != 0 || candidate == focus) {
            return;
        }
        ::Window root = None;
        ::Window parent = None;
        ::Window* children = nullptr;
        unsigned int childCount = 0;
        if (XQueryTree(xConnection, candidate, &root, &parent, &children, &childCount) == 0) {
            return;
        }
        if (children != nullptr) {
            XFree(children);
        }
        below = candidate;
        candidate = parent;
    }
    if (receiving == None) {
        return;
    }
    XEvent event{};
    event.xkey.type = pressed ? KeyPress : KeyRelease;
    event.xkey.display = xConnection;
    event.xkey.window = receiving;
    event.xkey.root = shown.root;
    event.xkey.subwindow = below;
    event.xkey.time = key.time;
    event.xkey.x_root = key.rootX;
    event.xkey.y_root = key.rootY;
    ::Window child = None;
    XTranslateCoordinates(xConnection, shown.root, receiving, key.rootX, key.rootY, &event.xkey.x,
                          &event.xkey.y, &child);
    event.xkey.state = key.state;
    event.xkey.keycode = key.keycode;
    event.xkey.same_screen = True;
    XSendEvent(xConnection, receiving, False, mask, &event);
}

} // namespace stepveil::platform

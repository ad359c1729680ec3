#include "platform/linux/windowing/WindowManager.h"
#include "platform/linux/core/ThreadIdentity.h"

#include "platform/linux/core/HandleTable.h"
#include "platform/linux/display/Display.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>

namespace stepveil::platform {

namespace {

constexpr DWORD clipChildrenStyle = 0x02000000L; // WS_CLIPCHILDREN

struct PostedMessage {
    MSG message;
    std::thread::id thread;
};

struct WindowTables {
    std::map<std::string, std::shared_ptr<WindowClass>> classes; // by lower-case name
    ATOM nextAtom = 0xC000;
    HandleTable<Window> windows;
    std::vector<HWND> creationOrder;
    std::deque<PostedMessage> queue;
};

WindowTables& tables() {
    static WindowTables instance;
    return instance;
}

// Win32 compares class names without regard to case.
std::string classKey(const std::string& name) {
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char character) {
        return static_cast<char>(std::tolower(character));
    });
    return key;
}

bool isSameOrDescendant(HWND candidate, HWND ancestor) {
    for (auto window = findWindow(candidate); window; window = findWindow(window->parent)) {
        if (window->handle == ancestor) {
            return true;
        }
    }
    return false;
}

bool matchesWindowFilter(HWND messageWindow, HWND filter) {
    if (filter == nullptr) {
        return true;
    }
    if (filter == reinterpret_cast<HWND>(-1)) {
        return messageWindow == nullptr;
    }
    return messageWindow != nullptr && isSameOrDescendant(messageWindow, filter);
}

void addToUpdate(Window& window, const RECT& area, bool erase) {
    RECT clipped = intersection(area, window.surface->bounds());
    if (isEmpty(clipped)) {
        return;
    }
    window.update = unionOf(window.update, clipped);
    window.erasePending = window.erasePending || erase;
}

} // namespace

ATOM registerWindowClass(const WNDCLASSA& description) {
    std::string name = description.lpszClassName;
    std::string key = classKey(name);
    if (tables().classes.count(key) > 0) {
        return 0;
    }
    auto windowClass = std::make_shared<WindowClass>();
    windowClass->name = name;
    windowClass->description = description;
    windowClass->description.lpszClassName = nullptr; // the caller's text may not live on
    windowClass->description.lpszMenuName = nullptr;
    windowClass->atom = tables().nextAtom++;
    tables().classes[key] = windowClass;
    return windowClass->atom;
}

bool unregisterWindowClass(const std::string& name, HINSTANCE instance) {
    auto found = tables().classes.find(classKey(name));
    if (found == tables().classes.end() || found->second->description.hInstance != instance ||
        found->second->windowCount > 0) {
        return false;
    }
    tables().classes.erase(found);
    return true;
}

std::shared_ptr<WindowClass> findWindowClass(const std::string& name) {
    auto found = tables().classes.find(classKey(name));
    return found == tables().classes.end() ? nullptr : found->second;
}

std::size_t registeredClassCount() {
    return tables().classes.size();
}

std::shared_ptr<Window> findWindow(HWND handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    return tables().windows.find(handle);
}

HWND addWindow(std::shared_ptr<Window> window) {
    HWND handle = toHandle<HWND>(tables().windows.add(window));
    window->handle = handle;
    tables().creationOrder.push_back(handle);
    if (auto parent = findWindow(window->parent)) {
        parent->children.push_back(handle);
    }
    if (window->windowClass) {
        ++window->windowClass->windowCount;
    }
    return handle;
}

std::vector<std::shared_ptr<Window>> windowTree(HWND root) {
    std::vector<std::shared_ptr<Window>> tree;
    if (auto window = findWindow(root)) {
        tree.push_back(window);
        for (HWND child : window->children) {
            auto below = windowTree(child);
            tree.insert(tree.end(), below.begin(), below.end());
        }
    }
    return tree;
}

void forgetWindow(HWND handle) {
    auto window = findWindow(handle);
    if (!window) {
        return;
    }
    if (auto parent = findWindow(window->parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), handle), siblings.end());
    }
    if (window->windowClass) {
        --window->windowClass->windowCount;
    }
    auto& order = tables().creationOrder;
    order.erase(std::remove(order.begin(), order.end(), handle), order.end());
    forgetMessagesFor(handle);
    tables().windows.remove(handle);
}

bool isWindowVisible(const Window& window) {
    for (const Window* current = &window; current != nullptr;) {
        if ((current->style & WS_VISIBLE) == 0) {
            return false;
        }
        auto parent = findWindow(current->parent);
        current = parent.get();
    }
    return true;
}

POINT screenOrigin(const Window& window) {
    POINT origin = window.position;
    HWND nativeParent = window.nativeParent;
    for (auto parent = findWindow(window.parent); parent; parent = findWindow(parent->parent)) {
        origin.x += parent->position.x;
        origin.y += parent->position.y;
        nativeParent = parent->nativeParent;
    }
    if (nativeParent != nullptr) {
        POINT nativeOrigin = currentDisplay().nativeParentOrigin(nativeParent);
        origin.x += nativeOrigin.x;
        origin.y += nativeOrigin.y;
    }
    return origin;
}

std::shared_ptr<Window> windowInNativeParent(HWND window) {
    auto current = findWindow(window);
    while (current && current->parent != nullptr) {
        current = findWindow(current->parent);
    }
    return current && current->nativeParent != nullptr ? current : nullptr;
}

std::vector<std::shared_ptr<Window>> windowsOfThread(std::thread::id thread) {
    std::vector<std::shared_ptr<Window>> result;
    for (HWND handle : tables().creationOrder) {
        auto window = findWindow(handle);
        if (window && window->thread == thread) {
            result.push_back(window);
        }
    }
    return result;
}

// Without WS_CLIPCHILDREN a parent's update region covers its children too, and the
// children's own parts of it are invalidated as well, as Win32's InvalidateRect does.
void invalidateWindow(Window& window, const RECT* area, bool erase) {
    if (!isWindowVisible(window)) {
        return;
    }
    RECT whole = window.surface->bounds();
    RECT requested = area != nullptr ? *area : whole;
    addToUpdate(window, requested, erase);
    if (window.style & clipChildrenStyle) {
        return;
    }
    for (HWND childHandle : window.children) {
        auto child = findWindow(childHandle);
        if (!child) {
            continue;
        }
        RECT inChild = offsetBy(requested, -child->position.x, -child->position.y);
        if (!isEmpty(intersection(inChild, child->surface->bounds()))) {
            invalidateWindow(*child, &inChild, erase);
        }
    }
}

void postMessage(const MSG& message, std::thread::id thread) {
    tables().queue.push_back(PostedMessage{message, thread});
}

bool messageInRange(UINT message, UINT first, UINT last) {
    if ((first == 0 && last == 0) || first > last) {
        return true;
    }
    return message >= first && message <= last;
}

bool takePostedMessage(MSG& message, HWND window, UINT first, UINT last, bool remove) {
    auto& queue = tables().queue;
    std::thread::id self = callingThread();
    for (auto entry = queue.begin(); entry != queue.end(); ++entry) {
        if (entry->thread != self || !messageInRange(entry->message.message, first, last) ||
            !matchesWindowFilter(entry->message.hwnd, window)) {
            continue;
        }
        message = entry->message;
        if (remove) {
            queue.erase(entry);
        }
        return true;
    }
    return false;
}

void forgetMessagesFor(HWND window) {
    auto& queue = tables().queue;
    queue.erase(std::remove_if(
                    queue.begin(), queue.end(),
                    [window](const PostedMessage& entry) { return entry.message.hwnd == window; }),
                queue.end());
}

HWND windowNeedingPaint(HWND filter) {
    for (const auto& window : windowsOfThread(callingThread())) {
        if (!isEmpty(window->update) && isWindowVisible(*window) && !window->destroying &&
            matchesWindowFilter(window->handle, filter)) {
            return window->handle;
        }
    }
    return nullptr;
}

} // namespace stepveil::platform

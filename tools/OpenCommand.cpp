#include "tools/OpenCommand.h"

#include "tools/Interruption.h"
#include "tools/PluginLocation.h"
#include "tools/PluginQueries.h"
#include "tools/PluginState.h"
#include "tools/ReplacementFile.h"
#include "tools/ToolError.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace stepveil::tool {
namespace {

// About 30 idle calls a second, as hosts give their editors.
constexpr std::chrono::milliseconds idleInterval{33};

// The tool's own X connection and the top-level window the editor goes into.
class HostWindow {
public:
    HostWindow(const std::string& title, int width, int height) {
        const char* name = std::getenv("DISPLAY");
        connection = XOpenDisplay(nullptr);
        if (connection == nullptr) {
            throw failure("cannot open the X display \"" + std::string(name ? name : "") +
                          "\": `open` shows the editor on an X server (set DISPLAY)");
        }
        window = XCreateSimpleWindow(connection, DefaultRootWindow(connection), 0, 0,
                                     static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                     BlackPixel(connection, DefaultScreen(connection)),
                                     BlackPixel(connection, DefaultScreen(connection)));
        XStoreName(connection, window, title.c_str());
        // The editor has one size: the window keeps it.
        XSizeHints* hints = XAllocSizeHints();
        if (hints != nullptr) {
            hints->flags = PMinSize | PMaxSize;
            hints->min_width = hints->max_width = width;
            hints->min_height = hints->max_height = height;
            XSetWMNormalHints(connection, window, hints);
            XFree(hints);
        }
        deleteWindow = XInternAtom(connection, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(connection, window, &deleteWindow, 1);
        XSelectInput(connection, window, StructureNotifyMask);
        XMapWindow(connection, window);
        XSync(connection, False);
    }
    ~HostWindow() {
        if (!destroyed) {
            XDestroyWindow(connection, window);
        }
        XCloseDisplay(connection);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    void* handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }

    // Reads the tool's own events; true once the window manager asked to close the window,
    // or something else destroyed it.
    bool closeRequested() {
        while (XPending(connection) > 0) {
            XEvent event;
            XNextEvent(connection, &event);
            if (event.type == ClientMessage &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
                closing = true;
            } else if (event.type == DestroyNotify && event.xdestroywindow.window == window) {
                closing = true;
                destroyed = true;
            }
        }
        return closing;
    }

private:
    ::Display* connection = nullptr;
    ::Window window = 0;
    Atom deleteWindow = 0;
    bool closing = false;
    bool destroyed = false;
};

// Collects the levels the editor automates (possibly from inside a drag) and prints them
// with the plug-in's own name, value text and unit, once the plug-in is free to answer.
class LevelPrinter {
public:
    LevelPrinter(HostedPlugin& hostedPlugin, std::FILE* output)
        : plugin(hostedPlugin), report(output) {}

    void noteAutomation(int index, float value) { pending.push_back({index, value}); }

    void printPending() {
        std::vector<std::pair<int, float>> changes;
        changes.swap(pending);
        for (const auto& [index, value] : changes) {
            std::fprintf(report, "%s = %g (%s %s)\n", trimmed(plugin.parameterName(index)).c_str(),
                         static_cast<double>(value),
                         trimmed(plugin.parameterDisplay(index)).c_str(),
                         trimmed(plugin.parameterLabel(index)).c_str());
        }
        if (!changes.empty()) {
            std::fflush(report);
        }
    }

private:
    static std::string trimmed(const std::string& text) {
        const auto first = text.find_first_not_of(' ');
        const auto last = text.find_last_not_of(' ');
        return first == std::string::npos ? "" : text.substr(first, last - first + 1);
    }

    HostedPlugin& plugin;
    std::FILE* report;
    std::vector<std::pair<int, float>> pending;
};

} // namespace

void runOpen(const OpenOptions& options, std::FILE* report) {
    const std::string path = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    // The plug-in shows its editor on X11 unless the environment asks for the headless display.
    unsetenv("STEPVEIL_DISPLAY");
    std::unique_ptr<HostedPlugin> plugin = loadPlugin(path);
    plugin->open();
    if ((plugin->effect()->flags & effFlagsHasEditor) == 0) {
        throw failure("\"" + path + "\" has no editor to show");
    }
    // Made before the editor shows, so that a folder the file cannot go into is found before
    // the user's work, not after it.
    std::unique_ptr<ReplacementFile> saved;
    if (!options.savePath.empty()) {
        saved = std::make_unique<ReplacementFile>(options.savePath);
    }
    const SelectedProgram program = loadState(*plugin, options.state, options.program);

    ERect* size = nullptr;
    if (plugin->dispatch(effEditGetRect, 0, 0, &size) == 0 || size == nullptr ||
        size->right <= size->left || size->bottom <= size->top) {
        throw failure("the editor of \"" + path + "\" does not tell its size");
    }
    HostWindow window(plugin->effectName(), size->right - size->left, size->bottom - size->top);
    LevelPrinter printer(*plugin, report);
    plugin->setNoticeHandler([&printer](vst2::int32 opcode, vst2::int32 index, float value) {
        if (opcode == audioMasterAutomate) {
            printer.noteAutomation(index, value);
        } else if (opcode == audioMasterIdle) {
            printer.printPending();
        }
    });
    if (plugin->dispatch(effEditOpen, 0, 0, window.handle()) == 0) {
        throw failure("the editor of \"" + path + "\" did not open on the X display");
    }
    const std::string ending = saved ? "save " + options.savePath : "quit";
    std::fprintf(report, "showing the editor, program %d \"%s\"; close its window to %s\n",
                 program.index, program.name.c_str(), ending.c_str());
    std::fflush(report);

    installInterruptionHandlers();
    auto nextIdle = std::chrono::steady_clock::now();
    while (!window.closeRequested() && !interruptionRequested()) {
        plugin->dispatch(effEditIdle);
        printer.printPending();
        nextIdle += idleInterval;
        const auto now = std::chrono::steady_clock::now();
        if (nextIdle < now) {
            nextIdle = now; // a long drag or a slow machine: no burst of idles to catch up
        }
        std::this_thread::sleep_until(nextIdle);
    }
    plugin->dispatch(effEditClose);
    plugin->setNoticeHandler(nullptr);
    if (saved) {
        saved->write(stateFileOf(*plugin, options.saveKind));
        saved->commit();
        std::fprintf(report, "saved %s of \"%s\" to %s\n",
                     options.saveKind == PresetKind::bank ? "the bank" : "the current program",
                     plugin->effectName().c_str(), options.savePath.c_str());
    }
}

} // namespace stepveil::tool

// The built plug-in's editor on a real X server (Xvfb), opened by the project's host in X11
// windows of the host's own, driven by real pointer and key input from another connection,
// and pictured by reading the server's pixels back.
#include <gtest/gtest.h>

#include "X11TestHost.h"
#include "host/HostedPlugin.h"

#include <X11/keysym.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <thread>

namespace {

using stepveil::host::HostedPlugin;
using x11test::columnCentre;
using x11test::editorHeight;
using x11test::editorWidth;
using x11test::handleMiddle;
using x11test::headlessPicture;

// A plug-in instance as the host drives it: its editor's window, its idle, and what the host
// does whenever the editor asks for the host's idle while it holds the mouse.
struct Instance {
    std::unique_ptr<HostedPlugin> plugin;
    std::deque<std::function<void()>> duringHostIdle;

    vst2::intptr open(::Window parent) {
        return plugin->dispatch(effEditOpen, 0, 0,
                                reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)));
    }
    void idle() { plugin->dispatch(effEditIdle); }
    void close() { plugin->dispatch(effEditClose); }
    std::vector<float> levels() {
        std::vector<float> values;
        for (int step = 0; step < x11test::stepCount; ++step) {
            values.push_back(plugin->getParameter(step));
        }
        return values;
    }
    // The edit notices the host received, in order: begin, automate, end.
    std::vector<vst2::int32> editNotices() {
        std::vector<vst2::int32> notices;
        for (const auto& call : plugin->callLog().calls()) {
            if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterAutomate ||
                call.opcode == audioMasterEndEdit) {
                notices.push_back(call.opcode);
            }
        }
        return notices;
    }
};

class EditorOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        // The plug-in shows its editor on X11 unless told otherwise.
        unsetenv("STEPVEIL_DISPLAY");
        clientsWithoutEditor = host.clientCount();
    }

    Instance load() {
        auto loaded = HostedPlugin::load(STEPVEIL_PLUGIN_FILE);
        EXPECT_TRUE(loaded) << loaded.error;
        Instance instance{std::move(loaded.plugin), {}};
        instance.plugin->open();
        auto* pending = &instance.duringHostIdle;
        instance.plugin->setNoticeHandler([pending](vst2::int32 opcode, vst2::int32, float) {
            if (opcode == audioMasterIdle && !pending->empty()) {
                auto action = std::move(pending->front());
                pending->pop_front();
                action();
            }
        });
        return instance;
    }

    // The one window the editor put into the host's window.
    ::Window editorIn(::Window parent) {
        auto children = host.children(parent);
        return children.size() == 1 ? children.front() : 0;
    }

    void expectShowsLevels(::Window parent, Instance& instance) {
        std::string difference = x11test::firstDifference(host.picture(editorIn(parent)),
                                                          headlessPicture(instance.levels()));
        EXPECT_EQ(difference, "") << "the X11 picture differs from the headless one";
    }

    // The server notices a closed connection a little after the client is gone; a few round
    // trips (not a time) are enough for it.
    bool pluginConnectionClosed() {
        for (int roundTrip = 0; roundTrip < 1000; ++roundTrip) {
            if (host.clientCount() == clientsWithoutEditor) {
                return true;
            }
        }
        return false;
    }

    // Puts the pointer at a point of the editor in `parent`, given in the editor's coordinates.
    void pointAt(::Window parent, int x, int y) {
        XWindowAttributes where = host.attributes(parent);
        host.movePointer(where.x + x, where.y + y);
    }

    // The key events the host's window received since the last call, as "press NAME".
    std::vector<std::string> keysReaching(::Window window) {
        XSync(host.connection(), False);
        std::vector<std::string> keys;
        XEvent event;
        while (
            XCheckWindowEvent(host.connection(), window, KeyPressMask | KeyReleaseMask, &event)) {
            const char* name = XKeysymToString(XLookupKeysym(&event.xkey, 0));
            keys.push_back(std::string(event.type == KeyPress ? "press " : "release ") +
                           (name != nullptr ? name : "?"));
        }
        return keys;
    }

    x11test::X11Host host;
    int clientsWithoutEditor = 0;
};

TEST_F(EditorOnX11, OpensAsOneMappedChildShowingTheHeadlessPictureAndLeavesNothingBehind) {
    Instance editor = load();
    ::Window parent = host.makeWindow(40, 30, editorWidth, editorHeight);
    ERect* size = nullptr;
    ASSERT_EQ(editor.plugin->dispatch(effEditGetRect, 0, 0, &size), 1);
    ASSERT_EQ(editor.open(parent), 1);
    editor.idle();
    ::Window shown = editorIn(parent);
    ASSERT_NE(shown, 0u) << "one child window in the host's window";
    XWindowAttributes attributes = host.attributes(shown);
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    EXPECT_EQ(attributes.width, editorWidth);
    EXPECT_EQ(attributes.height, editorHeight);
    EXPECT_EQ(attributes.map_state, IsViewable);
    expectShowsLevels(parent, editor);
    editor.close();
    EXPECT_TRUE(host.children(parent).empty());
    EXPECT_TRUE(pluginConnectionClosed());

    // As Ardour does it: open in a 1 x 1 unmapped window, ask the size afterwards, then size
    // and map the window; the editor appears once the host shows it.
    ::Window small = host.makeWindow(40, 30, 1, 1, false);
    ASSERT_EQ(editor.open(small), 1);
    editor.idle();
    ASSERT_EQ(editor.plugin->dispatch(effEditGetRect, 0, 0, &size), 1);
    host.resizeAndMap(small, size->right - size->left, size->bottom - size->top);
    editor.idle();
    expectShowsLevels(small, editor);
    editor.close();

    for (int cycle = 0; cycle < 100; ++cycle) {
        ASSERT_EQ(editor.open(parent), 1);
        editor.idle();
        editor.close();
    }
    EXPECT_TRUE(host.children(parent).empty());
    EXPECT_TRUE(host.children(small).empty());
    EXPECT_TRUE(pluginConnectionClosed());
    EXPECT_EQ(host.hostErrors(), 0);
}

TEST_F(EditorOnX11, RealPointerAndKeysMoveTheLevelsAndTheHostsChangesShow) {
    Instance editor = load();
    ::Window parent = host.makeWindow(60, 40, editorWidth, editorHeight);
    ASSERT_EQ(editor.open(parent), 1);
    editor.plugin->setParameter(4, 0.75f);
    editor.idle();

    // A drag down on slider 5 from level 0.75 to 0.5, 19 pixels. The host sees the edit
    // bracketed.
    std::vector<float> before = editor.levels();
    pointAt(parent, columnCentre(4), handleMiddle(0.75f));
    host.button(1, true);
    editor.duringHostIdle.push_back([&] { pointAt(parent, columnCentre(4), handleMiddle(0.5f)); });
    editor.duringHostIdle.push_back([&] { host.button(1, false); });
    editor.plugin->callLog().clear();
    editor.idle();
    std::vector<float> after = editor.levels();
    EXPECT_FLOAT_EQ(after[4], 0.5f);
    after[4] = before[4];
    EXPECT_EQ(after, before) << "only the dragged level changes";
    std::vector<vst2::int32> notices = editor.editNotices();
    ASSERT_GE(notices.size(), 3u);
    EXPECT_EQ(notices.front(), audioMasterBeginEdit);
    EXPECT_EQ(notices[1], audioMasterAutomate);
    EXPECT_EQ(notices.back(), audioMasterEndEdit);
    editor.idle();
    expectShowsLevels(parent, editor);

    // The dragged slider has the focus: the up key with the pointer over the editor raises it,
    // and the host's window, which asks for keys, does not see it. The keys the editor does
    // not use (the space bar, which starts playback in hosts, and a key without a virtual
    // key) reach the host's window as if the editor were not there.
    XSelectInput(host.connection(), parent, KeyPressMask | KeyReleaseMask);
    XSync(host.connection(), False);
    host.key(XK_Up, true);
    host.key(XK_Up, false);
    editor.idle();
    EXPECT_FLOAT_EQ(editor.plugin->getParameter(4), 0.6f);
    for (KeySym key : {XK_space, XK_comma}) {
        host.key(key, true);
        host.key(key, false);
    }
    editor.idle();
    EXPECT_EQ(keysReaching(parent), (std::vector<std::string>{"press space", "release space",
                                                              "press comma", "release comma"}));
    EXPECT_FLOAT_EQ(editor.plugin->getParameter(4), 0.6f);

    // Control+click sets half level, also when the click was over before the host's idle.
    editor.plugin->setParameter(8, 1.0f);
    editor.plugin->setParameter(9, 1.0f);
    editor.idle();
    host.key(XK_Control_L, true);
    pointAt(parent, columnCentre(8), handleMiddle(1.0f));
    host.button(1, true);
    editor.idle();
    host.button(1, false);
    pointAt(parent, columnCentre(9), handleMiddle(1.0f));
    host.button(1, true);
    host.button(1, false);
    host.key(XK_Control_L, false);
    editor.idle();
    EXPECT_FLOAT_EQ(editor.plugin->getParameter(8), 0.5f);
    EXPECT_FLOAT_EQ(editor.plugin->getParameter(9), 0.5f);

    // The wheel: one notch up on slider 11, two down on slider 12.
    editor.plugin->setParameter(10, 0.5f);
    editor.plugin->setParameter(11, 0.5f);
    pointAt(parent, columnCentre(10), 100);
    host.button(4, true);
    host.button(4, false);
    editor.idle();
    pointAt(parent, columnCentre(11), 100);
    for (int notch = 0; notch < 2; ++notch) {
        host.button(5, true);
        host.button(5, false);
    }
    editor.idle();
    EXPECT_FLOAT_EQ(editor.plugin->getParameter(10), 0.6f);
    EXPECT_FLOAT_EQ(editor.plugin->getParameter(11), 0.3f);
    expectShowsLevels(parent, editor);

    // The host's automation and a program change show at the next idle.
    editor.plugin->setParameter(20, 0.25f);
    editor.idle();
    expectShowsLevels(parent, editor);
    editor.plugin->setProgram(3);
    editor.idle();
    expectShowsLevels(parent, editor);
    editor.close();
    EXPECT_EQ(host.hostErrors(), 0);
}

TEST_F(EditorOnX11, TwoInstancesShowAndTakeInputEachOnItsOwn) {
    Instance first = load();
    Instance second = load();
    second.plugin->setProgram(5);
    ::Window firstParent = host.makeWindow(0, 0, editorWidth, editorHeight);
    ::Window secondParent = host.makeWindow(0, 260, editorWidth, editorHeight);
    ASSERT_EQ(first.open(firstParent), 1);
    ASSERT_EQ(second.open(secondParent), 1);
    first.idle();
    second.idle();
    expectShowsLevels(firstParent, first);
    expectShowsLevels(secondParent, second);
    EXPECT_EQ(host.clientCount(), clientsWithoutEditor + 1) << "one connection for both";

    // The wheel over the second editor moves the second instance's level only.
    std::vector<float> firstLevels = first.levels();
    float secondLevel = second.plugin->getParameter(6);
    pointAt(secondParent, columnCentre(6), 100);
    host.button(5, true);
    host.button(5, false);
    first.idle();
    second.idle();
    EXPECT_EQ(first.levels(), firstLevels);
    EXPECT_FLOAT_EQ(second.plugin->getParameter(6), std::max(0.0f, secondLevel - 0.1f));

    // Closing the first leaves the second working.
    first.close();
    EXPECT_TRUE(host.children(firstParent).empty());
    second.plugin->setParameter(7, 0.0f);
    pointAt(secondParent, columnCentre(7), 100);
    host.button(4, true);
    host.button(4, false);
    second.idle();
    EXPECT_FLOAT_EQ(second.plugin->getParameter(7), 0.1f);
    expectShowsLevels(secondParent, second);
    second.close();
    EXPECT_TRUE(pluginConnectionClosed());
    EXPECT_EQ(host.hostErrors(), 0);
}

// A Linux host opens and idles the editor on a thread of its own for X, ends the plug-in from
// its main thread while that thread waits, unloads the file and destroys its window: the
// editor's window and the plug-in's connection go with effClose, and nothing is left to fail.
TEST_F(EditorOnX11, ClosedFromAnotherThreadThanItsOwnItLeavesNothingBehind) {
    Instance editor = load();
    ::Window parent = host.makeWindow(0, 0, editorWidth, editorHeight);
    std::atomic<int> phase{0};
    std::thread editorThread([&] {
        EXPECT_EQ(editor.open(parent), 1);
        editor.idle();
        editor.plugin->setParameter(4, 0.0f);
        editor.idle();
        phase = 1;
        while (phase.load() != 2) {
            std::this_thread::yield();
        }
    });
    while (phase.load() != 1) {
        std::this_thread::yield();
    }
    EXPECT_EQ(host.children(parent).size(), 1u);
    EXPECT_EQ(editor.plugin->close(), 1);
    EXPECT_TRUE(host.children(parent).empty()) << "the editor's window went with effClose";
    EXPECT_TRUE(pluginConnectionClosed()) << "and so did the plug-in's connection";
    editor.plugin.reset(); // unloads the file
    host.destroyWindow(parent);
    phase = 2;
    editorThread.join();
    EXPECT_EQ(host.hostErrors(), 0);
}

TEST_F(EditorOnX11, FaultsOfTheHostAreSurvivedAndItsErrorHandlerIsLeftAlone) {
    Instance editor = load();
    editor.close();
    editor.idle();

    // Handles that are no window: a pixmap, an id nobody made, and no usable window at all.
    Pixmap pixmap = XCreatePixmap(host.connection(), DefaultRootWindow(host.connection()), 8, 8,
                                  static_cast<unsigned>(DefaultDepth(host.connection(), 0)));
    XSync(host.connection(), False);
    EXPECT_EQ(editor.open(pixmap), 0);
    EXPECT_EQ(editor.open(0x1FFFFF0), 0);
    editor.idle();
    editor.close();
    EXPECT_TRUE(pluginConnectionClosed());

    // The host destroys its window with the editor open, then idles and closes; or closes
    // at once.
    for (bool idleBetween : {true, false}) {
        ::Window parent = host.makeWindow(0, 0, editorWidth, editorHeight);
        ASSERT_EQ(editor.open(parent), 1);
        editor.idle();
        host.destroyWindow(parent);
        if (idleBetween) {
            // The editor's window learns it is gone (WM_DESTROY), and the connection goes.
            editor.idle();
            EXPECT_TRUE(pluginConnectionClosed());
            editor.idle();
        }
        editor.close();
        EXPECT_TRUE(pluginConnectionClosed()) << idleBetween;
    }

    // No X server to reach.
    std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", ":4095", 1);
    ::Window parent = host.makeWindow(0, 0, editorWidth, editorHeight);
    EXPECT_EQ(editor.open(parent), 0);
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_TRUE(host.children(parent).empty());
    ASSERT_EQ(editor.open(parent), 1) << "and it opens once the server can be reached";
    editor.idle();
    expectShowsLevels(parent, editor);
    editor.close();

    XFreePixmap(host.connection(), pixmap);
    EXPECT_EQ(host.hostErrors(), 0) << "the plug-in's X errors never reach the host's handler";
    EXPECT_TRUE(host.hostHandlerInstalled());
    // The host's own errors still reach it.
    XDestroyWindow(host.connection(), 0x1FFFFF0);
    XSync(host.connection(), False);
    EXPECT_EQ(host.hostErrors(), 1);
}

} // namespace

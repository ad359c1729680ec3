// `stepveil open` as a user meets it: the tool's window on the X server, a slider dragged
// with the real pointer, the level printed as the host received it, and the window closed
// as a window manager closes it.
#include <gtest/gtest.h>

#include "X11TestHost.h"
#include "host/HostedPlugin.h"

#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using x11test::columnCentre;
using x11test::handleMiddle;

// Waiting on another process: checked every few milliseconds, and given up after a bound
// far beyond what the tool needs, so that a broken tool fails the test instead of hanging it.
template <typename Condition> bool eventually(Condition condition) {
    for (int attempt = 0; attempt < 3000; ++attempt) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string fileText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The top-level window with the given name, or 0.
::Window windowNamed(x11test::X11Host& host, const std::string& name) {
    for (::Window window : host.children(DefaultRootWindow(host.connection()))) {
        char* found = nullptr;
        bool matches =
            XFetchName(host.connection(), window, &found) != 0 && found != nullptr && name == found;
        if (found != nullptr) {
            XFree(found);
        }
        if (matches) {
            return window;
        }
    }
    return 0;
}

void askToClose(::Display* connection, ::Window window) {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] =
        static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    XSendEvent(connection, window, False, NoEventMask, &message);
    XSync(connection, False);
}

TEST(OpenCommand, ShowsTheEditorPrintsDraggedLevelsAndEndsWhenItsWindowIsClosed) {
    // What the plug-in itself says of step 5 at its starting level and at half level.
    auto loaded = stepveil::host::HostedPlugin::load(STEPVEIL_PLUGIN_FILE);
    ASSERT_TRUE(loaded) << loaded.error;
    loaded.plugin->setProgram(2);
    float start = loaded.plugin->getParameter(4);
    loaded.plugin->setParameter(4, 0.5f);
    std::string expectedLine = "Level 5 = 0.5 (" + loaded.plugin->parameterDisplay(4) + " " +
                               loaded.plugin->parameterLabel(4) + ")";
    std::string title = loaded.plugin->effectName();
    loaded.plugin.reset();
    ASSERT_NE(start, 0.5f);

    x11test::X11Host host;
    std::string output = testing::TempDir() + "stepveil-open-output.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> arguments{STEPVEIL_TOOL_PATH, "open", "--program", "2"};
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t tool = 0;
    ASSERT_EQ(posix_spawn(&tool, STEPVEIL_TOOL_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    ::Window window = 0;
    ASSERT_TRUE(eventually([&] {
        window = windowNamed(host, title);
        return window != 0 && host.children(window).size() == 1 &&
               fileText(output).find("showing the editor") != std::string::npos;
    })) << fileText(output);
    XWindowAttributes where = host.attributes(window);
    EXPECT_EQ(where.width, x11test::editorWidth);
    EXPECT_EQ(where.height, x11test::editorHeight);

    host.movePointer(where.x + columnCentre(4), where.y + handleMiddle(start));
    host.button(1, true);
    host.movePointer(where.x + columnCentre(4), where.y + handleMiddle(0.5f));
    EXPECT_TRUE(eventually([&] {
        return fileText(output).find(expectedLine) != std::string::npos;
    })) << fileText(output);
    host.button(1, false);

    askToClose(host.connection(), window);
    int status = -1;
    ASSERT_EQ(waitpid(tool, &status, 0), tool);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(windowNamed(host, title), 0u);
    std::remove(output.c_str());
}

} // namespace

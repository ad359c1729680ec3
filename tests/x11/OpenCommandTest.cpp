// `stepveil open` as a user meets it: the tool's window on the X server, a slider dragged
// with the real pointer, the level printed as the host received it, and the window closed
// as a window manager closes it.
#include <gtest/gtest.h>

#include "X11TestHost.h"
#include "host/HostedPlugin.h"

#include <X11/Xutil.h>

#include <algorithm>
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

// Starts the tool with its standard output going to the file; answers its process id.
pid_t startTool(std::vector<std::string> arguments, const std::string& output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    arguments.insert(arguments.begin(), STEPVEIL_TOOL_PATH);
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t tool = 0;
    const int started =
        posix_spawn(&tool, STEPVEIL_TOOL_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return started == 0 ? tool : -1;
}

bool toolSucceeds(const std::vector<std::string>& arguments, const std::string& output) {
    const pid_t tool = startTool(arguments, output);
    int status = -1;
    return tool > 0 && waitpid(tool, &status, 0) == tool && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// The levels of one program in a bank file of the plug-in's chunk form, as the plug-in reads
// them back: the chunk's size at byte 156, the chunk from byte 160.
std::vector<float> programLevelsInBank(const std::string& path, int program) {
    const std::string file = fileText(path);
    if (file.size() < 160 || file.compare(8, 4, "FBCh") != 0) {
        return {};
    }
    auto loaded = stepveil::host::HostedPlugin::load(STEPVEIL_PLUGIN_FILE);
    std::string chunk = file.substr(160);
    if (!loaded || loaded.plugin->dispatch(effSetChunk, 0, static_cast<vst2::intptr>(chunk.size()),
                                           chunk.data()) != 1) {
        return {};
    }
    loaded.plugin->setProgram(program);
    std::vector<float> levels;
    for (int step = 0; step < 32; ++step) {
        levels.push_back(loaded.plugin->getParameter(step));
    }
    return levels;
}

TEST(OpenCommand, ShowsTheEditorPrintsDraggedLevelsAndSavesTheBankWhenItsWindowIsClosed) {
    // What the plug-in itself says of step 5 at its starting level and at half level.
    auto loaded = stepveil::host::HostedPlugin::load(STEPVEIL_PLUGIN_FILE);
    ASSERT_TRUE(loaded) << loaded.error;
    loaded.plugin->setProgram(2);
    float start = loaded.plugin->getParameter(4);
    loaded.plugin->setParameter(4, 0.5f);
    std::string expectedLine = "Level 5 = 0.5 (" + loaded.plugin->parameterDisplay(4) + " " +
                               loaded.plugin->parameterLabel(4) + ")";
    std::vector<float> biker;
    for (int step = 0; step < 32; ++step) {
        biker.push_back(loaded.plugin->getParameter(step));
    }
    std::string title = loaded.plugin->effectName();
    loaded.plugin.reset();
    ASSERT_NE(start, 0.5f);

    x11test::X11Host host;
    const std::string folder = testing::TempDir();
    std::string output = folder + "stepveil-open-output.txt";
    const std::string bank = folder + "stepveil-open-saved.fxb";
    std::remove(bank.c_str());
    pid_t tool = startTool({"open", "--program", "2", "--save", bank}, output);
    ASSERT_GT(tool, 0);

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

    // The bank went to the file as the window closed, with the level the drag left.
    EXPECT_NE(fileText(output).find("saved the bank"), std::string::npos) << fileText(output);
    const std::vector<float> saved = programLevelsInBank(bank, 2);
    ASSERT_EQ(saved.size(), 32u);
    EXPECT_NEAR(saved[4], 0.5f, 1e-6f);
    std::string savedLevels;
    for (std::size_t step = 0; step < 32; ++step) {
        if (step != 4) {
            EXPECT_EQ(saved[step], biker[step]) << "step " << step + 1;
        }
        char level[32];
        std::snprintf(level, sizeof level, "%s%.9g", step ? "," : "",
                      static_cast<double>(saved[step]) * 32.0);
        savedLevels += level;
    }
    // Rendered from the file, the edited program sounds exactly as its levels given by hand.
    const std::string fromBank = folder + "stepveil-from-bank.wav";
    const std::string byHand = folder + "stepveil-by-hand.wav";
    ASSERT_TRUE(toolSucceeds({"render", "--bank", bank, "--bars", "1", fromBank}, output))
        << fileText(output);
    EXPECT_NE(fileText(output).find("program 2"), std::string::npos) << fileText(output);
    ASSERT_TRUE(toolSucceeds({"render", "--levels", savedLevels, "--bars", "1", byHand}, output));
    // The samples, from the data chunk on (the header's peak chunk holds the time of writing).
    const auto samples = [](const std::string& path) {
        const std::string file = fileText(path);
        return file.substr(std::min(file.find("data"), file.size()));
    };
    EXPECT_GT(samples(fromBank).size(), 1000u);
    EXPECT_TRUE(samples(fromBank) == samples(byHand)) << "the render from the saved bank differs";
    for (const std::string& file : {output, bank, fromBank, byHand}) {
        std::remove(file.c_str());
    }
}

} // namespace

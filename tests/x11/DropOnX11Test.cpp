// Drags from the drag sources of real toolkits (Qt 5 and GTK 3, small Python programs in
// sources/) onto a frame shown on the X11 display of this program's own copy of the layer,
// inside a host window of the test's own. The user's input goes through XTest, as xdotool
// sends it; the host idles the frame some 30 times a second meanwhile, as hosts call
// effEditIdle. Checked: the answers the sources show while dragging, what a view that takes
// drops receives, what the sources report at the end, and that nothing stays behind.
#include <gtest/gtest.h>

#include "DropTestSupport.h"
#include "X11TestHost.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// The library instance the toolkit registers its window class with: this program, as the
// platform layer's load hook gives it.
void* moduleInstance = nullptr;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleInstance = instance;
    }
    return TRUE;
}

namespace {

using droptest::DropView;
using droptest::ReceivedDrop;

constexpr int frameWidth = 562;
constexpr int frameHeight = 200;
// Where the host window lies; the sources' windows lie at the screen's origin.
constexpr int hostX = 400;
constexpr int hostY = 300;
// The left half of the frame takes drops, the right half refuses them.
constexpr int takingX = 140;
constexpr int refusingX = 420;
constexpr int dropY = 100;

// A drag source program, bounded by `timeout` and ended through its process id. Its lines
// are read as they come, without blocking.
class SourceProgram {
public:
    SourceProgram(const std::string& script, const std::vector<std::string>& arguments) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        std::vector<std::string> words{"timeout", "-k", "5", "60", STEPVEIL_PYTHON, script};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&pid, "timeout", &actions, nullptr, argv.data(), environ) != 0) {
            pid = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        output = pipeEnds[0];
        fcntl(output, F_SETFL, O_NONBLOCK);
    }
    ~SourceProgram() {
        end();
        close(output);
    }
    SourceProgram(const SourceProgram&) = delete;
    SourceProgram& operator=(const SourceProgram&) = delete;

    // `timeout` passes the signal on to the program.
    void end() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = 0;
        }
    }

    // The lines printed so far.
    const std::vector<std::string>& lines() {
        char buffer[4096];
        ssize_t count = 0;
        while ((count = read(output, buffer, sizeof buffer)) > 0) {
            pending.append(buffer, static_cast<std::size_t>(count));
        }
        std::size_t end = 0;
        while ((end = pending.find('\n')) != std::string::npos) {
            printed.push_back(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
        return printed;
    }
    bool hasPrinted(const std::string& line) {
        const auto& all = lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }
    // The lines starting with `word`, without it.
    std::vector<std::string> linesOf(const std::string& word) {
        std::vector<std::string> found;
        for (const std::string& line : lines()) {
            if (line.rfind(word + " ", 0) == 0) {
                found.push_back(line.substr(word.size() + 1));
            }
        }
        return found;
    }
    std::string transcript() {
        std::string text;
        for (const std::string& line : lines()) {
            text += line + "\n";
        }
        return text;
    }
    void forget() {
        lines();
        printed.clear();
    }

private:
    pid_t pid = 0;
    int output = -1;
    std::string pending;
    std::vector<std::string> printed;
};

class DropOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("STEPVEIL_DISPLAY");
        hostWindow = host.makeWindow(hostX, hostY, frameWidth, frameHeight);
        frame = new Frame(Rect(0, 0, frameWidth, frameHeight),
                          reinterpret_cast<HWND>(static_cast<std::uintptr_t>(hostWindow)), &editor);
        frame->addView(new DropView(Rect(0, 0, 280, frameHeight), true, &received, "taking"));
        frame->addView(
            new DropView(Rect(281, 0, frameWidth, frameHeight), false, &received, "refusing"));
        idleFor(3);
        ASSERT_NE(frame->getDropTarget(), nullptr);
        targetReferences = frame->getDropTarget()->getReferenceCount();

        directory = testing::TempDir() + "stepveil drops";
        mkdir(directory.c_str(), 0755);
        for (const char* name : {"/a b.txt", "/\xC3\xBC 100%.wav"}) {
            files.push_back(directory + name);
            std::ofstream(files.back()) << "x";
        }
    }
    void TearDown() override {
        frame->release();
        frame = nullptr;
        idleFor(2);
        for (const std::string& file : files) {
            std::remove(file.c_str());
        }
        rmdir(directory.c_str());
        EXPECT_EQ(host.hostErrors(), 0);
        EXPECT_EQ(droptest::liveArrays(), 0u);
    }

    // One host idle: the messages the editor's idle would deliver, and the frame's redraw.
    void idle() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        if (frame != nullptr) {
            frame->idle();
        }
    }
    void idleFor(int idles) {
        for (int count = 0; count < idles; ++count) {
            idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(33));
        }
    }
    // Idles until the condition holds, for at most ten seconds: far beyond what the
    // programs need, so that a fault fails the test instead of hanging it.
    bool idleUntil(const std::function<bool()>& condition) {
        for (int count = 0; count < 300; ++count) {
            idle();
            if (condition()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(33));
        }
        return false;
    }

    // A session holds the target while a drag is over the frame's window.
    bool dragOverFrame() {
        return frame->getDropTarget()->getReferenceCount() == targetReferences + 1;
    }
    bool noDragOverFrame() {
        return frame->getDropTarget()->getReferenceCount() == targetReferences;
    }

    // Presses in the source's window at (x, y), passes the toolkit's drag threshold and comes
    // over the frame's point, the host idling all along. Returns once the drag has entered
    // the frame's target (or never will).
    void dragOnto(SourceProgram& source, int sourceX, int sourceY, int frameX, bool control) {
        host.movePointer(sourceX, sourceY);
        idleFor(2);
        host.button(1, true);
        for (int step = 1; step <= 8; ++step) {
            host.movePointer(sourceX + 2 * step, sourceY);
            idleFor(1);
        }
        EXPECT_TRUE(idleUntil([&] { return !source.linesOf("drag-started").empty(); }))
            << source.transcript();
        if (control) {
            host.key(XK_Control_L, true);
        }
        host.movePointer(hostX + frameX - 6, hostY + dropY);
        idleFor(2);
        host.movePointer(hostX + frameX, hostY + dropY);
        EXPECT_TRUE(idleUntil([&] { return dragOverFrame(); })) << source.transcript();
    }
    // Waits until the source shows the target's answer. A refusal changes nothing the source
    // reports: the answer goes out in the idle that entered the target, so a few idles let
    // the source read it.
    bool shows(SourceProgram& source, const std::string& answer) {
        if (answer == "none") {
            idleFor(4);
            return lastAnswer(source) == "" || lastAnswer(source) == "none";
        }
        return idleUntil([&] { return lastAnswer(source) == answer; });
    }
    // Lets go, and waits for the source to report the end of the drag and for the frame's
    // side of it to be over (the drop delivered, or the drag left).
    std::string release(SourceProgram& source, bool control) {
        host.button(1, false);
        if (control) {
            host.key(XK_Control_L, false);
        }
        EXPECT_TRUE(idleUntil([&] {
            return !source.linesOf("result").empty() && noDragOverFrame();
        })) << source.transcript();
        auto results = source.linesOf("result");
        return results.empty() ? "" : results.back();
    }

    // The one 32-bit value of a window's property, -1 when it has none.
    long propertyValue(::Window window, const char* name) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* value = nullptr;
        long found = -1;
        if (XGetWindowProperty(
                host.connection(), window, XInternAtom(host.connection(), name, False), 0, 1, False,
                AnyPropertyType, &type, &format, &count, &remaining, &value) == Success &&
            value != nullptr && format == 32 && count == 1) {
            found = *reinterpret_cast<long*>(value);
        }
        if (value != nullptr) {
            XFree(value);
        }
        return found;
    }

    // The target's latest answer as the source showed it while dragging.
    static std::string lastAnswer(SourceProgram& source) {
        auto answers = source.linesOf("action-changed");
        return answers.empty() ? "" : answers.back();
    }

    x11test::X11Host host;
    ::Window hostWindow = 0;
    droptest::QuietEditor editor;
    Frame* frame = nullptr;
    std::vector<ReceivedDrop> received;
    int targetReferences = 0;
    std::string directory;
    std::vector<std::string> files;
};

std::string source(const char* name) {
    return std::string(STEPVEIL_DRAG_SOURCES) + "/" + name;
}

// Qt reports the target's answers while dragging (actionChanged). Its final action is the
// last answer the target gave while dragging (XdndStatus), whatever XdndFinished says; after a
// refusal it is the one of an earlier drag. So the final word is checked with GTK below.
TEST_F(DropOnX11, QtDragsShowTheTargetsAnswersAndDeliverFilesAndText) {
    const std::string text = "Gate \xE2\x80\x94 32 steps";
    SourceProgram qt(source("qt_drag_source.py"), {text, files[0], files[1]});
    ASSERT_TRUE(idleUntil([&] { return qt.hasPrinted("ready"); })) << qt.transcript();

    // An image offers neither text nor files: refused while dragging, nothing delivered.
    dragOnto(qt, 250, 50, takingX, false);
    EXPECT_TRUE(shows(qt, "none")) << qt.transcript();
    EXPECT_EQ(release(qt, false), "none");
    EXPECT_TRUE(received.empty());
    std::cout << "Qt, image:\n" << qt.transcript();

    // Files, moved: the view gets the local paths (the web link is no file).
    qt.forget();
    received.clear();
    dragOnto(qt, 50, 50, takingX, false);
    EXPECT_TRUE(shows(qt, "move")) << qt.transcript();
    release(qt, false);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].view, "taking");
    EXPECT_EQ(received[0].kind, dropKindFiles);
    EXPECT_EQ(received[0].names, files);
    std::cout << "Qt, files:\n" << qt.transcript();

    // Text with control held: copy, and the text in UTF-8.
    qt.forget();
    received.clear();
    dragOnto(qt, 150, 50, takingX, true);
    EXPECT_TRUE(shows(qt, "copy")) << qt.transcript();
    release(qt, true);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].kind, dropKindText);
    EXPECT_EQ(std::string(received[0].text.c_str()), text);
    std::cout << "Qt, text with control:\n" << qt.transcript();

    // Files over a view that does not take them: the cursor shows move all the same.
    qt.forget();
    received.clear();
    dragOnto(qt, 50, 50, refusingX, false);
    EXPECT_TRUE(shows(qt, "move")) << qt.transcript();
    release(qt, false);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].view, "refusing");
    std::cout << "Qt, files on a refusing view:\n" << qt.transcript();
}

// The frame's window says it takes drops (XdndAware, version 5) only while its target is
// registered; a source gone in the middle of a drag leaves no session holding the target.
TEST_F(DropOnX11, ASourceThatVanishesMidDragLeavesNothingBehind) {
    ::Window frameWindow = host.children(hostWindow).at(0);
    EXPECT_EQ(propertyValue(frameWindow, "XdndAware"), 5);
    EXPECT_EQ(propertyValue(frameWindow, "XdndProxy"), static_cast<long>(frameWindow));

    SourceProgram qt(source("qt_drag_source.py"), {"text", files[0]});
    ASSERT_TRUE(idleUntil([&] { return qt.hasPrinted("ready"); })) << qt.transcript();
    dragOnto(qt, 50, 50, takingX, false);
    ASSERT_TRUE(dragOverFrame());
    qt.end();
    EXPECT_TRUE(idleUntil([&] { return noDragOverFrame(); })) << "the session still holds it";
    host.button(1, false);
    idleFor(3);
    EXPECT_TRUE(received.empty());

    frame->setDropEnabled(false);
    EXPECT_EQ(propertyValue(frameWindow, "XdndAware"), -1);
    EXPECT_EQ(propertyValue(frameWindow, "XdndProxy"), -1);
}

// GTK sources look for XdndAware only on the top-level window: the host's top-level names
// the frame's window in XdndProxy, and the answers must name the top-level back.
TEST_F(DropOnX11, GtkDragsReachTheFrameThroughTheHostsProxy) {
    ::Window frameWindow = host.children(hostWindow).at(0);
    Atom proxy = XInternAtom(host.connection(), "XdndProxy", False);
    long proxied = static_cast<long>(frameWindow);
    XChangeProperty(host.connection(), hostWindow, proxy, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&proxied), 1);
    XSync(host.connection(), False);

    const std::string text = "Stufe f\xC3\xBCnf";
    SourceProgram gtk(source("gtk_drag_source.py"), {text, files[0], files[1]});
    ASSERT_TRUE(idleUntil([&] { return gtk.hasPrinted("ready"); })) << gtk.transcript();

    // Files, moved: the move is reported done.
    dragOnto(gtk, 50, 50, takingX, false);
    EXPECT_TRUE(shows(gtk, "move")) << gtk.transcript();
    EXPECT_EQ(release(gtk, false), "move succeeded");
    EXPECT_TRUE(gtk.hasPrinted("finished"));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].names, files);
    std::cout << "GTK, files:\n" << gtk.transcript();

    gtk.forget();
    received.clear();
    dragOnto(gtk, 150, 50, takingX, true);
    EXPECT_TRUE(shows(gtk, "copy")) << gtk.transcript();
    EXPECT_EQ(release(gtk, true), "copy succeeded");
    EXPECT_TRUE(gtk.hasPrinted("finished"));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].kind, dropKindText);
    EXPECT_EQ(std::string(received[0].text.c_str()), text);
    std::cout << "GTK, text with control:\n" << gtk.transcript();

    // No view takes the files: the drop is finished as failed.
    gtk.forget();
    received.clear();
    dragOnto(gtk, 50, 50, refusingX, false);
    EXPECT_TRUE(shows(gtk, "move")) << gtk.transcript();
    EXPECT_EQ(release(gtk, false), "move failed");
    EXPECT_TRUE(gtk.hasPrinted("finished")) << "the refused drop is finished too";
    std::cout << "GTK, files on a refusing view:\n" << gtk.transcript();
}

} // namespace

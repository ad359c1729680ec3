// The bundle's editor binary on a real X server, as an LV2 host drives it: two instances, each
// in a window of the host's, each showing the levels its port events set; a real drag on one
// reaches the host as touch, values and release on that step's port, and the other editor
// neither hears of it nor changes.
// gtest before Xlib, whose macros would rename its templates.
#include <gtest/gtest.h>

#include "../x11/X11TestHost.h"

#include <lv2/ui/ui.h>

#include <dlfcn.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

using namespace x11test;

constexpr std::uint32_t firstLevelPort = 4;

// What one editor told its host.
struct HostSide {
    std::vector<std::string> calls;
    std::vector<float> written;
    int resizes = 0;
    std::function<void(bool)> onTouch;
    std::function<void(float)> onWrite;
};

void writeValue(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                const void* buffer) {
    auto& host = *static_cast<HostSide*>(controller);
    float value = -1.0f;
    if (size == sizeof value && format == 0) {
        std::memcpy(&value, buffer, sizeof value);
    }
    host.calls.push_back("write " + std::to_string(port));
    host.written.push_back(value);
    if (host.onWrite) {
        host.onWrite(value);
    }
}

void touchPort(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    auto& host = *static_cast<HostSide*>(handle);
    host.calls.push_back((grabbed ? "grab " : "release ") + std::to_string(port));
    if (host.onTouch) {
        host.onTouch(grabbed);
    }
}

int resizeTo(LV2UI_Feature_Handle handle, int width, int height) {
    auto& host = *static_cast<HostSide*>(handle);
    host.resizes += width == editorWidth && height == editorHeight ? 1 : 100;
    return 0;
}

class EditorBinary {
public:
    EditorBinary() : library(dlopen(STEPVEIL_LV2_BUNDLE "/stepveil_ui.so", RTLD_NOW | RTLD_LOCAL)) {
        if (library != nullptr) {
            auto entry =
                reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
            descriptor = entry != nullptr ? entry(0) : nullptr;
        }
    }
    ~EditorBinary() {
        if (library != nullptr) {
            dlclose(library);
        }
    }
    void* library;
    const LV2UI_Descriptor* descriptor = nullptr;
};

// One editor as a host instantiates it: parent window, touch and resize features.
struct Editor {
    Editor(const LV2UI_Descriptor* ui, ::Window parentWindow, HostSide& hostSide)
        : descriptor(ui), host(hostSide), touch{&hostSide, touchPort}, resize{&hostSide, resizeTo} {
        LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(parentWindow)};
        LV2_Feature touchFeature{LV2_UI__touch, &touch};
        LV2_Feature resizeFeature{LV2_UI__resize, &resize};
        const LV2_Feature* features[] = {&parent, &touchFeature, &resizeFeature, nullptr};
        handle =
            descriptor->instantiate(descriptor, "urn:ovrin-audio:stepveil", STEPVEIL_LV2_BUNDLE,
                                    writeValue, &hostSide, &widget, features);
        idleInterface = static_cast<const LV2UI_Idle_Interface*>(
            descriptor->extension_data(LV2_UI__idleInterface));
    }
    ~Editor() {
        if (handle != nullptr) {
            descriptor->cleanup(handle);
        }
    }
    void setLevels(const std::vector<float>& levels) {
        for (std::uint32_t step = 0; step < levels.size(); ++step) {
            descriptor->port_event(handle, firstLevelPort + step, sizeof(float), 0, &levels[step]);
        }
    }
    void idle() { idleInterface->idle(handle); }

    const LV2UI_Descriptor* descriptor;
    HostSide& host;
    LV2UI_Touch touch;
    LV2UI_Resize resize;
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle handle = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
};

std::vector<float> quickMove() {
    std::vector<float> levels;
    for (int beat = 0; beat < 8; ++beat) {
        levels.insert(levels.end(), {1.0f, 0.5f, 0.5f, 0.0f});
    }
    return levels;
}

TEST(Lv2Editor, TwoEditorsInTheHostsWindowsShowTheirLevelsAndARealDragReachesOnlyItsHost) {
    EditorBinary binary;
    ASSERT_NE(binary.descriptor, nullptr) << dlerror();
    X11Host host;
    ::Window firstParent = host.makeWindow(40, 30, editorWidth, editorHeight);
    ::Window secondParent = host.makeWindow(40, 330, editorWidth, editorHeight);
    HostSide firstHost;
    HostSide secondHost;
    Editor first(binary.descriptor, firstParent, firstHost);
    Editor second(binary.descriptor, secondParent, secondHost);
    ASSERT_NE(first.handle, nullptr);
    ASSERT_NE(second.handle, nullptr);
    ASSERT_NE(first.idleInterface, nullptr);

    // The widget is the editor's own X window, the one child of the host's window, of the
    // editor's size; the size was told once.
    for (auto [parent, editor] :
         {std::pair{firstParent, &first}, std::pair{secondParent, &second}}) {
        const auto shown = host.children(parent);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], reinterpret_cast<::Window>(editor->widget));
        const XWindowAttributes size = host.attributes(shown[0]);
        EXPECT_EQ(size.width, editorWidth);
        EXPECT_EQ(size.height, editorHeight);
        EXPECT_EQ(editor->host.resizes, 1);
    }

    std::vector<float> firstLevels = quickMove();
    const std::vector<float> secondLevels(stepCount, 0.25f);
    first.setLevels(firstLevels);
    second.setLevels(secondLevels);
    first.idle();
    second.idle();
    EXPECT_EQ(
        firstDifference(host.picture(host.children(firstParent)[0]), headlessPicture(firstLevels)),
        "");
    EXPECT_EQ(firstDifference(host.picture(host.children(secondParent)[0]),
                              headlessPicture(secondLevels)),
              "");
    EXPECT_TRUE(firstHost.calls.empty()) << "port events are not echoed back to the host";

    // Slider 5 (full level) dragged down past its end: the host moves the pointer once the
    // step is grabbed and lets go once the value reaches silence.
    XWindowAttributes where = host.attributes(firstParent);
    host.movePointer(where.x + columnCentre(4), where.y + handleMiddle(1.0f));
    firstHost.onTouch = [&](bool grabbed) {
        if (grabbed) {
            host.movePointer(where.x + columnCentre(4), where.y + editorHeight + 40);
        }
    };
    firstHost.onWrite = [&](float value) {
        if (value == 0.0f) {
            host.button(1, false);
        }
    };
    host.button(1, true);
    for (int pass = 0;
         pass < 5 && (firstHost.calls.empty() || firstHost.calls.back() != "release 8"); ++pass) {
        first.idle();
        second.idle();
    }
    ASSERT_GE(firstHost.calls.size(), 3u);
    EXPECT_EQ(firstHost.calls.front(), "grab 8");
    EXPECT_EQ(firstHost.calls.back(), "release 8");
    for (std::size_t call = 1; call + 1 < firstHost.calls.size(); ++call) {
        EXPECT_EQ(firstHost.calls[call], "write 8");
    }
    EXPECT_EQ(firstHost.written.back(), 0.0f);
    EXPECT_TRUE(secondHost.calls.empty());

    first.idle();
    second.idle();
    firstLevels[4] = 0.0f;
    EXPECT_EQ(
        firstDifference(host.picture(host.children(firstParent)[0]), headlessPicture(firstLevels)),
        "");
    EXPECT_EQ(firstDifference(host.picture(host.children(secondParent)[0]),
                              headlessPicture(secondLevels)),
              "");
}

// An X11 UI has nowhere to show itself without the host's window: no instance, no crash.
TEST(Lv2Editor, RefusesToOpenWithoutAParentWindow) {
    EditorBinary binary;
    ASSERT_NE(binary.descriptor, nullptr);
    LV2UI_Widget widget = nullptr;
    const LV2_Feature* none[] = {nullptr};
    HostSide hostSide;
    EXPECT_EQ(binary.descriptor->instantiate(binary.descriptor, "urn:ovrin-audio:stepveil",
                                             STEPVEIL_LV2_BUNDLE, writeValue, &hostSide, &widget,
                                             none),
              nullptr);
    LV2_Feature notAWindow{LV2_UI__parent, reinterpret_cast<void*>(std::uintptr_t{0x1FFFFFF})};
    const LV2_Feature* wrong[] = {&notAWindow, nullptr};
    EXPECT_EQ(binary.descriptor->instantiate(binary.descriptor, "urn:ovrin-audio:stepveil",
                                             STEPVEIL_LV2_BUNDLE, writeValue, &hostSide, &widget,
                                             wrong),
              nullptr);
}

} // namespace

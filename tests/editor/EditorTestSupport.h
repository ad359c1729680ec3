// Shared pieces of the editor's tests: a host that records what the effect tells it, the
// full effect driven through its record as a host drives it, and a host window on the
// platform layer's headless display.
#pragma once

#include "editor/StepveilEditor.h"
#include "gate/OvrinStepveil.h"
#include "platform/headless.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <vector>

namespace editortest {

namespace headless = stepveil::platform::headless;
using Image = headless::Image;

// One call the effect made to the host.
struct HostCall {
    vst2::int32 opcode;
    vst2::int32 index;
    float opt;
};

// Everything the effect tells the host, from any thread. An optional hook runs when the
// effect asks for the host's idle (audioMasterIdle), as a host's own idle handling would.
class HostRecorder {
public:
    static HostRecorder& instance();

    void clear();
    void record(const HostCall& call);
    std::vector<HostCall> calls();
    // The calls about editing and automation only (begin edit, automate, end edit).
    std::vector<HostCall> editCalls();
    int count(vst2::int32 opcode);

    std::function<void()> onHostIdle;
    // Runs after every call is recorded, with its opcode, as a host reacting to it would.
    std::function<void(vst2::int32 opcode)> onHostCall;

private:
    std::mutex mutex;
    std::vector<HostCall> recorded;
};

vst2::intptr VST2_CALL recordingHost(AEffect* effect, vst2::int32 opcode, vst2::int32 index,
                                     vst2::intptr value, void* ptr, float opt);

// Where the host window lies on the virtual screen.
constexpr int hostScreenX = 100;
constexpr int hostScreenY = 50;
constexpr int editorWidth = 562;
constexpr int editorHeight = 200;

// Frame coordinates of step i's column, cell and handle travel.
constexpr int columnLeft(int step) {
    return 25 + 16 * step;
}
constexpr int trackTop = 48;
constexpr int trackTravel = 76;
constexpr int cellTop = 138;
constexpr int cellBottom = 152;

// A step of scripted input: keys held, and the cursor at a point of the editor's frame.
headless::InputStep inputStep(std::vector<int> keys, int frameX, int frameY);
headless::InputStep inputStep(std::vector<int> keys);

// The full effect with its editor, in a host window, driven through its record.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    vst2::intptr dispatch(vst2::int32 opcode, vst2::int32 index = 0, vst2::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f);
    void setParameter(vst2::int32 index, float value);
    float getParameter(vst2::int32 index);
    void openEditor();
    void idle();
    void closeEditor();
    StepveilEditor* editor();
    HWND frameWindow();
    Image picture();

    // A press of the left button (and `keys`) at a frame point, the moves of a drag
    // (one per loop pass), then the release; the press is delivered by the next host idle.
    void drag(std::vector<int> keys, int frameX, int fromRow, std::vector<int> rows);
    void click(int frameX, int frameY, std::vector<int> keys = {VK_LBUTTON});

    OvrinStepveil* effect = nullptr;
    AEffect* record = nullptr;
    HWND host = nullptr;
};

} // namespace editortest

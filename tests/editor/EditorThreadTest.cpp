// A host's threads at once: one automates levels and processes audio while the other opens,
// idles, clicks and closes the editor. Built with ThreadSanitizer in CI, where any data race
// or a control touched while it is deleted fails the run.
#include "EditorTestSupport.h"

#include "gui/VerticalSlider.h"

#include <atomic>
#include <cstdlib>
#include <thread>

using namespace editortest;

namespace {

// Thousands of cycles where races are looked for (the ThreadSanitizer build); the other
// builds set fewer through STEPVEIL_EDITOR_CYCLES, as there it only proves nothing crashes.
int editorCycles() {
    const char* setting = std::getenv("STEPVEIL_EDITOR_CYCLES");
    int cycles = setting ? std::atoi(setting) : 0;
    return cycles > 0 ? cycles : 2000;
}
constexpr int blockFrames = 64;

// The audio thread: a level change for every step in turn, then a block of audio, until told
// to stop. It never waits for the other thread.
void automateAndProcess(AEffect* record, const std::atomic<bool>& stop, long& blocks) {
    float left[blockFrames] = {};
    float right[blockFrames] = {};
    float* inputs[] = {left, right};
    float* outputs[] = {left, right};
    int step = 0;
    while (!stop.load()) {
        record->setParameter(record, step, static_cast<float>(step % 5) / 4.0f);
        record->setParameter(record, step + 100, 0.5f); // outside the steps
        step = (step + 1) % 32;
        record->processReplacing(record, inputs, outputs, blockFrames);
        blocks++;
    }
}

} // namespace

TEST_F(EditorTest, AutomationAndAudioOnOneThreadWhileAnotherOpensAndClosesTheEditor) {
    dispatch(effMainsChanged, 0, 1);
    std::atomic<bool> stop{false};
    long blocks = 0;
    std::thread audio(automateAndProcess, record, std::cref(stop), std::ref(blocks));
    const int cycles = editorCycles();
    for (int cycle = 0; cycle < cycles; cycle++) {
        openEditor();
        idle();
        if (cycle % 10 == 0) {
            // The user's own change on this thread, beside the host's on the other.
            dispatch(effEditKeyDown, 0, VKEY_UP, nullptr, 0.0f);
        }
        idle();
        closeEditor();
    }
    stop.store(true);
    audio.join();
    EXPECT_GT(blocks, 0);
    openEditor();
    for (int step = 0; step < 32; step++) {
        EXPECT_EQ(editor()->getSlider(step)->getValue(), getParameter(step)) << step;
    }
}

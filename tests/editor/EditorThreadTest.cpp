// A host's threads at once: one automates levels and processes audio while the other opens,
// idles, clicks and closes the editor, and a third saves and restores the plug-in's state as
// hosts do from a worker thread. Built with ThreadSanitizer in CI, where any data race or a
// control touched while it is deleted fails the run.
#include "EditorTestSupport.h"

#include "gui/VerticalSlider.h"

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

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

std::vector<char> chunkOf(AEffect* record, int32_t isPreset) {
    void* data = nullptr;
    const auto size = record->dispatcher(record, effGetChunk, isPreset, 0, &data, 0.0f);
    const char* bytes = static_cast<const char*>(data);
    return size > 0 && bytes ? std::vector<char>(bytes, bytes + size) : std::vector<char>{};
}

// The song a host saved before: a bank and a program chunk to restore.
struct SavedSong {
    std::vector<char> bank;
    std::vector<char> program;
};

vst2::intptr restore(AEffect* record, std::vector<char>& chunk, int32_t isPreset) {
    return record->dispatcher(record, effSetChunk, isPreset,
                              static_cast<vst2::intptr>(chunk.size()), chunk.data(), 0.0f);
}

// A host's worker thread: saves the bank and the current program (the data is the host's to
// copy before its next request), restores a saved song, switches, renames and lists programs,
// until told to stop.
void saveAndRestore(AEffect* record, SavedSong song, const std::atomic<bool>& stop,
                    long& restored) {
    for (int round = 0; !stop.load(); ++round) {
        void* data = nullptr;
        record->dispatcher(record, effGetChunk, round % 2, 0, &data, 0.0f);
        record->dispatcher(record, effSetProgram, 0, round % 32, nullptr, 0.0f);
        std::string name = "Take " + std::to_string(round % 100);
        record->dispatcher(record, effSetProgramName, 0, 0, name.data(), 0.0f);
        char listed[24] = {};
        record->dispatcher(record, effGetProgramNameIndexed, round % 32, 0, listed, 0.0f);
        restored += restore(record, song.program, 1) + restore(record, song.bank, 0);
    }
}

} // namespace

TEST_F(EditorTest, ChunksSavedAndRestoredOnAWorkerThreadWhileAudioRunsAndTheEditorIdles) {
    dispatch(effMainsChanged, 0, 1);
    openEditor();
    SavedSong song{chunkOf(record, 0), chunkOf(record, 1)};
    std::atomic<bool> stop{false};
    long blocks = 0;
    long restored = 0;
    std::thread audio(automateAndProcess, record, std::cref(stop), std::ref(blocks));
    std::thread worker(saveAndRestore, record, song, std::cref(stop), std::ref(restored));
    for (int pass = 0; pass < editorCycles() * 2; pass++) {
        idle();
        // The host's user-interface thread lists the programs, and now and then saves the song
        // or opens the saved one again.
        char name[24] = {};
        dispatch(effGetProgramNameIndexed, pass % 32, 0, name);
        void* data = nullptr;
        if (pass % 50 == 0) {
            EXPECT_GT(dispatch(effGetChunk, pass % 100 == 0 ? 0 : 1, 0, &data), 0);
        } else if (pass % 70 == 0) {
            EXPECT_EQ(restore(record, song.bank, 0), 1);
        }
    }
    stop.store(true);
    audio.join();
    worker.join();
    EXPECT_GT(blocks, 0);
    EXPECT_GT(restored, 0);
    // What the last restore set is what the open editor shows at its next idle.
    EXPECT_EQ(restore(record, song.bank, 0), 1);
    idle();
    for (int step = 0; step < 32; step++) {
        EXPECT_EQ(editor()->getSlider(step)->getValue(), getParameter(step)) << step;
    }
}

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

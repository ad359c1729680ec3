// A host's threads at once: one automates levels and processes audio while the other opens,
// idles, clicks and closes the editor; a third saves and restores the plug-in's state as hosts
// do from a worker thread; a worker changes programs and reads the levels while the user drags;
// two instances' editors live on two threads; the editor is closed from a thread other than its
// own. Built with ThreadSanitizer in CI, where any data race or a control touched while it is
// deleted fails the run.
#include "EditorTestSupport.h"

#include "gui/Frame.h"
#include "gui/VerticalSlider.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
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

// One instance as a host drives it from one thread: the effect with its editor in a host
// window of its own, opened, idled, dragged and closed there.
struct Instance {
    explicit Instance(int screenX)
        : effect(new OvrinStepveil(recordingHost)), record(effect->getAeffect()), hostX(screenX),
          host(headless::createHostWindow(screenX, 0, editorWidth, editorHeight)) {}
    ~Instance() {
        if (record) {
            record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
        }
        DestroyWindow(host);
    }
    vst2::intptr dispatch(vst2::int32 opcode, vst2::intptr value = 0, void* ptr = nullptr) {
        return record->dispatcher(record, opcode, 0, value, ptr, 0.0f);
    }
    HWND frameWindow() {
        Frame* frame = static_cast<GuiEditor*>(effect->getAttachedEditor())->getFrame();
        return frame ? frame->getWindow() : nullptr;
    }
    // Presses the left button over slider `step`, moves it over a few rows and lets go; the
    // press is delivered by the next idle and the drag runs inside it. The input is the
    // process's one mouse: drags on two threads at once share it, and each ends at the release.
    void drag(int step) {
        int x = columnLeft(step) + 8;
        int fromRow = trackTop + 5 + trackTravel / 2;
        std::vector<headless::InputStep> script;
        for (int row : {fromRow, fromRow, fromRow - 20, fromRow + 30, fromRow + 10}) {
            headless::InputStep held;
            held.keysDown = {VK_LBUTTON};
            held.cursor = POINT{hostX + x, row};
            script.push_back(held);
        }
        script.push_back(headless::InputStep{});
        headless::scriptInput(script);
        headless::postMessage(frameWindow(), WM_LBUTTONDOWN, MK_LBUTTON,
                              static_cast<LPARAM>((fromRow << 16) | x));
        dispatch(effEditIdle);
    }
    void openIdleDragClose(int step) {
        dispatch(effEditOpen, 0, host);
        dispatch(effEditIdle);
        drag(step);
        dispatch(effEditIdle);
        dispatch(effEditClose);
    }

    OvrinStepveil* effect;
    AEffect* record;
    int hostX;
    HWND host;
};

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

// Two instances whose editors live on two threads at once share the window class, msimg32 and
// its TransparentBlt entry, the knob mode and the mouse; each works on its own all the same.
TEST(TwoInstances, EditorsOnTwoThreadsOpenIdleDragAndCloseAtOnce) {
    headless::reset();
    const int cycles = std::max(editorCycles() / 20, 10);
    auto useEditor = [cycles](int screenX, int step) {
        Instance instance(screenX);
        for (int cycle = 0; cycle < cycles; cycle++) {
            instance.openIdleDragClose(step);
            instance.dispatch(effSetEditKnobMode, cycle % 3);
        }
        ASSERT_EQ(instance.dispatch(effEditOpen, 0, instance.host), 1);
        auto* shown = static_cast<StepveilEditor*>(instance.effect->getAttachedEditor());
        EXPECT_EQ(shown->getSlider(step)->getValue(),
                  instance.record->getParameter(instance.record, step));
    };
    std::thread first(useEditor, 0, 3);
    std::thread second(useEditor, 600, 20);
    first.join();
    second.join();
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
    headless::reset();
}

// What a host did when it once crashed: a worker thread changes the program and reads back all
// 32 levels, over and over, while the user opens, idles, drags and closes the editor on the
// user-interface thread, and the host automates every level, the dragged one included, with
// audio running.
TEST_F(EditorTest, ProgramChangesAndReadsFromAWorkerWhileTheUserDragsAndTheHostAutomates) {
    dispatch(effMainsChanged, 0, 1);
    std::atomic<bool> stop{false};
    long blocks = 0;
    long reads = 0;
    std::thread audio(automateAndProcess, record, std::cref(stop), std::ref(blocks));
    std::thread worker([&] {
        for (vst2::intptr program = 0; !stop.load(); program = (program + 1) % 32) {
            record->dispatcher(record, effSetProgram, 0, program, nullptr, 0.0f);
            for (int step = 0; step < 32; step++) {
                record->getParameter(record, step);
            }
            reads++;
        }
    });
    const int cycles = std::max(editorCycles() / 6, 30);
    const int fromRow = trackTop + 5 + trackTravel / 2;
    for (int cycle = 0; cycle < cycles; cycle++) {
        openEditor();
        idle();
        drag({VK_LBUTTON}, columnLeft(cycle % 32) + 8, fromRow, {fromRow - 30, fromRow + 20});
        idle();
        closeEditor();
    }
    stop.store(true);
    audio.join();
    worker.join();
    EXPECT_GT(blocks, 0);
    EXPECT_GT(reads, 0);
    openEditor();
    for (int step = 0; step < 32; step++) {
        EXPECT_EQ(editor()->getSlider(step)->getValue(), getParameter(step)) << step;
    }
}

namespace {

// Holds a program change in the middle (at its 17th level) until another thread has begun to
// close the effect, and notes whether the change got to its last level before the effect went.
class StallingEffect : public OvrinStepveil {
public:
    StallingEffect(std::atomic<bool>& changeInside, std::atomic<bool>& closeBegun,
                   bool& finishedFirst)
        : OvrinStepveil(recordingHost), inside(changeInside), begun(closeBegun),
          finished(finishedFirst) {}
    ~StallingEffect() override { finished = reachedLastLevel.load(); }
    void setParameter(int32 index, float value) override {
        OvrinStepveil::setParameter(index, value);
        if (index == 16 && armed.exchange(false)) {
            inside = true;
            while (!begun.load()) {
                std::this_thread::yield();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (index == 31 && !armed.load()) {
            reachedLastLevel = true;
        }
    }
    std::atomic<bool> armed{false};

private:
    std::atomic<bool>& inside;
    std::atomic<bool>& begun;
    bool& finished;
    std::atomic<bool> reachedLastLevel{false};
};

} // namespace

// A host's worker thread still inside a program change when another thread closes the effect:
// the change finishes on an effect that still exists, and the effect goes afterwards.
TEST(EffectClose, WaitsForAProgramChangeStillRunningOnAnotherThread) {
    std::atomic<bool> changeInside{false};
    std::atomic<bool> closeBegun{false};
    bool finishedFirst = false;
    auto* effect = new StallingEffect(changeInside, closeBegun, finishedFirst);
    AEffect* record = effect->getAeffect();
    effect->armed = true;
    std::thread worker(
        [record] { record->dispatcher(record, effSetProgram, 0, 5, nullptr, 0.0f); });
    while (!changeInside.load()) {
        std::this_thread::yield();
    }
    closeBegun = true;
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    worker.join();
    EXPECT_TRUE(finishedFirst);
}

// A Linux host opens and idles the editor on a thread of its own and ends the plug-in from its
// main thread: the editor goes all the same, its window with it, and the opening thread's OLE
// initialisation is undone there.
TEST_F(EditorTest, EffectClosedFromAnotherThreadTakesTheEditorsWindowFromTheOpeningThread) {
    std::atomic<int> phase{0};
    HWND window = nullptr;
    HRESULT oleAfterwards = S_OK;
    std::thread opener([&] {
        openEditor();
        idle();
        click(columnLeft(3) + 8, trackTop + 40);
        idle();
        window = frameWindow();
        phase = 1; // outside the editor now, waiting for the host's main thread
        while (phase.load() != 2) {
            std::this_thread::yield();
        }
        IUnknown* object = nullptr;
        oleAfterwards = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkA, reinterpret_cast<void**>(&object));
    });
    while (phase.load() != 1) {
        std::this_thread::yield();
    }
    dispatch(effClose);
    record = nullptr;
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), 0u) << "the window is gone";
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
    phase = 2;
    opener.join();
    EXPECT_EQ(oleAfterwards, CO_E_NOTINITIALIZED) << "the opening thread has no OLE left of ours";
}

// The opening thread held up inside the editor (its host idle during a drag waits for the
// host's main thread, which is closing the effect): the close does not wait for ever; the
// effect is left in place, so the opening thread comes back to live memory, ends the drag and
// lets the window go on its own thread.
TEST_F(EditorTest, ACloseFromAThreadTheEditorsThreadWaitsForGivesUpWaitingForIt) {
    std::atomic<bool> inHostIdle{false};
    std::atomic<bool> closeReturned{false};
    HostRecorder::instance().onHostIdle = [&] {
        if (inHostIdle.exchange(true)) {
            return;
        }
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!closeReturned.load() && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    HWND window = nullptr;
    std::thread opener([&] {
        openEditor();
        idle();
        window = frameWindow();
        const int row = trackTop + 40;
        drag({VK_LBUTTON}, columnLeft(7) + 8, row, std::vector<int>(60, row - 10));
    });
    while (!inHostIdle.load()) {
        std::this_thread::yield();
    }
    dispatch(effClose);
    closeReturned = true;
    opener.join();
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), 0u) << "gone once its thread came back";
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
    // The plug-in keeps such an effect for the life of the process; the test frees it, which a
    // host cannot, so the leak checker finds nothing.
    EXPECT_TRUE(editor()->isInUseElsewhere());
    delete effect;
    record = nullptr;
}

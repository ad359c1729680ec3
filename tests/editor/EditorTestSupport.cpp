#include "EditorTestSupport.h"
#include "tests/HeadlessDisplayChoice.h"

#include "gui/Frame.h"

namespace editortest {

namespace {

// A steady 4/4 transport at 120 bpm for processing on any thread; filled once, read only.
VstTimeInfo& transport() {
    static VstTimeInfo info = [] {
        VstTimeInfo made{};
        made.sampleRate = 44100.0;
        made.tempo = 120.0;
        made.timeSigNumerator = 4;
        made.timeSigDenominator = 4;
        made.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                     kVstTimeSigValid;
        return made;
    }();
    return info;
}

} // namespace

HostRecorder& HostRecorder::instance() {
    static HostRecorder recorder;
    return recorder;
}

void HostRecorder::clear() {
    std::lock_guard<std::mutex> lock(mutex);
    recorded.clear();
    onHostIdle = nullptr;
    onHostCall = nullptr;
}

void HostRecorder::record(const HostCall& call) {
    std::lock_guard<std::mutex> lock(mutex);
    recorded.push_back(call);
}

std::vector<HostCall> HostRecorder::calls() {
    std::lock_guard<std::mutex> lock(mutex);
    return recorded;
}

std::vector<HostCall> HostRecorder::editCalls() {
    std::vector<HostCall> edits;
    for (const HostCall& call : calls()) {
        if (call.opcode == audioMasterAutomate || call.opcode == audioMasterBeginEdit ||
            call.opcode == audioMasterEndEdit) {
            edits.push_back(call);
        }
    }
    return edits;
}

int HostRecorder::count(vst2::int32 opcode) {
    int found = 0;
    for (const HostCall& call : calls()) {
        found += call.opcode == opcode ? 1 : 0;
    }
    return found;
}

vst2::intptr VST2_CALL recordingHost(AEffect*, vst2::int32 opcode, vst2::int32 index, vst2::intptr,
                                     void*, float opt) {
    HostRecorder& recorder = HostRecorder::instance();
    recorder.record(HostCall{opcode, index, opt});
    if (recorder.onHostCall) {
        recorder.onHostCall(opcode);
    }
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetTime:
        return reinterpret_cast<vst2::intptr>(&transport());
    case audioMasterIdle:
        if (recorder.onHostIdle) {
            recorder.onHostIdle();
        }
        return 1;
    default:
        return 0;
    }
}

headless::InputStep inputStep(std::vector<int> keys, int frameX, int frameY) {
    headless::InputStep step;
    step.keysDown = std::move(keys);
    step.cursor = POINT{hostScreenX + frameX, hostScreenY + frameY};
    return step;
}

headless::InputStep inputStep(std::vector<int> keys) {
    headless::InputStep step;
    step.keysDown = std::move(keys);
    return step;
}

void EditorTest::SetUp() {
    headless::reset();
    HostRecorder::instance().clear();
    effect = new OvrinStepveil(recordingHost);
    record = effect->getAeffect();
    host = headless::createHostWindow(hostScreenX, hostScreenY, editorWidth, editorHeight);
    ASSERT_NE(host, nullptr);
}

void EditorTest::TearDown() {
    if (record) {
        dispatch(effClose);
    }
    DestroyWindow(host);
    headless::reset();
    HostRecorder::instance().clear();
}

vst2::intptr EditorTest::dispatch(vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                                  void* ptr, float opt) {
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

void EditorTest::setParameter(vst2::int32 index, float value) {
    record->setParameter(record, index, value);
}

float EditorTest::getParameter(vst2::int32 index) {
    return record->getParameter(record, index);
}

void EditorTest::openEditor() {
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, host), 1);
}

void EditorTest::idle() {
    dispatch(effEditIdle);
}

void EditorTest::closeEditor() {
    dispatch(effEditClose);
}

StepveilEditor* EditorTest::editor() {
    return static_cast<StepveilEditor*>(effect->getAttachedEditor());
}

HWND EditorTest::frameWindow() {
    Frame* frame = editor()->getFrame();
    return frame ? frame->getWindow() : nullptr;
}

Image EditorTest::picture() {
    return headless::captureWindow(host);
}

// The frame and the slider each read the buttons once before the drag loop; every pass of
// the loop reads them again and moves to the next step of the script.
void EditorTest::drag(std::vector<int> keys, int frameX, int fromRow, std::vector<int> rows) {
    std::vector<headless::InputStep> script;
    script.push_back(inputStep(keys, frameX, fromRow));
    script.push_back(inputStep(keys, frameX, fromRow));
    for (int row : rows) {
        script.push_back(inputStep(keys, frameX, row));
    }
    script.push_back(inputStep({}));
    headless::scriptInput(script);
    headless::postMessage(frameWindow(), WM_LBUTTONDOWN, 1,
                          static_cast<LPARAM>((fromRow << 16) | frameX));
    idle();
    headless::releaseAllKeys();
}

void EditorTest::click(int frameX, int frameY, std::vector<int> keys) {
    drag(keys, frameX, frameY, {frameY});
}

} // namespace editortest

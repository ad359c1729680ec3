// Everything a host can do through the plug-in's record, in any order: dispatcher opcodes with
// any index, value and opt, setParameter, getParameter, both process entries, the editor
// opened, idled and closed on the headless display, a user dragging in it, and a host that
// reacts to the effect's own calls (closing the editor from inside its idle, say), on two
// instances at once that are closed and made again as a host does. Pointer
// arguments are what hosts pass: null, or a buffer of the size the interface gives for that
// opcode, allocated to exactly that size so the address sanitizer sees any access past it.
#include "FuzzInput.h"

#include "editor/StepveilEditor.h"
#include "effect/EffectBase.h"
#include "gui/Frame.h"
#include "platform/headless.h"
#include "plugin/PluginMain.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace headless = stepveil::platform::headless;
using fuzzinput::fail;
using vst2::int32;
using vst2::intptr;

// One dispatcher call the host makes from inside one of the effect's calls to it.
struct Reaction {
    int32 onHostOpcode = -1;
    int32 opcode = 0;
    int32 index = 0;
    intptr value = 0;
    float parameterValue = 0.0f;
    bool setsParameter = false;
};

// One instance of the plug-in, in a window of its own. A host may run several at once, and
// they share what the library keeps process-wide.
struct Instance {
    AEffect* record = nullptr;
    HWND window = nullptr;
    int screenX = 0; // where the window lies on the virtual screen
};

struct Host {
    Instance instances[2];
    Instance* current = &instances[0];
    VstTimeInfo timeInfo{};
    bool answersTime = true;
    Reaction reaction;
};

Host host;

void react(Instance& instance, const Reaction& reaction) {
    if (reaction.setsParameter) {
        instance.record->setParameter(instance.record, reaction.index, reaction.parameterValue);
        return;
    }
    void* ptr = reaction.opcode == effEditOpen ? instance.window : nullptr;
    instance.record->dispatcher(instance.record, reaction.opcode, reaction.index, reaction.value,
                                ptr, 0);
    if (reaction.opcode == effClose) {
        instance.record = nullptr;
    }
}

intptr VST2_CALL hostCallback(AEffect* effect, int32 opcode, int32, intptr, void*, float) {
    for (Instance& instance : host.instances) {
        if (effect && instance.record == effect && opcode == host.reaction.onHostOpcode) {
            // Once only: the reaction may call back into the host itself.
            const Reaction reaction = host.reaction;
            host.reaction = Reaction{};
            react(instance, reaction);
            break;
        }
    }
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetTime:
        return host.answersTime ? reinterpret_cast<intptr>(&host.timeInfo) : 0;
    case audioMasterGetSampleRate:
        return 44100;
    case audioMasterGetBlockSize:
        return 512;
    default:
        return 0;
    }
}

void requireText(const std::vector<char>& text) {
    if (std::memchr(text.data(), '\0', text.size()) == nullptr) {
        fail("a text answer without its terminator in the host's buffer");
    }
}

// The buffers hosts pass as ptr: texts the effect writes (always, or when it answers 1), of
// the sizes hosts give, and records the effect may read.
enum class Use { text, textWhenAnswered, record };
struct HostBuffer {
    int32 opcode;
    std::size_t bytes;
    Use use;
};
constexpr std::size_t eventsBytes = 2 * sizeof(intptr) + 2 * sizeof(void*);
constexpr std::size_t variableIoBytes = 4 * sizeof(void*) + 8;
constexpr HostBuffer hostBuffers[] = {
    {effGetProgramName, 24, Use::text},
    {effGetParamLabel, 9, Use::text}, // eight characters and the terminator
    {effGetParamDisplay, 9, Use::text},
    {effGetParamName, 9, Use::text},
    {effGetProgramNameIndexed, 24, Use::textWhenAnswered},
    {effGetEffectName, 32, Use::textWhenAnswered},
    {effGetErrorText, 256, Use::textWhenAnswered},
    {effGetVendorString, 64, Use::textWhenAnswered},
    {effGetProductString, 64, Use::textWhenAnswered},
    {effShellGetNextPlugin, 64, Use::textWhenAnswered},
    {effEditDraw, sizeof(ERect), Use::record},
    {effProcessEvents, eventsBytes, Use::record},
    {effGetInputProperties, 128, Use::record},
    {effGetOutputProperties, 128, Use::record},
    {effOfflineNotify, 1024, Use::record},
    {effOfflinePrepare, 1024, Use::record},
    {effOfflineRun, 1024, Use::record},
    {effProcessVarIo, variableIoBytes, Use::record},
    {effGetParameterProperties, 152, Use::record},
    {effGetMidiProgramName, 80, Use::record},
    {effGetCurrentMidiProgram, 80, Use::record},
    {effGetMidiProgramCategory, 76, Use::record},
    {effGetMidiKeyName, 80, Use::record},
    {effBeginLoadBank, 64, Use::record},
    {effBeginLoadProgram, 64, Use::record},
};

const HostBuffer* hostBufferFor(int32 opcode) {
    for (const HostBuffer& buffer : hostBuffers) {
        if (buffer.opcode == opcode) {
            return &buffer;
        }
    }
    return nullptr;
}

// A record the effect may read: its bytes from the input.
std::vector<char> recordFrom(FuzzedDataProvider& input, std::size_t size) {
    std::vector<char> record = input.ConsumeBytes<char>(size);
    record.resize(size, 0);
    return record;
}

// A speaker arrangement block as hosts allocate it: its header and numChannels speakers.
std::vector<char> arrangementFrom(FuzzedDataProvider& input) {
    const int32 channels = input.ConsumeIntegralInRange<int32>(0, 8);
    std::vector<char> block = recordFrom(input, 8 + sizeof(VstSpeakerProperties) * channels);
    std::memcpy(block.data() + 4, &channels, sizeof channels);
    return block;
}

intptr dispatch(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
    Instance& instance = *host.current;
    const intptr answer =
        instance.record->dispatcher(instance.record, opcode, index, value, ptr, opt);
    if (opcode == effClose) {
        instance.record = nullptr;
    }
    if (instance.record && instance.record->magic != kEffectMagic) {
        fail("the record lost its magic");
    }
    return answer;
}

// One dispatcher call with the pointer a host passes for that opcode.
void dispatchFrom(FuzzedDataProvider& input) {
    const int32 opcode = input.ConsumeBool() ? input.ConsumeIntegralInRange<int32>(-1, 78)
                                             : input.ConsumeIntegral<int32>();
    const int32 index = fuzzinput::anyInt32(input, -2, 40);
    intptr value = input.ConsumeBool() ? input.ConsumeIntegralInRange<intptr>(-2, 40)
                                       : input.ConsumeIntegral<intptr>();
    const float opt = fuzzinput::anyFloat(input, -1.0f, 200000.0f);
    const bool nullPointer = input.ConsumeIntegralInRange<int>(0, 7) == 0;

    std::vector<char> data;
    std::vector<char> other;
    void* pointerSlots[2] = {nullptr, nullptr};
    void* ptr = nullptr;
    const HostBuffer* buffer = hostBufferFor(opcode);
    if (buffer && buffer->use == Use::record) {
        data = recordFrom(input, buffer->bytes);
    } else if (buffer) {
        // Filled, so that a text left without its terminator shows.
        data.assign(buffer->bytes, 'x');
    }
    switch (opcode) {
    case effSetProgramName:
    case effString2Parameter:
    case effCanDo: {
        const std::string text = input.ConsumeRandomLengthString(80);
        data.assign(text.c_str(), text.c_str() + text.size() + 1);
        break;
    }
    case effEditGetRect:
    case effGetChunk:
        ptr = &pointerSlots[0];
        break;
    case effEditOpen:
        // The host's window, one it has destroyed, or a native window of some other display.
        switch (input.ConsumeIntegralInRange<int>(0, 2)) {
        case 0:
            ptr = host.current->window;
            break;
        case 1:
            ptr =
                reinterpret_cast<void*>(input.ConsumeIntegralInRange<std::uintptr_t>(1, 1u << 30));
            break;
        default: {
            HWND gone = headless::createHostWindow(0, 0, 100, 100);
            DestroyWindow(gone);
            ptr = gone;
            break;
        }
        }
        break;
    case effSetChunk:
        data = input.ConsumeBytes<char>(input.ConsumeIntegralInRange<std::size_t>(0, 256));
        value = static_cast<intptr>(data.size());
        break;
    case effSetSpeakerArrangement:
        data = arrangementFrom(input);
        other = arrangementFrom(input);
        value = reinterpret_cast<intptr>(other.data());
        break;
    case effGetSpeakerArrangement:
        value = reinterpret_cast<intptr>(&pointerSlots[0]);
        ptr = &pointerSlots[1];
        break;
    case effVendorSpecific:
        data = input.ConsumeBytes<char>(input.ConsumeIntegralInRange<std::size_t>(0, 64));
        break;
    default:
        break;
    }
    if (!data.empty()) {
        ptr = data.data();
    }
    if (nullPointer) {
        ptr = nullptr;
    }
    const intptr answer = dispatch(opcode, index, value, ptr, opt);
    if (buffer && ptr &&
        (buffer->use == Use::text || (buffer->use == Use::textWhenAnswered && answer != 0))) {
        requireText(data);
    }
    if (opcode == effSetProgram && host.current->record && value >= 0 && value < 32 &&
        dispatch(effGetProgram, 0, 0, nullptr, 0.0f) != value) {
        fail("effGetProgram does not answer the program just set");
    }
    if (opcode == effEditGetRect && ptr && answer != 0) {
        const auto* rect = static_cast<const ERect*>(pointerSlots[0]);
        if (!rect || rect->right - rect->left < 0 || rect->bottom - rect->top < 0) {
            fail("effEditGetRect answered without a rectangle");
        }
    }
}

// Stereo buffers of exactly the block's length, or the null pointers a careless host passes.
void processFrom(FuzzedDataProvider& input, bool replacing) {
    const int32 frames = input.ConsumeIntegralInRange<int32>(-2, 300);
    const auto length = static_cast<std::size_t>(frames > 0 ? frames : 0);
    const float sample = fuzzinput::anyFloat(input);
    std::vector<float> channels[4] = {std::vector<float>(length, sample),
                                      std::vector<float>(length, sample),
                                      std::vector<float>(length), std::vector<float>(length)};
    float* inputs[2] = {channels[0].data(), channels[1].data()};
    float* outputs[2] = {channels[2].data(), channels[3].data()};
    const bool withBuffers = input.ConsumeIntegralInRange<int>(0, 15) != 0;
    AEffect* record = host.current->record;
    auto entry = replacing ? record->processReplacing : record->process;
    entry(record, withBuffers ? inputs : nullptr, withBuffers ? outputs : nullptr, frames);
}

// A user's drag in the open editor: button down at a point, a few moves, then released;
// the next host idle delivers the press.
void dragFrom(FuzzedDataProvider& input) {
    auto* effect = static_cast<EffectBase*>(host.current->record->object);
    auto* editor = static_cast<StepveilEditor*>(effect->getAttachedEditor());
    Frame* frame = editor ? editor->getFrame() : nullptr;
    if (!frame) {
        return;
    }
    std::vector<int> keys{input.ConsumeBool() ? VK_LBUTTON : VK_RBUTTON};
    if (input.ConsumeBool()) {
        keys.push_back(VK_SHIFT);
    }
    if (input.ConsumeBool()) {
        keys.push_back(VK_CONTROL);
    }
    const int x = input.ConsumeIntegralInRange<int>(-8, 570);
    const int pressY = input.ConsumeIntegralInRange<int>(-8, 208);
    int y = pressY;
    std::vector<headless::InputStep> script;
    const int moves = input.ConsumeIntegralInRange<int>(1, 6);
    for (int move = 0; move < moves; ++move) {
        headless::InputStep step;
        step.keysDown = keys;
        step.cursor = POINT{host.current->screenX + x, 50 + y};
        script.push_back(step);
        y += input.ConsumeIntegralInRange<int>(-40, 40);
    }
    script.push_back(headless::InputStep{});
    headless::scriptInput(script);
    const UINT message = keys.front() == VK_LBUTTON ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
    const auto point =
        (static_cast<unsigned>(pressY) & 0xFFFFu) << 16 | (static_cast<unsigned>(x) & 0xFFFFu);
    headless::postMessage(frame->getWindow(), message, 1, static_cast<LPARAM>(point));
    dispatch(effEditIdle, 0, 0, nullptr, 0.0f);
    headless::releaseAllKeys();
}

// The calls a host makes around its editor window, with the arguments hosts pass: open in its
// window, idle, keys (arrows and characters, with modifiers), size, close.
void editorCallFrom(FuzzedDataProvider& input) {
    ERect* rect = nullptr;
    switch (input.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
        dispatch(effEditOpen, 0, 0, host.current->window, 0.0f);
        break;
    case 1:
    case 2:
        dispatch(effEditIdle, 0, 0, nullptr, 0.0f);
        break;
    case 3:
        dispatch(input.ConsumeBool() ? effEditKeyDown : effEditKeyUp,
                 input.ConsumeIntegralInRange<int32>(0, 127),
                 input.ConsumeIntegralInRange<intptr>(0, 20), nullptr,
                 static_cast<float>(input.ConsumeIntegralInRange<int>(0, 15)));
        break;
    case 4:
        dispatch(effEditGetRect, 0, 0, &rect, 0.0f);
        break;
    default:
        dispatch(effEditClose, 0, 0, nullptr, 0.0f);
        break;
    }
}

// A reaction of the host to one of the effect's calls: during its idle, an edit or an
// automation the host may close or reopen the editor, close the effect, switch it, or set a
// parameter; during a time request (on the audio thread) only set a parameter.
void reactionFrom(FuzzedDataProvider& input) {
    const int32 hostOpcodes[] = {audioMasterIdle, audioMasterAutomate, audioMasterBeginEdit,
                                 audioMasterEndEdit, audioMasterGetTime};
    const int32 opcodes[] = {effEditClose, effEditOpen,     effEditIdle,
                             effClose,     effMainsChanged, effSetProgram};
    Reaction reaction;
    reaction.onHostOpcode = input.PickValueInArray(hostOpcodes);
    reaction.setsParameter = reaction.onHostOpcode == audioMasterGetTime || input.ConsumeBool();
    reaction.opcode = input.PickValueInArray(opcodes);
    reaction.index = input.ConsumeIntegralInRange<int32>(-1, 32);
    reaction.value = input.ConsumeIntegralInRange<intptr>(-1, 32);
    reaction.parameterValue = fuzzinput::anyFloat(input, 0.0f, 1.0f);
    host.reaction = reaction;
}

void runOne(FuzzedDataProvider& input) {
    host.current = &host.instances[input.ConsumeIntegralInRange<int>(0, 3) == 0 ? 1 : 0];
    AEffect*& record = host.current->record;
    if (!record) {
        // A host loading another instance, perhaps after closing one.
        record = stepveilMain(hostCallback);
        if (!record) {
            fail("the entry made no effect");
        }
        return;
    }
    switch (input.ConsumeIntegralInRange<int>(0, 15)) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
        dispatchFrom(input);
        break;
    case 6:
    case 7:
        editorCallFrom(input);
        break;
    case 8: {
        const int32 index = fuzzinput::anyInt32(input, -2, 34);
        const float value = fuzzinput::anyFloat(input, 0.0f, 1.0f);
        record->setParameter(record, index, value);
        const float answer = record->getParameter(record, index);
        if (index >= 0 && index < 32 && std::memcmp(&answer, &value, sizeof value) != 0) {
            fail("getParameter does not answer the value just set");
        }
        break;
    }
    case 9:
        record->getParameter(record, fuzzinput::anyInt32(input, -2, 34));
        break;
    case 10:
        processFrom(input, input.ConsumeBool());
        break;
    case 11:
        host.answersTime = input.ConsumeIntegralInRange<int>(0, 7) != 0;
        host.timeInfo = fuzzinput::anyTimeInfo(input);
        break;
    case 12:
        dragFrom(input);
        break;
    case 13:
        headless::setTickCount(input.ConsumeIntegral<DWORD>());
        break;
    default:
        reactionFrom(input);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Linux builds may choose a display of the desktop; the fuzzer always runs without one.
    setenv("STEPVEIL_DISPLAY", "headless", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    headless::reset();
    host = Host{};
    for (int index = 0; index < 2; ++index) {
        Instance& instance = host.instances[index];
        instance.screenX = 100 + 600 * index;
        instance.window = headless::createHostWindow(instance.screenX, 50, 562, 200);
    }
    for (int call = 0; call < 200 && input.remaining_bytes() > 0; ++call) {
        runOne(input);
    }
    for (Instance& instance : host.instances) {
        host.current = &instance;
        if (instance.record) {
            dispatch(effClose, 0, 0, nullptr, 0.0f);
        }
        DestroyWindow(instance.window);
    }
    headless::reset();
    return 0;
}

// Everything a host can do through the plug-in's record, in any order: dispatcher opcodes with
// any index, value and opt, setParameter, getParameter, both process entries, the editor opened,
// idled, keyed and closed on the headless display, a user dragging in it, and a host that reacts
// to the effect's own calls (closing the editor from inside its idle, say), on two instances at
// once that are closed and made again as a host does. Pointer arguments are what hosts pass:
// null, or a buffer of the size the interface gives for that opcode, allocated to exactly that
// size so the address sanitizer sees any access past it. effSetChunk gets what hosts hand back
// (a chunk one of the instances gave, edited, cut or lengthened, or any bytes): a refused one
// must leave the bank as it was, and a bank chunk of the effect's own is always taken back.
#include "FuzzInput.h"

#include "editor/StepveilEditor.h"
#include "effect/EffectBase.h"
#include "gui/Frame.h"
#include "platform/headless.h"
#include "plugin/PluginMain.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace headless = stepveil::platform::headless;
using fuzzinput::check;
using vst2::int32;
using vst2::intptr;

// One instance of the plug-in, in a window of its own on the virtual screen.
struct Instance {
    AEffect* record = nullptr;
    HWND window = nullptr;
    int screenX = 0;
};

// One call the host makes from inside one of the effect's calls to it.
struct Reaction {
    int32 onHostOpcode = -1;
    int32 opcode = 0; // a dispatcher opcode, or -1 for setParameter
    int32 index = 0;
    intptr value = 0;
    float parameterValue = 0.0f;
};

struct Host {
    Instance instances[2];
    Instance* current = nullptr;
    VstTimeInfo timeInfo{};
    bool answersTime = true;
    Reaction reaction;
} host;

void forget(Instance& instance, int32 opcode) {
    if (opcode == effClose) {
        instance.record = nullptr; // a host never calls a closed effect again
    }
}

intptr VST2_CALL hostCallback(AEffect* effect, int32 opcode, int32, intptr, void*, float) {
    for (Instance& instance : host.instances) {
        if (effect && instance.record == effect && opcode == host.reaction.onHostOpcode) {
            // Once only: the reaction may call back into the host itself.
            const Reaction reaction = std::exchange(host.reaction, Reaction{});
            if (reaction.opcode < 0) {
                effect->setParameter(effect, reaction.index, reaction.parameterValue);
            } else {
                void* ptr = reaction.opcode == effEditOpen ? instance.window : nullptr;
                effect->dispatcher(effect, reaction.opcode, reaction.index, reaction.value, ptr, 0);
                forget(instance, reaction.opcode);
            }
            break;
        }
    }
    if (opcode == audioMasterGetTime) {
        return host.answersTime ? reinterpret_cast<intptr>(&host.timeInfo) : 0;
    }
    return opcode == audioMasterVersion ? 2400 : 0;
}

intptr dispatch(int32 opcode, int32 index, intptr value, void* ptr, float opt) {
    Instance& instance = *host.current;
    const intptr answer =
        instance.record->dispatcher(instance.record, opcode, index, value, ptr, opt);
    forget(instance, opcode);
    check(!instance.record || instance.record->magic == kEffectMagic, "the record lost its magic");
    return answer;
}

// The buffers hosts pass as ptr, of the sizes they give (parameter texts: eight characters and
// the terminator): texts the effect writes (always, or when it answers 1) and records it may read.
enum class Use { text, textWhenAnswered, record };
struct HostBuffer {
    std::size_t bytes;
    Use use;
    std::vector<int32> opcodes;
};
const HostBuffer hostBuffers[] = {
    {9, Use::text, {effGetParamLabel, effGetParamDisplay, effGetParamName}},
    {24, Use::text, {effGetProgramName}},
    {24, Use::textWhenAnswered, {effGetProgramNameIndexed}},
    {32, Use::textWhenAnswered, {effGetEffectName}},
    {64, Use::textWhenAnswered, {effGetVendorString, effGetProductString, effShellGetNextPlugin}},
    {256, Use::textWhenAnswered, {effGetErrorText}},
    {sizeof(ERect), Use::record, {effEditDraw}},
    {2 * sizeof(intptr) + 2 * sizeof(void*), Use::record, {effProcessEvents}},
    {4 * sizeof(void*) + 8, Use::record, {effProcessVarIo}},
    {128, Use::record, {effGetInputProperties, effGetOutputProperties}},
    {152, Use::record, {effGetParameterProperties}},
    {1024, Use::record, {effOfflineNotify, effOfflinePrepare, effOfflineRun}},
    {80, Use::record, {effGetMidiProgramName, effGetCurrentMidiProgram, effGetMidiKeyName}},
    {76, Use::record, {effGetMidiProgramCategory}},
    {64, Use::record, {effBeginLoadBank, effBeginLoadProgram}}};

const HostBuffer* hostBufferFor(int32 opcode) {
    for (const HostBuffer& buffer : hostBuffers) {
        if (std::find(buffer.opcodes.begin(), buffer.opcodes.end(), opcode) !=
            buffer.opcodes.end()) {
            return &buffer;
        }
    }
    return nullptr;
}

// A speaker arrangement block as hosts allocate it: its header and numChannels speakers.
std::vector<char> arrangementFrom(FuzzedDataProvider& input) {
    const int32 channels = input.ConsumeIntegralInRange<int32>(0, 8);
    const std::size_t bytes = 8 + sizeof(VstSpeakerProperties) * static_cast<std::size_t>(channels);
    std::vector<char> block = input.ConsumeBytes<char>(bytes);
    block.resize(bytes, 0);
    std::memcpy(block.data() + 4, &channels, sizeof channels);
    return block;
}

std::vector<char> chunkOf(AEffect* record, int32 index) {
    void* given = nullptr;
    const intptr size = record->dispatcher(record, effGetChunk, index, 0, &given, 0.0f);
    check(size >= 0 && (size == 0 || given != nullptr), "effGetChunk answered without its data");
    const char* bytes = static_cast<const char*>(given);
    return size > 0 ? std::vector<char>(bytes, bytes + size) : std::vector<char>{};
}

// The data of effSetChunk as hosts hand it back: half the time a chunk one of the instances
// gave (bank or program), with a few bytes changed, or cut short, or lengthened; else any bytes.
std::vector<char> chunkFrom(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) {
        return input.ConsumeBytes<char>(input.ConsumeIntegralInRange<std::size_t>(0, 256));
    }
    AEffect* source = host.instances[input.ConsumeIntegralInRange<int>(0, 1)].record;
    std::vector<char> data =
        source ? chunkOf(source, input.ConsumeBool() ? 0 : 1) : std::vector<char>{};
    for (int edits = input.ConsumeIntegralInRange<int>(0, 3); edits > 0 && !data.empty(); --edits) {
        data[input.ConsumeIntegralInRange<std::size_t>(0, data.size() - 1)] =
            input.ConsumeIntegral<char>();
    }
    if (input.ConsumeBool()) {
        data.resize(input.ConsumeIntegralInRange<std::size_t>(0, data.size() + 8), '\0');
    }
    return data;
}

// Mostly the host's window; else one it has destroyed, or a native window of another display.
void* editorParentFrom(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return reinterpret_cast<void*>(input.ConsumeIntegralInRange<std::uintptr_t>(1, 1u << 30));
    case 1: {
        HWND gone = headless::createHostWindow(0, 0, 100, 100);
        DestroyWindow(gone);
        return gone;
    }
    default:
        return host.current->window;
    }
}

// One dispatcher call with the pointer a host passes for that opcode; a third of them the calls
// a host makes around its editor window.
void dispatchFrom(FuzzedDataProvider& input) {
    const int32 editorOpcodes[] = {effEditOpen,    effEditOpen,    effEditIdle,  effEditIdle,
                                   effEditGetRect, effEditKeyDown, effEditKeyUp, effEditClose};
    int32 opcode = input.ConsumeBool() ? input.ConsumeIntegralInRange<int32>(-1, 78)
                                       : input.ConsumeIntegral<int32>();
    if (input.ConsumeIntegralInRange<int>(0, 2) == 0) {
        opcode = input.PickValueInArray(editorOpcodes);
    }
    // Keys: a character, a virtual key and modifiers.
    const bool key = opcode == effEditKeyDown || opcode == effEditKeyUp;
    const int32 index =
        key ? input.ConsumeIntegralInRange<int32>(0, 127) : fuzzinput::anyInt32(input, -2, 40);
    intptr value = input.ConsumeBool() ? input.ConsumeIntegralInRange<intptr>(-2, 40)
                                       : input.ConsumeIntegral<intptr>();
    const float opt = key ? static_cast<float>(input.ConsumeIntegralInRange<int>(0, 15))
                          : fuzzinput::any(input, -1.0f, 200000.0f);

    std::vector<char> data, other;
    void* pointerSlots[2] = {nullptr, nullptr};
    void* ptr = nullptr;
    const HostBuffer* buffer = hostBufferFor(opcode);
    if (buffer && buffer->use == Use::record) {
        data = input.ConsumeBytes<char>(buffer->bytes);
        data.resize(buffer->bytes, 0);
    } else if (buffer) {
        data.assign(buffer->bytes, 'x'); // filled, so that a missing terminator shows
    }
    if (opcode == effSetProgramName || opcode == effString2Parameter || opcode == effCanDo) {
        const std::string text = input.ConsumeRandomLengthString(80);
        data.assign(text.c_str(), text.c_str() + text.size() + 1);
    } else if (opcode == effEditGetRect || opcode == effGetChunk) {
        ptr = &pointerSlots[0];
    } else if (opcode == effEditOpen) {
        ptr = editorParentFrom(input);
    } else if (opcode == effSetChunk) {
        data = chunkFrom(input);
        value = static_cast<intptr>(data.size());
    } else if (opcode == effVendorSpecific) {
        data = input.ConsumeBytes<char>(input.ConsumeIntegralInRange<std::size_t>(0, 256));
    } else if (opcode == effSetSpeakerArrangement) {
        data = arrangementFrom(input);
        other = arrangementFrom(input);
        value = reinterpret_cast<intptr>(other.data());
    } else if (opcode == effGetSpeakerArrangement) {
        value = reinterpret_cast<intptr>(&pointerSlots[0]);
        ptr = &pointerSlots[1];
    }
    if (!data.empty()) {
        ptr = data.data();
    }
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) {
        ptr = nullptr;
    }

    const std::vector<char> bankBefore =
        opcode == effSetChunk ? chunkOf(host.current->record, 0) : std::vector<char>{};
    const intptr answer = dispatch(opcode, index, value, ptr, opt);
    if (opcode == effSetChunk && host.current->record) {
        AEffect* record = host.current->record;
        check(answer == 0 || answer == 1, "effSetChunk answered neither 0 nor 1");
        check(answer == 1 || chunkOf(record, 0) == bankBefore, "a refused chunk changed the bank");
        std::vector<char> bank = chunkOf(record, 0);
        check(record->dispatcher(record, effSetChunk, 0, static_cast<intptr>(bank.size()),
                                 bank.data(), 0.0f) == 1 &&
                  chunkOf(record, 0) == bank,
              "the effect refused or changed a bank chunk of its own");
    }
    if (buffer && ptr && (buffer->use == Use::text || (buffer->use != Use::record && answer))) {
        check(std::memchr(data.data(), '\0', data.size()) != nullptr,
              "a text answer without its terminator in the host's buffer");
    }
    if (opcode == effSetProgram && host.current->record && value >= 0 && value < 32) {
        check(dispatch(effGetProgram, 0, 0, nullptr, 0.0f) == value,
              "effGetProgram does not answer the program just set");
    }
    if (opcode == effEditGetRect && ptr && answer) {
        const auto* rect = static_cast<const ERect*>(pointerSlots[0]);
        check(rect && rect->right >= rect->left && rect->bottom >= rect->top,
              "effEditGetRect answered without a rectangle");
    }
}

// Stereo buffers of exactly the block's length, or the null pointers a careless host passes.
void processFrom(FuzzedDataProvider& input) {
    const int32 frames = input.ConsumeIntegralInRange<int32>(-2, 300);
    const float sample = fuzzinput::any(input, -2.0f, 2.0f);
    std::vector<float> channels[4];
    for (std::vector<float>& channel : channels) {
        channel.assign(static_cast<std::size_t>(std::max(frames, 0)), sample);
    }
    float* inputs[2] = {channels[0].data(), channels[1].data()};
    float* outputs[2] = {channels[2].data(), channels[3].data()};
    const bool withBuffers = input.ConsumeIntegralInRange<int>(0, 15) != 0;
    AEffect* record = host.current->record;
    auto entry = input.ConsumeBool() ? record->processReplacing : record->process;
    entry(record, withBuffers ? inputs : nullptr, withBuffers ? outputs : nullptr, frames);
}

// A user's drag in the open editor: a button (and perhaps shift and control) held at a point
// and moved a few times, then released; the next host idle delivers the press.
void dragFrom(FuzzedDataProvider& input) {
    auto* effect = static_cast<EffectBase*>(host.current->record->object);
    auto* editor = static_cast<StepveilEditor*>(effect->getAttachedEditor());
    Frame* frame = editor ? editor->getFrame() : nullptr;
    if (!frame) {
        return;
    }
    const bool left = input.ConsumeBool();
    std::vector<int> keys{left ? VK_LBUTTON : VK_RBUTTON};
    for (const int modifier : {VK_SHIFT, VK_CONTROL}) {
        if (input.ConsumeBool()) {
            keys.push_back(modifier);
        }
    }
    const int x = input.ConsumeIntegralInRange<int>(-8, 570);
    const int pressY = input.ConsumeIntegralInRange<int>(-8, 208);
    std::vector<headless::InputStep> script;
    for (int move = input.ConsumeIntegralInRange<int>(1, 6), y = pressY; move > 0; --move) {
        script.push_back({keys, POINT{host.current->screenX + x, 50 + y}});
        y += input.ConsumeIntegralInRange<int>(-40, 40);
    }
    script.push_back(headless::InputStep{});
    headless::scriptInput(script);
    const auto point = static_cast<LPARAM>(static_cast<unsigned>(pressY & 0xFFFF) << 16 |
                                           static_cast<unsigned>(x & 0xFFFF));
    headless::postMessage(frame->getWindow(), left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, 1, point);
    dispatch(effEditIdle, 0, 0, nullptr, 0.0f);
    headless::releaseAllKeys();
}

// A reaction of the host to one of the effect's calls: during its idle, an edit or an
// automation the host may close or reopen the editor, close the effect, switch it, or set a
// parameter; during a time request (on the audio thread) only set a parameter.
void reactionFrom(FuzzedDataProvider& input) {
    const int32 hostOpcodes[] = {audioMasterIdle, audioMasterAutomate, audioMasterBeginEdit,
                                 audioMasterEndEdit, audioMasterGetTime};
    const int32 opcodes[] = {effEditClose, effEditOpen,     effEditIdle,
                             effClose,     effMainsChanged, effSetProgram};
    Reaction& reaction = host.reaction;
    reaction.onHostOpcode = input.PickValueInArray(hostOpcodes);
    const bool setsParameter = reaction.onHostOpcode == audioMasterGetTime || input.ConsumeBool();
    reaction.opcode = setsParameter ? -1 : input.PickValueInArray(opcodes);
    reaction.index = input.ConsumeIntegralInRange<int32>(-1, 32);
    reaction.value = input.ConsumeIntegralInRange<intptr>(-1, 32);
    reaction.parameterValue = fuzzinput::any(input, 0.0f, 1.0f);
}

void runOne(FuzzedDataProvider& input) {
    host.current = &host.instances[input.ConsumeIntegralInRange<int>(0, 3) == 0 ? 1 : 0];
    AEffect*& record = host.current->record;
    if (!record) {
        // A host loading another instance, perhaps after closing one.
        record = stepveilMain(hostCallback);
        check(record != nullptr, "the entry made no effect");
        return;
    }
    switch (input.ConsumeIntegralInRange<int>(0, 11)) {
    case 0: {
        const int32 index = fuzzinput::anyInt32(input, -2, 34);
        const float value = fuzzinput::any(input, 0.0f, 1.0f);
        const float before = record->getParameter(record, index);
        record->setParameter(record, index, value);
        const float answer = record->getParameter(record, index);
        // Levels stay within 0..1; a value that is not a number changes nothing.
        const float stored =
            std::isnan(value) ? before : (value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value));
        check(index < 0 || index >= 32 || std::memcmp(&answer, &stored, sizeof stored) == 0,
              "getParameter does not answer the level just set");
        break;
    }
    case 1:
        processFrom(input);
        break;
    case 2:
        host.answersTime = input.ConsumeIntegralInRange<int>(0, 7) != 0;
        host.timeInfo = fuzzinput::anyTimeInfo(input);
        break;
    case 3:
        dragFrom(input);
        break;
    case 4:
        headless::setTickCount(input.ConsumeIntegral<DWORD>());
        break;
    case 5:
        reactionFrom(input);
        break;
    default:
        dispatchFrom(input);
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

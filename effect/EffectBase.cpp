#include "effect/EffectBase.h"

#include "editor/EditorBase.h"
#include "effect/RecordEntries.h"

#include <cstring>
#include <thread>

namespace {

constexpr vst2::int32 kNoEffectId = vstFourCharCode('N', 'o', 'E', 'f');

} // namespace

EffectBase::EffectBase(audioMasterCallback callback, int32 programCount, int32 parameterCount)
    : sampleRate(44100.0f), editor(nullptr), hostCallback(callback), numPrograms(programCount),
      numParams(parameterCount), currentProgram(0), blockSize(1024), effectRecord() {
    // Every field a host might read and we do not name stays zero, reserved ones included.
    std::memset(&effectRecord, 0, sizeof effectRecord);
    effectRecord.magic = kEffectMagic;
    effectRecord.dispatcher = recordEntries::dispatch;
    effectRecord.process = recordEntries::process;
    effectRecord.setParameter = recordEntries::setParameter;
    effectRecord.getParameter = recordEntries::getParameter;
    effectRecord.numPrograms = programCount;
    effectRecord.numParams = parameterCount;
    effectRecord.numInputs = 1;
    effectRecord.numOutputs = 2;
    effectRecord.ioRatio = 1.0f;
    effectRecord.object = this;
    effectRecord.uniqueID = kNoEffectId;
    effectRecord.version = 1;
    effectRecord.processReplacing = recordEntries::processReplacing;
}

EffectBase::~EffectBase() {
    delete editor;
}

void EffectBase::attachEditor(EditorBase* newEditor) {
    if (newEditor == editor) {
        return;
    }
    delete editor;
    editor = newEditor;
}

bool EffectBase::enterAnyThreadCall() {
    // Counted before `closing` is read, so effClose either waits for this call or is seen.
    anyThreadCallsInside.fetch_add(1);
    if (closing.load()) {
        anyThreadCallsInside.fetch_sub(1);
        return false;
    }
    return true;
}

void EffectBase::leaveAnyThreadCall() {
    anyThreadCallsInside.fetch_sub(1);
}

// Those calls never wait for anything, so they leave soon.
void EffectBase::stopAnyThreadCalls() {
    closing.store(true);
    while (anyThreadCallsInside.load() != 0) {
        std::this_thread::yield();
    }
}

bool EffectBase::prepareForDestruction() {
    if (!editor) {
        return true;
    }
    editor->prepareForDestruction();
    return !editor->isInUseElsewhere();
}

void EffectBase::setFlag(int32 flag, bool state) {
    if (state) {
        effectRecord.flags |= flag;
    } else {
        effectRecord.flags &= ~flag;
    }
}

EffectBase::intptr EffectBase::callHost(int32 opcode, int32 index, intptr value, void* ptr,
                                        float opt) {
    return hostCallback ? hostCallback(&effectRecord, opcode, index, value, ptr, opt) : 0;
}

// Neutral defaults: a concrete effect overrides what it has.

void EffectBase::setParameter(int32, float) {}

float EffectBase::getParameter(int32) {
    return 0.0f;
}

void EffectBase::setParameterAndAutomate(int32 index, float value) {
    setParameter(index, value);
    // The host records the change as automation; its answer carries nothing for us.
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::processReplacing(float**, float**, int32) {}

void EffectBase::open() {}

void EffectBase::close() {}

EffectBase::int32 EffectBase::getProgram() {
    return currentProgram;
}

void EffectBase::setProgram(int32 program) {
    currentProgram = program;
}

void EffectBase::setProgramName(char* text) {
    if (text) {
        text[0] = '\0';
    }
}

void EffectBase::getProgramName(char* text) {
    if (text) {
        text[0] = '\0';
    }
}

void EffectBase::getParameterLabel(int32, char* text) {
    if (text) {
        text[0] = '\0';
    }
}

void EffectBase::getParameterDisplay(int32, char* text) {
    if (text) {
        text[0] = '\0';
    }
}

void EffectBase::getParameterName(int32, char* text) {
    if (text) {
        text[0] = '\0';
    }
}

float EffectBase::getVu() {
    return 0.0f;
}

EffectBase::int32 EffectBase::getChunk(void**, bool) {
    return 0;
}

EffectBase::int32 EffectBase::setChunk(void*, int32, bool) {
    return 0;
}

void EffectBase::setSampleRate(float rate) {
    sampleRate = rate;
}

void EffectBase::setBlockSize(int32 size) {
    blockSize = size;
}

void EffectBase::suspend() {}

void EffectBase::resume() {}

// Record fields a concrete effect describes itself with.

void EffectBase::setUniqueId(int32 id) {
    effectRecord.uniqueID = id;
}

void EffectBase::setNumInputs(int32 count) {
    effectRecord.numInputs = count;
}

void EffectBase::setNumOutputs(int32 count) {
    effectRecord.numOutputs = count;
}

void EffectBase::setHasVu(bool state) {
    setFlag(effFlagsHasVu, state);
}

void EffectBase::setHasClip(bool state) {
    setFlag(effFlagsHasClip, state);
}

void EffectBase::setCanMono(bool state) {
    setFlag(effFlagsCanMono, state);
}

void EffectBase::setCanReplacing(bool state) {
    setFlag(effFlagsCanReplacing, state);
}

void EffectBase::setProgramsAreChunks(bool state) {
    setFlag(effFlagsProgramChunks, state);
}

void EffectBase::setRealtimeQualities(int32 count) {
    effectRecord.realQualities = count;
}

void EffectBase::setOfflineQualities(int32 count) {
    effectRecord.offQualities = count;
}

void EffectBase::setInitialDelay(int32 samples) {
    effectRecord.initialDelay = samples;
}

float EffectBase::getSampleRate() {
    return sampleRate;
}

EffectBase::int32 EffectBase::getBlockSize() {
    return blockSize;
}

// Host queries of the base. Without a callback each answers what a host that knows nothing
// would: the oldest interface version, no id, every pin connected.

EffectBase::int32 EffectBase::getHostVersion() {
    const intptr version = callHost(audioMasterVersion);
    return version != 0 ? static_cast<int32>(version) : 1;
}

EffectBase::int32 EffectBase::getHostCurrentId() {
    return static_cast<int32>(callHost(audioMasterCurrentId));
}

void EffectBase::hostIdle() {
    callHost(audioMasterIdle);
}

// The pin query answers 0 for a connected pin.
bool EffectBase::isInputConnected(int32 index) {
    return callHost(audioMasterPinConnected, index, 0) == 0;
}

bool EffectBase::isOutputConnected(int32 index) {
    return callHost(audioMasterPinConnected, index, 1) == 0;
}

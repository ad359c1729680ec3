// A plug-in that records what a host asks of another plug-in. It loads the plug-in file named
// by STEPVEIL_RECORDER_TARGET, hands the host a record of its own whose entries forward every
// call to the wrapped effect, and writes each call, each answer to the effect's time requests
// and each processed block into the journal (CallJournal). With it, a host we cannot change
// shows what it sends without the effect's code knowing.
//
// The host sees the wrapped effect's identity, channels and programs; only the record's
// address differs. The effect's calls to its host are forwarded with the host's record in
// place of the effect's own, because hosts find their plug-in by the record they hold.
//
// Two settings let a test play a part the host cannot: STEPVEIL_RECORDER_HIDE_CHUNKS=1 hides
// the effect's chunk flag, so that the host keeps only parameters, as it did for plug-ins
// without chunks; STEPVEIL_RECORDER_RENAME="N=NAME" renames program N whenever the host
// selects it, as a host's own rename command would (Ardour has none).
#include "host/PluginLibrary.h"
#include "tests/ardour/CallJournal.h"
#include "vst2/vst2.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace stepveil::recorder {
namespace {

using vst2::int32;
using vst2::intptr;

// One wrapped effect. The host holds `hostRecord`; `hostRecord.object` leads back here.
struct WrappedEffect {
    AEffect hostRecord{};
    AEffect* inner = nullptr;
};

audioMasterCallback hostCallback = nullptr;
std::unique_ptr<host::PluginLibrary> wrappedLibrary;

std::mutex registryLock;
std::vector<WrappedEffect*> registry;

WrappedEffect* wrapperOf(AEffect* hostRecord) {
    return static_cast<WrappedEffect*>(hostRecord->object);
}

// The host's record for an effect's own record, or null while the effect is still being made
// inside its entry (the host has no record for it yet then).
AEffect* hostRecordFor(AEffect* inner) {
    std::lock_guard<std::mutex> guard(registryLock);
    for (WrappedEffect* wrapped : registry) {
        if (wrapped->inner == inner) {
            return &wrapped->hostRecord;
        }
    }
    return nullptr;
}

bool hidesChunks() {
    const char* setting = std::getenv("STEPVEIL_RECORDER_HIDE_CHUNKS");
    return setting != nullptr && std::string(setting) == "1";
}

// The rename a host's user asked for: program number and new name, or program -1.
struct Rename {
    int32 program = -1;
    std::string name;
};

Rename renameAsked() {
    const char* setting = std::getenv("STEPVEIL_RECORDER_RENAME");
    Rename rename;
    const std::string text = setting != nullptr ? setting : "";
    const auto equals = text.find('=');
    if (equals != std::string::npos && equals > 0) {
        rename.program = std::atoi(text.substr(0, equals).c_str());
        rename.name = text.substr(equals + 1);
    }
    return rename;
}

void renameWhenSelected(AEffect* inner, int32 opcode, intptr value) {
    static const Rename rename = renameAsked();
    if (opcode != effSetProgram || value != rename.program) {
        return;
    }
    std::string name = rename.name;
    const intptr result = inner->dispatcher(inner, effSetProgramName, 0, 0, name.data(), 0.0f);
    CallJournal::instance().note("renamed program " + std::to_string(rename.program) + " to \"" +
                                 rename.name + "\"");
    CallJournal::instance().dispatcherCall(effSetProgramName, 0, 0, name.data(), 0.0f, result);
}

// Fields an effect may change after its entry has returned (an editor attaching itself sets a
// flag, a delay may change on resume): the host must see them in its own record too.
void copyDescription(const AEffect& from, AEffect& to) {
    to.numPrograms = from.numPrograms;
    to.numParams = from.numParams;
    to.numInputs = from.numInputs;
    to.numOutputs = from.numOutputs;
    to.flags = hidesChunks() ? from.flags & ~effFlagsProgramChunks : from.flags;
    to.initialDelay = from.initialDelay;
    to.realQualities = from.realQualities;
    to.offQualities = from.offQualities;
    to.ioRatio = from.ioRatio;
    to.uniqueID = from.uniqueID;
    to.version = from.version;
}

intptr VST2_CALL forwardToHost(AEffect* inner, int32 opcode, int32 index, intptr value, void* ptr,
                               float opt) {
    if (hostCallback == nullptr) {
        return 0;
    }
    AEffect* hostRecord = inner != nullptr ? hostRecordFor(inner) : nullptr;
    const intptr result = hostCallback(hostRecord, opcode, index, value, ptr, opt);
    CallJournal& journal = CallJournal::instance();
    if (opcode == audioMasterGetTime) {
        journal.timeInfo(value, reinterpret_cast<const VstTimeInfo*>(result));
    } else {
        journal.hostCall(opcode, index, value, opt, result);
    }
    return result;
}

void forget(WrappedEffect* wrapped) {
    {
        std::lock_guard<std::mutex> guard(registryLock);
        registry.erase(std::remove(registry.begin(), registry.end(), wrapped), registry.end());
    }
    delete wrapped;
}

intptr VST2_CALL forwardDispatcher(AEffect* hostRecord, int32 opcode, int32 index, intptr value,
                                   void* ptr, float opt) {
    WrappedEffect* wrapped = wrapperOf(hostRecord);
    AEffect* inner = wrapped->inner;
    const intptr result = inner->dispatcher(inner, opcode, index, value, ptr, opt);
    CallJournal::instance().dispatcherCall(opcode, index, value, ptr, opt, result);
    renameWhenSelected(inner, opcode, value);
    if (opcode == effClose) {
        // The effect is gone; the host does not use its record after effClose either.
        forget(wrapped);
        return result;
    }
    copyDescription(*inner, wrapped->hostRecord);
    return result;
}

void VST2_CALL forwardProcess(AEffect* hostRecord, float** inputs, float** outputs,
                              int32 sampleFrames) {
    AEffect* inner = wrapperOf(hostRecord)->inner;
    CallJournal::instance().processCall("process", sampleFrames);
    inner->process(inner, inputs, outputs, sampleFrames);
}

void VST2_CALL forwardProcessReplacing(AEffect* hostRecord, float** inputs, float** outputs,
                                       int32 sampleFrames) {
    AEffect* inner = wrapperOf(hostRecord)->inner;
    CallJournal::instance().processCall("processReplacing", sampleFrames);
    inner->processReplacing(inner, inputs, outputs, sampleFrames);
}

void VST2_CALL forwardProcessDoubleReplacing(AEffect* hostRecord, double** inputs, double** outputs,
                                             int32 sampleFrames) {
    AEffect* inner = wrapperOf(hostRecord)->inner;
    CallJournal::instance().processCall("processDoubleReplacing", sampleFrames);
    inner->processDoubleReplacing(inner, inputs, outputs, sampleFrames);
}

void VST2_CALL forwardSetParameter(AEffect* hostRecord, int32 index, float value) {
    AEffect* inner = wrapperOf(hostRecord)->inner;
    CallJournal::instance().parameterSet(index, value);
    inner->setParameter(inner, index, value);
}

float VST2_CALL forwardGetParameter(AEffect* hostRecord, int32 index) {
    AEffect* inner = wrapperOf(hostRecord)->inner;
    const float value = inner->getParameter(inner, index);
    CallJournal::instance().parameterGet(index, value);
    return value;
}

AEffect* wrap(AEffect* inner) {
    auto* wrapped = new WrappedEffect;
    wrapped->inner = inner;
    AEffect& record = wrapped->hostRecord;
    record = *inner;
    copyDescription(*inner, record);
    record.object = wrapped;
    record.user = nullptr;
    record.resvd1 = 0;
    record.resvd2 = 0;
    record.dispatcher = forwardDispatcher;
    record.process = inner->process != nullptr ? forwardProcess : nullptr;
    record.processReplacing =
        inner->processReplacing != nullptr ? forwardProcessReplacing : nullptr;
    record.processDoubleReplacing =
        inner->processDoubleReplacing != nullptr ? forwardProcessDoubleReplacing : nullptr;
    record.setParameter = forwardSetParameter;
    record.getParameter = forwardGetParameter;
    std::lock_guard<std::mutex> guard(registryLock);
    registry.push_back(wrapped);
    return &record;
}

// Loads the wrapped file once per process; it stays loaded until the process ends, since the
// host may make effects from this file at any time.
bool loadWrappedLibrary() {
    if (wrappedLibrary) {
        return true;
    }
    const char* path = std::getenv("STEPVEIL_RECORDER_TARGET");
    if (path == nullptr || *path == '\0') {
        std::fprintf(stderr, "recording plug-in: STEPVEIL_RECORDER_TARGET names no plug-in\n");
        return false;
    }
    std::string error;
    wrappedLibrary = host::PluginLibrary::open(path, error);
    if (!wrappedLibrary) {
        std::fprintf(stderr, "recording plug-in: %s\n", error.c_str());
        return false;
    }
    return true;
}

AEffect* makeEffect(audioMasterCallback callback) {
    hostCallback = callback;
    if (!loadWrappedLibrary()) {
        return nullptr;
    }
    CallJournal::instance().note("entry called; loading " + wrappedLibrary->path());
    AEffect* inner = wrappedLibrary->entry()(forwardToHost);
    if (inner == nullptr || inner->magic != kEffectMagic) {
        CallJournal::instance().note("the wrapped entry gave no effect");
        return nullptr;
    }
    return wrap(inner);
}

} // namespace
} // namespace stepveil::recorder

// Linux: exported by its visibility; Windows: as `VSTPluginMain` and `main` by
// RecordingPlugin.def.
extern "C" __attribute__((visibility("default"))) AEffect* VST2_CALL
VSTPluginMain(audioMasterCallback hostCallback) {
    return stepveil::recorder::makeEffect(hostCallback);
}

#include "tests/ardour/CallJournal.h"

#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#include <unistd.h>
#endif

namespace stepveil::recorder {
namespace {

constexpr std::array<const char*, 77> effectOpcodeNames = {
    "effOpen",
    "effClose",
    "effSetProgram",
    "effGetProgram",
    "effSetProgramName",
    "effGetProgramName",
    "effGetParamLabel",
    "effGetParamDisplay",
    "effGetParamName",
    "effGetVu",
    "effSetSampleRate",
    "effSetBlockSize",
    "effMainsChanged",
    "effEditGetRect",
    "effEditOpen",
    "effEditClose",
    "effEditDraw",
    "effEditMouse",
    "effEditKey",
    "effEditIdle",
    "effEditTop",
    "effEditSleep",
    "effIdentify",
    "effGetChunk",
    "effSetChunk",
    "effProcessEvents",
    "effCanBeAutomated",
    "effString2Parameter",
    "effGetNumProgramCategories",
    "effGetProgramNameIndexed",
    "effCopyProgram",
    "effConnectInput",
    "effConnectOutput",
    "effGetInputProperties",
    "effGetOutputProperties",
    "effGetPlugCategory",
    "effGetCurrentPosition",
    "effGetDestinationBuffer",
    "effOfflineNotify",
    "effOfflinePrepare",
    "effOfflineRun",
    "effProcessVarIo",
    "effSetSpeakerArrangement",
    "effSetBlockSizeAndSampleRate",
    "effSetBypass",
    "effGetEffectName",
    "effGetErrorText",
    "effGetVendorString",
    "effGetProductString",
    "effGetVendorVersion",
    "effVendorSpecific",
    "effCanDo",
    "effGetTailSize",
    "effIdle",
    "effGetIcon",
    "effSetViewPosition",
    "effGetParameterProperties",
    "effKeysRequired",
    "effGetVstVersion",
    "effEditKeyDown",
    "effEditKeyUp",
    "effSetEditKnobMode",
    "effGetMidiProgramName",
    "effGetCurrentMidiProgram",
    "effGetMidiProgramCategory",
    "effHasMidiProgramsChanged",
    "effGetMidiKeyName",
    "effBeginSetProgram",
    "effEndSetProgram",
    "effGetSpeakerArrangement",
    "effShellGetNextPlugin",
    "effStartProcess",
    "effStopProcess",
    "effSetTotalSampleToProcess",
    "effSetPanLaw",
    "effBeginLoadBank",
    "effBeginLoadProgram",
};

constexpr std::array<const char*, 50> hostOpcodeNames = {
    "audioMasterAutomate",
    "audioMasterVersion",
    "audioMasterCurrentId",
    "audioMasterIdle",
    "audioMasterPinConnected",
    "?",
    "audioMasterWantMidi",
    "audioMasterGetTime",
    "?",
    "?",
    "audioMasterTempoAt",
    "audioMasterGetNumAutomatableParameters",
    "audioMasterGetParameterQuantization",
    "audioMasterIOChanged",
    "audioMasterNeedIdle",
    "audioMasterSizeWindow",
    "audioMasterGetSampleRate",
    "audioMasterGetBlockSize",
    "audioMasterGetInputLatency",
    "audioMasterGetOutputLatency",
    "audioMasterGetPreviousPlug",
    "audioMasterGetNextPlug",
    "audioMasterWillReplaceOrAccumulate",
    "audioMasterGetCurrentProcessLevel",
    "audioMasterGetAutomationState",
    "audioMasterOfflineStart",
    "audioMasterOfflineRead",
    "audioMasterOfflineWrite",
    "audioMasterOfflineGetCurrentPass",
    "audioMasterOfflineGetCurrentMetaPass",
    "audioMasterSetOutputSampleRate",
    "audioMasterGetOutputSpeakerArrangement",
    "audioMasterGetVendorString",
    "audioMasterGetProductString",
    "audioMasterGetVendorVersion",
    "audioMasterVendorSpecific",
    "?",
    "audioMasterCanDo",
    "audioMasterGetLanguage",
    "audioMasterOpenWindow",
    "audioMasterCloseWindow",
    "audioMasterGetDirectory",
    "audioMasterUpdateDisplay",
    "audioMasterBeginEdit",
    "audioMasterEndEdit",
    "audioMasterOpenFileSelector",
    "?",
    "?",
    "?",
    "audioMasterGetInputSpeakerArrangement",
};

template <std::size_t count>
const char* nameAt(const std::array<const char*, count>& names, vst2::int32 opcode) {
    if (opcode < 0 || static_cast<std::size_t>(opcode) >= names.size()) {
        return "?";
    }
    return names[static_cast<std::size_t>(opcode)];
}

// Opcodes whose ptr carries a text from the host: worth keeping in the journal.
bool passesHostText(vst2::int32 opcode) {
    return opcode == effCanDo || opcode == effSetProgramName;
}

long currentProcessId() {
#if defined(_WIN32)
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(getpid());
#endif
}

// The calling thread's name where the system keeps one (Linux hosts name their threads);
// Windows gives its number instead.
void callingThreadName(char* name, std::size_t capacity) {
#if defined(_WIN32)
    std::snprintf(name, capacity, "%lu", static_cast<unsigned long>(GetCurrentThreadId()));
#else
    if (pthread_getname_np(pthread_self(), name, capacity) != 0 || name[0] == '\0') {
        std::snprintf(name, capacity, "?");
    }
#endif
}

} // namespace

const char* effectOpcodeName(vst2::int32 opcode) {
    return nameAt(effectOpcodeNames, opcode);
}

const char* hostOpcodeName(vst2::int32 opcode) {
    return nameAt(hostOpcodeNames, opcode);
}

CallJournal& CallJournal::instance() {
    static CallJournal journal;
    return journal;
}

namespace {

// The journal's file name with "%p" replaced by the process id: hosts that run each plug-in in
// a process of its own then give each its own journal.
std::string journalPath(std::string path) {
    const auto marker = path.find("%p");
    if (marker != std::string::npos) {
        path.replace(marker, 2, std::to_string(currentProcessId()));
    }
    return path;
}

} // namespace

CallJournal::CallJournal() : opened(std::chrono::steady_clock::now()) {
    if (const char* path = std::getenv("STEPVEIL_RECORDER_LOG"); path != nullptr && *path) {
        // Binary, so that every system ends lines with a bare line feed.
        file = std::fopen(journalPath(path).c_str(), "ab");
    }
}

CallJournal::~CallJournal() {
    if (file != nullptr) {
        std::fclose(file);
    }
}

// Every line ends with the calling thread's name (hosts name their threads, which tells the
// user-interface thread from the audio thread and from a thread of the host's own for the
// editor) and the seconds since the journal opened, so that rates can be read from it.
void CallJournal::writeLine(const char* format, ...) {
    if (file == nullptr) {
        return;
    }
    char thread[32] = "?";
    callingThreadName(thread, sizeof thread);
    for (char* letter = thread; *letter != '\0'; ++letter) {
        if (*letter == ' ' || *letter == '=') {
            *letter = '_';
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - opened;
    std::lock_guard<std::mutex> guard(lock);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file, format, arguments);
    va_end(arguments);
    std::fprintf(file, " thread=%s t=%.6f\n", thread, elapsed.count());
    // Flushed line by line: a host that crashes later must not take the journal with it.
    std::fflush(file);
}

void CallJournal::note(const std::string& line) {
    writeLine("note %s", line.c_str());
}

void CallJournal::dispatcherCall(vst2::int32 opcode, vst2::int32 index, vst2::intptr value,
                                 const void* ptr, float opt, vst2::intptr result) {
    // The editor's window: on X11 hosts ptr carries the parent window's id, not an address.
    if (opcode == effEditOpen) {
        writeLine("dispatcher %s(%d) index=%d value=0x%lx ptr=0x%lx opt=%g -> %ld",
                  effectOpcodeName(opcode), opcode, index, static_cast<unsigned long>(value),
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(ptr)),
                  static_cast<double>(opt), static_cast<long>(result));
        return;
    }
    if (opcode == effEditGetRect && ptr != nullptr) {
        const ERect* rect = *static_cast<ERect* const*>(ptr);
        if (rect != nullptr) {
            // As X geometry: width x height + left + top.
            writeLine("dispatcher %s(%d) index=%d value=%ld opt=%g rect=%dx%d+%d+%d -> %ld",
                      effectOpcodeName(opcode), opcode, index, static_cast<long>(value),
                      static_cast<double>(opt), rect->right - rect->left, rect->bottom - rect->top,
                      rect->left, rect->top, static_cast<long>(result));
            return;
        }
    }
    if (passesHostText(opcode) && ptr != nullptr) {
        writeLine("dispatcher %s(%d) index=%d value=%ld opt=%g text=\"%.64s\" -> %ld",
                  effectOpcodeName(opcode), opcode, index, static_cast<long>(value),
                  static_cast<double>(opt), static_cast<const char*>(ptr),
                  static_cast<long>(result));
        return;
    }
    writeLine("dispatcher %s(%d) index=%d value=%ld opt=%g -> %ld", effectOpcodeName(opcode),
              opcode, index, static_cast<long>(value), static_cast<double>(opt),
              static_cast<long>(result));
}

void CallJournal::hostCall(vst2::int32 opcode, vst2::int32 index, vst2::intptr value, float opt,
                           vst2::intptr result) {
    writeLine("host %s(%d) index=%d value=%ld opt=%g -> %ld", hostOpcodeName(opcode), opcode, index,
              static_cast<long>(value), static_cast<double>(opt), static_cast<long>(result));
}

void CallJournal::timeInfo(vst2::intptr filter, const VstTimeInfo* info) {
    if (info == nullptr) {
        writeLine("time filter=0x%lx -> none", static_cast<unsigned long>(filter));
        return;
    }
    // Positions in full precision, so a journal can be replayed exactly.
    writeLine("time filter=0x%lx samplePos=%.17g sampleRate=%.17g ppqPos=%.17g tempo=%.17g "
              "barStartPos=%.17g sig=%d/%d flags=0x%x playing=%d",
              static_cast<unsigned long>(filter), info->samplePos, info->sampleRate, info->ppqPos,
              info->tempo, info->barStartPos, info->timeSigNumerator, info->timeSigDenominator,
              static_cast<unsigned>(info->flags), (info->flags & kVstTransportPlaying) ? 1 : 0);
}

void CallJournal::processCall(const char* entry, vst2::int32 frames) {
    writeLine("%s frames=%d", entry, frames);
}

void CallJournal::parameterSet(vst2::int32 index, float value) {
    writeLine("setParameter index=%d value=%g", index, static_cast<double>(value));
}

void CallJournal::parameterGet(vst2::int32 index, float value) {
    writeLine("getParameter index=%d -> %g", index, static_cast<double>(value));
}

} // namespace stepveil::recorder

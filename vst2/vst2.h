// The plug-in interface's binary records, function types and opcode numbers, declared by this
// project for itself. Layouts follow the published binary interface: natural alignment, no
// packing, cdecl for every function pointer on 32-bit Windows.
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define VST2_CALL __cdecl
#else
#define VST2_CALL
#endif

namespace vst2 {

using int32 = std::int32_t;
using intptr = std::intptr_t;

} // namespace vst2

struct AEffect;

using audioMasterCallback = vst2::intptr(VST2_CALL*)(AEffect* effect, vst2::int32 opcode,
                                                     vst2::int32 index, vst2::intptr value,
                                                     void* ptr, float opt);
using AEffectDispatcherProc = vst2::intptr(VST2_CALL*)(AEffect* effect, vst2::int32 opcode,
                                                       vst2::int32 index, vst2::intptr value,
                                                       void* ptr, float opt);
using AEffectProcessProc = void(VST2_CALL*)(AEffect* effect, float** inputs, float** outputs,
                                            vst2::int32 sampleFrames);
using AEffectProcessDoubleProc = void(VST2_CALL*)(AEffect* effect, double** inputs,
                                                  double** outputs, vst2::int32 sampleFrames);
using AEffectSetParameterProc = void(VST2_CALL*)(AEffect* effect, vst2::int32 index, float value);
using AEffectGetParameterProc = float(VST2_CALL*)(AEffect* effect, vst2::int32 index);

// The record a host holds for one effect instance.
struct AEffect {
    vst2::int32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    vst2::int32 numPrograms;
    vst2::int32 numParams;
    vst2::int32 numInputs;
    vst2::int32 numOutputs;
    vst2::int32 flags;
    vst2::intptr resvd1;
    vst2::intptr resvd2;
    vst2::int32 initialDelay;
    vst2::int32 realQualities;
    vst2::int32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    vst2::int32 uniqueID;
    vst2::int32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

static_assert(sizeof(void*) == 8 ? sizeof(AEffect) == 192 : sizeof(AEffect) == 144,
              "AEffect must match the published binary layout");

// The host's answer to audioMasterGetTime.
struct VstTimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    vst2::int32 timeSigNumerator;
    vst2::int32 timeSigDenominator;
    vst2::int32 smpteOffset;
    vst2::int32 smpteFrameRate;
    vst2::int32 samplesToNextClock;
    vst2::int32 flags;
};

static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo must be 88 bytes");

struct ERect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

static_assert(sizeof(ERect) == 8, "ERect must be 8 bytes");

struct VstKeyCode {
    vst2::int32 character;
    std::uint8_t virt;
    std::uint8_t modifier;
};

static_assert(sizeof(VstKeyCode) == 8, "VstKeyCode must be 8 bytes");

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    vst2::int32 type;
    char future[28];
};

static_assert(sizeof(VstSpeakerProperties) == 112, "VstSpeakerProperties must be 112 bytes");

// Declared with room for 8 speakers; blocks the effect allocates hold exactly numChannels.
struct VstSpeakerArrangement {
    vst2::int32 type;
    vst2::int32 numChannels;
    VstSpeakerProperties speakers[8];
};

static_assert(sizeof(VstSpeakerArrangement) == 8 + 8 * 112, "speaker records follow the header");

// Four-character codes keep their first character in the most significant byte.
constexpr vst2::int32 vstFourCharCode(char a, char b, char c, char d) {
    return static_cast<vst2::int32>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                    (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                    (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                    static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

constexpr vst2::int32 kEffectMagic = vstFourCharCode('V', 's', 't', 'P');

enum VstAEffectFlags : vst2::int32 {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsExtIsAsync = 1024,
    effFlagsExtHasBuffer = 2048,
};

enum VstPlugCategory : vst2::int32 {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
};

// Dispatcher opcodes, host to effect.
enum VstEffectOpcode : vst2::int32 {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
};

static_assert(effSetChunk == 24 && effBeginLoadProgram == 76, "opcode numbering");

// Host callback opcodes, effect to host.
enum VstHostOpcode : vst2::int32 {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterTempoAt = 10,
    audioMasterGetNumAutomatableParameters = 11,
    audioMasterGetParameterQuantization = 12,
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,
    audioMasterGetNextPlug = 21,
    audioMasterWillReplaceOrAccumulate = 22,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,
    audioMasterGetOutputSpeakerArrangement = 31,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,
    audioMasterCloseWindow = 40,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterGetInputSpeakerArrangement = 49,
};

// VstTimeInfo flag bits.
enum VstTimeInfoFlags : vst2::int32 {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 2,
    kVstTransportCycleActive = 4,
    kVstTransportRecording = 8,
    kVstAutomationWriting = 0x40,
    kVstAutomationReading = 0x80,
    kVstNanosValid = 0x100,
    kVstPpqPosValid = 0x200,
    kVstTempoValid = 0x400,
    kVstBarsValid = 0x800,
    kVstCyclePosValid = 0x1000,
    kVstTimeSigValid = 0x2000,
    kVstSmpteValid = 0x4000,
    kVstClockValid = 0x8000,
};

enum VstVirtualKey : std::uint8_t {
    VKEY_LEFT = 11,
    VKEY_UP = 12,
    VKEY_RIGHT = 13,
    VKEY_DOWN = 14,
};

enum VstModifierKey : std::uint8_t {
    MODIFIER_SHIFT = 1,
    MODIFIER_ALTERNATE = 2,
    MODIFIER_COMMAND = 4,
    MODIFIER_CONTROL = 8,
};

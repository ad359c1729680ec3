// The record a host receives, the static entries in it and the dispatcher's answers.
#include "effect_test_support.h"

#include "effect/RecordEntries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
// A host number no 32-bit count holds: beyond 32 bits where pointers are wider, the most
// negative one where they are 32 bits.
#if INTPTR_MAX > INT32_MAX
constexpr vst2::intptr kBeyondCounts = vst2::intptr{1} << 40;
#else
constexpr vst2::intptr kBeyondCounts = std::numeric_limits<vst2::intptr>::min();
#endif

class EffectDispatcherTest : public ::testing::Test {
protected:
    vst2::intptr dispatch(vst2::int32 opcode, vst2::int32 index = 0, vst2::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
        return effect.dispatcher(opcode, index, value, ptr, opt);
    }
    RecordingEditor* attachEditor() {
        auto* editor = new RecordingEditor(&effect, log);
        effect.attachEditor(editor);
        return editor;
    }

    RecordingHost host;
    EffectLog log;
    RecordingEffect effect{log};
    char text[64] = "untouched";
};

TEST_F(EffectDispatcherTest, RecordCarriesTheInterfaceIdentityAndTheEffect) {
    const AEffect& record = *effect.getAeffect();
    EXPECT_EQ(record.magic, 0x56737450);
    EXPECT_EQ(record.version, 1);
    EXPECT_EQ(record.ioRatio, 1.0f);
    EXPECT_EQ(record.object, static_cast<void*>(&effect));
    EXPECT_EQ(record.uniqueID, 0x4E6F4566);
    EXPECT_EQ(record.numPrograms, 4);
    EXPECT_EQ(record.numParams, 3);
    EXPECT_EQ(record.numInputs, 1);
    EXPECT_EQ(record.numOutputs, 2);
    EXPECT_EQ(record.flags, 0);
    EXPECT_EQ(record.user, nullptr);
    EXPECT_EQ(record.processDoubleReplacing, nullptr);
    EXPECT_TRUE(record.dispatcher && record.process && record.processReplacing &&
                record.setParameter && record.getParameter);
    const char zeros[sizeof record.future] = {};
    EXPECT_EQ(std::memcmp(record.future, zeros, sizeof zeros), 0);
}

TEST_F(EffectDispatcherTest, EachFlagSetterChangesOnlyItsOwnBit) {
    struct FlagCase {
        void (EffectBaseEx::*setter)(bool);
        vst2::int32 bit;
    };
    const FlagCase cases[] = {
        {&EffectBaseEx::setHasClip, 2},
        {&EffectBaseEx::setHasVu, 4},
        {&EffectBaseEx::setCanMono, 8},
        {&EffectBaseEx::setCanReplacing, 16},
        {&EffectBaseEx::setProgramsAreChunks, 32},
        {&EffectBaseEx::setIsSynth, 0x100},
        {&EffectBaseEx::setNoSoundInStop, 0x200},
        {&EffectBaseEx::setIsAsync, 0x400},
        {&EffectBaseEx::setHasExternalBuffer, 0x800},
    };
    for (const FlagCase& flagCase : cases) {
        effect.getAeffect()->flags = 1;
        (effect.*flagCase.setter)(true);
        EXPECT_EQ(effect.getAeffect()->flags, 1 | flagCase.bit);
        (effect.*flagCase.setter)(false);
        EXPECT_EQ(effect.getAeffect()->flags, 1);
    }
}

TEST_F(EffectDispatcherTest, ProgramSelectionStaysWithinTheProgramCount) {
    dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(dispatch(effGetProgram), 3);
    EXPECT_EQ(dispatch(effSetProgram, 0, 4), 0);
    EXPECT_EQ(dispatch(effSetProgram, 0, -1), 0);
    EXPECT_EQ(dispatch(effSetProgram, 0, kBeyondCounts), 0);
    EXPECT_EQ(dispatch(effGetProgram), 3);
}

TEST_F(EffectDispatcherTest, BaseOpcodesAnswerAsTheInterfaceExpects) {
    EXPECT_EQ(dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(dispatch(effGetVu), 0);
    dispatch(effOpen);
    dispatch(effMainsChanged, 0, 0);
    dispatch(effMainsChanged, 0, 1);
    dispatch(effMainsChanged, 0, -7);
    dispatch(effClose);
    const std::vector<const char*> expected{"open", "suspend", "resume", "resume", "close"};
    ASSERT_EQ(log.events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_STREQ(log.events[i], expected[i]);
    }
    for (vst2::int32 opcode : {-1, -1000, 77, 78, 1000, std::numeric_limits<vst2::int32>::max()}) {
        EXPECT_EQ(dispatch(opcode, 1, 1, text, 1.0f), 0) << opcode;
    }
}

TEST_F(EffectDispatcherTest, AudioSettingsAcceptOnlyUsableValues) {
    dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    dispatch(effSetBlockSize, 0, 256);
    for (float rate : {0.0f, -44100.0f, kNaN, kInfinity}) {
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    }
    for (vst2::intptr size : {vst2::intptr{0}, vst2::intptr{-1}, kBeyondCounts}) {
        dispatch(effSetBlockSize, 0, size);
    }
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
    EXPECT_EQ(effect.getBlockSize(), 256);

    log.events.clear();
    EXPECT_EQ(dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f), 1);
    EXPECT_EQ(effect.getBlockSize(), 512);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
    EXPECT_TRUE(log.events.empty()) << "stored directly, without the setters";
    EXPECT_EQ(dispatch(effSetBlockSizeAndSampleRate, 0, -5, nullptr, kNaN), 1);
    EXPECT_EQ(effect.getBlockSize(), 512);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
}

TEST_F(EffectDispatcherTest, VuReadingIsScaledAndNeverOverflows) {
    const std::pair<float, vst2::intptr> cases[] = {
        {0.5f, 16383},
        {-1.0f, -32767},
        {kNaN, 0},
        {1e30f, std::numeric_limits<vst2::int32>::max()},
        {-kInfinity, std::numeric_limits<vst2::int32>::min()},
    };
    for (const auto& [vu, expected] : cases) {
        effect.vu = vu;
        EXPECT_EQ(dispatch(effGetVu), expected) << vu;
    }
}

TEST_F(EffectDispatcherTest, ParameterTextsOnlyForParametersTheEffectHas) {
    EXPECT_EQ(dispatch(effGetParamName, 2, 0, text), 0);
    EXPECT_STREQ(text, "C");
    for (vst2::int32 index : {-1, 3, std::numeric_limits<vst2::int32>::min()}) {
        std::strcpy(text, "untouched");
        dispatch(effGetParamName, index, 0, text);
        EXPECT_STREQ(text, "") << index;
    }
}

TEST_F(EffectDispatcherTest, ExtendedOpcodesAnswerTheirDefaults) {
    struct OpcodeCase {
        vst2::int32 opcode;
        vst2::intptr expected;
    };
    const OpcodeCase cases[] = {
        {effProcessEvents, 0},
        {effCanBeAutomated, 1},
        {effString2Parameter, 0},
        {effGetNumProgramCategories, 1},
        {effGetProgramNameIndexed, 0},
        {effCopyProgram, 0},
        {effConnectInput, 1},
        {effConnectOutput, 1},
        {effGetInputProperties, 0},
        {effGetOutputProperties, 0},
        {effGetPlugCategory, 0},
        {effGetCurrentPosition, 0},
        {effGetDestinationBuffer, 0},
        {effOfflineNotify, 0},
        {effProcessVarIo, 0},
        {effSetBypass, 0},
        {effGetEffectName, 0},
        {effGetVendorString, 0},
        {effGetVendorVersion, 0},
        {effVendorSpecific, 0},
        {effCanDo, 0},
        {effGetTailSize, 0},
        {effIdle, 0},
        {effGetIcon, 0},
        {effKeysRequired, 1},
        {effGetVstVersion, 2300},
        {effEditKeyDown, 0},
        {effSetEditKnobMode, 0},
        {effGetCurrentMidiProgram, -1},
        {effHasMidiProgramsChanged, 0},
        {effBeginSetProgram, 0},
        {effShellGetNextPlugin, 0},
        {effStartProcess, 0},
        {effSetTotalSampleToProcess, 12345},
        {effSetPanLaw, 0},
        {effBeginLoadProgram, 0},
    };
    for (const OpcodeCase& opcodeCase : cases) {
        EXPECT_EQ(dispatch(opcodeCase.opcode, 1, 12345, text, 0.5f), opcodeCase.expected)
            << opcodeCase.opcode;
    }
    effect.setIsSynth(true);
    EXPECT_EQ(dispatch(effGetPlugCategory), 2);
}

TEST_F(EffectDispatcherTest, SpeakerArrangementQueryClearsBothPointers) {
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* input = &dummy;
    VstSpeakerArrangement* output = &dummy;
    EXPECT_EQ(
        dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<vst2::intptr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(EffectDispatcherTest, EditorOpcodesReachTheEditorOnlyWhenThereIsOne) {
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, text), 0);
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_TRUE(log.events.empty());

    RecordingEditor* editor = attachEditor();
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect, &editor->area);
    EXPECT_EQ(dispatch(effEditGetRect), 0) << "no place to write the rectangle";
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, text), 1);
    EXPECT_EQ(dispatch(effEditOpen), 0) << "no parent window";
    dispatch(effEditIdle);
    dispatch(effEditClose);
    const std::vector<const char*> expected{"editor getRect", "editor open", "editor idle",
                                            "editor close"};
    ASSERT_EQ(log.events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_STREQ(log.events[i], expected[i]);
    }
    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 2), 102);
}

TEST_F(EffectDispatcherTest, KeyCodesAreBuiltFromTheArgumentsWhateverTheirRange) {
    RecordingEditor* editor = attachEditor();
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', 0x10B, nullptr, 9.7f), 7);
    EXPECT_EQ(editor->lastKey.character, 'a');
    EXPECT_EQ(editor->lastKey.virt, 0x0B);
    EXPECT_EQ(editor->lastKey.modifier, 9);
    EXPECT_EQ(dispatch(effEditKeyUp, 0, 14, nullptr, 263.0f), 8);
    EXPECT_EQ(editor->lastKey.modifier, 7) << "low 8 bits";
    for (float opt : {kNaN, kInfinity, -kInfinity, 1e20f, -1e20f}) {
        dispatch(effEditKeyDown, 0, 0, nullptr, opt);
        EXPECT_EQ(editor->lastKey.modifier, 0) << opt;
    }
}

// Every opcode with hostile arguments and no buffer: nothing may crash or read undefined
// memory (the sanitizer build runs this too), and no opcode that uses ptr may answer non-zero.
TEST_F(EffectDispatcherTest, NoOpcodeFailsOnHostileArguments) {
    attachEditor();
    const vst2::int32 indexes[] = {std::numeric_limits<vst2::int32>::min(), -1, 0, 3,
                                   std::numeric_limits<vst2::int32>::max()};
    const vst2::intptr values[] = {std::numeric_limits<vst2::intptr>::min(), -1, 0,
                                   std::numeric_limits<vst2::intptr>::max()};
    const float opts[] = {kNaN, -kInfinity, -1e30f, 0.0f, 1e30f};
    for (vst2::int32 opcode = -2; opcode <= 80; ++opcode) {
        if (opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement) {
            continue; // value is a pointer for these two; covered with real pointers above
        }
        for (vst2::int32 index : indexes) {
            for (vst2::intptr value : values) {
                for (float opt : opts) {
                    const vst2::intptr result = dispatch(opcode, index, value, nullptr, opt);
                    if (opcode == effGetProgramName || opcode == effGetParamName ||
                        opcode == effGetChunk || opcode == effGetEffectName || opcode == effCanDo) {
                        EXPECT_EQ(result, 0) << opcode;
                    }
                }
            }
        }
    }
}

TEST_F(EffectDispatcherTest, SetParameterAndAutomateStoresThenTellsTheHost) {
    effect.setParameterAndAutomate(2, 0.25f);
    EXPECT_EQ(effect.lastParameterIndex, 2);
    EXPECT_EQ(effect.lastParameterValue, 0.25f);
    ASSERT_EQ(host.calls.size(), 1u);
    const HostCall& call = host.calls[0];
    EXPECT_EQ(call.effect, effect.getAeffect());
    EXPECT_EQ(call.opcode, audioMasterAutomate);
    EXPECT_EQ(call.index, 2);
    EXPECT_EQ(call.value, 0);
    EXPECT_EQ(call.ptr, nullptr);
    EXPECT_EQ(call.opt, 0.25f);

    RecordingEffect hostless(log, nullptr);
    hostless.setParameterAndAutomate(1, 0.5f);
    EXPECT_EQ(hostless.lastParameterValue, 0.5f);
    EXPECT_EQ(host.calls.size(), 1u);
}

TEST_F(EffectDispatcherTest, BaseHostQueriesFallBackWithoutAnAnswer) {
    EXPECT_EQ(effect.getHostVersion(), 1);
    host.answers[audioMasterVersion] = 2400;
    EXPECT_EQ(effect.getHostVersion(), 2400);
    host.answers[audioMasterCurrentId] = 77;
    EXPECT_EQ(effect.getHostCurrentId(), 77);
    EXPECT_TRUE(effect.isInputConnected(1));
    host.answers[audioMasterPinConnected] = 1;
    EXPECT_FALSE(effect.isOutputConnected(1));
    ASSERT_GE(host.calls.size(), 2u);
    EXPECT_EQ(host.calls.back().index, 1);
    EXPECT_EQ(host.calls.back().value, 1) << "the output pin query sends value 1";

    RecordingEffect hostless(log, nullptr);
    EXPECT_EQ(hostless.getHostVersion(), 1);
    EXPECT_EQ(hostless.getHostCurrentId(), 0);
    EXPECT_TRUE(hostless.isInputConnected(0));
    EXPECT_TRUE(hostless.isOutputConnected(0));
}

// Through the record, as a host calls.
TEST(EffectRecordEntries, CloseRunsTheEffectsCloseThenDestroysItAndItsEditor) {
    EffectLog log;
    auto* effect = new RecordingEffect(log);
    effect->attachEditor(new RecordingEditor(effect, log));
    AEffect* record = effect->getAeffect();
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_STREQ(log.events[0], "close");
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_EQ(log.editorsDestroyed, 1);
}

TEST(EffectRecordEntries, EntriesReachTheEffectAndGuardParameterIndexes) {
    EffectLog log;
    RecordingEffect effect(log, nullptr);
    AEffect* record = effect.getAeffect();
    record->process(record, nullptr, nullptr, 0);
    record->processReplacing(record, nullptr, nullptr, 0);
    ASSERT_EQ(log.events.size(), 2u);
    EXPECT_STREQ(log.events[0], "process");
    EXPECT_STREQ(log.events[1], "processReplacing");

    record->setParameter(record, 2, 0.75f);
    EXPECT_EQ(effect.lastParameterIndex, 2);
    EXPECT_EQ(record->getParameter(record, 1), 1.5f);
    record->setParameter(record, 3, 0.1f);
    record->setParameter(record, -1, 0.1f);
    EXPECT_EQ(effect.lastParameterIndex, 2);
    EXPECT_EQ(record->getParameter(record, 3), 0.0f);
    EXPECT_EQ(record->getParameter(record, -1), 0.0f);
    EXPECT_EQ(record->dispatcher(record, effIdentify, 0, 0, nullptr, 0.0f), 0x4E764566);
}

TEST(EffectRecordEntries, RecordWithoutAnEffectIsAnsweredWithNothing) {
    AEffect empty{};
    EXPECT_EQ(recordEntries::dispatch(&empty, effClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(recordEntries::dispatch(nullptr, effIdentify, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(recordEntries::getParameter(nullptr, 0), 0.0f);
    recordEntries::setParameter(&empty, 0, 1.0f);
    recordEntries::process(nullptr, nullptr, nullptr, 16);
}

} // namespace

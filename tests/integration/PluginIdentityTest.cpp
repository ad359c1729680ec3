// What a host sees of the plug-in before it plays a note: the record, the identity texts and
// numbers, the answers to every opcode the effect does not use, and robustness against null
// buffers and opcodes it does not know.
#include "ExpectedIdentity.h"
#include "PluginFixture.h"

#include <cstring>

namespace stepveil::test {
namespace {

using host::HostCall;

TEST_F(PluginTest, RecordDescribesATwoChannelEffectWith32ProgramsAndParameters) {
    const AEffect& effect = record();
    EXPECT_EQ(effect.magic, 0x56737450);
    EXPECT_EQ(effect.numPrograms, 32);
    EXPECT_EQ(effect.numParams, 32);
    EXPECT_EQ(effect.numInputs, 2);
    EXPECT_EQ(effect.numOutputs, 2);
    EXPECT_EQ(effect.flags, expectedIdentity.flags);
    EXPECT_EQ(effect.uniqueID, expectedIdentity.uniqueId);
    EXPECT_EQ(effect.version, 1);
    EXPECT_EQ(effect.ioRatio, 1.0f);
    EXPECT_EQ(effect.initialDelay, 0);
    EXPECT_EQ(effect.resvd1, 0);
    EXPECT_EQ(effect.resvd2, 0);
    EXPECT_EQ(effect.user, nullptr);
    EXPECT_NE(effect.object, nullptr);
    EXPECT_NE(effect.dispatcher, nullptr);
    EXPECT_NE(effect.process, nullptr);
    EXPECT_NE(effect.processReplacing, nullptr);
    EXPECT_NE(effect.setParameter, nullptr);
    EXPECT_NE(effect.getParameter, nullptr);
    EXPECT_EQ(effect.processDoubleReplacing, nullptr);
}

TEST_F(PluginTest, UniqueIdIsAFourCharacterCodeWithTheFirstCharacterMostSignificant) {
    const auto id = static_cast<std::uint32_t>(record().uniqueID);
    EXPECT_EQ(static_cast<char>(id >> 24), 'O');
    EXPECT_EQ(static_cast<char>(id >> 16), 'V');
}

TEST_F(PluginTest, EntryAsksTheHostVersionFirstWithoutARecord) {
    const std::vector<HostCall> calls = plugin->callLog().calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().opcode, audioMasterVersion);
    EXPECT_FALSE(calls.front().withEffect);
}

TEST_F(PluginTest, IntroducesItselfByNameVendorProductAndVersion) {
    char text[256] = {};
    EXPECT_EQ(plugin->dispatch(effGetEffectName, 0, 0, text), 1);
    EXPECT_STREQ(text, expectedIdentity.effectName);
    EXPECT_EQ(plugin->vendorString(), expectedIdentity.vendorString);
    EXPECT_EQ(plugin->dispatch(effGetVendorString, 0, 0, text), 1);
    EXPECT_EQ(plugin->productString(), expectedIdentity.productString);
    EXPECT_EQ(plugin->dispatch(effGetProductString, 0, 0, text), 1);
    EXPECT_EQ(plugin->dispatch(effGetVendorVersion), expectedIdentity.vendorVersion);
    EXPECT_EQ(plugin->dispatch(effGetPlugCategory), expectedIdentity.category);
    EXPECT_EQ(plugin->dispatch(effGetVstVersion), 2300);
    EXPECT_EQ(plugin->dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(plugin->dispatch(effKeysRequired), 1);
}

TEST_F(PluginTest, ClaimsAndRefusesNoCapability) {
    for (const char* capability :
         {"receiveVstTimeInfo", "bypass", "1in1out", "plugAsChannelInsert", ""}) {
        EXPECT_EQ(plugin->canDo(capability), 0) << capability;
    }
}

TEST_F(PluginTest, AnswersTheDefaultsOfOpcodesItDoesNotUse) {
    struct DefaultAnswer {
        vst2::int32 opcode;
        vst2::intptr expected;
    };
    const DefaultAnswer answers[] = {
        {effGetVu, 0},
        {effEditDraw, 0},
        {effEditMouse, 0},
        {effEditKey, 0},
        {effEditTop, 0},
        {effEditSleep, 0},
        {effCanBeAutomated, 1},
        {effGetNumProgramCategories, 1},
        {effCopyProgram, 0},
        {effConnectInput, 1},
        {effConnectOutput, 1},
        {effGetCurrentPosition, 0},
        {effGetDestinationBuffer, 0},
        {effOfflineNotify, 0},
        {effOfflinePrepare, 0},
        {effOfflineRun, 0},
        {effProcessVarIo, 0},
        {effSetSpeakerArrangement, 0},
        {effSetBypass, 0},
        {effGetErrorText, 0},
        {effVendorSpecific, 0},
        {effGetTailSize, 0},
        {effIdle, 0},
        {effGetIcon, 0},
        {effSetViewPosition, 0},
        {effGetParameterProperties, 0},
        {effGetMidiProgramName, 0},
        {effGetCurrentMidiProgram, -1},
        {effGetMidiProgramCategory, 0},
        {effHasMidiProgramsChanged, 0},
        {effGetMidiKeyName, 0},
        {effBeginSetProgram, 0},
        {effEndSetProgram, 0},
        {effShellGetNextPlugin, 0},
        {effStartProcess, 0},
        {effStopProcess, 0},
        {effSetPanLaw, 0},
        {effBeginLoadBank, 0},
        {effBeginLoadProgram, 0},
        {77, 0},
        {1000, 0},
        {-1, 0},
    };
    // A zeroed scratch area stands in for whatever record an opcode's ptr would carry.
    alignas(16) char scratch[1024] = {};
    for (const DefaultAnswer& answer : answers) {
        EXPECT_EQ(plugin->dispatch(answer.opcode, 0, 0, scratch), answer.expected)
            << "opcode " << answer.opcode;
    }
    // Opcodes whose arguments matter for their answer.
    EXPECT_EQ(plugin->dispatch(effConnectInput, 5, 0), 1);
    EXPECT_EQ(plugin->dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(plugin->dispatch(effSetBlockSizeAndSampleRate, 0, 256, nullptr, 48000.0f), 1);
    void* data = &data;
    char number[] = "0.5";
    EXPECT_EQ(plugin->dispatch(effString2Parameter, 0, 0, number), 0);

    // effGetSpeakerArrangement clears both of the host's pointers.
    VstSpeakerArrangement* input = reinterpret_cast<VstSpeakerArrangement*>(&data);
    VstSpeakerArrangement* output = input;
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<vst2::intptr>(&input),
                               &output),
              0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(PluginTest, EditorOpcodesMatchWhetherThereIsAnEditor) {
    if (expectedIdentity.hasEditor) {
        GTEST_SKIP() << "the editor's own tests cover its opcodes";
    }
    ERect* rect = nullptr;
    EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);
    for (vst2::int32 opcode : {effEditOpen, effEditClose, effEditIdle, effEditKeyDown, effEditKeyUp,
                               effSetEditKnobMode}) {
        EXPECT_EQ(plugin->dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
    }
}

TEST_F(PluginTest, SurvivesNullBuffersAndKeepsWorking) {
    // A host may pass no buffer at all; the effect must not crash and must stay usable.
    for (vst2::int32 opcode : {effSetProgramName,
                               effGetProgramName,
                               effGetParamLabel,
                               effGetParamDisplay,
                               effGetParamName,
                               effEditGetRect,
                               effGetChunk,
                               effSetChunk,
                               effProcessEvents,
                               effString2Parameter,
                               effGetInputProperties,
                               effGetOutputProperties,
                               effSetSpeakerArrangement,
                               effGetEffectName,
                               effGetErrorText,
                               effGetVendorString,
                               effGetProductString,
                               effVendorSpecific,
                               effCanDo,
                               effGetParameterProperties,
                               effGetMidiProgramName,
                               effGetCurrentMidiProgram,
                               effGetMidiProgramCategory,
                               effGetMidiKeyName,
                               effGetSpeakerArrangement,
                               effShellGetNextPlugin,
                               effBeginLoadBank,
                               effBeginLoadProgram}) {
        plugin->dispatch(opcode, 0, 0, nullptr);
    }
    plugin->dispatch(effGetProgramNameIndexed, 3, 0, nullptr);
    EXPECT_EQ(plugin->programName(), "Quick Move");
    EXPECT_EQ(plugin->parameterName(4), "Level 5");
}

TEST_F(PluginTest, CloseAnswersOneAndTheFileUnloadsAfterwards) {
    plugin->open();
    plugin->resume();
    EXPECT_EQ(plugin->close(), 1);
    EXPECT_EQ(plugin->effect(), nullptr);
    plugin.reset();
    // Loading again after the unload gives a fresh effect in its initial state.
    host::LoadResult again = host::HostedPlugin::load(pluginFile());
    ASSERT_TRUE(again) << again.error;
    EXPECT_EQ(again.plugin->program(), 0);
}

} // namespace
} // namespace stepveil::test

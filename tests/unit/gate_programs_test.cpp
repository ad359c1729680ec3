// The gate as the host sees its state: identity, factory programs, parameters, program
// switching and naming, including indexes and texts a careless host may send.
#include "editor/EditorBase.h"
#include "gate_test_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string programNameAt(OvrinStepveilBase& effect, vst2::int32 index) {
    char text[64] = {};
    effect.getProgramNameIndexed(0, index, text);
    return text;
}

std::vector<float> liveLevels(OvrinStepveilBase& effect) {
    std::vector<float> levels;
    for (vst2::int32 i = 0; i < 32; ++i) {
        levels.push_back(effect.getParameter(i));
    }
    return levels;
}

// Reads a text operation's output from a buffer pre-filled with a marker, so a missing
// terminator or a write where none belongs shows as 64 marker characters.
template <typename Operation> std::string textFrom(Operation operation) {
    char text[64];
    std::memset(text, '#', sizeof text);
    operation(text);
    const void* end = std::memchr(text, '\0', sizeof text);
    const auto length = end != nullptr ? static_cast<const char*>(end) - text : 64;
    return std::string(text, static_cast<std::size_t>(length));
}

class CountingEditor : public EditorBase {
public:
    explicit CountingEditor(EffectBase* owner) : EditorBase(owner) {}
    void markForUpdate() override { ++marks; }
    int marks = 0;
};

// Records the parameter changes that reach the most derived effect, as the full effect with
// an editor will see them.
class RecordingGate : public OvrinStepveilBase {
public:
    RecordingGate() : OvrinStepveilBase(gateTestHostCallback) {}
    void setParameter(int32 index, float value) override {
        calls.emplace_back(index, value);
        OvrinStepveilBase::setParameter(index, value);
    }
    std::vector<std::pair<int32, float>> calls;
};

} // namespace

TEST(GateIdentity, AnswersAsTheBareGateEffect) {
    OvrinStepveilBase effect(gateTestHostCallback);
    const AEffect* record = effect.getAeffect();
    EXPECT_EQ(record->uniqueID, 0x4F567376); // 'O' 'V' 's' 'v'
    EXPECT_EQ(record->flags, effFlagsCanMono | effFlagsCanReplacing | effFlagsProgramChunks);
    EXPECT_EQ(record->flags, 56);
    EXPECT_EQ(record->numPrograms, 32);
    EXPECT_EQ(record->numParams, 32);
    EXPECT_EQ(record->numInputs, 2);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->version, 1);

    char text[64] = {};
    EXPECT_EQ(effect.dispatcher(effGetEffectName, 0, 0, text, 0.0f), 1);
    EXPECT_STREQ(text, "OvrinStepveilBase");
    EXPECT_EQ(effect.dispatcher(effGetProductString, 0, 0, text, 0.0f), 1);
    EXPECT_STREQ(text, "Ovrin Audio StepveilBase");
    EXPECT_EQ(effect.dispatcher(effGetVendorString, 0, 0, text, 0.0f), 1);
    EXPECT_STREQ(text, "Ovrin Audio");
    EXPECT_EQ(effect.dispatcher(effGetVendorVersion, 0, 0, nullptr, 0.0f), 1000);
    EXPECT_EQ(effect.dispatcher(effGetPlugCategory, 0, 0, nullptr, 0.0f), kPlugCategEffect);
    char canDoText[] = "receiveVstTimeInfo";
    EXPECT_EQ(effect.dispatcher(effCanDo, 0, 0, canDoText, 0.0f), 0);
}

TEST(GatePrograms, NewEffectPlaysQuickMove) {
    OvrinStepveilBase effect(gateTestHostCallback);
    EXPECT_EQ(effect.getProgram(), 0);
    EXPECT_EQ(textFrom([&](char* t) { effect.getProgramName(t); }), "Quick Move");
    EXPECT_EQ(effect.getParameter(0), 1.0f);
    EXPECT_EQ(effect.getParameter(1), 0.5f);
    EXPECT_EQ(effect.getParameter(3), 0.0f);
    const std::vector<float> beat = {1.0f, 0.5f, 0.5f, 0.0f};
    for (vst2::int32 i = 0; i < 32; ++i) {
        EXPECT_EQ(effect.getParameter(i), beat[static_cast<std::size_t>(i % 4)]) << i;
    }
}

TEST(GatePrograms, FactoryNamesAndUserSlots) {
    OvrinStepveilBase effect(gateTestHostCallback);
    const std::vector<std::string> factoryNames = {
        "Quick Move",   "Slow Move",     "Biker",         "Rider",       "Rocking", "Dancing",
        "Fade In Loop", "Fade Out Loop", "Total Stutter", "German Mask", "Gutted",  "Eight gate",
        "Tamsel 1",     "Tamsel 2",      "Total Silence", "Full Level"};
    for (std::size_t i = 0; i < factoryNames.size(); ++i) {
        EXPECT_EQ(programNameAt(effect, static_cast<vst2::int32>(i)), factoryNames[i]);
    }
    for (vst2::int32 n = 1; n <= 16; ++n) {
        EXPECT_EQ(programNameAt(effect, 15 + n), "User " + std::to_string(n));
    }
}

TEST(GatePrograms, FactoryLevelsAreWholeThirtySecondsInRange) {
    OvrinStepveilBase effect(gateTestHostCallback);
    for (vst2::int32 program = 0; program < 32; ++program) {
        effect.setProgram(program);
        for (float level : liveLevels(effect)) {
            EXPECT_GE(level, 0.0f);
            EXPECT_LE(level, 1.0f);
            EXPECT_EQ(level * 32.0f, static_cast<float>(static_cast<int>(level * 32.0f)));
        }
    }
    // Rows whose shape is easy to get wrong: Rider's fading last beat, Fade Out Loop's rise.
    effect.setProgram(3);
    std::vector<float> levels = liveLevels(effect);
    const std::vector<float> riderEnd = {1.0f, 0.0f, 0.75f, 0.0f, 0.5f, 0.0f, 0.25f, 0.0f};
    EXPECT_EQ(std::vector<float>(levels.begin() + 24, levels.end()), riderEnd);
    effect.setProgram(7);
    levels = liveLevels(effect);
    const std::vector<float> fadeOutEnd = {0.25f, 0.0f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f};
    EXPECT_EQ(std::vector<float>(levels.begin() + 24, levels.end()), fadeOutEnd);
}

TEST(GatePrograms, SelectingAProgramCopiesItsLevels) {
    OvrinStepveilBase effect(gateTestHostCallback);
    effect.dispatcher(effSetProgram, 0, 14, nullptr, 0.0f);
    EXPECT_EQ(liveLevels(effect), std::vector<float>(32, 0.0f));
    effect.dispatcher(effSetProgram, 0, 15, nullptr, 0.0f);
    EXPECT_EQ(liveLevels(effect), std::vector<float>(32, 1.0f));
    effect.dispatcher(effSetProgram, 0, 20, nullptr, 0.0f);
    EXPECT_EQ(liveLevels(effect), std::vector<float>(32, 0.5f));
    EXPECT_EQ(textFrom([&](char* t) { effect.getProgramName(t); }), "User 5");

    // Programs the host was not offered change nothing, also when called directly.
    for (vst2::int32 program : {32, -1, 1000}) {
        effect.dispatcher(effSetProgram, 0, program, nullptr, 0.0f);
        effect.setProgram(program);
        EXPECT_EQ(effect.getProgram(), 20);
        EXPECT_EQ(liveLevels(effect), std::vector<float>(32, 0.5f));
    }
}

TEST(GatePrograms, ParameterChangesAreKeptInTheCurrentProgram) {
    OvrinStepveilBase effect(gateTestHostCallback);
    effect.setParameter(5, 0.25f);
    effect.setProgram(3);
    EXPECT_EQ(effect.getParameter(5), 0.0f);
    effect.setProgram(0);
    EXPECT_EQ(effect.getParameter(5), 0.25f);
    // The other program was not touched by the change.
    effect.setProgram(1);
    EXPECT_EQ(effect.getParameter(5), 0.5f);
}

TEST(GatePrograms, ProgramChangeReachesTheDerivedEffectInStepOrder) {
    RecordingGate effect;
    effect.calls.clear();
    effect.setProgram(2);
    ASSERT_EQ(effect.calls.size(), 32u);
    for (std::size_t i = 0; i < 32; ++i) {
        EXPECT_EQ(effect.calls[i].first, static_cast<vst2::int32>(i));
        EXPECT_EQ(effect.calls[i].second, effect.getParameter(static_cast<vst2::int32>(i)));
    }
}

TEST(GatePrograms, NamesRoundTripAndLongNamesAreCut) {
    OvrinStepveilBase effect(gateTestHostCallback);
    char exact[] = "Twenty-three characters";
    ASSERT_EQ(std::strlen(exact), 23u);
    effect.dispatcher(effSetProgramName, 0, 0, exact, 0.0f);
    EXPECT_EQ(textFrom([&](char* t) { effect.dispatcher(effGetProgramName, 0, 0, t, 0.0f); }),
              exact);

    char tooLong[] = "A name far longer than the field can hold";
    effect.setProgramName(tooLong);
    EXPECT_EQ(textFrom([&](char* t) { effect.getProgramName(t); }), std::string(tooLong, 23));

    // The rename stayed with program 0 across a switch.
    effect.setProgram(1);
    EXPECT_EQ(programNameAt(effect, 0), std::string(tooLong, 23));
    EXPECT_EQ(programNameAt(effect, 1), "Slow Move");

    // A host passing no buffer gets nothing written and nothing broken.
    effect.setProgramName(nullptr);
    EXPECT_EQ(programNameAt(effect, 1), "Slow Move");
    effect.getProgramName(nullptr);
    EXPECT_FALSE(effect.getProgramNameIndexed(0, 1, nullptr));
}

TEST(GatePrograms, IndexedNamesIgnoreCurrentProgramAndRefuseOtherIndexes) {
    OvrinStepveilBase effect(gateTestHostCallback);
    for (vst2::int32 current : {0, 12, 31}) {
        effect.setProgram(current);
        char text[64] = {};
        EXPECT_EQ(effect.dispatcher(effGetProgramNameIndexed, 12, 0, text, 0.0f), 1);
        EXPECT_STREQ(text, "Tamsel 1");
    }
    for (vst2::int32 index : {32, -1, 100000}) {
        vst2::intptr answer = -1;
        const std::string text = textFrom([&](char* t) {
            answer = effect.dispatcher(effGetProgramNameIndexed, index, 0, t, 0.0f);
        });
        EXPECT_EQ(answer, 0);
        EXPECT_EQ(text, std::string(64, '#'));
    }
}

TEST(GateParameters, NamesLabelsAndDisplays) {
    OvrinStepveilBase effect(gateTestHostCallback);
    EXPECT_EQ(textFrom([&](char* t) { effect.dispatcher(effGetParamName, 0, 0, t, 0.0f); }),
              "Level 1");
    EXPECT_EQ(textFrom([&](char* t) { effect.dispatcher(effGetParamName, 31, 0, t, 0.0f); }),
              "Level 32");
    EXPECT_EQ(textFrom([&](char* t) { effect.dispatcher(effGetParamLabel, 7, 0, t, 0.0f); }), "dB");

    effect.setParameter(0, 1.0f);
    effect.setParameter(3, 0.0f);
    const std::string zeroDecibels = textFrom([&](char* t) { effect.formatFloat(0.0f, t); });
    EXPECT_EQ(textFrom([&](char* t) { effect.dispatcher(effGetParamDisplay, 0, 0, t, 0.0f); }),
              zeroDecibels);
    EXPECT_EQ(textFrom([&](char* t) { effect.dispatcher(effGetParamDisplay, 3, 0, t, 0.0f); }),
              "-oo");
}

TEST(GateParameters, IndexesOutsideTheStepsAreIgnored) {
    OvrinStepveilBase effect(gateTestHostCallback);
    const std::vector<float> before = liveLevels(effect);
    for (vst2::int32 index : {-1, 32, 33, 1 << 30, -(1 << 30)}) {
        effect.setParameter(index, 0.75f);
        EXPECT_EQ(effect.getParameter(index), 0.0f);
        EXPECT_EQ(textFrom([&](char* t) { effect.getParameterName(index, t); }), "");
        EXPECT_EQ(textFrom([&](char* t) { effect.getParameterLabel(index, t); }), "");
        EXPECT_EQ(textFrom([&](char* t) { effect.getParameterDisplay(index, t); }), "");
    }
    EXPECT_EQ(liveLevels(effect), before);
    effect.setProgram(1);
    effect.setProgram(0);
    EXPECT_EQ(liveLevels(effect), before);

    effect.getParameterName(0, nullptr);
    effect.getParameterLabel(0, nullptr);
    effect.getParameterDisplay(0, nullptr);
}

TEST(GateParameters, ChangesMarkAnAttachedEditor) {
    OvrinStepveilBase effect(gateTestHostCallback);
    auto* editor = new CountingEditor(&effect);
    effect.attachEditor(editor); // the effect owns it from here
    effect.setParameter(4, 0.5f);
    EXPECT_EQ(editor->marks, 1);
    effect.setParameter(40, 0.5f);
    EXPECT_EQ(editor->marks, 1);
    effect.setProgram(9);
    EXPECT_EQ(editor->marks, 33);
}

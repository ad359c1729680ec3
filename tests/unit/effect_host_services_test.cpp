// The effect's calls out to the host: which opcode and arguments each sends, how the answer
// comes back, and what each answers when there is no host.
#include "effect_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

struct ServiceCase {
    std::string name;
    std::function<vst2::intptr(EffectBaseEx&)> call;
    vst2::int32 opcode;
    vst2::int32 index;
    vst2::intptr value;
    bool sendsMarker; // ptr is the test's marker pointer
    float opt;
};

int marker;
void* const markerPtr = &marker;

vst2::intptr asInt(const void* pointer) {
    return reinterpret_cast<vst2::intptr>(pointer);
}

std::vector<ServiceCase> serviceCases() {
    using E = EffectBaseEx;
    return {
        {"wantEvents", [](E& e) { return e.wantEvents(3); }, 6, 0, 3, false, 0.0f},
        {"getTimeInfo", [](E& e) { return asInt(e.getTimeInfo(0x7E00)); }, 7, 0, 0x7E00, false,
         0.0f},
        {"getTempoAt", [](E& e) { return e.getTempoAt(480); }, 10, 0, 480, false, 0.0f},
        {"getNumAutomatableParameters", [](E& e) { return e.getNumAutomatableParameters(); }, 11, 0,
         0, false, 0.0f},
        {"getParameterQuantization", [](E& e) { return e.getParameterQuantization(); }, 12, 0, 0,
         false, 0.0f},
        {"ioChanged", [](E& e) { return vst2::intptr{e.ioChanged()}; }, 13, 0, 0, false, 0.0f},
        {"needIdle", [](E& e) { return vst2::intptr{e.needIdle()}; }, 14, 0, 0, false, 0.0f},
        {"sizeWindow", [](E& e) { return vst2::intptr{e.sizeWindow(562, 200)}; }, 15, 562, 200,
         false, 0.0f},
        {"getInputLatency", [](E& e) { return e.getInputLatency(); }, 18, 0, 0, false, 0.0f},
        {"getOutputLatency", [](E& e) { return e.getOutputLatency(); }, 19, 0, 0, false, 0.0f},
        {"getPreviousPlug", [](E& e) { return asInt(e.getPreviousPlug(5)); }, 20, 0, 0, false,
         0.0f},
        {"getNextPlug", [](E& e) { return asInt(e.getNextPlug(5)); }, 21, 0, 0, false, 0.0f},
        {"willProcessReplacing", [](E& e) { return e.willProcessReplacing(); }, 22, 0, 0, false,
         0.0f},
        {"getCurrentProcessLevel", [](E& e) { return e.getCurrentProcessLevel(); }, 23, 0, 0, false,
         0.0f},
        {"getAutomationState", [](E& e) { return e.getAutomationState(); }, 24, 0, 0, false, 0.0f},
        {"offlineRead", [](E& e) { return vst2::intptr{e.offlineRead(markerPtr, 9, true)}; }, 26, 1,
         9, true, 0.0f},
        {"offlineWrite", [](E& e) { return vst2::intptr{e.offlineWrite(markerPtr, 9)}; }, 27, 0, 9,
         true, 0.0f},
        {"offlineStart", [](E& e) { return vst2::intptr{e.offlineStart(markerPtr, 4, 2)}; }, 25, 2,
         4, true, 0.0f},
        {"offlineGetCurrentPass", [](E& e) { return vst2::intptr{e.offlineGetCurrentPass()}; }, 28,
         0, 0, false, 0.0f},
        {"offlineGetCurrentMetaPass",
         [](E& e) { return vst2::intptr{e.offlineGetCurrentMetaPass()}; }, 29, 0, 0, false, 0.0f},
        {"setOutputSampleRate", [](E& e) { return e.setOutputSampleRate(22050.0f); }, 30, 0, 0,
         false, 22050.0f},
        {"getInputSpeakerArrangement", [](E& e) { return asInt(e.getInputSpeakerArrangement()); },
         49, 0, 0, false, 0.0f},
        {"getOutputSpeakerArrangement", [](E& e) { return asInt(e.getOutputSpeakerArrangement()); },
         31, 0, 0, false, 0.0f},
        {"getHostVendorString",
         [](E& e) { return vst2::intptr{e.getHostVendorString(static_cast<char*>(markerPtr))}; },
         32, 0, 0, true, 0.0f},
        {"getHostProductString",
         [](E& e) { return vst2::intptr{e.getHostProductString(static_cast<char*>(markerPtr))}; },
         33, 0, 0, true, 0.0f},
        {"getHostVendorVersion", [](E& e) { return e.getHostVendorVersion(); }, 34, 0, 0, false,
         0.0f},
        {"hostVendorSpecific", [](E& e) { return e.hostVendorSpecific(3, 4, markerPtr, 0.5f); }, 35,
         3, 4, true, 0.5f},
        {"canHostDo", [](E& e) { return vst2::intptr{e.canHostDo(static_cast<char*>(markerPtr))}; },
         37, 0, 0, true, 0.0f},
        {"getHostLanguage", [](E& e) { return e.getHostLanguage(); }, 38, 0, 0, false, 0.0f},
        {"openWindow", [](E& e) { return asInt(e.openWindow(markerPtr)); }, 39, 0, 0, true, 0.0f},
        {"closeWindow", [](E& e) { return vst2::intptr{e.closeWindow(markerPtr)}; }, 40, 0, 0, true,
         0.0f},
        {"getDirectory", [](E& e) { return asInt(e.getDirectory()); }, 41, 0, 0, false, 0.0f},
        {"updateDisplay", [](E& e) { return vst2::intptr{e.updateDisplay()}; }, 42, 0, 0, false,
         0.0f},
        {"beginEdit", [](E& e) { return vst2::intptr{e.beginEdit(5)}; }, 43, 5, 0, false, 0.0f},
        {"endEdit", [](E& e) { return vst2::intptr{e.endEdit(5)}; }, 44, 5, 0, false, 0.0f},
        {"openFileSelector", [](E& e) { return vst2::intptr{e.openFileSelector(markerPtr)}; }, 45,
         0, 0, true, 0.0f},
    };
}

// Operations that reduce the host's answer to yes/no (1/0); the others pass it back unchanged.
bool reducesToYesNo(vst2::int32 opcode) {
    switch (opcode) {
    case 13:
    case 14:
    case 15:
    case 25:
    case 26:
    case 27:
    case 28:
    case 29:
    case 32:
    case 33:
    case 37:
    case 40:
    case 42:
    case 43:
    case 44:
    case 45:
        return true;
    default:
        return false;
    }
}

TEST(EffectHostServices, EachServiceSendsItsOpcodeAndArguments) {
    EffectLog log;
    RecordingEffect effect(log);
    for (const ServiceCase& service : serviceCases()) {
        RecordingHost host;
        host.defaultAnswer = -3;
        const vst2::intptr result = service.call(effect);
        ASSERT_EQ(host.calls.size(), 1u) << service.name;
        const HostCall& call = host.calls[0];
        EXPECT_EQ(call.effect, effect.getAeffect()) << service.name;
        EXPECT_EQ(call.opcode, service.opcode) << service.name;
        EXPECT_EQ(call.index, service.index) << service.name;
        EXPECT_EQ(call.value, service.value) << service.name;
        EXPECT_EQ(call.ptr, service.sendsMarker ? markerPtr : nullptr) << service.name;
        EXPECT_EQ(call.opt, service.opt) << service.name;
        EXPECT_EQ(result, reducesToYesNo(service.opcode) ? 1 : -3) << service.name;

        host.defaultAnswer = 0;
        EXPECT_EQ(service.call(effect), 0) << service.name;
    }
}

TEST(EffectHostServices, WithoutAHostNothingIsCalledAndEachAnswersNothing) {
    EffectLog log;
    RecordingEffect effect(log, nullptr);
    RecordingHost host; // would record any call that slipped through
    for (const ServiceCase& service : serviceCases()) {
        EXPECT_EQ(service.call(effect), 0) << service.name;
    }
    EXPECT_EQ(effect.updateSampleRate(), 44100.0f);
    EXPECT_EQ(effect.updateBlockSize(), 1024);
    EXPECT_TRUE(host.calls.empty());
}

TEST(EffectHostServices, UpdatesKeepTheLastUsableAnswer) {
    RecordingHost host;
    EffectLog log;
    RecordingEffect effect(log);
    host.answers[audioMasterGetSampleRate] = 48000;
    host.answers[audioMasterGetBlockSize] = 64;
    EXPECT_EQ(effect.updateSampleRate(), 48000.0f);
    EXPECT_EQ(effect.updateBlockSize(), 64);
    for (vst2::intptr nonsense : {vst2::intptr{0}, vst2::intptr{-1}}) {
        host.answers[audioMasterGetSampleRate] = nonsense;
        host.answers[audioMasterGetBlockSize] = nonsense;
        EXPECT_EQ(effect.updateSampleRate(), 48000.0f);
        EXPECT_EQ(effect.updateBlockSize(), 64);
    }
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
}

TEST(EffectHostServices, FileSelectorWithoutARecordDoesNotAskTheHost) {
    RecordingHost host;
    host.defaultAnswer = 1;
    EffectLog log;
    RecordingEffect effect(log);
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_TRUE(host.calls.empty());
}

TEST(EffectHostServices, CanDoClaimsNothingAndGetEditorIsTheAttachedOne) {
    EffectLog log;
    RecordingEffect effect(log, nullptr);
    for (const char* capability : {"receiveVstTimeInfo", "bypass", "1in1out", ""}) {
        std::string text = capability;
        EXPECT_EQ(effect.canDo(text.data()), 0) << capability;
    }
    EXPECT_EQ(effect.getEditor(), nullptr);
    auto* editor = new RecordingEditor(&effect, log);
    effect.attachEditor(editor);
    EXPECT_EQ(effect.getEditor(), editor);
}

} // namespace

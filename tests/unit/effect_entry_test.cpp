// The library entry and the attach hook.
#include "effect_test_support.h"

#include "effect/PluginEntry.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <new>

namespace {

// What the factory under test does; reset by each test.
struct FactoryScript {
    int constructions = 0;
    bool failEditor = false;
    bool yieldNothing = false;
    bool throwOnConstruction = false;
    EffectLog log;
};

FactoryScript script;

EffectBase* makeScriptedEffect(audioMasterCallback callback) {
    ++script.constructions;
    if (script.throwOnConstruction) {
        throw std::bad_alloc();
    }
    if (script.yieldNothing) {
        return nullptr;
    }
    auto* effect = new RecordingEffect(script.log, callback);
    if (script.failEditor) {
        editorFailed = true;
    }
    return effect;
}

class EffectEntryTest : public ::testing::Test {
protected:
    EffectEntryTest() { script = FactoryScript{}; }

    AEffect* enter() { return createEffectInstance(RecordingHost::callback, makeScriptedEffect); }
    static void close(AEffect* record) {
        record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
    }

    RecordingHost host;
};

TEST_F(EffectEntryTest, AsksTheHostVersionFirstThenHandsBackTheRecord) {
    host.answers[audioMasterVersion] = 2400;
    AEffect* record = enter();
    ASSERT_NE(record, nullptr);
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls[0].effect, nullptr);
    EXPECT_EQ(host.calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_NE(record->object, nullptr);
    close(record);
    EXPECT_EQ(script.log.destroyed, 1);
}

TEST_F(EffectEntryTest, MakesNothingForAHostThatIsMissingOrAnswersNoVersion) {
    EXPECT_EQ(createEffectInstance(nullptr, makeScriptedEffect), nullptr);
    EXPECT_EQ(enter(), nullptr); // the recording host answers 0 to everything
    EXPECT_EQ(script.constructions, 0);
}

TEST_F(EffectEntryTest, FailedConstructionGivesNull) {
    host.answers[audioMasterVersion] = 2400;
    script.yieldNothing = true;
    EXPECT_EQ(enter(), nullptr);
    script.yieldNothing = false;
    script.throwOnConstruction = true;
    EXPECT_EQ(enter(), nullptr);
    EXPECT_EQ(script.constructions, 2);
}

TEST_F(EffectEntryTest, EditorFailureRefusesOnlyThatInstance) {
    host.answers[audioMasterVersion] = 2400;
    script.failEditor = true;
    EXPECT_EQ(enter(), nullptr);
    EXPECT_EQ(script.log.destroyed, 1) << "the refused effect is destroyed";
    script.failEditor = false;
    AEffect* record = enter();
    ASSERT_NE(record, nullptr) << "an earlier failure must not refuse later instances";
    close(record);
}

TEST(EffectModuleHook, AttachHookStoresTheHandleForEveryReason) {
    int pretendModule = 0;
    const auto handle = reinterpret_cast<HINSTANCE>(&pretendModule);
    void* const previous = moduleInstance;
    for (DWORD reason : {DWORD{DLL_PROCESS_ATTACH}, DWORD{0}, DWORD{2}, DWORD{3}}) {
        moduleInstance = nullptr;
        EXPECT_EQ(DllMain(handle, reason, nullptr), TRUE);
        EXPECT_EQ(moduleInstance, static_cast<void*>(&pretendModule));
    }
    moduleInstance = previous;
}

} // namespace

// Hosts may make instances on several threads at once; one instance's failed editor must not
// refuse another, nor let its own failure pass unnoticed.
#include "effect/PluginEntry.h"
#include "effect_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

EffectLog failingLog;
EffectLog succeedingLog;
std::atomic<bool> failingThreadMayFinish{false};
std::atomic<bool> failureRaised{false};

vst2::intptr VST2_CALL answeringHost(AEffect*, vst2::int32 opcode, vst2::int32, vst2::intptr, void*,
                                     float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Raises the failure, then waits until the other thread has made its instance, so both
// constructions overlap.
EffectBase* makeWithFailedEditor(audioMasterCallback callback) {
    auto* effect = new RecordingEffect(failingLog, callback);
    editorFailed = true;
    failureRaised = true;
    while (!failingThreadMayFinish) {
        std::this_thread::yield();
    }
    return effect;
}

EffectBase* makeWhileAnotherFails(audioMasterCallback callback) {
    while (!failureRaised) {
        std::this_thread::yield();
    }
    return new RecordingEffect(succeedingLog, callback);
}

} // namespace

TEST(EffectEntryThreads, AFailedEditorRefusesOnlyItsOwnInstance) {
    AEffect* failed = reinterpret_cast<AEffect*>(1);
    AEffect* made = nullptr;
    std::thread failing(
        [&] { failed = createEffectInstance(answeringHost, makeWithFailedEditor); });
    std::thread succeeding([&] {
        made = createEffectInstance(answeringHost, makeWhileAnotherFails);
        failingThreadMayFinish = true;
    });
    failing.join();
    succeeding.join();
    EXPECT_EQ(failed, nullptr);
    ASSERT_NE(made, nullptr);
    made->dispatcher(made, effClose, 0, 0, nullptr, 0.0f);
}

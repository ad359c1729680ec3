// The host itself, driven against the stand-in plug-ins: refusing files that are not plug-ins,
// routing the callback to the right instance (also before the entry has returned), answering
// the host queries, and processing in blocks.
#include "host/HostedPlugin.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace stepveil::host {
namespace {

using test::probeFile;

constexpr vst2::int32 probeQuestion = effVendorSpecific;

std::unique_ptr<HostedPlugin> loadProbe(HostSettings settings = {}) {
    LoadResult loaded = HostedPlugin::load(probeFile(), std::move(settings));
    EXPECT_TRUE(loaded) << loaded.error;
    return std::move(loaded.plugin);
}

VstTimeInfo lastTimeSeenBy(HostedPlugin& probe, vst2::intptr* state = nullptr) {
    VstTimeInfo seen{};
    const vst2::intptr answer = probe.dispatch(probeQuestion, 1, 0, &seen);
    if (state != nullptr) {
        *state = answer;
    }
    return seen;
}

TEST(HostLoading, RefusesFilesThatAreNotPlugins) {
    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {"no-such-directory/no-such-plugin.bin", "cannot load plug-in file"},
        {test::probeWithoutEntryFile(), "is not a VST 2 plug-in"},
        {test::probeReturningNullFile(), "entry returned null"},
        {test::probeWithBadMagicFile(), "magic number is 0x4E6F7065, expected 0x56737450"},
    };
    for (const Case& refused : cases) {
        const LoadResult loaded = HostedPlugin::load(refused.path);
        EXPECT_FALSE(loaded) << refused.path;
        EXPECT_NE(loaded.error.find(refused.path), std::string::npos) << loaded.error;
        EXPECT_NE(loaded.error.find(refused.reason), std::string::npos) << loaded.error;
    }
}

TEST(HostLoading, CallsMadeInsideTheEntryReachTheLoadingHost) {
    auto probe = loadProbe();
    ASSERT_TRUE(probe);
    // Asked with a null record, then with the record the host does not know yet.
    EXPECT_EQ(probe->dispatch(probeQuestion, 0), hostInterfaceVersion);
    EXPECT_EQ(probe->dispatch(probeQuestion, 7), vstFourCharCode('P', 'r', 'b', 'e'));
    const std::vector<HostCall> calls = probe->callLog().calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_FALSE(calls[0].withEffect);
    EXPECT_EQ(calls[1].opcode, audioMasterCurrentId);
    EXPECT_TRUE(calls[1].withEffect);
}

TEST(HostLoading, EachInstanceKeepsItsOwnCallsAndCloseIsStillRouted) {
    auto first = loadProbe();
    auto second = loadProbe();
    ASSERT_TRUE(first && second);
    first->callLog().clear();
    second->callLog().clear();
    first->dispatch(probeQuestion, 2, 3, nullptr, 0.25f);
    second->dispatch(probeQuestion, 2, 5, nullptr, 0.75f);
    EXPECT_EQ(first->callLog().automations().size(), 3u);
    EXPECT_EQ(second->callLog().automations().size(), 5u);
    EXPECT_EQ(second->callLog().automations().front().value, 0.75f);

    // The probe says goodbye with audioMasterIdle from inside effClose.
    EXPECT_EQ(first->close(), 1);
    EXPECT_EQ(first->callLog().count(audioMasterIdle), 1u);
    EXPECT_EQ(first->effect(), nullptr);
    EXPECT_EQ(first->close(), 0) << "a second close must not reach the destroyed effect";
    EXPECT_EQ(first->dispatch(probeQuestion, 0), 0);
    AudioChannels outputs(2);
    EXPECT_THROW(first->processAudio({{1.0f}}, outputs, 16), std::logic_error);
    // The other instance is unaffected.
    EXPECT_EQ(second->dispatch(probeQuestion, 0), hostInterfaceVersion);
}

TEST(HostLoading, RecordsCallsFromTwoThreadsAtOnce) {
    auto probe = loadProbe();
    ASSERT_TRUE(probe);
    probe->callLog().clear();
    constexpr int callsPerThread = 2000;
    auto automate = [&probe](float value) {
        probe->dispatch(probeQuestion, 2, callsPerThread, nullptr, value);
    };
    std::thread userInterface(automate, 0.25f);
    std::thread audio(automate, 0.75f);
    userInterface.join();
    audio.join();
    const std::vector<AutomationEvent> events = probe->callLog().automations();
    ASSERT_EQ(events.size(), 2u * callsPerThread);
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const AutomationEvent& event) { return event.value == 0.25f; }),
              callsPerThread);
    EXPECT_TRUE(std::all_of(events.begin(), events.end(),
                            [](const AutomationEvent& event) { return event.index == 7; }));
}

TEST(HostQueries, AnswersFromSettingsAndTransport) {
    HostSettings settings;
    settings.vendorString = std::string(100, 'v');
    settings.blockSize = 256;
    settings.capabilities = {"sendVstTimeInfo", "supplyIdle"};
    auto probe = loadProbe(settings);
    ASSERT_TRUE(probe);
    probe->transport().setSampleRate(48000.0);

    char vendor[128];
    std::fill(std::begin(vendor), std::end(vendor), '#');
    EXPECT_EQ(probe->dispatch(probeQuestion, 3, 0, vendor), 1);
    EXPECT_EQ(std::string(vendor), std::string(63, 'v')) << "host texts stop at 63 characters";
    EXPECT_EQ(vendor[64], '#');
    EXPECT_EQ(probe->dispatch(probeQuestion, 9), 0) << "a null text buffer is refused";

    char supplyIdle[] = "supplyIdle";
    char sizeWindow[] = "sizeWindow";
    EXPECT_EQ(probe->dispatch(probeQuestion, 4, 0, supplyIdle), 1);
    EXPECT_EQ(probe->dispatch(probeQuestion, 4, 0, sizeWindow), 0);
    EXPECT_EQ(probe->dispatch(probeQuestion, 4, 0, nullptr), 0);
    EXPECT_EQ(probe->callLog().callsWithOpcode(audioMasterCanDo).front().text, "supplyIdle");

    EXPECT_EQ(probe->dispatch(probeQuestion, 5), 48000);
    EXPECT_EQ(probe->dispatch(probeQuestion, 6), 256);
}

TEST(HostProcessing, RunsBlocksAndAdvancesTheTransportPerBlock) {
    auto probe = loadProbe();
    ASSERT_TRUE(probe);
    probe->transport().setPpqPosition(8.0);
    probe->callLog().clear();

    const AudioChannels inputs{std::vector<float>(1000, 1.0f), std::vector<float>(1000, -2.0f)};
    AudioChannels outputs(2);
    probe->processAudio(inputs, outputs, 300);

    ASSERT_EQ(outputs[0].size(), 1000u);
    EXPECT_TRUE(
        std::all_of(outputs[0].begin(), outputs[0].end(), [](float s) { return s == 0.5f; }));
    EXPECT_TRUE(
        std::all_of(outputs[1].begin(), outputs[1].end(), [](float s) { return s == -1.0f; }));
    EXPECT_EQ(probe->callLog().count(audioMasterGetTime), 4u) << "blocks of 300, 300, 300, 100";
    EXPECT_EQ(probe->callLog().callsWithOpcode(audioMasterGetTime).front().value, 0x7E00);
    // The last block started 900 frames in.
    const VstTimeInfo seen = lastTimeSeenBy(*probe);
    EXPECT_DOUBLE_EQ(seen.samplePos, 8.0 * 22050.0 + 900.0);
    EXPECT_DOUBLE_EQ(seen.ppqPos, 8.0 + 900.0 / 22050.0);
    EXPECT_DOUBLE_EQ(probe->transport().samplePosition(), 8.0 * 22050.0 + 1000.0);
}

TEST(HostProcessing, AccumulatesFillsMissingChannelsAndFallsBackToProcess) {
    auto probe = loadProbe();
    ASSERT_TRUE(probe);
    // One input channel given: the second reads silence. Three outputs: the third is cleared.
    const AudioChannels mono{std::vector<float>(64, 1.0f)};
    AudioChannels outputs{std::vector<float>(64, 2.0f), std::vector<float>(64, 2.0f),
                          std::vector<float>(64, 9.0f)};
    probe->processAudio(mono, outputs, 64, ProcessMode::accumulating);
    EXPECT_EQ(outputs[0][63], 2.5f);
    EXPECT_EQ(outputs[1][0], 2.0f);

    probe->processAudio(mono, outputs, 64, ProcessMode::replacing);
    EXPECT_EQ(outputs[0][0], 0.5f);
    EXPECT_EQ(outputs[1][0], 0.0f);
    EXPECT_EQ(outputs[2][0], 0.0f);

    // Without a replacing entry the host clears the outputs and accumulates into them.
    probe->dispatch(probeQuestion, 8);
    outputs.assign(2, std::vector<float>(64, 7.0f));
    probe->processAudio(mono, outputs, 16, ProcessMode::replacing);
    EXPECT_EQ(outputs[0][10], 0.5f);
    EXPECT_EQ(outputs[1][10], 0.0f);
}

TEST(HostProcessing, RefusesSettingsAndBuffersWithoutMeaning) {
    auto probe = loadProbe();
    ASSERT_TRUE(probe);
    AudioChannels outputs(2);
    EXPECT_THROW(probe->processAudio({std::vector<float>(10), std::vector<float>(11)}, outputs, 4),
                 std::invalid_argument);
    EXPECT_THROW(probe->processAudio({std::vector<float>(10)}, outputs, 0), std::invalid_argument);
    EXPECT_THROW(probe->setBlockSize(0), std::invalid_argument);
    EXPECT_THROW(probe->setSampleRate(0.0), std::invalid_argument);
    EXPECT_EQ(probe->dispatch(effVendorSpecific, 6), 512) << "the block size stays as it was";
}

TEST(HostProcessing, AnswersNullTimeWhenTheTransportIsUnavailable) {
    auto probe = loadProbe();
    ASSERT_TRUE(probe);
    AudioChannels outputs(2);
    vst2::intptr state = 0;
    probe->transport().setAvailable(false);
    probe->processAudio({std::vector<float>(8)}, outputs, 8);
    lastTimeSeenBy(*probe, &state);
    EXPECT_EQ(state, 0);

    probe->transport().setAvailable(true);
    probe->transport().setAdjuster([](VstTimeInfo& info) { info.tempo = 0.0; });
    probe->processAudio({std::vector<float>(8)}, outputs, 8);
    EXPECT_EQ(lastTimeSeenBy(*probe, &state).tempo, 0.0);
    EXPECT_EQ(state, 1);
}

} // namespace
} // namespace stepveil::host

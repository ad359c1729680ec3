// stepveil_bench: the gate's processReplacing per stereo frame on 64-, 512- and 4096-frame
// blocks at 120 bpm, beside a plain stereo gain loop over the same buffers and beside other
// VST 2 effects from Debian, and what a ramp and a glide add to a block, all in one run that
// ends with a table of ratios.
//
//   stepveil_bench [--plugin PATH] [Google Benchmark options, e.g. --benchmark_min_time=0.1]
//
// Our plug-in file and the peers are loaded through host/ exactly as a host would load them;
// no effect code is linked in. A peer that is not installed is skipped, saying so.
#include "bench/BenchArguments.h"
#include "bench/BenchSubjects.h"
#include "bench/RatioTable.h"
#include "bench/SharedBuffers.h"
#include "bench/StereoGain.h"

#include <benchmark/benchmark.h>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace stepveil::bench {
namespace {

constexpr std::array<int, 3> blockSizes = {64, 512, 4096};
constexpr int largestBlock = 4096;
// Room for effects that declare more than two channels (side chains); only two carry sound.
constexpr int bufferChannels = 8;
const std::string gainLabel = "gain";
const std::string gateLabel = "Stepveil";

SharedBuffers& buffers() {
    static SharedBuffers shared(largestBlock, bufferChannels);
    return shared;
}

SubjectInstances& instances() {
    static SubjectInstances loaded;
    return loaded;
}

void timeGainLoop(benchmark::State& state, int frames) {
    // Called through a pointer the compiler cannot see through, as a host calls an effect.
    void (*volatile entry)(float**, float**, int, float) = applyStereoGain;
    SharedBuffers& shared = buffers();
    const float gain = 0.5f;
    for (auto _ : state) {
        entry(shared.inputPointers.data(), shared.outputPointers.data(), frames, gain);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

void timePlugin(benchmark::State& state, const Subject& subject, int frames) {
    std::string error;
    host::HostedPlugin* plugin = instances().instance(subject, frames, error);
    if (plugin == nullptr) {
        state.SkipWithError(error.c_str());
        return;
    }
    SharedBuffers& shared = buffers();
    for (auto _ : state) {
        plugin->processBlock(shared.inputPointers.data(), shared.outputPointers.data(), frames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

// The gate at 703.125 bpm, where a step lasts 512 samples at 48 kHz, so that every 512-frame
// block begins on a step boundary: "steady" with every level the same (no ramp), "ramp" with
// levels alternating (an ordinary boundary ramp in every block), "glide" with every level the
// same but the host changing the levels of the two steps at hand before each block (a glide
// in every block, and none at the boundaries, whose levels agree), and "calls" with the same
// two parameter calls setting the levels they already have (no glide), which tells the host's
// calls from the glide.
struct GateVariant {
    std::string label;
    vst2::int32 program;
    bool callsHost;
    bool glides;
};
constexpr double variantTempo = 703.125;
const std::array<GateVariant, 4> gateVariants = {
    GateVariant{"steady", 15, false, false}, GateVariant{"ramp", 8, false, false},
    GateVariant{"calls", 15, true, false}, GateVariant{"glide", 15, true, true}};

void timeGateVariant(benchmark::State& state, const Subject& gate, const GateVariant& variant,
                     int frames) {
    std::string error;
    host::HostedPlugin* plugin =
        instances().instance(Subject{variant.label, gate.path, ""}, frames, error);
    if (plugin == nullptr) {
        state.SkipWithError(error.c_str());
        return;
    }
    plugin->transport().setTempo(variantTempo);
    plugin->setProgram(variant.program);
    SharedBuffers& shared = buffers();
    float level = 1.0f;
    for (auto _ : state) {
        if (variant.glides) {
            const auto step =
                static_cast<vst2::int32>(std::fmod(plugin->transport().ppqPosition(), 4.0) / 0.125 +
                                         1e-6) %
                32;
            level = level == 1.0f ? 0.5f : 1.0f;
            plugin->setParameter(step, level);
            plugin->setParameter((step + 1) % 32, level);
        }
        plugin->processBlock(shared.inputPointers.data(), shared.outputPointers.data(), frames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

// Hosts run effects with denormal numbers flushed to zero; so do these timings, or a gate's
// decaying envelope could be timed at the processor's slow path for tiny numbers.
void flushDenormals() {
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() | 0x8040u);
#endif
}

// The peers whose files load; the others are named with the package that would bring them.
std::vector<Subject> availablePeers() {
    std::vector<Subject> available;
    for (const Subject& peer : peerSubjects()) {
        std::string error;
        if (instances().instance(peer, blockSizes[1], error) != nullptr) {
            available.push_back(peer);
        } else {
            std::printf("skipping %s: %s (Debian package %s)\n", peer.label.c_str(), error.c_str(),
                        peer.package.c_str());
        }
    }
    return available;
}

void registerBenchmarks(const Subject& gate, const std::vector<Subject>& peers) {
    for (const int frames : blockSizes) {
        const std::string suffix = "/" + std::to_string(frames);
        benchmark::RegisterBenchmark((gainLabel + suffix).c_str(), timeGainLoop, frames);
        benchmark::RegisterBenchmark((gateLabel + suffix).c_str(), timePlugin, gate, frames);
        for (const Subject& peer : peers) {
            benchmark::RegisterBenchmark((peer.label + suffix).c_str(), timePlugin, peer, frames);
        }
        for (const GateVariant& variant : gateVariants) {
            benchmark::RegisterBenchmark((variant.label + suffix).c_str(), timeGateVariant, gate,
                                         variant, frames);
        }
    }
}

} // namespace
} // namespace stepveil::bench

int main(int argc, char** argv) {
    using namespace stepveil::bench;
    bool unrecognised = false;
    const std::string pluginPath = initialiseBenchmarks(argc, argv, unrecognised);
    if (unrecognised) {
        return 2;
    }
    if (pluginPath.empty()) {
        std::fprintf(stderr, "stepveil_bench: name the plug-in file with --plugin PATH\n");
        return 2;
    }
    flushDenormals();

    const Subject gate{gateLabel, pluginPath, ""};
    std::string error;
    if (instances().instance(gate, blockSizes[1], error) == nullptr) {
        std::fprintf(stderr, "stepveil_bench: %s\n", error.c_str());
        return 1;
    }
    const std::vector<Subject> peers = availablePeers();
    registerBenchmarks(gate, peers);

    std::vector<std::string> peerLabels;
    for (const Subject& peer : peers) {
        peerLabels.push_back(peer.label);
    }
    RatioTable table(gainLabel, gateLabel, peerLabels,
                     std::vector<int>(blockSizes.begin(), blockSizes.end()));
    table.compareRampAndGlide(gateVariants[0].label, gateVariants[1].label, gateVariants[2].label,
                              gateVariants[3].label);
    // Colours only for a terminal: CI logs show escape codes as they are.
    TablingReporter reporter(table, isatty(fileno(stdout)) != 0);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    table.print(stdout);
    std::fflush(stdout);
    instances().closeAll();
    benchmark::Shutdown();
    return 0;
}

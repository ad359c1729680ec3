// stepveil_lv2_bench: the LV2 binary's run() per stereo frame beside the VST 2 file's
// processReplacing (through host/, with its transport's advance), on the same buffers and the
// same song (48 kHz, 120 bpm, 4/4, playing from the start, the default "Quick Move"), in one
// run that ends with a table of ratios.
//
//   stepveil_lv2_bench [--plugin PATH] [--bundle FOLDER] [Google Benchmark options]
//   stepveil_lv2_bench [--plugin PATH] [--bundle FOLDER] --blocks N
//
// With "--blocks N" nothing is timed: each case plays N blocks of 512 frames in a function of
// its own (countVstBlocks, countSteadyBlocks, countReportingBlocks), for an instruction counter
// such as callgrind, whose counts do not depend on the machine's load.
//
// Two LV2 cases: the song position reported once and then followed by the binary itself (as
// from Ardour or jalv, which report changes only), and a report at every block (as from Carla).
#include "bench/BenchArguments.h"
#include "bench/Lv2Table.h"
#include "bench/SharedBuffers.h"

#include "host/HostedPlugin.h"

#include <benchmark/benchmark.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace stepveil::bench {
namespace {

constexpr std::array<int, 3> blockSizes = {64, 512, 4096};
constexpr int largestBlock = 4096;
constexpr double sampleRate = 48000.0;
const std::string vstLabel = "VST2";
const std::string steadyLabel = "LV2";
const std::string reportingLabel = "LV2+report";

SharedBuffers& buffers() {
    static SharedBuffers shared(largestBlock, 2);
    return shared;
}

class UridMap {
public:
    LV2_URID_Map* feature() { return &mapFeature; }

private:
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri) {
        auto& ids = static_cast<UridMap*>(handle)->ids;
        return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
    }
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map mapFeature{this, map};
};

// One LV2 instance of the built binary, its time port's sequence written by the host: a
// position report at frame 0, whose frame and beat the host moves on before each block.
class Lv2Gate {
public:
    Lv2Gate(const std::string& bundle, int frames, std::string& error) : blockFrames(frames) {
        library = dlopen((bundle + "/stepveil.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        auto entry =
            library != nullptr
                ? reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"))
                : nullptr;
        descriptor = entry != nullptr ? entry(0) : nullptr;
        LV2_Feature mapFeature{LV2_URID__map, urids.feature()};
        const LV2_Feature* features[] = {&mapFeature, nullptr};
        handle = descriptor != nullptr
                     ? descriptor->instantiate(descriptor, sampleRate, bundle.c_str(), features)
                     : nullptr;
        if (handle == nullptr) {
            error = "cannot load the LV2 binary in " + bundle +
                    (library ? "" : ": " + std::string(dlerror()));
            return;
        }
        levels.fill(0.0f);
        const float quickMove[4] = {1.0f, 0.5f, 0.5f, 0.0f};
        for (std::size_t step = 0; step < levels.size(); ++step) {
            levels[step] = quickMove[step % 4];
            descriptor->connect_port(handle, 4 + static_cast<uint32_t>(step), &levels[step]);
        }
        SharedBuffers& shared = buffers();
        for (uint32_t channel = 0; channel < 2; ++channel) {
            descriptor->connect_port(handle, channel, shared.inputPointers[channel]);
            descriptor->connect_port(handle, 2 + channel, shared.outputPointers[channel]);
        }
        descriptor->connect_port(handle, 36, sequence.data());
        writeReport();
        descriptor->activate(handle);
    }
    ~Lv2Gate() {
        if (handle != nullptr) {
            descriptor->deactivate(handle);
            descriptor->cleanup(handle);
        }
        if (library != nullptr) {
            dlclose(library);
        }
    }
    explicit operator bool() const { return handle != nullptr; }

    // One block; with `report`, the position report comes along, moved on to this block.
    void run(bool report) {
        auto* atom = reinterpret_cast<LV2_Atom*>(sequence.data());
        atom->size = report ? reportedSize : static_cast<uint32_t>(sizeof(LV2_Atom_Sequence_Body));
        if (report) {
            *frame = playedFrames;
            const double quarters = static_cast<double>(playedFrames) / sampleRate * 120.0 / 60.0;
            const double bars = static_cast<double>(static_cast<long long>(quarters / 4.0));
            *bar = static_cast<int64_t>(bars);
            *barBeat = static_cast<float>(quarters - 4.0 * bars);
        }
        descriptor->run(handle, static_cast<uint32_t>(blockFrames));
        playedFrames += blockFrames;
    }

private:
    void writeReport() {
        auto uri = [this](const char* name) {
            return urids.feature()->map(urids.feature()->handle, name);
        };
        LV2_Atom_Forge forge;
        lv2_atom_forge_init(&forge, urids.feature());
        lv2_atom_forge_set_buffer(&forge, sequence.data(), sequence.size());
        LV2_Atom_Forge_Frame sequenceFrame;
        LV2_Atom_Forge_Frame objectFrame;
        lv2_atom_forge_sequence_head(&forge, &sequenceFrame, 0);
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_object(&forge, &objectFrame, 0, uri(LV2_TIME__Position));
        lv2_atom_forge_key(&forge, uri(LV2_TIME__frame));
        frame = &reinterpret_cast<LV2_Atom_Long*>(
                     lv2_atom_forge_deref(&forge, lv2_atom_forge_long(&forge, 0)))
                     ->body;
        lv2_atom_forge_key(&forge, uri(LV2_TIME__speed));
        lv2_atom_forge_float(&forge, 1.0f);
        lv2_atom_forge_key(&forge, uri(LV2_TIME__bar));
        bar = &reinterpret_cast<LV2_Atom_Long*>(
                   lv2_atom_forge_deref(&forge, lv2_atom_forge_long(&forge, 0)))
                   ->body;
        lv2_atom_forge_key(&forge, uri(LV2_TIME__barBeat));
        barBeat = &reinterpret_cast<LV2_Atom_Float*>(
                       lv2_atom_forge_deref(&forge, lv2_atom_forge_float(&forge, 0.0f)))
                       ->body;
        lv2_atom_forge_key(&forge, uri(LV2_TIME__beatUnit));
        lv2_atom_forge_int(&forge, 4);
        lv2_atom_forge_key(&forge, uri(LV2_TIME__beatsPerBar));
        lv2_atom_forge_float(&forge, 4.0f);
        lv2_atom_forge_key(&forge, uri(LV2_TIME__beatsPerMinute));
        lv2_atom_forge_float(&forge, 120.0f);
        lv2_atom_forge_pop(&forge, &objectFrame);
        lv2_atom_forge_pop(&forge, &sequenceFrame);
        reportedSize = reinterpret_cast<LV2_Atom*>(sequence.data())->size;
    }

    UridMap urids;
    void* library = nullptr;
    const LV2_Descriptor* descriptor = nullptr;
    LV2_Handle handle = nullptr;
    int blockFrames;
    int64_t playedFrames = 0;
    std::array<float, 32> levels{};
    alignas(8) std::array<uint8_t, 1024> sequence{};
    uint32_t reportedSize = 0;
    int64_t* frame = nullptr;
    int64_t* bar = nullptr;
    float* barBeat = nullptr;
};

std::string bundleFolder = STEPVEIL_LV2_BUNDLE;
std::string vstPath;
std::map<int, std::unique_ptr<host::HostedPlugin>> vstInstances;
std::map<std::pair<int, bool>, std::unique_ptr<Lv2Gate>> lv2Instances;

void timeVst(benchmark::State& state, int frames) {
    auto& plugin = vstInstances[frames];
    if (!plugin) {
        auto loaded = host::HostedPlugin::load(vstPath);
        if (!loaded) {
            state.SkipWithError(loaded.error.c_str());
            return;
        }
        plugin = std::move(loaded.plugin);
        plugin->callLog().setEnabled(false);
        plugin->settings().blockSize = frames;
        plugin->transport().setSampleRate(sampleRate);
        plugin->open();
        plugin->resume();
    }
    SharedBuffers& shared = buffers();
    for (auto _ : state) {
        plugin->processBlock(shared.inputPointers.data(), shared.outputPointers.data(), frames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

void timeLv2(benchmark::State& state, int frames, bool reportEveryBlock) {
    auto& gate = lv2Instances[{frames, reportEveryBlock}];
    if (!gate) {
        std::string error;
        gate = std::make_unique<Lv2Gate>(bundleFolder, frames, error);
        if (!*gate) {
            state.SkipWithError(error.c_str());
            return;
        }
        gate->run(true);
    }
    for (auto _ : state) {
        gate->run(reportEveryBlock);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frames);
}

// The fixed-count cases: each plays `blocks` blocks on an instance made and warmed up before.
[[gnu::noinline]] void countVstBlocks(host::HostedPlugin& plugin, int frames, long blocks) {
    SharedBuffers& shared = buffers();
    for (long block = 0; block < blocks; ++block) {
        plugin.processBlock(shared.inputPointers.data(), shared.outputPointers.data(), frames);
        benchmark::ClobberMemory();
    }
}

[[gnu::noinline]] void countSteadyBlocks(Lv2Gate& gate, long blocks) {
    for (long block = 0; block < blocks; ++block) {
        gate.run(false);
        benchmark::ClobberMemory();
    }
}

[[gnu::noinline]] void countReportingBlocks(Lv2Gate& gate, long blocks) {
    for (long block = 0; block < blocks; ++block) {
        gate.run(true);
        benchmark::ClobberMemory();
    }
}

int countBlocks(long blocks) {
    constexpr int frames = 512;
    auto loaded = host::HostedPlugin::load(vstPath);
    if (!loaded) {
        std::fprintf(stderr, "%s\n", loaded.error.c_str());
        return 1;
    }
    host::HostedPlugin& plugin = *loaded.plugin;
    plugin.callLog().setEnabled(false);
    plugin.settings().blockSize = frames;
    plugin.transport().setSampleRate(sampleRate);
    plugin.open();
    plugin.resume();
    std::string error;
    Lv2Gate steady(bundleFolder, frames, error);
    Lv2Gate reporting(bundleFolder, frames, error);
    if (!steady || !reporting) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    steady.run(true);
    reporting.run(true);
    countVstBlocks(plugin, frames, blocks);
    countSteadyBlocks(steady, blocks);
    countReportingBlocks(reporting, blocks);
    std::printf("played %ld blocks of %d frames in each case\n", blocks, frames);
    return 0;
}

} // namespace
} // namespace stepveil::bench

int main(int argc, char** argv) {
    using namespace stepveil::bench;
    // "--bundle FOLDER" is ours; everything else goes to the shared command line.
    std::vector<char*> arguments;
    long countedBlocks = 0;
    for (int index = 0; index < argc; ++index) {
        if (std::strcmp(argv[index], "--bundle") == 0 && index + 1 < argc) {
            bundleFolder = argv[++index];
        } else if (std::strcmp(argv[index], "--blocks") == 0 && index + 1 < argc) {
            countedBlocks = std::strtol(argv[++index], nullptr, 10);
            if (countedBlocks < 1) {
                std::fprintf(stderr, "--blocks needs a number of blocks above 0\n");
                return 2;
            }
        } else {
            arguments.push_back(argv[index]);
        }
    }
    bool unrecognised = false;
    vstPath =
        initialiseBenchmarks(static_cast<int>(arguments.size()), arguments.data(), unrecognised);
    if (unrecognised) {
        return 2;
    }
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() | 0x8040u);
#endif
    if (countedBlocks > 0) {
        return countBlocks(countedBlocks);
    }
    for (const int frames : blockSizes) {
        const std::string suffix = "/" + std::to_string(frames);
        benchmark::RegisterBenchmark((vstLabel + suffix).c_str(), timeVst, frames);
        benchmark::RegisterBenchmark((steadyLabel + suffix).c_str(), timeLv2, frames, false);
        benchmark::RegisterBenchmark((reportingLabel + suffix).c_str(), timeLv2, frames, true);
    }
    Lv2Table table(vstLabel, {steadyLabel, reportingLabel},
                   std::vector<int>(blockSizes.begin(), blockSizes.end()), 512, 1.1);
    TablingReporter reporter(table, isatty(fileno(stdout)) != 0);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    table.print(stdout);
    std::fflush(stdout);
    vstInstances.clear();
    lv2Instances.clear();
    benchmark::Shutdown();
    return 0;
}

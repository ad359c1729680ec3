// scenario_render: drives the plug-in file through the project's host over a fixed set of
// scenarios (tempi, metres, block sizes, jumps of the play head, hosts that round or leave out
// the position, automation, stops and loops, both process entries) and writes each scenario's
// output as raw 32-bit floats, channel after channel, to NAME.f32 in the current folder; and
// the state a host saves (the bank and the current program as the plug-in's chunks) to
// bank.chunk and program.chunk. It is built for Linux, 64-bit and 32-bit Windows;
// scripts/stages/35-identical-output.sh runs all three and requires the files to be identical
// bit for bit.
//
// Everything the plug-in is given is made by integer arithmetic and exact conversions, so
// every build feeds it the same bits. Exit status 0 when every scenario rendered and was
// gated (its output is finite and differs from plain pass-through), 1 otherwise.
#include "host/HostedPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using stepveil::host::HostedPlugin;
using stepveil::host::ProcessMode;
using vst2::int32;

// A small deterministic generator: the same numbers on every target.
class Numbers {
public:
    explicit Numbers(std::uint32_t seed) : state(seed) {}
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state;
    }
    // -1 to 1 in steps of 2^-23, exactly representable.
    float sample() {
        return static_cast<float>(static_cast<int32>(next() >> 8) - 8388608) / 8388608.0f;
    }
    int32 below(int32 limit) {
        return static_cast<int32>((next() >> 8) % static_cast<std::uint32_t>(limit));
    }

private:
    std::uint32_t state;
};

enum class Position {
    exact,       // ppqPos as the transport has it
    tickRounded, // rounded to 1/1920 of a quarter note, as some hosts report it
    unset,       // ppqPos 0 and not marked valid, only samplePos runs
};
constexpr Position exact = Position::exact;
constexpr ProcessMode replacing = ProcessMode::replacing;
constexpr ProcessMode accumulating = ProcessMode::accumulating;

struct Scenario {
    const char* name;
    double sampleRate;
    double tempo;
    int32 numerator;
    int32 denominator;
    double startQuarters;
    int32 program;
    int32 blockSize;           // largest block; every block when not varied
    bool varyBlockSizes;       // blocks of 1..blockSize frames
    int32 jumpEveryBlocks;     // 0: continuous playback
    int32 automateEveryBlocks; // 0: no parameter changes
    Position position;
    ProcessMode mode;
    std::size_t frames;
    bool movesLikeAUser; // stops, a loop, automation while ramps run
};

const Scenario scenarios[] = {
    {"worked-example", 44100, 120, 4, 4, 8.0625, 8, 512, false, 0, 0, exact, replacing, 120000,
     false},
    {"three-four-accumulating", 48000, 100, 3, 4, 0, 0, 1024, false, 0, 0, exact, accumulating,
     180000, false},
    {"ninety-bpm-256", 44100, 90, 4, 4, 0, 0, 256, false, 0, 0, exact, replacing, 180000, false},
    {"seven-eight-odd-blocks", 96000, 137.5, 7, 8, 1.3, 3, 700, true, 0, 0, exact, accumulating,
     200000, false},
    {"jumps", 44100, 128, 4, 4, 0, 5, 300, false, 7, 0, exact, replacing, 150000, false},
    {"tick-rounded", 48000, 100, 3, 4, 0, 0, 1024, false, 0, 0, Position::tickRounded, replacing,
     180000, false},
    {"position-unset", 44100, 140, 6, 8, 0, 2, 512, false, 0, 0, Position::unset, accumulating,
     120000, false},
    {"slow-automated", 22050, 60, 5, 4, 0, 1, 4096, false, 0, 3, exact, replacing, 150000, false},
    {"stops-loops-automation", 48000, 120, 4, 4, 0.3125, 8, 300, true, 0, 0, exact, accumulating,
     200000, true},
};

// The transport of a user at work: every 40 blocks the song stops for six (and is sometimes
// moved while it stands); it plays a loop from inside a full step to the middle of a silent
// one, the block before the loop's end cut there as hosts do; and every fifth block that
// reaches a step boundary is cut six samples past it, so that the level then automated
// changes during the ramp. Answers the frames of the next block.
constexpr double loopStart = 0.3125;
constexpr double loopEnd = 5.1875;
std::size_t moveLikeAUser(HostedPlugin& plugin, Numbers& numbers, int32 block, std::size_t count,
                          bool& automateAfter) {
    auto& transport = plugin.transport();
    transport.setPlaying(block % 40 >= 6);
    if (block % 40 == 3 && numbers.below(2) == 0) {
        transport.setPpqPosition(static_cast<double>(numbers.below(64)) / 8.0 + 0.05);
    }
    automateAfter = false;
    if (!transport.playing()) {
        return count;
    }
    const double samplesPerQuarter = transport.sampleRate() * 60.0 / transport.tempo();
    const double toLoopEnd = (loopEnd - transport.ppqPosition()) * samplesPerQuarter;
    if (toLoopEnd < 1.0) {
        transport.setPpqPosition(loopStart);
        return count;
    }
    const double stepQuarters = transport.barLengthInQuarters() / 32.0;
    const double toBoundary =
        (stepQuarters - std::fmod(transport.ppqPosition(), stepQuarters)) * samplesPerQuarter;
    if (block % 5 == 0 && toBoundary + 6.0 < static_cast<double>(count) && toBoundary < toLoopEnd) {
        automateAfter = true;
        count = static_cast<std::size_t>(std::ceil(toBoundary)) + 6;
    }
    return std::min(count, static_cast<std::size_t>(std::ceil(toLoopEnd)));
}

bool complain(const Scenario& scenario, const std::string& what) {
    std::fprintf(stderr, "scenario_render: %s: %s\n", scenario.name, what.c_str());
    return false;
}

// Renders one scenario into NAME.f32: the two output channels one after the other. Answers
// false with a message when it cannot or the result is unusable.
bool writeFile(const std::string& name, const void* data, std::size_t size) {
    std::FILE* out = std::fopen(name.c_str(), "wb");
    const bool written = out && std::fwrite(data, 1, size, out) == size;
    return (out && std::fclose(out) == 0) && written;
}

std::vector<char> chunkOf(HostedPlugin& plugin, int32 index) {
    void* data = nullptr;
    const auto size = plugin.dispatch(effGetChunk, index, 0, &data);
    const char* bytes = static_cast<const char*>(data);
    return size > 0 && bytes ? std::vector<char>(bytes, bytes + size) : std::vector<char>{};
}

// The state a host saves, as bank.chunk and program.chunk: a pattern of the user's own, a
// renamed program, and the current program edited, with levels no multiple of 1/32 among them.
// A fresh instance must take the bank back whole.
bool writeChunks(const std::string& pluginPath) {
    auto loaded = HostedPlugin::load(pluginPath);
    auto fresh = HostedPlugin::load(pluginPath);
    if (!loaded || !fresh) {
        std::fprintf(stderr, "chunks: %s\n", (loaded ? fresh : loaded).error.c_str());
        return false;
    }
    HostedPlugin& plugin = *loaded.plugin;
    plugin.setProgram(20);
    Numbers numbers(20);
    for (int32 step = 0; step < 32; ++step) {
        plugin.setParameter(step, static_cast<float>(numbers.below(1000)) / 999.0f);
    }
    plugin.setProgram(23);
    plugin.setProgramName("My Stutter");
    plugin.setProgram(8);
    plugin.setParameter(1, 1.0f / 3.0f);
    const std::vector<char> bank = chunkOf(plugin, 0);
    const std::vector<char> program = chunkOf(plugin, 1);
    std::vector<char> restored = bank;
    if (bank.empty() || program.empty() ||
        fresh.plugin->dispatch(effSetChunk, 0, static_cast<vst2::intptr>(restored.size()),
                               restored.data()) != 1 ||
        chunkOf(*fresh.plugin, 0) != bank) {
        std::fprintf(stderr, "chunks: the bank does not come back whole in a fresh instance\n");
        return false;
    }
    if (!writeFile("bank.chunk", bank.data(), bank.size()) ||
        !writeFile("program.chunk", program.data(), program.size())) {
        std::fprintf(stderr, "chunks: cannot write bank.chunk and program.chunk\n");
        return false;
    }
    std::printf("%-24s %7zu bytes (bank), %zu bytes (program)\n", "chunks", bank.size(),
                program.size());
    return true;
}

bool render(const std::string& pluginPath, const Scenario& scenario) {
    auto loaded = HostedPlugin::load(pluginPath);
    if (!loaded) {
        return complain(scenario, loaded.error);
    }
    HostedPlugin& plugin = *loaded.plugin;
    plugin.callLog().setEnabled(false);
    plugin.settings().blockSize = scenario.blockSize;
    auto& transport = plugin.transport();
    transport.setSampleRate(scenario.sampleRate);
    transport.setTempo(scenario.tempo);
    transport.setTimeSignature(scenario.numerator, scenario.denominator);
    transport.setPpqPosition(scenario.startQuarters);
    transport.setAdjuster([position = scenario.position](VstTimeInfo& info) {
        if (position == Position::tickRounded) {
            info.ppqPos = std::nearbyint(info.ppqPos * 1920.0) / 1920.0;
        } else if (position == Position::unset) {
            info.ppqPos = 0.0;
            info.flags &= ~kVstPpqPosValid;
        }
    });
    plugin.open();
    plugin.setProgram(scenario.program);
    plugin.resume();

    // Channel after channel: the input, and the output the accumulating entry adds to.
    const std::size_t frames = scenario.frames;
    Numbers numbers(static_cast<std::uint32_t>(frames));
    std::vector<float> input(2 * frames), output(2 * frames);
    for (std::size_t i = 0; i < 2 * frames; ++i) {
        input[i] = numbers.sample();
        output[i] = scenario.mode == accumulating ? numbers.sample() : 0.0f;
    }
    const std::vector<float> before = output;
    std::size_t done = 0;
    for (int32 block = 1; done < frames; ++block) {
        const auto largest = static_cast<std::size_t>(
            scenario.varyBlockSizes ? 1 + numbers.below(scenario.blockSize) : scenario.blockSize);
        std::size_t count = std::min(largest, frames - done);
        bool automateInRamp = false;
        if (scenario.movesLikeAUser) {
            count = moveLikeAUser(plugin, numbers, block, count, automateInRamp);
        }
        float* inputs[2] = {&input[done], &input[frames + done]};
        float* outputs[2] = {&output[done], &output[frames + done]};
        plugin.processBlock(inputs, outputs, static_cast<int32>(count), scenario.mode);
        done += count;
        if (scenario.jumpEveryBlocks > 0 && block % scenario.jumpEveryBlocks == 0) {
            // Anywhere from two bars before the song's start to ten bars into it, in 1/64ths.
            transport.setPpqPosition(static_cast<double>(numbers.below(48 * 64) - 8 * 64) / 64.0);
        }
        if (scenario.automateEveryBlocks > 0 && block % scenario.automateEveryBlocks == 0) {
            plugin.setParameter(numbers.below(32), static_cast<float>(numbers.below(33)) / 32.0f);
        }
        if (automateInRamp) {
            // The step just entered, raised or lowered while its ramp runs.
            const double bar = transport.barLengthInQuarters();
            const double inBar = std::fmod(transport.ppqPosition(), bar);
            plugin.setParameter(static_cast<int32>(inBar / (bar / 32.0)),
                                static_cast<float>(numbers.below(33)) / 32.0f);
        }
    }

    // Gated: finite, and not the input passed through.
    std::size_t gated = 0;
    for (std::size_t i = 0; i < 2 * frames; ++i) {
        if (!std::isfinite(output[i])) {
            return complain(scenario, "sample " + std::to_string(i) + " is not finite");
        }
        gated += output[i] != before[i] + input[i] ? 1 : 0;
    }
    if (gated == 0) {
        return complain(scenario, "the output is the input unchanged");
    }
    const std::string file = std::string(scenario.name) + ".f32";
    if (!writeFile(file, output.data(), output.size() * sizeof(float))) {
        return complain(scenario, "cannot write " + file);
    }
    std::printf("%-24s %7zu frames, %zu of %zu samples gated\n", scenario.name, frames, gated,
                2 * frames);
    return true;
}

} // namespace

int main() {
    bool allRendered = true;
    for (const Scenario& scenario : scenarios) {
        allRendered = render(STEPVEIL_PLUGIN_FILE, scenario) && allRendered;
    }
    const bool chunksWritten = writeChunks(STEPVEIL_PLUGIN_FILE);
    return allRendered && chunksWritten ? 0 : 1;
}

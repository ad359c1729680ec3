// scenario_render: drives the plug-in file through the project's host over a fixed set of
// scenarios (tempi, metres, block sizes, jumps of the play head, hosts that round or leave out
// the position, automation, both process entries) and writes each scenario's output as raw
// 32-bit floats, channel after channel, to NAME.f32 in the current folder. It is built for
// Linux, 64-bit and 32-bit Windows; scripts/stages/35-identical-output.sh runs all three and
// requires the files to be identical bit for bit.
//
//   scenario_render [--plugin PATH]
//
// Everything the plug-in is given is made by integer arithmetic and exact conversions, so
// every build feeds it the same bits. Exit status 0 when every scenario rendered and was
// gated (its output is finite and differs from plain pass-through), 1 otherwise.
#include "host/HostedPlugin.h"

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
    std::int64_t frames;
};

const Scenario scenarios[] = {
    {"worked-example", 44100, 120, 4, 4, 8.0625, 8, 512, false, 0, 0, Position::exact,
     ProcessMode::replacing, 120000},
    {"three-four-accumulating", 48000, 100, 3, 4, 0.0, 0, 1024, false, 0, 0, Position::exact,
     ProcessMode::accumulating, 180000},
    {"ninety-bpm-256", 44100, 90, 4, 4, 0.0, 0, 256, false, 0, 0, Position::exact,
     ProcessMode::replacing, 180000},
    {"seven-eight-odd-blocks", 96000, 137.5, 7, 8, 1.3, 3, 700, true, 0, 0, Position::exact,
     ProcessMode::accumulating, 200000},
    {"jumps", 44100, 128, 4, 4, 0.0, 5, 300, false, 7, 0, Position::exact, ProcessMode::replacing,
     150000},
    {"tick-rounded", 48000, 100, 3, 4, 0.0, 0, 1024, false, 0, 0, Position::tickRounded,
     ProcessMode::replacing, 180000},
    {"position-unset", 44100, 140, 6, 8, 0.0, 2, 512, false, 0, 0, Position::unset,
     ProcessMode::accumulating, 120000},
    {"slow-automated", 22050, 60, 5, 4, 0.0, 1, 4096, false, 0, 3, Position::exact,
     ProcessMode::replacing, 150000},
};

void shapePosition(VstTimeInfo& info, Position position) {
    if (position == Position::tickRounded) {
        info.ppqPos = std::nearbyint(info.ppqPos * 1920.0) / 1920.0;
    } else if (position == Position::unset) {
        info.ppqPos = 0.0;
        info.flags &= ~kVstPpqPosValid;
    }
}

// Renders one scenario; answers false with a message when it cannot or the result is unusable.
bool render(const std::string& pluginPath, const Scenario& scenario) {
    auto loaded = HostedPlugin::load(pluginPath);
    if (!loaded) {
        std::fprintf(stderr, "scenario_render: %s\n", loaded.error.c_str());
        return false;
    }
    HostedPlugin& plugin = *loaded.plugin;
    plugin.callLog().setEnabled(false);
    plugin.settings().blockSize = scenario.blockSize;
    auto& transport = plugin.transport();
    transport.setSampleRate(scenario.sampleRate);
    transport.setTempo(scenario.tempo);
    transport.setTimeSignature(scenario.numerator, scenario.denominator);
    transport.setPpqPosition(scenario.startQuarters);
    const Position position = scenario.position;
    transport.setAdjuster([position](VstTimeInfo& info) { shapePosition(info, position); });
    plugin.open();
    plugin.setProgram(scenario.program);
    plugin.resume();

    const auto frames = static_cast<std::size_t>(scenario.frames);
    Numbers numbers(static_cast<std::uint32_t>(frames));
    std::vector<float> input[2];
    std::vector<float> output[2];
    for (int channel = 0; channel < 2; ++channel) {
        input[channel].resize(frames);
        output[channel].resize(frames);
        for (std::size_t k = 0; k < frames; ++k) {
            input[channel][k] = numbers.sample();
            // What the accumulating entry adds to.
            output[channel][k] =
                scenario.mode == ProcessMode::accumulating ? numbers.sample() : 0.0f;
        }
    }
    const std::vector<float> before[2] = {output[0], output[1]};

    std::size_t done = 0;
    for (int32 block = 1; done < frames; ++block) {
        int32 count =
            scenario.varyBlockSizes ? 1 + numbers.below(scenario.blockSize) : scenario.blockSize;
        if (static_cast<std::size_t>(count) > frames - done) {
            count = static_cast<int32>(frames - done);
        }
        float* inputs[2] = {input[0].data() + done, input[1].data() + done};
        float* outputs[2] = {output[0].data() + done, output[1].data() + done};
        plugin.processBlock(inputs, outputs, count, scenario.mode);
        done += static_cast<std::size_t>(count);
        if (scenario.jumpEveryBlocks > 0 && block % scenario.jumpEveryBlocks == 0) {
            // Anywhere from two bars before the song's start to ten bars into it, in 1/64ths.
            transport.setPpqPosition(static_cast<double>(numbers.below(48 * 64) - 8 * 64) / 64.0);
        }
        if (scenario.automateEveryBlocks > 0 && block % scenario.automateEveryBlocks == 0) {
            plugin.setParameter(numbers.below(32), static_cast<float>(numbers.below(33)) / 32.0f);
        }
    }

    std::size_t gated = 0;
    for (int channel = 0; channel < 2; ++channel) {
        for (std::size_t k = 0; k < frames; ++k) {
            const float value = output[channel][k];
            if (!std::isfinite(value)) {
                std::fprintf(stderr, "scenario_render: %s: sample %zu of channel %d is %g\n",
                             scenario.name, k, channel, static_cast<double>(value));
                return false;
            }
            if (value != before[channel][k] + input[channel][k]) {
                ++gated;
            }
        }
    }
    if (gated == 0) {
        std::fprintf(stderr, "scenario_render: %s: the output is the input unchanged\n",
                     scenario.name);
        return false;
    }

    const std::string file = std::string(scenario.name) + ".f32";
    std::FILE* out = std::fopen(file.c_str(), "wb");
    bool written = out != nullptr;
    for (int channel = 0; channel < 2 && written; ++channel) {
        written = std::fwrite(output[channel].data(), sizeof(float), frames, out) == frames;
    }
    if (out != nullptr && std::fclose(out) != 0) {
        written = false;
    }
    if (!written) {
        std::fprintf(stderr, "scenario_render: cannot write %s\n", file.c_str());
        return false;
    }
    std::printf("%-24s %7zu frames, %zu of %zu samples gated\n", scenario.name, frames, gated,
                2 * frames);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string pluginPath = STEPVEIL_PLUGIN_FILE;
    if (argc == 3 && std::string(argv[1]) == "--plugin") {
        pluginPath = argv[2];
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: scenario_render [--plugin PATH]\n");
        return 2;
    }
    bool allRendered = true;
    for (const Scenario& scenario : scenarios) {
        allRendered = render(pluginPath, scenario) && allRendered;
    }
    return allRendered ? 0 : 1;
}

// The gate's audio path: blocks of any size up to 4096 under any time record (every field and
// flag, NaN, infinities, huge values, a playing song, a host advancing or jittering its play
// head), over buffers laid out separately, in place or overlapping in any way, with level and
// program changes in between. Checked after every block:
// - nothing outside the output ranges changed (guard zones around and between the buffers);
// - with finite inputs and levels, every output sample is finite (adding into overlapping
//   buffers aside), and over buffers that do not overlap no gain exceeds what the levels allow;
// - without time information, the replacing entry hands the input through unchanged.
#include "FuzzInput.h"

#include "gate/OvrinStepveilBase.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using fuzzinput::fail;
using vst2::int32;
using vst2::intptr;

constexpr int32 longestBlock = 4096;
constexpr std::size_t guardFloats = 16;
// Inputs and levels within these bounds can never overflow a float through the gate.
constexpr float boundedSample = 1.0e20f;
constexpr float boundedLevel = 1.0f;
// A ramp left running across a level change can reach level + 15/16 of an older change.
constexpr float largestGain = 3.0f;

struct Host {
    VstTimeInfo timeInfo{};
    bool answersTime = true;
};

Host host;

intptr VST2_CALL hostCallback(AEffect*, int32 opcode, int32, intptr, void*, float) {
    if (opcode == audioMasterVersion) {
        return 2400;
    }
    if (opcode == audioMasterGetTime && host.answersTime) {
        return reinterpret_cast<intptr>(&host.timeInfo);
    }
    return 0;
}

// The four channel pointers of one block as offsets into one arena of floats.
struct Layout {
    std::size_t arenaSize = 0;
    std::size_t offsets[4] = {}; // in0, in1, out0, out1
    bool overlapping = false;
    bool nullInputs = false;
    bool nullOutputs = false;
};

Layout layoutFrom(FuzzedDataProvider& input, std::size_t frames) {
    Layout layout;
    const std::size_t start = guardFloats + input.ConsumeIntegralInRange<std::size_t>(0, 7);
    switch (input.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: // separate buffers, perhaps adjacent, perhaps one input for both channels
    case 1: {
        std::size_t at = start;
        for (std::size_t& offset : layout.offsets) {
            offset = at;
            at += frames + input.ConsumeIntegralInRange<std::size_t>(0, 3);
        }
        if (input.ConsumeBool()) {
            layout.offsets[1] = layout.offsets[0];
        }
        layout.arenaSize = at + guardFloats;
        break;
    }
    case 2: // in place
        layout.offsets[0] = layout.offsets[2] = start;
        layout.offsets[1] = layout.offsets[3] =
            start + frames + input.ConsumeIntegralInRange<std::size_t>(0, 3);
        layout.arenaSize = layout.offsets[1] + frames + guardFloats;
        break;
    case 3: { // any overlap at all
        const std::size_t spread = input.ConsumeIntegralInRange<std::size_t>(0, 2 * frames + 8);
        for (std::size_t& offset : layout.offsets) {
            offset = start + input.ConsumeIntegralInRange<std::size_t>(0, spread);
        }
        layout.arenaSize = start + spread + frames + guardFloats;
        layout.overlapping = true;
        break;
    }
    default: // no buffers from the host
        layout.offsets[0] = layout.offsets[1] = layout.offsets[2] = layout.offsets[3] = start;
        layout.arenaSize = start + frames + guardFloats;
        layout.nullInputs = input.ConsumeBool();
        layout.nullOutputs = !layout.nullInputs || input.ConsumeBool();
        break;
    }
    return layout;
}

// Samples from a small generator: the input sets its amplitude (perhaps NaN or huge) and seed.
void fillSamples(FuzzedDataProvider& input, std::vector<float>& arena) {
    const float amplitude = fuzzinput::anyFloat(input, 0.0f, 4.0f);
    std::uint32_t state = input.ConsumeIntegral<std::uint32_t>() | 1u;
    for (float& sample : arena) {
        state = state * 1664525u + 1013904223u;
        sample = amplitude * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
}

bool isBounded(float value, float bound) {
    return std::isfinite(value) && std::fabs(value) <= bound;
}

bool insideAny(std::size_t index, const std::size_t* starts, std::size_t count,
               std::size_t frames) {
    return std::any_of(starts, starts + count,
                       [&](std::size_t start) { return index >= start && index < start + frames; });
}

struct Gate {
    std::unique_ptr<OvrinStepveilBase> effect;
    AEffect* record = nullptr;
    bool levelsBounded = true; // every level ever set was finite and within boundedLevel
};

void checkBlock(const Gate& gate, const Layout& layout, std::size_t frames, bool replacing,
                const std::vector<float>& before, const std::vector<float>& after) {
    const bool writes = frames > 0 && !layout.nullInputs && !layout.nullOutputs;
    const std::size_t outputs[2] = {layout.offsets[2], layout.offsets[3]};
    bool inputsBounded = true;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const bool isOutput = writes && insideAny(i, outputs, 2, frames);
        if (!isOutput && std::memcmp(&before[i], &after[i], sizeof(float)) != 0) {
            fail("a sample outside the output buffers changed");
        }
        if (writes && insideAny(i, layout.offsets, 4, frames) &&
            !isBounded(before[i], boundedSample)) {
            inputsBounded = false;
        }
    }
    // Adding into outputs that overlap the inputs is a recurrence (each sum feeds a later
    // one), which may outgrow any float; only the other layouts have a bound.
    if (!writes || !inputsBounded || !gate.levelsBounded || (layout.overlapping && !replacing)) {
        return;
    }
    for (std::size_t channel = 0; channel < 2; ++channel) {
        for (std::size_t k = 0; k < frames; ++k) {
            const float out = after[outputs[channel] + k];
            if (!std::isfinite(out)) {
                fail("finite input and levels gave an output that is not finite");
            }
            if (layout.overlapping) {
                continue;
            }
            const float in = before[layout.offsets[channel] + k];
            const float prior = replacing ? 0.0f : before[outputs[channel] + k];
            const float limit = (std::fabs(prior) + largestGain * std::fabs(in)) * 1.000001f;
            if (std::fabs(out) > limit + 1e-30f) {
                fail("an output sample exceeds the largest gain the levels allow");
            }
            if (replacing && !host.answersTime && std::memcmp(&out, &in, sizeof out) != 0) {
                fail("without time information the input was not handed through");
            }
        }
    }
}

void processBlock(FuzzedDataProvider& input, Gate& gate) {
    const bool replacing = input.ConsumeBool();
    const int32 frames = input.ConsumeIntegralInRange<int32>(-2, longestBlock);
    const std::size_t length = frames > 0 ? static_cast<std::size_t>(frames) : 0;
    const Layout layout = layoutFrom(input, length);
    std::vector<float> arena(layout.arenaSize);
    fillSamples(input, arena);
    const std::vector<float> before = arena;

    float* channels[4];
    for (std::size_t i = 0; i < 4; ++i) {
        channels[i] = arena.data() + layout.offsets[i];
    }
    float** inputs = layout.nullInputs ? nullptr : channels;
    float** outputs = layout.nullOutputs ? nullptr : channels + 2;
    auto entry = replacing ? gate.record->processReplacing : gate.record->process;
    entry(gate.record, inputs, outputs, frames);
    checkBlock(gate, layout, length, replacing, before, arena);

    // A host moving on by the block, as most do, with its own rounding.
    if (host.answersTime && input.ConsumeBool()) {
        VstTimeInfo& info = host.timeInfo;
        info.samplePos += frames;
        info.ppqPos += frames * info.tempo / (60.0 * info.sampleRate);
        if (input.ConsumeBool()) {
            info.ppqPos = std::round(info.ppqPos * 1920.0) / 1920.0;
        }
    }
}

void setLevel(Gate& gate, int32 index, float value) {
    gate.record->setParameter(gate.record, index, value);
    if (index >= 0 && index < 32 && !isBounded(value, boundedLevel)) {
        gate.levelsBounded = false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    host = Host{};
    host.timeInfo = fuzzinput::songTimeInfo(input);
    Gate gate;
    gate.effect = std::make_unique<OvrinStepveilBase>(hostCallback);
    gate.record = gate.effect->getAeffect();
    for (int block = 0; block < 48 && input.remaining_bytes() > 0; ++block) {
        switch (input.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
            host.timeInfo = fuzzinput::anyTimeInfo(input);
            host.answersTime = input.ConsumeIntegralInRange<int>(0, 7) != 0;
            break;
        case 1:
            setLevel(gate, fuzzinput::anyInt32(input, -1, 32),
                     fuzzinput::anyFloat(input, 0.0f, 1.0f));
            break;
        case 2:
            gate.record->dispatcher(gate.record, effSetProgram, 0,
                                    input.ConsumeIntegralInRange<intptr>(-1, 32), nullptr, 0.0f);
            break;
        case 3:
            gate.record->dispatcher(gate.record, effMainsChanged, 0, input.ConsumeBool(), nullptr,
                                    0.0f);
            break;
        default:
            processBlock(input, gate);
            break;
        }
    }
    return 0;
}

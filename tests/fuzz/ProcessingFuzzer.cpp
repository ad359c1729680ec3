// The gate's audio path: blocks of any size up to 4096 under any time record (every field and
// flag, NaN, infinities, huge values, a playing or standing song, a host advancing or rounding
// its play head), over buffers laid out separately, in place or overlapping in any way, with
// level (any value), program and resume changes in between. A second gate gets the same calls
// with a constant 1.0 in, so its output is the gain. Checked after every block:
// - nothing outside the output ranges changed (guard zones around and between the buffers);
// - with finite inputs, every output sample is finite (adding into overlapping buffers aside),
//   and over buffers that do not overlap no output exceeds its input;
// - without time information, the replacing entry hands the input through unchanged;
// - the gain: always within 0..1, and, while the gate gates, it never moves by more than 1/16
//   of full scale from one sample to the next, also across blocks (except into the first block
//   after a resume, which takes its level at once).
#include "FuzzInput.h"

#include "gate/OvrinStepveilBase.h"
#include "gate/StepPosition.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using fuzzinput::check;
using vst2::int32;
using vst2::intptr;

constexpr std::size_t guardFloats = 16;
// Inputs within this bound can never overflow a float through the gate.
constexpr float boundedSample = 1.0e20f;
// The largest move of the gain from one sample to the next: a ramp's step across full scale,
// and the rounding of the gains either side of it.
constexpr float largestMove = 1.0f / 16.0f + 1.0e-6f;

VstTimeInfo timeInfo;
bool answersTime = true;

intptr VST2_CALL hostCallback(AEffect*, int32 opcode, int32, intptr, void*, float) {
    if (opcode == audioMasterGetTime && answersTime) {
        return reinterpret_cast<intptr>(&timeInfo);
    }
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The channel pointers of one block (input 0 and 1, output 0 and 1) as offsets into one arena
// of floats that has guard zones at both ends, or null inputs or outputs.
struct Layout {
    std::array<std::size_t, 4> offsets{};
    std::size_t arenaSize = 0;
    bool overlapping = false;
    bool nullInputs = false;
    bool nullOutputs = false;
};

Layout layoutFrom(FuzzedDataProvider& input, std::size_t frames) {
    Layout layout;
    const std::size_t start = guardFloats + input.ConsumeIntegralInRange<std::size_t>(0, 7);
    const std::size_t next = frames + input.ConsumeIntegralInRange<std::size_t>(0, 3);
    switch (input.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: // separate buffers, adjacent or apart, perhaps one input for both channels
    case 1:
        layout.offsets = {0, input.ConsumeBool() ? 0 : next, 2 * next, 3 * next};
        break;
    case 2: // in place
        layout.offsets = {0, next, 0, next};
        break;
    case 3: { // any overlap at all
        const std::size_t spread = input.ConsumeIntegralInRange<std::size_t>(0, 2 * frames + 8);
        for (std::size_t& offset : layout.offsets) {
            offset = input.ConsumeIntegralInRange<std::size_t>(0, spread);
        }
        layout.overlapping = true;
        break;
    }
    default: // no buffers from the host
        layout.nullInputs = input.ConsumeBool();
        layout.nullOutputs = !layout.nullInputs || input.ConsumeBool();
        break;
    }
    for (std::size_t& offset : layout.offsets) {
        offset += start;
        layout.arenaSize = std::max(layout.arenaSize, offset + frames + guardFloats);
    }
    return layout;
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void checkBlock(const Layout& layout, std::size_t frames, bool replacing,
                const std::vector<float>& before, const std::vector<float>& after) {
    const bool writes = frames > 0 && !layout.nullInputs && !layout.nullOutputs;
    const auto inside = [&](std::size_t index, int firstChannel) {
        return std::any_of(layout.offsets.begin() + firstChannel, layout.offsets.end(),
                           [&](std::size_t at) { return index >= at && index < at + frames; });
    };
    bool bounded = true;
    for (std::size_t i = 0; i < before.size(); ++i) {
        check((writes && inside(i, 2)) || sameBits(before[i], after[i]),
              "a sample outside the output buffers changed");
        if (writes && inside(i, 0) && !(std::fabs(before[i]) <= boundedSample)) {
            bounded = false;
        }
    }
    // Adding into outputs that overlap the inputs is a recurrence (each sum feeds a later
    // one), which may outgrow any float; only the other layouts have a bound.
    if (!writes || !bounded || (layout.overlapping && !replacing)) {
        return;
    }
    for (std::size_t channel = 0; channel < 2; ++channel) {
        for (std::size_t k = 0; k < frames; ++k) {
            const float out = after[layout.offsets[channel + 2] + k];
            check(std::isfinite(out), "finite input and levels gave an output that is not finite");
            if (!layout.overlapping) {
                const float in = before[layout.offsets[channel] + k];
                const float prior = replacing ? 0.0f : before[layout.offsets[channel + 2] + k];
                check(std::fabs(out) <= (std::fabs(prior) + std::fabs(in)) * 1.000001f + 1e-30f,
                      "an output sample exceeds the input it was gated from");
                check(!replacing || answersTime || sameBits(out, in),
                      "without time information the input was not handed through");
            }
        }
    }
}

// The gains of the second gate (constant 1.0 in, so each output is its gain) for one block:
// within 0..1, and moving by at most largestMove a sample while the gate gates. lastGain is
// the gain of the last sample it played, NaN when there is none to follow on from.
class GainWatch {
public:
    explicit GainWatch(AEffect* record) : record(record) {}

    void block(bool replacing, int32 frames, bool nullInputs, bool nullOutputs) {
        const auto length = static_cast<std::size_t>(std::max(frames, 0));
        std::vector<float> ones(length, 1.0f), left(length, 0.0f), right(length, 0.0f);
        float* inputs[2] = {ones.data(), ones.data()};
        float* outputs[2] = {left.data(), right.data()};
        // Whether the gate can gate this block, as it will decide itself.
        StepGrid grid;
        const bool gates = answersTime && locateStep(&timeInfo, grid, 44100.0).usable;
        auto entry = replacing ? record->processReplacing : record->process;
        entry(record, nullInputs ? nullptr : inputs, nullOutputs ? nullptr : outputs, frames);
        if (length == 0 || nullInputs || nullOutputs) {
            return;
        }
        for (std::size_t k = 0; k < length; ++k) {
            const float gain = left[k];
            check(gain == right[k], "the two channels took different gains");
            check(gain >= 0.0f && gain <= 1.0f, "a gain outside 0..1");
            check(!gates || !(std::fabs(gain - lastGain) > largestMove),
                  "the gain moved by more than 1/16 of full scale in one sample");
            lastGain = gain;
        }
    }
    void resume() { lastGain = std::numeric_limits<float>::quiet_NaN(); }

private:
    AEffect* record;
    float lastGain = std::numeric_limits<float>::quiet_NaN();
};

// One block at the current time record, then perhaps the host's play head moved on by it, with
// its own rounding.
void processBlock(FuzzedDataProvider& input, AEffect* record, GainWatch& gains) {
    const bool replacing = input.ConsumeBool();
    const int32 frames = input.ConsumeIntegralInRange<int32>(-2, 4096);
    const auto length = static_cast<std::size_t>(std::max(frames, 0));
    const Layout layout = layoutFrom(input, length);
    std::vector<float> arena(layout.arenaSize);
    // Samples from a small generator: the input sets its amplitude (perhaps NaN or huge) and seed.
    const float amplitude = fuzzinput::any(input, 0.0f, 4.0f);
    std::uint32_t state = input.ConsumeIntegral<std::uint32_t>() | 1u;
    for (float& sample : arena) {
        state = state * 1664525u + 1013904223u;
        sample = amplitude * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
    const std::vector<float> before = arena;

    float* channels[4];
    for (std::size_t i = 0; i < 4; ++i) {
        channels[i] = arena.data() + layout.offsets[i];
    }
    auto entry = replacing ? record->processReplacing : record->process;
    entry(record, layout.nullInputs ? nullptr : channels,
          layout.nullOutputs ? nullptr : channels + 2, frames);
    checkBlock(layout, length, replacing, before, arena);
    gains.block(replacing, frames, layout.nullInputs, layout.nullOutputs);

    if (answersTime && input.ConsumeBool()) {
        timeInfo.samplePos += frames;
        timeInfo.ppqPos += frames * timeInfo.tempo / (60.0 * timeInfo.sampleRate);
        if (input.ConsumeBool()) {
            timeInfo.ppqPos = std::round(timeInfo.ppqPos * 1920.0) / 1920.0;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    answersTime = true;
    timeInfo = fuzzinput::anyTimeInfo(input, true);
    const auto gate = std::make_unique<OvrinStepveilBase>(hostCallback);
    const auto shadow = std::make_unique<OvrinStepveilBase>(hostCallback);
    AEffect* record = gate->getAeffect();
    AEffect* shadowRecord = shadow->getAeffect();
    GainWatch gains(shadowRecord);
    for (int step = 0; step < 48 && input.remaining_bytes() > 0; ++step) {
        switch (input.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
            timeInfo = fuzzinput::anyTimeInfo(input);
            answersTime = input.ConsumeIntegralInRange<int>(0, 7) != 0;
            break;
        case 1: {
            const int32 index = fuzzinput::anyInt32(input, -1, 32);
            const float level = fuzzinput::any(input, 0.0f, 1.0f);
            record->setParameter(record, index, level);
            shadowRecord->setParameter(shadowRecord, index, level);
            break;
        }
        case 2: {
            const auto program = input.ConsumeIntegralInRange<intptr>(-1, 32);
            record->dispatcher(record, effSetProgram, 0, program, nullptr, 0.0f);
            shadowRecord->dispatcher(shadowRecord, effSetProgram, 0, program, nullptr, 0.0f);
            break;
        }
        case 3: {
            const bool on = input.ConsumeBool();
            record->dispatcher(record, effMainsChanged, 0, on, nullptr, 0.0f);
            shadowRecord->dispatcher(shadowRecord, effMainsChanged, 0, on, nullptr, 0.0f);
            if (on) {
                gains.resume();
            }
            break;
        }
        default:
            processBlock(input, record, gains);
            break;
        }
    }
    return 0;
}

// The gate's audio path: blocks of any size up to 4096 under any time record (every field and
// flag, NaN, infinities, huge values, a playing song, a host advancing or rounding its play
// head), over buffers laid out separately, in place or overlapping in any way, with level,
// program and resume changes in between. Checked after every block:
// - nothing outside the output ranges changed (guard zones around and between the buffers);
// - with finite inputs and levels, every output sample is finite (adding into overlapping
//   buffers aside), and over buffers that do not overlap no gain exceeds what the levels allow;
// - without time information, the replacing entry hands the input through unchanged.
#include "FuzzInput.h"

#include "gate/OvrinStepveilBase.h"

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
// Inputs and levels within these bounds can never overflow a float through the gate.
constexpr float boundedSample = 1.0e20f;
constexpr float boundedLevel = 1.0f;
// A ramp left running across a level change can reach level + 15/16 of an older change.
constexpr float largestGain = 3.0f;

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

void checkBlock(const Layout& layout, std::size_t frames, bool replacing, bool levelsBounded,
                const std::vector<float>& before, const std::vector<float>& after) {
    const bool writes = frames > 0 && !layout.nullInputs && !layout.nullOutputs;
    const auto inside = [&](std::size_t index, int firstChannel) {
        return std::any_of(layout.offsets.begin() + firstChannel, layout.offsets.end(),
                           [&](std::size_t at) { return index >= at && index < at + frames; });
    };
    bool bounded = levelsBounded;
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
                check(std::fabs(out) <=
                          (std::fabs(prior) + largestGain * std::fabs(in)) * 1.000001f + 1e-30f,
                      "an output sample exceeds the largest gain the levels allow");
                check(!replacing || answersTime || sameBits(out, in),
                      "without time information the input was not handed through");
            }
        }
    }
}

// One block at the current time record, then perhaps the host's play head moved on by it, with
// its own rounding.
void processBlock(FuzzedDataProvider& input, AEffect* record, bool levelsBounded) {
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
    checkBlock(layout, length, replacing, levelsBounded, before, arena);

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
    AEffect* record = gate->getAeffect();
    bool levelsBounded = true; // every level ever set was finite and within boundedLevel
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
            levelsBounded =
                levelsBounded && (index < 0 || index >= 32 || std::fabs(level) <= boundedLevel);
            break;
        }
        case 2:
            record->dispatcher(record, effSetProgram, 0,
                               input.ConsumeIntegralInRange<intptr>(-1, 32), nullptr, 0.0f);
            break;
        case 3:
            record->dispatcher(record, effMainsChanged, 0, input.ConsumeBool(), nullptr, 0.0f);
            break;
        default:
            processBlock(input, record, levelsBounded);
            break;
        }
    }
    return 0;
}

#include "lv2/GateInstance.h"

#include "gate/OvrinStepveilBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace stepveil::lv2 {

namespace {

// The host version the effect is told, as host/ tells it.
constexpr vst2::intptr hostVersion = 2400;
// The block size the effect is told. The gate takes any number of frames per call and keeps
// nothing per block size, so this is only the usual answer to its question.
constexpr vst2::int32 nominalBlockSize = 4096;
// Frames per processing call at most: the effect counts frames in 32 bits.
constexpr std::uint32_t largestCall = 1u << 30;

const LV2_URID_Map* findMap(const LV2_Feature* const* features) {
    for (; features != nullptr && *features != nullptr; ++features) {
        if (std::strcmp((*features)->URI, LV2_URID__map) == 0) {
            return static_cast<const LV2_URID_Map*>((*features)->data);
        }
    }
    return nullptr;
}

// An event stamped before the frames already played, or past the block, takes effect at the
// nearest frame the block still has.
std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::uint32_t eventFrame(std::int64_t stamp, std::uint32_t played, std::uint32_t frames) {
    if (stamp <= static_cast<std::int64_t>(played)) {
        return played;
    }
    return stamp >= static_cast<std::int64_t>(frames) ? frames : static_cast<std::uint32_t>(stamp);
}

} // namespace

GateInstance* GateInstance::create(double sampleRate, const LV2_Feature* const* features) {
    if (!std::isfinite(sampleRate) || !(sampleRate > 0.0)) {
        return nullptr;
    }
    auto* instance = new (std::nothrow) GateInstance(sampleRate, findMap(features));
    if (instance != nullptr && !instance->makeEffect()) {
        delete instance;
        return nullptr;
    }
    return instance;
}

GateInstance::GateInstance(double rate, const LV2_URID_Map* map) : sampleRate(rate), song(rate) {
    urids.map(map);
    song.start(timeInfo);
    // Unconnected step ports read a value that matches the bits last seen, so they change
    // nothing; a connected port differs at the first run and sets its step.
    unconnectedLevel = std::numeric_limits<float>::quiet_NaN();
    levelPorts.fill(&unconnectedLevel);
    portBits.fill(bitsOf(unconnectedLevel));
    appliedLevels.fill(std::numeric_limits<float>::quiet_NaN());
}

// The effect is made and started as a VST 2 host starts it. The record's `user` field is the
// host's, and the effect leaves it alone: the adapter finds itself there in every host call.
bool GateInstance::makeEffect() {
    OvrinStepveilBase* gate = nullptr;
    try {
        gate = new OvrinStepveilBase(answerEffect);
    } catch (...) {
        return false;
    }
    effect = gate->getAeffect();
    effect->user = this;
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    effect->dispatcher(effect, effSetBlockSize, 0, nominalBlockSize, nullptr, 0.0f);
    return true;
}

GateInstance::~GateInstance() {
    if (effect != nullptr) {
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
}

vst2::intptr GateInstance::answerEffect(AEffect* record, vst2::int32 opcode, vst2::int32,
                                        vst2::intptr, void*, float) {
    auto* self = record != nullptr ? static_cast<GateInstance*>(record->user) : nullptr;
    switch (opcode) {
    case audioMasterVersion:
        return hostVersion;
    case audioMasterGetTime:
        return self != nullptr ? reinterpret_cast<vst2::intptr>(&self->timeInfo) : 0;
    case audioMasterGetSampleRate:
        return self != nullptr ? static_cast<vst2::intptr>(std::lround(self->sampleRate)) : 0;
    case audioMasterGetBlockSize:
        return nominalBlockSize;
    default:
        return 0;
    }
}

void GateInstance::connect(std::uint32_t port, void* data) {
    if (port == inputLeftPort || port == inputRightPort) {
        inputs[port - inputLeftPort] = static_cast<const float*>(data);
    } else if (port == outputLeftPort || port == outputRightPort) {
        outputs[port - outputLeftPort] = static_cast<float*>(data);
    } else if (isLevelPort(port)) {
        levelPorts[port - firstLevelPort] =
            data != nullptr ? static_cast<const float*>(data) : &unconnectedLevel;
        levelsSideBySide = true;
        for (std::size_t step = 1; step < levelPortCount; ++step) {
            levelsSideBySide = levelsSideBySide && levelPorts[step] == levelPorts[0] + step;
        }
    } else if (port == timePort) {
        timeEvents = static_cast<const LV2_Atom_Sequence*>(data);
    }
}

void GateInstance::activate() {
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
}

void GateInstance::deactivate() {
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
}

void GateInstance::run(std::uint32_t frames) {
    if (inputs[0] == nullptr || inputs[1] == nullptr || outputs[0] == nullptr ||
        outputs[1] == nullptr) {
        return;
    }
    applyLevels();
    // Most blocks bring no event at all: then there is nothing to walk.
    if (timeEvents == nullptr ||
        timeEvents->atom.size < sizeof(LV2_Atom_Sequence_Body) + sizeof(LV2_Atom_Event)) {
        play(0, frames);
        return;
    }
    std::uint32_t played = 0;
    SequenceReader events(timeEvents, urids);
    SequenceEvent event;
    while (events.next(event)) {
        if (!positions.read(event.atom, urids, report)) {
            continue;
        }
        const std::uint32_t at = eventFrame(event.frames, played, frames);
        play(played, at - played);
        played = at;
        song.take(report);
    }
    play(played, frames - played);
}

// A host may send any number; the gate is given finite levels from silence to full, and a
// value it already has is not set again. Most blocks change no port, so the ports' bits are
// first compared with those of the last run: as one block of memory where the host keeps the
// step values side by side (Ardour keeps its control values in one array by port index),
// otherwise in one pass without branches.
void GateInstance::applyLevels() {
    std::uint32_t difference = 0;
    if (levelsSideBySide) {
        // One pass over both arrays, which the compiler does a vector at a time.
        const float* values = levelPorts[0];
        for (std::size_t step = 0; step < levelPortCount; ++step) {
            difference |= bitsOf(values[step]) ^ portBits[step];
        }
    } else {
#pragma GCC unroll 8
        for (std::size_t step = 0; step < levelPortCount; ++step) {
            difference |= bitsOf(*levelPorts[step]) ^ portBits[step];
        }
    }
    if (difference == 0) {
        return;
    }
    for (std::size_t step = 0; step < levelPortCount; ++step) {
        const float value = *levelPorts[step];
        if (bitsOf(value) == portBits[step]) {
            continue;
        }
        portBits[step] = bitsOf(value);
        if (!std::isfinite(value)) {
            continue;
        }
        const float level = std::clamp(value, 0.0f, 1.0f);
        if (level != appliedLevels[step]) {
            appliedLevels[step] = level;
            effect->setParameter(effect, static_cast<vst2::int32>(step), level);
        }
    }
}

void GateInstance::play(std::uint32_t offset, std::uint32_t frames) {
    while (frames > 0) {
        const std::uint32_t count = std::min(frames, largestCall);
        float* in[2] = {const_cast<float*>(inputs[0] + offset),
                        const_cast<float*>(inputs[1] + offset)};
        float* out[2] = {outputs[0] + offset, outputs[1] + offset};
        song.fill(timeInfo);
        effect->processReplacing(effect, in, out, static_cast<vst2::int32>(count));
        song.advance(static_cast<std::int32_t>(count));
        offset += count;
        frames -= count;
    }
}

} // namespace stepveil::lv2

// A stand-in host for the gate's tests: it answers the version query and hands the effect a
// time record that the test controls, and it counts what the effect asks for.
#pragma once

#include "gate/OvrinStepveilBase.h"

#include <vector>

struct GateTestHost {
    VstTimeInfo timeInfo{};
    bool answersTime = true;
    int timeRequests = 0;
    vst2::intptr lastTimeFilter = 0;
};

// The host state travels in the record's user field, which belongs to the host.
inline vst2::intptr VST2_CALL gateTestHostCallback(AEffect* effect, vst2::int32 opcode,
                                                   vst2::int32 /*index*/, vst2::intptr value,
                                                   void* /*ptr*/, float /*opt*/) {
    if (opcode == audioMasterVersion) {
        return 2400;
    }
    if (opcode != audioMasterGetTime || effect == nullptr || effect->user == nullptr) {
        return 0;
    }
    auto* host = static_cast<GateTestHost*>(effect->user);
    ++host->timeRequests;
    host->lastTimeFilter = value;
    return host->answersTime ? reinterpret_cast<vst2::intptr>(&host->timeInfo) : 0;
}

// Exposes the gate state, which only processing and resume touch.
class GateProbe : public OvrinStepveilBase {
public:
    GateProbe() : OvrinStepveilBase(gateTestHostCallback) {}
    using OvrinStepveilBase::previousStep;
    using OvrinStepveilBase::rampCounter;
    using OvrinStepveilBase::rampIncrement;
    using OvrinStepveilBase::rampLength;
};

// An effect wired to its own test host, with stereo buffers to process.
class GateRig {
public:
    GateRig() {
        effect.getAeffect()->user = &host;
        setTime(0.0, 0.0);
    }

    // Sets a playing transport with ppqPos marked valid.
    void setTime(double ppqPos, double barStartPos, double tempo = 120.0,
                 double sampleRate = 44100.0, vst2::int32 numerator = 4,
                 vst2::int32 denominator = 4) {
        host.timeInfo = VstTimeInfo{};
        host.timeInfo.ppqPos = ppqPos;
        host.timeInfo.barStartPos = barStartPos;
        host.timeInfo.tempo = tempo;
        host.timeInfo.sampleRate = sampleRate;
        host.timeInfo.timeSigNumerator = numerator;
        host.timeInfo.timeSigDenominator = denominator;
        host.timeInfo.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid |
                              kVstBarsValid | kVstTimeSigValid;
    }

    void setLevels(const std::vector<float>& levels) {
        for (std::size_t i = 0; i < levels.size(); ++i) {
            effect.setParameter(static_cast<vst2::int32>(i), levels[i]);
        }
    }

    // Processes a block of constant input 1.0 on both channels, so the output is the gain.
    std::vector<float> renderGain(vst2::int32 frames) {
        std::vector<float> left(static_cast<std::size_t>(frames), 1.0f);
        std::vector<float> right(static_cast<std::size_t>(frames), 1.0f);
        return render(left, right, false).first;
    }

    // Runs processReplacing (or process onto output already holding `prior`) over the two
    // channels and answers both outputs.
    std::pair<std::vector<float>, std::vector<float>> render(const std::vector<float>& left,
                                                             const std::vector<float>& right,
                                                             bool accumulate, float prior = 0.0f) {
        std::vector<float> outLeft(left.size(), prior);
        std::vector<float> outRight(right.size(), prior);
        float* inputs[2] = {const_cast<float*>(left.data()), const_cast<float*>(right.data())};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        const auto frames = static_cast<vst2::int32>(left.size());
        if (accumulate) {
            effect.process(inputs, outputs, frames);
        } else {
            effect.processReplacing(inputs, outputs, frames);
        }
        return {outLeft, outRight};
    }

    GateTestHost host;
    GateProbe effect;
};

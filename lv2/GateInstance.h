// One LV2 instance of the gate. It plays the host's part for the gate's own effect object, as
// host/ does for the VST 2 file: it answers the effect's time query from the song position it
// tracks, sets the step ports' values as the effect's parameters, and feeds the audio through
// the effect's replacing entry, cut at every position report inside a block.
#pragma once

#include "lv2/PortLayout.h"
#include "lv2/SongPosition.h"
#include "lv2/TimeAtoms.h"
#include "vst2/vst2.h"

#include <lv2/core/lv2.h>

#include <array>
#include <cstdint>

namespace stepveil::lv2 {

class GateInstance {
public:
    // Null when the rate is unusable or the effect cannot be made. Works without the host's
    // urid:map too, then without the host's transport.
    static GateInstance* create(double sampleRate, const LV2_Feature* const* features);
    ~GateInstance();
    GateInstance(const GateInstance&) = delete;
    GateInstance& operator=(const GateInstance&) = delete;

    void connect(std::uint32_t port, void* data);
    void activate();
    void deactivate();
    // The audio thread's work: allocates nothing, locks nothing, any number of frames.
    void run(std::uint32_t frames);

private:
    GateInstance(double sampleRate, const LV2_URID_Map* map);
    bool makeEffect();
    static vst2::intptr answerEffect(AEffect* record, vst2::int32 opcode, vst2::int32 index,
                                     vst2::intptr value, void* ptr, float opt);
    void applyLevels();
    void play(std::uint32_t offset, std::uint32_t frames);

    double sampleRate;
    SongPosition song;
    TimeUrids urids;
    PositionReader positions;
    // The report being read, kept here so that a block does not clear one anew.
    PositionReport report;
    // The record the effect answers to the time query; filled before each processing call.
    VstTimeInfo timeInfo{};
    AEffect* effect = nullptr;
    std::array<const float*, 2> inputs{};
    std::array<float*, 2> outputs{};
    std::array<const float*, levelPortCount> levelPorts{};
    // Each step port's bits at the last run, and the level last set on the step from it.
    std::array<std::uint32_t, levelPortCount> portBits{};
    std::array<float, levelPortCount> appliedLevels{};
    float unconnectedLevel;
    // Whether the host connected the step ports to 32 floats side by side, in step order.
    bool levelsSideBySide = false;
    const LV2_Atom_Sequence* timeEvents = nullptr;
};

} // namespace stepveil::lv2

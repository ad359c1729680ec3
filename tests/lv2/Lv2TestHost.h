// An LV2 host for the tests, on lilv: it loads the built bundle, maps URIs, instantiates the
// gate with or without urid:map, connects stereo buffers, the 32 step ports and a time port
// whose sequence the test writes, and reads the bundle's presets.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lv2test {

constexpr std::uint32_t stepCount = 32;

// URIs to numbers and back, as a host's urid:map feature.
class UridMap {
public:
    UridMap();
    LV2_URID map(const char* uri);
    LV2_URID_Map* feature() { return &mapFeature; }

private:
    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map mapFeature;
};

// What a time:Position report holds; fields left unset are not written. Carla labels its
// object atom:Blank rather than atom:Object.
struct PositionFields {
    bool blank = false;
    std::int64_t frame = -1; // -1: no frame
    float speed = -2.0f;     // -2: no speed
    std::int64_t bar = -1;   // -1: no bar, barBeat, beat
    float barBeat = 0.0f;
    double beat = -1.0;          // -1: no beat
    float beatsPerMinute = 0.0f; // 0: no tempo and metre
    float beatsPerBar = 4.0f;
    std::int32_t beatUnit = 4;
};

// The sequence on the time port, rewritten before each run.
class TimeSequence {
public:
    explicit TimeSequence(UridMap& urids);
    void clear();
    void addPosition(std::int64_t frames, const PositionFields& fields);
    // Raw bytes as one event's atom (header and body), for atoms no forge would write.
    void addRawEvent(std::int64_t frames, const std::vector<std::uint8_t>& atom);
    // The sequence's own size field and type, for sequences that lie about themselves.
    LV2_Atom_Sequence* sequence() { return reinterpret_cast<LV2_Atom_Sequence*>(buffer.data()); }

private:
    UridMap& urids;
    LV2_Atom_Forge forge;
    LV2_Atom_Forge_Frame frame;
    alignas(8) std::array<std::uint8_t, 65536> buffer{};
};

// One instance of the built plug-in.
class GateLv2 {
public:
    // With `strided`, each step's value sits in a record of its own, as in hosts that keep a
    // structure per port (jalv), rather than in one array by port index (Ardour).
    GateLv2(LilvWorld* world, const LilvPlugin* plugin, double sampleRate, UridMap* urids,
            bool strided);
    ~GateLv2();
    GateLv2(const GateLv2&) = delete;
    GateLv2& operator=(const GateLv2&) = delete;

    explicit operator bool() const { return instance != nullptr; }
    std::array<float, stepCount>& levels() { return levelValues; }
    // Runs one block of the stereo input at `offset` into the output; the time port is the
    // sequence given, or unconnected.
    void run(const std::vector<float>* input, std::vector<float>* output, std::size_t offset,
             std::uint32_t frames, TimeSequence* time);

private:
    LilvInstance* instance = nullptr;
    bool stridedLevels;
    std::array<float, stepCount> levelValues{};
    std::array<float, 2 * stepCount> stridedValues{};
};

// The world with the built bundle loaded, and the plug-in in it.
class Bundle {
public:
    Bundle();
    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    const LilvPlugin* plugin() const { return gatePlugin; }
    LilvWorld* world() const { return lilvWorld; }
    UridMap& urids() { return uridMap; }
    // The step values of every preset the bundle lists, by label.
    std::map<std::string, std::array<float, stepCount>> presets();
    std::unique_ptr<GateLv2> instantiate(double sampleRate, bool withUridMap = true,
                                         bool stridedLevels = false);

private:
    LilvWorld* lilvWorld = nullptr;
    const LilvPlugin* gatePlugin = nullptr;
    UridMap uridMap;
};

} // namespace lv2test

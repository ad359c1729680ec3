// Reading the host's time port: the events of an atom sequence and the time:Position objects
// among them. Every size in a sequence comes from the host and is checked before anything is
// read, so a truncated, oversized or unknown atom is skipped, never read past.
#pragma once

#include "lv2/SongPosition.h"

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace stepveil::lv2 {

// The URIDs the time port's contents are told apart by; all 0 without the host's urid:map, so
// that nothing is recognised.
struct TimeUrids {
    LV2_URID atomBlank = 0;
    LV2_URID atomObject = 0;
    LV2_URID atomSequence = 0;
    LV2_URID atomInt = 0;
    LV2_URID atomLong = 0;
    LV2_URID atomFloat = 0;
    LV2_URID atomDouble = 0;
    LV2_URID atomBool = 0;
    LV2_URID atomBeatTime = 0;
    LV2_URID timePosition = 0;
    LV2_URID frame = 0;
    LV2_URID speed = 0;
    LV2_URID bar = 0;
    LV2_URID barBeat = 0;
    LV2_URID beat = 0;
    LV2_URID beatUnit = 0;
    LV2_URID beatsPerBar = 0;
    LV2_URID beatsPerMinute = 0;

    // False (and every URID 0) when the host offers no map.
    bool map(const LV2_URID_Map* hostMap);
    bool mapped() const { return timePosition != 0; }
};

// One event of a sequence, checked to lie wholly inside it.
struct SequenceEvent {
    std::int64_t frames = 0;
    const LV2_Atom* atom = nullptr;
};

// Walks a sequence's events in their order; a sequence of another type, or one whose timestamps
// are not in audio frames, gives its events at frame 0.
class SequenceReader {
public:
    SequenceReader(const LV2_Atom_Sequence* sequence, const TimeUrids& urids);
    bool next(SequenceEvent& event);

private:
    const std::uint8_t* cursor = nullptr;
    const std::uint8_t* end = nullptr;
    bool timesInFrames = true;
};

// Reads time:Position objects (atom:Object or the older atom:Blank) into reports. Properties of
// unknown keys or non-numeric values are left out; a number may come as any of the numeric atom
// types. Hosts that report at every block send objects of one shape (the same properties in the
// same order, of the same types and sizes): the reader keeps the shape of the last object, and
// an object whose every property header matches it is read straight from the places it names.
class PositionReader {
public:
    // Fills `report` from the atom; false for any atom that is not a time:Position object.
    bool read(const LV2_Atom* atom, const TimeUrids& urids, PositionReport& report);

private:
    enum class ValueKind : std::uint8_t { none, int32, int64, float32, float64 };
    // One property of the last object: its header (key, context, value size, value type) as
    // it came, where its value lies from the object's body, and how the value is read.
    struct Property {
        std::uint64_t keyAndContext = 0;
        std::uint64_t sizeAndType = 0;
        std::uint32_t valueOffset = 0;
        ValueKind kind = ValueKind::none;
        std::uint8_t field = 0;
    };
    static constexpr std::size_t largestShape = 16;

    bool readKnownShape(const LV2_Atom* atom, const std::uint8_t* body,
                        PositionReport& report) const;
    void readAnyShape(const LV2_Atom* atom, const std::uint8_t* body, const TimeUrids& urids,
                      PositionReport& report);
    static ValueKind kindOf(std::uint32_t type, std::uint32_t size, const TimeUrids& urids);
    static double valueOf(ValueKind kind, const std::uint8_t* body);

    // The last object's atom header (its size 0 while no shape is kept) and properties.
    LV2_Atom shapeAtom{0, 0};
    std::uint32_t shapeGiven = 0;
    std::size_t shapeLength = 0;
    std::array<Property, largestShape> shape{};
};

} // namespace stepveil::lv2

#include "lv2/TimeAtoms.h"

#include <lv2/time/time.h>

#include <cstddef>
#include <cstring>

namespace stepveil::lv2 {

namespace {

// Atoms in sequences and objects start on 8-byte boundaries.
std::size_t padded(std::uint32_t size) {
    return (std::size_t{size} + 7u) & ~std::size_t{7u};
}

std::size_t spaceBetween(const std::uint8_t* from, const std::uint8_t* to) {
    return from < to ? static_cast<std::size_t>(to - from) : 0;
}

template <typename Value> Value readAt(const void* address) {
    Value value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

// The report's field a property key names; fieldCount for a key of no field.
unsigned fieldOf(LV2_URID key, const TimeUrids& urids) {
    using Field = PositionReport::Field;
    const LV2_URID keys[Field::fieldCount] = {
        urids.frame, urids.speed,    urids.bar,         urids.barBeat,
        urids.beat,  urids.beatUnit, urids.beatsPerBar, urids.beatsPerMinute};
    for (unsigned field = 0; field < Field::fieldCount; ++field) {
        if (key == keys[field]) {
            return field;
        }
    }
    return Field::fieldCount;
}

} // namespace

bool TimeUrids::map(const LV2_URID_Map* hostMap) {
    if (hostMap == nullptr || hostMap->map == nullptr) {
        *this = TimeUrids{};
        return false;
    }
    auto uri = [hostMap](const char* name) { return hostMap->map(hostMap->handle, name); };
    atomBlank = uri(LV2_ATOM__Blank);
    atomObject = uri(LV2_ATOM__Object);
    atomSequence = uri(LV2_ATOM__Sequence);
    atomInt = uri(LV2_ATOM__Int);
    atomLong = uri(LV2_ATOM__Long);
    atomFloat = uri(LV2_ATOM__Float);
    atomDouble = uri(LV2_ATOM__Double);
    atomBool = uri(LV2_ATOM__Bool);
    atomBeatTime = uri(LV2_ATOM__beatTime);
    timePosition = uri(LV2_TIME__Position);
    frame = uri(LV2_TIME__frame);
    speed = uri(LV2_TIME__speed);
    bar = uri(LV2_TIME__bar);
    barBeat = uri(LV2_TIME__barBeat);
    beat = uri(LV2_TIME__beat);
    beatUnit = uri(LV2_TIME__beatUnit);
    beatsPerBar = uri(LV2_TIME__beatsPerBar);
    beatsPerMinute = uri(LV2_TIME__beatsPerMinute);
    return mapped();
}

SequenceReader::SequenceReader(const LV2_Atom_Sequence* sequence, const TimeUrids& urids) {
    if (sequence == nullptr || !urids.mapped() || sequence->atom.type != urids.atomSequence ||
        sequence->atom.size < sizeof(LV2_Atom_Sequence_Body)) {
        return;
    }
    const auto* body = reinterpret_cast<const std::uint8_t*>(&sequence->body);
    cursor = body + sizeof(LV2_Atom_Sequence_Body);
    end = body + sequence->atom.size;
    timesInFrames = sequence->body.unit != urids.atomBeatTime;
}

bool SequenceReader::next(SequenceEvent& event) {
    const std::size_t left = spaceBetween(cursor, end);
    if (left < sizeof(LV2_Atom_Event)) {
        cursor = end;
        return false;
    }
    const auto header = readAt<LV2_Atom_Event>(cursor);
    if (header.body.size > left - sizeof(LV2_Atom_Event)) {
        // The event claims more than the sequence holds: nothing after it can be trusted.
        cursor = end;
        return false;
    }
    event.frames = timesInFrames ? header.time.frames : 0;
    event.atom = reinterpret_cast<const LV2_Atom*>(cursor + offsetof(LV2_Atom_Event, body));
    const std::size_t step = sizeof(std::int64_t) + sizeof(LV2_Atom) + padded(header.body.size);
    cursor = step >= left ? end : cursor + step;
    return true;
}

// A number from any numeric atom whose body holds one.
PositionReader::ValueKind PositionReader::kindOf(std::uint32_t type, std::uint32_t size,
                                                 const TimeUrids& urids) {
    if ((type == urids.atomInt || type == urids.atomBool) && size >= sizeof(std::int32_t)) {
        return ValueKind::int32;
    }
    if (type == urids.atomLong && size >= sizeof(std::int64_t)) {
        return ValueKind::int64;
    }
    if (type == urids.atomFloat && size >= sizeof(float)) {
        return ValueKind::float32;
    }
    if (type == urids.atomDouble && size >= sizeof(double)) {
        return ValueKind::float64;
    }
    return ValueKind::none;
}

double PositionReader::valueOf(ValueKind kind, const std::uint8_t* body) {
    switch (kind) {
    case ValueKind::int32:
        return readAt<std::int32_t>(body);
    case ValueKind::int64:
        return static_cast<double>(readAt<std::int64_t>(body));
    case ValueKind::float32:
        return readAt<float>(body);
    case ValueKind::float64:
        return readAt<double>(body);
    case ValueKind::none:
        break;
    }
    return 0.0;
}

bool PositionReader::read(const LV2_Atom* atom, const TimeUrids& urids, PositionReport& report) {
    report.clear();
    if (atom == nullptr || !urids.mapped() ||
        (atom->type != urids.atomObject && atom->type != urids.atomBlank) ||
        atom->size < sizeof(LV2_Atom_Object_Body)) {
        return false;
    }
    const auto* body = reinterpret_cast<const std::uint8_t*>(atom + 1);
    if (readAt<LV2_Atom_Object_Body>(body).otype != urids.timePosition) {
        return false;
    }
    if (!readKnownShape(atom, body, report)) {
        readAnyShape(atom, body, urids, report);
    }
    return true;
}

// The object has the last one's shape when its size, type and every property header are the
// same: then a walk through it would find the same properties at the same places.
bool PositionReader::readKnownShape(const LV2_Atom* atom, const std::uint8_t* body,
                                    PositionReport& report) const {
    if (atom->size != shapeAtom.size || atom->type != shapeAtom.type) {
        return false;
    }
    // Values are written as their headers are found to match; a mismatch leaves nothing
    // given, and the object is then read from its start.
    for (std::size_t index = 0; index < shapeLength; ++index) {
        const Property& property = shape[index];
        const std::uint8_t* value = body + property.valueOffset;
        if (readAt<std::uint64_t>(value - sizeof(LV2_Atom_Property_Body)) !=
                property.keyAndContext ||
            readAt<std::uint64_t>(value - sizeof(LV2_Atom)) != property.sizeAndType) {
            return false;
        }
        if (property.kind != ValueKind::none) {
            report.values[property.field] = valueOf(property.kind, value);
        }
    }
    report.given = shapeGiven;
    return true;
}

// Every size in the object is checked before anything is read; a truncated property ends the
// object. The shape is kept when the object ended cleanly and is not too long to keep.
void PositionReader::readAnyShape(const LV2_Atom* atom, const std::uint8_t* body,
                                  const TimeUrids& urids, PositionReport& report) {
    shapeAtom = LV2_Atom{0, 0};
    shapeLength = 0;
    bool keepShape = true;
    const std::uint8_t* end = body + atom->size;
    const std::uint8_t* cursor = body + sizeof(LV2_Atom_Object_Body);
    while (spaceBetween(cursor, end) >= sizeof(LV2_Atom_Property_Body)) {
        const auto property = readAt<LV2_Atom_Property_Body>(cursor);
        const std::size_t left = spaceBetween(cursor, end) - sizeof(LV2_Atom_Property_Body);
        if (property.value.size > left) {
            keepShape = false; // a truncated property ends the object
            break;
        }
        const std::uint8_t* value = cursor + sizeof(LV2_Atom_Property_Body);
        const ValueKind kind = kindOf(property.value.type, property.value.size, urids);
        const unsigned field = fieldOf(property.key, urids);
        const bool known = kind != ValueKind::none && field != PositionReport::fieldCount;
        if (known) {
            report.set(static_cast<PositionReport::Field>(field), valueOf(kind, value));
        }
        if (shapeLength < largestShape) {
            Property& kept = shape[shapeLength++];
            kept.keyAndContext = readAt<std::uint64_t>(cursor);
            kept.sizeAndType = readAt<std::uint64_t>(cursor + sizeof(std::uint64_t));
            kept.valueOffset = static_cast<std::uint32_t>(value - body);
            kept.kind = known ? kind : ValueKind::none;
            kept.field = static_cast<std::uint8_t>(known ? field : 0);
        } else {
            keepShape = false;
        }
        const std::size_t step =
            2 * sizeof(std::uint32_t) + sizeof(LV2_Atom) + padded(property.value.size);
        cursor = step >= spaceBetween(cursor, end) ? end : cursor + step;
    }
    if (keepShape) {
        shapeAtom = *atom;
        shapeGiven = report.given;
    } else {
        shapeLength = 0;
    }
}

} // namespace stepveil::lv2

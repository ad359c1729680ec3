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

// A number from any numeric atom whose body holds one.
bool readNumber(const LV2_Atom& atom, const void* body, const TimeUrids& urids, double& value) {
    if ((atom.type == urids.atomInt || atom.type == urids.atomBool) &&
        atom.size >= sizeof(std::int32_t)) {
        value = readAt<std::int32_t>(body);
    } else if (atom.type == urids.atomLong && atom.size >= sizeof(std::int64_t)) {
        value = static_cast<double>(readAt<std::int64_t>(body));
    } else if (atom.type == urids.atomFloat && atom.size >= sizeof(float)) {
        value = readAt<float>(body);
    } else if (atom.type == urids.atomDouble && atom.size >= sizeof(double)) {
        value = readAt<double>(body);
    } else {
        return false;
    }
    return true;
}

// A chain of tests rather than a table: it runs for every property of every report.
void store(LV2_URID key, double value, const TimeUrids& urids, PositionReport& report) {
    using Field = PositionReport::Field;
    if (key == urids.frame) {
        report.set(Field::frame, value);
    } else if (key == urids.speed) {
        report.set(Field::speed, value);
    } else if (key == urids.bar) {
        report.set(Field::bar, value);
    } else if (key == urids.barBeat) {
        report.set(Field::barBeat, value);
    } else if (key == urids.beat) {
        report.set(Field::beat, value);
    } else if (key == urids.beatUnit) {
        report.set(Field::beatUnit, value);
    } else if (key == urids.beatsPerBar) {
        report.set(Field::beatsPerBar, value);
    } else if (key == urids.beatsPerMinute) {
        report.set(Field::beatsPerMinute, value);
    }
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

bool readPosition(const LV2_Atom* atom, const TimeUrids& urids, PositionReport& report) {
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
    const std::uint8_t* end = body + atom->size;
    const std::uint8_t* cursor = body + sizeof(LV2_Atom_Object_Body);
    while (spaceBetween(cursor, end) >= sizeof(LV2_Atom_Property_Body)) {
        const auto property = readAt<LV2_Atom_Property_Body>(cursor);
        const std::size_t left = spaceBetween(cursor, end) - sizeof(LV2_Atom_Property_Body);
        if (property.value.size > left) {
            break; // a truncated property ends the object
        }
        double value = 0.0;
        if (readNumber(property.value, cursor + sizeof(LV2_Atom_Property_Body), urids, value)) {
            store(property.key, value, urids, report);
        }
        const std::size_t step =
            2 * sizeof(std::uint32_t) + sizeof(LV2_Atom) + padded(property.value.size);
        cursor = step >= spaceBetween(cursor, end) ? end : cursor + step;
    }
    return true;
}

} // namespace stepveil::lv2

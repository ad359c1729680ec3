// Speaker-arrangement blocks: a header of type and channel count followed by exactly one
// speaker record per channel. Whoever holds the pointer owns the block; these operations are
// the only ones that make and free them.
#include "effect/EffectBaseEx.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kHeaderBytes = offsetof(VstSpeakerArrangement, speakers);
constexpr std::size_t kSpeakerBytes = sizeof(VstSpeakerProperties);
constexpr std::size_t kLastNameIndex = sizeof(VstSpeakerProperties::name) - 1;

// Speaker i of a block; blocks hold as many speakers as they have channels, which may be more
// than the eight the declaration shows.
VstSpeakerProperties* speakerAt(VstSpeakerArrangement* arrangement, std::size_t i) {
    char* const bytes = reinterpret_cast<char*>(arrangement);
    return reinterpret_cast<VstSpeakerProperties*>(bytes + kHeaderBytes + i * kSpeakerBytes);
}

bool fitsInMemory(vst2::int32 channelCount) {
    return static_cast<std::size_t>(channelCount) <= (SIZE_MAX - kHeaderBytes) / kSpeakerBytes;
}

} // namespace

bool EffectBaseEx::allocateArrangement(VstSpeakerArrangement** holder, int32 channelCount) {
    // A request that can never succeed changes nothing, so the holder keeps its block.
    if (!holder || channelCount < 0 || !fitsInMemory(channelCount)) {
        return false;
    }
    std::free(*holder);
    *holder = nullptr;
    const std::size_t byteCount =
        kHeaderBytes + static_cast<std::size_t>(channelCount) * kSpeakerBytes;
    void* const block = std::calloc(1, byteCount);
    if (!block) {
        return false;
    }
    *holder = static_cast<VstSpeakerArrangement*>(block);
    (*holder)->numChannels = channelCount;
    return true;
}

bool EffectBaseEx::deallocateArrangement(VstSpeakerArrangement** holder) {
    if (holder && *holder) {
        std::free(*holder);
        *holder = nullptr;
    }
    return true;
}

bool EffectBaseEx::copySpeaker(VstSpeakerProperties* destination, VstSpeakerProperties* source) {
    if (!destination || !source) {
        return false;
    }
    // The name is copied up to its terminator but never past the field, and always ends
    // terminated, even when the source's name fills all 64 bytes.
    const void* const terminator = std::memchr(source->name, '\0', kLastNameIndex);
    const std::size_t nameLength =
        terminator ? static_cast<std::size_t>(static_cast<const char*>(terminator) - source->name)
                   : kLastNameIndex;
    std::memmove(destination->name, source->name, nameLength);
    destination->name[nameLength] = '\0';
    destination->type = source->type;
    destination->azimuth = source->azimuth;
    destination->elevation = source->elevation;
    destination->radius = source->radius;
    destination->reserved = source->reserved;
    std::memmove(destination->future, source->future, sizeof destination->future);
    return true;
}

// The copy is built in a block of its own and replaces the holder's block only when complete:
// a source that is the holder's own block stays readable throughout, and a failed copy leaves
// the holder as it was.
bool EffectBaseEx::matchArrangement(VstSpeakerArrangement** holder, VstSpeakerArrangement* source) {
    if (!holder || !source) {
        return false;
    }
    VstSpeakerArrangement* copy = nullptr;
    if (!allocateArrangement(&copy, source->numChannels)) {
        return false;
    }
    copy->type = source->type;
    for (std::size_t i = 0; i < static_cast<std::size_t>(copy->numChannels); ++i) {
        if (!copySpeaker(speakerAt(copy, i), speakerAt(source, i))) {
            deallocateArrangement(&copy);
            return false;
        }
    }
    if (!deallocateArrangement(holder)) {
        deallocateArrangement(&copy);
        return false;
    }
    *holder = copy;
    return true;
}

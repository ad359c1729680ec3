#include "effect/ArgumentConversions.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace argumentConversions {

vst2::int32 truncateToInt32(double value) {
    constexpr double lowest = std::numeric_limits<vst2::int32>::min();
    constexpr double highest = std::numeric_limits<vst2::int32>::max();
    if (std::isnan(value)) {
        return 0;
    }
    if (value <= lowest) {
        return std::numeric_limits<vst2::int32>::min();
    }
    if (value >= highest) {
        return std::numeric_limits<vst2::int32>::max();
    }
    return static_cast<vst2::int32>(value);
}

vst2::int32 clampToInt32(vst2::intptr value) {
    constexpr vst2::intptr lowest = std::numeric_limits<vst2::int32>::min();
    constexpr vst2::intptr highest = std::numeric_limits<vst2::int32>::max();
    if (value < lowest) {
        return std::numeric_limits<vst2::int32>::min();
    }
    if (value > highest) {
        return std::numeric_limits<vst2::int32>::max();
    }
    return static_cast<vst2::int32>(value);
}

float roundToFloat(double value) {
    constexpr auto largest = static_cast<double>(std::numeric_limits<float>::max());
    if (value > largest) {
        return std::numeric_limits<float>::infinity();
    }
    if (value < -largest) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

VstKeyCode makeKeyCode(vst2::int32 index, vst2::intptr value, float opt) {
    VstKeyCode keyCode{};
    keyCode.character = index;
    keyCode.virt = static_cast<std::uint8_t>(static_cast<std::uintptr_t>(value) & 0xFFu);
    const double modifiers = static_cast<double>(opt);
    const bool usable =
        std::isfinite(modifiers) &&
        std::fabs(modifiers) < -static_cast<double>(std::numeric_limits<vst2::int32>::min());
    const vst2::int32 truncated = usable ? static_cast<vst2::int32>(modifiers) : 0;
    keyCode.modifier = static_cast<std::uint8_t>(static_cast<std::uint32_t>(truncated) & 0xFFu);
    return keyCode;
}

bool isUsableSampleRate(float rate) {
    return std::isfinite(rate) && rate > 0.0f;
}

bool isUsableBlockSize(vst2::intptr size) {
    return size > 0 && size <= std::numeric_limits<vst2::int32>::max();
}

} // namespace argumentConversions

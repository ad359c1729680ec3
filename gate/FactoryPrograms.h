// The gate's factory patterns: 16 named rhythms, then 16 user slots at half level.
#pragma once

#include <array>
#include <cstdint>

struct FactoryPattern {
    const char* name;
    // Levels of steps 1 to 32 in units of 1/32 (32 is full level, 0 is silence).
    std::array<std::uint8_t, 32> levels;
};

constexpr int numFactoryPatterns = 16;

// The patterns of programs 0 to 15, in program order.
const std::array<FactoryPattern, numFactoryPatterns>& factoryPatterns();

// Level of every step of the user slots (programs 16 to 31), in units of 1/32.
constexpr std::uint8_t userSlotLevel = 16;

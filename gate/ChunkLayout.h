// The gate's state as the block of bytes a host keeps for it (effGetChunk, effSetChunk): the
// whole bank, or one program. The layout is the plug-in's own and fixed byte by byte, so that
// every build (Linux, 64-bit and 32-bit Windows) writes and reads the same bytes whatever its
// compiler and struct layout: little-endian 32-bit unsigned integers, IEEE 754 singles,
// explicit lengths, no padding.
//
//   header, 20 bytes
//     0   magic            the four bytes 'S' 'v' 'c' 'k'
//     4   layout version   1
//     8   unique id        the effect record's uniqueID
//     12  kind             1: a bank, 2: one program
//     16  body length      the bytes after the header
//   bank body
//     program count (32), current program (0..31), then that many program records
//   program body: one program record
//   program record
//     name length, that many bytes of name (no terminator), level count (32), the levels
//
// A reader checks all of it before it hands anything out, so a host's damaged, cut-off or
// foreign data never changes the effect. Levels must be numbers within 0..1 (the writer
// brings any stored level into that range); names are cut as effSetProgramName cuts them.
#pragma once

#include "gate/Program.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace chunkLayout {

constexpr std::uint32_t layoutVersion = 1;
constexpr int programsPerBank = 32;

struct ProgramState {
    // Zero-terminated, at most nameSize - 1 characters.
    std::array<char, Program::nameSize> name{};
    std::array<float, Program::numLevels> levels{};
};

struct BankState {
    std::array<ProgramState, programsPerBank> programs{};
    std::int32_t currentProgram = 0;
};

std::vector<std::uint8_t> writeBank(std::int32_t uniqueId, const BankState& bank);
std::vector<std::uint8_t> writeProgram(std::int32_t uniqueId, const ProgramState& program);

// True when the bytes are a whole, well-formed chunk of that kind for that unique id, with
// nothing after it; only then is the result filled in.
bool readBank(const void* data, std::size_t size, std::int32_t uniqueId, BankState& bank);
bool readProgram(const void* data, std::size_t size, std::int32_t uniqueId, ProgramState& program);

} // namespace chunkLayout

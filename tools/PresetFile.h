// Program files (.fxp) and bank files (.fxb), the files VST 2 hosts import and export: their
// fields, read from bytes with every length checked, and written back. Big-endian throughout.
// Which plug-in they suit is for the caller to check (tools/PluginState.h); this part knows
// only the format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace stepveil::tool {

enum class PresetKind { program, bank };

// One program as a parameter list.
struct ProgramRecord {
    std::string name;
    std::vector<float> parameters;
};

struct PresetFile {
    PresetKind kind = PresetKind::bank;
    std::int32_t pluginId = 0;      // fxID
    std::int32_t pluginVersion = 0; // fxVersion, which hosts do not keep carefully
    // The plug-in's own chunk (FPCh, FBCh); empty in the parameter form (FxCk, FxBk).
    bool isChunk = false;
    std::vector<std::uint8_t> chunk;
    // The parameter form: one record in a program file, one per program in a bank.
    std::vector<ProgramRecord> programs;
    // Chunk form: the counts and program name the header gives.
    std::int32_t programCount = 0;   // banks
    std::int32_t parameterCount = 0; // program files
    std::string programName;         // program files
    // A bank of version 2 says which program was current.
    std::optional<std::int32_t> currentProgram;
};

// Parses a whole file. Throws a failure naming `path` and the fault: not such a file, cut
// off, a length running outside the file, a program or bank where the other was expected.
PresetFile parsePresetFile(const std::vector<std::uint8_t>& bytes, PresetKind expected,
                           const std::string& path);

// Reads and parses the file; a file that cannot be read is a failure naming it.
PresetFile readPresetFile(const std::string& path, PresetKind expected);

// The file's bytes, as hosts write them (a bank of version 2 when it has a current program).
std::vector<std::uint8_t> encodePresetFile(const PresetFile& file);

} // namespace stepveil::tool

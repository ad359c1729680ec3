// What the user asked for, parsed from the command line without touching any file or the
// plug-in: each subcommand has its own options record, and every value in it is checked.
#pragma once

#include "tools/PresetFile.h"
#include "tools/ValueParsing.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace stepveil::tool {

enum class FileType { wav, flac };

enum class SampleFormat { float32, float64, pcm16, pcm24, pcm32 };

struct OutputFormat {
    FileType fileType = FileType::wav;
    SampleFormat sampleFormat = SampleFormat::float32;
};

// A program picked by its number or by its name; which names exist only the plug-in knows.
struct ProgramChoice {
    std::optional<int> number;
    std::string name;
};

// Program and bank files taken into the plug-in before anything else: the bank, then the
// program file into the program chosen (by --program, or the bank's current one).
struct StateFiles {
    std::string bankPath;   // --bank FILE.fxb
    std::string presetPath; // --preset FILE.fxp
};

// How much of the built-in source to render when there is no input file.
struct SourceLength {
    enum class Unit { bars, seconds };
    Unit unit = Unit::bars;
    double amount = 4.0;
};

struct RenderOptions {
    std::string pluginPath; // empty: the plug-in built beside the tool
    StateFiles state;
    // None: the bank's current program, or the first.
    std::optional<ProgramChoice> program;
    std::optional<StepLevels> levels; // parameter values 0..1, set after the program
    double tempo = 120.0;
    Meter meter;
    double startPosition = 0.0;         // song position of the first sample, in quarter notes
    std::optional<int> sampleRate;      // given by --rate; otherwise the input's or 44100
    std::optional<SourceLength> length; // only without an input file
    int blockSize = 512;
    bool accumulate = false;
    std::string inputPath; // empty: the built-in source
    std::string outputPath;
    OutputFormat outputFormat;
};

struct InfoOptions {
    std::string pluginPath;
    StateFiles state;
};

struct SnapshotOptions {
    std::string pluginPath;
    StateFiles state;
    std::optional<ProgramChoice> program;
    std::optional<StepLevels> levels; // parameter values 0..1, set after the program
    std::string outputPath;           // a .png file
};

struct OpenOptions {
    std::string pluginPath;
    StateFiles state;
    std::optional<ProgramChoice> program;
    // --save: where the bank (.fxb) or the current program (.fxp) goes when the window closes.
    std::string savePath;
    PresetKind saveKind = PresetKind::bank;
};

struct HelpRequest {
    std::string topic; // "", "render", "info", "snapshot" or "open"
};

struct VersionRequest {};

using Command = std::variant<HelpRequest, VersionRequest, RenderOptions, InfoOptions,
                             SnapshotOptions, OpenOptions>;

constexpr int defaultSampleRate = 44100;

// Parses the arguments after the program's own name. Throws a usage error for anything it
// cannot make sense of.
Command parseCommandLine(const std::vector<std::string>& arguments);

// The output file's type from its extension, with the sample format that --format names
// (or the type's default when it is empty).
OutputFormat outputFormatFor(std::string_view outputPath, std::string_view formatName);

// The help text: the overview for an empty topic, otherwise the subcommand's own.
std::string usageText(std::string_view topic);

} // namespace stepveil::tool

#include "tools/CommandLine.h"

#include "tools/ToolError.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace stepveil::tool {
namespace {

struct KnownOption {
    std::string_view name;
    bool takesValue;
};

constexpr KnownOption renderOptions[] = {
    {"--plugin", true},      {"--bank", true},   {"--preset", true},  {"--program", true},
    {"--levels", true},      {"--tempo", true},  {"--meter", true},   {"--start", true},
    {"--rate", true},        {"--bars", true},   {"--seconds", true}, {"--block", true},
    {"--accumulate", false}, {"--format", true},
};

constexpr KnownOption infoOptions[] = {
    {"--plugin", true},
    {"--bank", true},
    {"--preset", true},
};

constexpr KnownOption snapshotOptions[] = {
    {"--plugin", true},  {"--bank", true},   {"--preset", true},
    {"--program", true}, {"--levels", true},
};

constexpr KnownOption openOptions[] = {
    {"--plugin", true}, {"--bank", true}, {"--preset", true}, {"--program", true}, {"--save", true},
};

using OptionHandler = std::function<void(std::string_view name, const std::string& value)>;

struct ScannedArguments {
    bool helpRequested = false;
    std::vector<std::string> positionals;
};

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Walks the arguments of one subcommand: options (as "--name value" or "--name=value") go to
// the handler in the order given, everything else is positional. "--" ends the options so
// that a file whose name starts with a dash can still be named.
template <std::size_t optionCount>
ScannedArguments scanArguments(std::string_view subcommand, const std::vector<std::string>& args,
                               std::size_t first, const KnownOption (&knownOptions)[optionCount],
                               const OptionHandler& handler) {
    ScannedArguments scanned;
    bool optionsEnded = false;
    for (std::size_t index = first; index < args.size(); ++index) {
        const std::string& argument = args[index];
        if (optionsEnded || argument == "-" || !startsWith(argument, "-")) {
            scanned.positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            scanned.helpRequested = true;
            continue;
        }
        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const auto option = std::find_if(std::begin(knownOptions), std::end(knownOptions),
                                         [&](const KnownOption& s) { return s.name == name; });
        if (option == std::end(knownOptions)) {
            throw usageError("unknown option " + name + " for " + std::string(subcommand) +
                             " (see stepveil " + std::string(subcommand) + " --help)");
        }
        std::string value;
        if (!option->takesValue) {
            if (equals != std::string::npos) {
                throw usageError(name + " takes no value");
            }
        } else if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (index + 1 < args.size()) {
            value = args[++index];
        } else {
            throw usageError(name + " needs a value");
        }
        handler(name, value);
    }
    return scanned;
}

std::string lowerCase(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

ProgramChoice parseProgramChoice(const std::string& value) {
    ProgramChoice choice;
    if (isWholeNumber(value)) {
        // The plug-in says how many programs it has; this only keeps the number sane.
        choice.number = static_cast<int>(parseWholeNumber(value, "--program", 0, 9999));
    } else if (value.empty()) {
        throw usageError("--program: expected a program number or name");
    } else {
        choice.name = value;
    }
    return choice;
}

// --bank and --preset, which every command takes; false for any other option.
bool applyStateOption(StateFiles& state, std::string_view name, const std::string& value) {
    if (name != "--bank" && name != "--preset") {
        return false;
    }
    if (value.empty()) {
        throw usageError(std::string(name) + ": expected a file name");
    }
    (name == "--bank" ? state.bankPath : state.presetPath) = value;
    return true;
}

SourceLength parseSourceLength(std::string_view name, const std::string& value) {
    SourceLength length;
    if (name == "--bars") {
        length.unit = SourceLength::Unit::bars;
        length.amount = parseNumber(value, name);
    } else {
        length.unit = SourceLength::Unit::seconds;
        length.amount = parseNumberInRange(value, name, 0.0, maximumRenderSeconds);
    }
    if (length.amount <= 0.0) {
        throw usageError(std::string(name) + ": the length must be more than 0, got \"" + value +
                         "\"");
    }
    return length;
}

void applyRenderOption(RenderOptions& options, std::string& formatName, std::string_view name,
                       const std::string& value) {
    if (applyStateOption(options.state, name, value)) {
        return;
    }
    if (name == "--plugin") {
        options.pluginPath = value;
    } else if (name == "--program") {
        options.program = parseProgramChoice(value);
    } else if (name == "--levels") {
        options.levels = parseLevels(value);
    } else if (name == "--tempo") {
        options.tempo = parseNumberInRange(value, name, minimumTempo, maximumTempo);
    } else if (name == "--meter") {
        options.meter = parseMeter(value);
    } else if (name == "--start") {
        // Far enough for any song, near enough that sample positions stay exact in doubles.
        options.startPosition = parseNumberInRange(value, name, -1.0e6, 1.0e6);
    } else if (name == "--rate") {
        options.sampleRate =
            static_cast<int>(parseWholeNumber(value, name, minimumSampleRate, maximumSampleRate));
    } else if (name == "--bars" || name == "--seconds") {
        if (options.length &&
            (name == "--bars") != (options.length->unit == SourceLength::Unit::bars)) {
            throw usageError("give either --bars or --seconds, not both");
        }
        options.length = parseSourceLength(name, value);
    } else if (name == "--block") {
        options.blockSize = static_cast<int>(parseWholeNumber(value, name, 1, maximumBlockSize));
    } else if (name == "--accumulate") {
        options.accumulate = true;
    } else if (name == "--format") {
        formatName = value;
    }
}

Command parseRender(const std::vector<std::string>& args) {
    RenderOptions options;
    std::string formatName;
    const ScannedArguments scanned = scanArguments(
        "render", args, 1, renderOptions, [&](std::string_view name, const std::string& value) {
            applyRenderOption(options, formatName, name, value);
        });
    if (scanned.helpRequested) {
        return HelpRequest{"render"};
    }
    const auto& files = scanned.positionals;
    if (files.empty() || files.size() > 2) {
        throw usageError(files.empty() ? "render needs an OUTPUT file"
                                       : "render takes at most two files, INPUT and OUTPUT");
    }
    options.outputPath = files.back();
    if (files.size() == 2) {
        options.inputPath = files.front();
        if (options.length) {
            throw usageError("--bars and --seconds set the length of the built-in source; an "
                             "input file is rendered whole");
        }
        if (options.inputPath.empty()) {
            throw usageError("the INPUT file name is empty");
        }
    }
    if (options.outputPath.empty()) {
        throw usageError("the OUTPUT file name is empty");
    }
    if (options.length && options.length->unit == SourceLength::Unit::bars &&
        options.length->amount * options.meter.quarterNotesPerBar() * 60.0 / options.tempo >
            maximumRenderSeconds) {
        throw usageError("--bars: that many bars last longer than 24 hours");
    }
    options.outputFormat = outputFormatFor(options.outputPath, formatName);
    return options;
}

Command parseInfo(const std::vector<std::string>& args) {
    InfoOptions options;
    const ScannedArguments scanned = scanArguments(
        "info", args, 1, infoOptions, [&](std::string_view name, const std::string& value) {
            if (!applyStateOption(options.state, name, value)) {
                options.pluginPath = value;
            }
        });
    if (scanned.helpRequested) {
        return HelpRequest{"info"};
    }
    if (!scanned.positionals.empty()) {
        throw usageError("info takes no file arguments (the plug-in is given with --plugin)");
    }
    return options;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() &&
           lowerCase(text.substr(text.size() - ending.size())) == ending;
}

// What --save writes follows the file's extension, as hosts name these files.
PresetKind saveKindOf(const std::string& path) {
    if (endsWithIgnoringCase(path, ".fxb")) {
        return PresetKind::bank;
    }
    if (endsWithIgnoringCase(path, ".fxp")) {
        return PresetKind::program;
    }
    throw usageError("--save: the file must end in .fxb (the bank) or .fxp (the current "
                     "program): \"" +
                     path + "\"");
}

Command parseSnapshot(const std::vector<std::string>& args) {
    SnapshotOptions options;
    const ScannedArguments scanned = scanArguments(
        "snapshot", args, 1, snapshotOptions, [&](std::string_view name, const std::string& value) {
            if (applyStateOption(options.state, name, value)) {
                return;
            }
            if (name == "--plugin") {
                options.pluginPath = value;
            } else if (name == "--program") {
                options.program = parseProgramChoice(value);
            } else {
                options.levels = parseLevels(value);
            }
        });
    if (scanned.helpRequested) {
        return HelpRequest{"snapshot"};
    }
    if (scanned.positionals.size() != 1) {
        throw usageError(scanned.positionals.empty()
                             ? "snapshot needs an OUTPUT file"
                             : "snapshot takes one file, OUTPUT (the plug-in is given with "
                               "--plugin)");
    }
    options.outputPath = scanned.positionals.front();
    if (!endsWithIgnoringCase(options.outputPath, ".png")) {
        throw usageError("the snapshot is a PNG picture; OUTPUT must end in .png: \"" +
                         options.outputPath + "\"");
    }
    return options;
}

Command parseOpen(const std::vector<std::string>& args) {
    OpenOptions options;
    const ScannedArguments scanned = scanArguments(
        "open", args, 1, openOptions, [&](std::string_view name, const std::string& value) {
            if (applyStateOption(options.state, name, value)) {
                return;
            }
            if (name == "--plugin") {
                options.pluginPath = value;
            } else if (name == "--save") {
                options.savePath = value;
                options.saveKind = saveKindOf(value);
            } else {
                options.program = parseProgramChoice(value);
            }
        });
    if (scanned.helpRequested) {
        return HelpRequest{"open"};
    }
    if (!scanned.positionals.empty()) {
        throw usageError("open takes no file (the plug-in is given with --plugin)");
    }
    return options;
}

} // namespace

OutputFormat outputFormatFor(std::string_view outputPath, std::string_view formatName) {
    const auto dot = outputPath.rfind('.');
    const auto slash = outputPath.rfind('/');
    const bool hasExtension =
        dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
    const std::string extension = hasExtension ? lowerCase(outputPath.substr(dot)) : "";
    OutputFormat format;
    if (extension == ".wav") {
        format.fileType = FileType::wav;
        format.sampleFormat = SampleFormat::float32;
    } else if (extension == ".flac") {
        format.fileType = FileType::flac;
        format.sampleFormat = SampleFormat::pcm24;
    } else {
        throw usageError("the OUTPUT file must end in .wav or .flac: \"" + std::string(outputPath) +
                         "\"");
    }
    if (formatName.empty()) {
        return format;
    }
    const std::string name = lowerCase(formatName);
    if (name == "pcm16") {
        format.sampleFormat = SampleFormat::pcm16;
    } else if (name == "pcm24") {
        format.sampleFormat = SampleFormat::pcm24;
    } else if (name == "pcm32") {
        format.sampleFormat = SampleFormat::pcm32;
    } else if (name == "float") {
        format.sampleFormat = SampleFormat::float32;
    } else if (name == "double") {
        format.sampleFormat = SampleFormat::float64;
    } else {
        throw usageError("--format: expected float, double, pcm16, pcm24 or pcm32, got \"" +
                         std::string(formatName) + "\"");
    }
    const bool flacCanHoldIt =
        format.sampleFormat == SampleFormat::pcm16 || format.sampleFormat == SampleFormat::pcm24;
    if (format.fileType == FileType::flac && !flacCanHoldIt) {
        throw usageError("--format: FLAC files hold pcm16 or pcm24 samples, not \"" +
                         std::string(formatName) + "\"");
    }
    return format;
}

Command parseCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        throw usageError("no command given (try stepveil --help)");
    }
    const std::string& subcommand = arguments.front();
    if (subcommand == "--help" || subcommand == "-h" || subcommand == "help") {
        return HelpRequest{arguments.size() > 1 && subcommand == "help" ? arguments[1] : ""};
    }
    if (subcommand == "--version") {
        return VersionRequest{};
    }
    if (subcommand == "render") {
        return parseRender(arguments);
    }
    if (subcommand == "info") {
        return parseInfo(arguments);
    }
    if (subcommand == "snapshot") {
        return parseSnapshot(arguments);
    }
    if (subcommand == "open") {
        return parseOpen(arguments);
    }
    throw usageError("unknown command \"" + subcommand + "\" (try stepveil --help)");
}

} // namespace stepveil::tool

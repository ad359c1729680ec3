// The pure parts of the tool: the command line and the values in it, and finding a program
// by name. Each check is a mistake a user makes or a form a user writes.
#include "tools/CommandLine.h"
#include "tools/ProgramLookup.h"
#include "tools/ToolError.h"
#include "tools/ValueParsing.h"

#include <gtest/gtest.h>

namespace stepveil::tool {
namespace {

// Runs the call and expects a usage error whose message contains the text.
template <typename Call> void expectUsageError(Call call, const std::string& messagePart) {
    try {
        call();
        ADD_FAILURE() << "no error; expected one mentioning: " << messagePart;
    } catch (const ToolError& error) {
        EXPECT_EQ(error.status(), exitUsage);
        EXPECT_NE(std::string(error.what()).find(messagePart), std::string::npos) << error.what();
    }
}

RenderOptions parseRenderArguments(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "render");
    return std::get<RenderOptions>(parseCommandLine(arguments));
}

std::string levelList(const std::string& first, int count) {
    std::string text = first;
    for (int index = 1; index < count; ++index) {
        text += ",16";
    }
    return text;
}

TEST(LevelParsing, ThirtyTwoLevelsInThirtySecondsBecomeParameterValues) {
    const StepLevels levels = parseLevels(" 32, 0 ," + levelList("16.5", 30));
    EXPECT_EQ(levels[0], 1.0f);
    EXPECT_EQ(levels[1], 0.0f);
    EXPECT_FLOAT_EQ(levels[2], 16.5f / 32.0f);
    EXPECT_EQ(levels[31], 0.5f);
    EXPECT_EQ(formatLevels(levels).substr(0, 13), "32 0 16.50 16");
}

TEST(LevelParsing, WrongCountsAndValuesAreRefusedByPosition) {
    expectUsageError([] { parseLevels(levelList("16", 31)); }, "got 31");
    expectUsageError([] { parseLevels(levelList("16", 33)); }, "got 33");
    expectUsageError([] { parseLevels(""); }, "value 1: expected a number");
    expectUsageError([] { parseLevels(levelList("32.5", 32)); }, "value 1: \"32.5\" is outside");
    expectUsageError([] { parseLevels(levelList("-1", 32)); }, "outside 0..32");
    expectUsageError([] { parseLevels("16,," + levelList("16", 30)); }, "value 2");
    expectUsageError([] { parseLevels(levelList("1O", 32)); }, "expected a number, got \"1O\"");
}

TEST(MeterParsing, AcceptsPowersOfTwoBelowTheBarAndNothingElse) {
    EXPECT_EQ(parseMeter("6/8").quarterNotesPerBar(), 3.0);
    EXPECT_EQ(parseMeter("7 / 16").numerator, 7);
    EXPECT_EQ(parseMeter("64/64").denominator, 64);
    expectUsageError([] { parseMeter("4/3"); }, "must be 1, 2, 4");
    expectUsageError([] { parseMeter("4/0"); }, "outside 1..64");
    expectUsageError([] { parseMeter("0/4"); }, "outside 1..64");
    expectUsageError([] { parseMeter("65/4"); }, "outside 1..64");
    expectUsageError([] { parseMeter("4"); }, "such as 4/4");
    expectUsageError([] { parseMeter("4/4/4"); }, "such as 4/4");
    expectUsageError([] { parseMeter("-4/4"); }, "such as 4/4");
    expectUsageError([] { parseMeter("99999999999999999999/4"); }, "outside");
}

TEST(NumberParsing, RefusesWhatIsNotAFiniteNumber) {
    EXPECT_EQ(parseNumber("+5", "--tempo"), 5.0);
    EXPECT_EQ(parseNumber("1e2", "--tempo"), 100.0);
    for (const char* text : {"", "nan", "inf", "-inf", "5x", "0x10", " 5", "1e999"}) {
        expectUsageError([&] { parseNumber(text, "--tempo"); }, "--tempo: expected a number");
    }
}

TEST(RenderCommandLine, ReadsEveryOptionInBothSpellings) {
    const RenderOptions options = parseRenderArguments(
        {"--plugin=/p.so", "--program", "German Mask", "--tempo=98.5", "--meter", "6/8", "--start",
         "-2", "--rate", "48000", "--bars", "3", "--block=64", "--accumulate", "out.WAV"});
    EXPECT_EQ(options.pluginPath, "/p.so");
    ASSERT_TRUE(options.program);
    EXPECT_FALSE(options.program->number);
    EXPECT_EQ(options.program->name, "German Mask");
    EXPECT_EQ(options.tempo, 98.5);
    EXPECT_EQ(options.meter.numerator, 6);
    EXPECT_EQ(options.startPosition, -2.0);
    EXPECT_EQ(options.sampleRate, 48000);
    ASSERT_TRUE(options.length);
    EXPECT_EQ(options.length->unit, SourceLength::Unit::bars);
    EXPECT_EQ(options.blockSize, 64);
    EXPECT_TRUE(options.accumulate);
    EXPECT_TRUE(options.inputPath.empty());
    EXPECT_EQ(options.outputPath, "out.WAV");
    EXPECT_EQ(options.outputFormat.sampleFormat, SampleFormat::float32);
}

TEST(RenderCommandLine, DefaultsAndFileArguments) {
    const RenderOptions defaults = parseRenderArguments({"in.aiff", "out.flac"});
    EXPECT_FALSE(defaults.program) << "the bank's current program, or the first";
    EXPECT_EQ(defaults.tempo, 120.0);
    EXPECT_EQ(defaults.meter.denominator, 4);
    EXPECT_EQ(defaults.blockSize, 512);
    EXPECT_FALSE(defaults.sampleRate);
    EXPECT_EQ(defaults.inputPath, "in.aiff");
    EXPECT_EQ(defaults.outputFormat.fileType, FileType::flac);
    EXPECT_EQ(defaults.outputFormat.sampleFormat, SampleFormat::pcm24);

    // After "--" a name that starts with a dash is a file, not an option.
    const RenderOptions dashed = parseRenderArguments({"--program", "8", "--", "-in.wav", "o.wav"});
    EXPECT_EQ(dashed.program.value().number, 8);
    EXPECT_EQ(dashed.inputPath, "-in.wav");
    // The extension is the last one of the file name, not of a folder.
    expectUsageError([] { parseRenderArguments({"takes.wav/out"}); }, "must end in .wav");
}

TEST(RenderCommandLine, ConflictingOrMeaninglessCombinationsAreRefused) {
    expectUsageError(
        [] {
            parseRenderArguments({"--seconds", "2", "--bars", "1", "o.wav"});
        },
        "not both");
    expectUsageError(
        [] {
            parseRenderArguments({"--seconds", "1", "in.wav", "o.wav"});
        },
        "input file is rendered whole");
    expectUsageError([] { parseRenderArguments({"--bars", "0", "o.wav"}); }, "more than 0");
    expectUsageError([] { parseRenderArguments({"--seconds", "90000", "o.wav"}); }, "outside");
    expectUsageError(
        [] {
            parseRenderArguments({"--bars", "20000", "--tempo", "1", "o.wav"});
        },
        "longer than 24 hours");
    expectUsageError([] { parseRenderArguments({"--rate", "44100.5", "o.wav"}); }, "whole number");
    expectUsageError([] { parseRenderArguments({"--block", "65537", "o.wav"}); }, "outside");
    expectUsageError(
        [] {
            parseRenderArguments({"--format", "pcm32", "o.flac"});
        },
        "pcm16 or pcm24");
    expectUsageError([] { parseRenderArguments({"--program", "", "o.wav"}); }, "--program");
    expectUsageError([] { parseRenderArguments({""}); }, "OUTPUT file name is empty");
}

TEST(CommandLine, HelpAndVersionNeedNothingElse) {
    EXPECT_EQ(std::get<HelpRequest>(parseCommandLine({"-h"})).topic, "");
    EXPECT_EQ(std::get<HelpRequest>(parseCommandLine({"help", "render"})).topic, "render");
    EXPECT_EQ(std::get<HelpRequest>(parseCommandLine({"info", "--help"})).topic, "info");
    // --help wins over the errors of the rest of the line.
    EXPECT_EQ(std::get<HelpRequest>(parseCommandLine({"render", "--help"})).topic, "render");
    EXPECT_TRUE(std::holds_alternative<VersionRequest>(parseCommandLine({"--version"})));
    EXPECT_EQ(std::get<InfoOptions>(parseCommandLine({"info", "--plugin", "x.so"})).pluginPath,
              "x.so");
}

TEST(ProgramLookup, FindsByNumberExactNameOrNameInAnyCase) {
    const std::vector<std::string> names{"Quick Move", "quick move", "Full Level"};
    EXPECT_EQ(resolveProgram({2, {}}, names), 2);
    EXPECT_EQ(resolveProgram({std::nullopt, "quick move"}, names), 1);
    EXPECT_EQ(resolveProgram({std::nullopt, "FULL LEVEL"}, names), 2);
    expectUsageError([&] { resolveProgram({3, {}}, names); }, "programs 0..2");
    expectUsageError(
        [&] {
            resolveProgram({std::nullopt, "Full"}, names), void();
        },
        "2 \"Full Level\"");
    expectUsageError([] { resolveProgram({0, {}}, {}); }, "has no programs");
}

} // namespace
} // namespace stepveil::tool

// What the user sees when something is wrong: the exit status (2 for the command line, 1 for
// files and the plug-in), a message that names the problem, and no output file.
#include "AudioFiles.h"
#include "ToolProcess.h"

#include <gtest/gtest.h>

#include <sndfile.h>
#include <unistd.h>

#include <csignal>

namespace {

class ToolErrors : public ::testing::Test {
protected:
    // Expects the run to fail with the given status and a message containing the text.
    static void expectFailure(const std::vector<std::string>& arguments, int exitStatus,
                              const std::string& messagePart) {
        const ToolRun run = runStepveil(arguments);
        EXPECT_EQ(run.exitStatus, exitStatus) << run.err;
        EXPECT_NE(run.err.find(messagePart), std::string::npos)
            << "message: " << run.err << "expected to contain: " << messagePart;
        EXPECT_EQ(run.err.find("terminate called"), std::string::npos) << run.err;
    }

    std::string stereoInput() {
        const std::string path = folder.path("in.wav");
        writeAudio(path, makeTestSignal(2, 44100, 1000));
        return path;
    }

    ScratchFolder folder;
};

TEST_F(ToolErrors, MalformedCommandLinesExitWithStatusTwo) {
    const std::string out = folder.path("out.wav");
    expectFailure({}, 2, "no command");
    expectFailure({"mangle", out}, 2, "unknown command \"mangle\"");
    expectFailure({"render"}, 2, "needs an OUTPUT");
    expectFailure({"render", "a.wav", "b.wav", out}, 2, "at most two files");
    expectFailure({"render", "--volume", "3", out}, 2, "unknown option --volume");
    expectFailure({"render", out, "--tempo"}, 2, "--tempo needs a value");
    expectFailure({"render", "--accumulate=yes", out}, 2, "takes no value");
    expectFailure({"render", folder.path("out.mp3")}, 2, "must end in .wav or .flac");
    expectFailure({"render", "--format", "float", folder.path("out.flac")}, 2, "pcm16 or pcm24");
    expectFailure({"render", "--format", "pcm12", out}, 2, "--format");
    expectFailure({"render", "--bars", "2", "--seconds", "3", out}, 2, "not both");
    expectFailure({"render", "--bars", "2", stereoInput(), out}, 2, "built-in source");
    expectFailure({"render", "--block", "0", out}, 2, "--block");
    expectFailure({"render", "--rate", "48000", stereoInput(), out}, 2, "does not resample");
    expectFailure({"info", "extra"}, 2, "no file arguments");
    expectFailure({"render", "--bank=", out}, 2, "--bank: expected a file name");
    expectFailure({"open", "--save", folder.path("bank.txt")}, 2, "must end in .fxb");
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"in.wav"});
}

TEST_F(ToolErrors, BadTempoMetreAndLevelsAreUsageErrors) {
    const std::string out = folder.path("out.wav");
    expectFailure({"render", "--tempo", "0", out}, 2, "--tempo: \"0\" is outside 1..1000");
    expectFailure({"render", "--tempo", "fast", out}, 2, "expected a number");
    expectFailure({"render", "--tempo", "nan", out}, 2, "expected a number");
    expectFailure({"render", "--meter", "4/3", out}, 2, "must be 1, 2, 4, 8");
    expectFailure({"render", "--meter", "0/4", out}, 2, "--meter beats per bar");
    expectFailure({"render", "--meter", "waltz", out}, 2, "such as 4/4");
    expectFailure({"render", "--levels", "32,0", out}, 2, "expected 32 comma-separated levels");
    std::string tooHigh = "33";
    for (int step = 1; step < 32; ++step) {
        tooHigh += ",16";
    }
    expectFailure({"render", "--levels", tooHigh, out}, 2, "value 1: \"33\" is outside 0..32");
    EXPECT_TRUE(folder.fileNames().empty());
}

TEST_F(ToolErrors, UnknownProgramsAreNamedWithTheChoices) {
    const std::string out = folder.path("out.wav");
    expectFailure({"render", "--program", "Loud Mask", out}, 2, "no program is named");
    expectFailure({"render", "--program", "Loud Mask", out}, 2, "\"Quick Move\"");
    expectFailure({"render", "--program", "32", out}, 2, "programs 0..31");
    EXPECT_TRUE(folder.fileNames().empty());
}

TEST_F(ToolErrors, MissingOrForeignFilesExitWithStatusOne) {
    const std::string out = folder.path("out.wav");
    const std::string text = folder.path("notes.txt");
    writeTextFile(text, "not audio, not a plug-in\n");

    expectFailure({"render", folder.path("missing.wav"), out}, 1, "No such file");
    expectFailure({"render", text, out}, 1, "as audio");
    expectFailure({"render", folder.path(""), out}, 1, "is a directory");
    expectFailure({"render", "--plugin", text, out}, 1, "cannot load the plug-in");
    expectFailure({"render", "--plugin", "/bin/ls", out}, 1, "cannot load the plug-in");
    expectFailure({"info", "--plugin", folder.path("none.so")}, 1, "cannot load the plug-in");
    expectFailure({"render", folder.path("no/such/folder/out.wav")}, 1, "cannot write");
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"notes.txt"});
}

TEST_F(ToolErrors, MoreThanTwoChannelsIsRefused) {
    const std::string input = folder.path("surround.wav");
    writeAudio(input, makeTestSignal(3, 44100, 100));
    expectFailure({"render", input, folder.path("out.wav")}, 1, "has 3 channels");
    EXPECT_FALSE(fileExists(folder.path("out.wav")));
}

TEST_F(ToolErrors, AFailedRenderLeavesAnEarlierOutputAndNoLeftovers) {
    const std::string out = folder.path("out.wav");
    writeTextFile(out, "earlier result");
    const std::string input = stereoInput();
    const std::string text = folder.path("notes.txt");
    writeTextFile(text, "x");

    expectFailure({"render", "--plugin", text, input, out}, 1, "cannot load");
    expectFailure({"render", "--program", "Nope", input, out}, 2, "no program");
    expectFailure({"render", "--format", "pcm16", input, folder.path("out.flac/")}, 2, "must end");
    EXPECT_EQ(readTextFile(out), "earlier result");
    EXPECT_EQ(folder.fileNames(), (std::vector<std::string>{"in.wav", "notes.txt", "out.wav"}));
}

} // namespace

namespace {

bool hasTemporaryOutput(const ScratchFolder& folder) {
    for (const auto& name : folder.fileNames()) {
        if (name.rfind(".out.wav.", 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST(ToolInterruption, CtrlCDuringARenderRemovesTheUnfinishedFile) {
    ScratchFolder folder;
    writeTextFile(folder.path("out.wav"), "earlier result");
    // A day of audio: far more than the render can finish before it is interrupted.
    RunningTool tool({"render", "--seconds", "86400", "--rate", "8000", folder.path("out.wav")});
    // Waits (boundedly) until the render has made its temporary file, so the signal arrives
    // while the render loop runs.
    for (int attempt = 0; attempt < 6000 && !hasTemporaryOutput(folder); ++attempt) {
        usleep(10000);
    }
    ASSERT_TRUE(hasTemporaryOutput(folder));
    tool.sendSignal(SIGINT);
    const ToolRun run = tool.wait();

    EXPECT_EQ(run.exitStatus, 130) << run.err;
    EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"out.wav"});
    EXPECT_EQ(readTextFile(folder.path("out.wav")), "earlier result");
}

} // namespace

// `stepveil snapshot` end to end: the built plug-in's editor opened by the tool in a window
// of its own, pictured without a screen, and the mistakes a user can make.
#include "ToolProcess.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// Width and height from a PNG file's header, or zeros when it is no PNG.
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) {
        return {0, 0};
    }
    auto bigEndian = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t index = 0; index < 4; ++index) {
            value = value << 8 | static_cast<unsigned char>(bytes[at + index]);
        }
        return value;
    };
    return {bigEndian(16), bigEndian(20)};
}

class Snapshot : public ::testing::Test {
protected:
    std::string snapshot(std::vector<std::string> arguments, const std::string& name) {
        arguments.insert(arguments.begin(), "snapshot");
        arguments.push_back(folder.path(name));
        const ToolRun run = runStepveil(arguments);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_NE(run.out.find("562 x 200"), std::string::npos) << run.out;
        return readTextFile(folder.path(name));
    }

    ScratchFolder folder;
};

TEST_F(Snapshot, SavesTheEditorAsAPictureOfItsSize) {
    const std::string picture = snapshot({}, "editor.png");
    EXPECT_EQ(pngSize(picture), (std::pair<std::uint32_t, std::uint32_t>{562, 200}));
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"editor.png"}) << "no leftovers";
}

TEST_F(Snapshot, ShowsTheChosenProgramAndLevels) {
    const std::string first = snapshot({"--program", "0"}, "first.png");
    const std::string again = snapshot({}, "again.png");
    const std::string stutter = snapshot({"--program", "total stutter"}, "stutter.png");
    std::string silent = "0";
    for (int step = 1; step < 32; ++step) {
        silent += ",0";
    }
    const std::string levels = snapshot({"--levels", silent}, "silent.png");
    EXPECT_EQ(first, again) << "the same levels give the same picture";
    EXPECT_NE(first, stutter);
    EXPECT_NE(first, levels);
}

TEST_F(Snapshot, MistakesAreReportedAndLeaveNoFile) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string messagePart;
    };
    const Case cases[] = {
        {{"snapshot"}, 2, "needs an OUTPUT"},
        {{"snapshot", folder.path("editor.jpg")}, 2, "must end in .png"},
        {{"snapshot", "--program", "No Such Program", folder.path("a.png")}, 2, "No Such Program"},
        {{"snapshot", "--levels", "1,2,3", folder.path("a.png")}, 2, "--levels"},
        {{"snapshot", folder.path("a.png"), folder.path("b.png")}, 2, "one file"},
        {{"snapshot", folder.path("missing/a.png")}, 1, "cannot write"},
        {{"snapshot", "--plugin", folder.path("none.so"), folder.path("a.png")}, 1, "none.so"},
    };
    for (const Case& example : cases) {
        const ToolRun run = runStepveil(example.arguments);
        EXPECT_EQ(run.exitStatus, example.status) << example.arguments.back() << run.err;
        EXPECT_NE(run.err.find(example.messagePart), std::string::npos) << run.err;
    }
    EXPECT_TRUE(folder.fileNames().empty());
    EXPECT_NE(runStepveil({"help", "snapshot"}).out.find("OUTPUT.png"), std::string::npos);
}

} // namespace

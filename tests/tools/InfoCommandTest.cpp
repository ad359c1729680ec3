// `stepveil info` and --help: what a user reads before rendering anything.
#include "ToolProcess.h"

#include <gtest/gtest.h>

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(InfoCommand, ListsIdentityProgramsAndParameters) {
    const ToolRun run = runStepveil({"info"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Ovrin Audio")) << run.out;
    EXPECT_TRUE(contains(run.out, "Channels     2 in, 2 out")) << run.out;
    EXPECT_TRUE(contains(run.out, "Programs (32)")) << run.out;
    EXPECT_TRUE(contains(run.out, "   0  Quick Move               32 16 16  0")) << run.out;
    EXPECT_TRUE(contains(run.out, "  31  User 16")) << run.out;
    EXPECT_TRUE(contains(run.out, "Level 1 [dB]")) << run.out;
    EXPECT_TRUE(contains(run.out, "Level 32")) << run.out;
    EXPECT_TRUE(run.err.empty()) << run.err;
}

TEST(InfoCommand, HelpIsAvailableForEveryCommand) {
    const ToolRun overview = runStepveil({"--help"});
    EXPECT_EQ(overview.exitStatus, 0);
    EXPECT_TRUE(contains(overview.out, "render [OPTIONS] [INPUT] OUTPUT"));

    const ToolRun render = runStepveil({"render", "--help"});
    EXPECT_EQ(render.exitStatus, 0);
    EXPECT_TRUE(contains(render.out, "--levels"));

    const ToolRun info = runStepveil({"help", "info"});
    EXPECT_EQ(info.exitStatus, 0);
    EXPECT_TRUE(contains(info.out, "stepveil info [--plugin PATH]"));
}

} // namespace

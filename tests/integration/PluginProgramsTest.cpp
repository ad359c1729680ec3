// Programs and parameters as a host sees them: the factory patterns by name and level, the
// parameter texts, and edits that stay with their program.
#include "PluginFixture.h"

#include <array>
#include <string>

namespace stepveil::test {
namespace {

struct FactoryProgram {
    const char* name;
    std::array<int, 32> levelsIn32nds;
};

// The factory patterns, steps 1 to 32, in units of 1/32.
const FactoryProgram factoryPrograms[16] = {
    {"Quick Move", {32, 16, 16, 0, 32, 16, 16, 0, 32, 16, 16, 0, 32, 16, 16, 0,
                    32, 16, 16, 0, 32, 16, 16, 0, 32, 16, 16, 0, 32, 16, 16, 0}},
    {"Slow Move", {32, 32, 16, 16, 16, 16, 0, 0, 32, 32, 16, 16, 16, 16, 0, 0,
                   32, 32, 16, 16, 16, 16, 0, 0, 32, 32, 16, 16, 16, 16, 0, 0}},
    {"Biker", {32, 0, 32, 0, 0,  0, 32, 0, 32, 0, 0,  0, 32, 0, 32, 0,
               32, 0, 32, 0, 32, 0, 0,  0, 32, 0, 32, 0, 0,  0, 32, 0}},
    {"Rider", {32, 0, 32, 0, 32, 0, 0, 0, 32, 0, 32, 0, 32, 0, 0, 0,
               32, 0, 32, 0, 32, 0, 0, 0, 32, 0, 24, 0, 16, 0, 8, 0}},
    {"Rocking", {32, 32, 0, 0, 32, 32, 0,  0, 32, 0, 32, 0,  32, 32, 0,  0,
                 32, 32, 0, 0, 32, 0,  32, 0, 32, 0, 32, 32, 32, 0,  32, 0}},
    {"Dancing", {32, 0,  32, 0, 32, 32, 0, 0, 32, 0, 32, 32, 0, 0, 32, 0,
                 32, 32, 0,  0, 32, 32, 0, 0, 32, 0, 32, 32, 0, 0, 32, 0}},
    {"Fade In Loop", {32, 28, 24, 20, 16, 12, 8,  0, 8,  0, 10, 0, 12, 0, 14, 0,
                      16, 0,  18, 0,  20, 0,  22, 0, 24, 0, 26, 0, 28, 0, 30, 0}},
    {"Fade Out Loop", {32, 0, 30, 0, 28, 0, 26, 0, 24, 0, 22, 0,  20, 0,  18, 0,
                       16, 0, 14, 0, 12, 0, 10, 0, 8,  0, 8,  12, 16, 20, 24, 28}},
    {"Total Stutter", {32, 0, 32, 0, 32, 0, 32, 0, 32, 0, 32, 0, 32, 0, 32, 0,
                       32, 0, 32, 0, 32, 0, 32, 0, 32, 0, 32, 0, 32, 0, 32, 0}},
    {"German Mask", {32, 0, 32, 0, 32, 32, 32, 0, 32, 0, 32, 0, 32, 32, 32, 0,
                     32, 0, 32, 0, 32, 32, 32, 0, 32, 0, 32, 0, 32, 32, 32, 0}},
    {"Gutted", {32, 32, 32, 32, 32, 0,  32, 0, 32, 0, 32, 0, 32, 32, 32, 32,
                32, 0,  32, 0,  32, 32, 32, 0, 32, 0, 32, 0, 32, 0,  32, 32}},
    {"Eight gate", {32, 32, 32, 32, 0, 0, 0, 0, 32, 32, 32, 32, 0, 0, 0, 0,
                    32, 32, 32, 32, 0, 0, 0, 0, 32, 32, 32, 32, 0, 0, 0, 0}},
    {"Tamsel 1", {32, 32, 0, 0, 0,  0,  0, 0, 32, 32, 0, 0, 32, 32, 0,  0,
                  32, 32, 0, 0, 32, 32, 0, 0, 32, 32, 0, 0, 32, 32, 32, 32}},
    {"Tamsel 2", {32, 32, 0, 0, 32, 32, 0,  0,  32, 32, 0, 0, 32, 32, 0, 0,
                  32, 32, 0, 0, 32, 32, 32, 32, 32, 32, 0, 0, 32, 32, 0, 0}},
    {"Total Silence", {}},
    {"Full Level", {32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32,
                    32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32}},
};

TEST_F(PluginTest, StartsOnTheFirstFactoryProgram) {
    EXPECT_EQ(plugin->program(), 0);
    EXPECT_EQ(plugin->programName(), "Quick Move");
    EXPECT_EQ(plugin->getParameter(0), 1.0f);
    EXPECT_EQ(plugin->getParameter(1), 0.5f);
    EXPECT_EQ(plugin->getParameter(3), 0.0f);
}

TEST_F(PluginTest, FactoryProgramsHaveTheirNamesAndLevels) {
    for (vst2::int32 index = 0; index < 16; ++index) {
        const FactoryProgram& expected = factoryPrograms[index];
        char name[256] = {};
        EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, index, 0, name), 1);
        EXPECT_STREQ(name, expected.name);
        plugin->setProgram(index);
        EXPECT_EQ(plugin->program(), index);
        EXPECT_EQ(plugin->programName(), expected.name);
        for (vst2::int32 step = 0; step < 32; ++step) {
            EXPECT_EQ(plugin->getParameter(step),
                      static_cast<float>(expected.levelsIn32nds[static_cast<std::size_t>(step)]) /
                          32.0f)
                << expected.name << ", step " << step + 1;
        }
    }
}

TEST_F(PluginTest, UserProgramsStartHalfOpen) {
    for (vst2::int32 index = 16; index < 32; ++index) {
        const std::string name = "User " + std::to_string(index - 15);
        EXPECT_EQ(plugin->programNameIndexed(index), name);
        plugin->setProgram(index);
        EXPECT_EQ(plugin->programName(), name);
        for (vst2::int32 step = 0; step < 32; ++step) {
            EXPECT_EQ(plugin->getParameter(step), 0.5f) << name << ", step " << step + 1;
        }
    }
}

TEST_F(PluginTest, RefusesProgramsOutsideTheBank) {
    plugin->setProgram(12);
    char untouched[256] = {};
    EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, 32, 0, untouched), 0);
    EXPECT_EQ(plugin->dispatch(effGetProgramNameIndexed, -1, 0, untouched), 0);
    EXPECT_STREQ(untouched, "");
    EXPECT_EQ(plugin->dispatch(effSetProgram, 0, 32), 0);
    EXPECT_EQ(plugin->dispatch(effSetProgram, 0, -1), 0);
    EXPECT_EQ(plugin->program(), 12);
    EXPECT_EQ(plugin->programName(), "Tamsel 1");
}

TEST_F(PluginTest, ParametersAreNamedLevelsInDecibels) {
    for (vst2::int32 index = 0; index < 32; ++index) {
        EXPECT_EQ(plugin->parameterName(index), "Level " + std::to_string(index + 1));
        EXPECT_EQ(plugin->parameterLabel(index), "dB");
    }
    struct Display {
        float level;
        const char* text;
    };
    for (const Display& display : {Display{1.0f, "0.000000"}, Display{0.5f, "-6.02059"},
                                   Display{0.25f, "-12.0411"}, Display{0.0f, "-oo"}}) {
        plugin->setParameter(9, display.level);
        EXPECT_EQ(plugin->parameterDisplay(9), display.text) << display.level;
    }
}

TEST_F(PluginTest, EditsStayWithTheirProgram) {
    plugin->setProgram(20);
    plugin->setParameter(5, 0.125f);
    plugin->setProgramName("My Pattern");
    plugin->setProgram(14);
    EXPECT_EQ(plugin->getParameter(5), 0.0f);
    plugin->setProgram(20);
    EXPECT_EQ(plugin->getParameter(5), 0.125f);
    EXPECT_EQ(plugin->programName(), "My Pattern");
    EXPECT_EQ(plugin->programNameIndexed(20), "My Pattern");

    const std::string longest(23, 'x');
    plugin->setProgramName(longest);
    EXPECT_EQ(plugin->programName(), longest);
    // A longer name must not spill into the next program or beyond the 24-byte field.
    plugin->setProgramName(std::string(100, 'y'));
    EXPECT_LE(plugin->programName().size(), 23u);
    EXPECT_EQ(plugin->programNameIndexed(21), "User 6");
}

TEST_F(PluginTest, ParameterIndexesOutsideTheStepsChangeNothing) {
    plugin->setProgram(15);
    plugin->setParameter(32, 0.25f);
    plugin->setParameter(-1, 0.25f);
    plugin->setParameter(1000000, 0.25f);
    for (vst2::int32 step = 0; step < 32; ++step) {
        EXPECT_EQ(plugin->getParameter(step), 1.0f) << "step " << step + 1;
    }
    // Reading outside the steps must not crash; the texts stay within the interface's limit.
    plugin->getParameter(32);
    plugin->getParameter(-1);
    EXPECT_LE(plugin->parameterDisplay(32).size(), 8u);
    EXPECT_LE(plugin->parameterName(-1).size(), 8u);
    plugin->setProgram(16);
    EXPECT_EQ(plugin->getParameter(0), 0.5f) << "the neighbouring program is untouched";
}

} // namespace
} // namespace stepveil::test

// What a host keeps of the plug-in when it saves a song, and what the plug-in makes of it when
// the song is opened again: the bank and the current program as chunks, through the plug-in
// file as a host loads it. The layout read here is the one docs/ARCHITECTURE.md documents.
#include "PluginFixture.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace stepveil::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Offsets of the documented layout: a 20-byte header, then for a bank the program count and
// the current program, then the program records (name length, name, level count, levels).
constexpr std::size_t headerSize = 20;
constexpr std::size_t firstRecord = headerSize + 8;

Bytes chunkOf(host::HostedPlugin& plugin, bool isPreset) {
    void* data = nullptr;
    const auto size = plugin.dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return Bytes(bytes, bytes + size);
}

vst2::intptr restore(host::HostedPlugin& plugin, Bytes bytes, bool isPreset,
                     vst2::intptr sizeGiven = -1) {
    return plugin.dispatch(effSetChunk, isPreset ? 1 : 0,
                           sizeGiven < 0 ? static_cast<vst2::intptr>(bytes.size()) : sizeGiven,
                           bytes.data());
}

std::uint32_t read32(const Bytes& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | bytes[offset + static_cast<std::size_t>(i)];
    }
    return value;
}

void write32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void writeFloat(Bytes& bytes, std::size_t offset, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    write32(bytes, offset, bits);
}

std::unique_ptr<host::HostedPlugin> freshInstance() {
    host::LoadResult loaded = host::HostedPlugin::load(pluginFile());
    EXPECT_TRUE(loaded) << loaded.error;
    return std::move(loaded.plugin);
}

std::vector<float> levelsOf(host::HostedPlugin& plugin, vst2::int32 program) {
    plugin.setProgram(program);
    std::vector<float> levels;
    for (vst2::int32 step = 0; step < 32; ++step) {
        levels.push_back(plugin.getParameter(step));
    }
    return levels;
}

// The user's session: a pattern of their own in "User 5", "User 8" renamed, and the current
// program "Total Stutter" with step 2 raised from silence.
std::vector<float> makeUserSession(host::HostedPlugin& plugin) {
    std::vector<float> pattern;
    plugin.setProgram(20);
    for (vst2::int32 step = 0; step < 32; ++step) {
        pattern.push_back(static_cast<float>((step * 7) % 33) / 32.0f);
        plugin.setParameter(step, pattern.back());
    }
    plugin.setProgram(23);
    plugin.setProgramName("My Stutter");
    plugin.setProgram(8);
    plugin.setParameter(1, 0.75f);
    return pattern;
}

TEST_F(PluginTest, ASavedBankComesBackWholeInAFreshInstance) {
    const std::vector<float> pattern = makeUserSession(*plugin);
    const Bytes bank = chunkOf(*plugin, false);
    ASSERT_GT(bank.size(), firstRecord);
    EXPECT_EQ(std::string(bank.begin(), bank.begin() + 4), "Svck");

    auto reopened = freshInstance();
    ASSERT_TRUE(reopened);
    EXPECT_EQ(restore(*reopened, bank, false), 1);
    EXPECT_EQ(reopened->program(), 8);
    EXPECT_EQ(reopened->programName(), "Total Stutter");
    EXPECT_EQ(reopened->getParameter(1), 0.75f) << "the edit of the current program is live";
    EXPECT_EQ(reopened->getParameter(0), 1.0f);
    EXPECT_EQ(reopened->programNameIndexed(23), "My Stutter");
    EXPECT_TRUE(chunkOf(*reopened, false) == bank) << "every program, name and level is the same";
    EXPECT_EQ(levelsOf(*reopened, 20), pattern);
    EXPECT_EQ(levelsOf(*reopened, 8)[1], 0.75f);

    // One program: the current one goes into whichever program the other instance has
    // selected, name and levels; the rest of its bank stays.
    const Bytes program = chunkOf(*plugin, true);
    reopened->setProgram(30);
    EXPECT_EQ(restore(*reopened, program, true), 1);
    EXPECT_EQ(reopened->programName(), "Total Stutter");
    EXPECT_EQ(reopened->getParameter(1), 0.75f);
    EXPECT_EQ(reopened->programNameIndexed(29), "User 14");
    EXPECT_EQ(reopened->programNameIndexed(8), "Total Stutter");
}

TEST_F(PluginTest, LongNamesInAChunkAreCutAsARenameCutsThem) {
    plugin->setProgramName("Short");
    Bytes program = chunkOf(*plugin, true);
    ASSERT_EQ(read32(program, headerSize), 5u);
    const std::string longName(40, 'n');
    Bytes longer(program.begin(), program.begin() + headerSize + 4);
    longer.insert(longer.end(), longName.begin(), longName.end());
    longer.insert(longer.end(), program.begin() + headerSize + 4 + 5, program.end());
    write32(longer, headerSize, 40);
    write32(longer, 16, static_cast<std::uint32_t>(longer.size() - headerSize));

    plugin->setProgram(3);
    EXPECT_EQ(restore(*plugin, longer, true), 1);
    EXPECT_EQ(plugin->programName(), std::string(23, 'n'));
    EXPECT_EQ(plugin->programNameIndexed(4), "Rocking");
}

// Each case spoils a good chunk in one way; none of them may change anything.
TEST_F(PluginTest, EveryKindOfBadChunkIsRefusedAndChangesNothing) {
    makeUserSession(*plugin);
    const Bytes bank = chunkOf(*plugin, false);
    const Bytes program = chunkOf(*plugin, true);
    const std::size_t firstLevel = firstRecord + 4 + read32(bank, firstRecord) + 4;
    const float notANumber = std::numeric_limits<float>::quiet_NaN();

    struct Case {
        const char* fault;
        bool isPreset;
        std::function<void(Bytes&)> spoil;
        vst2::intptr sizeGiven = -1; // the true size unless given
    };
    const std::vector<Case> cases = {
        {"empty", false, [](Bytes& b) { b.clear(); }},
        {"another magic", false, [](Bytes& b) { b[0] = 'X'; }},
        {"a layout version this build does not know", false, [](Bytes& b) { write32(b, 4, 2); }},
        {"another plug-in's", false, [](Bytes& b) { write32(b, 8, 0x4F565376); }},
        {"a program chunk given as the bank", false, [&](Bytes& b) { b = program; }},
        {"the bank given as a program", true, [&](Bytes& b) { b = bank; }},
        {"cut off by one byte", false, [](Bytes& b) { b.pop_back(); }},
        {"cut off inside the header", false, [](Bytes& b) { b.resize(12); }},
        {"a byte more than its lengths say", false, [](Bytes& b) { b.push_back(0); }},
        {"a byte more, body length to match", false,
         [](Bytes& b) {
             b.push_back(0);
             write32(b, 16, read32(b, 16) + 1);
         }},
        {"a size smaller than the data", false, [](Bytes&) {},
         static_cast<vst2::intptr>(bank.size() - 1)},
        {"31 programs", false, [](Bytes& b) { write32(b, headerSize, 31); }},
        {"current program 32", false, [](Bytes& b) { write32(b, headerSize + 4, 32); }},
        {"a name running past the end", false,
         [](Bytes& b) { write32(b, firstRecord, 0xFFFFFFF0u); }},
        {"31 levels in a program", false, [&](Bytes& b) { write32(b, firstLevel - 4, 31); }},
        {"a level that is not a number", false,
         [&](Bytes& b) { writeFloat(b, firstLevel + 8, notANumber); }},
        {"a level above full", false, [&](Bytes& b) { writeFloat(b, firstLevel, 1.5f); }},
        {"a level below silence", false, [&](Bytes& b) { writeFloat(b, firstLevel, -0.25f); }},
        {"a program level that is infinite", true,
         [](Bytes& b) { writeFloat(b, b.size() - 4, std::numeric_limits<float>::infinity()); }},
    };

    plugin->setProgram(5);
    const Bytes before = chunkOf(*plugin, false);
    const std::vector<float> liveBefore = levelsOf(*plugin, 5);
    for (const Case& bad : cases) {
        Bytes spoilt = bad.isPreset ? program : bank;
        bad.spoil(spoilt);
        EXPECT_EQ(restore(*plugin, spoilt, bad.isPreset, bad.sizeGiven), 0) << bad.fault;
        EXPECT_TRUE(chunkOf(*plugin, false) == before) << bad.fault;
        EXPECT_EQ(levelsOf(*plugin, 5), liveBefore) << bad.fault;
    }
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, 16, nullptr), 0) << "no data";
    // The unspoilt chunks are taken, so the refusals above are the faults' doing.
    EXPECT_EQ(restore(*plugin, bank, false), 1);
    EXPECT_EQ(restore(*plugin, program, true), 1);
}

} // namespace
} // namespace stepveil::test

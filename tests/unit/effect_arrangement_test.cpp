// Speaker-arrangement blocks: allocation, copying and the faults the operations must not have.
#include "effect_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

class EffectArrangementTest : public ::testing::Test {
protected:
    ~EffectArrangementTest() override {
        effect.deallocateArrangement(&holder);
        effect.deallocateArrangement(&source);
    }

    // A source whose speakers differ in every field; bytes after each name's terminator are
    // zero, as in a block the effect allocates.
    void makeSource(vst2::int32 channels) {
        ASSERT_TRUE(effect.allocateArrangement(&source, channels));
        source->type = 5;
        for (vst2::int32 i = 0; i < channels; ++i) {
            VstSpeakerProperties& speaker = source->speakers[i];
            speaker.azimuth = 0.5f + static_cast<float>(i);
            speaker.elevation = -0.25f;
            speaker.radius = 2.0f;
            speaker.reserved = 3.0f;
            std::snprintf(speaker.name, sizeof speaker.name, "Speaker %d", static_cast<int>(i));
            speaker.type = 10 + i;
            std::memset(speaker.future, 0x5A + i, sizeof speaker.future);
        }
    }

    EffectLog log;
    RecordingEffect effect{log, nullptr};
    VstSpeakerArrangement* holder = nullptr;
    VstSpeakerArrangement* source = nullptr;
};

TEST_F(EffectArrangementTest, AllocationMakesAZeroedBlockAndReplacesTheOldOne) {
    ASSERT_TRUE(effect.allocateArrangement(&holder, 0));
    EXPECT_EQ(holder->type, 0);
    EXPECT_EQ(holder->numChannels, 0);
    ASSERT_TRUE(effect.allocateArrangement(&holder, 3)); // the sanitizers catch a leak here
    EXPECT_EQ(holder->numChannels, 3);
    const VstSpeakerProperties zero{};
    EXPECT_EQ(std::memcmp(&holder->speakers[2], &zero, sizeof zero), 0);
    EXPECT_TRUE(effect.deallocateArrangement(&holder));
    EXPECT_EQ(holder, nullptr);
    EXPECT_TRUE(effect.deallocateArrangement(&holder));
    EXPECT_TRUE(effect.deallocateArrangement(nullptr));
}

TEST_F(EffectArrangementTest, ImpossibleRequestsAreRefusedAndKeepTheHoldersBlock) {
    ASSERT_TRUE(effect.allocateArrangement(&holder, 2));
    VstSpeakerArrangement* const before = holder;
    EXPECT_FALSE(effect.allocateArrangement(&holder, -1));
    EXPECT_FALSE(effect.allocateArrangement(&holder, -2147483647 - 1));
    EXPECT_EQ(holder, before);
    EXPECT_EQ(holder->numChannels, 2);
    EXPECT_FALSE(effect.allocateArrangement(nullptr, 2));
    EXPECT_FALSE(effect.matchArrangement(&holder, nullptr));
    EXPECT_FALSE(effect.matchArrangement(nullptr, holder));
    EXPECT_EQ(holder, before);
}

TEST_F(EffectArrangementTest, MatchMakesAnIndependentByteForByteCopy) {
    makeSource(9); // more speakers than the declaration's eight
    ASSERT_TRUE(effect.allocateArrangement(&holder, 1));
    ASSERT_TRUE(effect.matchArrangement(&holder, source));
    ASSERT_NE(holder, source);
    EXPECT_EQ(holder->type, 5);
    ASSERT_EQ(holder->numChannels, 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(
            std::memcmp(&holder->speakers[i], &source->speakers[i], sizeof(VstSpeakerProperties)),
            0)
            << "speaker " << i;
    }
    source->speakers[0].name[0] = 'X';
    EXPECT_STREQ(holder->speakers[0].name, "Speaker 0");
}

TEST_F(EffectArrangementTest, MatchFromTheHoldersOwnBlockKeepsItsContent) {
    makeSource(2);
    ASSERT_TRUE(effect.matchArrangement(&holder, source));
    ASSERT_TRUE(effect.matchArrangement(&holder, holder)); // read after free without the mend
    EXPECT_EQ(holder->type, 5);
    ASSERT_EQ(holder->numChannels, 2);
    EXPECT_STREQ(holder->speakers[1].name, "Speaker 1");
    EXPECT_EQ(holder->speakers[1].type, 11);
}

TEST_F(EffectArrangementTest, SpeakerCopyStaysWithinTheNameAndAlwaysTerminates) {
    VstSpeakerProperties from{};
    std::memset(from.name, 'n', sizeof from.name); // no terminator anywhere in the field
    from.type = 42;
    from.azimuth = 1.5f;
    VstSpeakerProperties to{};
    to.name[63] = 'z';
    ASSERT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_EQ(std::strlen(to.name), 63u);
    EXPECT_EQ(to.type, 42);
    EXPECT_EQ(to.azimuth, 1.5f);
    EXPECT_TRUE(effect.copySpeaker(&to, &to));
    EXPECT_FALSE(effect.copySpeaker(nullptr, &from));
    EXPECT_FALSE(effect.copySpeaker(&to, nullptr));
}

} // namespace

// The song position the host reports: bar starts from the metre, movement by blocks, the
// transport state bits and the refusal of settings with no meaning.
#include "host/Transport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>

namespace stepveil::host {
namespace {

TEST(Transport, DerivesTheBarStartFromTheMetre) {
    Transport transport;
    transport.setPpqPosition(8.0625);
    EXPECT_DOUBLE_EQ(transport.barStartPosition(), 8.0);
    transport.setPpqPosition(7.999);
    EXPECT_DOUBLE_EQ(transport.barStartPosition(), 4.0);

    transport.setTimeSignature(3, 4);
    transport.setPpqPosition(7.0);
    EXPECT_DOUBLE_EQ(transport.barLengthInQuarters(), 3.0);
    EXPECT_DOUBLE_EQ(transport.barStartPosition(), 6.0);

    transport.setTimeSignature(6, 8);
    EXPECT_DOUBLE_EQ(transport.barLengthInQuarters(), 3.0);
    transport.setTimeSignature(7, 8);
    transport.setPpqPosition(3.6);
    EXPECT_DOUBLE_EQ(transport.barStartPosition(), 3.5);

    // Before the song's start the bar still starts at a whole bar (below zero).
    transport.setTimeSignature(4, 4);
    transport.setPpqPosition(-0.5);
    EXPECT_DOUBLE_EQ(transport.barStartPosition(), -4.0);
}

TEST(Transport, FillsTheRecordAndMovesOnlyWhilePlaying) {
    Transport transport;
    transport.setSampleRate(48000.0);
    transport.setTempo(100.0);
    transport.setPpqPosition(4.0);
    EXPECT_DOUBLE_EQ(transport.samplePosition(), 4.0 * 28800.0);

    VstTimeInfo first = transport.makeTimeInfo();
    EXPECT_DOUBLE_EQ(first.sampleRate, 48000.0);
    EXPECT_DOUBLE_EQ(first.tempo, 100.0);
    EXPECT_DOUBLE_EQ(first.ppqPos, 4.0);
    EXPECT_DOUBLE_EQ(first.barStartPos, 4.0);
    EXPECT_EQ(first.timeSigNumerator, 4);
    EXPECT_EQ(first.timeSigDenominator, 4);
    EXPECT_EQ(first.flags,
              Transport::defaultValidFlags | kVstTransportPlaying | kVstTransportChanged);

    transport.advance(28800);
    const VstTimeInfo next = transport.makeTimeInfo();
    EXPECT_DOUBLE_EQ(next.ppqPos, 5.0);
    EXPECT_DOUBLE_EQ(next.samplePos, 5.0 * 28800.0);
    EXPECT_EQ(next.flags & kVstTransportChanged, 0) << "only a jump or a stop marks a change";

    transport.setPlaying(false);
    transport.advance(1000);
    const VstTimeInfo stopped = transport.makeTimeInfo();
    EXPECT_DOUBLE_EQ(stopped.ppqPos, 5.0);
    EXPECT_EQ(stopped.flags & kVstTransportPlaying, 0);
    EXPECT_NE(stopped.flags & kVstTransportChanged, 0);
}

TEST(Transport, ClaimsOnlyTheValidityBitsAskedFor) {
    Transport transport;
    transport.setValidFlags(kVstTempoValid | kVstTransportRecording);
    transport.setPlaying(false);
    const VstTimeInfo info = transport.makeTimeInfo();
    EXPECT_EQ(info.flags & ~kVstTransportChanged, kVstTempoValid);
    EXPECT_EQ(info.flags & kVstPpqPosValid, 0);
}

TEST(Transport, RefusesSettingsWithoutMeaning) {
    Transport transport;
    EXPECT_THROW(transport.setTempo(0.0), std::invalid_argument);
    EXPECT_THROW(transport.setSampleRate(-44100.0), std::invalid_argument);
    EXPECT_THROW(transport.setTimeSignature(4, 0), std::invalid_argument);
    EXPECT_DOUBLE_EQ(transport.tempo(), 120.0);
    EXPECT_EQ(transport.timeSigDenominator(), 4);
}

// The bar start is found without a division where that cannot change the answer; it must be
// the very bar start the quotient gives, right at bar lines and far from the song's start too.
TEST(Transport, BarStartIsTheOneTheQuotientGives) {
    const int metres[][2] = {{4, 4}, {3, 4}, {7, 8}, {5, 16}, {13, 8}, {11, 3}, {1, 1}};
    std::mt19937_64 random(20260412u);
    std::uniform_real_distribution<double> anywhere(-3000.0, 3000.0);
    std::uniform_int_distribution<int> barNumber(-700, 700);
    std::uniform_int_distribution<int> nudge(-40, 40);
    Transport transport;
    for (const auto& metre : metres) {
        transport.setTimeSignature(metre[0], metre[1]);
        const double barLength = static_cast<double>(metre[0]) * 4.0 / metre[1];
        for (int trial = 0; trial < 20000; ++trial) {
            double position = anywhere(random);
            if (trial % 2 == 1) {
                // On a bar line, or a few units in the last place (or a tolerance's width) off it.
                position = barNumber(random) * barLength;
                const int steps = nudge(random);
                position += (trial % 4 == 1)
                                ? steps * 1e-11 * barLength
                                : steps * std::nextafter(std::fabs(position) + 1.0, 1e300) -
                                      steps * (std::fabs(position) + 1.0);
            }
            if (trial == 0) {
                position = 1e9 * barLength + 0.25;
            }
            transport.setPpqPosition(position);
            const double expected = std::floor(position / barLength + 1e-9) * barLength;
            ASSERT_EQ(transport.barStartPosition(), expected)
                << "metre " << metre[0] << "/" << metre[1] << ", position " << position;
            ASSERT_EQ(transport.makeTimeInfo().barStartPos, expected)
                << "metre " << metre[0] << "/" << metre[1] << ", position " << position;
        }
    }
}

// The record's bar start is kept from report to report while the play head stays in a bar; it
// must still change on the very block that reaches the next bar, and follow a new metre.
TEST(Transport, ReportedBarStartFollowsThePlayHeadAcrossBarLines) {
    Transport transport;
    transport.setSampleRate(44100.0);
    for (const double tempo : {120.0, 97.3, 400.0}) {
        for (const int blockSize : {64, 441, 4096}) {
            transport.setTempo(tempo);
            transport.setTimeSignature(blockSize == 441 ? 7 : 4, blockSize == 441 ? 8 : 4);
            transport.setPpqPosition(-9.0);
            const double barLength = transport.barLengthInQuarters();
            for (int block = 0; block < 3000; ++block) {
                const double position = transport.ppqPosition();
                const double expected = std::floor(position / barLength + 1e-9) * barLength;
                ASSERT_EQ(transport.makeTimeInfo().barStartPos, expected)
                    << tempo << " bpm, blocks of " << blockSize << ", position " << position;
                transport.advance(blockSize);
            }
        }
        transport.setTimeSignature(3, 4);
        EXPECT_EQ(transport.makeTimeInfo().barStartPos,
                  std::floor(transport.ppqPosition() / 3.0 + 1e-9) * 3.0);
    }
}

// Blocks of one size move the play head by the same quotient each time, worked out once; the
// position must be exactly what working it out at every block gives, also across changes of
// tempo, rate and block size.
TEST(Transport, AdvancingMovesByTheQuotientOfEachBlock) {
    Transport transport;
    double expectedQuarters = transport.ppqPosition();
    double rate = transport.sampleRate();
    double tempo = transport.tempo();
    const int blocks[] = {512, 512, 64, 64, 64, 4096, 1, 1, 333, 512};
    for (int round = 0; round < 3; ++round) {
        for (const int frames : blocks) {
            transport.advance(frames);
            expectedQuarters += static_cast<double>(frames) / rate * tempo / 60.0;
            ASSERT_EQ(transport.ppqPosition(), expectedQuarters);
        }
        rate = round == 0 ? 48000.0 : 96000.0;
        tempo = round == 0 ? 97.3 : 161.0;
        transport.setSampleRate(rate);
        transport.setTempo(tempo);
        expectedQuarters = transport.ppqPosition();
    }
}

} // namespace
} // namespace stepveil::host

// The song position the host reports: bar starts from the metre, movement by blocks, the
// transport state bits and the refusal of settings with no meaning.
#include "host/Transport.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace stepveil::host

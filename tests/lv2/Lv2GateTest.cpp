// The LV2 bundle as hosts see it: the same song, told as Ardour, Carla and jalv tell it, gives
// the very samples the VST 2 file gives through host/; presets carry the factory patterns;
// and nothing a host sends on the time or step ports crashes the gate or makes its output
// anything but finite.
#include "Lv2TestHost.h"
#include "tests/CountedAllocations.h"

#include "host/HostedPlugin.h"

#include <gtest/gtest.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace {

using namespace lv2test;
using stepveil::host::HostedPlugin;

constexpr double sampleRate = 48000.0;

// What happens to the song at a frame of the host's processing.
struct SongChange {
    std::int64_t at;
    enum Kind { tempo, stop, start, jump } kind;
    double value = 0.0; // beats per minute, or the quarter note jumped to
};

// How the host tells the song: Ardour at a cycle's start when something changed and at each
// change inside a cycle; Carla every block, as atom:Blank with a beat count and its bar beat in
// whole ticks; jalv only when
// playing starts, stops or moves, with the frame and speed alone.
enum class Style { ardour, carla, jalv };

std::vector<float> testSignal(std::size_t frames, int seed) {
    std::vector<float> samples(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        samples[i] =
            static_cast<float>(static_cast<int>((i * 7919u + seed * 104729u) % 2001u) - 1000) /
            1000.0f;
    }
    return samples;
}

std::unique_ptr<HostedPlugin> loadVst() {
    auto loaded = HostedPlugin::load(STEPVEIL_PLUGIN_FILE);
    if (!loaded) {
        ADD_FAILURE() << loaded.error;
        return nullptr;
    }
    loaded.plugin->open();
    loaded.plugin->setSampleRate(sampleRate);
    loaded.plugin->resume();
    return std::move(loaded.plugin);
}

struct Renders {
    std::vector<float> input[2];
    std::vector<float> vst[2];
    std::vector<float> lv2[2];
};

// Plays the song through the VST 2 file (host/'s transport, cut into the same pieces the LV2
// run is cut into at its events) and through the bundle (lilv, with the style's reports).
Renders playSong(Style style, std::uint32_t blockSize, std::int64_t frames,
                 const std::vector<SongChange>& changes, int program) {
    Renders renders;
    for (int channel = 0; channel < 2; ++channel) {
        renders.input[channel] = testSignal(static_cast<std::size_t>(frames), channel);
        renders.vst[channel].assign(static_cast<std::size_t>(frames), 0.0f);
        renders.lv2[channel].assign(static_cast<std::size_t>(frames), 0.0f);
    }
    auto vst = loadVst();
    Bundle bundle;
    // jalv keeps each port's value in a structure of its own; Ardour and Carla in arrays.
    auto gate = bundle.instantiate(sampleRate, true, style == Style::jalv);
    if (!vst || !gate || !*gate) {
        ADD_FAILURE() << "cannot make both plug-ins";
        return renders;
    }
    vst->setProgram(program);
    const auto presets = bundle.presets();
    gate->levels() = presets.at(vst->programName());
    auto& transport = vst->transport();
    TimeSequence sequence(bundle.urids());
    std::int64_t songFrame = 0;
    bool toldSinceChange = false;
    std::size_t next = 0;
    for (std::int64_t start = 0; start < frames; start += blockSize) {
        const auto length =
            static_cast<std::uint32_t>(std::min<std::int64_t>(blockSize, frames - start));
        sequence.clear();
        std::uint32_t offset = 0;
        while (offset < length) {
            // Carla and jalv learn of a change at the next block; Ardour where it happens.
            bool changedHere = false;
            while (next < changes.size() &&
                   (style == Style::ardour ? changes[next].at == start + offset
                                           : changes[next].at < start + length)) {
                const SongChange& change = changes[next++];
                if (change.kind == SongChange::tempo && style == Style::jalv) {
                    continue;
                }
                changedHere = true;
                switch (change.kind) {
                case SongChange::tempo:
                    transport.setTempo(change.value);
                    break;
                case SongChange::stop:
                    transport.setPlaying(false);
                    break;
                case SongChange::start:
                    transport.setPlaying(true);
                    break;
                case SongChange::jump:
                    songFrame = std::llround(change.value * 60.0 / transport.tempo() * sampleRate);
                    if (style == Style::jalv) {
                        transport.setSamplePosition(static_cast<double>(songFrame));
                    } else {
                        transport.setPpqPosition(change.value);
                    }
                    break;
                }
            }
            if (changedHere) {
                toldSinceChange = false;
            }
            const bool report = style == Style::carla ? offset == 0 : !toldSinceChange;
            if (report) {
                PositionFields fields;
                fields.frame = songFrame;
                fields.speed = transport.playing() ? 1.0f : 0.0f;
                if (style != Style::jalv) {
                    const double quarters = transport.ppqPosition();
                    fields.bar = static_cast<std::int64_t>(std::floor(quarters / 4.0));
                    fields.barBeat =
                        static_cast<float>(quarters - 4.0 * static_cast<double>(fields.bar));
                    fields.beatsPerMinute = static_cast<float>(transport.tempo());
                }
                if (style == Style::carla) {
                    // On JACK's transport Carla counts whole ticks of 1/1920 beat.
                    fields.blank = true;
                    fields.barBeat = static_cast<float>(
                        std::floor(static_cast<double>(fields.barBeat) * 1920.0) / 1920.0);
                    fields.beat = transport.ppqPosition();
                }
                sequence.addPosition(offset, fields);
                toldSinceChange = true;
            }
            std::uint32_t end = length;
            if (style == Style::ardour && next < changes.size() &&
                changes[next].at < start + length) {
                end = static_cast<std::uint32_t>(changes[next].at - start);
            }
            const auto at = static_cast<std::size_t>(start + offset);
            float* in[2] = {renders.input[0].data() + at, renders.input[1].data() + at};
            float* out[2] = {renders.vst[0].data() + at, renders.vst[1].data() + at};
            vst->processBlock(in, out, static_cast<std::int32_t>(end - offset));
            if (transport.playing()) {
                songFrame += end - offset;
            }
            offset = end;
        }
        gate->run(renders.input, renders.lv2, static_cast<std::size_t>(start), length, &sequence);
    }
    return renders;
}

// Sample for sample, and gated: a comparison of two dry signals would prove nothing.
void expectSameGatedOutput(const Renders& renders) {
    std::size_t gated = 0;
    for (int channel = 0; channel < 2; ++channel) {
        for (std::size_t i = 0; i < renders.vst[channel].size(); ++i) {
            ASSERT_EQ(renders.lv2[channel][i], renders.vst[channel][i])
                << "channel " << channel << ", frame " << i;
            gated += renders.vst[channel][i] != renders.input[channel][i] ? 1 : 0;
        }
    }
    EXPECT_GT(gated, renders.vst[0].size() / 4);
}

// Tempo changes, a stop, a start, a jump and a loop back, each inside a block of every size.
const std::vector<SongChange> song = {
    {100000, SongChange::tempo, 90.0},  {200000, SongChange::stop},
    {250000, SongChange::start},        {300000, SongChange::jump, 30.0},
    {400000, SongChange::tempo, 137.5}, {450000, SongChange::jump, 8.0},
};
constexpr std::int64_t songFrames = 576000;

TEST(Lv2Gate, SameSamplesAsTheVst2FileForTheSongAsArdourTellsIt) {
    expectSameGatedOutput(playSong(Style::ardour, 1024, songFrames, song, 0));
}

TEST(Lv2Gate, SameSamplesAsTheVst2FileForTheSongAsCarlaTellsIt) {
    expectSameGatedOutput(playSong(Style::carla, 512, songFrames, song, 8));
}

TEST(Lv2Gate, SameSamplesAsTheVst2FileForTheSongAsJalvTellsIt) {
    expectSameGatedOutput(playSong(Style::jalv, 256, songFrames, song, 3));
}

TEST(Lv2Gate, PresetsAreTheFactoryProgramsByNameAndLevels) {
    Bundle bundle;
    const auto presets = bundle.presets();
    ASSERT_EQ(presets.size(), 16u);
    auto vst = loadVst();
    ASSERT_TRUE(vst);
    for (int program = 0; program < 16; ++program) {
        vst->setProgram(program);
        const auto found = presets.find(vst->programName());
        ASSERT_NE(found, presets.end()) << "no preset \"" << vst->programName() << "\"";
        for (std::uint32_t step = 0; step < stepCount; ++step) {
            EXPECT_EQ(found->second[step], vst->getParameter(static_cast<std::int32_t>(step)))
                << found->first << ", level " << step + 1;
        }
    }
}

// Without urid:map the plug-in hears no song: it plays as a song started with its first run at
// 120 bpm in 4/4, as host/'s transport plays by default.
TEST(Lv2Gate, WithoutUridMapPlaysFromItsFirstFrameAt120Bpm) {
    Bundle bundle;
    auto gate = bundle.instantiate(sampleRate, false);
    ASSERT_TRUE(gate && *gate);
    auto vst = loadVst();
    ASSERT_TRUE(vst);
    for (std::uint32_t step = 0; step < stepCount; ++step) {
        gate->levels()[step] = vst->getParameter(static_cast<std::int32_t>(step));
    }
    TimeSequence ignored(bundle.urids());
    ignored.addPosition(0, PositionFields{false, 96000, 1.0f, 3, 1.0f, -1.0, 90.0f, 4.0f, 4});
    Renders renders;
    constexpr std::size_t frames = 96000;
    for (int channel = 0; channel < 2; ++channel) {
        renders.input[channel] = testSignal(frames, channel);
        renders.vst[channel].assign(frames, 0.0f);
        renders.lv2[channel].assign(frames, 0.0f);
    }
    for (std::size_t start = 0; start < frames; start += 700) {
        const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(700, frames - start));
        float* in[2] = {renders.input[0].data() + start, renders.input[1].data() + start};
        float* out[2] = {renders.vst[0].data() + start, renders.vst[1].data() + start};
        vst->processBlock(in, out, static_cast<std::int32_t>(length));
        gate->run(renders.input, renders.lv2, start, length,
                  start % 1400 == 0 ? &ignored : nullptr);
    }
    expectSameGatedOutput(renders);
}

// A host playing at half speed in a metre of three and a half beats is, to the gate, a song at
// half the tempo in 7/8; the adapter allocates nothing while it plays it.
TEST(Lv2Gate, VarispeedAndAFractionalMetreAreTheirEffectiveTempoAndMetreWithoutAllocating) {
    Bundle bundle;
    auto gate = bundle.instantiate(sampleRate);
    auto vst = loadVst();
    ASSERT_TRUE(gate && *gate && vst);
    vst->transport().setTempo(60.0);
    vst->transport().setTimeSignature(7, 8);
    gate->levels() = bundle.presets().at(vst->programName());
    TimeSequence sequence(bundle.urids());
    constexpr std::size_t frames = 470 * 512;
    Renders renders;
    for (int channel = 0; channel < 2; ++channel) {
        renders.input[channel] = testSignal(frames, channel);
        renders.vst[channel].assign(frames, 0.0f);
        renders.lv2[channel].assign(frames, 0.0f);
    }
    long allocationsWhilePlaying = 0;
    for (std::size_t start = 0; start < frames; start += 512) {
        sequence.clear();
        PositionFields fields{
            false, static_cast<std::int64_t>(start / 2), 0.5f, 0, 0.0f, -1.0, 120.0f, 3.5f, 4};
        if (start == 0) {
            sequence.addPosition(0, fields);
        }
        float* in[2] = {renders.input[0].data() + start, renders.input[1].data() + start};
        float* out[2] = {renders.vst[0].data() + start, renders.vst[1].data() + start};
        vst->processBlock(in, out, 512);
        const long before = stepveil::testing::allocationsSoFar();
        gate->run(renders.input, renders.lv2, start, 512, &sequence);
        allocationsWhilePlaying += stepveil::testing::allocationsSoFar() - before;
    }
    expectSameGatedOutput(renders);
    EXPECT_EQ(allocationsWhilePlaying, 0);
}

// A header and body of one atom, as a host that gets it wrong might write it.
std::vector<std::uint8_t> atomBytes(std::uint32_t claimedSize, std::uint32_t type,
                                    const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> bytes(8 + body.size());
    std::memcpy(bytes.data(), &claimedSize, 4);
    std::memcpy(bytes.data() + 4, &type, 4);
    std::copy(body.begin(), body.end(), bytes.begin() + 8);
    return bytes;
}

// Random objects with the real keys and types, lying sizes, unknown types, non-numbers and
// extremes as values, timestamps out of order and out of the block, and step values far
// outside 0..1: the output stays finite, and within twice the input (a level changed in the
// middle of a ramp adds to the ramp's remaining term, as in the VST 2 file).
TEST(Lv2Gate, BadAtomsAndValuesNeverCrashAndNeverGiveNonFiniteOutput) {
    Bundle bundle;
    auto gate = bundle.instantiate(sampleRate, true, true);
    ASSERT_TRUE(gate && *gate);
    UridMap& urids = bundle.urids();
    const std::vector<LV2_URID> types = {urids.map(LV2_ATOM__Object),   urids.map(LV2_ATOM__Blank),
                                         urids.map(LV2_ATOM__Int),      urids.map(LV2_ATOM__Long),
                                         urids.map(LV2_ATOM__Float),    urids.map(LV2_ATOM__Double),
                                         urids.map(LV2_ATOM__Bool),     urids.map(LV2_ATOM__String),
                                         urids.map(LV2_ATOM__Sequence), 99999};
    const std::vector<LV2_URID> keys = {urids.map(LV2_TIME__frame),
                                        urids.map(LV2_TIME__speed),
                                        urids.map(LV2_TIME__bar),
                                        urids.map(LV2_TIME__barBeat),
                                        urids.map(LV2_TIME__beat),
                                        urids.map(LV2_TIME__beatUnit),
                                        urids.map(LV2_TIME__beatsPerBar),
                                        urids.map(LV2_TIME__beatsPerMinute),
                                        424242};
    const LV2_URID position = urids.map(LV2_TIME__Position);
    const std::vector<double> extremes = {NAN,    INFINITY, -INFINITY, 0.0,  -1.0, 1e300,
                                          -1e300, 1e-300,   3.5,       0.25, 1e9,  7.0};
    std::mt19937 random(18);
    auto pick = [&random](std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
    };
    auto value = [&](LV2_URID type) {
        std::vector<std::uint8_t> body(8);
        const double number = extremes[pick(extremes.size())];
        if (type == urids.map(LV2_ATOM__Double)) {
            std::memcpy(body.data(), &number, 8);
        } else if (type == urids.map(LV2_ATOM__Float)) {
            const auto single = static_cast<float>(number);
            std::memcpy(body.data(), &single, 4);
        } else {
            const auto whole = static_cast<std::int64_t>(random());
            std::memcpy(body.data(), &whole, 8);
        }
        return body;
    };
    TimeSequence sequence(urids);
    constexpr std::size_t frames = 4096;
    std::vector<float> input[2] = {testSignal(frames, 0), testSignal(frames, 1)};
    std::vector<float> output[2] = {std::vector<float>(frames), std::vector<float>(frames)};
    for (int round = 0; round < 3000; ++round) {
        sequence.clear();
        for (std::size_t event = pick(6); event > 0; --event) {
            std::vector<std::uint8_t> body = {0, 0, 0, 0, 0, 0, 0, 0};
            const LV2_URID otype = pick(4) == 0 ? 7 : position;
            std::memcpy(body.data() + 4, &otype, 4);
            for (std::size_t property = pick(10); property > 0; --property) {
                const LV2_URID key = keys[pick(keys.size())];
                const LV2_URID type = types[pick(types.size())];
                const auto number = value(type);
                const std::uint32_t claimed =
                    pick(8) == 0 ? static_cast<std::uint32_t>(random()) : 8;
                std::vector<std::uint8_t> head(16);
                std::memcpy(head.data(), &key, 4);
                std::memcpy(head.data() + 8, &claimed, 4);
                std::memcpy(head.data() + 12, &type, 4);
                body.insert(body.end(), head.begin(), head.end());
                body.insert(body.end(), number.begin(), number.end());
            }
            const LV2_URID type = pick(3) == 0 ? types[pick(types.size())] : types[pick(2)];
            const auto size = pick(6) == 0 ? static_cast<std::uint32_t>(pick(body.size() + 64))
                                           : static_cast<std::uint32_t>(body.size());
            const auto stamp = static_cast<std::int64_t>(pick(1400)) - 200;
            sequence.addRawEvent(stamp, atomBytes(size, type, body));
        }
        for (auto& level : gate->levels()) {
            level = static_cast<float>(extremes[pick(extremes.size())]);
        }
        const auto length = static_cast<std::uint32_t>(1 + pick(frames));
        gate->run(input, output, 0, length, &sequence);
        for (int channel = 0; channel < 2; ++channel) {
            for (std::uint32_t i = 0; i < length; ++i) {
                ASSERT_TRUE(std::isfinite(output[channel][i])) << "round " << round;
                ASSERT_LE(std::fabs(output[channel][i]),
                          2.0f * std::fabs(input[channel][i]) + 1e-6f)
                    << "round " << round;
            }
        }
    }
}

// Hosts that report at every block send objects of one shape, which the plug-in reads from the
// places the last object's shape named. Objects of one size whose keys or value types differ
// from the last one's must still be read as what they say: one instance gets such objects in
// random order, the other the same objects each with a padding property that changes its size
// at every block, so that no object ever has the last one's shape. Both play alike.
TEST(Lv2Gate, ReportsOfTheSameSizeButOtherKeysOrTypesAreReadAsWhatTheySay) {
    Bundle bundle;
    auto sameSize = bundle.instantiate(sampleRate);
    auto newShape = bundle.instantiate(sampleRate);
    ASSERT_TRUE(sameSize && *sameSize && newShape && *newShape);
    UridMap& urids = bundle.urids();
    const LV2_URID longType = urids.map(LV2_ATOM__Long);
    const LV2_URID floatType = urids.map(LV2_ATOM__Float);
    const LV2_URID intType = urids.map(LV2_ATOM__Int);
    auto property = [](std::vector<std::uint8_t>& body, LV2_URID key, LV2_URID type,
                       std::uint32_t size, const void* value) {
        std::vector<std::uint8_t> head(16 + 8, 0);
        std::memcpy(head.data(), &key, 4);
        std::memcpy(head.data() + 8, &size, 4);
        std::memcpy(head.data() + 12, &type, 4);
        std::memcpy(head.data() + 16, value, size);
        body.insert(body.end(), head.begin(), head.end());
    };
    for (std::uint32_t step = 0; step < stepCount; ++step) {
        sameSize->levels()[step] = newShape->levels()[step] = step % 3 == 0 ? 1.0f : 0.25f;
    }
    constexpr std::uint32_t blockSize = 512;
    constexpr std::size_t blocks = 300;
    std::vector<float> input[2] = {testSignal(blockSize * blocks, 0),
                                   testSignal(blockSize * blocks, 1)};
    std::vector<float> sameSizeOutput[2] = {std::vector<float>(input[0].size()),
                                            std::vector<float>(input[0].size())};
    std::vector<float> newShapeOutput[2] = {sameSizeOutput[0], sameSizeOutput[1]};
    TimeSequence sameSizeSequence(urids);
    TimeSequence newShapeSequence(urids);
    std::mt19937 random(7);
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::int64_t frame = static_cast<std::int64_t>(block) * blockSize;
        const float speed = 1.0f;
        const std::int64_t bar = frame / 96000;
        const float barBeat = static_cast<float>(frame % 96000) / 24000.0f;
        const float tempo = 150.0f;
        const float beatsPerBar = 3.0f;
        const std::int32_t wholeTempo = 90;
        std::vector<std::uint8_t> body(8, 0);
        const LV2_URID position = urids.map(LV2_TIME__Position);
        std::memcpy(body.data() + 4, &position, 4);
        property(body, urids.map(LV2_TIME__frame), longType, 8, &frame);
        property(body, urids.map(LV2_TIME__speed), floatType, 4, &speed);
        property(body, urids.map(LV2_TIME__bar), longType, 8, &bar);
        property(body, urids.map(LV2_TIME__barBeat), floatType, 4, &barBeat);
        // The last two properties: the tempo as a float or as an int, or the keys swapped.
        const auto variant = random() % 3;
        const LV2_URID tempoKey = urids.map(LV2_TIME__beatsPerMinute);
        const LV2_URID metreKey = urids.map(LV2_TIME__beatsPerBar);
        property(body, variant == 2 ? metreKey : tempoKey, variant == 1 ? intType : floatType, 4,
                 variant == 1 ? static_cast<const void*>(&wholeTempo) : &tempo);
        property(body, variant == 2 ? tempoKey : metreKey, floatType, 4, &beatsPerBar);
        std::vector<std::uint8_t> padded = body;
        property(padded, 424242, longType, 8, &frame);
        padded.resize(padded.size() + (block % 2 == 0 ? 0 : 16), 0);
        sameSizeSequence.clear();
        sameSizeSequence.addRawEvent(0, atomBytes(static_cast<std::uint32_t>(body.size()),
                                                  urids.map(LV2_ATOM__Object), body));
        newShapeSequence.clear();
        newShapeSequence.addRawEvent(0, atomBytes(static_cast<std::uint32_t>(padded.size()),
                                                  urids.map(LV2_ATOM__Object), padded));
        sameSize->run(input, sameSizeOutput, frame, blockSize, &sameSizeSequence);
        newShape->run(input, newShapeOutput, frame, blockSize, &newShapeSequence);
    }
    std::size_t gated = 0;
    for (int channel = 0; channel < 2; ++channel) {
        for (std::size_t i = 0; i < input[channel].size(); ++i) {
            ASSERT_EQ(sameSizeOutput[channel][i], newShapeOutput[channel][i])
                << "channel " << channel << ", frame " << i;
            gated += sameSizeOutput[channel][i] != input[channel][i] ? 1 : 0;
        }
    }
    EXPECT_GT(gated, input[0].size() / 4);
}

} // namespace

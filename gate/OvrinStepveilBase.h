// The gate effect without an editor: 32 programs of 32 step levels, the 32 live levels that
// are its parameters, and the tempo-synced processing that multiplies the audio by them.
#pragma once

#include "effect/EffectBaseEx.h"
#include "gate/Program.h"
#include "gate/StepPosition.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

// The processing's buffer description and layouts (gate/GainKernels.h).
struct StereoBuffers;
enum class BufferLayout;
enum class KernelWidth;

class OvrinStepveilBase : public EffectBaseEx {
public:
    static constexpr int32 numGatePrograms = 32;
    static constexpr int32 numSteps = 32;

    explicit OvrinStepveilBase(audioMasterCallback hostCallback);
    ~OvrinStepveilBase() override;

    // Parameters are the live levels. Indexes outside 0..31 are ignored by the setter and
    // answered with 0.0 or an empty text by the getters.
    void setParameter(int32 index, float value) override;
    float getParameter(int32 index) override;
    void getParameterName(int32 index, char* text) override;
    void getParameterLabel(int32 index, char* text) override;
    void getParameterDisplay(int32 index, char* text) override;

    // Copies the program's levels into the live levels through the virtual setParameter, so
    // a derived effect sees every level change. Programs outside 0..31 are ignored.
    void setProgram(int32 program) override;
    void setProgramName(char* text) override;
    void getProgramName(char* text) override;
    bool getProgramNameIndexed(int32 category, int32 index, char* text) override;

    // The whole bank (isPreset false) or the current program as a chunk of the plug-in's own
    // layout (gate/ChunkLayout.h). The bytes stay valid until the next getChunk or the
    // effect's end. setChunk checks the whole chunk first: anything damaged, cut off, of
    // another effect or of an unknown layout answers 0 and changes nothing; a good one sets
    // the programs and then the live levels through setParameter, as a program change does.
    // Hosts call both from their user-interface or a worker thread while audio runs; neither
    // touches the audio thread's path.
    int32 getChunk(void** data, bool isPreset) override;
    int32 setChunk(void* data, int32 byteSize, bool isPreset) override;

    // Processing runs on the host's audio thread. resume is expected from the host's
    // dispatcher while no block is being processed, as hosts switch an effect on before
    // they feed it audio.
    void resume() override;
    void process(float** inputs, float** outputs, int32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, int32 sampleFrames) override;

    bool getEffectName(char* text) override;
    bool getProductString(char* text) override;
    bool getVendorString(char* text) override;
    int32 getVendorVersion() override;
    int32 getPlugCategory() override;

protected:
    void fillProgram(int32 index, const char* name, const std::uint8_t* levels);

    std::array<Program, numGatePrograms> programs;
    // Written by parameter changes from the host's or the editor's thread and read by the
    // audio thread, so each is a lock-free atomic accessed with relaxed ordering.
    std::array<std::atomic<float>, numSteps> liveLevels;
    // Gate state; touched only by processing and resume, both on the audio side.
    float rampIncrement;
    int32 rampLength;
    int32 rampCounter;
    int32 previousStep;
    // Every change of gain is a ramp from the gain last played (lastGain) to the level the
    // gate plays towards (rampTarget), started at a step boundary or wherever the gain's
    // target moved (a level changed, the song jumped). Until a block has been played after
    // resume there is no gain to start from.
    float rampTarget = 0.0f;
    float lastGain = 0.0f;
    bool playedSinceResume = false;
    // Where the last block ended, so that a step boundary falling between two blocks is told
    // apart from a jump of the song position: the step it ended in (-1 when no block of
    // continuous processing precedes: after resume, or after a block without usable time
    // information or buffers), the samples of that step its own count still had to play
    // (whole, and the fraction carried), and the samples of that step it played after
    // crossing into it (at most rampLength; rampLength when it did not see the crossing).
    // After a block the song stood still in, they describe the position it stood at.
    int32 endStep = -1;
    int32 endStepSamplesLeft = 0;
    double endStepRemainder = 0.0;
    int32 endStepSamplesPlayed = 0;
    // What the host reported for the last block that took time (its song position, NaN when
    // none is known, and its length), and what it has shown of its transport flag.
    double lastSongPosition = 0.0;
    int32 lastBlockFrames = 0;
    enum class TransportHabit { unknown, reportsPlaying, playsWithoutFlag };
    TransportHabit transportHabit = TransportHabit::unknown;
    // The step grid of the last block's tempo, metre and sample rate.
    StepGrid stepGrid;
    // Which compiled variant of the steady-gain loops this processor runs.
    KernelWidth kernelWidth;
    // The layout of the last block's buffers: hosts pass the same buffers block after block,
    // so the overlap tests run again only when a pointer or the block size changes.
    std::array<const float*, 4> layoutPointers{};
    int32 layoutFrames = -1;
    BufferLayout lastLayout;

private:
    // Chunks are read and written whole under this lock, so that two of the host's threads
    // never interleave a bank's restore with its capture; the audio path never takes it.
    std::mutex chunkLock;
    std::vector<std::uint8_t> chunkBytes;

    static bool isStep(int32 index) { return index >= 0 && index < numSteps; }
    void fillFactoryPrograms();
    Program* selectedProgram();
    // Processing: accumulate adds to the outputs (process), otherwise they are overwritten.
    template <bool accumulate> void runGate(float** inputs, float** outputs, int32 sampleFrames);
    enum class SongMotion { moving, standing, repeatedWhilePlaying };
    SongMotion songMotionAt(const StepPosition& start, int32 sampleFrames);
    bool movedOnByLastBlock(const StepPosition& start) const;
    int32 followOnFromLastBlock(StepPosition& start);
    StepPosition ownCountFrom(const StepPosition& start) const;
    BufferLayout layoutOf(const StereoBuffers& buffers, int32 sampleFrames);
    template <bool accumulate, BufferLayout layout>
    void gateSamples(const StereoBuffers& buffers, const StepPosition& start, int32 samplesPlayed,
                     int32 sampleFrames, bool songStands);
    int32 firstStepOfBlock(const StepPosition& start) const;
    void enterNextStep(int32& step, int32& samplesLeftInStep, double& remainder,
                       double stepSamples);
    template <bool accumulate, BufferLayout layout>
    int32 playRampPart(const StereoBuffers& buffers, int32 k, int32 samples);
    template <bool accumulate> int32 playRamp(const StereoBuffers& buffers, int32 k, int32 samples);
    template <bool accumulate, BufferLayout layout>
    void playWholeRamp(const StereoBuffers& buffers, int32 k);
    static int32 stepAfter(int32 step) { return step == numSteps - 1 ? 0 : step + 1; }
    // Starts a ramp from the gain last played to `level`; holding `gain` makes it the gain
    // last played, with no ramp running.
    void rampTowards(float level);
    void holdGain(float gain);
    float levelOf(int32 step) const {
        return liveLevels[static_cast<std::size_t>(step)].load(std::memory_order_relaxed);
    }
};

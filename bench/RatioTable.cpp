#include "bench/RatioTable.h"

#include <cstdlib>

namespace stepveil::bench {
namespace {

// The goals the table is read against, at this block size.
constexpr int goalBlockSize = 512;
constexpr double gateOverGainGoal = 1.5;
constexpr double peerOverGateGoal = 5.0;

// "<subject>/<frames>" split at its last slash; frames 0 when the name has no such ending.
std::pair<std::string, int> splitName(const std::string& name) {
    const auto slash = name.rfind('/');
    if (slash == std::string::npos) {
        return {name, 0};
    }
    return {name.substr(0, slash), std::atoi(name.c_str() + slash + 1)};
}

} // namespace

RatioTable::RatioTable(std::string gainName, std::string gateName,
                       std::vector<std::string> peerNames, std::vector<int> frameCounts)
    : gainLabel(std::move(gainName)), gateLabel(std::move(gateName)),
      peerLabels(std::move(peerNames)), blockSizes(std::move(frameCounts)) {}

void RatioTable::compareRampAndGlide(std::string steady, std::string ramp, std::string calls,
                                     std::string glide) {
    steadyLabel = std::move(steady);
    rampLabel = std::move(ramp);
    callsLabel = std::move(calls);
    glideLabel = std::move(glide);
}

void RatioTable::record(const benchmark::BenchmarkReporter::Run& run) {
    if (run.run_type != benchmark::BenchmarkReporter::Run::RT_Iteration || run.error_occurred) {
        return;
    }
    const auto [label, frames] = splitName(run.run_name.function_name);
    if (frames <= 0) {
        return;
    }
    const double nanoseconds =
        run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    samples[{label, frames}].push_back(nanoseconds / frames);
}

double RatioTable::nanosecondsPerFrame(const std::string& label, int frames) const {
    const auto found = samples.find({label, frames});
    return found == samples.end() || found->second.empty() ? -1.0 : median(found->second);
}

void RatioTable::print(std::FILE* out) const {
    std::fprintf(out, "\nCPU time per stereo frame (median of repetitions), and ratios from this "
                      "run:\n\n");
    std::fprintf(out, "| %-6s | %-12s | %-12s | %-10s |", "frames", "gain ns", "gate ns",
                 "gate/gain");
    for (const std::string& peer : peerLabels) {
        std::fprintf(out, " %s ns | %s/gate |", peer.c_str(), peer.c_str());
    }
    std::fprintf(out, "\n|--------|--------------|--------------|------------|");
    for (std::size_t peer = 0; peer < peerLabels.size(); ++peer) {
        std::fprintf(out, "---|---|");
    }
    std::fprintf(out, "\n");
    for (const int frames : blockSizes) {
        const double gain = nanosecondsPerFrame(gainLabel, frames);
        const double gate = nanosecondsPerFrame(gateLabel, frames);
        std::fprintf(out, "| %6d | %12.3f | %12.3f | %10.2f |", frames, gain, gate, gate / gain);
        for (const std::string& peer : peerLabels) {
            const double peerTime = nanosecondsPerFrame(peer, frames);
            std::fprintf(out, " %.3f | %.1f |", peerTime, peerTime / gate);
        }
        std::fprintf(out, "\n");
    }
    printGoals(out);
    printRampAndGlide(out);
}

// Nanoseconds a block: the steady block, and what one ordinary ramp and one glide add to it.
void RatioTable::printRampAndGlide(std::FILE* out) const {
    if (steadyLabel.empty()) {
        return;
    }
    const auto perBlock = [this](const std::string& label, int frames) {
        return nanosecondsPerFrame(label, frames) * frames;
    };
    std::fprintf(out, "\nThe gate at one step boundary a 512-frame block, ns per block:\n\n");
    std::fprintf(out, "| frames | %s | %s - %s | %s - %s |\n|---:|---:|---:|---:|\n",
                 steadyLabel.c_str(), rampLabel.c_str(), steadyLabel.c_str(), glideLabel.c_str(),
                 callsLabel.c_str());
    for (const int frames : blockSizes) {
        std::fprintf(out, "| %d | %.1f | %.1f | %.1f |\n", frames, perBlock(steadyLabel, frames),
                     perBlock(rampLabel, frames) - perBlock(steadyLabel, frames),
                     perBlock(glideLabel, frames) - perBlock(callsLabel, frames));
    }
    const double ramp = perBlock(rampLabel, goalBlockSize) - perBlock(steadyLabel, goalBlockSize);
    const double glide = perBlock(glideLabel, goalBlockSize) - perBlock(callsLabel, goalBlockSize);
    // Not judged here: the glide's figure also holds what the host's calls with new levels
    // cost beyond calls with the same ones, which a gate without glides pays too (see
    // docs/BENCHMARKS.md, where both files are measured).
    std::fprintf(out,
                 "  at %d frames a boundary ramp adds %.1f ns, a glide with the host's calls "
                 "that start it %.1f ns\n",
                 goalBlockSize, ramp, glide);
}

void RatioTable::printGoals(std::FILE* out) const {
    const double gain = nanosecondsPerFrame(gainLabel, goalBlockSize);
    const double gate = nanosecondsPerFrame(gateLabel, goalBlockSize);
    if (gain <= 0.0 || gate <= 0.0) {
        std::fprintf(out, "\nNo runs at %d frames: goals not evaluated.\n", goalBlockSize);
        return;
    }
    const double gateOverGain = gate / gain;
    std::fprintf(out, "\nGoals at %d frames (reported, never asserted):\n", goalBlockSize);
    std::fprintf(out, "  gate at most %.1f x the gain loop: %.2f x, %s\n", gateOverGainGoal,
                 gateOverGain, gateOverGain <= gateOverGainGoal ? "met" : "NOT met");
    for (const std::string& peer : peerLabels) {
        const double peerTime = nanosecondsPerFrame(peer, goalBlockSize);
        if (peerTime <= 0.0) {
            std::fprintf(out, "  %s: no run\n", peer.c_str());
            continue;
        }
        const double peerOverGate = peerTime / gate;
        std::fprintf(out, "  gate at least %.0f x cheaper than %s: %.1f x, %s\n", peerOverGateGoal,
                     peer.c_str(), peerOverGate,
                     peerOverGate >= peerOverGateGoal ? "met" : "NOT met");
    }
}

} // namespace stepveil::bench

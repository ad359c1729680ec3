// The table that ends a benchmark run: each subject's time per stereo frame at each block
// size, the gate against the plain gain loop and every peer against the gate, all from the
// runs just made. Benchmarks are named "<subject>/<frames>".
#pragma once

#include "bench/TablingReporter.h"

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace stepveil::bench {

class RatioTable : public RunTable {
public:
    RatioTable(std::string gainName, std::string gateName, std::vector<std::string> peerNames,
               std::vector<int> frameCounts);

    // Also shows what a ramp and a glide add to a block of the gate: the ramp's subject against
    // the steady one, the glide's against the one making the same host calls without a glide.
    void compareRampAndGlide(std::string steady, std::string ramp, std::string calls,
                             std::string glide);

    void record(const benchmark::BenchmarkReporter::Run& run) override;
    void print(std::FILE* out) const override;

private:
    // Median CPU nanoseconds per stereo frame; negative when the subject has no run.
    double nanosecondsPerFrame(const std::string& label, int frames) const;
    void printGoals(std::FILE* out) const;
    void printRampAndGlide(std::FILE* out) const;

    std::string gainLabel;
    std::string gateLabel;
    std::vector<std::string> peerLabels;
    std::vector<int> blockSizes;
    std::string steadyLabel, rampLabel, callsLabel, glideLabel;
    std::map<std::pair<std::string, int>, std::vector<double>> samples;
};

} // namespace stepveil::bench

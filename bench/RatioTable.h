// The table that ends a benchmark run: each subject's time per stereo frame at each block
// size, the gate against the plain gain loop and every peer against the gate, all from the
// runs just made. Benchmarks are named "<subject>/<frames>".
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace stepveil::bench {

class RatioTable {
public:
    RatioTable(std::string gainName, std::string gateName, std::vector<std::string> peerNames,
               std::vector<int> frameCounts);

    // Takes one finished run (repetitions each count; the table uses their median).
    void record(const benchmark::BenchmarkReporter::Run& run);
    void print(std::FILE* out) const;

private:
    // Median CPU nanoseconds per stereo frame; negative when the subject has no run.
    double nanosecondsPerFrame(const std::string& label, int frames) const;
    void printGoals(std::FILE* out) const;

    std::string gainLabel;
    std::string gateLabel;
    std::vector<std::string> peerLabels;
    std::vector<int> blockSizes;
    std::map<std::pair<std::string, int>, std::vector<double>> samples;
};

// The console reporter of Google Benchmark that also hands every run to a RatioTable.
class TablingReporter : public benchmark::ConsoleReporter {
public:
    TablingReporter(RatioTable& destination, bool colour)
        : ConsoleReporter(colour ? OO_ColorTabular : OO_Tabular), table(destination) {}
    void ReportRuns(const std::vector<Run>& reports) override;

private:
    RatioTable& table;
};

} // namespace stepveil::bench

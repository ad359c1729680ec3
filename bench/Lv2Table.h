// The table that ends the LV2 benchmark: at each block size, the VST 2 file's processing and
// the LV2 binary's run() per stereo frame, and each LV2 case against the VST 2 one, from the
// runs just made. Benchmarks are named "<subject>/<frames>".
#pragma once

#include "bench/TablingReporter.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace stepveil::bench {

class Lv2Table : public RunTable {
public:
    Lv2Table(std::string vstName, std::vector<std::string> lv2Names, std::vector<int> frameCounts,
             int goalFrames, double goalRatio);

    void record(const benchmark::BenchmarkReporter::Run& run) override;
    void print(std::FILE* out) const override;

private:
    double nanosecondsPerFrame(const std::string& label, int frames) const;

    std::string vstLabel;
    std::vector<std::string> lv2Labels;
    std::vector<int> blockSizes;
    int goalBlockSize;
    double goal;
    std::map<std::pair<std::string, int>, std::vector<double>> samples;
};

} // namespace stepveil::bench

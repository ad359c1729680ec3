// The table that ends the editor benchmark: the time of an idle with nothing to redraw, of a
// full repaint after a program change and of a bare XPutImage of the same picture, each with
// the requests it sends the X server, and the ratios the goals are read against.
#pragma once

#include "bench/TablingReporter.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace stepveil::bench {

// The benchmarks' names, which the table finds its runs by.
extern const char* const idleCase;
extern const char* const repaintCase;
extern const char* const bareCase;

class EditorTable : public RunTable {
public:
    void record(const benchmark::BenchmarkReporter::Run& run) override;
    void print(std::FILE* out) const override;

    // Requests per call as counted (negative: not counted), and what was counted over.
    void setRequests(const std::string& benchmarkName, double perCall, long calls);
    // Says why requests were not counted.
    void setCountingProblem(const std::string& problem) { countingProblem = problem; }

private:
    // Median real microseconds per call; negative without a run.
    double microseconds(const std::string& benchmarkName) const;
    void printGoals(std::FILE* out) const;

    struct Count {
        double perCall = -1.0;
        long calls = 0;
    };
    std::map<std::string, std::vector<double>> samples;
    std::map<std::string, Count> requests;
    std::string countingProblem;
};

} // namespace stepveil::bench

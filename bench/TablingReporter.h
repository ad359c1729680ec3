// The reporter every benchmark program here runs with: Google Benchmark's console output, and
// every finished run handed to a table that prints ratios from this run at the end.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace stepveil::bench {

// A table read from the runs of one benchmark program.
class RunTable {
public:
    virtual ~RunTable() = default;
    // Takes one finished run (repetitions each count; tables use their median).
    virtual void record(const benchmark::BenchmarkReporter::Run& run) = 0;
    virtual void print(std::FILE* out) const = 0;
};

// The median of some values; NaN-free input expected, at least one value.
double median(std::vector<double> values);

class TablingReporter : public benchmark::ConsoleReporter {
public:
    TablingReporter(RunTable& destination, bool colour)
        : ConsoleReporter(colour ? OO_ColorTabular : OO_Tabular), table(destination) {}
    void ReportRuns(const std::vector<Run>& reports) override;

private:
    RunTable& table;
};

} // namespace stepveil::bench
